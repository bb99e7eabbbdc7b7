#pragma once
// The folder a yt-dlp download works in: "NAME.part" beside its target, a folder rather than a file because
// yt-dlp writes several files on the way (the pieces of a merge, its own ".part" files). It is reserved by
// creating it, removed as a whole when the download fails or is cancelled, and only the finished media leaves
// it, moved to its final name without replacing anything.

#include <QString>

#include "download/PartFile.h"

namespace download {

// Creates a new, empty "NAME.part" folder for the target path (NAME(1).part and so on when that is taken).
PartFileResult ReserveWorkFolder(const QString& targetPath);

// The finished media yt-dlp left in the work folder: "media.EXTENSION", or else the one media file there;
// empty when there is none.
QString FinishedWorkMedia(const QString& workFolder, const QString& extension);

// Removes the folder and what is in it; links inside are removed, never followed.
void RemoveWorkFolder(const QString& workFolder);

}  // namespace download
