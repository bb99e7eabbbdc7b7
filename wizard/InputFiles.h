#pragma once
// Adding files to the input list: each file is probed with the media engine, gets a thumbnail from the
// middle of its video (or the audio picture) and a row of facts; files the engine cannot read are
// collected as failure texts for the failed-files dialog. Runs on the main thread; no widgets.

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "engine/Bitmap.h"
#include "wizard/InputList.h"

namespace engine {
class TFFDecoder;
}

namespace wizard {

// The slide's picture area; thumbnails are kept no larger than this.
inline constexpr int kThumbnailWidth = 128;
inline constexpr int kThumbnailHeight = 88;

// Cell texts.
QString DurationText(int64_t microseconds);  // FormatMicroseconds, or "Duration is not preseted"
QString BitRateText(int bitsPerSecond);      // "%d Kbps", or "Bit rate is not preseted"

// The row pictures of the input list. A picture stays here when its row is deleted; all go with the list.
class ThumbnailList {
public:
    // Keeps the picture and returns its lasting address.
    const engine::TBitmap* Add(engine::TBitmap picture);
    int Count() const { return static_cast<int>(pictures_.size()); }

private:
    std::vector<std::unique_ptr<engine::TBitmap>> pictures_;
};

// The picture scaled down (area average) to fit within maxWidth x maxHeight, keeping its aspect; a picture
// that already fits is returned as it is. 24-bit pictures only.
engine::TBitmap ScaleDownToFit(const engine::TBitmap& picture, int maxWidth, int maxHeight);

// The path shortened to fit maxWidth as measured: folders are replaced by "..." one by one from the first
// after the root onward ("/.../b/c/name"), then the root goes (".../name"), then the folders ("name").
QString MinimizeName(const QString& path, int maxWidth, const std::function<int(const QString&)>& measure);

// Of the dropped items: the files with a known media extension, in the given order; folders and other
// files are skipped.
QStringList FilterDroppedFiles(const QStringList& paths);

// The files named on the program's command line (the arguments after the program's own name): "file:"
// addresses become local paths and relative paths are made absolute against workingDir. Nothing is
// checked here; a missing file fails when it is added, like any other.
QStringList FilesFromCommandLine(const QStringList& arguments, const QString& workingDir);

// One probe: the row of a readable file, or the engine's message (which names the file).
struct ProbeResult {
    std::optional<InputItem> item;
    QString error;
};

// What probing needs from the window: the picture of audio-only files, how the slide shortens a path, and
// where log lines go.
struct InputProbeContext {
    engine::TFFDecoder& decoder;
    ThumbnailList& thumbnails;
    const engine::TBitmap& audioPicture;
    std::function<QString(const QString&)> shortenPath;
    std::function<void(const QString&)> logLine;
};

// Probes one file: its facts, its thumbnail (kept in the thumbnail list) and its cell texts.
ProbeResult ProbeInputFile(InputProbeContext& context, const QString& path);

// Probes every path in order, appends a row for each readable file and returns the failure texts of the
// others ("File load error: " lines go to the log). The batch goes on after a failure.
QStringList AddInputFilesTo(InputListModel& list, InputProbeContext& context, const QStringList& paths);

}  // namespace wizard
