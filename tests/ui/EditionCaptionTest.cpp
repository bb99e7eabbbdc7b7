// The edition's own title in the caption band, drawn at run time over a skin that carries no name.
#include <gtest/gtest.h>

#include <QLabel>

#include "ProgramFolder.h"
#include "ui/EditionCaption.h"
#include "ui/FormMain.h"
#include "ui/ImageButton.h"

namespace {

struct Caption {
    QImage logo;
    QImage caption;
    QString name;
    QString toolTip;
    QRect geometry;
    QRect buttonMin;
};

Caption StartAndReadCaption(const QString& title) {
    ProgramFolder program(ProgramFolder::Profile("Name=" + title.toUtf8() + "\n"));
    ui::TFormMain form(program.dir());
    Caption c{form.ImageTopLogo->pixmap().toImage(), form.LabelCaption->pixmap().toImage(),
              form.LabelCaption->accessibleName(),   form.LabelCaption->toolTip(),
              form.LabelCaption->geometry(),         form.ButtonMin->geometry()};
    form.close();
    return c;
}

TEST(EditionCaption, EachEditionShowsOnlyItsOwnTitle) {
    const Caption main = StartAndReadCaption(QStringLiteral("Reelwright Video Converter"));
    const Caption studio = StartAndReadCaption(QStringLiteral("Studio Media Converter"));
    // One skin for both: its logo is the same picture, so no name can be baked into it.
    EXPECT_EQ(main.logo, studio.logo);
    EXPECT_EQ(main.name, "Reelwright Video Converter");
    EXPECT_EQ(studio.name, "Studio Media Converter");
    EXPECT_FALSE(studio.caption.isNull());
    EXPECT_NE(main.caption, studio.caption);
    EXPECT_TRUE(main.toolTip.isEmpty());
}

TEST(EditionCaption, ALongTitleIsCutBeforeTheChromeButtonsAndKeptWholeInTheTooltip) {
    const QString title =
        QStringLiteral("ReelKit Free Video to Audio and Ringtone Converter for Phones, Tablets and Players");
    const Caption c = StartAndReadCaption(title);
    EXPECT_EQ(c.name, title);
    EXPECT_EQ(c.toolTip, title);
    EXPECT_LT(c.geometry.right(), c.buttonMin.left());
}

TEST(EditionCaption, DrawingKeepsTheLeadWordAndCutsTheRest) {
    const ui::EditionCaption wide = ui::DrawEditionCaption(QStringLiteral("Studio Media Converter"), 600, 38);
    EXPECT_FALSE(wide.elided);
    EXPECT_EQ(wide.picture.height(), 38);
    const ui::EditionCaption narrow =
        ui::DrawEditionCaption(QStringLiteral("Studio Media Converter"), 90, 38);
    EXPECT_TRUE(narrow.elided);
    EXPECT_LE(narrow.picture.width(), 90);
    EXPECT_TRUE(ui::DrawEditionCaption(QString(), 600, 38).picture.isNull());
}

}  // namespace
