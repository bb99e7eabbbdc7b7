#include "engine/FFUtils.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "engine/EngineError.h"
#include "engine/StrFormat.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
}

namespace engine {

namespace {

struct ErrorText {
    int code;
    const char* text;
};

// The engine's texts for library codes: FFmpeg's tagged codes, the C error codes and the socket codes
// (a socket code shares the text of its C error code where one exists).
const ErrorText kErrorTexts[] = {
    {-1481985528, "Muxer not found"},
    {-1381258232, "Stream not found"},
    {-1330794744, "Protocol not found"},
    {-1296385272, "Demuxer not found"},
    {-1279870712, "Filter not found"},
    {-1179861752, "Bitstream filter not found"},
    {-1163346256, "Not yet implemented in FFmpeg"},
    {-1129203192, "Encoder not found"},
    {-1128613112, "Decoder not found"},
    {-11004, "WSANO_DATA"},
    {-11003, "WSANO_RECOVERY"},
    {-11002, "WSATRY_AGAIN"},
    {-11001, "WSAHOST_NOT_FOUND"},
    {-10112, "WSAEREFUSED"},
    {-10111, "WSA_E_CANCELLED"},
    {-10110, "WSA_E_NO_MORE"},
    {-10109, "WSATYPE_NOT_FOUND"},
    {-10108, "WSASERVICE_NOT_FOUND"},
    {-10107, "WSASYSCALLFAILURE"},
    {-10106, "WSAEPROVIDERFAILEDINIT"},
    {-10105, "WSAEINVALIDPROVIDER"},
    {-10104, "WSAEINVALIDPROCTABLE"},
    {-10103, "WSAECANCELLED"},
    {-10102, "WSAENOMORE"},
    {-10101, "WSAEDISCON"},
    {-10093, "WSANOTINITIALISED"},
    {-10092, "WSAVERNOTSUPPORTED"},
    {-10091, "WSASYSNOTREADY"},
    {-10071, "Object is remote"},
    {-66, "Object is remote"},
    {-10070, "Stale NFS file handle"},
    {-116, "Stale NFS file handle"},
    {-10069, "Quota exceeded"},
    {-122, "Quota exceeded"},
    {-10068, "Too many users"},
    {-87, "Too many users"},
    {-10067, "WSAEPROCLIM"},
    {-10066, "Directory not empty"},
    {-39, "Directory not empty"},
    {-10065, "No route to host"},
    {-113, "No route to host"},
    {-10064, "Host is down"},
    {-112, "Host is down"},
    {-10063, "File name too long"},
    {-36, "File name too long"},
    {-10062, "Too many symbolic links encountered"},
    {-40, "Too many symbolic links encountered"},
    {-10061, "Connection refused"},
    {-111, "Connection refused"},
    {-10060, "Connection timed out"},
    {-110, "Connection timed out"},
    {-10059, "Too many references: cannot splice"},
    {-109, "Too many references: cannot splice"},
    {-10058, "Cannot send after transport endpoint shutdown"},
    {-108, "Cannot send after transport endpoint shutdown"},
    {-10057, "Transport endpoint is not connected"},
    {-107, "Transport endpoint is not connected"},
    {-10056, "Transport endpoint is already connected"},
    {-106, "Transport endpoint is already connected"},
    {-10055, "No buffer space available"},
    {-105, "No buffer space available"},
    {-10054, "Connection reset by peer"},
    {-104, "Connection reset by peer"},
    {-10053, "Software caused connection abort"},
    {-103, "Software caused connection abort"},
    {-10052, "Network dropped connection because of reset"},
    {-102, "Network dropped connection because of reset"},
    {-10051, "Network is unreachable"},
    {-101, "Network is unreachable"},
    {-10050, "Network is down"},
    {-100, "Network is down"},
    {-10049, "Cannot assign requested address"},
    {-99, "Cannot assign requested address"},
    {-10048, "Address already in use"},
    {-98, "Address already in use"},
    {-10047, "Address family not supported by protocol"},
    {-97, "Address family not supported by protocol"},
    {-10046, "Protocol family not supported"},
    {-96, "Protocol family not supported"},
    {-10045, "Operation not supported on transport endpoint"},
    {-95, "Operation not supported on transport endpoint"},
    {-10044, "Socket type not supported"},
    {-94, "Socket type not supported"},
    {-10043, "Protocol not supported"},
    {-93, "Protocol not supported"},
    {-10042, "Protocol not available"},
    {-92, "Protocol not available"},
    {-10041, "Protocol wrong type for socket"},
    {-91, "Protocol wrong type for socket"},
    {-10040, "Message too long"},
    {-90, "Message too long"},
    {-10039, "Destination address required"},
    {-89, "Destination address required"},
    {-10038, "Socket operation on non-socket"},
    {-88, "Socket operation on non-socket"},
    {-10037, "Operation already in progress"},
    {-114, "Operation already in progress"},
    {-10036, "Operation now in progress"},
    {-115, "Operation now in progress"},
    {-10035, "WSAEWOULDBLOCK"},
    {-10024, "Too many open files"},
    {-24, "Too many open files"},
    {-10022, "Invalid argument / Invalid data found when processing input"},
    {-22, "Invalid argument / Invalid data found when processing input"},
    {-10014, "Bad address"},
    {-14, "Bad address"},
    {-10013, "Permission denied"},
    {-13, "Permission denied"},
    {-10009, "Bad file number"},
    {-9, "Bad file number"},
    {-10004, "Interrupted function call"},
    {-4, "Interrupted function call"},
    {-131, "State not recoverable"},
    {-130, "Owner died"},
    {-129, "Key was rejected by service"},
    {-128, "Key has been revoked"},
    {-127, "Key has expired"},
    {-126, "Required key not available"},
    {-125, "Operation Canceled"},
    {-124, "Wrong medium type"},
    {-123, "No medium found"},
    {-121, "Remote I/O error"},
    {-120, "Is a named type file"},
    {-119, "No XENIX semaphores available"},
    {-118, "Not a XENIX named type file"},
    {-117, "Structure needs cleaning"},
    {-86, "Streams pipe error"},
    {-85, "Interrupted system call should be restarted"},
    {-84, "Illegal byte sequence"},
    {-83, "Cannot exec a shared library directly"},
    {-82, "Attempting to link in too many shared libraries"},
    {-81, ".lib section in a.out corrupted"},
    {-80, "Accessing a corrupted shared library"},
    {-79, "Can not access a needed shared library"},
    {-78, "Remote address changed"},
    {-77, "File descriptor in bad state"},
    {-76, "Name not unique on network"},
    {-75, "Value too large for defined data type"},
    {-74, "Not a data message"},
    {-73, "RFS specific error"},
    {-72, "Multihop attempted"},
    {-71, "Protocol error"},
    {-70, "Communication error on send"},
    {-69, "Srmount error"},
    {-68, "Advertise error"},
    {-67, "Link has been severed"},
    {-65, "Package not installed"},
    {-64, "Machine is not on the network"},
    {-63, "Out of streams resources"},
    {-62, "Timer expired"},
    {-61, "No data available"},
    {-60, "Device not a stream"},
    {-59, "Bad font file format"},
    {-57, "Invalid slot"},
    {-56, "Invalid request code"},
    {-55, "No anode"},
    {-54, "Exchange full"},
    {-53, "Invalid request descriptor"},
    {-52, "Invalid exchange"},
    {-51, "Level 2 halted"},
    {-50, "No CSI structure available"},
    {-49, "Protocol driver not attached"},
    {-48, "Link number out of range"},
    {-47, "Level 3 reset"},
    {-46, "Level 3 halted"},
    {-45, "Level 2 not synchronized"},
    {-44, "Channel number out of range"},
    {-43, "Identifier removed"},
    {-42, "Unknown format"},
    {-38, "Function not implemented"},
    {-37, "No record locks available"},
    {-35, "Resource deadlock would occur"},
    {-34, "Math result not representable"},
    {-33, "Number syntax expected in filename"},
    {-32, "End of file"},
    {-31, "Too many links"},
    {-30, "Read-only file system"},
    {-29, "Illegal seek"},
    {-28, "No space left on device"},
    {-27, "File too large"},
    {-26, "Text file busy"},
    {-25, "Inappropriate I/O control operation / Not a typewriter"},
    {-23, "Too many open files in system / File table overflow"},
    {-21, "Is a directory"},
    {-20, "Not a directory"},
    {-19, "No such device"},
    {-18, "Cross-device link"},
    {-17, "File exists"},
    {-16, "Device or resource busy"},
    {-15, "Block device required"},
    {-12, "Not enough space / Out of memory"},
    {-11, "Resource temporarily unavailable / Try again"},
    {-10, "No child processes"},
    {-8, "Exec format error"},
    {-7, "Argument list too long"},
    {-6, "No such device or address"},
    {-5, "I/O error"},
    {-3, "No such process"},
    {-2, "No such file or directory"},
    {-1, "Operation not permitted"},
};

const std::unordered_map<int, const char*>& ErrorTable() {
    static const std::unordered_map<int, const char*> table = [] {
        std::unordered_map<int, const char*> t;
        for (const ErrorText& e : kErrorTexts)
            t.emplace(e.code, e.text);
        // The current library reports end of file and invalid data with tagged codes of their own
        // instead of EPIPE and EINVAL; they keep the texts those meanings had.
        t.emplace(AVERROR_EOF, t.at(-32));
        t.emplace(AVERROR_INVALIDDATA, t.at(-22));
        return t;
    }();
    return table;
}

}  // namespace

std::string FFErrorText(int code) {
    const auto& table = ErrorTable();
    if (auto it = table.find(code); it != table.end()) return it->second;
    // Other tagged codes of the library ("Immediate exit requested", "Server returned 404 Not Found" ...).
    if (code < 0) {
        char buf[AV_ERROR_MAX_STRING_SIZE] = {0};
        if (av_strerror(code, buf, sizeof buf) == 0) return buf;
    }
    return FormatStr("Error number %d occurred", code);
}

std::string FFErrorMessage(const std::string& name, int code) {
    return name + ": " + FFErrorText(code);
}

std::string NotAFileMessage(const std::string& name) {
    std::string path = name;
    if (path.rfind("file:", 0) == 0) path.erase(0, 5);
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return {};
    if (S_ISDIR(st.st_mode)) return FFErrorMessage(name, AVERROR(EISDIR));
    return name + ": Not a regular file (a pipe or device cannot be converted)";
}

TFormatConverter::TFormatConverter(int bitsPixel) : bitsPixel_(24) {
    SetBitsPixel(bitsPixel);
}

void TFormatConverter::SetBitsPixel(int bitsPixel) {
    switch (bitsPixel) {
        case 8:
        case 15:
        case 16:
        case 24:
        case 32:
            bitsPixel_ = bitsPixel;
            return;
        default:
            throw EngineError(FormatStr("Invalid BitsPixel %d", bitsPixel));
    }
}

AVPixelFormat TFormatConverter::BitmapPixelFormat() const {
    switch (bitsPixel_) {
        case 8:
            return AV_PIX_FMT_GRAY8;
        case 15:
            return AV_PIX_FMT_RGB555LE;
        case 16:
            return AV_PIX_FMT_RGB565LE;
        case 32:
            return AV_PIX_FMT_BGR0;
        default:
            return AV_PIX_FMT_BGR24;
    }
}

bool TFormatConverter::PictureToBitmap(const uint8_t* const data[], const int linesize[],
                                       AVPixelFormat format, int width, int height, TBitmap& bmp) {
    bmp.Resize(std::max(width, 0), std::max(height, 0), bitsPixel_);
    const AVPixelFormat target = BitmapPixelFormat();
    const bool asIs = format == target && width % 2 == 0 && height % 2 == 0 && linesize[0] == bmp.Stride;
    if (asIs && width > 0 && height > 0) {
        const size_t rowBytes = static_cast<size_t>(width) * TBitmap::BytesPerPixel(bitsPixel_);
        for (int y = 0; y < height; ++y)
            std::memcpy(bmp.Line(y), data[0] + static_cast<ptrdiff_t>(y) * linesize[0], rowBytes);
        return true;
    }
    if (width > 0 && height > 0 && format != AV_PIX_FMT_NONE)
        toRGB_.reset(sws_getCachedContext(toRGB_.release(), width, height, format, width, height, target,
                                          SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (width <= 0 || height <= 0 || format == AV_PIX_FMT_NONE || !toRGB_) {
        lastErrMsg_ = "Cannot initialize the toRGB conversion context";
        return false;
    }
    uint8_t* dst[4] = {bmp.Pixels.data(), nullptr, nullptr, nullptr};
    int dstStride[4] = {bmp.Stride, 0, 0, 0};
    sws_scale(toRGB_.get(), data, linesize, 0, height, dst, dstStride);
    return true;
}

bool TFormatConverter::FrameToBitmap(const AVFrame* frame, TBitmap& bmp) {
    return PictureToBitmap(frame->data, frame->linesize, static_cast<AVPixelFormat>(frame->format),
                           frame->width, frame->height, bmp);
}

bool TFormatConverter::BitmapToFrame(const TBitmap& bmp, AVFrame* frame) {
    const AVPixelFormat source = BitmapPixelFormat();
    if (bmp.Empty() || bmp.BitsPixel != bitsPixel_ || frame->width <= 0 || frame->height <= 0 ||
        av_frame_make_writable(frame) < 0) {
        lastErrMsg_ = "Cannot initialize the fromRGB conversion context";
        return false;
    }
    fromRGB_.reset(sws_getCachedContext(fromRGB_.release(), bmp.Width, bmp.Height, source, frame->width,
                                        frame->height, static_cast<AVPixelFormat>(frame->format), SWS_BICUBIC,
                                        nullptr, nullptr, nullptr));
    if (!fromRGB_) {
        lastErrMsg_ = "Cannot initialize the fromRGB conversion context";
        return false;
    }
    const uint8_t* src[4] = {bmp.Pixels.data(), nullptr, nullptr, nullptr};
    const int srcStride[4] = {bmp.Stride, 0, 0, 0};
    sws_scale(fromRGB_.get(), src, srcStride, 0, bmp.Height, frame->data, frame->linesize);
    return true;
}

}  // namespace engine
