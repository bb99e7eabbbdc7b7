#pragma once
// Free functions shared by every part of the program: path and file-name rules, the unique output name,
// time formats, the known media extensions, text splitting, HTML entities and the user's special folders.
// The window-bound helpers (folder browser, shell open, message dialog, wait cursor) live in ui/Dialogs.h;
// shutting the system down lives in app/SystemPower.h.

#include <QSet>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace app {

// The path ending in the native delimiter "/". An empty path stays empty: it must never turn into the
// root folder.
QString AddTrailingBackslash(const QString& path);

bool HasAnyChar(const QString& text, const QString& chars);

// Not empty and none of \ / : * ? " < > | (names stay valid on FAT and NTFS drives too).
bool IsValidFileName(const QString& name);

// Each of the nine forbidden characters replaced by "_".
QString CleanFileName(const QString& name);

// The path without the extension of its file-name part.
QString StripFileExt(const QString& path);

// The extension of the file-name part, with its dot ("" when there is none).
QString FileExt(const QString& path);

// A name that does not exist yet in the folder: song.mp3, song(1).mp3, song(2).mp3 ... up to (32768).
// Names in *reserved count as taken too (names already given out in the same batch). Names are bytes (see
// FileNameBytes.h); the stem is shortened so that the name fits NAME_MAX.
QString UniqueFileName(const QString& name, const QString& folder, const QSet<QString>* reserved = nullptr);

QString FormatSeconds(int64_t seconds);            // "01:02:05"; hours may have more digits
QString FormatMicroseconds(int64_t microseconds);  // "01:23:45.678"

bool IsKnownMediaExtension(const QString& extWithDot);

// Splits at every occurrence of the separator; empty inner items are kept, an empty last item is not.
QStringList SplitString(const QString& text, const QString& separator);

// &amp; &lt; &gt; &nbsp; &quot; and &#NNN; (a Unicode code point) decoded; anything else, including
// an entity that is not one of these, is kept as it stands.
QString DecodeHtmlEntities(const QString& text);

// "AppData": the XDG config folder; "Personal": the XDG documents folder, else the home folder.
// Any other name, or a folder that cannot be determined, gives the home folder. No trailing delimiter.
QString GetSpecialFolder(const QString& name);

}  // namespace app
