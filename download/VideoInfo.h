#pragma once
// The exchange with the video service before any media is fetched: the title and the video-information
// address taken from a watch page, the stream map of the information document (one media address per known
// stream tag), and the name a downloaded video is saved under.
//
// Addresses are carried in QString as Latin-1, one character per byte, so the bytes the service sent reach
// the transfer unchanged (no character-set conversion).

#include <QByteArray>
#include <QString>
#include <stdexcept>

#include "app/Globals.h"

namespace download {

// The service's domain name (what a pasted link must contain) and the host of the information request.
inline constexpr const char* kServiceDomain = "youtube.com";
inline constexpr const char* kServiceHost = "www.youtube.com";

// What a watch page yields: the title (empty when the page has none), the address of the
// video-information request, and the video's identifier as the page gives it (empty when it has none).
struct WatchPage {
    QString title;
    QString infoAddress;
    QString videoId;
};
WatchPage ReadWatchPage(const QByteArray& page);

// A stream map entry without "&itag=" or with a tag that is not a whole number.
struct VideoInfoError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Fills StreamDefault and StreamSlots of streams from the document's "url_encoded_fmt_stream_map". A document
// without a stream map leaves every slot empty. Throws VideoInfoError on a malformed entry; streams filled
// before it must then not be used.
void ParseVideoInfo(const QByteArray& document, app::TGlobalVars& streams);

// "+" becomes a blank; "%XX" becomes the byte 0xXX when it is 1..255, nothing otherwise (the "%" and the two
// characters after it are consumed in every case). Works on bytes held as Latin-1.
QString URLDecode(const QString& text);

// The extension of a quality type's file (".flv" for a type outside 0..7).
QString StreamExtension(int type);
// The slot a stream tag fills: -1 for the default stream (5), 0..7 for the quality types, nothing (-2) for
// any other tag.
int SlotOfTag(int itag);

// The full path a downloaded video is saved under: the title plus the extension, cleaned of the characters
// file names may not hold (control characters too), made unique in the folder with a counter. A title too
// long for a file name is shortened to 200 bytes. The name never starts with a dot (a hidden file, or one
// named "..."): leading dots and blanks are dropped, and a title left empty gives way to the video's
// identifier, else to "video".
QString DownloadFileName(const QString& title, const QString& extension, const QString& folder,
                         const QString& videoId = QString());

}  // namespace download
