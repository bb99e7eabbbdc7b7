#include "app/Startup.h"

#include "app/Folders.h"
#include "app/MediaLibraries.h"
#include "app/SettingsStore.h"
#include "app/UtilFuncs.h"

namespace app {

Edition ReadEdition(const QString& programDir, TGlobalVars& globals) {
    const QString path = EditionProfilePath(programDir);
    Edition edition;
    edition.profile = ReadEditionProfile(path);
    const std::optional<int> skin = edition.profile.SkinNumber();
    if (!skin) {
        throw StartupError(
            QStringLiteral("\"%1\" is not a valid skin number (key \"Skin\" of the edition profile %2).")
                .arg(edition.profile.Skin, path)
                .toStdString());
    }
    edition.skinNumber = *skin;
    ApplyProfileToGlobals(edition.profile, globals);
    return edition;
}

bool LoadMediaLibrariesOnce(const QString& folder, QString* message) {
    return MediaLibrariesLoaded() || LoadMediaLibraries(folder, message);
}

StartupOutcome RunStartup(TGlobalVars& g, const QString& programDir, const QString& title, StartupView& view,
                          const StartupSteps& steps) {
    StartupOutcome outcome;
    g.SettingsFolder = EnsureSettingsFolder(GetSpecialFolder(QStringLiteral("AppData")), title);
    // The three folder settings start at the user's documents.
    const QString personal = GetSpecialFolder(QStringLiteral("Personal"));
    g.LastOpenDir = g.OutputFileDir = g.OutputURLDir = personal;
    // Preset and preference defaults; no stream addresses yet.
    g.SetPresetDefaults();
    g.ClearStreamSlots();
    // The user's settings; a first start writes them.
    QString saveError, readError;
    outcome.settingsExisted = LoadSettings(g, &saveError, &readError);
    if (!outcome.settingsExisted) {
        if (!saveError.isEmpty()) view.StartupLog(saveError);
        view.FirstStart();
    }
    outcome.settingsUnreadable = !readError.isEmpty();
    if (outcome.settingsUnreadable) view.SettingsUnreadable(readError);
    view.SettingsLoaded();
    // Without the media libraries the window still opens, and conversions fail later.
    if (steps.loadLibraries) {
        QString message;
        if (!steps.loadLibraries(EngineLibraryFolder(programDir), &message)) {
            view.StartupLog(message);
            return outcome;
        }
    }
    // The presets the libraries cannot serve, rather than a failure at conversion time, and those served
    // with a stand-in for what their label promises.
    if (steps.presetNotes) {
        for (const QString& line : steps.presetNotes())
            view.StartupLog(line);
    }
    outcome.completed = true;
    return outcome;
}

}  // namespace app
