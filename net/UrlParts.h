#pragma once
// TUrlParts, SplitURL: splitting a URL into the parts a request is built from, and the re-escaping of its
// extra part.

#include <string>

namespace net {

struct TUrlParts {
    std::string Scheme;
    std::string Host;  // an IPv6 address keeps its brackets
    int Port = 0;      // the scheme's default port when the URL names none
    std::string UserName;
    std::string Password;
    std::string Path;       // percent-escapes decoded
    std::string ExtraInfo;  // "?query#fragment", percent-escapes decoded
};

// Splits url (percent-escapes decoded). On failure returns false and leaves every part empty.
// Parts longer than the limits of the request (scheme 32, host 256, user and password 128,
// path and extra part 2048 characters) count as a failure.
bool SplitURL(const std::string& url, TUrlParts& parts);

// Escapes every byte below 0x20 or from 0x80 up, and each of ' ', '#', '%', '*', '+', '<', '>',
// as '%' and two upper-case hexadecimal digits; everything else passes.
std::string EscapeExtraInfo(const std::string& extra);

// The same for a decoded path, which must also keep a decoded '?' from starting a query.
std::string EscapePath(const std::string& path);

}  // namespace net
