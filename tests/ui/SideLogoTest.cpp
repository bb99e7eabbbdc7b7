// The side picture's words follow the edition: what it does and how many formats it offers.
#include <gtest/gtest.h>

#include <QImage>

#include "ui/SideLogo.h"

namespace {

app::EditionProfile Edition(bool download, bool merge, int videoFormats, int audioFormats) {
    app::EditionProfile p;
    p.Download = download;
    p.Merge = merge;
    for (int i = 0; i < videoFormats; ++i)
        p.VideoFormats[size_t(i)] = true;
    for (int i = 0; i < audioFormats; ++i)
        p.AudioFormats[size_t(i)] = true;
    return p;
}

TEST(SideLogo, EachEditionWritesItsOwnWords) {
    struct Case {
        app::EditionProfile edition;
        const char* headline;
        const char* subline;
    };
    const Case cases[] = {
        {Edition(true, false, 9, 8), "Convert. Download.", "17 formats, one wizard"},
        {Edition(false, false, 1, 8), "Convert.", "9 formats, one wizard"},
        {Edition(false, true, 1, 0), "Join.", "1 format, one wizard"},
    };
    for (const Case& c : cases) {
        const ui::SideLogoWords words = ui::SideLogoWordsFor(c.edition);
        EXPECT_EQ(words.headline, c.headline);
        EXPECT_EQ(words.subline, c.subline);
    }
}

TEST(SideLogo, TheWordsAreDrawnOnTheCardAndDifferByEdition) {
    for (const QSize size : {QSize(170, 340), QSize(170, 80)}) {  // a tall card and a banner
        QImage card(size, QImage::Format_ARGB32_Premultiplied);
        card.fill(QColor(0x22, 0x30, 0x52));
        const QImage both = ui::DrawSideLogo(card, ui::SideLogoWordsFor(Edition(true, false, 9, 8)));
        const QImage convertOnly = ui::DrawSideLogo(card, ui::SideLogoWordsFor(Edition(false, false, 9, 8)));
        EXPECT_EQ(both.size(), size);
        EXPECT_NE(both.convertToFormat(card.format()), card);
        EXPECT_NE(both, convertOnly);
    }
    EXPECT_TRUE(ui::DrawSideLogo(QImage(), {"Convert.", "x"}).isNull());
}

}  // namespace
