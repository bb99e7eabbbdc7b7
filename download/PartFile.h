#pragma once
// Where a video is written while it arrives: a temporary file beside its target, named like the target with
// ".part" added. The temporary name is reserved by creating the file, so no other file is ever truncated; the
// finished file is moved to its final name without replacing anything that exists there.

#include <QString>
#include <functional>

namespace download {

struct PartFileResult {
    QString path;   // the file, empty on failure
    QString error;  // why it failed
};

// Creates an empty, new "NAME.part" for the target path (NAME(1).part and so on when that is taken).
PartFileResult ReservePartFile(const QString& targetPath);

// Reserves a new "NAME.part" beside the target by creating it with create(path), which returns 0 or an errno
// (EEXIST moves on to the next free name); kind ("file", "folder") names it in the error text.
PartFileResult ReservePartName(const QString& targetPath, const std::function<int(const QByteArray&)>& create,
                               const QString& kind);

// Moves the finished part file to the name finalPath() gives, asking again when another file took that name
// in the meantime. An existing file is never replaced.
PartFileResult CommitPartFile(const QString& partPath, const std::function<QString()>& finalPath);

// Removes the part file if it is still a regular file.
void RemovePartFile(const QString& partPath);

}  // namespace download
