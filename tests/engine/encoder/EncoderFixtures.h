#pragma once
// Small media files made on demand with the ffmpeg command-line tool, and helpers that convert through the
// encoder component and read outputs back with the engine's probe.

#include <mutex>
#include <string>
#include <vector>

#include "engine/FFDecode.h"
#include "engine/FFEncode.h"
#include "engine/FFLog.h"

namespace encfix {

// The two x264 option blocks the H.264 presets send, in their old option names.
inline const char* const kBlockA =
    "flags=+loop\r\ncmp=+chroma\r\ndeblockalpha=0\r\ndeblockbeta=0\r\ncrf=24\r\nrefs=1\r\ncoder=0\r\n"
    "me_range=16\r\nsubq=5\r\npartitions=+parti4x4+parti8x8+partp8x8\r\ng=250\r\nkeyint_min=25\r\n"
    "level=30\r\nqmin=10\r\nqmax=51\r\ntrellis=2\r\nsc_threshold=40\r\ni_qfactor=0.71\r\n";
inline const char* const kBlockB =
    "flags=+loop\r\ncmp=+chroma\r\npartitions=+parti4x4+partp8x8+partb8x8\r\nme_method=umh\r\nsubq=5\r\n"
    "trellis=1\r\nrefs=2\r\nbf=1\r\ncoder=1\r\nme_range=16\r\ng=300\r\nkeyint_min=25\r\nsc_threshold=40\r\n"
    "i_qfactor=0.71\r\nbt=64k\r\nmaxrate=4M\r\nbufsize=4M\r\nrc_eq='blurCplx^(1-qComp)'\r\nqcomp=0.6\r\n"
    "qmin=10\r\nqmax=51\r\nqdiff=4\r\nlevel=21";

// Path of a generated input, made on first use:
//   "av.mp4"      2 s, 160x120 at 25 fps mpeg4 with 44100 Hz stereo aac
//   "av2.mp4"     1 s, same streams (for joining)
//   "a48.wav"     1 s, 48000 Hz mono 16-bit sine
//   "loud.wav"    0.5 s, 8000 Hz mono 16-bit, every sample 20000
//   "sizes.ts"    mpeg2 video whose picture size changes from 160x120 to 96x64 after 1 s, with mp2 audio
//   "corrupt.avi" 4 s mpeg4 160x120 with garbage over the middle third
//   "long.mp4"    20 s, 320x240 at 25 fps mpeg4 with aac (for stopping a run midway)
//   "jump.flv"    4 s flv1 160x120 with mp3, whose 50th picture claims a time 36 days on
//   "back.flv"    2 s flv1 160x120 without audio, whose 30th picture claims a time before the 29th's
//   "ptsjump.ts"  2 s mpeg2video/mp2 transport stream whose second half's pictures claim presentation times
//                 26 hours on
//   "unknown.mkv" 1 s mpeg4 160x120 beside a sound track of a codec no library knows
//   "nopicture.mkv" 1 s of aac beside a declared mpeg4 stream without any picture
//   "gap.flv"     like jump.flv, but the picture claims a time only 50 s on (its header says 4 s)
//   "late.mkv"    1 s mpeg4 and 1 s aac whose picture times start 55 hours after the sound's
//   "piece.mkv"   the start of a 1 s Matroska file: its headers and no whole packet
//   "corrupt.png" a 64x48 PNG whose picture data is scrambled
//   "truncated.mp4" 60 % of a 6 s mpeg4/aac MP4 with its index at the front
//   "video.mp4"   1 s, 160x120 mpeg4 without audio
//   "tiny.mp3"    0.2 s, 8000 Hz mono mp3 (the many inputs of one batch)
//   "odd.mp4", "wide.mp4"  1 s mpeg4/aac of 321x241 and 480x270
std::string Input(const std::string& name);
// A fresh path for an output in the fixture folder (the file does not exist yet).
std::string Output(const std::string& name);
bool Exists(const std::string& path);

// Converts one input into one output through TFFEncoder::StartTask(0); returns the task's notice.
engine::TTerminateInfo Convert(const std::string& input, const std::string& output,
                               const engine::TOutputOptions& options, std::string* setupError = nullptr);
// The same with several inputs in one task, one after another (the options should ask for a join).
engine::TTerminateInfo Convert(const std::vector<std::string>& inputs, const std::string& output,
                               const engine::TOutputOptions& options, std::string* setupError = nullptr);

// What the probe reads back from a file.
struct Facts {
    bool opened = false;
    engine::TFileStreamInfo file;
    engine::TVideoStreamInfo video;
    engine::TAudioStreamInfo audio;
    int videoStreams = 0, audioStreams = 0;
    std::string vcodec, acodec;  // codec names of the first video and audio streams (ffprobe)
};
Facts Probe(const std::string& path);
// Entries of the first stream of a kind ("v", "a") as ffprobe reads them, such as "pix_fmt" or
// "profile,level" (comma-separated), without the line end.
std::string StreamEntry(const std::string& path, const char* kind, const char* entries);

// Decoded 16-bit samples of the first audio stream (via the command-line tool).
std::vector<int16_t> DecodeS16(const std::string& path);
// Output of a shell command.
std::string Capture(const std::string& command);

// The engine's log lines at or above a level, collected while the object lives (any thread may log).
class LogLines {
public:
    explicit LogLines(engine::TLogLevel atLeast);
    std::vector<std::string> Lines() const;
    // How many lines contain text.
    int Count(const std::string& text) const;

private:
    engine::TFFLogger logger_;
    mutable std::mutex lock_;
    std::vector<std::string> lines_;
};

}  // namespace encfix
