#include "ui/PngImage.h"

#include <png.h>

#include <QFile>
#include <cstring>
#include <memory>

namespace ui {

namespace {
// The simplified libpng reader keeps its state in a png_image that must always be freed.
struct PngImageGuard {
    png_image image;
    PngImageGuard() {
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
    }
    ~PngImageGuard() { png_image_free(&image); }
};
}  // namespace

QImage LoadPngImage(const QString& path, QString* error) {
    auto fail = [&](const QString& why) {
        if (error) *error = QStringLiteral("Cannot read the image \"%1\": %2").arg(path, why);
        return QImage();
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return fail(file.errorString());
    const QByteArray data = file.readAll();
    PngImageGuard guard;
    png_image& img = guard.image;
    if (!png_image_begin_read_from_memory(&img, data.constData(), size_t(data.size()))) {
        return fail(QString::fromLatin1(img.message));
    }
    // BGRA in memory is QImage's ARGB32 on little-endian machines; ARGB on big-endian ones.
    img.format = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;
    if (img.width == 0 || img.height == 0 || img.width > 16384 || img.height > 16384) {
        return fail(QStringLiteral("unsupported size"));
    }
    QImage out(int(img.width), int(img.height), QImage::Format_ARGB32);
    if (out.isNull()) return fail(QStringLiteral("out of memory"));
    if (!png_image_finish_read(&img, nullptr, out.bits(), png_int_32(out.bytesPerLine()), nullptr)) {
        return fail(QString::fromLatin1(img.message));
    }
    return out;
}

}  // namespace ui
