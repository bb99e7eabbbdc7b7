#include "X264Options.h"

#include <cstdlib>
#include <map>
#include <sstream>

namespace {

// libx264's names for the motion-vector prediction modes, by number.
const char* const kDirectNames[] = {"none", "spatial", "temporal", "auto"};

// The partition names of libx264's "analyse" parameter for the bits of its inter mask.
std::string PartitionNames(long mask) {
    static const std::pair<long, const char*> kBits[] = {
        {0x1, "i4x4"}, {0x2, "i8x8"}, {0x10, "p8x8"}, {0x20, "p4x4"}, {0x100, "b8x8"}};
    std::string names;
    for (const auto& [bit, name] : kBits)
        if (mask & bit) names += std::string(names.empty() ? "" : ",") + name;
    return names.empty() ? "none" : names;
}

std::string Replace(std::string s, char from, char to) {
    for (char& c : s)
        if (c == from) c = to;
    return s;
}

std::string Lookup(const std::vector<X264Option>& options, const std::string& name) {
    for (const auto& [n, v] : options)
        if (n == name) return v;
    return {};
}

// The chroma QP offset asked for, from the one the text records: libx264 records it after lowering it for
// psychovisual rate-distortion and trellis (1 below 0.25, else 2, each when in use) and raising it by 6
// for 4:4:4 with psy on, so passing the recorded value would apply those steps twice.
int RequestedChromaQpOffset(const std::vector<X264Option>& options, int recorded, bool fullChroma) {
    const bool psy = Lookup(options, "psy") == "1";
    const std::string psyRd = Lookup(options, "psy_rd");
    const size_t colon = psyRd.find(':');
    const double rd = psy ? std::atof(psyRd.c_str()) : 0;
    const double trellis = psy && colon != std::string::npos ? std::atof(psyRd.c_str() + colon + 1) : 0;
    int offset = recorded;
    if (fullChroma && psy) offset -= 6;
    if (rd > 0 && std::atoi(Lookup(options, "subme").c_str()) >= 6) offset += rd < 0.25 ? 1 : 2;
    if (trellis > 0 && std::atoi(Lookup(options, "trellis").c_str()) > 0) offset += trellis < 0.25 ? 1 : 2;
    return offset;
}

}  // namespace

std::vector<X264Option> ParseX264OptionText(const std::string& text) {
    std::vector<X264Option> options;
    std::istringstream words(text);
    std::string word;
    while (words >> word) {
        const size_t eq = word.find('=');
        if (eq == std::string::npos || eq == 0) continue;
        options.emplace_back(word.substr(0, eq), word.substr(eq + 1));
    }
    return options;
}

std::string X264Params::Joined() const {
    std::string joined;
    for (const auto& [name, value] : params)
        joined += (joined.empty() ? "" : ":") + name + "=" + value;
    return joined;
}

X264Params X264ParamsFromOptions(const std::string& text, const std::string& pixelFormat) {
    const std::vector<X264Option> options = ParseX264OptionText(text);
    X264Params out;
    auto add = [&](const std::string& name, const std::string& value) {
        out.params.emplace_back(name, value);
    };
    for (const auto& [name, value] : options) {
        if (name == "deblock") {  // enabled:alpha:beta
            const size_t a = value.find(':'), b = value.find(':', a == std::string::npos ? a : a + 1);
            if (value.compare(0, 1, "0") == 0 || a == std::string::npos || b == std::string::npos)
                add("no-deblock", "1");
            else
                add("deblock", value.substr(a + 1, b - a - 1) + "," + value.substr(b + 1));
        } else if (name == "analyse") {  // intra mask:inter mask; only the inter mask is a parameter
            const size_t colon = value.find(':');
            const long intra = std::strtol(value.c_str(), nullptr, 0);
            const long inter =
                colon == std::string::npos ? 0 : std::strtol(value.c_str() + colon + 1, nullptr, 0);
            add("analyse", PartitionNames(inter));
            // libx264 derives the intra mask: 4x4 always, 8x8 with the 8x8 transform
            const long derived = 0x1 | (Lookup(options, "8x8dct") == "1" ? 0x2 : 0);
            if (intra != derived) out.untouched.push_back("analyse intra mask " + value);
        } else if (name == "psy_rd") {
            add("psy-rd", Replace(value, ':', ','));
        } else if (name == "mixed_ref") {
            add("mixed-refs", value);
        } else if (name == "cqm") {
            if (value == "0" || value == "1")
                add("cqm", value == "0" ? "flat" : "jvt");
            else
                out.untouched.push_back("cqm=" + value + " (custom matrices)");
        } else if (name == "deadzone") {  // inter,intra
            const size_t comma = value.find(',');
            add("deadzone-inter", value.substr(0, comma));
            if (comma != std::string::npos) add("deadzone-intra", value.substr(comma + 1));
        } else if (name == "decimate") {
            add("dct-decimate", value);
        } else if (name == "interlaced") {
            if (value == "tff" || value == "bff")
                add(value, "1");
            else if (value == "fake")
                add("fake-interlaced", "1");
            else
                add("interlaced", value);
        } else if (name == "direct") {
            const int mode = std::atoi(value.c_str());
            add("direct", mode >= 0 && mode < 4 ? kDirectNames[mode] : value);
        } else if (name == "rc") {  // the mode follows from crf=, bitrate= or qp= (and the VBV for cbr)
            if (value == "2pass") out.untouched.push_back("rc=2pass");
        } else if (name == "ip_ratio" || name == "pb_ratio") {
            add(name == "ip_ratio" ? "ipratio" : "pbratio", value);
        } else if (name == "aq") {  // mode[:strength]
            const size_t colon = value.find(':');
            add("aq-mode", value.substr(0, colon));
            if (colon != std::string::npos) add("aq-strength", value.substr(colon + 1));
        } else if (name == "chroma_qp_offset") {
            const bool fullChroma = pixelFormat.rfind("yuv444", 0) == 0 ||
                                    pixelFormat.rfind("yuvj444", 0) == 0 || pixelFormat.rfind("gbrp", 0) == 0;
            add("chroma-qp-offset",
                std::to_string(RequestedChromaQpOffset(options, std::atoi(value.c_str()), fullChroma)));
        } else if (name == "zones") {
            out.untouched.push_back("zones=" + value);
        } else {
            // the rest are libx264's parameter names with '_' for '-'; no value of theirs holds ':'
            add(Replace(name, '_', '-'), Replace(value, ':', ','));
        }
    }
    return out;
}

std::string X264OptionDifferences(const std::string& a, const std::string& b) {
    const std::vector<X264Option> first = ParseX264OptionText(a), second = ParseX264OptionText(b);
    std::map<std::string, std::string> rest(second.begin(), second.end());
    std::string differences;
    auto note = [&](const std::string& name, const std::string& x, const std::string& y) {
        differences += (differences.empty() ? "" : " ") + name + " " + x + "/" + y;
    };
    for (const auto& [name, value] : first) {
        const auto it = rest.find(name);
        const std::string other = it == rest.end() ? "-" : it->second;
        if (other != value) note(name, value, other);
        if (it != rest.end()) rest.erase(it);
    }
    for (const auto& [name, value] : second)
        if (rest.count(name)) note(name, "-", value);
    return differences;
}
