#include <gtest/gtest.h>

#include <QAction>
#include <QTemporaryDir>

#include "ui/ImageButton.h"
#include "ui/PngImage.h"
#include "ui/SkinnedFrame.h"

namespace {

QImage Solid(QColor c, QSize size = QSize(20, 10)) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

TEST(PngImage, DecodesWithLibpngAndReportsBadFiles) {
    QTemporaryDir tmp;
    QImage source(3, 2, QImage::Format_ARGB32);
    source.fill(qRgba(10, 20, 30, 255));
    source.setPixel(2, 1, qRgba(200, 100, 50, 128));
    ASSERT_TRUE(source.save(tmp.filePath("a.png"), "PNG"));
    const QImage decoded = ui::LoadPngImage(tmp.filePath("a.png"));
    ASSERT_EQ(decoded.size(), QSize(3, 2));
    EXPECT_EQ(decoded.pixel(0, 0), qRgba(10, 20, 30, 255));
    EXPECT_EQ(qAlpha(decoded.pixel(2, 1)), 128);
    EXPECT_EQ(qRed(decoded.pixel(2, 1)), 200);

    QFile bad(tmp.filePath("bad.png"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("\x89PNG\r\n\x1a\n truncated");
    bad.close();
    for (const char* name : {"bad.png", "missing.png"}) {
        QString error;
        EXPECT_TRUE(ui::LoadPngImage(tmp.filePath(name), &error).isNull()) << name;
        EXPECT_TRUE(error.contains(name)) << error.toStdString();
    }
}

TEST(SkinnedFrame, MagentaIsCutAway) {
    QImage bitmap = Solid(Qt::white, QSize(10, 10));
    for (int i = 0; i < 10; ++i)
        bitmap.setPixel(i, 0, 0xFFFF00FF);  // the top row is transparent
    bitmap.setPixel(5, 5, 0xFFFE00FF);      // a near-magenta pixel stays
    const QRegion region = ui::OpaqueRegion(bitmap);
    EXPECT_FALSE(region.contains(QPoint(3, 0)));
    EXPECT_TRUE(region.contains(QPoint(3, 1)));
    EXPECT_TRUE(region.contains(QPoint(5, 5)));
    ui::TSkinnedFrame frame;
    frame.SetSkinBitmap(bitmap);
    EXPECT_EQ(frame.size(), QSize(10, 10));
    EXPECT_EQ(frame.mask(), region);
}

TEST(ImageButton, PicturesFollowTheStateAndTheAction) {
    ui::TImageButton button;
    button.SetPictures(Solid(Qt::red), Solid(Qt::green), Solid(Qt::blue), Solid(Qt::gray));
    EXPECT_EQ(button.size(), QSize(20, 10));
    EXPECT_EQ(button.PictureState(), 0);
    button.setDown(true);
    EXPECT_EQ(button.PictureState(), 2);
    button.setDown(false);
    button.setEnabled(false);
    EXPECT_EQ(button.PictureState(), 3);

    QAction action("Next");
    int triggered = 0;
    QObject::connect(&action, &QAction::triggered, [&] { ++triggered; });
    button.SetAction(&action);
    EXPECT_TRUE(button.isEnabled());
    EXPECT_EQ(button.text(), "Next");
    action.setText("Convert");
    action.setEnabled(false);
    EXPECT_EQ(button.text(), "Convert");
    EXPECT_FALSE(button.isEnabled());
    button.click();  // disabled: nothing
    action.setEnabled(true);
    button.click();
    EXPECT_EQ(triggered, 1);
}

TEST(ImageButton, TransparentDrawingLeavesOutTheCornerColour) {
    QImage picture = Solid(QColor(0x10, 0x20, 0x30), QSize(4, 4));
    picture.setPixel(1, 1, qRgb(255, 255, 255));
    ui::TImageButton button;
    button.SetPictures(picture, picture, picture);
    button.SetTransparent(true);
    button.resize(4, 4);
    QImage shot(4, 4, QImage::Format_ARGB32_Premultiplied);
    shot.fill(Qt::transparent);
    button.render(&shot, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(qAlpha(shot.pixel(0, 0)), 0);
    EXPECT_EQ(shot.pixel(1, 1), qRgb(255, 255, 255));
}

}  // namespace
