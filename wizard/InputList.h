#pragma once
// The input list of Step1: one InputItem per readable media file, in conversion order. InputListModel is
// the table the grid shows (one column per fact, the slide columns first, then the hidden ones) and the
// list the job builder reads; it has no widgets. The enabled rules of the list's six actions live here too.

#include <QAbstractTableModel>
#include <QString>
#include <cstdint>
#include <vector>

#include "engine/Bitmap.h"

namespace wizard {

// What the list knows of one added file. The texts are those of the grid's cells; the numbers are the
// values the job builder reads (duration, picture size, aspect ratio).
struct InputItem {
    // Owned by the window's thumbnail list (it outlives the row); empty when no picture could be decoded.
    const engine::TBitmap* Thumbnail = nullptr;

    QString FileMinName;   // the full path shortened to fit the slide (folders in the middle elided)
    QString Duration;      // "Duration: ..."
    QString Bitrate;       // "Bit rate: ..." or, for audio-only files, "Audio Bit rate: ..."
    QString Dimension;     // "Dimension: W x H" or, for audio-only files, "Audio Encoder: ..."
    QString FileFullName;  // the path as passed in

    // Descriptive texts no step reads.
    QString FileSize, VideoEncoder, AudioChannels, AudioSampleRate, AudioBitrate, AudioEncoder, FrameRate;

    int64_t RealDuration = 0;  // microseconds; 0 when unknown
    int Width = -1;            // picture size; -1 for audio-only files
    int Height = -1;
    double AspectRatio = -1.0;  // display aspect ratio; -1 for audio-only files
    bool AudioOnly = false;
};

// Enabled states of the six actions of Step1 (Add is always enabled).
struct InputActionStates {
    bool Delete = false;
    bool Clear = false;
    bool MoveUp = false;
    bool MoveDown = false;
    bool Play = false;
    bool operator==(const InputActionStates&) const = default;
};

// selected: the selected row, -1 for none.
InputActionStates InputActionStatesFor(int rowCount, int selected);

// The row selected after deleting the selected row: the following one, else the new last one (-1 when the
// list became empty).
int SelectionAfterDelete(int deletedRow, int rowCountAfter);

class InputListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The grid's columns in position order; columns from FileFullName on are hidden.
    enum Column {
        NxGraphicColumnMainImage,
        NxTextColumnFileMinName,
        NxTextColumnDuration,
        NxTextColumnBitrate,
        NxTextColumnDimension,
        NxTextColumnFileFullName,
        NxTextColumnFileSize,
        NxTextColumnVideoEncoder,
        NxTextColumnAudioChannels,
        NxTextColumnAudioSampleRate,
        NxTextColumnAudioBitrate,
        NxTextColumnAudioEncoder,
        NxTextColumnFrameRate,
        NxTextColumnRealDuration,
        NxTextColumnWidth,
        NxTextColumnHeight,
        NxTextColumnAspectRatio,
        ColumnCount
    };
    static constexpr int kFirstHiddenColumn = NxTextColumnFileFullName;

    explicit InputListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    // Display text of a cell, as the grid stores it (numbers as decimal text); the column's name as header.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    static QString ColumnName(int column);
    QString Cell(int row, int column) const;

    const InputItem& Item(int row) const { return items_.at(static_cast<size_t>(row)); }
    const std::vector<InputItem>& Items() const { return items_; }
    int Count() const { return static_cast<int>(items_.size()); }

    void Append(InputItem item);
    void Remove(int row);
    void Clear();
    // Moves the row at from so that it ends up at position to (both within the list); false when nothing
    // moved.
    bool MoveRow(int from, int to);

private:
    std::vector<InputItem> items_;
};

}  // namespace wizard
