#include "app/Globals.h"

namespace app {

void TGlobalVars::SetPresetDefaults() {
    PresetIndex = {
        3, 2, 1, 3, 3, 0, 5,  0,     // WAV MP3 WMA OGG AAC M4A FLAC MP2
        3, 3, 1, 1, 5, 1, 16, 7, 2,  // AVI MP4 FLV SWF MPEG RM WMV MOV 3GP
        5, 1, 1, 1, 1, 1, 0,         // iPod iPhone AppleTV PSP BlackBerry MobilePhone iPad
    };
    PlayASoundWhenFinished = false;
    ShutDownWhenFinished = false;
    PreferYouTubeQuality = true;
    QualityOrder = {1, 2, 3, 0, 4, 5, 6, 7};
}

void TGlobalVars::ClearStreamSlots() {
    StreamDefault.clear();
    for (auto& s : StreamSlots)
        s.clear();
}

TGlobalVars& GlobalVars() {
    static TGlobalVars vars;
    return vars;
}

}  // namespace app
