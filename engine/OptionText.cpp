#include "engine/OptionText.h"

namespace engine {

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
