#include "ui/SkinImages.h"

#include <QImageReader>

#include "app/UtilFuncs.h"
#include "ui/PngImage.h"

namespace ui {

namespace {

bool LoadBitmap(const QString& path, QImage* out, QString* error) {
    QImageReader reader(path, "BMP");
    *out = reader.read();
    if (out->isNull()) {
        *error = QStringLiteral("Cannot read the image \"%1\": %2").arg(path, reader.errorString());
        return false;
    }
    *out = out->convertToFormat(QImage::Format_RGB32);
    return true;
}

}  // namespace

bool LoadSkinImages(const QString& skinFolder, SkinImages* images, QString* error) {
    const QString dir = app::AddTrailingBackslash(skinFolder);
    auto png = [&](const char* name, QImage* out) {
        *out = LoadPngImage(dir + QLatin1String(name), error);
        return !out->isNull();
    };
    auto bmp = [&](const QString& name, QImage* out) { return LoadBitmap(dir + name, out, error); };
    if (!png("toplogo.png", &images->topLogo) || !png("leftlogo.png", &images->leftLogo) ||
        !png("downloadyoutube.png", &images->downloadVideo) ||
        !png("youtubeconvert.png", &images->convertVideo) ||
        !bmp(QStringLiteral("main.bmp"), &images->main)) {
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        if (!bmp(QStringLiteral("min_%1.bmp").arg(i + 1), &images->min[i])) return false;
        if (!bmp(QStringLiteral("close_%1.bmp").arg(i + 1), &images->close[i])) return false;
    }
    for (int i = 0; i < 4; ++i) {
        if (!bmp(QStringLiteral("bottom_%1.bmp").arg(i + 1), &images->bottom[i])) return false;
    }
    return true;
}

}  // namespace ui
