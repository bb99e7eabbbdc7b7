#include "download/MediaCheck.h"

#include <QFile>
#include <QFileInfo>

#include "app/FileNameBytes.h"
#include "core/Text.h"
#include "engine/FFDecode.h"
#include "engine/FFLoad.h"

namespace download {

namespace {

bool IsHtmlType(const std::string& contentType) {
    const std::string type = core::ToLower(core::Trim(contentType.substr(0, contentType.find(';'))));
    return type == "text/html" || type == "application/xhtml+xml";
}

// The first bytes of an HTML document: blanks and a byte-order mark, then a tag that starts one.
bool LooksLikeHtml(QByteArray head) {
    if (head.startsWith("\xEF\xBB\xBF")) head.remove(0, 3);
    head = head.trimmed().left(64).toLower();
    for (const char* start : {"<!doctype html", "<html", "<head", "<body", "<title", "<!--", "<?xml"})
        if (head.startsWith(start)) return true;
    return false;
}

}  // namespace

QString WhyNotMedia(const QString& path, const std::string& contentType) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("the received file cannot be read back");
    if (file.size() == 0) return QStringLiteral("the server sent an empty answer");
    if (IsHtmlType(contentType) || LooksLikeHtml(file.read(512)))
        return QStringLiteral("the server sent a web page instead of the video");
    file.close();
    if (!engine::AVLibLoaded()) return {};
    engine::TFFDecoder probe;
    if (!probe.LoadFile(app::FileNameToBytes(path).toStdString()))
        return QStringLiteral("the server's answer is no video (%1)")
            .arg(QString::fromStdString(probe.LastErrMsg()));
    if (probe.AudioStreamCount() <= 0 && probe.VideoStreamCount() <= 0)
        return QStringLiteral("the server's answer holds neither pictures nor sound");
    return {};
}

}  // namespace download
