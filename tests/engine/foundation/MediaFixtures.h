#pragma once
// Small media files made with the ffmpeg command-line tool into a temporary folder, once per test program.

#include <string>

namespace fixtures {

// The folder holding the files below; created on first use, removed at process exit.
const std::string& Dir();
// Full path of a generated fixture, made on first use: "video.mp4" (4 s mpeg4 160x96 10 fps with aac audio
// and a title), "audio.wav" (1 s, 22050 Hz mono), "odd.avi" (161x97 mpeg4), "onekey.mp4" (2 s, one key
// picture), "nodur.m4v" (raw stream, no container duration), "still.png" (64x48 pure blue), "blue.avi" (2 s
// pure blue 64x48), "corrupt-middle.avi" (video.mp4's pictures with garbage over the middle of the file).
std::string Path(const std::string& name);
// Runs a shell command; true when it exited with 0.
bool Run(const std::string& command);
// Writes bytes to a new file in Dir() and returns its path.
std::string WriteFile(const std::string& name, const std::string& bytes);

}  // namespace fixtures
