#include "net/WinLogin.h"

namespace net {

std::vector<std::uint8_t> EncodeLoginInfo(const std::string& username, const std::string& password) {
    const auto n = static_cast<std::uint8_t>((username.size() + password.size() + 1) % 256);
    std::vector<std::uint8_t> plain;
    plain.push_back(static_cast<std::uint8_t>(username.size() % 256));
    plain.insert(plain.end(), username.begin(), username.end());
    plain.insert(plain.end(), password.begin(), password.end());
    plain.resize(n);  // the count byte wraps for very long credentials, as the stored format does
    const auto key = static_cast<std::uint8_t>(n ^ kLoginInfoMask);
    std::vector<std::uint8_t> out{n};
    for (const std::uint8_t b : plain)
        out.push_back(static_cast<std::uint8_t>(b ^ key));
    return out;
}

void DecodeLoginInfo(const std::vector<std::uint8_t>& data, std::string& username, std::string& password) {
    username.clear();
    password.clear();
    if (data.size() < 2) return;
    const std::uint8_t n = data[0];
    if (n == 0 || data.size() < 1u + n) return;
    const auto key = static_cast<std::uint8_t>(n ^ kLoginInfoMask);
    std::string plain;
    for (std::size_t i = 1; i <= n; ++i)
        plain += static_cast<char>(data[i] ^ key);
    const std::size_t userLength = static_cast<unsigned char>(plain[0]);
    if (userLength > plain.size() - 1) return;
    username = plain.substr(1, userLength);
    password = plain.substr(1 + userLength);
}

}  // namespace net
