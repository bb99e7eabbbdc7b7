#pragma once
// The main window started as the program entry starts it (edition profile, skin, log window attached,
// deferred start run), on the offscreen platform, with a home folder of its own.

#include <QApplication>
#include <QCoreApplication>
#include <QRadioButton>
#include <QTabWidget>

#include "ProgramFolder.h"
#include "ui/Dialogs.h"
#include "ui/FormLog.h"
#include "ui/FormMain.h"

struct StartedWindow {
    static QByteArray Edition(const QByteArray& keys) {
        return ProgramFolder::Profile(
            "Name=Reelwright Video Converter\nVersion=2.1.0.5\nAVI=1\nMP4=1\nMP3=1\n" + keys);
    }
    // The program entry makes the edition title the caption of every message box.
    static QString SetTitle() {
        ui::SetApplicationTitle(QStringLiteral("Reelwright Video Converter"));
        return QString();
    }
    explicit StartedWindow(const QByteArray& profile) : program(profile), form((SetTitle(), program.dir())) {
        form.SetLogSink([this](const QString& line) { formLog.AppendLine(line); });
        form.SetLogWindow(&formLog);
        QCoreApplication::processEvents();  // DeferredStart shows the window
    }
    QWidget* page() const { return form.PageControlMain->currentWidget(); }

    ProgramFolder program;
    ui::TFormLog formLog;
    ui::TFormMain form;
};
