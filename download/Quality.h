#pragma once
// Quality preference of the download path: the names of the service's known streams, the order in which a
// link's qualities are tried, and the editing rules of the order dialog. Plain functions of the order; the
// order itself lives in TGlobalVars.

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "app/Globals.h"

namespace download {

using QualityOrder = std::array<uint8_t, app::kQualityCount>;

// The two fixed orders the dialog offers.
inline constexpr QualityOrder kDefaultQualityOrder{1, 2, 3, 0, 4, 5, 6, 7};
inline constexpr QualityOrder kBestQualityOrder{7, 3, 2, 1, 0, 6, 4, 5};

// The default stream (itag 5), tried only when the preference is off.
inline constexpr const char* kDefaultQualityLabel =
    "[Default Quality - HQ5 - (FLV, 400 x 240, Mono 44KHz MP3)]";
inline constexpr const char* kTryNextText = " failed, try next: ";

// "[HQ18]" for type 1; the default stream's label for a type outside 0..7.
QString QualityTag(int type);
// The full label whose tag equals text exactly; the default stream's label for any other text.
QString QualityLabel(const QString& text);
// The type a "Type" cell names ("[HQ37]" 7); 0 for any other text.
int QualityTypeOfTag(const QString& tag);

// Attempt 0 is the default stream, attempts 1..8 the entries of the order.
QString AttemptTag(int attempt, const QualityOrder& order);  // empty outside 0..8
// "[HQ18] failed, try next: [HQ35]" when attempt k has failed and k + 1 follows.
QString TryNextText(int failedAttempt, const QualityOrder& order);
// ".flv" for attempt 0; otherwise the extension of the attempt's type.
QString AttemptExtension(int attempt, const QualityOrder& order);
// The stream slot an attempt downloads: the default stream for 0, the slot of entry k for 1..8; empty when
// the video does not offer it.
QString AttemptURL(int attempt, const QualityOrder& order, const app::TGlobalVars& streams);

// The text of LabelYouTubeQuality: the default stream's label when the preference is off, otherwise
// "Prefer: " and the eight tags of the order joined by " > ".
QString QualitySummary(bool preferQuality, const QualityOrder& order);

// One row of the order dialog.
struct QualityRow {
    QString type, format, video, audio;
};
// The row of a type (0..7); nothing for a type outside 0..7.
std::optional<QualityRow> QualityRowOf(int type);

// The order dialog's list as the user edits it: its rows, top to bottom, and the selected row. Moving keeps
// the moved row selected; the edges and no selection change nothing. The result is read back from the rows'
// "Type" texts.
class QualityOrderEditor {
public:
    explicit QualityOrderEditor(const QualityOrder& order) { Fill(order); }

    void Fill(const QualityOrder& order);
    const std::vector<QualityRow>& Rows() const { return rows_; }
    int Selected() const { return selected_; }
    void Select(int row) { selected_ = row >= 0 && row < static_cast<int>(rows_.size()) ? row : -1; }
    bool MoveUp();
    bool MoveDown();
    // Eight entries, one per row (a row missing for a hand-edited entry outside 0..7 becomes type 0).
    QualityOrder Result() const;

private:
    bool Swap(int a, int b);
    std::vector<QualityRow> rows_;
    int selected_ = -1;
};

}  // namespace download
