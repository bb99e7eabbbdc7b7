#include "wizard/InputList.h"

#include <algorithm>
#include <array>

namespace wizard {

InputActionStates InputActionStatesFor(int rowCount, int selected) {
    if (selected >= rowCount) selected = -1;
    InputActionStates s;
    s.Delete = selected >= 0;
    s.Clear = rowCount > 0;
    s.MoveUp = selected > 0;
    s.MoveDown = selected >= 0 && selected + 1 < rowCount;
    s.Play = selected >= 0;
    return s;
}

int SelectionAfterDelete(int deletedRow, int rowCountAfter) {
    return std::min(deletedRow, rowCountAfter - 1);
}

InputListModel::InputListModel(QObject* parent) : QAbstractTableModel(parent) {}

int InputListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

int InputListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString InputListModel::ColumnName(int column) {
    static const std::array<const char*, ColumnCount> kNames = {
        "NxGraphicColumnMainImage",    "NxTextColumnFileMinName",  "NxTextColumnDuration",
        "NxTextColumnBitrate",         "NxTextColumnDimension",    "NxTextColumnFileFullName",
        "NxTextColumnFileSize",        "NxTextColumnVideoEncoder", "NxTextColumnAudioChannels",
        "NxTextColumnAudioSampleRate", "NxTextColumnAudioBitrate", "NxTextColumnAudioEncoder",
        "NxTextColumnFrameRate",       "NxTextColumnRealDuration", "NxTextColumnWidth",
        "NxTextColumnHeight",          "NxTextColumnAspectRatio"};
    return column >= 0 && column < ColumnCount ? QLatin1String(kNames[column]) : QString();
}

QString InputListModel::Cell(int row, int column) const {
    if (row < 0 || row >= Count()) return QString();
    const InputItem& it = Item(row);
    switch (column) {
        case NxTextColumnFileMinName:
            return it.FileMinName;
        case NxTextColumnDuration:
            return it.Duration;
        case NxTextColumnBitrate:
            return it.Bitrate;
        case NxTextColumnDimension:
            return it.Dimension;
        case NxTextColumnFileFullName:
            return it.FileFullName;
        case NxTextColumnFileSize:
            return it.FileSize;
        case NxTextColumnVideoEncoder:
            return it.VideoEncoder;
        case NxTextColumnAudioChannels:
            return it.AudioChannels;
        case NxTextColumnAudioSampleRate:
            return it.AudioSampleRate;
        case NxTextColumnAudioBitrate:
            return it.AudioBitrate;
        case NxTextColumnAudioEncoder:
            return it.AudioEncoder;
        case NxTextColumnFrameRate:
            return it.FrameRate;
        case NxTextColumnRealDuration:
            return QString::number(it.RealDuration);
        case NxTextColumnWidth:
            return QString::number(it.Width);
        case NxTextColumnHeight:
            return QString::number(it.Height);
        case NxTextColumnAspectRatio:
            return QString::number(it.AspectRatio);
        default:
            return QString();
    }
}

QVariant InputListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return QVariant();
    if (role == Qt::DisplayRole) return Cell(index.row(), index.column());
    // The slide's hint: the whole path.
    if (role == Qt::ToolTipRole) return Item(index.row()).FileFullName;
    return QVariant();
}

QVariant InputListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) return ColumnName(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void InputListModel::Append(InputItem item) {
    beginInsertRows(QModelIndex(), Count(), Count());
    items_.push_back(std::move(item));
    endInsertRows();
}

void InputListModel::Remove(int row) {
    if (row < 0 || row >= Count()) return;
    beginRemoveRows(QModelIndex(), row, row);
    items_.erase(items_.begin() + row);
    endRemoveRows();
}

void InputListModel::Clear() {
    if (items_.empty()) return;
    beginResetModel();
    items_.clear();
    endResetModel();
}

bool InputListModel::MoveRow(int from, int to) {
    if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) return false;
    // Qt counts the destination as the row the moved one is put before, in the list before the move.
    const int destination = to > from ? to + 1 : to;
    if (!beginMoveRows(QModelIndex(), from, from, QModelIndex(), destination)) return false;
    InputItem moved = std::move(items_[static_cast<size_t>(from)]);
    items_.erase(items_.begin() + from);
    items_.insert(items_.begin() + to, std::move(moved));
    endMoveRows();
    return true;
}

}  // namespace wizard
