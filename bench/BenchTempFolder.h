#pragma once
// A fresh folder under $TMPDIR (or /tmp), removed with everything in it when the object goes.

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

class BenchTempFolder {
public:
    explicit BenchTempFolder(const std::string& prefix) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + ".XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (!mkdtemp(buffer.data())) throw std::runtime_error("cannot make a folder like " + pattern);
        path_ = buffer.data();
    }
    ~BenchTempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    BenchTempFolder(const BenchTempFolder&) = delete;
    BenchTempFolder& operator=(const BenchTempFolder&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};
