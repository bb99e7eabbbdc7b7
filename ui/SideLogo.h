#pragma once
// The side picture's words. The skin's picture card carries no text: each edition writes its own words on
// it at run time ("Convert. Download." only where the edition downloads, the number of formats it offers).

#include <QImage>
#include <QString>

#include "app/EditionProfile.h"

namespace ui {

struct SideLogoWords {
    QString headline;  // what the edition does: "Convert.", "Join.", with " Download." where it downloads
    QString subline;   // what it offers: "24 formats, one wizard"
};

SideLogoWords SideLogoWordsFor(const app::EditionProfile& profile);

// The card with the words written on it: a tall card has them in two centred lines near its foot, a low
// banner beside its emblem. A null card stays null.
QImage DrawSideLogo(const QImage& card, const SideLogoWords& words);

}  // namespace ui
