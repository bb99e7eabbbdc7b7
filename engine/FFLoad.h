#pragma once
// The library loader. The FFmpeg libraries are linked at build time; "loading" one checks that the
// library found at run time has the major version the program was built against, runs what the library
// needs once (device registration) and installs the engine's services (the log hook for avutil).
// The process has one loader, FFLoader(); the host calls LoadAVLib once at start-up.

#include <atomic>
#include <cstdint>
#include <string>

namespace engine {

// The libraries, in load order; the value is the bit position in a TLibrarySet.
enum TLibrary : int {
    libAVCodec,
    libAVDevice,
    libAVFilter,
    libAVFormat,
    libAVUtil,
    libSwScale,
    libSwResample
};
inline constexpr int kLibraryCount = 7;

using TLibrarySet = std::uint32_t;
constexpr TLibrarySet LibrarySet(TLibrary lib) {
    return TLibrarySet(1) << lib;
}
inline constexpr TLibrarySet AllLibraries = (TLibrarySet(1) << kLibraryCount) - 1;
// What the encoder component needs: everything but avdevice.
inline constexpr TLibrarySet EncoderLibraries = AllLibraries & ~LibrarySet(libAVDevice);

// The library's "major.minor.micro" packed as FFmpeg does (major << 16 | minor << 8 | micro).
using TVersionQuery = unsigned (*)(TLibrary lib);

class TFFLoader {
public:
    TFFLoader();

    // The folder the program would load from ("lib" beside the executable); kept for messages only,
    // the linked libraries are found by the system's loader.
    void SetLibraryPath(const std::string& path);
    const std::string& LibraryPath() const { return libraryPath_; }
    const std::string& LastErrMsg() const { return lastErrMsg_; }

    // The base name ("avcodec") and the run-time file name of the library ("libavcodec.so.59").
    static const char* LibraryName(TLibrary lib);
    std::string LibraryFileName(TLibrary lib) const;
    // The major version the program was built against.
    static int BuildMajor(TLibrary lib);

    // Checks and installs one library; true when it is loaded afterwards. A mismatch sets LastErrMsg to
    // "Load library %s error: %s" and returns false.
    bool LoadLib(TLibrary lib);
    // Loads every library of the set in order; on the first failure unloads the whole set and returns false.
    bool Load(TLibrarySet set);
    bool LibLoaded(TLibrary lib) const;
    bool Loaded(TLibrarySet set) const;
    void UnloadLib(TLibrary lib);
    void Unload(TLibrarySet set);

    // Replaces the run-time version query (tests simulate a mismatched library with it); nullptr restores it.
    void SetVersionQuery(TVersionQuery query);

private:
    std::string libraryPath_;
    std::string lastErrMsg_;
    std::atomic<TLibrarySet> loaded_{0};
    TVersionQuery versionQuery_;
};

// The process-wide loader.
TFFLoader& FFLoader();

// What the host calls at start-up: sets the library path and loads EncoderLibraries. On false,
// FFLoader().LastErrMsg() (also returned by AVLibLastErrMsg()) holds the one-line reason.
bool LoadAVLib(const std::string& folder);
bool AVLibLoaded();
std::string AVLibLastErrMsg();

}  // namespace engine
