#include "MediaFixtures.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>

namespace fixtures {

namespace fs = std::filesystem;

namespace {

std::string g_dir;

void RemoveDir() {
    std::error_code ec;
    if (!g_dir.empty()) fs::remove_all(g_dir, ec);
}

// The ffmpeg arguments (before the output name) of each generated file.
const std::map<std::string, std::string>& Recipes() {
    static const std::map<std::string, std::string> recipes = {
        {"video.mp4",
         "-f lavfi -i testsrc=size=160x96:rate=10 -f lavfi -i sine=frequency=440:sample_rate=22050 -t 4 "
         "-c:v mpeg4 -g 10 -c:a aac -b:a 32k -metadata title='Probe Title' -metadata artist='Probe Artist'"},
        {"audio.wav", "-f lavfi -i sine=frequency=440:sample_rate=22050 -t 1 -ac 1"},
        {"odd.avi", "-f lavfi -i testsrc=size=161x97:rate=10 -t 2 -c:v mpeg4"},
        {"onekey.mp4", "-f lavfi -i testsrc=size=160x96:rate=10 -t 2 -c:v mpeg4 -g 1000"},
        {"nodur.m4v", "-f lavfi -i testsrc=size=160x96:rate=10 -t 2 -c:v mpeg4 -f m4v"},
        {"still.png", "-f lavfi -i color=c=blue:size=64x48 -frames:v 1"},
        {"blue.avi", "-f lavfi -i color=c=blue:size=64x48:rate=10 -t 2 -c:v mpeg4 -q:v 2"},
        {"corrupt-middle.avi", "-f lavfi -i testsrc=size=160x96:rate=10 -t 4 -c:v mpeg4 -g 10"},
    };
    return recipes;
}

void Make(const std::string& name) {
    const std::string cmd =
        "ffmpeg -nostdin -v error -y " + Recipes().at(name) + " '" + g_dir + "/" + name + "'";
    if (!Run(cmd)) throw std::runtime_error("fixture failed: " + cmd);
    if (name == "corrupt-middle.avi") {
        // Garbage over the middle third of the file: headers and index stay intact.
        const std::string path = g_dir + "/" + name;
        const auto size = fs::file_size(path);
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(size / 3));
        for (std::uintmax_t i = 0; i < size / 3; ++i)
            f.put(static_cast<char>((i * 7919) & 0xff));
    }
}

}  // namespace

bool Run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

const std::string& Dir() {
    static std::once_flag once;
    std::call_once(once, [] {
        char tmpl[] = "/tmp/reel-engine-fixtures-XXXXXX";
        if (!mkdtemp(tmpl)) throw std::runtime_error("cannot create the fixture folder");
        g_dir = tmpl;
        std::atexit(RemoveDir);
    });
    return g_dir;
}

std::string Path(const std::string& name) {
    static std::mutex mutex;
    static std::set<std::string> made;
    const std::string path = Dir() + "/" + name;
    std::lock_guard<std::mutex> lock(mutex);
    if (!made.count(name)) {
        Make(name);  // each file is made the first time a test asks for it
        made.insert(name);
    }
    return path;
}

std::string WriteFile(const std::string& name, const std::string& bytes) {
    const std::string path = Dir() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

}  // namespace fixtures
