#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "engine/FFLoad.h"
#include "engine/FFUtils.h"
#include "engine/InterruptCB.h"

extern "C" {
#include <libavformat/avformat.h>
}

using namespace engine;

namespace {

bool Answer(void* object, void* arg) {
    return *static_cast<bool*>(arg);
}
bool Flag(void* object, void* arg) {
    return static_cast<std::atomic<bool>*>(object)->load();
}

int FreeTcpPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

}  // namespace

TEST(InterruptRegistry, TheFirstEntryOfAThreadDecides) {
    TInterruptCB reg;
    bool yes = true, no = false;
    int a = 0, b = 0;
    EXPECT_FALSE(reg.Check(7));  // no entry
    reg.Add(7, &Answer, &a, &no);
    reg.Add(7, &Answer, &b, &yes);
    reg.Add(8, &Answer, &a, &yes);
    reg.Add(7, &Answer, &a, &yes);  // same thread, code and object: not added again
    EXPECT_EQ(reg.Count(), 3u);
    EXPECT_FALSE(reg.Check(7));
    EXPECT_TRUE(reg.Check(8));
    reg.Remove(7, &Answer, &a);
    EXPECT_TRUE(reg.Check(7));   // b's entry is first now
    reg.Remove(7, &Answer, &a);  // nothing left to remove for a
    EXPECT_EQ(reg.Count(), 2u);
    reg.Clear();
    EXPECT_FALSE(reg.Check(8));
}

TEST(InterruptRegistry, ScopesRegisterForTheCallingThreadOnly) {
    std::atomic<bool> stop{true};
    {
        TInterruptScope scope(&Flag, &stop);
        EXPECT_EQ(InterruptCallback(nullptr), 1);
        int otherThreadAnswer = -1;
        std::thread([&] { otherThreadAnswer = InterruptCallback(nullptr); }).join();
        EXPECT_EQ(otherThreadAnswer, 0);
    }
    EXPECT_EQ(InterruptCallback(nullptr), 0);
}

// A blocking open (a listening socket nobody connects to) ends once the thread's check says stop.
TEST(InterruptRegistry, AbortsABlockingOpen) {
    ASSERT_TRUE(LoadAVLib("lib"));
    avformat_network_init();
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop = true;
    });
    const auto started = std::chrono::steady_clock::now();
    AVFormatContext* ctx = avformat_alloc_context();
    InstallInterruptCB(ctx);
    int ret;
    {
        TInterruptScope scope(&Flag, &stop);
        const std::string url = "tcp://127.0.0.1:" + std::to_string(FreeTcpPort()) + "?listen=1";
        ret = avformat_open_input(&ctx, url.c_str(), nullptr, nullptr);
    }
    stopper.join();
    EXPECT_EQ(ret, AVERROR_EXIT);
    EXPECT_EQ(FFErrorText(ret), "Immediate exit requested");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
    if (ret >= 0) avformat_close_input(&ctx);
}
