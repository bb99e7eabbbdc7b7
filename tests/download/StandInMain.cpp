// Runs the video service stand-in until it is killed, for trying the download path by hand:
//   service_standin ID=FILE[:ITAG] ...   serves each file as the video ID (stream tag 18 unless given, and
//                                        the default stream 5 with the same bytes); the title is the file
//                                        name
// It prints the proxy address to use as http_proxy, and a watch link per video. STANDIN_DELAY_MS=N pauses
// after every 64 KiB of media, to watch a download in progress.
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <thread>

#include "ServiceStandIn.h"

int main(int argc, char** argv) {
    // Blocked before the stand-in's threads start, so that only sigwait below receives them.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    reeltest::ServiceStandIn standIn;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        const auto eq = arg.find('=');
        if (eq == std::string::npos) {
            std::cerr << "usage: service_standin ID=FILE[:ITAG] ...\n";
            return 2;
        }
        const std::string id = arg.substr(0, eq);
        std::string file = arg.substr(eq + 1);
        int itag = 18;
        if (const auto colon = file.rfind(':'); colon != std::string::npos) {
            itag = std::atoi(file.c_str() + colon + 1);
            file.resize(colon);
        }
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            std::cerr << "cannot read " << file << "\n";
            return 1;
        }
        reeltest::StandInMedia media;
        media.bytes.assign(std::istreambuf_iterator<char>(in), {});
        if (const char* delay = std::getenv("STANDIN_DELAY_MS")) media.delayMs = std::atoi(delay);
        reeltest::StandInVideo video;
        video.title = file.substr(file.rfind('/') + 1);
        video.title = video.title.substr(0, video.title.rfind('.'));
        video.streams[itag] = media;
        video.streams[5] = media;
        standIn.AddVideo(id, video);
        std::cout << reeltest::ServiceStandIn::WatchLink(id) << "\n";
    }
    std::cout << "http_proxy=" << standIn.ProxyAddress() << std::endl;
    int signal = 0;
    sigwait(&set, &signal);
    return 0;
}
