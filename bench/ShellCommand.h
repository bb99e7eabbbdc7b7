#pragma once
// A program's arguments as one shell command line (for std::system, and for a reader to copy).

#include <string>
#include <vector>

// The argument in single quotes unless it is made of characters the shell reads as they are.
inline std::string ShellQuote(const std::string& s) {
    if (!s.empty() && s.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"
                                          ",:_-./=+") == std::string::npos)
        return s;
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

inline std::string ShellCommandLine(const std::vector<std::string>& args) {
    std::string line;
    for (const std::string& a : args)
        line += (line.empty() ? "" : " ") + ShellQuote(a);
    return line;
}
