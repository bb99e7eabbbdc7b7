#include "app/SettingsStore.h"

#include <algorithm>
#include <array>

#include "app/IniFile.h"
#include "app/UtilFuncs.h"

namespace app {

namespace {

const QString kSystem = QStringLiteral("System");

// Preset keys in the order they are read and written (M4A before AAC), with their record slot.
struct PresetKey {
    const char* key;
    TPresetSlot slot;
};
constexpr std::array<PresetKey, psCount> kPresetKeys = {{
    {"OutputWAVPreset", psWAV},
    {"OutputMP3Preset", psMP3},
    {"OutputWMAPreset", psWMA},
    {"OutputOGGPreset", psOGG},
    {"OutputM4APreset", psM4A},
    {"OutputAACPreset", psAAC},
    {"OutputFLACPreset", psFLAC},
    {"OutputMP2Preset", psMP2},
    {"OutputAVIPreset", psAVI},
    {"OutputMP4Preset", psMP4},
    {"OutputFLVPreset", psFLV},
    {"OutputSWFPreset", psSWF},
    {"OutputMPEGPreset", psMPEG},
    {"OutputRMPreset", psRM},
    {"OutputWMVPreset", psWMV},
    {"OutputMOVPreset", psMOV},
    {"Output3GPPreset", ps3GP},
    {"OutputiPodPreset", psiPod},
    {"OutputiPhonePreset", psiPhone},
    {"OutputAppleTVPreset", psAppleTV},
    {"OutputPSPPreset", psPSP},
    {"OutputBlackBerryPreset", psBlackBerry},
    {"OutputMobilePhonePreset", psMobilePhone},
    {"OutputiPadPreset", psiPad},
}};

// The eighth entry's key is "PreferYouTube18": files of earlier editions use it.
constexpr std::array<const char*, kQualityCount> kQualityKeys = {
    "PreferYouTube1", "PreferYouTube2", "PreferYouTube3", "PreferYouTube4",
    "PreferYouTube5", "PreferYouTube6", "PreferYouTube7", "PreferYouTube18"};

QString Key(const char* key) {
    return QString::fromLatin1(key);
}

// A byte field keeps the low 8 bits of the stored integer (files of earlier editions rely on it); a
// byte outside 0..max is out of range and gives the default.
uint8_t ReadByte(const IniFile& ini, const char* key, uint8_t def, int max) {
    const auto value = uint8_t(ini.ReadInteger(kSystem, Key(key), def) & 0xFF);
    return value <= max ? value : def;
}

void WriteSettings(IniFile& ini, const TGlobalVars& v) {
    ini.WriteString(kSystem, QStringLiteral("LastOpenDir"), v.LastOpenDir);
    ini.WriteString(kSystem, QStringLiteral("OutputFileDir"), v.OutputFileDir);
    ini.WriteString(kSystem, QStringLiteral("OutputURLDir"), v.OutputURLDir);
    ini.WriteInteger(kSystem, QStringLiteral("OutputFormatClass"), v.OutputFormatClass);
    ini.WriteInteger(kSystem, QStringLiteral("OutputAudioFormat"), v.OutputAudioFormat);
    ini.WriteInteger(kSystem, QStringLiteral("OutputVideoFormat"), v.OutputVideoFormat);
    ini.WriteInteger(kSystem, QStringLiteral("OutputDeviceFormat"), v.OutputDeviceFormat);
    for (const auto& p : kPresetKeys)
        ini.WriteInteger(kSystem, Key(p.key), v.PresetIndex[p.slot]);
    ini.WriteBool(kSystem, QStringLiteral("PlayASoundWhenFinished"), v.PlayASoundWhenFinished);
    ini.WriteBool(kSystem, QStringLiteral("ShutDownWhenFinished"), v.ShutDownWhenFinished);
    ini.WriteInteger(kSystem, QStringLiteral("SimultaneousConversions"), v.SimultaneousConversions);
    ini.WriteBool(kSystem, QStringLiteral("PreferYouTubeQuality"), v.PreferYouTubeQuality);
    for (int i = 0; i < kQualityCount; ++i)
        ini.WriteInteger(kSystem, Key(kQualityKeys[i]), v.QualityOrder[i]);
}

void WritePlacement(IniFile& ini, const QString& section, const WindowPlacement& p) {
    ini.WriteInteger(section, QStringLiteral("x"), p.x);
    ini.WriteInteger(section, QStringLiteral("y"), p.y);
    ini.WriteInteger(section, QStringLiteral("height"), p.height);
    ini.WriteInteger(section, QStringLiteral("width"), p.width);
    ini.WriteBool(section, QStringLiteral("maximized"), p.maximized);
}

QString PlacementFile(const QString& file) {
    return file.trimmed().isEmpty() ? SettingsFileName(GlobalVars()) : file;
}

}  // namespace

QString SettingsFileName(const TGlobalVars& vars) {
    return AddTrailingBackslash(vars.SettingsFolder) + QStringLiteral("system.dat");
}

bool LoadSettings(TGlobalVars& v, QString* saveError, QString* readError) {
    const IniFile ini(SettingsFileName(v));
    if (!ini.FileExisted()) {
        SaveSettings(v, saveError);
        return false;
    }
    if (!ini.Readable()) {
        if (readError)
            *readError = QStringLiteral(
                             "The settings file \"%1\" cannot be read (%2). The program starts with its "
                             "default settings and leaves the file as it is.")
                             .arg(ini.FileName(), ini.ReadError());
        return false;
    }
    v.LastOpenDir = ini.ReadString(kSystem, QStringLiteral("LastOpenDir"), v.LastOpenDir);
    v.OutputFileDir = ini.ReadString(kSystem, QStringLiteral("OutputFileDir"), v.OutputFileDir);
    v.OutputURLDir = ini.ReadString(kSystem, QStringLiteral("OutputURLDir"), v.OutputURLDir);
    v.OutputFormatClass = ReadByte(ini, "OutputFormatClass", v.OutputFormatClass, fcAudio);
    v.OutputAudioFormat = ReadByte(ini, "OutputAudioFormat", v.OutputAudioFormat, kAudioFormatCount - 1);
    v.OutputVideoFormat = ReadByte(ini, "OutputVideoFormat", v.OutputVideoFormat, kVideoFormatCount - 1);
    v.OutputDeviceFormat = ReadByte(ini, "OutputDeviceFormat", v.OutputDeviceFormat, kDeviceFormatCount - 1);
    // -1 is a list without a selection; the lists themselves bound the upper end.
    for (const auto& p : kPresetKeys) {
        const int32_t index = ini.ReadInteger(kSystem, Key(p.key), v.PresetIndex[p.slot]);
        if (index >= -1) v.PresetIndex[p.slot] = index;
    }
    v.PlayASoundWhenFinished =
        ini.ReadBool(kSystem, QStringLiteral("PlayASoundWhenFinished"), v.PlayASoundWhenFinished);
    v.ShutDownWhenFinished =
        ini.ReadBool(kSystem, QStringLiteral("ShutDownWhenFinished"), v.ShutDownWhenFinished);
    const int32_t simultaneous =
        ini.ReadInteger(kSystem, QStringLiteral("SimultaneousConversions"), v.SimultaneousConversions);
    if (simultaneous >= 0 && simultaneous <= kMaxSimultaneousConversions)
        v.SimultaneousConversions = simultaneous;
    v.PreferYouTubeQuality =
        ini.ReadBool(kSystem, QStringLiteral("PreferYouTubeQuality"), v.PreferYouTubeQuality);
    for (int i = 0; i < kQualityCount; ++i)
        v.QualityOrder[i] = ReadByte(ini, kQualityKeys[i], v.QualityOrder[i], kQualityCount - 1);
    // Set by hand (a current yt-dlp outside PATH); never written, so saving keeps the line as it is.
    v.YtDlpPath = ini.ReadString(kSystem, QStringLiteral("YtDlpPath"), v.YtDlpPath);
    return true;
}

bool SaveSettings(const TGlobalVars& v, QString* error) {
    IniFile ini(SettingsFileName(v));
    WriteSettings(ini, v);
    return ini.UpdateFile(error);
}

bool SaveSettingsAndPlacements(const TGlobalVars& v, const std::vector<SectionPlacement>& placements,
                               QString* error) {
    IniFile ini(SettingsFileName(v));
    WriteSettings(ini, v);
    for (const auto& [section, placement] : placements)
        WritePlacement(ini, section, placement);
    return ini.UpdateFile(error);
}

WindowPlacement LoadPlacement(const QString& section, const WindowPlacement& current, int sw, int sh,
                              const QString& file) {
    const IniFile ini(PlacementFile(file));
    const bool maximized = ini.ReadBool(section, QStringLiteral("maximized"), false);
    // 64-bit throughout: hand-edited extreme values must not overflow.
    int64_t x = ini.ReadInteger(section, QStringLiteral("x"), current.x);
    int64_t y = ini.ReadInteger(section, QStringLiteral("y"), current.y);
    int64_t height = ini.ReadInteger(section, QStringLiteral("height"), current.height);
    int64_t width = ini.ReadInteger(section, QStringLiteral("width"), current.width);
    const bool onScreen = width > 0 && height > 0 && x < sw && x + width > 0 && y < sh && y + height > 0;
    if (!onScreen) {
        // Nothing sensible is stored: the window opens centred at its current size.
        width = std::clamp<int64_t>(current.width, 0, std::max(sw, 0));
        height = std::clamp<int64_t>(current.height, 0, std::max(sh, 0));
        return {int((sw - width) / 2), int((sh - height) / 2), int(width), int(height), maximized};
    }
    width = std::min<int64_t>(width, sw);
    height = std::min<int64_t>(height, sh);
    if (x + width > sw) x = sw - width;
    if (y + height > sh) y = sh - height;
    x = std::max<int64_t>(x, 0);
    y = std::max<int64_t>(y, 0);
    return {int(x), int(y), int(width), int(height), maximized};
}

bool SavePlacement(const QString& section, const WindowPlacement& p, const QString& file, QString* error) {
    IniFile ini(PlacementFile(file));
    WritePlacement(ini, section, p);
    return ini.UpdateFile(error);
}

}  // namespace app
