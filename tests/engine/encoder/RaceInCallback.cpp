// A deliberate data race in a log callback that FFmpeg calls: ThreadSanitizer must report it even with
// the encoder tests' suppressions, which may hide only races inside FFmpeg's own code.
#include <thread>

extern "C" {
#include <libavutil/log.h>
}

namespace {

int linesSeen = 0;  // written by two threads without a lock: the race to be found

void Callback(void*, int, const char*, va_list) {
    ++linesSeen;
}

}  // namespace

int main() {
    av_log_set_callback(Callback);
    auto log = [] {
        for (int i = 0; i < 100; ++i)
            av_log(nullptr, AV_LOG_ERROR, "line %d\n", i);
    };
    std::thread a(log), b(log);
    a.join();
    b.join();
    return linesSeen > 0 ? 0 : 1;
}
