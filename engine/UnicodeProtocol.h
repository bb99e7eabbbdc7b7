#pragma once
// File names on their way into FFmpeg.
//
// Text is UTF-8 throughout and the libraries open UTF-8 names directly, so no name needs the wide-character
// protocol any more. A name in the old "unicode:utf8:<name>" form is still accepted wherever a name enters
// the engine: the prefix is removed. A local name whose first component holds a colon would be read by
// FFmpeg as "<protocol>:..." and is handed over as "file:<name>".

#include <string>
#include <string_view>

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
// The inverse for names read back from a container (AVFormatContext::url).
std::string FromLibraryName(std::string_view url);

}  // namespace engine
