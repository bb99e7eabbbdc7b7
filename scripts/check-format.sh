#!/usr/bin/env bash
# Fails when a tracked C++ file is not formatted with the project's .clang-format.
# With --fix, formats them in place instead.
set -euo pipefail
cd "$(dirname "$0")/.."
CF=$(command -v clang-format-14 || command -v clang-format)
mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' | while read -r f; do [ -f "$f" ] && echo "$f"; done)
[ ${#files[@]} -eq 0 ] && exit 0
if [ "${1:-}" = "--fix" ]; then
  "$CF" -i "${files[@]}"
else
  "$CF" --dry-run --Werror "${files[@]}"
fi
