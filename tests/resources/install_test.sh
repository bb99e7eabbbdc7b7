#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the result as a desktop would use it: the layout,
# the desktop entry, the theme icons, and the installed program started through its bin/ link. The
# program runs offscreen with an empty home; SIGTERM must end it through the close path (exit status 0,
# the window placement saved).
set -euo pipefail
build=$1
stage=$build/bin
tmp=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ]; then kill -KILL "$pid" 2>/dev/null || true; fi
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" || { cat "$tmp/install.log"; fail "cmake --install"; }
lib=$prefix/lib/reelwright

# The program and everything staged beside it, and none of the build's own programs.
[ -x "$lib/reelwright" ] || fail "no program in $lib"
[ -L "$prefix/bin/reelwright" ] || fail "bin/reelwright is not a link"
[ "$(readlink -f "$prefix/bin/reelwright")" = "$(readlink -f "$lib/reelwright")" ] || fail "bin/reelwright points elsewhere"
while IFS= read -r -d '' f; do
  rel=${f#"$stage"/}
  if [ "$(head -c4 "$f" | od -An -tx1 | tr -d ' \n')" = 7f454c46 ]; then
    [ "$rel" = reelwright ] && continue
    case "$rel" in */*) ;; *) [ ! -e "$lib/$rel" ] || fail "build program $rel was installed"; continue ;; esac
  fi
  cmp -s "$f" "$lib/$rel" || fail "staged file $rel missing or different in $lib"
done < <(find "$stage" -type f -print0)

# The desktop entry and the icon it names.
entry=$prefix/share/applications/reelwright.desktop
[ -f "$entry" ] || fail "no desktop entry"
desktop-file-validate "$entry" || fail "desktop-file-validate"
grep -qx 'Exec=reelwright %F' "$entry" || fail "Exec line"
grep -qx 'Icon=reelwright' "$entry" || fail "Icon line"
for size in 16 22 24 32 48 64 128 256; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/reelwright.png
  [ -f "$png" ] || fail "no ${size}x${size} icon"
  # The PNG header's width field must match the folder's size.
  [ "$(od -An -j16 -N4 -tu1 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4}')" = "$size" ] ||
    fail "icon $png is not ${size} pixels wide"
done

# Start the installed program from an unrelated folder, as a desktop launcher would.
home=$tmp/home
mkdir -p "$home"
settings="$home/.config/Reelwright Video Converter/system.dat"
(cd / && HOME=$home XDG_CONFIG_HOME= QT_QPA_PLATFORM=offscreen exec "$prefix/bin/reelwright") \
  >"$tmp/out.log" 2>&1 &
pid=$!
# A first start writes the settings file while the window is built; the termination handlers exist by then.
for _ in $(seq 600); do
  [ -f "$settings" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
[ -f "$settings" ] || { cat "$tmp/out.log"; fail "the installed program did not start"; }
grep -qi '^\[Form\]' "$settings" && fail "window placement saved before the close"
kill -TERM "$pid"
status=0
for _ in $(seq 600); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && { cat "$tmp/out.log"; fail "SIGTERM did not end the program"; }
wait "$pid" || status=$?
pid=
[ "$status" = 0 ] || { cat "$tmp/out.log"; fail "exit status $status after SIGTERM"; }
grep -qi '^\[Form\]' "$settings" || { cat "$settings"; fail "no window placement saved at SIGTERM"; }
echo "installed into $prefix and ran: ok"
