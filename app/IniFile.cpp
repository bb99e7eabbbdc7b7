#include "app/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace app {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; its five unassigned bytes map to the C1 controls.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsAscii(const QByteArray& bytes) {
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// A stored line: UTF-8 when it is valid UTF-8, else Windows-1252.
QString Decode(const QByteArray& bytes) {
    if (IsAscii(bytes)) return QString::fromLatin1(bytes);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    QString cp1252(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        cp1252[i] = b >= 0x80 && b < 0xA0 ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return cp1252;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The first byte that is not a blank, or 0 for a blank line.
char FirstNonBlank(const QByteArray& line) {
    for (const char c : line)
        if (!IsBlank(c)) return c;
    return 0;
}

// "[name]" -> name (trimmed); false when the line is not a section header.
bool SectionName(const QByteArray& line, QString* name) {
    if (FirstNonBlank(line) != '[') return false;
    const QByteArray t = line.trimmed();
    qsizetype close = t.indexOf(']');
    if (close < 0) close = t.size();
    *name = Decode(t.mid(1, close - 1)).trimmed();
    return true;
}

// The form in which keys are compared: trimmed and case-folded, as UTF-8. ASCII keys, by far the most
// common, are folded in place without decoding.
void LookupForm(QByteArrayView key, std::string& out) {
    while (!key.isEmpty() && IsBlank(key.front()))
        key = key.sliced(1);
    while (!key.isEmpty() && IsBlank(key.back()))
        key.chop(1);
    out.assign(key.data(), size_t(key.size()));
    for (char& c : out) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            out = Decode(key.toByteArray()).trimmed().toCaseFolded().toStdString();
            return;
        }
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    }
}

std::string LookupForm(const QString& key) {
    return key.trimmed().toCaseFolded().toStdString();
}

size_t HashOf(const std::string& form) {
    return qHash(QByteArrayView(form.data(), qsizetype(form.size())));
}

// The lookup form of the key of a "key=value" line; false when the line holds no key.
bool KeyOf(const QByteArray& line, std::string& form) {
    const char first = FirstNonBlank(line);
    if (first == 0 || first == ';') return false;
    const qsizetype eq = line.indexOf('=');
    if (eq < 0) return false;
    LookupForm(QByteArrayView(line).first(eq), form);
    return true;
}

QString Unquote(const QString& value) {
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first) return value.mid(1, value.size() - 2);
    }
    return value;
}

QString ValueOf(const QByteArray& line) {
    return Unquote(Decode(line.mid(line.indexOf('=') + 1)).trimmed());
}

// Line breaks inside a value would split it into lines of their own and change the file's structure.
QString OneLine(const QString& value) {
    QString v = value;
    v.replace(u'\r', u' ').replace(u'\n', u' ');
    return v;
}

// Reading trims blanks and removes one pair of matching quotes; a value that would lose something that
// way is written inside quotes, so it reads back exactly (a folder name may end in a blank).
QString Protected(const QString& value) {
    if (value != value.trimmed() || Unquote(value) != value) return u'"' + value + u'"';
    return value;
}

// Splits at "\r\n", "\n" or a lone "\r"; *lineEnd receives the first line end found.
// The lines are views into data, which must outlive them.
std::vector<QByteArray> SplitLines(const QByteArray& data, QByteArray* lineEnd) {
    std::vector<QByteArray> lines;
    bool endSeen = false;
    qsizetype start = 0;
    const qsizetype n = data.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = data[i];
        if (c != '\n' && c != '\r') continue;
        lines.push_back(QByteArray::fromRawData(data.constData() + start, i - start));
        const bool crlf = c == '\r' && i + 1 < n && data[i + 1] == '\n';
        if (!endSeen) {
            *lineEnd = crlf ? QByteArray("\r\n") : QByteArray(1, c);
            endSeen = true;
        }
        if (crlf) ++i;
        start = i + 1;
    }
    if (start < n) lines.push_back(QByteArray::fromRawData(data.constData() + start, n - start));
    return lines;
}

}  // namespace

bool ParseIniInteger(const QString& text, int32_t* out) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (ok) *out = value;
    return ok;
}

IniFile::IniFile(QString path) : path_(std::move(path)) {
    sections_.emplace_back();
    QFile file(path_);
    if (!file.exists()) return;
    existed_ = true;
    // Only a regular file is read: opening a FIFO would block until someone writes into it, and a device
    // may never end. The open itself must not block either, hence O_NONBLOCK (no effect on a regular file).
    const int fd = ::open(QFile::encodeName(path_).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        readError_ =
            fd < 0 ? QString::fromLocal8Bit(std::strerror(errno)) : QStringLiteral("not a regular file");
        if (fd >= 0) ::close(fd);
        readable_ = false;
        return;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        readError_ = file.errorString();
        readable_ = false;
        return;
    }
    QByteArray& data = buffer_;
    data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        readError_ = file.errorString();
        readable_ = false;
        return;
    }
    if (data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF")) {
        // UTF-16: held as UTF-8 lines and written back as UTF-16, which gives the same bytes for
        // every line that stays as it is.
        encoding_ = data.startsWith("\xFF\xFE") ? Encoding::Utf16LE : Encoding::Utf16BE;
        QStringDecoder utf16(encoding_ == Encoding::Utf16LE ? QStringConverter::Utf16LE
                                                            : QStringConverter::Utf16BE);
        data = QString(utf16.decode(data.mid(2))).toUtf8();
    } else if (data.startsWith("\xEF\xBB\xBF")) {
        utf8Bom_ = true;
        data.remove(0, 3);
    }
    for (QByteArray& line : SplitLines(data, &lineEnd_)) {
        QString name;
        if (SectionName(line, &name)) {
            const QString folded = name.toCaseFolded();
            if (!sectionIndex_.contains(folded)) sectionIndex_.insert(folded, int(sections_.size()));
            sections_.emplace_back();
        }
        sections_.back().lines.push_back(std::move(line));
    }
}

const IniFile::Section* IniFile::FindSection(const QString& section) const {
    const auto found = sectionIndex_.constFind(section.trimmed().toCaseFolded());
    return found == sectionIndex_.cend() ? nullptr : &sections_[size_t(*found)];
}

int IniFile::FindKey(const Section& s, const QString& key) const {
    std::string form;
    if (!s.indexed) {
        s.keys.reserve(s.lines.size());
        for (size_t i = 1; i < s.lines.size(); ++i)
            if (KeyOf(s.lines[i], form)) s.keys.emplace_back(HashOf(form), int(i));
        std::sort(s.keys.begin(), s.keys.end());  // by hash, then by line: the first line of a key wins
        s.indexed = true;
    }
    const std::string wanted = LookupForm(key);
    const size_t hash = HashOf(wanted);
    auto it = std::lower_bound(s.keys.begin(), s.keys.end(), std::pair<size_t, int>(hash, -1));
    for (; it != s.keys.end() && it->first == hash; ++it)
        if (KeyOf(s.lines[size_t(it->second)], form) && form == wanted) return it->second;
    for (const auto& [h, line] : s.addedKeys)
        if (h == hash && KeyOf(s.lines[size_t(line)], form) && form == wanted) return line;
    return -1;
}

bool IniFile::SectionExists(const QString& section) const {
    return FindSection(section) != nullptr;
}

bool IniFile::ValueExists(const QString& section, const QString& key) const {
    const Section* s = FindSection(section);
    return s && FindKey(*s, key) >= 0;
}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& def) const {
    const Section* s = FindSection(section);
    const int line = s ? FindKey(*s, key) : -1;
    return line < 0 ? def : ValueOf(s->lines[size_t(line)]);
}

int32_t IniFile::ReadInteger(const QString& section, const QString& key, int32_t def) const {
    const Section* s = FindSection(section);
    const int line = s ? FindKey(*s, key) : -1;
    int32_t result = def;
    return line >= 0 && ParseIniInteger(ValueOf(s->lines[size_t(line)]), &result) ? result : def;
}

bool IniFile::ReadBool(const QString& section, const QString& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    const QString text = OneLine(value);
    const QByteArray line = (key.trimmed() + u'=' + Protected(text)).toUtf8();
    const Section* found = FindSection(section);
    if (!found) {
        Section& last = sections_.back();
        if (!last.lines.empty() && !last.lines.back().trimmed().isEmpty()) last.lines.emplace_back();
        sectionIndex_.insert(section.trimmed().toCaseFolded(), int(sections_.size()));
        Section added;
        added.lines = {(u'[' + section.trimmed() + u']').toUtf8(), line};
        sections_.push_back(std::move(added));
        return;
    }
    Section& s = sections_[size_t(found - sections_.data())];
    const int existing = FindKey(s, key);
    if (existing >= 0) {
        if (ValueOf(s.lines[size_t(existing)]) != text) s.lines[size_t(existing)] = line;
        return;
    }
    // After the section's last non-blank line, so blank separators stay between sections; only blank
    // lines move, so the key index stays valid.
    size_t insertAt = s.lines.size();
    while (insertAt - 1 > 0 && s.lines[insertAt - 1].trimmed().isEmpty())
        --insertAt;
    s.lines.insert(s.lines.begin() + qsizetype(insertAt), line);
    s.addedKeys.emplace_back(HashOf(LookupForm(key)), int(insertAt));
}

void IniFile::WriteInteger(const QString& section, const QString& key, int32_t value) {
    WriteString(section, key, QString::number(value));
}

void IniFile::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QString IniFile::Text() const {
    QString text;
    for (const Section& s : sections_)
        for (const QByteArray& line : s.lines)
            text += Decode(line) + u'\n';
    return text;
}

QByteArray IniFile::Encoded() const {
    QByteArray bytes;
    if (utf8Bom_) bytes = "\xEF\xBB\xBF";
    for (const Section& s : sections_)
        for (const QByteArray& line : s.lines)
            bytes += line + lineEnd_;
    if (encoding_ == Encoding::Bytes) return bytes;
    QStringEncoder utf16(
        encoding_ == Encoding::Utf16LE ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
        QStringConverter::Flag::WriteBom);
    return utf16.encode(QString::fromUtf8(bytes));
}

bool IniFile::UpdateFile(QString* error) const {
    if (!readable_) {
        if (error) *error = QStringLiteral("Cannot read \"%1\"; it is left unchanged.").arg(path_);
        return false;
    }
    QSaveFile file(path_);
    const QByteArray data = Encoded();
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        if (error) *error = QStringLiteral("Cannot write \"%1\": %2").arg(path_, file.errorString());
        return false;
    }
    return true;
}

}  // namespace app
