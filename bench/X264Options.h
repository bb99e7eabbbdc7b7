#pragma once
// libx264 writes the settings it encoded with into the first picture, as "options: cabac=1 ref=3 ...".
// These functions read that text and turn it back into the parameters libx264 takes
// (ffmpeg's -x264-params), so another encoder run can be given exactly the same settings.

#include <string>
#include <utility>
#include <vector>

using X264Option = std::pair<std::string, std::string>;

// The name=value pairs of the option text, in order ("threads=3 keyint=250" -> {threads,3}, {keyint,250}).
std::vector<X264Option> ParseX264OptionText(const std::string& text);

struct X264Params {
    std::vector<X264Option> params;      // names and values as libx264's parameter parser reads them
    std::vector<std::string> untouched;  // options of the text that cannot be passed on (a custom matrix ...)
    // The list in -x264-params form: "name=value:name=value"; no value holds ':' (those use ',').
    std::string Joined() const;
};

// The parameters that make libx264 encode with the settings of the option text, for pictures of this pixel
// format (libx264 adjusts one setting by it).
X264Params X264ParamsFromOptions(const std::string& text, const std::string& pixelFormat);

// Where two option texts differ: "name engine-value/other-value" items joined by spaces; empty when equal.
std::string X264OptionDifferences(const std::string& a, const std::string& b);
