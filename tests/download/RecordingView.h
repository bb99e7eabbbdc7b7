#pragma once
// A download view without a window for the download tests: it records what the run shows, as the download
// page would.

#include <QStringList>
#include <functional>
#include <map>
#include <vector>

#include "download/DownloadRun.h"

namespace reeltest {

using download::colStatus;
using download::DownloadColumn;
using download::DownloadLabel;
using download::DownloadView;
using download::lblQuality;

struct RecordingView : DownloadView {
    QStringList links;
    std::vector<QStringList> rows;
    std::map<DownloadLabel, QString> labels;
    int progress = -1;
    QStringList log;
    bool ended = false;
    QStringList qualityLabels;  // every text LabelQuality showed, in order
    std::function<void(int row, DownloadColumn column, const QString& text)> onRowText;

    QStringList Links() const override { return links; }
    void ClearDownloadRows() override { rows.clear(); }
    void AddDownloadRow(const QStringList& columns) override { rows.push_back(columns); }
    void InsertDownloadRow(int row, const QStringList& columns) override {
        rows.insert(rows.begin() + row, columns);
    }
    int DownloadRowCount() const override { return static_cast<int>(rows.size()); }
    QString DownloadRowText(int row, DownloadColumn column) const override { return rows.at(row).at(column); }
    void SetDownloadRowText(int row, DownloadColumn column, const QString& text) override {
        rows.at(row)[column] = text;
        if (onRowText) onRowText(row, column, text);
    }
    void SetDownloadLabel(DownloadLabel label, const QString& text) override {
        labels[label] = text;
        if (label == lblQuality && (qualityLabels.isEmpty() || qualityLabels.back() != text))
            qualityLabels << text;
    }
    void SetDownloadProgress(int percent) override { progress = percent; }
    void LogDownloadLine(const QString& line) override { log << line; }
    void DownloadRunEnded() override { ended = true; }

    QStringList Statuses() const {
        QStringList out;
        for (const auto& row : rows)
            out << row[colStatus];
        return out;
    }
};

}  // namespace reeltest
