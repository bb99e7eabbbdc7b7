#pragma once
// Where a task's output is written while it converts, and how it gets its final name: a hidden temporary
// file created exclusively beside the target, moved into place without replacing anything once the task has
// finished. Names are bytes; a name is shortened (never inside a UTF-8 sequence) so that it fits NAME_MAX.

#include <string>

namespace engine {

// The local file a library name ("file:..." or a plain path) writes to, or empty for a protocol's address
// ("pipe:1", "http://...").
std::string LocalPathOf(const std::string& libName);

// The path with "(n)" put before the extension of its last component (n = 0: the path itself), the stem
// shortened so that the component fits NAME_MAX.
std::string CounterName(const std::string& path, int n);

// Creates an empty, new hidden file ".STEM.part-XXXXXX" in the folder of target; returns its path. Raises
// FFmpegException when no such file can be made.
std::string CreatePartialFile(const std::string& target);

// Moves the finished file at partial to target, or to the next counter name of target when a file of that
// name exists (another program may have made it meanwhile); never replaces a file. Returns the name it
// took; raises FFmpegException (the partial file stays) when the move fails otherwise.
std::string PublishPartialFile(const std::string& partial, const std::string& target);

}  // namespace engine
