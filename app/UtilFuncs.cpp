#include "app/UtilFuncs.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <array>

#include "app/FileNameBytes.h"

namespace app {

namespace {
const QString kForbiddenChars = QStringLiteral("\\/:*?\"<>|");
// Replacement order of the cleaning rule.
const QString kCleanOrder = QStringLiteral("\\:/*?\"<>|");
constexpr int kMaxUniqueNumber = 32768;

}  // namespace

QString AddTrailingBackslash(const QString& path) {
    if (path.isEmpty() || path.endsWith(u'/')) return path;
    return path + u'/';
}

bool HasAnyChar(const QString& text, const QString& chars) {
    for (QChar c : chars) {
        if (text.contains(c)) return true;
    }
    return false;
}

bool IsValidFileName(const QString& name) {
    return !name.isEmpty() && !HasAnyChar(name, kForbiddenChars);
}

QString CleanFileName(const QString& name) {
    if (IsValidFileName(name)) return name;
    QString result = name;
    for (QChar c : kCleanOrder)
        result.replace(c, u'_');
    return result;
}

QString FileExt(const QString& path) {
    const int nameStart = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u':')) + 1;
    const int dot = path.lastIndexOf(u'.');
    return dot >= nameStart ? path.mid(dot) : QString();
}

QString StripFileExt(const QString& path) {
    return path.left(path.size() - FileExt(path).size());
}

QString UniqueFileName(const QString& name, const QString& folder, const QSet<QString>* reserved) {
    const QString dir = AddTrailingBackslash(folder);
    auto taken = [&](const QString& candidate) {
        return (reserved && reserved->contains(candidate)) || FileNameExists(dir + candidate);
    };
    const QString stem = StripFileExt(name);
    const QString ext = FileExt(name);
    const QString fitted = FitFileName(stem, ext);
    if (!taken(fitted)) return fitted;
    QString candidate;
    for (int i = 1; i <= kMaxUniqueNumber; ++i) {
        candidate = FitFileName(stem, u'(' + QString::number(i) + u')' + ext);
        if (i == kMaxUniqueNumber || !taken(candidate)) break;
    }
    return candidate;
}

QString FormatSeconds(int64_t s) {
    return QString::asprintf("%02lld:%02lld:%02lld", static_cast<long long>(s / 3600),
                             static_cast<long long>((s % 3600) / 60), static_cast<long long>(s % 60));
}

QString FormatMicroseconds(int64_t us) {
    const int64_t t = us / 1000000;
    const int64_t ms = (us % 1000000) * 1000 / 1000000;
    return QString::asprintf("%.2lld:%.2lld:%.2lld.%.3lld", static_cast<long long>(t / 3600),
                             static_cast<long long>((t / 60) % 60), static_cast<long long>(t % 60),
                             static_cast<long long>(ms));
}

bool IsKnownMediaExtension(const QString& extWithDot) {
    static const std::array<const char*, 41> kKnown = {
        ".mp3", ".aac", ".wav", ".wma", ".cda",  ".flac", ".m4a", ".mid", ".mka", ".mp2", ".mpa",
        ".mpc", ".ape", ".ofr", ".ogg", ".ra",   ".wv",   ".tta", ".ac3", ".dts", ".avi", ".avm",
        ".asf", ".wmv", ".avs", ".flv", ".mkv",  ".mov",  ".3gp", ".mp4", ".mpg", ".dat", ".ogm",
        ".vob", ".rm",  ".ts",  ".tp",  ".rmvb", ".ifo",  ".nsv", ".swf"};
    const QString ext = extWithDot.toLower();
    for (const char* known : kKnown) {
        if (ext == QLatin1String(known)) return true;
    }
    return false;
}

QStringList SplitString(const QString& text, const QString& separator) {
    QStringList items;
    if (separator.isEmpty()) {
        if (!text.isEmpty()) items.append(text);
        return items;
    }
    QString token;
    int i = 0;
    while (i < text.size()) {
        if (QStringView(text).mid(i).startsWith(separator)) {
            items.append(token);
            token.clear();
            i += separator.size();
        } else {
            token += text[i++];
        }
    }
    if (!token.isEmpty()) items.append(token);
    return items;
}

QString DecodeHtmlEntities(const QString& text) {
    static const std::array<std::pair<const char*, char16_t>, 5> kNamed = {{
        {"amp;", u'&'},
        {"lt;", u'<'},
        {"gt;", u'>'},
        {"nbsp;", u' '},
        {"quot;", u'"'},
    }};
    QString out;
    out.reserve(text.size());
    int i = 0;
    while (i < text.size()) {
        if (text[i] != u'&') {
            out += text[i++];
            continue;
        }
        const QStringView rest = QStringView(text).mid(i + 1);
        bool decoded = false;
        for (const auto& [name, ch] : kNamed) {
            if (rest.startsWith(QLatin1String(name))) {
                out += QChar(ch);
                i += 1 + int(strlen(name));
                decoded = true;
                break;
            }
        }
        if (!decoded && rest.startsWith(u'#')) {
            // Text is Unicode here, so a numeric entity becomes its whole code point (an 8-bit code page
            // would keep only the low byte and turn &#8217; into a control character).
            const int semi = text.indexOf(u';', i + 2);
            const QStringView digits =
                semi > i + 2 ? QStringView(text).mid(i + 2, semi - i - 2) : QStringView();
            bool allDigits = !digits.isEmpty() && digits.size() <= 7;
            for (QChar d : digits)
                allDigits = allDigits && d >= u'0' && d <= u'9';
            const uint code = allDigits ? digits.toUInt() : 0;
            if (code > 0 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF)) {
                const char32_t cp = code;
                out += QString::fromUcs4(&cp, 1);
                i = semi + 1;
                decoded = true;
            }
        }
        if (!decoded) out += text[i++];
    }
    return out;
}

QString GetSpecialFolder(const QString& name) {
    const QString home = QDir::homePath();
    QString path;
    if (name.compare(QLatin1String("AppData"), Qt::CaseInsensitive) == 0) {
        path = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    } else if (name.compare(QLatin1String("Personal"), Qt::CaseInsensitive) == 0) {
        path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (!path.isEmpty() && !QFileInfo(path).isDir()) path.clear();
    }
    if (path.isEmpty()) path = home;
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

}  // namespace app
