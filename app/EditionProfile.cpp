#include "app/EditionProfile.h"

#include "app/IniFile.h"
#include "app/UtilFuncs.h"

namespace app {

namespace {
const QString kSection = QStringLiteral("SYSTEM");
}

const std::array<const char*, kVideoFormatCount> kVideoFormatKeys = {"AVI", "MP4", "FLV", "SWF", "MPEG",
                                                                     "RM",  "WMV", "MOV", "3GP"};
const std::array<const char*, kDeviceFormatCount> kDeviceFormatKeys = {
    "IPOD", "IPHONE", "APPLETV", "PSP", "BLACKBERRY", "MOBILEPHONE", "IPAD"};
const std::array<const char*, kAudioFormatCount> kAudioFormatKeys = {"WAV", "MP3", "WMA",  "OGG",
                                                                     "AAC", "M4A", "FLAC", "MP2"};

std::optional<int> EditionProfile::SkinNumber() const {
    int32_t value = 0;
    if (!ParseIniInteger(Skin, &value)) return std::nullopt;
    return value;
}

QString EditionProfilePath(const QString& programDir) {
    return AddTrailingBackslash(programDir) + QStringLiteral("lame.dll");
}

QString ReadEditionTitle(const QString& path) {
    return IniFile(path).ReadString(kSection, QStringLiteral("Name"), QString());
}

EditionProfile ReadEditionProfile(const QString& path) {
    const IniFile ini(path);
    EditionProfile p;
    auto str = [&](const char* key, const QString& def) {
        return ini.ReadString(kSection, QLatin1String(key), def);
    };
    auto flag = [&](const char* key, bool def) { return ini.ReadBool(kSection, QLatin1String(key), def); };
    auto num = [&](const char* key) { return ini.ReadInteger(kSection, QLatin1String(key), 0); };

    p.Name = str("Name", QString());
    p.Version = str("Version", QString());
    p.Download = flag("Download", true);
    p.Video = flag("Video", true);
    p.Res = str("Res", QString());
    for (int i = 0; i < kVideoFormatCount; ++i)
        p.VideoFormats[i] = flag(kVideoFormatKeys[i], false);
    for (int i = 0; i < kDeviceFormatCount; ++i)
        p.DeviceFormats[i] = flag(kDeviceFormatKeys[i], false);
    for (int i = 0; i < kAudioFormatCount; ++i)
        p.AudioFormats[i] = flag(kAudioFormatKeys[i], false);
    p.DefaultVideo = num("DefaultVideo");
    p.DefaultDevice = num("DefaultDevice");
    p.DefaultAudio = num("DefaultAudio");
    p.DefaultClass = num("DefaultClass");
    p.Skin = str("Skin", QStringLiteral("0"));
    p.Merge = flag("Merge", false);
    p.Copyright = str("Copyright", QString());
    return p;
}

void ApplyProfileToGlobals(const EditionProfile& profile, TGlobalVars& vars) {
    vars.Download = profile.Download;
    vars.Video = profile.Video;
    vars.Merge = profile.Merge;
    vars.OutputFormatClass = (profile.DefaultClass >= 0 && profile.DefaultClass <= 2)
                                 ? uint8_t(profile.DefaultClass)
                                 : uint8_t(fcVideo);
    vars.OutputVideoFormat = uint8_t(profile.DefaultVideo & 0xFF);
    vars.OutputDeviceFormat = uint8_t(profile.DefaultDevice & 0xFF);
    vars.OutputAudioFormat = uint8_t(profile.DefaultAudio & 0xFF);
}

}  // namespace app
