#include "download/PartFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/FileNameBytes.h"
#include "app/UtilFuncs.h"

namespace download {

namespace {

constexpr int kAttempts = 16;  // names taken by someone else between choosing and creating

QString ErrorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// rename() that fails with EEXIST instead of replacing; link() and unlink() where the file system cannot.
int RenameNoReplace(const QByteArray& from, const QByteArray& to) {
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    if (::link(from.constData(), to.constData()) != 0) return errno;
    ::unlink(from.constData());
    return 0;
}

}  // namespace

PartFileResult ReservePartName(const QString& targetPath, const std::function<int(const QByteArray&)>& create,
                               const QString& kind) {
    const QFileInfo target(targetPath);
    const QString folder = app::AddTrailingBackslash(target.path());
    int error = EEXIST;
    for (int i = 0; i < kAttempts && error == EEXIST; ++i) {
        const QString path =
            folder + app::UniqueFileName(target.fileName() + QStringLiteral(".part"), folder);
        error = create(app::FileNameToBytes(path));
        if (error == 0) return {path, {}};
    }
    return {{}, QStringLiteral("cannot create a %1 in %2: %3").arg(kind, folder, ErrorText(error))};
}

PartFileResult ReservePartFile(const QString& targetPath) {
    return ReservePartName(
        targetPath,
        [](const QByteArray& path) {
            const int fd =
                ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            if (fd < 0) return errno;
            ::close(fd);
            return 0;
        },
        QStringLiteral("file"));
}

PartFileResult CommitPartFile(const QString& partPath, const std::function<QString()>& finalPath) {
    int error = EEXIST;
    for (int i = 0; i < kAttempts && error == EEXIST; ++i) {
        const QString target = finalPath();
        error = RenameNoReplace(app::FileNameToBytes(partPath), app::FileNameToBytes(target));
        if (error == 0) return {target, {}};
    }
    return {{}, QStringLiteral("cannot move %1 to its name: %2").arg(partPath, ErrorText(error))};
}

void RemovePartFile(const QString& partPath) {
    if (partPath.isEmpty()) return;
    const QByteArray path = app::FileNameToBytes(partPath);
    struct stat st {};
    if (::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.constData());
}

}  // namespace download
