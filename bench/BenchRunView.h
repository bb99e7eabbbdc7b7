#pragma once
// A window-less view of the conversion run for the benchmarks: it hands over the input files and notes
// when the summary would show. With it, what the conversion benchmarks set up alike: the clips, the
// libraries and the preset they run.

#include <QStringList>
#include <cstdio>
#include <cstdlib>

#include "engine/FFLoad.h"
#include "engine/FFLog.h"
#include "wizard/ConversionRun.h"
#include "wizard/PresetTable.h"

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

// Loads the FFmpeg libraries with their log kept to errors; false, with the reason printed, when they fail.
inline bool LoadBenchAVLib() {
    if (!engine::LoadAVLib("")) {
        std::fprintf(stderr, "%s\n", engine::AVLibLastErrMsg().c_str());
        return false;
    }
    engine::FFLogger().SetLogLevel(engine::llError);
    return true;
}

// Chooses the MP4 preset "PC - Standard Quality" the conversion benchmarks run.
inline void ChooseMp4PcStandard(app::TGlobalVars& globals) {
    constexpr int kMP4 = 1, kPCStandard = 15;
    globals.OutputFormatClass = app::fcVideo;
    globals.OutputVideoFormat = kMP4;
    globals.PresetIndex[wizard::FindOutputFormat(app::fcVideo, kMP4)->Slot] = kPCStandard;
}
