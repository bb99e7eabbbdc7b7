#include "EncoderFixtures.h"

#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <stdexcept>

namespace encfix {

namespace fs = std::filesystem;

namespace {

std::string g_dir;
std::mutex g_lock;

void RemoveDir() {
    std::error_code ec;
    if (!g_dir.empty()) fs::remove_all(g_dir, ec);
}

const std::string& Dir() {
    std::lock_guard<std::mutex> lock(g_lock);
    if (g_dir.empty()) {
        char tmpl[] = "/tmp/reel-encoder-fixtures-XXXXXX";
        if (!mkdtemp(tmpl)) throw std::runtime_error("cannot create the fixture folder");
        g_dir = tmpl;
        std::atexit(RemoveDir);
    }
    return g_dir;
}

void Make(const std::string& args, const std::string& out) {
    const std::string cmd = "ffmpeg -nostdin -v error -y " + args + " '" + out + "'";
    if (std::system(cmd.c_str()) != 0) throw std::runtime_error("fixture failed: " + cmd);
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Gives the n-th video tag of an FLV file the time ms (24 bits plus the extension byte).
void PatchFlvVideoTime(const std::string& path, int n, uint64_t ms) {
    std::string flv = ReadAll(path);
    auto byte = [&](size_t i) { return static_cast<uint8_t>(flv.at(i)); };
    size_t pos = (size_t(byte(5)) << 24 | size_t(byte(6)) << 16 | size_t(byte(7)) << 8 | byte(8)) + 4;
    for (int video = 0; pos + 11 <= flv.size();) {
        const size_t size = size_t(byte(pos + 1)) << 16 | size_t(byte(pos + 2)) << 8 | byte(pos + 3);
        if (byte(pos) == 9 && ++video == n) {
            flv[pos + 4] = static_cast<char>(ms >> 16);
            flv[pos + 5] = static_cast<char>(ms >> 8);
            flv[pos + 6] = static_cast<char>(ms);
            flv[pos + 7] = static_cast<char>(ms >> 24);
            std::ofstream(path, std::ios::binary) << flv;
            return;
        }
        pos += 11 + size + 4;
    }
    throw std::runtime_error("too few video tags in " + path);
}

// Moves the presentation time (not the decoding time) of every video PES header in the second half of a
// transport stream ticks (90 kHz) on.
void PatchTsVideoPts(const std::string& path, uint64_t ticks) {
    std::string ts = ReadAll(path);
    auto byte = [&](size_t i) { return static_cast<uint8_t>(ts.at(i)); };
    const size_t packets = ts.size() / 188;
    for (size_t k = packets / 2; k < packets; ++k) {
        const size_t p = k * 188;
        if (byte(p) != 0x47 || !(byte(p + 1) & 0x40) || !(byte(p + 3) & 0x10)) continue;
        const size_t pes = p + 4 + ((byte(p + 3) & 0x20) ? 1 + byte(p + 4) : 0);
        if (pes + 14 > p + 188 || byte(pes) || byte(pes + 1) || byte(pes + 2) != 1) continue;
        if ((byte(pes + 3) & 0xF0) != 0xE0 || !(byte(pes + 7) & 0x80)) continue;
        const size_t f = pes + 9;
        uint64_t pts = uint64_t(byte(f) >> 1 & 7) << 30 | uint64_t(byte(f + 1)) << 22 |
                       uint64_t(byte(f + 2) >> 1) << 15 | uint64_t(byte(f + 3)) << 7 | byte(f + 4) >> 1;
        pts = (pts + ticks) & ((uint64_t(1) << 33) - 1);
        ts[f] = static_cast<char>((byte(f) & 0xF0) | (pts >> 29 & 0x0E) | 1);
        ts[f + 1] = static_cast<char>(pts >> 22);
        ts[f + 2] = static_cast<char>((pts >> 14 & 0xFE) | 1);
        ts[f + 3] = static_cast<char>(pts >> 7);
        ts[f + 4] = static_cast<char>((pts << 1 & 0xFE) | 1);
    }
    std::ofstream(path, std::ios::binary) << ts;
}

void Generate(const std::string& name, const std::string& path) {
    const std::string av =
        "-f lavfi -i testsrc=size=160x120:rate=25 -f lavfi -i sine=frequency=440:sample_rate=44100 ";
    if (name == "av.mp4") {
        Make(av + "-t 2 -c:v mpeg4 -g 25 -c:a aac -ac 2 -b:a 64k", path);
    } else if (name == "av2.mp4") {
        Make(av + "-t 1 -c:v mpeg4 -g 25 -c:a aac -ac 2 -b:a 64k", path);
    } else if (name == "yuv444.mkv") {
        Make(av + "-t 1 -c:v ffv1 -pix_fmt yuv444p -c:a aac", path);  // as screen and lossless captures
    } else if (name == "yuv422.mkv") {
        Make(av + "-t 1 -c:v ffv1 -pix_fmt yuv422p -c:a aac", path);  // as studio camera footage
    } else if (name == "rgb.mov") {
        Make(av + "-t 1 -c:v png -pix_fmt rgb24 -c:a aac", path);  // as animation and GIF-like sources
    } else if (name == "long.mp4") {
        Make(
            "-f lavfi -i testsrc=size=320x240:rate=25 -f lavfi -i sine=sample_rate=44100 -t 20 -c:v mpeg4 "
            "-c:a aac",
            path);
    } else if (name == "a48.wav") {
        Make("-f lavfi -i sine=frequency=440:sample_rate=48000 -t 1 -ac 1 -c:a pcm_s16le", path);
    } else if (name == "a44.wav") {
        Make("-f lavfi -i sine=frequency=440:sample_rate=44100 -t 1 -ac 1 -c:a pcm_s16le", path);
    } else if (name == "loud.wav") {
        Make("-f lavfi -i aevalsrc=20000/32768:s=8000:d=0.5 -ac 1 -c:a pcm_s16le", path);
    } else if (name == "sizes.ts") {
        const std::string a = path + ".a.ts", b = path + ".b.ts";
        Make(
            "-f lavfi -i testsrc=size=160x120:rate=25 -f lavfi -i sine=sample_rate=44100 -t 1 -c:v "
            "mpeg2video "
            "-c:a mp2",
            a);
        Make(
            "-f lavfi -i testsrc=size=96x64:rate=25 -f lavfi -i sine=sample_rate=44100 -t 1 -c:v mpeg2video "
            "-c:a mp2 -output_ts_offset 1",
            b);
        std::ofstream out(path, std::ios::binary);
        for (const std::string& part : {a, b}) {
            std::ifstream in(part, std::ios::binary);
            out << in.rdbuf();
        }
    } else if (name == "corrupt.avi") {
        Make("-f lavfi -i testsrc=size=160x120:rate=25 -t 4 -c:v mpeg4 -g 25", path);
        const auto size = fs::file_size(path);
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(size / 3));
        for (std::uintmax_t i = 0; i < size / 3; ++i)
            f.put(static_cast<char>((i * 7919) & 0xff));
    } else if (name == "jump.flv") {
        Make(av + "-t 4 -c:v flv1 -c:a libmp3lame -ar 44100", path);
        PatchFlvVideoTime(path, 50, 36ull * 24 * 3600 * 1000);  // one picture claims 36 days
    } else if (name == "back.flv") {
        Make("-f lavfi -i testsrc=size=160x120:rate=25 -t 2 -c:v flv1", path);
        PatchFlvVideoTime(path, 30, 1000);  // the 30th picture (1160 ms) claims a time before the 29th's
    } else if (name == "ptsjump.ts") {
        Make(av + "-t 2 -c:v mpeg2video -c:a mp2 -f mpegts", path);
        PatchTsVideoPts(path, 93600ull * 90000);  // 26 hours
    } else if (name == "unknown.mkv") {
        Make(av + "-t 1 -c:v mpeg4 -c:a aac", path);
        std::string data = ReadAll(path);
        const size_t at = data.find("A_AAC");  // the sound track's codec name becomes one nobody knows
        if (at == std::string::npos) throw std::runtime_error("no A_AAC in " + path);
        data.replace(at, 5, "A_ZZZ");
        std::ofstream(path, std::ios::binary | std::ios::trunc) << data;
    } else if (name == "nopicture.mkv") {
        Make(av + "-t 1 -c:v mpeg4 -c:a aac -bsf:v noise=dropamount=1", path);  // every picture dropped
    } else if (name == "gap.flv") {
        Make(av + "-t 4 -c:v flv1 -c:a libmp3lame -ar 44100", path);
        PatchFlvVideoTime(path, 50, 52000);  // one picture 50 s ahead, within a believable jump
    } else if (name == "late.mkv") {
        // the picture stream's times start 200,000 s (55 hours) after the sound's
        Make("-f lavfi -i testsrc=size=160x120:rate=25 -t 1 -c:v mpeg4", path + ".v.mkv");
        Make("-f lavfi -i sine=sample_rate=44100 -t 1 -c:a aac", path + ".a.mkv");
        Make("-copyts -itsoffset 200000 -i '" + path + ".v.mkv' -i '" + path +
                 ".a.mkv' -map 0:v -map 1:a -c copy",
             path);
    } else if (name == "piece.mkv") {
        Make(av + "-t 1 -c:v mpeg4 -c:a aac", path + ".whole.mkv");
        // cut inside the first cluster: the tracks are described, no packet is whole
        const std::string whole = ReadAll(path + ".whole.mkv");
        const size_t cluster = whole.find("\x1F\x43\xB6\x75");
        if (cluster == std::string::npos) throw std::runtime_error("no cluster in " + path);
        std::ofstream(path, std::ios::binary) << whole.substr(0, cluster + 24);
    } else if (name == "corrupt.png") {
        Make("-f lavfi -i testsrc=size=64x48 -frames:v 1", path);
        const std::string png = ReadAll(path);
        const size_t idat = png.find("IDAT");
        if (idat == std::string::npos) throw std::runtime_error("no IDAT in " + path);
        std::string broken = png;
        for (size_t i = idat + 8; i < broken.size() - 16; ++i)  // the picture data, not its chunk header
            broken[i] = static_cast<char>(broken[i] ^ 0x5a);
        std::ofstream(path, std::ios::binary) << broken;
    } else if (name == "truncated.mp4") {
        // the index is at the front, so the file opens and promises 6 s
        Make(av + "-t 6 -c:v mpeg4 -c:a aac -movflags +faststart", path);
        fs::resize_file(path, fs::file_size(path) * 6 / 10);
    } else if (name == "tiny.mp3") {
        Make("-f lavfi -i sine=sample_rate=8000:d=0.2 -ac 1 -c:a libmp3lame -b:a 16k", path);
    } else if (name == "video.mp4") {
        Make("-f lavfi -i testsrc=size=160x120:rate=25 -t 1 -c:v mpeg4", path);
    } else if (name == "odd.mp4") {
        Make(
            "-f lavfi -i testsrc=size=321x241:rate=25 -f lavfi -i sine=sample_rate=44100 -t 1 -c:v mpeg4 "
            "-c:a aac",
            path);
    } else if (name == "wide.mp4") {
        Make(
            "-f lavfi -i testsrc=size=480x270:rate=25 -f lavfi -i sine=sample_rate=44100 -t 1 -c:v mpeg4 "
            "-c:a aac",
            path);
    } else {
        throw std::runtime_error("unknown fixture " + name);
    }
}

}  // namespace

std::string Input(const std::string& name) {
    static std::mutex lock;
    static std::map<std::string, std::string> made;
    std::lock_guard<std::mutex> guard(lock);
    auto it = made.find(name);
    if (it != made.end()) return it->second;
    const std::string path = Dir() + "/" + name;
    Generate(name, path);
    made[name] = path;
    return path;
}

std::string Output(const std::string& name) {
    static std::atomic<int> counter{0};
    return Dir() + "/out" + std::to_string(++counter) + "-" + name;
}

bool Exists(const std::string& path) {
    struct stat sb;
    return stat(path.c_str(), &sb) == 0;
}

engine::TTerminateInfo Convert(const std::string& input, const std::string& output,
                               const engine::TOutputOptions& options, std::string* setupError) {
    return Convert(std::vector<std::string>{input}, output, options, setupError);
}

engine::TTerminateInfo Convert(const std::vector<std::string>& inputs, const std::string& output,
                               const engine::TOutputOptions& options, std::string* setupError) {
    engine::TFFEncoder encoder;
    engine::TTerminateInfo result;
    result.TaskIndex = -2;
    encoder.OnTerminate = [&](engine::TFFEncoder*, const engine::TTerminateInfo& info) {
        if (info.TaskIndex >= 0) result = info;
    };
    int task = encoder.AddTask(inputs.at(0));
    for (size_t i = 1; task >= 0 && i < inputs.size(); ++i)
        if (!encoder.AddInputFile(task, inputs[i])) task = -1;
    if (task < 0 || !encoder.SetOutputFile(task, output, &options)) {
        if (setupError) *setupError = encoder.LastErrMsg();
        result.ErrorOccurred = true;
        result.ErrorMessage = encoder.LastErrMsg();
        return result;
    }
    encoder.StartTask(0);
    return result;
}

Facts Probe(const std::string& path) {
    Facts f;
    engine::TFFDecoder dec;
    if (!dec.LoadFile(path)) return f;
    f.opened = true;
    dec.GetFileStreamInfo(f.file);
    f.videoStreams = dec.VideoStreamCount();
    f.audioStreams = dec.AudioStreamCount();
    if (f.videoStreams > 0) dec.GetVideoStreamInfo(-1, f.video);
    if (f.audioStreams > 0) dec.GetAudioStreamInfo(-1, f.audio);
    f.vcodec = StreamEntry(path, "v", "codec_name");
    f.acodec = StreamEntry(path, "a", "codec_name");
    return f;
}

std::string StreamEntry(const std::string& path, const char* kind, const char* entries) {
    std::string value = Capture(std::string("ffprobe -v error -select_streams ") + kind +
                                ":0 -show_entries stream=" + entries + " -of csv=p=0 '" + path + "'");
    while (!value.empty() && (value.back() == '\n' || value.back() == ','))
        value.pop_back();
    return value;
}

std::string Capture(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    pclose(p);
    return out;
}

std::vector<int16_t> DecodeS16(const std::string& path) {
    const std::string raw =
        Capture("ffmpeg -nostdin -v error -i '" + path + "' -f s16le -acodec pcm_s16le -");
    std::vector<int16_t> samples(raw.size() / 2);
    std::memcpy(samples.data(), raw.data(), samples.size() * 2);
    return samples;
}

LogLines::LogLines(engine::TLogLevel atLeast) {
    logger_.SetLogLevel(atLeast);
    logger_.SetOnLog([this](engine::TLogSender, engine::TThreadID, engine::TLogLevel, const std::string& m) {
        std::lock_guard<std::mutex> g(lock_);
        lines_.push_back(m);
    });
}

std::vector<std::string> LogLines::Lines() const {
    std::lock_guard<std::mutex> g(lock_);
    return lines_;
}

int LogLines::Count(const std::string& text) const {
    std::lock_guard<std::mutex> g(lock_);
    int n = 0;
    for (const std::string& l : lines_)
        n += l.find(text) != std::string::npos;
    return n;
}

}  // namespace encfix
