#pragma once
// TSet and the settings types of the HTTP transfer component (TWinHTTP).

#include <cstdint>
#include <initializer_list>
#include <string>

namespace net {

// A small set of enumeration values.
template <class E>
class TSet {
public:
    TSet() = default;
    TSet(std::initializer_list<E> values) {
        for (E v : values)
            Include(v);
    }
    bool Contains(E v) const { return (bits_ >> static_cast<unsigned>(v)) & 1u; }
    void Include(E v) { bits_ |= 1u << static_cast<unsigned>(v); }
    void Exclude(E v) { bits_ &= ~(1u << static_cast<unsigned>(v)); }
    bool operator==(const TSet& other) const = default;

private:
    std::uint32_t bits_ = 0;
};

// libcurl keeps no cache: only coPragmaNoCache has an effect (a "Pragma: no-cache" request line);
// the other options are accepted and do nothing.
enum TCacheOption {
    coAlwaysReload,
    coReloadIfNoExpireInformation,
    coReloadUpdatedObjects,
    coPragmaNoCache,
    coNoCacheWrite,
    coCreateTempFilesIfCantCache,
    coUseCacheIfNetFail
};

// ioIgnoreCertificateInvalid: no host name check; ioIgnoreUnknownCertificateAuthority: no peer check;
// ioIgnoreCertificateDateInvalid: OpenSSL cannot skip the date check alone, so it does nothing;
// ioIgnoreRedirectToHTTP: allow a redirect from https to http (http to https is always allowed);
// ioIgnoreRedirectToHTTPS: accepted, nothing to do; ioKeepConnection: reuse connections;
// ioNoAuthentication: no automatic authentication; ioNoAutoRedirect: do not follow redirects;
// ioNoCookies: no cookies are kept between the requests of a transfer.
enum TInternetOption {
    ioIgnoreCertificateInvalid,
    ioIgnoreCertificateDateInvalid,
    ioIgnoreRedirectToHTTP,
    ioIgnoreRedirectToHTTPS,
    ioIgnoreUnknownCertificateAuthority,
    ioKeepConnection,
    ioNoAuthentication,
    ioNoAutoRedirect,
    ioNoCookies
};

using TCacheOptions = TSet<TCacheOption>;
using TInternetOptions = TSet<TInternetOption>;

// atPreconfig: the system's proxy settings, on Linux the http_proxy, https_proxy and no_proxy
// variables that libcurl reads itself.
enum TWinHTTPAccessType { atPreconfig, atDirect, atUseProxy };

enum TWinHTTPRequestMethod { rmAutoDetect, rmGET, rmPOST };

// Linux has only atrReadOnly: it removes the write permission bits (and their absence restores the
// owner's). The others are accepted and do nothing.
enum TWinHTTPFileAttribute { atrArchive, atrHidden, atrReadOnly, atrSystem, atrTemporary, atrOffline };
using TWinHTTPFileAttributes = TSet<TWinHTTPFileAttribute>;

struct TWinHTTPProxy {
    TWinHTTPAccessType AccessType = atPreconfig;
    int ProxyPort = 8080;
    std::string ProxyServer;
    std::string ProxyBypass = "127.0.0.1;";
    std::string ProxyUsername;
    std::string ProxyPassword;
};

struct TWinHTTPRange {
    std::uint64_t StartRange = 0;
    std::uint64_t EndRange = 0;
};

// Milliseconds; 0 leaves libcurl's default. The receive and send limits end a transfer that
// moves no data for that long (rounded up to whole seconds).
struct TWinHTTPTimeouts {
    std::uint32_t ConnectTimeout = 0;
    std::uint32_t ReceiveTimeout = 0;
    std::uint32_t SendTimeout = 0;
};

struct TWinHTTPOutputFileAttributes {
    TWinHTTPFileAttributes Complete{atrArchive};
    TWinHTTPFileAttributes Incomplete{atrArchive, atrTemporary};
};

}  // namespace net
