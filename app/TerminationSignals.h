#pragma once
// TerminationSignals: SIGTERM, SIGINT and SIGHUP (a logout, Ctrl+C, a closed terminal) delivered as a Qt
// signal on the thread that created the object, so the program can run its normal close path instead of
// dying with unsaved settings.

#include <QObject>
#include <csignal>
#include <memory>

class QSocketNotifier;

namespace app {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; the previous dispositions come back when the object is destroyed. Only one
    // object may exist at a time.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

signals:
    // One of the handled signals arrived (its number). Emitted from the event loop, never from the handler.
    void Received(int signalNumber);

private:
    void ReadPipe();

    int pipe_[2] = {-1, -1};  // the handler writes the signal number into [1]; the event loop reads [0]
    std::unique_ptr<QSocketNotifier> notifier_;
    struct sigaction previous_[3] = {};
};

}  // namespace app
