#pragma once
// File names on their way into FFmpeg.
//
// Text is UTF-8 throughout and the libraries open UTF-8 names directly, so no name needs the wide-character
// protocol any more. A name in the old "unicode:utf8:<name>" form is still accepted wherever a name enters
// the engine: the prefix is removed. A local name whose first component holds a colon would be read by
// FFmpeg as "<protocol>:..." and is handed over as "file:<name>".

#include <string>
#include <string_view>

struct AVFormatContext;

namespace engine {

inline constexpr std::string_view kUnicodePrefix = "unicode:utf8:";

// At least 14 bytes and starting with "unicode:utf8:".
bool IsUnicodeName(std::string_view name);
// "unicode:utf8:<name>" -> "<name>"; any other text unchanged.
std::string DecodeUnicodeName(std::string_view name);
// "<name>" -> "unicode:utf8:<name>" (the form older callers produce).
std::string EncodeUnicodeName(std::string_view name);

// The name to hand to avformat_open_input / avio_open: the unicode form decoded; URLs of protocols FFmpeg
// knows passed as they are; local names FFmpeg would misread as a URL prefixed with "file:".
std::string ToLibraryName(std::string_view name);
// The protocols an input may use, for its own open and every file or address its container names (a
// playlist's segments, a concatenation list, a session description): a local file may read only local
// files ("file,crypto,data"), an http(s) address only http(s), a pipe only the pipe; empty for other
// addresses (their protocol brings its own transports and stays as the library has it).
std::string InputProtocolWhitelist(std::string_view libraryName);
// Sets that list on a format context before avformat_open_input.
void RestrictInputProtocols(AVFormatContext* ctx, std::string_view libraryName);

// The inverse for names read back from a container (AVFormatContext::url).
std::string FromLibraryName(std::string_view url);

}  // namespace engine
