#pragma once
// The edition profile: the INI file "lame.dll" beside the executable, section "SYSTEM". It says what an
// edition offers (title, version, download path, formats, defaults, skin, joining). Read at every start,
// never written.

#include <QString>
#include <array>
#include <optional>

#include "app/Globals.h"

namespace app {

// Profile keys of the format buttons, in each class's button order.
extern const std::array<const char*, kVideoFormatCount> kVideoFormatKeys;    // AVI ... 3GP
extern const std::array<const char*, kDeviceFormatCount> kDeviceFormatKeys;  // IPOD ... IPAD
extern const std::array<const char*, kAudioFormatCount> kAudioFormatKeys;    // WAV ... MP2

struct EditionProfile {
    QString Name;     // application title
    QString Version;  // shown as "Version: %s"
    bool Download = true;
    bool Video = true;
    QString Res;  // suffix of the skin folder name
    std::array<bool, kVideoFormatCount> VideoFormats{};
    std::array<bool, kDeviceFormatCount> DeviceFormats{};
    std::array<bool, kAudioFormatCount> AudioFormats{};
    int32_t DefaultVideo = 0;
    int32_t DefaultDevice = 0;
    int32_t DefaultAudio = 0;
    int32_t DefaultClass = 0;
    QString Skin = QStringLiteral("0");  // a string that must hold an integer
    bool Merge = false;
    QString Copyright;

    // The skin layout number; empty when "Skin" is not an integer (a start-up error).
    std::optional<int> SkinNumber() const;
};

// programDir + delimiter when missing + "lame.dll".
QString EditionProfilePath(const QString& programDir);

// A missing file or key, or a value that is not an integer, gives the default.
EditionProfile ReadEditionProfile(const QString& path);

// Only "Name" (the program entry reads the title before anything else).
QString ReadEditionTitle(const QString& path);

// Download, Video and Merge flags; class ("DefaultClass" when 0..2, else 0) and the low 8 bits of the
// three default format indices.
void ApplyProfileToGlobals(const EditionProfile& profile, TGlobalVars& vars);

}  // namespace app
