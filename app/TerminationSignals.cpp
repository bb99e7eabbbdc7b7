#include "app/TerminationSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <stdexcept>

namespace app {

namespace {

constexpr int kSignals[3] = {SIGTERM, SIGINT, SIGHUP};
// The write end for the handler; a plain int is all an asynchronous signal handler may touch.
volatile sig_atomic_t gWriteEnd = -1;

void OnSignal(int signalNumber) {
    // Only async-signal-safe calls here: one byte to a non-blocking pipe. A full pipe drops the byte,
    // which loses nothing, since the program is already on its way out.
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    const int fd = gWriteEnd;
    if (fd >= 0 && ::write(fd, &byte, 1) < 0) {
        // nothing else can be done inside a handler
    }
    errno = savedErrno;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (gWriteEnd >= 0) throw std::logic_error("TerminationSignals: only one instance at a time");
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("TerminationSignals: no pipe");
    gWriteEnd = pipe_[1];
    notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &TerminationSignals::ReadPipe);

    struct sigaction action = {};
    action.sa_handler = &OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // other threads' reads and writes go on undisturbed
    for (int i = 0; i < 3; ++i)
        ::sigaction(kSignals[i], &action, &previous_[i]);
}

TerminationSignals::~TerminationSignals() {
    for (int i = 0; i < 3; ++i)
        ::sigaction(kSignals[i], &previous_[i], nullptr);
    gWriteEnd = -1;
    notifier_.reset();
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

void TerminationSignals::ReadPipe() {
    unsigned char buffer[16];
    ssize_t n;
    while ((n = ::read(pipe_[0], buffer, sizeof buffer)) > 0) {
        for (ssize_t i = 0; i < n; ++i)
            emit Received(buffer[i]);
    }
}

}  // namespace app
