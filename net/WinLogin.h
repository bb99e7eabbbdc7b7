#pragma once
// TWinLoginComponent: the base of the HTTP component that holds the credentials. They are never stored in
// plain form: the component persists one scrambled binary value, "LInfo".

#include <cstdint>
#include <string>
#include <vector>

#include "net/Component.h"

namespace net {

// Our own mask; it only keeps the credentials from being readable at a glance.
constexpr std::uint8_t kLoginInfoMask = 0xA7;

// Count byte n = (user length + password length + 1) mod 256, then n bytes: the user name's length,
// the user name, the password, each XOR-ed with (n XOR mask).
std::vector<std::uint8_t> EncodeLoginInfo(const std::string& username, const std::string& password);
// Reverses EncodeLoginInfo; malformed data gives empty credentials.
void DecodeLoginInfo(const std::vector<std::uint8_t>& data, std::string& username, std::string& password);

class TWinLoginComponent : public TComponent {
public:
    using TComponent::TComponent;

    std::string Username;
    std::string Password;

    // The persisted property "LInfo": written only when a credential is set.
    bool HasLoginInfo() const { return !Username.empty() || !Password.empty(); }
    std::vector<std::uint8_t> WriteLInfo() const { return EncodeLoginInfo(Username, Password); }
    void ReadLInfo(const std::vector<std::uint8_t>& data) { DecodeLoginInfo(data, Username, Password); }
};

}  // namespace net
