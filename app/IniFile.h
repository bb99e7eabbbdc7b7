#pragma once
// INI files with the semantics of the Windows profile functions, so that files written by earlier
// editions read the same: section and key names are case-insensitive and the first match wins, blanks
// around names and values are ignored, one pair of matching quotes around a value is removed on read,
// a line starting with ';' is a comment, and a missing file, section or key gives the caller's default.
// Writing replaces the key's line in place, appends a missing key to the end of its section and a
// missing section to the end of the file. Changes stay in memory until UpdateFile(), which replaces
// the file atomically (a failed save never leaves a half-written file behind).

#include <QString>
#include <QStringList>
#include <cstdint>

namespace app {

class IniFile {
public:
    // Reads the file if it exists; an unreadable or missing file behaves as an empty one.
    explicit IniFile(QString path);

    const QString& FileName() const { return path_; }
    bool FileExisted() const { return existed_; }

    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;

    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    // A value that is not a whole decimal number within 32 bits counts as missing.
    int32_t ReadInteger(const QString& section, const QString& key, int32_t def) const;
    // Stored as an integer: 0 is false, any other integer true.
    bool ReadBool(const QString& section, const QString& key, bool def) const;

    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int32_t value);
    void WriteBool(const QString& section, const QString& key, bool value);

    // Writes the text to disk, creating the file. On failure returns false and sets *error.
    bool UpdateFile(QString* error = nullptr) const;

    // The file's text as UpdateFile would write it.
    QString Text() const;

private:
    int FindSection(const QString& section) const;                      // line index of the header or -1
    int SectionEnd(int header) const;                                   // index of the next header or size
    int FindKey(int header, const QString& key, QString* value) const;  // line index or -1

    QString path_;
    QStringList lines_;
    bool existed_ = false;
};

// Parses an INI integer the way the profile readers do: blanks trimmed, optional sign, decimal digits.
bool ParseIniInteger(const QString& text, int32_t* out);

}  // namespace app
