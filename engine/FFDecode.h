#pragma once
// The media probe: opens one media file (or borrows an open container), reports its facts and stream
// records, seeks, decodes the next picture of a video stream and turns it into a 24-bit bitmap.
// One decoder is used by one thread at a time. Failures return false (or -1) and leave LastErrMsg;
// messages go to the engine log with the decoder as sender.

#include <cstdint>
#include <string>

#include "engine/Bitmap.h"
#include "engine/FFUtils.h"
#include "engine/FFWrappers.h"

namespace engine {

// File level facts; -1 (strings empty) where unknown.
struct TFileStreamInfo {
    int64_t StartTime = -1;  // microseconds
    int64_t Duration = -1;   // microseconds
    int BitRate = -1;        // bits per second
    int64_t Timestamp = -1;  // the container's creation time field
    int Year = -1;
    int Track = -1;
    std::string Title, Author, Copyright, Comment, Album, Genre;
};

struct TAudioStreamInfo {
    std::string Language;
    std::string CodecName;
    int64_t StartPTS = -1;
    int64_t StartTime = -1;
    int64_t DurationPTS = -1;
    int64_t Duration = -1;
    int BitRate = -1;
    int Channels = -1;
    int SampleRate = -1;
    int SampleFormat = -1;
};

struct TVideoStreamInfo {
    std::string Language;
    std::string CodecName;
    int64_t StartPTS = -1;
    int64_t StartTime = -1;
    int64_t DurationPTS = -1;
    int64_t Duration = -1;
    int BitRate = -1;
    int Height = -1;
    int Width = -1;
    float DisplayAspectRatio = -1.0f;
    int PixFmt = -1;
    int FrameRateNum = -1;
    int FrameRateDen = -1;
};

// Seek flags: the library's, passed through in their low four bits.
enum : int { sfBackward = 1, sfByte = 2, sfAny = 4, sfFrame = 8 };

// The codec description of a stream: "short(long name)", or the fallbacks for unknown codecs.
std::string CodecDescription(const AVCodecParameters* par);

class TFFDecoder {
public:
    TFFDecoder();
    ~TFFDecoder();
    TFFDecoder(const TFFDecoder&) = delete;
    TFFDecoder& operator=(const TFFDecoder&) = delete;

    // Opens a file (UTF-8 name, or the "unicode:utf8:" form); formatName forces the container format.
    // Throws EngineError("LibAVCodec not loaded." ...) when the libraries are not loaded.
    bool LoadFile(const std::string& fileName, const std::string& formatName = "");
    void CloseFile();
    // Closes the current file and reports on an input container opened by someone else, without owning
    // it: it is never closed or seeked by this decoder.
    void AttachContext(AVFormatContext* ctx);
    // The open container (owned or borrowed), or nullptr.
    AVFormatContext* FormatContext() const { return ctx_; }
    bool IsOpen() const { return ctx_ != nullptr; }
    bool IsBorrowed() const { return ctx_ != nullptr && !owned_; }

    const std::string& LastErrMsg() const { return lastErrMsg_; }
    const std::string& FormatName() const { return formatName_; }
    // The name of the open container; empty (and "file not loaded.") when none is open.
    std::string FileName();

    int64_t FileSize() const { return fileSize_; }
    int StreamCount() const { return streamCount_; }
    int ProgramCount() const { return programCount_; }
    int AudioStreamCount() const { return audioCount_; }
    int VideoStreamCount() const { return videoCount_; }
    int SubtitleStreamCount() const { return subtitleCount_; }
    int FirstAudioStreamIndex() const { return firstAudio_; }
    int FirstVideoStreamIndex() const { return firstVideo_; }
    int FirstSubtitleStreamIndex() const { return firstSubtitle_; }

    bool GetFileStreamInfo(TFileStreamInfo& info);
    // A negative index means the first stream of that kind.
    bool GetAudioStreamInfo(int streamIndex, TAudioStreamInfo& info);
    bool GetVideoStreamInfo(int streamIndex, TVideoStreamInfo& info);

    // Position in microseconds, or in bytes with sfByte. Seeking to 0 tries backward first.
    bool Seek(int flags, int64_t position);
    // Decodes the next picture of the stream (negative: the current decode stream, else the first video).
    bool Decode(int streamIndex = -1);
    // The last decoded picture as a 24-bit BGR bitmap.
    bool CopyToBitmap(TBitmap& bmp);

    bool Deinterlace() const { return deinterlace_; }
    void SetDeinterlace(bool value) { deinterlace_ = value; }

    // Facts of the last decoded picture.
    bool PictureReady() const { return pictureReady_; }
    bool EndOfStream() const { return eof_; }
    int DecodeStream() const { return decodeStream_; }
    const AVFrame* Picture() const { return picture_.get(); }
    int64_t PicturePTS() const { return picturePTS_; }  // microseconds from the stream start, -1 unknown
    int64_t PrevPicturePTS() const { return prevPicturePTS_; }
    int64_t PicturePosition() const { return picturePos_; }  // byte position where reading began
    int64_t PrevPicturePosition() const { return prevPicturePos_; }
    int PictureType() const { return pictureType_; }  // 0..7
    bool KeyFrame() const { return keyFrame_; }

private:
    bool CheckStream(int& index, AVMediaType kind, const char* noneText, const char* wrongText);
    void GatherFacts();
    void ResetFacts();
    void ResetPicture();
    void Error(const std::string& msg, int level);
    bool OpenVideoDecoder(int index);
    void StorePicture(AVFrame* frame, int index, int64_t readPos);
    void CloseDecoders();

    AVFormatContext* ctx_ = nullptr;
    bool owned_ = false;
    std::string lastErrMsg_;
    std::string formatName_;
    int64_t fileSize_ = -1;
    int streamCount_ = -1, programCount_ = -1;
    int audioCount_ = -1, videoCount_ = -1, subtitleCount_ = -1;
    int firstAudio_ = -1, firstVideo_ = -1, firstSubtitle_ = -1;
    int refStream_ = -1;
    int64_t refStartTime_ = 0;

    int decodeStream_ = -1;
    CodecContextPtr videoCodec_;
    int videoCodecStream_ = -1;
    CodecContextPtr audioCodec_;
    bool eof_ = false;
    bool draining_ = false;
    bool deinterlace_ = false;

    FramePtr picture_;
    bool pictureReady_ = false;
    int64_t picturePTS_ = -1, prevPicturePTS_ = -1;
    int64_t picturePos_ = -1, prevPicturePos_ = -1;
    int64_t pktDTS_ = -1, pktPTS_ = -1;
    int pictureType_ = 0;
    bool keyFrame_ = false;

    TFormatConverter converter_{24};
};

}  // namespace engine
