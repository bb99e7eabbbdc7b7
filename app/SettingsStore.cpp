#include "app/SettingsStore.h"

#include <QFileInfo>
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

uint8_t ReadByte(const IniFile& ini, const char* key, uint8_t def) {
    return uint8_t(ini.ReadInteger(kSystem, Key(key), def) & 0xFF);
}

QString PlacementFile(const QString& file) {
    return file.trimmed().isEmpty() ? SettingsFileName(GlobalVars()) : file;
}

}  // namespace

QString SettingsFileName(const TGlobalVars& vars) {
    return AddTrailingBackslash(vars.SettingsFolder) + QStringLiteral("system.dat");
}

bool LoadSettings(TGlobalVars& v, QString* saveError) {
    const QString fileName = SettingsFileName(v);
    if (!QFileInfo::exists(fileName)) {
        SaveSettings(v, saveError);
        return false;
    }
    const IniFile ini(fileName);
    v.LastOpenDir = ini.ReadString(kSystem, QStringLiteral("LastOpenDir"), v.LastOpenDir);
    v.OutputFileDir = ini.ReadString(kSystem, QStringLiteral("OutputFileDir"), v.OutputFileDir);
    v.OutputURLDir = ini.ReadString(kSystem, QStringLiteral("OutputURLDir"), v.OutputURLDir);
    v.OutputFormatClass = ReadByte(ini, "OutputFormatClass", v.OutputFormatClass);
    v.OutputAudioFormat = ReadByte(ini, "OutputAudioFormat", v.OutputAudioFormat);
    v.OutputVideoFormat = ReadByte(ini, "OutputVideoFormat", v.OutputVideoFormat);
    v.OutputDeviceFormat = ReadByte(ini, "OutputDeviceFormat", v.OutputDeviceFormat);
    for (const auto& p : kPresetKeys)
        v.PresetIndex[p.slot] = ini.ReadInteger(kSystem, Key(p.key), v.PresetIndex[p.slot]);
    v.PlayASoundWhenFinished =
        ini.ReadBool(kSystem, QStringLiteral("PlayASoundWhenFinished"), v.PlayASoundWhenFinished);
    v.ShutDownWhenFinished =
        ini.ReadBool(kSystem, QStringLiteral("ShutDownWhenFinished"), v.ShutDownWhenFinished);
    v.PreferYouTubeQuality =
        ini.ReadBool(kSystem, QStringLiteral("PreferYouTubeQuality"), v.PreferYouTubeQuality);
    for (int i = 0; i < kQualityCount; ++i)
        v.QualityOrder[i] = ReadByte(ini, kQualityKeys[i], v.QualityOrder[i]);
    return true;
}

bool SaveSettings(const TGlobalVars& v, QString* error) {
    IniFile ini(SettingsFileName(v));
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
    ini.WriteBool(kSystem, QStringLiteral("PreferYouTubeQuality"), v.PreferYouTubeQuality);
    for (int i = 0; i < kQualityCount; ++i)
        ini.WriteInteger(kSystem, Key(kQualityKeys[i]), v.QualityOrder[i]);
    return ini.UpdateFile(error);
}

WindowPlacement LoadPlacement(const QString& section, const WindowPlacement& current, int sw, int sh,
                              const QString& file) {
    const IniFile ini(PlacementFile(file));
    WindowPlacement p;
    p.maximized = ini.ReadBool(section, QStringLiteral("maximized"), false);
    p.x = ini.ReadInteger(section, QStringLiteral("x"), current.x);
    p.y = ini.ReadInteger(section, QStringLiteral("y"), current.y);
    p.height = ini.ReadInteger(section, QStringLiteral("height"), current.height);
    p.width = ini.ReadInteger(section, QStringLiteral("width"), current.width);
    p.width = std::min(p.width, sw);
    p.height = std::min(p.height, sh);
    // 64-bit sums: hand-edited huge coordinates must not overflow.
    if (int64_t(p.x) + p.width > sw) p.x = sw - p.width;
    if (int64_t(p.y) + p.height > sh) p.y = sh - p.height;
    p.x = std::max(p.x, 0);
    p.y = std::max(p.y, 0);
    return p;
}

bool SavePlacement(const QString& section, const WindowPlacement& p, const QString& file, QString* error) {
    IniFile ini(PlacementFile(file));
    ini.WriteInteger(section, QStringLiteral("x"), p.x);
    ini.WriteInteger(section, QStringLiteral("y"), p.y);
    ini.WriteInteger(section, QStringLiteral("height"), p.height);
    ini.WriteInteger(section, QStringLiteral("width"), p.width);
    ini.WriteBool(section, QStringLiteral("maximized"), p.maximized);
    return ini.UpdateFile(error);
}

}  // namespace app
