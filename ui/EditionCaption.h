#pragma once
// The edition's title in the window's caption band, drawn at run time so that every edition shows its own
// name over the same skin: the first word bold and white, the rest lighter, cut with "..." when the band is
// too short.

#include <QImage>
#include <QString>

namespace ui {

struct EditionCaption {
    QImage picture;  // transparent around the text
    bool elided = false;
};

// A picture of at most maxWidth x height pixels with the title centred vertically.
EditionCaption DrawEditionCaption(const QString& title, int maxWidth, int height);

}  // namespace ui
