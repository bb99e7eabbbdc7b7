#pragma once
// TStream, TMemoryStream, TWinHTTPFileStream: the streams a transfer writes its body to: memory, or a file
// opened for reading and writing. Sizes and positions are 64-bit.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace net {

class TStream {
public:
    virtual ~TStream() = default;
    // Both return the number of bytes moved; Write throws EStreamWriteError when it cannot write all.
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    // Moves to an absolute position and returns it.
    virtual std::int64_t Seek(std::int64_t position) = 0;
    virtual std::int64_t Position() const = 0;
    virtual std::int64_t Size() const = 0;
};

struct EStreamWriteError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct EFCreateError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class TMemoryStream : public TStream {
public:
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t position) override;
    std::int64_t Position() const override { return position_; }
    std::int64_t Size() const override { return static_cast<std::int64_t>(data_.size()); }

    // Allocates room for capacity bytes without changing the size.
    void Reserve(std::int64_t capacity);
    std::int64_t Capacity() const { return static_cast<std::int64_t>(data_.capacity()); }
    const std::uint8_t* Memory() const { return data_.data(); }
    std::string ToString() const { return std::string(data_.begin(), data_.end()); }

private:
    std::vector<std::uint8_t> data_;
    std::int64_t position_ = 0;
};

// A file opened for reading and writing, in create-or-truncate or open-or-create mode.
class TWinHTTPFileStream : public TStream {
public:
    enum Mode { fmCreateOrTruncate, fmOpenOrCreate };
    // Throws EFCreateError when the file cannot be opened.
    TWinHTTPFileStream(const std::string& fileName, Mode mode);
    ~TWinHTTPFileStream() override;
    TWinHTTPFileStream(const TWinHTTPFileStream&) = delete;
    TWinHTTPFileStream& operator=(const TWinHTTPFileStream&) = delete;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t position) override;
    std::int64_t Position() const override;
    std::int64_t Size() const override;

    const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
    int fd_ = -1;
};

}  // namespace net
