#include "engine/OptionText.h"

#include <algorithm>
#include <cctype>

namespace engine {

std::string ToLower(std::string_view s) {
    std::string r(s);
    std::transform(r.begin(), r.end(), r.begin(), [](unsigned char c) { return std::tolower(c); });
    return r;
}

std::string Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return std::string(s.substr(b, e - b));
}

std::string NormalizeOptionText(std::string_view text) {
    const std::string trimmed = Trim(text);
    std::string out;
    out.reserve(trimmed.size());
    for (size_t i = 0; i < trimmed.size(); ++i) {
        const char c = trimmed[i];
        if (c == '\r') {
            if (i + 1 < trimmed.size() && trimmed[i + 1] == '\n') ++i;
            out += '\n';
        } else if (c == '<' && trimmed.compare(i, 6, "<CRLF>") == 0) {
            out += '\n';
            i += 5;
        } else {
            out += c;
        }
    }
    return out;
}

std::vector<OptionLine> SplitOptionText(std::string_view text) {
    const std::string norm = NormalizeOptionText(text);
    std::vector<OptionLine> lines;
    size_t pos = 0;
    while (pos <= norm.size()) {
        size_t end = norm.find('\n', pos);
        if (end == std::string::npos) end = norm.size();
        const std::string_view line(norm.data() + pos, end - pos);
        if (!Trim(line).empty()) {
            const size_t eq = line.find('=');
            if (eq == std::string_view::npos)
                lines.push_back({ToLower(line), ""});
            else
                lines.push_back({ToLower(line.substr(0, eq)), std::string(line.substr(eq + 1))});
        }
        pos = end + 1;
    }
    return lines;
}

bool OptionIsTrue(std::string_view value) {
    return value != "0";
}

}  // namespace engine
