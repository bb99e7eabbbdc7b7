#include "net/UrlParts.h"

#include <curl/curl.h>

#include <memory>

namespace net {

namespace {

struct UrlDeleter {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;

// One part of a parsed URL; a part that is not there reads as empty.
bool getPart(CURLU* u, CURLUPart part, unsigned flags, std::string& out) {
    char* value = nullptr;
    const CURLUcode rc = curl_url_get(u, part, &value, flags);
    if (rc == CURLUE_OK) {
        out = value;
        curl_free(value);
        return true;
    }
    out.clear();
    // Missing parts are normal; anything else (a bad escape, say) is a failure.
    return rc == CURLUE_NO_USER || rc == CURLUE_NO_PASSWORD || rc == CURLUE_NO_QUERY ||
           rc == CURLUE_NO_FRAGMENT || rc == CURLUE_NO_PORT || rc == CURLUE_NO_HOST;
}

// Decodes %XX escapes only; '+' stays as it is (curl's own query decoding would turn it into a blank).
std::string percentDecode(const std::string& text) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string escape(const std::string& text, const char* alsoEscaped) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        bool plain = b >= 0x20 && b < 0x80;
        for (const char* e = alsoEscaped; plain && *e; ++e)
            if (c == *e) plain = false;
        if (plain) {
            out += c;
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0x0F];
        }
    }
    return out;
}

}  // namespace

bool SplitURL(const std::string& url, TUrlParts& parts) {
    parts = TUrlParts{};
    UrlHandle u(curl_url());
    if (!u) return false;
    if (curl_url_set(u.get(), CURLUPART_URL, url.c_str(),
                     CURLU_NON_SUPPORT_SCHEME | CURLU_ALLOW_SPACE | CURLU_PATH_AS_IS) != CURLUE_OK)
        return false;
    TUrlParts p;
    std::string port, query, fragment;
    const bool ok = getPart(u.get(), CURLUPART_SCHEME, 0, p.Scheme) &&
                    getPart(u.get(), CURLUPART_HOST, CURLU_URLDECODE, p.Host) &&
                    getPart(u.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT, port) &&
                    getPart(u.get(), CURLUPART_USER, CURLU_URLDECODE, p.UserName) &&
                    getPart(u.get(), CURLUPART_PASSWORD, CURLU_URLDECODE, p.Password) &&
                    getPart(u.get(), CURLUPART_PATH, CURLU_URLDECODE, p.Path) &&
                    getPart(u.get(), CURLUPART_QUERY, 0, query) &&
                    getPart(u.get(), CURLUPART_FRAGMENT, 0, fragment);
    if (!ok) return false;
    p.Port = port.empty() ? 0 : std::stoi(port);
    // curl_url_get reports a present but empty query or fragment as missing; an empty one adds nothing
    // anyway.
    if (!query.empty()) p.ExtraInfo += "?" + percentDecode(query);
    if (!fragment.empty()) p.ExtraInfo += "#" + percentDecode(fragment);
    if (p.Scheme.size() > 32 || p.Host.size() > 256 || p.UserName.size() > 128 || p.Password.size() > 128 ||
        p.Path.size() > 2048 || p.ExtraInfo.size() > 2048)
        return false;
    parts = std::move(p);
    return true;
}

std::string EscapeExtraInfo(const std::string& extra) {
    return escape(extra, " #%*+<>");
}

std::string EscapePath(const std::string& path) {
    return escape(path, " #%*+<>?");
}

}  // namespace net
