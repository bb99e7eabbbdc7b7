#include "app/FileNameBytes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "core/FileNameLength.h"

namespace app {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // + a byte from 0x80 to 0xFF

bool IsEscapedByte(char16_t c) {
    return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF;
}

// The length of the valid UTF-8 sequence at the start of s (shortest form, no surrogates, at most
// U+10FFFF), or 0 when there is none.
int ValidSequenceLength(const unsigned char* s, qsizetype left, char32_t* codePoint) {
    const unsigned char lead = s[0];
    int length;
    char32_t c;
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07;
    } else {
        return 0;
    }
    if (left < length) return 0;
    for (int i = 1; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80) return 0;
        c = (c << 6) | (s[i] & 0x3F);
    }
    const bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
    if (overlong || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    *codePoint = c;
    return length;
}

}  // namespace

QString FileNameFromBytes(QByteArrayView bytes) {
    QString out;
    out.reserve(bytes.size());
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        char32_t c = 0;
        const int length = ValidSequenceLength(s + i, size - i, &c);
        if (length == 0) {
            out += QChar(char16_t(kEscapeBase + s[i]));
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            out += QChar(QChar::highSurrogate(c));
            out += QChar(QChar::lowSurrogate(c));
        } else {
            out += QChar(char16_t(c));
        }
        i += length;
    }
    return out;
}

QString FileNameFromStd(const std::string& bytes) {
    return FileNameFromBytes(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

QByteArray FileNameToBytes(QStringView name) {
    QByteArray out;
    out.reserve(name.size());
    qsizetype runStart = 0;  // start of the text not yet converted
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (!IsEscapedByte(c)) continue;
        // A low surrogate after a high one belongs to a pair, not to an escaped byte.
        if (i > 0 && QChar::isHighSurrogate(name[i - 1].unicode())) continue;
        out += name.mid(runStart, i - runStart).toUtf8();
        out += char(c - kEscapeBase);
        runStart = i + 1;
    }
    out += name.mid(runStart).toUtf8();
    return out;
}

std::string FileNameToStd(QStringView name) {
    return FileNameToBytes(name).toStdString();
}

QString FileNameForDisplay(QStringView name) {
    QString out = name.toString();
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (IsEscapedByte(out[i].unicode()) && !(i > 0 && out[i - 1].isHighSurrogate()))
            out[i] = QChar::ReplacementCharacter;
    }
    return out;
}

QStringList FileNamesFromArguments(int argc, const char* const* argv) {
    QStringList names;
    for (int i = 0; i < argc; ++i)
        names.append(FileNameFromBytes(QByteArrayView(argv[i])));
    return names;
}

QString FileNameFromUrl(const QUrl& url) {
    if (!url.isLocalFile()) return QString();
    const QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    return FileNameFromBytes(path);
}

QUrl UrlFromFileName(QStringView path) {
    // Every byte outside the unreserved set and "/" is percent-encoded, so the address is plain ASCII.
    return QUrl::fromEncoded("file://" + FileNameToBytes(path).toPercentEncoding("/"), QUrl::StrictMode);
}

QString CurrentFolder() {
    std::unique_ptr<char, decltype(&free)> cwd(getcwd(nullptr, 0), &free);
    return cwd ? FileNameFromBytes(QByteArrayView(cwd.get())) : QString();
}

bool MakeFolders(QStringView path) {
    std::error_code error;
    std::filesystem::create_directories(FileNameToStd(path), error);
    struct stat st;
    return stat(FileNameToBytes(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QString FitFileName(QStringView stem, QStringView tail) {
    return FileNameFromStd(core::FitNameMax(FileNameToStd(stem), FileNameToStd(tail)));
}

bool FileNameExists(QStringView path) {
    struct stat st;
    return lstat(FileNameToBytes(path).constData(), &st) == 0;
}

}  // namespace app
