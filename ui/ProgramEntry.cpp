#include "ui/ProgramEntry.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QPointer>

#include "app/EditionBranding.h"
#include "app/EditionProfile.h"
#include "app/Folders.h"
#include "app/QtDispatcher.h"
#include "app/TerminationSignals.h"
#include "app/UtilFuncs.h"
#include "core/FileLimit.h"
#include "core/NumericLocale.h"
#include "ui/Dialogs.h"
#include "ui/FormMain.h"
#include "ui/MainWizard.h"
#include "wizard/InputFiles.h"

#include "engine/FFLog.h"
#include "ui/FFLoggerLog.h"
#include "ui/FormLog.h"
#include "ui/HelpMenu.h"

namespace ui {

namespace {

QIcon EditionIcon(const QString& programDir, const QString& title) {
    // No matching row keeps the program's own icon.
    QString name = app::EditionIconName(title);
    if (name.isEmpty()) name = QStringLiteral("reelwright");
    const QString path =
        app::AddTrailingBackslash(programDir) + QStringLiteral("icons/") + name + QStringLiteral(".png");
    return QFileInfo::exists(path) ? QIcon(path) : QIcon();
}

// Owns the main window unless something else has destroyed it first.
struct MainWindowOwner {
    QPointer<TFormMain> window;
    ~MainWindowOwner() { delete window.data(); }
};

}  // namespace

int RunProgram(int argc, char** argv) {
    core::RaiseOpenFileLimit();  // a large batch holds files of several tasks
    QApplication application(argc, argv);
    core::KeepCNumericLocale();
    QApplication::setApplicationName(QStringLiteral("reelwright"));
    // The program ends with its main window, never because some other window was the last one closed.
    QApplication::setQuitOnLastWindowClosed(false);
    // A logout, Ctrl+C or a closed terminal end the program from wherever it stands.
    app::TerminationSignals terminationSignals;
    app::QtDispatcher dispatcher;
    core::setMainDispatcher(&dispatcher);

    // The title from the edition profile.
    const QString programDir = app::ProgramFolder();
    const QString title = app::ReadEditionTitle(app::EditionProfilePath(programDir));
    // The message boxes' caption. Qt's application display name stays unset: Qt would append it to every
    // window's caption, and the captions are the program's own ("Log", "About ").
    SetApplicationTitle(title);
    // The edition's icon.
    QApplication::setWindowIcon(EditionIcon(programDir, title));

    const int status = RunMainWindow(programDir, title, terminationSignals);
    core::setMainDispatcher(nullptr);
    return status;
}

int RunMainWindow(const QString& programDir, const QString& title,
                  app::TerminationSignals& terminationSignals) {
    // Until the main window takes termination signals over, one that arrives (while start-up shows a
    // message, say) answers every open dialog as cancelled and is kept: the program then ends as soon as
    // the window exists, without opening it.
    bool terminationPending = false;
    const QMetaObject::Connection early =
        QObject::connect(&terminationSignals, &app::TerminationSignals::Received, [&terminationPending] {
            terminationPending = true;
            CancelOpenDialogs();
        });
    struct Disconnect {
        QMetaObject::Connection connection;
        ~Disconnect() { QObject::disconnect(connection); }
    } disconnectEarly{early};

    // The main window (its creation runs the start-up sequence) and the log window.
    MainWindowOwner owner;
    try {
        owner.window = new TFormMain(programDir);
    } catch (const StartupError& e) {
        ShowError(nullptr, QString::fromStdString(e.what()));
        return 1;
    }
    TFormMain* main = owner.window;
    // The log window collects the start-up's lines (kept by the main window until now) and the
    // engine's messages; the help menu belongs to ButtonHelp.
    TFormLog formLog;
    main->SetLogSink([&formLog](const QString& line) { formLog.AppendLine(line); });
    main->SetLogWindow(&formLog);
    formLog.AskDelete = [&formLog] {
        return int(MessageDialogEx(QStringLiteral("Really delete log file?"), QStringLiteral("Delete log?"),
                                   mtConfirmation, -1, {},
                                   QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, &formLog));
    };
    engine::TFFLogger logger;
    QPointer<TFormMain> mainAlive(main);
    ConnectFFLoggerLog(logger, formLog, [mainAlive](uint32_t threadId) {
        return mainAlive && mainAlive->Wizard() ? mainAlive->Wizard()->ConversionRun().FileOfThread(threadId)
                                                : -1;
    });
    const bool compactAbout = main->Branding() && main->Branding()->CompactAbout;
    THelpMenu helpMenu(main, main->PopupMenuHelp, main->ActionMoreFreeTools, title, programDir, compactAbout,
                       &OpenInShell);
    QObject::connect(main, &TFormMain::Closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    QObject::connect(main, &QObject::destroyed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    QObject::disconnect(early);
    QObject::connect(&terminationSignals, &app::TerminationSignals::Received, main,
                     &TFormMain::CloseWithoutQuestions);
    if (terminationPending) {
        main->CloseWithoutQuestions();
    } else {
        // Without the media libraries start-up stops early and posts no DeferredStart; the window still
        // opens.
        if (!main->StartupCompleted()) main->show();
        // Files named on the command line (a desktop's "Open with") are listed on Step1 once the window is
        // up, so a failed-files dialog has a window to sit over.
        const QStringList files =
            wizard::FilesFromCommandLine(QApplication::arguments(), QDir::currentPath());
        if (!files.isEmpty()) {
            QMetaObject::invokeMethod(
                main, [main, files] { main->Wizard()->OpenWithFiles(files); }, Qt::QueuedConnection);
        }
    }
    return QApplication::exec();
}

}  // namespace ui
