#pragma once
// IniFile: an INI file with the semantics of the Windows profile functions, so that files written by
// earlier editions read the same: section and key names are case-insensitive and the first match wins,
// blanks around names and values are ignored, one pair of matching quotes around a value is removed on
// read, a line starting with ';' is a comment, and a missing file, section or key gives the caller's
// default. Writing replaces the key's line in place, appends a missing key to the end of its section and
// a missing section to the end of the file. Changes stay in memory until UpdateFile(), which replaces
// the file atomically (a failed save never leaves a half-written file behind).
//
// Text: a line that is valid UTF-8 is read as UTF-8, any other line as Windows-1252 (files of older
// editions were written in an 8-bit code page); a file that starts with a UTF-16 byte-order mark is
// UTF-16. Lines the program does not change are written back byte for byte, with the file's own line
// ends and byte-order mark; changed lines are UTF-8 (UTF-16 in a UTF-16 file).
//
// Lookups go through an index of sections and keys, so large files stay fast.

#include <QHash>
#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

namespace app {

class IniFile {
public:
    // Reads the file if it exists; a missing file behaves as an empty one. A file that exists but
    // cannot be read behaves as an empty one too, and is never written over (see Readable).
    explicit IniFile(QString path);

    const QString& FileName() const { return path_; }
    bool FileExisted() const { return existed_; }
    // False when the file exists but could not be read (or is no regular file: a FIFO, a folder, a
    // device): UpdateFile then refuses to replace it. ReadError says why.
    bool Readable() const { return readable_; }
    const QString& ReadError() const { return readError_; }

    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;

    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    // A value that is not a whole decimal number within 32 bits counts as missing.
    int32_t ReadInteger(const QString& section, const QString& key, int32_t def) const;
    // Stored as an integer: 0 is false, any other integer true.
    bool ReadBool(const QString& section, const QString& key, bool def) const;

    // Writing the value a key already has leaves its line as it is.
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int32_t value);
    void WriteBool(const QString& section, const QString& key, bool value);

    // Writes the text to disk, creating the file. On failure returns false and sets *error.
    bool UpdateFile(QString* error = nullptr) const;

    // The file's text as UpdateFile would write it, decoded, with "\n" line ends.
    QString Text() const;

private:
    enum class Encoding { Bytes, Utf16LE, Utf16BE };  // Bytes: UTF-8 or Windows-1252, line by line
    struct Section {
        std::vector<QByteArray> lines;  // raw lines without their ends; lines[0] is the header
        // Built on first use: (hash of the key's lookup form, line), sorted, and keys added after that.
        mutable std::vector<std::pair<size_t, int>> keys;
        mutable std::vector<std::pair<size_t, int>> addedKeys;
        mutable bool indexed = false;
    };

    const Section* FindSection(const QString& section) const;
    int FindKey(const Section& s, const QString& key) const;  // index into s.lines or -1
    QByteArray Encoded() const;

    QString path_;
    QByteArray buffer_;  // the file's bytes; unchanged lines are views into it
    bool existed_ = false;
    bool readable_ = true;
    QString readError_;
    Encoding encoding_ = Encoding::Bytes;
    bool utf8Bom_ = false;
    QByteArray lineEnd_ = "\n";
    std::vector<Section> sections_;     // sections_[0] holds the lines before the first header
    QHash<QString, int> sectionIndex_;  // case-folded name -> first section of that name
};

// Parses an INI integer the way the profile readers do: blanks trimmed, optional sign, decimal digits.
bool ParseIniInteger(const QString& text, int32_t* out);

}  // namespace app
