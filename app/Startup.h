#pragma once
// Start-up: the sequence that runs before the main window shows, with no window of its own. It reads the
// edition profile, derives the settings folder, sets the defaults, reads the user's settings, loads the media
// libraries and notes the presets the libraries cannot serve as labelled. What the user must be told comes
// back through StartupView in the order it happens; the window only shows it.

#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>

#include "app/EditionProfile.h"
#include "app/Globals.h"

namespace app {

// A start-up that cannot complete (a missing skin image, a "Skin" value that is not an integer). The program
// reports the message and exits with a non-zero status; no window is shown.
class StartupError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The edition as start-up reads it: the profile beside the program and its skin layout number.
struct Edition {
    EditionProfile profile;
    int skinNumber = 0;
};

// Reads the edition profile beside programDir and puts its flags, class and default formats into the
// global record. A "Skin" value that is not an integer throws StartupError naming the value and the file.
Edition ReadEdition(const QString& programDir, TGlobalVars& globals);

// What start-up tells the window. Every call comes on the main thread, before the window is shown.
class StartupView {
public:
    virtual ~StartupView() = default;
    // A line for the log window (kept until the log window exists).
    virtual void StartupLog(const QString& line) = 0;
    // No stored settings were read (a first start, whose file has just been written, or an unreadable
    // file): the window opens centred.
    virtual void FirstStart() = 0;
    // The settings file exists but cannot be read: said once; it is never written over in this run.
    virtual void SettingsUnreadable(const QString& message) = 0;
    // The global record holds the user's settings: the window shows them (pages, lists, its placement).
    virtual void SettingsLoaded() = 0;
};

// The steps of start-up that reach past app/: loading the media libraries and checking the preset table.
struct StartupSteps {
    // Loads the media libraries from the folder when they are not loaded yet; false with the loader's
    // message when they cannot be.
    std::function<bool(const QString& folder, QString* message)> loadLibraries;
    // One line per preset the libraries cannot serve, then per format served with a stand-in.
    std::function<QStringList()> presetNotes;
};

// The libraries' step as the program runs it.
bool LoadMediaLibrariesOnce(const QString& folder, QString* message);

struct StartupOutcome {
    bool settingsExisted = false;     // a settings file was there and was read
    bool settingsUnreadable = false;  // there but unreadable: the run must not save the settings
    bool completed = false;           // false when the libraries could not be loaded: the rest was skipped
};

// Settings folder, folder defaults, preset and preference defaults, the user's settings, the libraries and
// the preset notes, in that order. title names the settings folder; programDir holds the library folder.
StartupOutcome RunStartup(TGlobalVars& globals, const QString& programDir, const QString& title,
                          StartupView& view, const StartupSteps& steps);

}  // namespace app
