// The run's preview window: its size cap, its place beside the main window, one window for the whole run,
// and the way it closes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QScreen>
#include <QTest>

#include "StartedWindow.h"
#include "engine/Bitmap.h"
#include "ui/ConversionPage.h"
#include "ui/MainWizard.h"
#include "ui/PreviewWindow.h"
#include "ui/WizardPages.h"

namespace {

using ui::PreviewGeometryFor;
using ui::PreviewSizeFor;

// Same shape within the one pixel that rounding to whole pixels costs.
void ExpectShape(const QSize& shown, const QSize& picture) {
    EXPECT_NEAR(double(shown.width()) / shown.height(), double(picture.width()) / picture.height(),
                2.0 / shown.height())
        << shown.width() << "x" << shown.height();
}

TEST(PreviewPlacement, CappedBesideTheOwnerAndNeverOverIt) {
    struct Case {
        const char* what;
        QSize picture;
        QRect owner;
        QRect screen;
    };
    const QRect sxga(0, 0, 1280, 1024), fullHd(0, 0, 1920, 1050);
    const Case cases[] = {
        {"1080p on 1280x1024, window centred", {1920, 1080}, {260, 232, 760, 560}, sxga},
        {"1080p on 1280x1024, window at the left", {1920, 1080}, {0, 0, 760, 560}, sxga},
        {"1080p on 1280x1024, window at the right", {1920, 1080}, {520, 100, 760, 560}, sxga},
        {"small clip on a wide screen", {320, 240}, {580, 245, 760, 560}, fullHd},
        {"portrait clip", {720, 1280}, {260, 232, 760, 560}, sxga},
        {"second screen to the right", {1920, 1080}, {1300, 232, 760, 560}, sxga.translated(1280, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QRect at = PreviewGeometryFor(c.picture, c.owner, c.screen);
        ASSERT_TRUE(at.isValid());
        EXPECT_LE(at.width(), c.screen.width() * 0.6 + 0.5);
        EXPECT_LE(at.height(), c.screen.height() * 0.6 + 0.5);
        EXPECT_LE(at.width(), c.picture.width());  // never scaled up
        ExpectShape(at.size(), c.picture);
        EXPECT_TRUE(c.screen.contains(at))
            << at.x() << "," << at.y() << " " << at.width() << "x" << at.height();
        EXPECT_FALSE(at.intersects(c.owner))
            << at.x() << "," << at.y() << " " << at.width() << "x" << at.height();
    }
    // A small clip beside a centred window keeps its own size.
    EXPECT_EQ(PreviewGeometryFor({320, 240}, {580, 245, 760, 560}, fullHd).size(), QSize(320, 240));
}

TEST(PreviewPlacement, WithNoRoomBesideTheOwnerTheCornerThatHidesLeastOfIt) {
    const QRect screen(0, 0, 1280, 1024);
    // Filling the screen: any corner, at the capped size.
    QRect at = PreviewGeometryFor({1920, 1080}, screen, screen);
    EXPECT_EQ(at.size(), PreviewSizeFor({1920, 1080}, screen));
    EXPECT_EQ(at.size(), QSize(768, 432));
    EXPECT_TRUE(screen.contains(at));
    // A large window on a small screen, nearer its top-left: the picture goes to the lower right.
    const QRect small(0, 0, 1024, 738), owner(20, 10, 900, 640);
    at = PreviewGeometryFor({1280, 720}, owner, small);
    EXPECT_EQ(at.size(), PreviewSizeFor({1280, 720}, small));
    EXPECT_TRUE(small.contains(at));
    EXPECT_GT(at.center().x(), owner.center().x());
    EXPECT_GT(at.center().y(), owner.center().y());
}

engine::TBitmap Picture(int width, int height) {
    engine::TBitmap b;
    b.Resize(width, height, 24);
    return b;
}

// The window through the conversion page, as the engine drives it: two files, each with its own key.
TEST(PreviewWindow, OneWindowForTheRunThatClosesWithTheBoxOrTheRun) {
    StartedWindow w(StartedWindow::Edition(""));
    ui::TConversionPage& page = w.form.Wizard()->Conversion();
    QCheckBox* box = w.form.Wizard()->Pages().CheckBoxPreview;
    box->setChecked(true);
    const int first = 1, second = 2;
    const auto previews = [&w] { return w.form.findChildren<ui::TPreviewWindow*>(); };
    ASSERT_EQ(previews().size(), 1);
    ui::TPreviewWindow* window = previews().first();
    EXPECT_FALSE(window->isVisible());

    page.ShowPreview(&first, Picture(1920, 1080), "00:00:01.000");
    ASSERT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "00:00:01.000");
    const QRect screen = w.form.screen()->availableGeometry();
    EXPECT_LE(window->width(), screen.width() * 0.6 + 0.5);
    EXPECT_LE(window->height(), screen.height() * 0.6 + 0.5);
    ExpectShape(window->size(), {1920, 1080});
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::Tool));
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));  // above its owner only

    // The first file ends and the second begins: the same window, now with the second file's shape.
    page.ClosePreview(&first);
    EXPECT_TRUE(window->isVisible());
    page.ShowPreview(&second, Picture(640, 480), "00:00:00.100");
    EXPECT_EQ(previews().size(), 1);
    EXPECT_TRUE(window->isVisible());
    ExpectShape(window->size(), {640, 480});

    // An anamorphic picture (640x420 stored, 16:9 shown) takes the shape it plays in.
    engine::TBitmap anamorphic = Picture(640, 420);
    anamorphic.PixelAspect = 7.0 / 6.0;
    page.ShowPreview(&second, anamorphic, "00:00:00.200");
    ExpectShape(window->size(), {16, 9});

    // The run's end closes it.
    page.ShowConversionSummary();
    EXPECT_FALSE(window->isVisible());

    // Closed by the user: the box clears, which ends the preview of the whole run.
    page.ShowPreview(&first, Picture(320, 240), "00:00:02.000");
    ASSERT_TRUE(window->isVisible());
    window->close();
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(window->isVisible());

    // Clearing the box closes it as well.
    box->setChecked(true);
    page.ShowPreview(&first, Picture(320, 240), "00:00:03.000");
    ASSERT_TRUE(window->isVisible());
    box->setChecked(false);
    page.ClosePreview(&first);
    EXPECT_FALSE(window->isVisible());
    w.form.close();
}

}  // namespace
