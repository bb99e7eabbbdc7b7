#pragma once
// The rules of the link list: which pasted line is a video link, how pasted text becomes lines, the
// duplicate rule, and which row is selected after Remove. The list itself is a widget of the main window.

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace download {

inline constexpr const char* kNotALink = "This is not a YouTube video link.";
inline constexpr const char* kAlreadyListed = "This video is already in the download list.";

// The line's lower-case form contains "http" and the service's domain name, anywhere and in any order.
bool IsVideoLink(const QString& line);

// Pasted text as lines: CR and LF each end a line, empty lines are skipped, blanks are kept, and a run
// between a pair of double or single quotes is not split at line breaks (the quotes stay in the line).
QStringList SplitPastedText(const QString& text);

// The message for a line that is refused, as its box shows it: the line, LF CR LF CR, and the reason.
QString RefusalMessage(const QString& line, const char* reason);

// Adds the lines in order to rows (the list's captions). A line that is not a link or that equals a row
// exactly (letter case counts) is refused with one message; refuse returns false when the user pressed
// Cancel, which drops the remaining lines. Returns the lines that were appended. With otherSites (yt-dlp is
// installed), a web link of any site counts as a link too.
QStringList AddLinks(const QStringList& lines, QStringList& rows,
                     const std::function<bool(const QString&)>& refuse, bool otherSites = false);

// The row to select after the selected rows were removed from a list of rowCount rows: the row now at the
// smallest removed index, or the last row when that is past the end; -1 when the list became empty.
int RowAfterRemove(const QList<int>& removed, int rowCount);

// Whether a transfer may fetch the address: HTTP or HTTPS, or no scheme at all (fetched as HTTP). Keeps an
// address from a page or a stream map from reading a local file.
bool IsWebAddress(const QString& address);

}  // namespace download
