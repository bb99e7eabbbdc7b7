#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>

#include "ModalAnswer.h"
#include "ui/Dialogs.h"

namespace {

TEST(MessageDialogEx, CaptionsUpToTheLastIndex) {
    struct Case {
        int last;
        QStringList captions;
        QStringList shown;
    } cases[] = {
        {-1, {"Now", "Later"}, {"&Yes", "&No", "Cancel"}},
        {0, {"Now", "Later"}, {"Now", "&No", "Cancel"}},
        {1, {"", "Later"}, {"&Yes", "Later", "Cancel"}},
        {5, {"A", "B"}, {"A", "B", "Cancel"}},  // fewer captions than the index allows
    };
    for (const Case& c : cases) {
        ModalAnswer answer(QMessageBox::No);
        const auto pressed =
            ui::MessageDialogEx("Shut down?", "Title", ui::mtConfirmation, c.last, c.captions,
                                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        EXPECT_EQ(pressed, QMessageBox::No);
        ASSERT_TRUE(answer.seen->shown);
        EXPECT_EQ(answer.seen->title, "Title");
        EXPECT_EQ(answer.seen->text, "Shut down?");
        QStringList shown = answer.seen->buttons;
        for (QString& s : shown)
            s.remove(u'&');
        QStringList expected = c.shown;
        for (QString& s : expected)
            s.remove(u'&');
        // The box lays its buttons out in the platform's order; compare the captions only.
        shown.sort();
        expected.sort();
        EXPECT_EQ(shown, expected) << c.last;
    }
}

TEST(WaitCursor, Nests) {
    EXPECT_EQ(ui::WaitCursorDepth(), 0);
    ui::EndWaitCursor();  // unbalanced end: nothing happens
    EXPECT_EQ(ui::WaitCursorDepth(), 0);
    ui::BeginWaitCursor();
    ui::BeginWaitCursor();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    ui::EndWaitCursor();
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    ui::EndWaitCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    try {
        ui::WaitCursor wait;
        throw std::runtime_error("work failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
