#include "net/Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace net {

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
    const std::int64_t n = std::max<std::int64_t>(0, std::min(count, Size() - position_));
    if (n > 0) std::memcpy(buffer, data_.data() + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0) return 0;
    const auto end = static_cast<std::size_t>(position_ + count);
    if (end > data_.size()) data_.resize(end);
    std::memcpy(data_.data() + position_, buffer, static_cast<std::size_t>(count));
    position_ += count;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t position) {
    position_ = std::max<std::int64_t>(0, position);
    return position_;
}

void TMemoryStream::Reserve(std::int64_t capacity) {
    if (capacity > 0) data_.reserve(static_cast<std::size_t>(capacity));
}

TWinHTTPFileStream::TWinHTTPFileStream(const std::string& fileName, Mode mode) : fileName_(fileName) {
    // Never through a symbolic link: a planted link must not redirect the write to another file.
    const int flags = O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | (mode == fmCreateOrTruncate ? O_TRUNC : 0);
    fd_ = ::open(fileName.c_str(), flags, 0666);
    if (fd_ < 0) throw EFCreateError("Cannot create file \"" + fileName + "\": " + std::strerror(errno));
}

TWinHTTPFileStream::~TWinHTTPFileStream() {
    if (fd_ >= 0) ::close(fd_);
}

std::int64_t TWinHTTPFileStream::Read(void* buffer, std::int64_t count) {
    std::int64_t done = 0;
    auto* p = static_cast<char*>(buffer);
    while (done < count) {
        const ssize_t n = ::read(fd_, p + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

std::int64_t TWinHTTPFileStream::Write(const void* buffer, std::int64_t count) {
    std::int64_t done = 0;
    const auto* p = static_cast<const char*>(buffer);
    while (done < count) {
        const ssize_t n = ::write(fd_, p + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            throw EStreamWriteError("Cannot write to \"" + fileName_ +
                                    "\": " + std::strerror(n < 0 ? errno : ENOSPC));
        done += n;
    }
    return done;
}

std::int64_t TWinHTTPFileStream::Seek(std::int64_t position) {
    return ::lseek(fd_, position, SEEK_SET);
}

std::int64_t TWinHTTPFileStream::Position() const {
    return ::lseek(fd_, 0, SEEK_CUR);
}

std::int64_t TWinHTTPFileStream::Size() const {
    struct stat st {};
    return ::fstat(fd_, &st) == 0 ? st.st_size : 0;
}

}  // namespace net
