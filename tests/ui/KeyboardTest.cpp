// The wizard from the keyboard: Tab reaches the picture buttons in reading order, Space and Enter press
// the focused one, Enter elsewhere goes on with Next, Alt+N and Alt+B are Next and Back (their letters
// underlined), Esc is the page's Exit or Cancel.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "MediaClips.h"
#include "ModalAnswer.h"
#include "StartedWindow.h"
#include "ui/FormLog.h"
#include "ui/ImageButton.h"
#include "ui/MainWizard.h"
#include "ui/WizardPages.h"

namespace {

struct KeyboardWindow : StartedWindow {
    KeyboardWindow() : StartedWindow(Edition("Download=1\n")) {
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    // Presses a key on whatever has the focus, as the keyboard does.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        if (QApplication::activeWindow() != &form) {  // a message box was in front
            form.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
        }
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &form;
        QTest::keyClick(target, key, modifiers);
        QCoreApplication::processEvents();
    }
    // The widgets Tab visits, starting from the current focus, once round.
    QList<QWidget*> TabRound() {
        QList<QWidget*> visited;
        for (int i = 0; i < 200; ++i) {
            Key(Qt::Key_Tab);
            QWidget* w = QApplication::focusWidget();
            if (!w || visited.contains(w)) break;
            visited.append(w);
        }
        return visited;
    }
    QList<QWidget*> PictureButtonsIn(const QList<QWidget*>& round) const {
        QList<QWidget*> buttons;
        for (QWidget* w : round) {
            if (w == form.ButtonLog || w == form.ButtonBack || w == form.ButtonNext || w == form.ButtonExit ||
                w == form.ButtonHelp)
                buttons.append(w);
        }
        return buttons;
    }
    void TabTo(QWidget* target) {
        for (int i = 0; i < 200 && QApplication::focusWidget() != target; ++i)
            Key(Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), target);
    }
};

TEST(Keyboard, TabOrderOnTheModePageAndStep2) {
    KeyboardWindow w;
    ASSERT_EQ(w.page(), w.form.TabSheetMode);
    EXPECT_EQ(QApplication::focusWidget(), w.form.RadioButtonDownloadVideo);  // the page's first control
    QList<QWidget*> round = w.TabRound();
    // The page first, then the buttons below it left to right (Back is disabled here).
    EXPECT_EQ(w.PictureButtonsIn(round),
              (QList<QWidget*>{w.form.ButtonHelp, w.form.ButtonLog, w.form.ButtonNext, w.form.ButtonExit}));
    EXPECT_TRUE(round.contains(static_cast<QWidget*>(w.form.RadioButtonDownloadVideo)) ||
                round.contains(static_cast<QWidget*>(w.form.RadioButtonConvertVideo)));
    for (QWidget* visited : round) {
        EXPECT_TRUE(visited->isVisible()) << visited->objectName().toStdString();
        EXPECT_NE(visited, w.form.ButtonMin);
        EXPECT_NE(visited, w.form.ButtonClose);
    }

    w.form.RadioButtonConvertVideo->setChecked(true);
    w.form.ActionNext->trigger();
    w.form.Wizard()->AddInputFiles({MediaClips::Shared().Path("video.mp4")});
    w.form.ActionNext->trigger();
    ASSERT_EQ(w.page(), w.form.TabSheetStep2);
    w.form.ButtonNext->setFocus();
    round = w.TabRound();
    EXPECT_EQ(w.PictureButtonsIn(round),
              (QList<QWidget*>{w.form.ButtonExit, w.form.ButtonHelp, w.form.ButtonLog, w.form.ButtonBack,
                               w.form.ButtonNext}));
    // The format tiles of the shown class are reached too; the other classes' tiles are not.
    const auto shownTile = std::find_if(round.begin(), round.end(), [](QWidget* v) {
        return v->objectName().startsWith(QLatin1String("ButtonFormat"));
    });
    EXPECT_NE(shownTile, round.end());
    for (QWidget* visited : round)
        EXPECT_TRUE(visited->isVisible()) << visited->objectName().toStdString();
    w.form.close();
}

TEST(Keyboard, EnterAndSpacePressTheFocusedButton) {
    KeyboardWindow w;
    w.form.RadioButtonConvertVideo->setChecked(true);
    w.TabTo(w.form.ButtonNext);
    w.Key(Qt::Key_Return);
    EXPECT_EQ(w.page(), w.form.TabSheetStep1);

    w.form.Wizard()->AddInputFiles({MediaClips::Shared().Path("video.mp4")});
    w.TabTo(w.form.ButtonNext);
    w.Key(Qt::Key_Space);
    EXPECT_EQ(w.page(), w.form.TabSheetStep2);

    // The keypad's Enter too.
    w.TabTo(w.form.ButtonBack);
    w.Key(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(w.page(), w.form.TabSheetStep1);
    w.form.close();
}

TEST(Keyboard, AltNAltBAndEscFollowTheButtons) {
    KeyboardWindow w;
    w.form.RadioButtonConvertVideo->setChecked(true);
    // The hidden page controls do not switch pages past the page logic.
    w.form.RadioButtonConvertVideo->setFocus();
    w.Key(Qt::Key_Tab, Qt::ControlModifier);
    w.Key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(w.page(), w.form.TabSheetMode);
    w.Key(Qt::Key_B, Qt::AltModifier);  // Back is disabled on the mode page
    EXPECT_EQ(w.page(), w.form.TabSheetMode);
    w.Key(Qt::Key_N, Qt::AltModifier);
    EXPECT_EQ(w.page(), w.form.TabSheetStep1);
    w.form.Wizard()->AddInputFiles({MediaClips::Shared().Path("video.mp4")});
    w.Key(Qt::Key_N, Qt::AltModifier);
    ASSERT_EQ(w.page(), w.form.TabSheetStep2);

    // Esc on Step2 is Cancel: it asks first, and No keeps the page, even from inside the folder field.
    w.form.Wizard()->Pages().EditOutputDir->setFocus();
    {
        ModalAnswer no(QMessageBox::No);
        w.Key(Qt::Key_Escape);
        EXPECT_EQ(no.seen->text, "Are you sure to cancel?");
    }
    EXPECT_EQ(w.page(), w.form.TabSheetStep2);

    w.Key(Qt::Key_B, Qt::AltModifier);
    EXPECT_EQ(w.page(), w.form.TabSheetStep1);
    {
        ModalAnswer yes(QMessageBox::Yes);
        w.Key(Qt::Key_B, Qt::AltModifier);
        EXPECT_EQ(yes.seen->text, "Are you sure to cancel and go back?");
    }
    EXPECT_EQ(w.page(), w.form.TabSheetMode);

    // Esc on the mode page is Exit: Yes closes the window.
    QSignalSpy closed(&w.form, &ui::TFormMain::Closed);
    {
        ModalAnswer yes(QMessageBox::Yes);
        w.Key(Qt::Key_Escape);
        EXPECT_EQ(yes.seen->text, "Are you sure to quit now?");
    }
    EXPECT_EQ(closed.count(), 1);
}

TEST(Keyboard, TheFocusedButtonShowsAFocusMark) {
    KeyboardWindow w;
    w.form.ButtonExit->clearFocus();
    QCoreApplication::processEvents();
    const QImage plain = w.form.ButtonExit->grab().toImage();
    w.TabTo(w.form.ButtonExit);
    const QImage focused = w.form.ButtonExit->grab().toImage();
    EXPECT_NE(plain, focused);
    // A mouse click does not move the focus onto a picture button.
    QTest::mouseClick(w.form.ButtonLog, Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), w.form.ButtonExit);
    w.formLog.hide();
    w.form.close();
}

TEST(Keyboard, CaptionsUnderlineTheLetterTheirAltKeyPresses) {
    KeyboardWindow w;
    struct Case {
        ui::TImageButton* button;
        QString drawn;
    };
    // The mode page: Back, Next, Exit.
    for (const Case& c : {Case{w.form.ButtonBack, "&Back"}, Case{w.form.ButtonNext, "&Next"},
                          Case{w.form.ButtonExit, "E&xit"}})
        EXPECT_EQ(c.button->DrawnCaption(), c.drawn) << c.button->objectName().toStdString();
    w.form.RadioButtonDownloadVideo->setChecked(true);
    w.form.ActionNext->trigger();
    // Step5: Next reads "Download" and still answers Alt+N; "Cancel" has no x and is Esc's.
    EXPECT_EQ(w.form.ButtonNext->DrawnCaption(), "Dow&nload");
    EXPECT_EQ(w.form.ButtonExit->DrawnCaption(), "Cancel");
    w.form.close();
}

TEST(Keyboard, EnterGoesOnWhereThePageGoesOn) {
    KeyboardWindow w;
    EXPECT_TRUE(w.form.ButtonNext->IsDefault());
    // The mode page: Enter on a radio button is Next.
    w.form.RadioButtonConvertVideo->setChecked(true);
    w.form.RadioButtonConvertVideo->setFocus();
    w.Key(Qt::Key_Return);
    ASSERT_EQ(w.page(), w.form.TabSheetStep1);
    // A page's own push button that has the keyboard takes Enter itself: Add Video... opens the dialog.
    int asked = 0;
    w.form.Wizard()->AskFilesToOpen = [&asked](const QString&, const QString&) {
        ++asked;
        return QStringList{MediaClips::Shared().Path("video.mp4")};
    };
    w.form.Wizard()->Pages().ButtonAdd->setFocus();
    w.Key(Qt::Key_Return);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(w.page(), w.form.TabSheetStep1);
    // Step2, from inside the folder field with a folder that cannot be made: Enter is Convert, which
    // answers with its notice and stays.
    w.form.ActionNext->trigger();
    ASSERT_EQ(w.page(), w.form.TabSheetStep2);
    w.form.Wizard()->Pages().EditOutputDir->setText(QStringLiteral("/proc/no-such-place/out/"));
    w.form.Wizard()->Pages().EditOutputDir->setFocus();
    {
        ModalAnswer ok(QMessageBox::Ok);
        w.Key(Qt::Key_Return);
        EXPECT_EQ(ok.seen->text,
                  "Fail to create directory! Please check if output folder have the right format!");
    }
    EXPECT_EQ(w.page(), w.form.TabSheetStep2);
    w.form.close();
}

TEST(Keyboard, PickingAFormatWithSpaceKeepsTheKeyboardOnTheRow) {
    KeyboardWindow w;
    w.form.RadioButtonConvertVideo->setChecked(true);
    w.form.ActionNext->trigger();
    w.form.Wizard()->AddInputFiles({MediaClips::Shared().Path("video.mp4")});
    w.form.ActionNext->trigger();
    ASSERT_EQ(w.page(), w.form.TabSheetStep2);
    // A format tile of the shown class that is not the chosen one.
    ui::TImageButton* tile = nullptr;
    for (ui::TImageButton* b : w.form.VideoFormatButtons)
        if (b && b->isVisible() && b->isEnabled()) tile = b;
    ASSERT_NE(tile, nullptr);
    w.TabTo(tile);
    w.Key(Qt::Key_Space);
    EXPECT_FALSE(tile->isEnabled());  // chosen
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    EXPECT_EQ(focus->parentWidget(), tile->parentWidget())
        << focus->objectName().toStdString() << " after " << tile->objectName().toStdString();
    EXPECT_TRUE(focus->objectName().startsWith(QLatin1String("ButtonFormat")))
        << focus->objectName().toStdString();
    w.form.close();
}

TEST(Keyboard, TheKeyboardComesBackWhenTheLogWindowHides) {
    KeyboardWindow w;
    w.form.ActionLog->trigger();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.formLog));
    w.formLog.ButtonOK->click();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&w.form));
    w.form.close();
}

}  // namespace
