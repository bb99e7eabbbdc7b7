// The log window, the shutdown countdown, the About windows and the help menu, driven through their real
// buttons on the offscreen platform.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <thread>

#include "ui/ClickableLabel.h"
#include "ui/FormAbout.h"
#include "ui/FormAboutPaid.h"
#include "ui/FormLog.h"
#include "ui/FormShutdown.h"
#include "ui/HelpMenu.h"
#include "wizard/HelpLinks.h"

namespace ui {
namespace {

const QString kTitle = QStringLiteral("Reelwright Video Converter");

void WriteFile(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Answers the next modal message box with the given button, once it is open.
void AnswerNextMessageBox(QMessageBox::StandardButton button, QString* seenCaption = nullptr,
                          QString* seenText = nullptr) {
    QTimer::singleShot(0, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        if (seenCaption) *seenCaption = box->windowTitle();
        if (seenText) *seenText = box->text();
        QTest::mouseClick(box->button(button), Qt::LeftButton);
    });
}

// ---- TFormLog -----------------------------------------------------------------------------------------

struct LogWindow {
    LogWindow() {
        form.SetPlacementFile(tmp.filePath(QStringLiteral("system.dat")));
        form.ChooseSaveFile = [this] { return saveTo; };
    }
    QTemporaryDir tmp;
    TFormLog form;
    QString saveTo;
};

TEST(FormLogTest, LinesFromAnyThreadArriveInOrder) {
    LogWindow w;
    w.form.AppendLine(QStringLiteral("first"));
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i)
            w.form.AppendLine(QStringLiteral("worker %1").arg(i));
    });
    worker.join();
    QCoreApplication::processEvents();
    const QStringList lines = w.form.Lines();
    ASSERT_EQ(lines.size(), 51);
    EXPECT_EQ(lines.front(), "first");
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(lines[i + 1], QStringLiteral("worker %1").arg(i));
}

TEST(FormLogTest, DeleteAsksAndYesDisablesSaveForGood) {
    LogWindow w;
    w.form.show();
    w.form.AppendLine(QStringLiteral("one"));

    for (auto answer : {QMessageBox::No, QMessageBox::Cancel}) {
        AnswerNextMessageBox(answer);
        QTest::mouseClick(w.form.ButtonDelete, Qt::LeftButton);
        EXPECT_EQ(w.form.Lines(), QStringList{"one"});
        EXPECT_TRUE(w.form.ButtonSave->isEnabled());
    }

    QString caption, text;
    AnswerNextMessageBox(QMessageBox::Yes, &caption, &text);
    QTest::mouseClick(w.form.ButtonDelete, Qt::LeftButton);
    EXPECT_EQ(caption, "Delete log?");
    EXPECT_EQ(text, "Really delete log file?");
    EXPECT_TRUE(w.form.Lines().isEmpty());
    EXPECT_FALSE(w.form.ButtonSave->isEnabled());

    // Later lines still appear, but the log can no longer be saved.
    w.form.AppendLine(QStringLiteral("two"));
    w.form.hide();
    w.form.show();
    EXPECT_EQ(w.form.Lines(), QStringList{"two"});
    EXPECT_FALSE(w.form.ButtonSave->isEnabled());
}

TEST(FormLogTest, SaveWritesOneLinePerLogLineReplacingTheFile) {
    LogWindow w;
    w.form.show();
    w.saveTo = w.tmp.filePath(QStringLiteral("run.log"));
    WriteFile(w.saveTo, "old content that is longer than the new log\n");
    w.form.AppendLine(QStringLiteral("#12.3: broken frame"));
    w.form.AppendLine(QStringLiteral("File has been added to convert list."));
    QTest::mouseClick(w.form.ButtonSave, Qt::LeftButton);
    EXPECT_EQ(ReadFile(w.saveTo), "#12.3: broken frame\nFile has been added to convert list.\n");

    w.saveTo.clear();  // dialog cancelled: nothing written
    w.form.AppendLine(QStringLiteral("more"));
    QTest::mouseClick(w.form.ButtonSave, Qt::LeftButton);
    EXPECT_EQ(ReadFile(w.tmp.filePath(QStringLiteral("run.log"))),
              "#12.3: broken frame\nFile has been added to convert list.\n");
}

TEST(FormLogTest, SaveIntoAMissingFolderFailsWithAMessageAndWritesNothing) {
    QTemporaryDir tmp;
    const QString target = tmp.filePath(QStringLiteral("missing/run.log"));
    const QString error = TFormLog::SaveLines({QStringLiteral("x")}, target);
    EXPECT_TRUE(error.contains(target)) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(target));
}

TEST(FormLogTest, ButtonRowStaysCentredWithEightPixelGaps) {
    LogWindow w;
    w.form.show();
    for (int width : {455, 265, 800, 301}) {
        SCOPED_TRACE(width);
        w.form.resize(width, 200);
        QCoreApplication::processEvents();
        const QPushButton* ok = w.form.ButtonOK;
        const QPushButton* del = w.form.ButtonDelete;
        const QPushButton* save = w.form.ButtonSave;
        const int row = save->geometry().right() + 1 - ok->x();
        EXPECT_EQ(ok->x(), w.form.PanelBottom->width() / 2 - row / 2);
        EXPECT_EQ(del->x(), ok->geometry().right() + 1 + 8);
        EXPECT_EQ(save->x(), del->geometry().right() + 1 + 8);
        EXPECT_EQ(w.form.PanelBottom->height(), 40);
        EXPECT_EQ(w.form.PanelBottom->geometry().bottom(), w.form.height() - 1);
    }
}

TEST(FormLogTest, PlacementIsRestoredOnShowAndStoredOnClose) {
    LogWindow w;
    WriteFile(w.tmp.filePath(QStringLiteral("system.dat")),
              "[FormLog]\nx=120\ny=80\nheight=200\nwidth=500\n");
    EXPECT_EQ(w.form.windowTitle(), "Log");
    EXPECT_TRUE(w.form.windowFlags() & Qt::WindowStaysOnTopHint);
    w.form.show();
    EXPECT_EQ(w.form.pos(), QPoint(120, 80));
    EXPECT_EQ(w.form.size(), QSize(455, 182)) << "the stored size only keeps the window on the screen";

    w.form.move(30, 40);
    QTest::keyClick(&w.form, Qt::Key_Escape);
    EXPECT_FALSE(w.form.isVisible());
    const QByteArray stored = ReadFile(w.tmp.filePath(QStringLiteral("system.dat")));
    EXPECT_TRUE(stored.contains("x=30")) << stored.toStdString();
    EXPECT_TRUE(stored.contains("y=40")) << stored.toStdString();

    w.form.show();
    QTest::mouseClick(w.form.ButtonOK, Qt::LeftButton);
    EXPECT_FALSE(w.form.isVisible());
}

// ---- TFormShutdown --------------------------------------------------------------------------------------

TEST(FormShutdownTest, CountsThirtyToZeroAndEndsWithOkOnTheNextTick) {
    TFormShutdown form(kTitle);
    EXPECT_EQ(form.windowTitle(), "Shutdown");
    EXPECT_EQ(form.size(), QSize(234, 149));
    EXPECT_EQ(form.TimerShutdown->interval(), 1000);
    EXPECT_TRUE(form.TimerShutdown->isActive());
    form.TimerShutdown->stop();  // the test drives the clock
    form.show();
    EXPECT_EQ(form.LabelShutdownDescription->text(),
              "If you don't press cancel now, \nReelwright Video Converter\nwill shut down the computer.");
    EXPECT_EQ(form.LabelTimeOut->text(), "Time left: 30");
    for (int tick = 1; tick <= 30; ++tick) {
        form.TimerShutdownTimer();
        ASSERT_TRUE(form.isVisible()) << tick;
    }
    EXPECT_EQ(form.LabelTimeOut->text(), "Time left: 0");
    form.TimerShutdownTimer();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST(FormShutdownTest, CancelEnterAndEscEndWithCancel) {
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        TFormShutdown form(kTitle);
        form.TimerShutdown->stop();
        form.show();
        for (int tick = 0; tick < 29; ++tick)
            form.TimerShutdownTimer();
        EXPECT_EQ(form.LabelTimeOut->text(), "Time left: 1");
        if (way == 0) QTest::mouseClick(form.ButtonCancel, Qt::LeftButton);
        if (way == 1) QTest::keyClick(&form, Qt::Key_Return);
        if (way == 2) QTest::keyClick(&form, Qt::Key_Escape);
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(form.result(), QDialog::Rejected);
    }
}

// ---- About windows and help menu ----------------------------------------------------------------------

struct ProgramFolder {
    explicit ProgramFolder(const QByteArray& profile, bool withLogo = true) {
        WriteFile(dir.filePath(QStringLiteral("lame.dll")), profile);
        if (withLogo) {
            QImage logo(175, 242, QImage::Format_RGB32);
            logo.fill(Qt::darkCyan);
            QDir().mkpath(dir.filePath(QStringLiteral("sounds/res")));
            EXPECT_TRUE(logo.save(dir.filePath(QStringLiteral("sounds/res/leftlogo.png"))));
        }
    }
    QString Path() const { return dir.path(); }
    QTemporaryDir dir;
};

const QByteArray kProfile =
    "[SYSTEM]\nName=Reelwright Video Converter\nVersion=2.1.0.5\nCopyright=Reelwright Team\n";

TEST(FormAboutTest, ShowsTitleVersionOwnerAndOpensItsLinks) {
    ProgramFolder program(kProfile);
    QStringList opened;
    QString error;
    auto form = TFormAbout::Create(
        kTitle, program.Path(), [&](const QString& t) { opened << t; }, nullptr, &error);
    ASSERT_NE(form, nullptr) << error.toStdString();
    form->show();
    EXPECT_EQ(form->windowTitle(), "About ");
    EXPECT_EQ(form->size(), QSize(535, 298));
    EXPECT_EQ(form->LabalTitle->text(), "Reelwright Video Converter 2.1.0.5");
    EXPECT_EQ(form->LabelVersion->text(), "2.1.0.5");
    EXPECT_TRUE(form->LabelCopyright->text().contains(QString::number(QDate::currentDate().year())));
    EXPECT_TRUE(form->LabelCopyright->text().contains("Reelwright Team"));
    EXPECT_FALSE(form->ImageLeft->pixmap().isNull());
    EXPECT_EQ(form->PageControlMain->tabText(0), "About");
    EXPECT_EQ(form->PageControlMain->tabText(1), "Update");
    EXPECT_EQ(form->LabelWeb->text(), wizard::HomePageLink(kTitle));

    QTest::mouseClick(form->LabelWeb, Qt::LeftButton);
    QTest::mouseClick(form->LabelSupportEmail, Qt::LeftButton);
    QTest::mouseClick(form->ImageLeft, Qt::LeftButton);
    form->PageControlMain->setCurrentIndex(1);
    QTest::mouseClick(form->ButtonUpdates, Qt::LeftButton);
    EXPECT_EQ(opened, (QStringList{wizard::HomePageLink(kTitle), wizard::SupportLink(kTitle),
                                   wizard::UpdateLink(kTitle), wizard::UpdateLink(kTitle)}));

    QTest::mouseClick(form->ButtonOK, Qt::LeftButton);
    EXPECT_EQ(form->result(), QDialog::Accepted);
}

TEST(FormAboutTest, SkinThreeHasNoPictureAndIsNarrower) {
    ProgramFolder program(kProfile + "Skin=3\n", /*withLogo=*/false);
    QString error;
    auto form = TFormAbout::Create(
        kTitle, program.Path(), [](const QString&) {}, nullptr, &error);
    ASSERT_NE(form, nullptr) << error.toStdString();
    form->show();
    EXPECT_FALSE(form->PanelmageLeft->isVisible());
    EXPECT_EQ(form->PageControlMain->x(), 10);
    EXPECT_EQ(form->width(), 10 + 329 + 15);
    EXPECT_EQ(form->ButtonOK->geometry().right(), form->PageControlMain->geometry().right());
}

TEST(FormAboutTest, MissingPictureOrBadSkinIsReported) {
    {
        ProgramFolder program(kProfile, /*withLogo=*/false);
        QString error;
        EXPECT_EQ(TFormAbout::Create(
                      kTitle, program.Path(), [](const QString&) {}, nullptr, &error),
                  nullptr);
        EXPECT_TRUE(error.contains("leftlogo.png")) << error.toStdString();
    }
    {
        ProgramFolder program(kProfile + "Skin=blue\n");
        QString error;
        EXPECT_EQ(TFormAbout::Create(
                      kTitle, program.Path(), [](const QString&) {}, nullptr, &error),
                  nullptr);
        EXPECT_TRUE(error.contains("blue")) << error.toStdString();
    }
}

TEST(FormAboutPaidTest, CompactWindowTextsAndLink) {
    ProgramFolder program(kProfile);
    QStringList opened;
    TFormAboutPaid form(
        kTitle, program.Path(), [&](const QString& t) { opened << t; }, nullptr);
    form.show();
    EXPECT_EQ(form.windowTitle(), "About Reelwright Video Converter");
    EXPECT_EQ(form.size(), QSize(445, 217));
    EXPECT_EQ(form.LabelAppName->text(), kTitle);
    EXPECT_EQ(form.LabelVersion->text(), "Version 2.1.0.5");
    EXPECT_TRUE(form.LabelCopyRight->text().contains("Reelwright Team"));
    EXPECT_FALSE(form.LabelWarning->text().isEmpty());
    QTest::mouseClick(form.LabelWeb, Qt::LeftButton);
    EXPECT_EQ(opened, QStringList{wizard::HomePageLink(kTitle)});
    QTest::keyClick(&form, Qt::Key_Return);
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

// Whether a label shows its whole text: it fits its box, or it is shortened with "..." and its tooltip holds
// all of it (a link keeps the whole text to open, and draws it shortened).
::testing::AssertionResult ShowsWholeText(const QLabel* label) {
    const QString what = label->objectName() + " \"" + label->text() + "\"";
    if (label->text().isEmpty() || !label->isVisibleTo(label->window())) return ::testing::AssertionSuccess();
    if (auto* link = qobject_cast<const ClickableLabel*>(label); link && link->Elided()) {
        if (link->toolTip() == link->text()) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << what.toStdString() << " is cut and has no whole tooltip";
    }
    if (label->text().endsWith(QChar(0x2026)) && label->toolTip().isEmpty())
        return ::testing::AssertionFailure() << what.toStdString() << " is cut and has no whole tooltip";
    const QRect box = label->contentsRect();
    if (label->wordWrap()) {
        if (label->heightForWidth(label->width()) <= label->height()) return ::testing::AssertionSuccess();
    } else {
        const QSize need = label->fontMetrics().size(0, label->text());
        if (need.width() <= box.width() && need.height() <= box.height())
            return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << what.toStdString() << " does not fit its " << box.width() << "x" << box.height() << " box";
}

::testing::AssertionResult InsideParent(const QWidget* w) {
    if (!w->isVisibleTo(w->window()) || !w->parentWidget()) return ::testing::AssertionSuccess();
    if (w->parentWidget()->rect().contains(w->geometry())) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << w->objectName().toStdString() << " runs out of its parent";
}

TEST(FormAboutTest, EveryEditionsTextsAreShownWhole) {
    // The branding table's editions, and a family title long enough to stretch every line.
    const QString titles[] = {kTitle, QStringLiteral("ReelKit Free MP3 Converter"),
                              QStringLiteral("ReelKit Free Video to Audio and Ringtone Converter Deluxe"),
                              QStringLiteral("Studio Media Converter"),
                              QStringLiteral("Reelwright Pro Converter")};
    for (const QString& title : titles) {
        for (const char* skin : {"Skin=0\n", "Skin=3\n"}) {
            SCOPED_TRACE(title.toStdString() + " " + skin);
            ProgramFolder program("[SYSTEM]\nName=" + title.toUtf8() +
                                  "\nVersion=2.1.0.5\nCopyright=Reelwright Team and Friends\n" + skin);
            QString error;
            auto about = TFormAbout::Create(
                title, program.Path(), [](const QString&) {}, nullptr, &error);
            ASSERT_NE(about, nullptr) << error.toStdString();
            about->show();
            for (int page = 0; page < about->PageControlMain->count(); ++page) {
                about->PageControlMain->setCurrentIndex(page);
                for (const QLabel* label : about->PageControlMain->widget(page)->findChildren<QLabel*>()) {
                    EXPECT_TRUE(ShowsWholeText(label));
                    EXPECT_TRUE(InsideParent(label));
                }
                for (const QWidget* button :
                     about->PageControlMain->widget(page)->findChildren<QPushButton*>())
                    EXPECT_TRUE(InsideParent(button));
            }
            EXPECT_EQ(about->LabelWeb->text(), wizard::HomePageLink(title));  // still opens the whole link

            TFormAboutPaid paid(
                title, program.Path(), [](const QString&) {}, nullptr);
            paid.show();
            for (const QLabel* label : paid.findChildren<QLabel*>()) {
                EXPECT_TRUE(ShowsWholeText(label));
                EXPECT_TRUE(InsideParent(label));
            }
            if (paid.LabelAppName->text() != title) EXPECT_EQ(paid.LabelAppName->toolTip(), title);
        }
    }
}

struct MainWindowStandIn {
    explicit MainWindowStandIn(bool compact) {
        window.setGeometry(100, 100, 800, 600);
        buttonHelp = new QPushButton(QStringLiteral("Help"), &window);
        buttonHelp->setGeometry(40, 510, 90, 30);
        menu = std::make_unique<THelpMenu>(&window, nullptr, nullptr, kTitle, program.Path(), compact,
                                           [this](const QString& t) { opened << t; });
    }
    ProgramFolder program{kProfile};
    QWidget window;
    QPushButton* buttonHelp;
    std::unique_ptr<THelpMenu> menu;
    QStringList opened;
};

TEST(HelpMenuTest, ItemsInOrderAndEachLinkOpensItsPage) {
    MainWindowStandIn main(false);
    QStringList captions;
    for (QAction* a : main.menu->PopupMenuHelp->actions())
        captions << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(captions, (QStringList{"Help Content", "How Tos && Tutorial Videos...", "-", "Home Page...",
                                     "More Free Tools...", "-", "Check for Updates...",
                                     "Contact Technical Support...", "-", "About"}));
    for (QAction* a : main.menu->PopupMenuHelp->actions()) {
        if (!a->isSeparator() && a != main.menu->ActionAbout) a->trigger();
    }
    main.menu->LabelMoreToolsClick();
    EXPECT_EQ(main.opened, (QStringList{wizard::HelpContentLink(kTitle), wizard::HowToLink(kTitle),
                                        wizard::HomePageLink(kTitle), wizard::MoreToolsLink(kTitle),
                                        wizard::UpdateLink(kTitle), wizard::SupportLink(kTitle),
                                        wizard::MoreToolsLink(kTitle)}));
    EXPECT_EQ(MainWindowStandIn(true).menu->ActionMoreFreeTools->text(), "More Tools...");
}

TEST(HelpMenuTest, FillsTheWindowsOwnMenuAndMoreToolsAction) {
    ProgramFolder program(kProfile);
    QWidget window;
    QMenu menu(&window);
    QAction moreTools(QStringLiteral("more free tools"), &window);
    QStringList opened;
    THelpMenu help(&window, &menu, &moreTools, kTitle, program.Path(), true,
                   [&](const QString& t) { opened << t; });
    EXPECT_EQ(help.PopupMenuHelp, &menu);
    EXPECT_EQ(menu.actions().size(), 10);
    EXPECT_EQ(menu.actions().at(4), &moreTools);
    EXPECT_EQ(moreTools.text(), "More Tools...");
    moreTools.trigger();
    EXPECT_EQ(opened, QStringList{wizard::MoreToolsLink(kTitle)});
}

TEST(HelpMenuTest, F1WorksWithTheHelpButtonHidden) {
    MainWindowStandIn main(false);
    main.buttonHelp->hide();
    main.window.show();
    QApplication::setActiveWindow(&main.window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main.window));
    QTest::keyClick(&main.window, Qt::Key_F1);
    EXPECT_EQ(main.opened, QStringList{wizard::HelpContentLink(kTitle)});
}

TEST(HelpMenuTest, MenuDropsBelowTheButtonShiftedByTheSkinOffset) {
    MainWindowStandIn main(false);
    main.window.show();
    const QPoint buttonBottomLeft = main.buttonHelp->mapToGlobal(QPoint(0, main.buttonHelp->height()));
    EXPECT_EQ(THelpMenu::PopupPosition(main.buttonHelp, 5), buttonBottomLeft + QPoint(5, 0));
}

TEST(HelpMenuTest, AboutPicksTheWindowOfTheEditionAndCentresIt) {
    for (bool compact : {false, true}) {
        SCOPED_TRACE(compact);
        MainWindowStandIn main(compact);
        main.window.show();
        QString shownClass;
        QPoint placed;
        main.menu->ShowModal = [&](QDialog* d) {
            shownClass = QString::fromLatin1(d->metaObject()->className());
            placed = d->pos();
        };
        main.menu->ActionAbout->trigger();
        EXPECT_EQ(shownClass, compact ? "ui::TFormAboutPaid" : "ui::TFormAbout");
        const QRect m = main.window.frameGeometry();
        const QSize s = compact ? QSize(445, 217) : QSize(535, 298);
        EXPECT_EQ(placed,
                  QPoint(m.left() + (m.width() - s.width()) / 2, m.top() + (m.height() - s.height()) / 2));
    }
}

}  // namespace
}  // namespace ui
