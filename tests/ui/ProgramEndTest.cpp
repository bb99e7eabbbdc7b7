// How the program ends: only through the main window's close path. The log window hides; termination
// signals and a destroyed main window run the close path without questions and save the settings.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QtTest/qtestspontaneevent.h>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <functional>

#include "MediaClips.h"
#include "StartedWindow.h"
#include "app/Globals.h"
#include "app/IniFile.h"
#include "app/SettingsStore.h"
#include "app/TerminationSignals.h"
#include "ui/Dialogs.h"
#include "ui/MainWizard.h"
#include "ui/ProgramEntry.h"
#include "ui/WizardPages.h"

namespace {

constexpr int kStillRunning = 7;

// Runs the application's event loop, does what `act` does inside it, and reports whether anything asked
// the application to quit before a later posted step could end the loop with kStillRunning.
bool QuitsTheProgram(const std::function<void()>& act) {
    QTimer::singleShot(0, [act] {
        act();
        QTimer::singleShot(0, [] { QCoreApplication::exit(kStillRunning); });
    });
    return QApplication::exec() != kStillRunning;
}

void CloseFromWindowManager(QWidget* window) {
    QCloseEvent event;
    QSpontaneKeyEvent::setSpontaneous(&event);
    static_cast<QObject*>(window)->event(&event);  // sendEvent would clear the spontaneous mark
}

QString Setting(const QString& section, const QString& key) {
    return app::IniFile(app::SettingsFileName(app::GlobalVars())).ReadString(section, key, QString());
}

TEST(ProgramEnd, LogWindowHidesAndTheProgramStaysWhicheverWayItIsClosed) {
    struct Way {
        const char* name;
        std::function<void(ui::TFormLog&)> close;
    };
    const Way ways[] = {
        {"OK", [](ui::TFormLog& log) { QTest::mouseClick(log.ButtonOK, Qt::LeftButton); }},
        {"Enter", [](ui::TFormLog& log) { QTest::keyClick(log.ButtonOK, Qt::Key_Return); }},
        {"Esc", [](ui::TFormLog& log) { QTest::keyClick(&log, Qt::Key_Escape); }},
        {"window manager", [](ui::TFormLog& log) { CloseFromWindowManager(&log); }},
    };
    StartedWindow w(StartedWindow::Edition("Download=1\n"));
    ASSERT_TRUE(w.form.isVisible());
    w.form.LogLine(QStringLiteral("kept line"));
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        QSignalSpy closed(&w.form, &ui::TFormMain::Closed);
        const bool quit = QuitsTheProgram([&] {
            w.form.ActionLog->trigger();
            ASSERT_TRUE(w.formLog.isVisible());
            // The keys go to the log window once it is active, as a person's do (the main window took the
            // keyboard back when the log window last hid).
            ASSERT_TRUE(QTest::qWaitForWindowActive(&w.formLog));
            way.close(w.formLog);
        });
        EXPECT_FALSE(quit);
        EXPECT_FALSE(w.formLog.isVisible());
        EXPECT_TRUE(w.form.isVisible());
        EXPECT_EQ(closed.count(), 0);
        EXPECT_TRUE(w.formLog.Lines().contains("kept line"));
    }
    w.form.close();
}

TEST(ProgramEnd, TerminationSignalsCloseWithoutQuestionsAndSaveTheSettings) {
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signalNumber);
        StartedWindow w(StartedWindow::Edition("Download=1\n"));
        app::TerminationSignals termination;
        QObject::connect(&termination, &app::TerminationSignals::Received, &w.form,
                         &ui::TFormMain::CloseWithoutQuestions);
        QSignalSpy closed(&w.form, &ui::TFormMain::Closed);

        // Step2 with two files and the audio class chosen, the window moved.
        w.form.RadioButtonConvertVideo->setChecked(true);
        w.form.ActionNext->trigger();
        w.form.Wizard()->AddInputFiles(
            {MediaClips::Shared().Path("a.mp4"), MediaClips::Shared().Path("b.mp4")});
        w.form.ActionNext->trigger();
        ASSERT_EQ(w.page(), w.form.TabSheetStep2);
        app::GlobalVars().OutputFormatClass = app::fcAudio;
        w.form.move(31, 17);  // the offscreen screen is small; a place that needs no clamping

        // The signal arrives while Exit's question is on the screen: the question goes away unanswered,
        // nothing is emptied, and the window closes without a further box.
        bool questionWasUp = false;
        QTimer::singleShot(0, [&questionWasUp, signalNumber] {
            QTimer::singleShot(0, [&questionWasUp, signalNumber] {
                questionWasUp = QApplication::activeModalWidget() != nullptr;
                std::raise(signalNumber);
            });
        });
        // Should the box stay, it is taken away after a generous while, so the test fails instead of hanging.
        QTimer safety;
        safety.setSingleShot(true);
        QObject::connect(&safety, &QTimer::timeout, [] {
            if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) box->reject();
        });
        safety.start(20000);
        w.form.ActionExit->trigger();
        for (int i = 0; i < 200 && closed.count() == 0; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        safety.stop();

        EXPECT_TRUE(questionWasUp);
        EXPECT_EQ(closed.count(), 1);
        EXPECT_FALSE(w.form.isVisible());
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_EQ(w.form.Wizard()->InputRowCount(), 2);
        EXPECT_EQ(Setting("System", "OutputFormatClass"), "2");
        EXPECT_EQ(Setting("Form", "x"), "31");
        EXPECT_EQ(Setting("Form", "y"), "17");

        // The next start opens where the window was.
        ui::TFormMain next(w.program.dir());
        EXPECT_EQ(next.pos(), QPoint(31, 17));
        EXPECT_EQ(app::GlobalVars().OutputFormatClass, app::fcAudio);
        next.close();
    }
}

TEST(ProgramEnd, ASettingsFifoIsRefusedAndASignalDuringTheStartUpMessageEndsTheProgram) {
    // "system.dat" is a FIFO: start-up does not wait on it, says once that it cannot be read, and a
    // termination signal that arrives while that message is up ends the program without opening the window.
    for (const int signalNumber : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signalNumber);
        ProgramFolder program(StartedWindow::Edition("Download=1\n"));
        StartedWindow::SetTitle();
        const QString title = QStringLiteral("Reelwright Video Converter");
        const QString settingsFolder = program.home() + "/.config/" + title;
        ASSERT_TRUE(QDir().mkpath(settingsFolder));
        const QString settingsFile = settingsFolder + "/system.dat";
        ASSERT_EQ(::mkfifo(QFile::encodeName(settingsFile).constData(), 0600), 0);
        app::TerminationSignals termination;

        QString message;
        QTimer watch;  // raises the signal once the message is on the screen
        QObject::connect(&watch, &QTimer::timeout, [&message, signalNumber] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !message.isEmpty()) return;
            message = box->text();
            std::raise(signalNumber);
        });
        watch.start(10);
        // Should the program run on, it is ended after a generous while, so the test fails instead of
        // hanging.
        QTimer safety;
        QObject::connect(&safety, &QTimer::timeout, [] {
            ui::CancelOpenDialogs();
            QCoreApplication::exit(kStillRunning);
        });
        safety.start(30000);
        const int status = ui::RunMainWindow(program.dir(), title, termination);
        safety.stop();
        watch.stop();

        EXPECT_TRUE(message.contains("cannot be read (not a regular file)")) << message.toStdString();
        EXPECT_EQ(status, 0);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        const QFileInfo left(settingsFile);
        EXPECT_TRUE(left.exists() && !left.isFile());  // left as it was
    }
}

TEST(ProgramEnd, SignalHandlersAreGivenBackAfterwards) {
    struct sigaction before = {};
    sigaction(SIGTERM, nullptr, &before);
    {
        app::TerminationSignals termination;
        struct sigaction during = {};
        sigaction(SIGTERM, nullptr, &during);
        EXPECT_NE(during.sa_handler, before.sa_handler);
        EXPECT_THROW(app::TerminationSignals second, std::logic_error);
    }
    struct sigaction after = {};
    sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

TEST(ProgramEnd, DestroyedMainWindowEndsAsOnCloseAndSaves) {
    ProgramFolder program(StartedWindow::Edition("Download=1\n"));
    StartedWindow::SetTitle();
    auto* form = new ui::TFormMain(program.dir());
    QCoreApplication::processEvents();
    form->move(45, 67);
    QSignalSpy closed(form, &ui::TFormMain::Closed);
    QObject::connect(
        form, &QObject::destroyed, qApp, [] { QCoreApplication::exit(kStillRunning + 1); },
        Qt::QueuedConnection);
    QTimer::singleShot(0, form, &QObject::deleteLater);
    EXPECT_EQ(QApplication::exec(), kStillRunning + 1);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(Setting("Form", "x"), "45");
}

}  // namespace
