#pragma once
// The built-in encoder presets ("vpre"/"apre"/"spre" names), looked up without regard to case.

#include <string_view>
#include <vector>

namespace engine {

struct TOptionsPreset {
    const char* Name;
    const char* Text;  // option lines, LF separated, old-generation option names (see LegacyOptions)
};

const std::vector<TOptionsPreset>& BuiltinPresets();
const TOptionsPreset* FindBuiltinPreset(std::string_view name);

}  // namespace engine
