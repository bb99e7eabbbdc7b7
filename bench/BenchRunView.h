#pragma once
// A window-less view of the conversion run for the benchmarks: it hands over the input files and notes
// when the summary would show.

#include <QStringList>

#include "wizard/ConversionRun.h"

class BenchRunView : public wizard::ConversionRunView {
public:
    QStringList files;
    bool finished = false;

    std::vector<wizard::InputRecord> InputRecords() const override {
        std::vector<wizard::InputRecord> records;
        for (const QString& f : files)
            records.push_back({f});
        return records;
    }
    void ShowProgressRows(const std::vector<wizard::ProgressRow>&, bool) override {}
    void UpdateProgressRow(int, const wizard::ProgressRow&) override {}
    void ShowRunStatus(const wizard::RunStatus&) override {}
    void AppendLog(const QString&) override {}
    void ProcessPendingEvents() override {}
    void PlaySound(const QString&) override {}
    bool RunShutdownCountdown() override { return false; }
    void ShutdownSystem(int) override {}
    void ShowConversionSummary() override { finished = true; }
};

// Makes a clip with the ffmpeg tool; false when the tool fails.
inline bool MakeBenchClip(const QString& path, const QString& size, double seconds) {
    const QString cmd = QStringLiteral(
                            "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=%1:rate=25 -f lavfi -i "
                            "sine=sample_rate=44100 -t %2 -c:v mpeg4 -q:v 4 -c:a aac '%3'")
                            .arg(size)
                            .arg(seconds)
                            .arg(path);
    return std::system(cmd.toLocal8Bit().constData()) == 0;
}
