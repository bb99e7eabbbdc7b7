// Walks the wizard through both paths with the real buttons of the main window (offscreen).
#include <gtest/gtest.h>

#include <QtTest/qtestspontaneevent.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTreeWidget>

#include "MediaClips.h"
#include "ModalAnswer.h"
#include "ProgramFolder.h"
#include "app/Globals.h"
#include "ui/ConversionPage.h"
#include "ui/Dialogs.h"
#include "ui/FormLog.h"
#include "ui/FormMain.h"
#include "ui/ImageButton.h"
#include "ui/InputGrid.h"
#include "ui/MainWizard.h"
#include "ui/WizardPages.h"
#include "wizard/JobBuilder.h"

using ui::TFormMain;

namespace {

// A short clip with audio made by the ffmpeg tool.
void MakeClip(const QString& path, const char* size, int seconds = 1) {
    const QString cmd = QStringLiteral(
                            "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=%1:rate=25 -f lavfi -i "
                            "sine=sample_rate=44100 -t %3 -c:v mpeg4 -c:a aac '%2'")
                            .arg(QLatin1String(size), path)
                            .arg(seconds);
    ASSERT_EQ(std::system(cmd.toLocal8Bit().constData()), 0) << cmd.toStdString();
}

const QByteArray kFormats = "AVI=1\nMP4=1\nMP3=1\nIPOD=1\n";

MediaClips& WizardClips() {
    static MediaClips clips;
    return clips;
}

QByteArray Edition(const QByteArray& keys) {
    return ProgramFolder::Profile("Name=Reelwright Video Converter\nVersion=2.1.0.5\n" + kFormats + keys);
}

// A started main window with the wizard attached, shown as the deferred start shows it.
struct Started {
    // The program entry makes the edition title the caption of every message box.
    static void SetTitle() { ui::SetApplicationTitle(QStringLiteral("Reelwright Video Converter")); }
    explicit Started(const QByteArray& profile) : program(profile), form((SetTitle(), program.dir())) {
        // As the program entry does: the log window takes the window's log lines.
        form.SetLogSink([this](const QString& line) { formLog.AppendLine(line); });
        form.SetLogWindow(&formLog);
        QCoreApplication::processEvents();  // DeferredStart
    }
    ui::TWizardPages& pages() { return form.Wizard()->Pages(); }
    QWidget* page() const { return form.PageControlMain->currentWidget(); }
    void Click(QWidget* button) {
        QTest::mouseClick(button, Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    // Clicks and answers the message box that the click opens; returns its text.
    QString ClickAnswering(QWidget* button, QMessageBox::StandardButton answer) {
        ModalAnswer box(answer);
        Click(button);
        EXPECT_TRUE(box.seen->shown);
        EXPECT_EQ(box.seen->title, "Reelwright Video Converter");
        return box.seen->text;
    }
    ProgramFolder program;
    ui::TFormLog formLog;
    TFormMain form;
};

TEST(MainWizard, DownloadPathWithTheRealButtons) {
    Started w(Edition("Download=1\n"));
    ASSERT_TRUE(w.form.isVisible());
    EXPECT_EQ(w.page(), w.form.TabSheetMode);
    EXPECT_EQ(w.form.LabelTitle->text(), "Welcome to Reelwright Video Converter! What do you want to do?");
    EXPECT_FALSE(w.form.ButtonBack->isEnabled());
    EXPECT_EQ(w.form.ActionExit->text(), "Exit");

    w.Click(w.form.ButtonNext);  // download is selected by default
    EXPECT_EQ(w.page(), w.form.TabSheetStep5);
    EXPECT_EQ(w.form.ActionNext->text(), "Download");
    EXPECT_EQ(w.pages().EditURLOutput->text(), app::GlobalVars().OutputURLDir);
    EXPECT_TRUE(w.pages().CheckBoxYouTubeQuality->isChecked());

    EXPECT_EQ(w.ClickAnswering(w.form.ButtonNext, QMessageBox::Ok),
              "Please Copy & Paste the YouTube video links you want to download.");
    EXPECT_EQ(w.page(), w.form.TabSheetStep5);

    new QTreeWidgetItem(w.pages().ListViewInputURL, {QStringLiteral("http://www.youtube.com/watch?v=abc")});
    w.pages().EditURLOutput->setText(w.program.home() + "/Downloads");
    // Nothing leaves the machine: through a proxy that is not there the link fails at once.
    qputenv("http_proxy", "http://127.0.0.1:9");
    qunsetenv("no_proxy");
    w.Click(w.form.ButtonNext);
    EXPECT_EQ(app::GlobalVars().OutputURLDir, w.program.home() + "/Downloads/");
    EXPECT_TRUE(QFileInfo(w.program.home() + "/Downloads").isDir());
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.page() == w.form.TabSheetStep7; }, 60000));
    EXPECT_EQ(w.form.LabelTitle->text(), "The downloading is finished.");
    EXPECT_EQ(w.pages().LabelURLTotalFiles->text(), "1");
    EXPECT_EQ(w.pages().LabelURLFailed->text(), "1");
    EXPECT_EQ(w.pages().ListViewInputURL->topLevelItemCount(), 0);

    EXPECT_EQ(w.ClickAnswering(w.pages().ButtonConvertDownloaded, QMessageBox::Ok),
              "No file downloaded! Please try again.");
    w.Click(w.form.ButtonNext);  // Finish
    EXPECT_EQ(w.page(), w.form.TabSheetMode);
    w.form.close();
}

TEST(MainWizard, ConvertPathWithTheRealButtons) {
    Started w(Edition("Download=1\n"));
    QTest::mouseClick(w.form.ImageConvertVideo, Qt::LeftButton);
    EXPECT_TRUE(w.form.RadioButtonConvertVideo->isChecked());
    w.Click(w.form.ButtonNext);
    EXPECT_EQ(w.page(), w.form.TabSheetStep1);
    EXPECT_TRUE(w.form.ButtonBack->isEnabled());
    EXPECT_EQ(w.form.ActionExit->text(), "Cancel");

    EXPECT_EQ(w.ClickAnswering(w.form.ButtonNext, QMessageBox::Ok),
              "Please add the video files you want to convert");
    const QString first = w.program.home() + "/first.mp4", second = w.program.home() + "/second.mp4";
    MakeClip(first, "64x48");
    MakeClip(second, "96x64");
    w.form.Wizard()->AddInputFiles({first, second});
    w.Click(w.form.ButtonNext);
    EXPECT_EQ(w.page(), w.form.TabSheetStep2);
    EXPECT_EQ(w.form.ActionNext->text(), "Convert");
    EXPECT_EQ(w.pages().EditOutputDir->text(), app::GlobalVars().OutputFileDir);

    // Back keeps the list; an emptied folder field is refused.
    w.Click(w.form.ButtonBack);
    EXPECT_EQ(w.page(), w.form.TabSheetStep1);
    EXPECT_EQ(w.pages().NextGrid->rowCount(), 2);
    w.Click(w.form.ButtonNext);
    w.pages().EditOutputDir->clear();
    EXPECT_EQ(w.ClickAnswering(w.form.ButtonNext, QMessageBox::Ok),
              "Fail to create directory! Please check if output folder have the right format!");
    EXPECT_EQ(w.page(), w.form.TabSheetStep2);

    w.pages().EditOutputDir->setText(w.program.home() + "/out");
    app::GlobalVars().PlayASoundWhenFinished = true;
    QStringList sounds;
    w.form.Wizard()->Conversion().Play = [&sounds](const QString& path) {
        sounds << QFileInfo(path).fileName();
    };
    QTest::mouseClick(w.form.ButtonNext, Qt::LeftButton);
    EXPECT_EQ(w.page(), w.form.TabSheetStep3);
    EXPECT_FALSE(w.form.ButtonNext->isEnabled());
    EXPECT_FALSE(w.form.ButtonBack->isEnabled());
    EXPECT_TRUE(w.pages().CheckBoxPlayASound->isChecked());
    // WM_CONVERT_START builds the jobs and converts both files; the end of the run shows the summary.
    QElapsedTimer clock;
    clock.start();
    while (w.page() != w.form.TabSheetStep4 && clock.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_EQ(w.page(), w.form.TabSheetStep4);
    EXPECT_EQ(w.form.ActionNext->text(), "Finish");
    EXPECT_FALSE(w.pages().MemoErrorLog->isVisibleTo(w.form.TabSheetStep4));
    EXPECT_EQ(w.pages().LabelFinishTotalFiles->text(), "2");
    EXPECT_EQ(w.pages().LabelFinishSuccessed->text(), "2");
    EXPECT_EQ(w.pages().LabelFinishFailed->text(), "0");
    EXPECT_EQ(sounds, QStringList{"done.wav"});
    ASSERT_EQ(w.pages().ListViewConverting->topLevelItemCount(), 2);
    EXPECT_EQ(w.pages().ListViewConverting->topLevelItem(1)->text(2), "Finish.");
    EXPECT_EQ(w.pages().ListViewConverting->topLevelItem(1)->text(3), "100%");
    const QString ext =
        wizard::OutputExtension(wizard::OutputChoice::FromGlobals(app::GlobalVars()).FormatClass,
                                wizard::OutputChoice::FromGlobals(app::GlobalVars()).FormatIndex);
    EXPECT_EQ(QDir(w.program.home() + "/out").entryList(QDir::Files),
              (QStringList{"first" + ext, "second" + ext}));

    w.Click(w.form.ButtonNext);
    EXPECT_EQ(w.page(), w.form.TabSheetMode);
    EXPECT_EQ(w.pages().NextGrid->rowCount(), 0);
    w.form.close();
}

TEST(MainWizard, ExitOnStep2AsksAndEmptiesTheList) {
    Started w(Edition("Download=1\n"));
    w.form.RadioButtonConvertVideo->setChecked(true);
    w.Click(w.form.ButtonNext);
    w.form.Wizard()->AddInputFiles({WizardClips().Path("video.mp4"), WizardClips().Path("audio.flac")});
    w.Click(w.form.ButtonNext);
    EXPECT_EQ(w.ClickAnswering(w.form.ButtonExit, QMessageBox::No), "Are you sure to cancel?");
    EXPECT_EQ(w.page(), w.form.TabSheetStep2);
    EXPECT_EQ(w.ClickAnswering(w.form.ButtonExit, QMessageBox::Yes), "Are you sure to cancel?");
    EXPECT_EQ(w.page(), w.form.TabSheetMode);
    EXPECT_EQ(w.pages().NextGrid->rowCount(), 0);
    w.form.close();
}

TEST(MainWizard, AltF4OnTheConversionPageAsksAndStays) {
    Started w(Edition("Download=1\n"));
    w.form.PageControlMain->setCurrentWidget(w.form.TabSheetStep3);
    EXPECT_EQ(w.form.ActionExit->text(), "Cancel");
    ModalAnswer box(QMessageBox::No);
    QTest::keyClick(&w.form, Qt::Key_F4, Qt::AltModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(box.seen->text, "Do you really want to cancel the conversion?");
    EXPECT_TRUE(w.form.isVisible());
    EXPECT_EQ(w.page(), w.form.TabSheetStep3);
    w.form.close();
}

TEST(MainWizard, WindowManagerCloseRunsThePagesExit) {
    // Window managers take Alt+F4 themselves and ask the window to close.
    Started w(Edition("Download=1\n"));
    QSignalSpy closed(&w.form, &TFormMain::Closed);
    auto closeFromWindowManager = [&w] {
        QCloseEvent event;
        QSpontaneKeyEvent::setSpontaneous(&event);
        static_cast<QObject&>(w.form).event(&event);  // sendEvent would clear the spontaneous mark
        return event.isAccepted();
    };

    w.form.PageControlMain->setCurrentWidget(w.form.TabSheetStep3);
    EXPECT_FALSE(closeFromWindowManager());
    {
        ModalAnswer box(QMessageBox::Yes);
        QCoreApplication::processEvents();
        EXPECT_EQ(box.seen->text, "Do you really want to cancel the conversion?");
    }
    EXPECT_EQ(closed.count(), 0);
    EXPECT_EQ(w.page(), w.form.TabSheetStep3);

    w.form.PageControlMain->setCurrentWidget(w.form.TabSheetMode);
    EXPECT_FALSE(closeFromWindowManager());
    {
        ModalAnswer box(QMessageBox::Yes);
        QCoreApplication::processEvents();
        EXPECT_EQ(box.seen->text, "Are you sure to quit now?");
    }
    EXPECT_EQ(closed.count(), 1);
}

TEST(MainWizard, CloseBoxClosesWithoutAQuestionOnAnyPage) {
    Started w(Edition("Download=1\n"));
    w.form.PageControlMain->setCurrentWidget(w.form.TabSheetStep6);
    QSignalSpy closed(&w.form, &TFormMain::Closed);
    w.Click(w.form.ButtonClose);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(MainWizard, TheCloseBoxDuringAConversionStopsItWithoutASummaryAndLeavesNoPartialFile) {
    Started w(Edition("Download=0\n"));
    const QString clip = w.program.home() + "/long.mp4";
    // Long enough that the conversion is still running when the window closes, even on a fast machine.
    MakeClip(clip, "320x240", 120);
    w.form.Wizard()->AddInputFiles({clip});
    w.Click(w.form.ButtonNext);
    w.pages().EditOutputDir->setText(w.program.home() + "/out");
    QTest::mouseClick(w.form.ButtonNext, Qt::LeftButton);
    ASSERT_EQ(w.page(), w.form.TabSheetStep3);
    QElapsedTimer clock;
    clock.start();
    QTreeWidget* rows = w.pages().ListViewConverting;
    while (!(rows->topLevelItemCount() == 1 && rows->topLevelItem(0)->text(2) == "Converting...") &&
           clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(rows->topLevelItem(0)->text(2), "Converting...");

    QSignalSpy closed(&w.form, &TFormMain::Closed);
    w.Click(w.form.ButtonClose);
    EXPECT_EQ(closed.count(), 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(w.page(), w.form.TabSheetStep3);  // no end-of-run step followed
    // The stopped task's notice may still be on its way; its unfinished file goes when it arrives.
    const QDir out(w.program.home() + "/out");
    clock.restart();
    while (!out.entryList(QDir::Files).isEmpty() && clock.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(out.entryList(QDir::Files).isEmpty()) << out.entryList(QDir::Files).join(", ").toStdString();
}

TEST(MainWizard, ConvertOnlyEditionStartsOnStep1AndExitQuits) {
    Started w(Edition("Download=0\n"));
    EXPECT_EQ(w.page(), w.form.TabSheetStep1);
    EXPECT_FALSE(w.form.ButtonBack->isEnabled());
    EXPECT_EQ(w.form.ActionExit->text(), "Exit");
    QSignalSpy closed(&w.form, &TFormMain::Closed);
    EXPECT_EQ(w.ClickAnswering(w.form.ButtonExit, QMessageBox::Yes), "Are you sure to quit now?");
    EXPECT_EQ(closed.count(), 1);
}

TEST(MainWizard, MergeEditionJoins) {
    Started w(Edition("Download=0\nMerge=1\n"));
    w.form.Wizard()->AddInputFiles({WizardClips().Path("video.mp4")});
    w.Click(w.form.ButtonNext);
    EXPECT_EQ(w.page(), w.form.TabSheetStep2);
    EXPECT_EQ(w.form.ActionNext->text(), "Join Now");
    w.form.close();
}

TEST(MainWizard, LogButtonShowsTheLogWindowWithStartUpLines) {
    Started w(Edition("Download=1\n"));
    w.form.LogLine(QStringLiteral("File load error: broken.avi"));
    w.Click(w.form.ButtonLog);
    ui::TFormLog* log = &w.formLog;
    EXPECT_TRUE(log->isVisible());
    EXPECT_TRUE(log->Lines().contains("File load error: broken.avi"));
    w.form.close();
    EXPECT_FALSE(log->isVisible());
}

TEST(MainWizard, TheSummaryWrapsLongMessagesInsteadOfCuttingThem) {
    Started w(Edition(""));
    const QString warning = QStringLiteral(
        "File (0): the input ended early: 3.9 s of its 6.0 s; the output holds what could be read, and the "
        "rest of the file was left out");
    w.form.Wizard()->ShowErrorLog({warning, QStringLiteral("File (1): short")});
    w.form.PageControlMain->setCurrentWidget(w.form.TabSheetStep4);
    QPlainTextEdit* memo = w.pages().MemoErrorLog;
    ASSERT_TRUE(memo->isVisible());
    QCoreApplication::processEvents();
    EXPECT_EQ(memo->horizontalScrollBar()->maximum(), 0);  // nothing lies beyond the right edge
    EXPECT_GT(memo->document()->firstBlock().layout()->lineCount(), 1);
    EXPECT_EQ(memo->toPlainText(), warning + "\nFile (1): short");  // the text itself is unchanged
    w.form.close();
}

TEST(MainWizard, TheDownloadListShowsStatusSizeSpeedAndProgressWithoutScrolling) {
    Started w(Edition("Download=1\n"));
    w.form.PageControlMain->setCurrentWidget(w.form.TabSheetStep6);
    QTreeWidget* list = w.pages().ListViewURLDownload;
    // Enough rows for the vertical scroll bar, which takes its width from the columns' room.
    for (int i = 0; i < 30; ++i)
        new QTreeWidgetItem(list, {QStringLiteral("https://www.youtube.com/watch?v=%1").arg(i),
                                   QStringLiteral("Getting YouTube URLs, please wait..."), "12.34MB",
                                   "1234.56 KB/s", "100%", "..."});
    QCoreApplication::processEvents();
    QHeaderView* header = list->header();
    ASSERT_EQ(header->count(), 6);
    const int visible = list->viewport()->width();
    for (int column = 1; column <= 4; ++column) {
        EXPECT_LE(header->sectionPosition(column) + header->sectionSize(column), visible)
            << list->headerItem()->text(column).toStdString();
        EXPECT_GE(header->sectionSize(column), list->fontMetrics().horizontalAdvance("100%"));
    }
    // The figures fit their columns whole.
    EXPECT_GE(header->sectionSize(3), list->fontMetrics().horizontalAdvance("1234.56 KB/s"));
    EXPECT_GE(header->sectionSize(0), 150);  // Name gave up width, not all of it
    EXPECT_GT(header->sectionSize(5), 0);    // URL is still there, beyond the rest
    list->clear();
    w.form.close();
}

}  // namespace
