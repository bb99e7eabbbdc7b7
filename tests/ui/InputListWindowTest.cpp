// Step1's input list in the started main window (offscreen): real generated files added, a bad one among
// them in the failed-files dialog, the slides drawn, the row actions, dragging, drops and the open dialog.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <memory>

#include "MediaClips.h"
#include "ProgramFolder.h"
#include "app/Globals.h"
#include "ui/FormFailedAddFile.h"
#include "ui/FormLog.h"
#include "ui/FormMain.h"
#include "ui/ImageButton.h"
#include "ui/InputGrid.h"
#include "ui/MainWizard.h"
#include "ui/WizardPages.h"
#include "wizard/InputList.h"

using ui::TFormMain;
using wizard::InputListModel;

namespace {

MediaClips& Clips() {
    return MediaClips::Shared();
}

// A convert-only edition opens on Step1.
struct Window {
    Window()
        : program(ProgramFolder::Profile("Name=Reelwright Video Converter\nDownload=0\nAVI=1\nMP4=1\n")),
          form(program.dir()) {
        form.SetLogSink([this](const QString& line) { formLog.AppendLine(line); });
        form.SetLogWindow(&formLog);
        form.Wizard()->ShellOpen = [this](const QString& target) {
            opened.append(target);
            return true;
        };
        QCoreApplication::processEvents();  // DeferredStart
    }
    ~Window() { form.close(); }
    ui::TWizardPages& pages() { return form.Wizard()->Pages(); }
    ui::TInputGrid& grid() { return *pages().NextGrid; }
    InputListModel& list() { return form.Wizard()->InputList(); }
    QString cell(int row, int column) { return list().Cell(row, column); }

    ProgramFolder program;
    ui::TFormLog formLog;
    TFormMain form;
    QStringList opened;
};

// What the failed-files dialog showed; it is closed with its Close button.
struct FailedDialogSeen {
    bool shown = false;
    QString caption, title;
    QStringList rows;
    QPoint pos;
};

std::shared_ptr<FailedDialogSeen> CloseFailedDialogWhenShown() {
    auto seen = std::make_shared<FailedDialogSeen>();
    auto poll = std::make_shared<std::function<void(int)>>();
    // The pending timer owns the poll; the poll itself holds it only weakly, so nothing is left behind.
    *poll = [seen, weak = std::weak_ptr(poll)](int triesLeft) {
        auto self = weak.lock();
        if (!self) return;
        QTimer::singleShot(10, [seen, self, triesLeft] {
            auto* dialog = qobject_cast<ui::TFormFailedAddFile*>(QApplication::activeModalWidget());
            if (!dialog) {
                if (triesLeft > 0) (*self)(triesLeft - 1);
                return;
            }
            seen->shown = true;
            seen->caption = dialog->windowTitle();
            seen->title = dialog->LabelTitle->text();
            for (int i = 0; i < dialog->ListViewFiles->topLevelItemCount(); ++i)
                seen->rows.append(dialog->ListViewFiles->topLevelItem(i)->text(0));
            seen->pos = dialog->pos();
            dialog->ButtonClose->click();
        });
    };
    (*poll)(500);
    return seen;
}

// Mean distance of the pixels in an area from its first pixel: 0 for a uniform area.
double Variation(const QImage& image, const QRect& area) {
    const QRgb first = image.pixel(area.topLeft());
    double sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(first)) + std::abs(qGreen(p) - qGreen(first)) +
                   std::abs(qBlue(p) - qBlue(first));
        }
    return sum / (area.width() * area.height());
}

TEST(InputListWindow, AddsRealFilesAndListsTheBadOneInTheDialog) {
    Window w;
    const QString video = Clips().Path("video.mp4");
    const QString audio = Clips().Path("audio.flac");
    const QString bad = Clips().Write("bad.avi", "not a video at all\n");
    auto seen = CloseFailedDialogWhenShown();
    w.form.Wizard()->AddInputFiles({video, audio, bad});

    ASSERT_TRUE(seen->shown);
    EXPECT_EQ(seen->caption, "Failed to Add Files");
    EXPECT_TRUE(seen->title.startsWith("Failed to add the following files. The converter might not support"));
    ASSERT_EQ(seen->rows.size(), 1);
    EXPECT_TRUE(seen->rows[0].startsWith(bad + ": ")) << seen->rows[0].toStdString();
    EXPECT_EQ(app::GlobalVars().FailedFiles, seen->rows);
    EXPECT_TRUE(w.formLog.Lines().contains("File load error: " + seen->rows[0]));
    // Centred over the main window.
    EXPECT_EQ(seen->pos,
              QPoint(w.form.x() + (w.form.width() - 425) / 2, w.form.y() + (w.form.height() - 290) / 2));

    ASSERT_EQ(w.grid().rowCount(), 2);
    EXPECT_EQ(w.cell(0, InputListModel::NxTextColumnFileFullName), video);
    EXPECT_EQ(w.cell(0, InputListModel::NxTextColumnDuration), "Duration: 00:00:01.000");
    EXPECT_EQ(w.cell(0, InputListModel::NxTextColumnDimension), "Dimension: 64 x 48");
    EXPECT_EQ(w.cell(0, InputListModel::NxTextColumnRealDuration), "1000000");
    EXPECT_EQ(w.cell(1, InputListModel::NxTextColumnFileFullName), audio);
    EXPECT_TRUE(w.cell(1, InputListModel::NxTextColumnBitrate).startsWith("Audio Bit rate: "));
    EXPECT_TRUE(w.cell(1, InputListModel::NxTextColumnDimension).startsWith("Audio Encoder: flac"));
    // The shortened path fits the slide in the grid's bold font.
    QFont bold = w.grid().font();
    bold.setBold(true);
    EXPECT_LE(QFontMetrics(bold).horizontalAdvance(w.cell(0, InputListModel::NxTextColumnFileMinName)),
              ui::TInputGrid::kNameWidth);
    EXPECT_TRUE(w.cell(0, InputListModel::NxTextColumnFileMinName).endsWith("video.mp4"));

    // The slides are drawn 90 pixels high with a picture in the thumbnail area of each.
    EXPECT_EQ(w.grid().rowHeight(0), 90);
    const QImage drawn = w.grid().viewport()->grab().toImage();
    EXPECT_GT(Variation(drawn, QRect(20, 10, 90, 70)), 5.0);       // the video's picture
    EXPECT_GT(Variation(drawn, QRect(20, 90 + 10, 90, 70)), 5.0);  // the audio picture
    EXPECT_GT(Variation(drawn, QRect(136, 30, 200, 50)), 1.0);     // the facts beside it
}

TEST(InputListWindow, ActionsFollowTheSelectionAndActOnTheList) {
    Window w;
    const QString a = Clips().Path("a.mp4"), b = Clips().Path("b.mp4"), c = Clips().Path("c.mp4");
    w.form.Wizard()->AddInputFiles({a, b, c});
    ui::TWizardPages& p = w.pages();
    auto order = [&w] {
        QStringList names;
        for (const wizard::InputItem& item : w.list().Items())
            names.append(QFileInfo(item.FileFullName).baseName());
        return names.join(QString());
    };
    auto enabled = [&p] {
        QString s;
        for (QPushButton* b :
             {p.ButtonAdd, p.ButtonDelete, p.ButtonClear, p.ButtonMoveUp, p.ButtonMoveDown, p.ButtonPlay})
            s += b->isEnabled() ? '1' : '0';
        return s;
    };
    EXPECT_EQ(enabled(), "101000");  // no selection: only Add and Clear

    w.grid().SelectRow(0);
    EXPECT_EQ(enabled(), "111011");  // first row: no Move Up
    QTest::mouseClick(p.ButtonMoveDown, Qt::LeftButton);
    EXPECT_EQ(order(), "bac");
    EXPECT_EQ(w.grid().SelectedRow(), 1);
    QTest::mouseClick(p.ButtonMoveDown, Qt::LeftButton);
    EXPECT_EQ(order(), "bca");
    EXPECT_EQ(enabled(), "111101");  // last row: no Move Down
    p.ActionMoveUp->trigger();
    EXPECT_EQ(order(), "bac");

    p.ActionPlay->trigger();
    EXPECT_EQ(w.opened, QStringList{a});
    // A double click plays as well.
    const QRect slide = w.grid().visualRect(w.list().index(0, 0));
    QTest::mouseDClick(w.grid().viewport(), Qt::LeftButton, {}, slide.center());
    EXPECT_EQ(w.opened.value(1), b);

    // Deleting the last row selects the new last row; the only row leaves no selection.
    w.grid().SelectRow(2);
    QTest::mouseClick(p.ButtonDelete, Qt::LeftButton);
    EXPECT_EQ(order(), "ba");
    EXPECT_EQ(w.grid().SelectedRow(), 1);
    w.grid().SelectRow(0);
    p.ActionDelete->trigger();
    EXPECT_EQ(order(), "a");
    EXPECT_EQ(w.grid().SelectedRow(), 0);
    p.ActionDelete->trigger();
    EXPECT_EQ(w.grid().rowCount(), 0);
    EXPECT_EQ(w.grid().SelectedRow(), -1);
    EXPECT_EQ(enabled(), "100000");

    w.form.Wizard()->AddInputFiles({a, b});
    EXPECT_EQ(enabled(), "101000");
    // Shortcuts reach only the active window, as for a user typing into it.
    w.form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.form));
    w.grid().setFocus();
    QTest::keyClick(&w.grid(), Qt::Key_Delete, Qt::ShiftModifier);  // Clear
    EXPECT_EQ(w.grid().rowCount(), 0);
}

TEST(InputListWindow, DraggingARowPutsItInItsNewPlace) {
    Window w;
    w.form.Wizard()->AddInputFiles({Clips().Path("a.mp4"), Clips().Path("b.mp4"), Clips().Path("c.mp4")});
    QWidget* viewport = w.grid().viewport();
    const QPoint from = w.grid().visualRect(w.list().index(0, 0)).center();
    const QPoint to = w.grid().visualRect(w.list().index(2, 0)).center();
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    for (int y = from.y(); y <= to.y(); y += 20) {
        QMouseEvent move(QEvent::MouseMove, QPointF(from.x(), y), viewport->mapToGlobal(QPointF(from.x(), y)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
    }
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
    EXPECT_TRUE(w.cell(2, InputListModel::NxTextColumnFileFullName).endsWith("/a.mp4"));
    EXPECT_TRUE(w.cell(0, InputListModel::NxTextColumnFileFullName).endsWith("/b.mp4"));
    EXPECT_EQ(w.grid().SelectedRow(), 2);
}

TEST(InputListWindow, DroppedFilesWithKnownExtensionsAreAdded) {
    Window w;
    const QString folder = Clips().dir() + "/dropped folder.avi";
    QDir().mkpath(folder);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Clips().Path("a.mp4")), QUrl::fromLocalFile(folder),
                  QUrl::fromLocalFile(Clips().Write("notes.txt", "text")),
                  QUrl::fromLocalFile(Clips().Path("audio.flac"))});
    // Qt delivers a drop to the widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w.form, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(300, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w.form, &drop);
    ASSERT_EQ(w.grid().rowCount(), 2);
    EXPECT_EQ(w.cell(1, InputListModel::NxTextColumnFileFullName), Clips().Path("audio.flac"));
}

TEST(InputListWindow, TheOpenDialogKeepsASingleNameAndTheFolder) {
    Window w;
    QStringList answer;
    QString askedFolder, askedName;
    w.form.Wizard()->AskFilesToOpen = [&](const QString& folder, const QString& name) {
        askedFolder = folder;
        askedName = name;
        return answer;
    };
    answer = {Clips().Path("a.mp4")};
    w.pages().ActionAdd->trigger();
    EXPECT_EQ(app::GlobalVars().LastOpenDir, Clips().dir() + "/");
    w.pages().ActionAdd->trigger();
    EXPECT_EQ(askedFolder, Clips().dir() + "/");
    EXPECT_EQ(askedName, "a.mp4");
    answer = {Clips().Path("b.mp4"), Clips().Path("c.mp4")};
    w.pages().ActionAdd->trigger();
    answer.clear();  // cancelled
    w.pages().ActionAdd->trigger();
    EXPECT_EQ(askedName, "");
    EXPECT_EQ(w.grid().rowCount(), 4);
}

TEST(InputListWindow, FilesFromTheCommandLineOpenOnStep1) {
    // An edition with download starts on the mode page; files given at start lead to Step1.
    ProgramFolder program(ProgramFolder::Profile("Name=Reelwright Video Converter\nDownload=1\nAVI=1\n"));
    TFormMain form(program.dir());
    QCoreApplication::processEvents();
    ASSERT_EQ(form.PageControlMain->currentWidget(), form.TabSheetMode);
    auto seen = CloseFailedDialogWhenShown();
    form.Wizard()->OpenWithFiles({Clips().Path("a.mp4"), Clips().dir() + "/not there.mp4"});
    EXPECT_EQ(form.PageControlMain->currentWidget(), form.TabSheetStep1);
    EXPECT_EQ(form.Wizard()->InputList().Count(), 1);
    EXPECT_EQ(seen->rows, QStringList{Clips().dir() + "/not there.mp4: No such file or directory"});
    EXPECT_TRUE(form.ButtonBack->isEnabled());
    form.close();
}

TEST(FailedAddFileDialog, MoreInformationOpensTheSupportLink) {
    QStringList opened;
    ui::TFormFailedAddFile dialog("https://example.org/support",
                                  [&opened](const QString& link) { opened.append(link); });
    dialog.AddFiles({"one", "two", "three"});
    EXPECT_EQ(dialog.size(), QSize(425, 290));
    EXPECT_EQ(dialog.ListViewFiles->topLevelItemCount(), 3);
    EXPECT_EQ(dialog.ListViewFiles->headerItem()->text(0), "File");
    EXPECT_EQ(dialog.ButtonMoreInfo->text(), "More Information...");
    EXPECT_TRUE(dialog.ButtonClose->isDefault());
    dialog.ButtonMoreInfo->click();
    EXPECT_EQ(opened, QStringList{"https://example.org/support"});
}

}  // namespace
