// The download path in the started main window (offscreen) against the loopback stand-in of the service:
// pasting links, the quality group and its dialog, a whole run to the summary and the hand-over to Step1,
// and cancelling a run with Exit.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "ModalAnswer.h"
#include "ProgramFolder.h"
#include "ServiceStandIn.h"
#include "app/Globals.h"
#include "download/Quality.h"
#include "ui/Dialogs.h"
#include "ui/DownloadPage.h"
#include "ui/FormLog.h"
#include "ui/FormMain.h"
#include "ui/FormYouTubeHQ.h"
#include "ui/ImageButton.h"
#include "ui/InputGrid.h"
#include "ui/MainWizard.h"
#include "ui/WizardPages.h"

using reeltest::ServiceStandIn;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A one-second clip of 64x48 made by the ffmpeg tool, so the downloaded files are media that play.
QByteArray Clip(const QString& dir, const QString& name, const QStringList& codecs) {
    const QString path = dir + "/" + name;
    QStringList args{"-v", "error", "-y", "-f",   "lavfi", "-i", "testsrc=size=64x48:rate=10",
                     "-f", "lavfi", "-i", "sine", "-t",    "1"};
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", args + codecs + QStringList{path});
    EXPECT_TRUE(ffmpeg.waitForFinished(60000));
    EXPECT_EQ(ffmpeg.exitCode(), 0) << ffmpeg.readAllStandardError().toStdString();
    return ReadAll(path);
}

// The started main window on the download path, with every request going to the stand-in.
struct DownloadWindow {
    static void SetTitle() { ui::SetApplicationTitle(QStringLiteral("Reelwright Video Converter")); }
    DownloadWindow()
        : program(ProgramFolder::Profile("Name=Reelwright Video Converter\nVersion=2.1.0.5\nAVI=1\nMP4=1\n"
                                         "Download=1\n")),
          form((SetTitle(), program.dir())) {
        qputenv("http_proxy", standIn.ProxyAddress().c_str());
        qunsetenv("no_proxy");
        qunsetenv("NO_PROXY");
        form.SetLogSink([this](const QString& line) { formLog.AppendLine(line); });
        form.SetLogWindow(&formLog);
        QCoreApplication::processEvents();  // DeferredStart
        Click(form.ButtonNext);             // download is selected by default
        EXPECT_EQ(form.PageControlMain->currentWidget(), form.TabSheetStep5);
        pages().EditURLOutput->setText(Folder());
    }
    ~DownloadWindow() { form.close(); }
    ui::TWizardPages& pages() { return form.Wizard()->Pages(); }
    ui::TDownloadPage& download() { return form.Wizard()->Download(); }
    QWidget* page() const { return form.PageControlMain->currentWidget(); }
    QString Folder() const { return program.home() + "/Videos/"; }
    void Click(QWidget* button) {
        QTest::mouseClick(button, Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    void Paste(const QString& text) {
        QGuiApplication::clipboard()->setText(text);
        QCoreApplication::processEvents();
        ASSERT_TRUE(pages().ButtonURLPaste->isEnabled());
        Click(pages().ButtonURLPaste);
    }
    QStringList Links() const { return const_cast<DownloadWindow*>(this)->download().Links(); }
    bool WaitForSummary() {
        return QTest::qWaitFor([&] { return page() == form.TabSheetStep7; }, 60000);
    }

    ServiceStandIn standIn;
    ProgramFolder program;
    ui::TFormLog formLog;
    ui::TFormMain form;
};

}  // namespace

TEST(DownloadWindow, TwoLinksDownloadedAndHandedToTheConvertPath) {
    DownloadWindow w;
    const QByteArray mp4 = Clip(w.program.home(), "a.mp4", {"-c:v", "libx264", "-c:a", "aac"});
    const QByteArray flv = Clip(w.program.home(), "b.flv", {"-c:v", "flv", "-c:a", "aac"});
    reeltest::StandInVideo first;
    first.title = "First: the clip";
    first.streams[18].bytes = mp4.toStdString();
    w.standIn.AddVideo("first", first);
    reeltest::StandInVideo second;
    second.title = "Second &amp; last";
    second.streams[35].bytes = flv.toStdString();
    w.standIn.AddVideo("second", second);

    const QString one = QString::fromStdString(ServiceStandIn::WatchLink("first"));
    const QString two = QString::fromStdString(ServiceStandIn::WatchLink("second"));
    w.Paste(one + "\r\n\r\n" + two + "\r\n");
    EXPECT_EQ(w.Links(), (QStringList{one, two}));

    w.Click(w.form.ButtonNext);  // Download
    EXPECT_EQ(w.page(), w.form.TabSheetStep6);
    ASSERT_TRUE(w.WaitForSummary()) << w.formLog.Lines().join('\n').toStdString();
    EXPECT_EQ(w.pages().LabelURLTotalFiles->text(), "2");
    EXPECT_EQ(w.pages().LabelURLSucedded->text(), "2");
    EXPECT_EQ(w.pages().LabelURLFailed->text(), "0");
    EXPECT_EQ(w.pages().ListViewInputURL->topLevelItemCount(), 0);
    const QString firstFile = w.Folder() + "First_ the clip.mp4";
    const QString secondFile = w.Folder() + "Second & last.flv";
    EXPECT_EQ(app::GlobalVars().DownloadedFiles, (QStringList{firstFile, secondFile}));
    EXPECT_EQ(ReadAll(firstFile), mp4);
    EXPECT_EQ(ReadAll(secondFile), flv);

    w.Click(w.pages().ButtonConvertDownloaded);
    EXPECT_EQ(w.page(), w.form.TabSheetStep1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.pages().NextGrid->rowCount() == 2; }, 30000));
    ASSERT_EQ(w.pages().NextGrid->rowCount(), 2);
    QStringList listed;
    for (const wizard::InputItem& item : w.pages().NextGrid->List()->Items())
        listed << item.FileFullName;
    EXPECT_TRUE(listed.contains(firstFile) || listed.contains("First_ the clip.mp4"))
        << listed.join('|').toStdString();
    EXPECT_TRUE(listed.contains(secondFile) || listed.contains("Second & last.flv"))
        << listed.join('|').toStdString();
}

TEST(DownloadWindow, PasteRefusesNonLinksAndDuplicates) {
    DownloadWindow w;
    const QString one = "http://www.youtube.com/watch?v=1";
    w.Paste(one);
    {
        ModalAnswer box(QMessageBox::Ok);
        w.Paste("www.youtube.com/watch?v=2");
        EXPECT_EQ(box.seen->title, "Reelwright Video Converter");
        EXPECT_EQ(box.seen->text, "www.youtube.com/watch?v=2\n\r\n\rThis is not a YouTube video link.");
        EXPECT_EQ(box.seen->buttons.size(), 2);
    }
    EXPECT_EQ(w.Links(), QStringList{one});

    // OK on a refusal goes on with the next line; Cancel drops the rest of the paste.
    QStringList asked;
    bool answer = true;
    w.download().AskOkCancel = [&](const QString& text) {
        asked << text;
        return answer;
    };
    w.Paste(one + "\nhttp://www.youtube.com/watch?v=3");
    EXPECT_EQ(asked, QStringList{one + "\n\r\n\rThis video is already in the download list."});
    EXPECT_EQ(w.Links(), (QStringList{one, "http://www.youtube.com/watch?v=3"}));
    answer = false;
    w.Paste("not a link\nhttp://www.youtube.com/watch?v=4");
    EXPECT_EQ(w.Links().size(), 2);

    // Remove keeps a selection where the removed row stood; Empty clears; an empty clipboard disables Paste.
    QTreeWidget* list = w.pages().ListViewInputURL;
    list->topLevelItem(1)->setSelected(true);
    w.Click(w.pages().ButtonURLRemove);
    EXPECT_EQ(w.Links(), QStringList{one});
    EXPECT_TRUE(list->topLevelItem(0)->isSelected());
    w.Click(w.pages().ButtonURLEmpty);
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_FALSE(w.pages().ButtonURLEmpty->isEnabled());
    QGuiApplication::clipboard()->clear();
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.pages().ButtonURLPaste->isEnabled());
}

TEST(DownloadWindow, QualityGroupAndDialog) {
    DownloadWindow w;
    app::TGlobalVars& g = app::GlobalVars();
    g.QualityOrder = download::kDefaultQualityOrder;
    QCheckBox* box = w.pages().CheckBoxYouTubeQuality;
    box->setChecked(true);
    w.Click(box);  // off
    EXPECT_EQ(w.pages().LabelYouTubeQuality->text(),
              "[Default Quality - HQ5 - (FLV, 400 x 240, Mono 44KHz MP3)]");
    EXPECT_FALSE(w.pages().ButtonYouTubeQualityConfig->isEnabled());
    w.Click(box);  // on again
    EXPECT_TRUE(w.pages().LabelYouTubeQuality->text().startsWith("Prefer: [HQ18] > [HQ35]"));

    // Drives the dialog once it is up: act, then press the named button.
    auto inDialog = [](std::function<void(ui::TFormYouTubeHQ&)> act) {
        QTimer::singleShot(50, [act] {
            auto* dialog = qobject_cast<ui::TFormYouTubeHQ*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), "Prefer YouTube high quality");
            act(*dialog);
        });
    };
    inDialog([](ui::TFormYouTubeHQ& d) {
        QTreeWidget* list = d.ListViewYouTubeHQ;
        list->setCurrentItem(list->topLevelItem(7));
        for (int i = 0; i < 8; ++i)  // the eighth press, on the top row, does nothing
            QTest::mouseClick(d.ButtonUp, Qt::LeftButton);
        EXPECT_EQ(list->topLevelItem(0)->text(0), "[HQ37]");
        EXPECT_TRUE(list->topLevelItem(0)->isSelected());
        QTest::mouseClick(d.ButtonOK, Qt::LeftButton);
    });
    w.Click(w.pages().ButtonYouTubeQualityConfig);
    EXPECT_EQ(g.QualityOrder, (download::QualityOrder{7, 1, 2, 3, 0, 4, 5, 6}));
    EXPECT_TRUE(w.pages().LabelYouTubeQuality->text().startsWith("Prefer: [HQ37] > [HQ18]"));

    inDialog([](ui::TFormYouTubeHQ& d) {
        QTest::mouseClick(d.ButtonBestAvailable, Qt::LeftButton);
        EXPECT_EQ(d.ListViewYouTubeHQ->topLevelItem(1)->text(0), "[HQ22]");
        QTest::mouseClick(d.ButtonCancel, Qt::LeftButton);
    });
    w.Click(w.pages().ButtonYouTubeQualityConfig);
    EXPECT_EQ(g.QualityOrder, (download::QualityOrder{7, 1, 2, 3, 0, 4, 5, 6}));
    g.QualityOrder = download::kDefaultQualityOrder;
}

TEST(DownloadWindow, ExitDuringTheMediaCancelsAndLeavesNothing) {
    DownloadWindow w;
    reeltest::StandInVideo slow;
    slow.title = "Slow";
    slow.streams[18].size = 1 << 20;
    slow.streams[18].cutAfter = 200000;
    slow.streams[18].stall = true;
    w.standIn.AddVideo("slow", slow);
    w.Paste(QString::fromStdString(ServiceStandIn::WatchLink("slow")));
    w.Click(w.form.ButtonNext);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto* row = w.pages().ListViewURLDownload->topLevelItem(0);
            return row && row->text(1) == "Downloading...";
        },
        60000));
    EXPECT_EQ(w.pages().LabelURLCurrentFile->text(), "Slow");
    EXPECT_EQ(w.pages().LabelQuality->text(), "[HQ18] - (MP4(H.264), 640 x 360, Stereo 44KHz AAC)");
    {
        ModalAnswer box(QMessageBox::Yes);
        w.Click(w.form.ButtonExit);
        EXPECT_EQ(box.seen->text, "Do you really want to cancel the downloading?");
    }
    ASSERT_TRUE(w.WaitForSummary());
    EXPECT_EQ(w.pages().LabelURLTotalFiles->text(), "1");
    EXPECT_EQ(w.pages().LabelURLFailed->text(), "1");
    EXPECT_EQ(QDir(w.Folder()).entryList(QDir::Files | QDir::Hidden), QStringList{});
    EXPECT_TRUE(w.formLog.Lines().contains("Download of \"Slow\": cancelled"))
        << w.formLog.Lines().join('\n').toStdString();
}
