#include "app/IniFile.h"

#include <QFile>
#include <QSaveFile>

namespace app {

namespace {

bool IsComment(const QString& trimmed) {
    return trimmed.startsWith(u';');
}

// "[name]" -> name (trimmed); false when the line is not a section header.
bool SectionName(const QString& line, QString* name) {
    const QString t = line.trimmed();
    if (!t.startsWith(u'[')) return false;
    int close = t.indexOf(u']');
    if (close < 0) close = t.size();
    *name = t.mid(1, close - 1).trimmed();
    return true;
}

QString Unquote(const QString& value) {
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first) return value.mid(1, value.size() - 2);
    }
    return value;
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

}  // namespace

bool ParseIniInteger(const QString& text, int32_t* out) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (ok) *out = value;
    return ok;
}

IniFile::IniFile(QString path) : path_(std::move(path)) {
    QFile file(path_);
    if (!file.exists()) return;
    existed_ = true;
    if (!file.open(QIODevice::ReadOnly)) return;
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    lines_ = text.split(u'\n');
    if (!lines_.isEmpty() && lines_.back().isEmpty()) lines_.removeLast();
}

int IniFile::FindSection(const QString& section) const {
    const QString wanted = section.trimmed();
    QString name;
    for (int i = 0; i < lines_.size(); ++i) {
        if (SectionName(lines_[i], &name) && name.compare(wanted, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

int IniFile::SectionEnd(int header) const {
    QString name;
    for (int i = header + 1; i < lines_.size(); ++i) {
        if (SectionName(lines_[i], &name)) return i;
    }
    return lines_.size();
}

int IniFile::FindKey(int header, const QString& key, QString* value) const {
    const QString wanted = key.trimmed();
    const int end = SectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        const QString& line = lines_[i];
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || IsComment(trimmed)) continue;
        const int eq = line.indexOf(u'=');
        if (eq < 0) continue;
        if (line.left(eq).trimmed().compare(wanted, Qt::CaseInsensitive) != 0) continue;
        if (value) *value = Unquote(line.mid(eq + 1).trimmed());
        return i;
    }
    return -1;
}

bool IniFile::SectionExists(const QString& section) const {
    return FindSection(section) >= 0;
}

bool IniFile::ValueExists(const QString& section, const QString& key) const {
    const int header = FindSection(section);
    return header >= 0 && FindKey(header, key, nullptr) >= 0;
}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& def) const {
    const int header = FindSection(section);
    QString value;
    if (header < 0 || FindKey(header, key, &value) < 0) return def;
    return value;
}

int32_t IniFile::ReadInteger(const QString& section, const QString& key, int32_t def) const {
    const int header = FindSection(section);
    QString value;
    if (header < 0 || FindKey(header, key, &value) < 0) return def;
    int32_t result = def;
    return ParseIniInteger(value, &result) ? result : def;
}

bool IniFile::ReadBool(const QString& section, const QString& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    const QString line = key.trimmed() + u'=' + Protected(OneLine(value));
    const int header = FindSection(section);
    if (header < 0) {
        if (!lines_.isEmpty() && !lines_.back().trimmed().isEmpty()) lines_.append(QString());
        lines_.append(u'[' + section.trimmed() + u']');
        lines_.append(line);
        return;
    }
    const int existing = FindKey(header, key, nullptr);
    if (existing >= 0) {
        lines_[existing] = line;
        return;
    }
    // After the section's last non-blank line, so blank separators stay between sections.
    int insertAt = SectionEnd(header);
    while (insertAt - 1 > header && lines_[insertAt - 1].trimmed().isEmpty())
        --insertAt;
    lines_.insert(insertAt, line);
}

void IniFile::WriteInteger(const QString& section, const QString& key, int32_t value) {
    WriteString(section, key, QString::number(value));
}

void IniFile::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QString IniFile::Text() const {
    QString text = lines_.join(u'\n');
    if (!lines_.isEmpty()) text += u'\n';
    return text;
}

bool IniFile::UpdateFile(QString* error) const {
    QSaveFile file(path_);
    const QByteArray data = Text().toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        if (error) *error = QStringLiteral("Cannot write \"%1\": %2").arg(path_, file.errorString());
        return false;
    }
    return true;
}

}  // namespace app
