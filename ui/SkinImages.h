#pragma once
// The images of a skin folder. All of them must be present: a missing or unreadable one is a start-up
// error that names the file.

#include <QImage>
#include <QString>
#include <array>

namespace ui {

struct SkinImages {
    QImage topLogo;                // toplogo.png
    QImage leftLogo;               // leftlogo.png
    QImage downloadVideo;          // downloadyoutube.png (mode page)
    QImage convertVideo;           // youtubeconvert.png (mode page)
    QImage main;                   // main.bmp: shape and background; magenta is transparent
    std::array<QImage, 3> min;     // normal, mouse over, pressed
    std::array<QImage, 3> close;   // normal, mouse over, pressed
    std::array<QImage, 4> bottom;  // normal, mouse over, pressed, disabled
};

bool LoadSkinImages(const QString& skinFolder, SkinImages* images, QString* error);

}  // namespace ui
