#pragma once
// The pictures of the class and format buttons on the output page, drawn at run time: a button that
// stands for the current choice is shown disabled, and its disabled picture is the pressed look.

#include <QColor>
#include <QImage>
#include <QString>
#include <array>

namespace ui {

// normal, mouse over, pressed, disabled
using ButtonPictureSet = std::array<QImage, 4>;

// A 62 x 57 format tile showing the format's name.
ButtonPictureSet FormatButtonPictures(const QString& name, const QColor& accent);

// A 165 x 30 class button: a small emblem (0 video, 1 device, 2 audio) and the class name.
ButtonPictureSet ClassButtonPictures(int formatClass, const QString& name, const QColor& accent);

}  // namespace ui
