#pragma once
// Small media files made on demand with the ffmpeg command-line tool, and helpers that convert through the
// encoder component and read outputs back with the engine's probe.

#include <string>
#include <vector>

#include "engine/FFDecode.h"
#include "engine/FFEncode.h"

namespace encfix {

// Path of a generated input, made on first use:
//   "av.mp4"      2 s, 160x120 at 25 fps mpeg4 with 44100 Hz stereo aac
//   "av2.mp4"     1 s, same streams (for joining)
//   "a48.wav"     1 s, 48000 Hz mono 16-bit sine
//   "loud.wav"    0.5 s, 8000 Hz mono 16-bit, every sample 20000
//   "sizes.ts"    mpeg2 video whose picture size changes from 160x120 to 96x64 after 1 s, with mp2 audio
//   "corrupt.avi" 4 s mpeg4 160x120 with garbage over the middle third
//   "long.mp4"    20 s, 320x240 at 25 fps mpeg4 with aac (for stopping a run midway)
std::string Input(const std::string& name);
// A fresh path for an output in the fixture folder (the file does not exist yet).
std::string Output(const std::string& name);
bool Exists(const std::string& path);

// Converts one input into one output through TFFEncoder::StartTask(0); returns the task's notice.
engine::TTerminateInfo Convert(const std::string& input, const std::string& output,
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

// Decoded 16-bit samples of the first audio stream (via the command-line tool).
std::vector<int16_t> DecodeS16(const std::string& path);
// Output of a shell command.
std::string Capture(const std::string& command);

}  // namespace encfix
