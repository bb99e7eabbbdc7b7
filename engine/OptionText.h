#pragma once
// The option text format shared by ExtOptions and preset texts: one "name=value" per line.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Text.h"

namespace engine {

struct OptionLine {
    std::string name;   // lower case
    std::string value;  // as written
};

// Trims the text and turns CR LF, CR and the text "<CRLF>" into LF.
std::string NormalizeOptionText(std::string_view text);

// Splits a normalized text into lines at the first "=", names lower-cased.
// Blank lines are skipped: they can only name nothing.
std::vector<OptionLine> SplitOptionText(std::string_view text);

// Boolean option values: anything but "0" is true (an empty value too).
bool OptionIsTrue(std::string_view value);

using core::ToLower;
using core::Trim;

}  // namespace engine
