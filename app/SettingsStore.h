#pragma once
// The user's settings: "system.dat" in the settings folder, section "System" for TGlobalVars and the
// sections "Form" and "FormLog" for the placement of the main and the log window. Read once at start-up,
// written when the main window closes (and at start-up when the file does not exist yet).

#include <QString>
#include <utility>
#include <vector>

#include "app/Globals.h"

namespace app {

QString SettingsFileName(const TGlobalVars& vars);  // SettingsFolder + "system.dat"

// Reads every key of section "System" with the current field value as its default; a value that is not
// an integer counts as missing, byte fields keep their low 8 bits, and a value outside its field's range
// (a format or quality type that does not exist, a preset index below -1) keeps the default. When the
// file does not exist it is written with the current values (saveError receives a failure) and the
// result is false. A file that exists but cannot be read is left alone: the values stay, readError
// receives a message for the user, and the result is false.
bool LoadSettings(TGlobalVars& vars, QString* saveError = nullptr, QString* readError = nullptr);

// Writes every key of section "System". On failure returns false with a message for the user.
bool SaveSettings(const TGlobalVars& vars, QString* error = nullptr);

// A window's place on the screen, without any toolkit type.
struct WindowPlacement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool maximized = false;
};

// Reads the placement of a section and keeps it on a screen of the given size: the stored size is
// clamped to the screen, then the position is moved so the window fits, then it is kept at 0 or more.
// Missing keys default to `current`. A size of 0 or less, or a window with no part on the screen, is
// not restored: the result is `current`'s size centred on the screen. An empty or blank file name means
// the settings file.
WindowPlacement LoadPlacement(const QString& section, const WindowPlacement& current, int screenWidth,
                              int screenHeight, const QString& file = QString());

// Writes "x", "y", "height", "width" and then "maximized".
bool SavePlacement(const QString& section, const WindowPlacement& placement, const QString& file = QString(),
                   QString* error = nullptr);

// What the main window stores when it closes: section "System" and the placement sections, in one read
// and one replacement of the settings file.
using SectionPlacement = std::pair<QString, WindowPlacement>;
bool SaveSettingsAndPlacements(const TGlobalVars& vars, const std::vector<SectionPlacement>& placements,
                               QString* error = nullptr);

}  // namespace app
