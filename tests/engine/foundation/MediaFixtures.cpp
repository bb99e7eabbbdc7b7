#include "MediaFixtures.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <stdexcept>

namespace fixtures {

namespace fs = std::filesystem;

namespace {

std::string g_dir;

void RemoveDir() {
    std::error_code ec;
    if (!g_dir.empty()) fs::remove_all(g_dir, ec);
}

void Make(const std::string& args, const std::string& out) {
    const std::string cmd = "ffmpeg -nostdin -v error -y " + args + " '" + g_dir + "/" + out + "'";
    if (!Run(cmd)) throw std::runtime_error("fixture failed: " + cmd);
}

void Generate() {
    char tmpl[] = "/tmp/reel-engine-fixtures-XXXXXX";
    if (!mkdtemp(tmpl)) throw std::runtime_error("cannot create the fixture folder");
    g_dir = tmpl;
    std::atexit(RemoveDir);
    Make(
        "-f lavfi -i testsrc=size=160x96:rate=10 -f lavfi -i sine=frequency=440:sample_rate=22050 -t 4 "
        "-c:v mpeg4 -g 10 -c:a aac -b:a 32k -metadata title='Probe Title' -metadata artist='Probe Artist'",
        "video.mp4");
    Make("-f lavfi -i sine=frequency=440:sample_rate=22050 -t 1 -ac 1", "audio.wav");
    Make("-f lavfi -i testsrc=size=161x97:rate=10 -t 2 -c:v mpeg4", "odd.avi");
    Make("-f lavfi -i testsrc=size=160x96:rate=10 -t 2 -c:v mpeg4 -g 1000", "onekey.mp4");
    Make("-f lavfi -i testsrc=size=160x96:rate=10 -t 2 -c:v mpeg4 -f m4v", "nodur.m4v");
    Make("-f lavfi -i color=c=blue:size=64x48 -frames:v 1", "still.png");
    Make("-f lavfi -i color=c=blue:size=64x48:rate=10 -t 2 -c:v mpeg4 -q:v 2", "blue.avi");
    Make("-f lavfi -i testsrc=size=160x96:rate=10 -t 4 -c:v mpeg4 -g 10", "corrupt-middle.avi");
    // Garbage over the middle third of the file: headers and index stay intact.
    const std::string corrupt = g_dir + "/corrupt-middle.avi";
    const auto size = fs::file_size(corrupt);
    std::fstream f(corrupt, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(size / 3));
    for (std::uintmax_t i = 0; i < size / 3; ++i)
        f.put(static_cast<char>((i * 7919) & 0xff));
}

}  // namespace

bool Run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

const std::string& Dir() {
    static std::once_flag once;
    std::call_once(once, Generate);
    return g_dir;
}

std::string Path(const std::string& name) {
    return Dir() + "/" + name;
}

std::string WriteFile(const std::string& name, const std::string& bytes) {
    const std::string path = Dir() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

}  // namespace fixtures
