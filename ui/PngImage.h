#pragma once
// PNG skin images are decoded with libpng.

#include <QImage>
#include <QString>

namespace ui {

// The image in ARGB32; a null image and *error set when the file is missing or not a readable PNG.
QImage LoadPngImage(const QString& path, QString* error = nullptr);

}  // namespace ui
