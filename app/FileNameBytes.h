#pragma once
// File names as bytes: on Linux a name is any sequence of bytes, not necessarily UTF-8 text. A name is
// carried in a QString without loss: valid UTF-8 is decoded as text, and each byte of an invalid sequence
// becomes the lone surrogate U+DC80 + byte (the "surrogate escape" of PEP 383), which turns back into that
// byte on the way out. Qt's own conversions (QFile::encodeName, toUtf8, QFileInfo, QDir) replace such bytes
// and must not be used for names that reach the file system; these functions are.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QUrl>
#include <string>

namespace app {

// The name's bytes as text: UTF-8 decoded, the bytes of invalid sequences escaped.
QString FileNameFromBytes(QByteArrayView bytes);
QString FileNameFromStd(const std::string& bytes);

// The inverse: text as UTF-8, escaped bytes as themselves.
QByteArray FileNameToBytes(QStringView name);
std::string FileNameToStd(QStringView name);

// The name for people: escaped bytes shown as U+FFFD.
QString FileNameForDisplay(QStringView name);

// The program's arguments (its own name first) as names, like QCoreApplication::arguments() but without
// its lossy decoding. Read argv after the application object has taken its own options out.
QStringList FileNamesFromArguments(int argc, const char* const* argv);

// The local name a "file:" address stands for, its percent-encoded bytes kept as bytes (QUrl::toLocalFile
// decodes them as text, with loss); empty for another address.
QString FileNameFromUrl(const QUrl& url);
// The "file:" address of a local name.
QUrl UrlFromFileName(QStringView path);

// The working folder as a name (QDir::currentPath decodes it with loss).
QString CurrentFolder();

// Makes the folder and its missing parents; false when that fails.
bool MakeFolders(QStringView path);

// stem + tail, the stem shortened (never inside a character) so that the bytes fit one file-name
// component (NAME_MAX).
QString FitFileName(QStringView stem, QStringView tail);

// Whether something (a symbolic link included) exists under the name.
bool FileNameExists(QStringView path);

}  // namespace app
