#include "download/Quality.h"

#include <QStringList>

#include "download/VideoInfo.h"

namespace download {

namespace {

struct QualityText {
    const char* tag;
    const char* label;
    QualityRow row;
};

// Indexed by quality type. The dialog's picture sizes are written as the dialog has always shown them.
const std::array<QualityText, app::kQualityCount>& Texts() {
    static const std::array<QualityText, app::kQualityCount> kTexts = {{
        {"[HQ6]",
         "[HQ6] - (FLV, 480 x 360, Mono 44KHz MP3)",
         {"[HQ6]", "FLV", "480 x 360", "Mono 44KHz MP3"}},
        {"[HQ18]",
         "[HQ18] - (MP4(H.264), 640 x 360, Stereo 44KHz AAC)",
         {"[HQ18]", "MP4(H.264)", "640 x 360", "Stereo 44KHz AAC"}},
        {"[HQ35]",
         "[HQ35] - (FLV, 854 x 480, Stereo 44KHz AAC)",
         {"[HQ35]", "FLV", "854 x 480", "Stereo 44KHz AAC"}},
        {"[HQ22]",
         "[HQ22] - (MP4(H.264), 1280 x 720, Stereo 44KHz AAC)",
         {"[HQ22]", "MP4(H.264)", "1280x720", "Stereo 44KHz AAC"}},
        {"[HQ13]", "[HQ13] - (3GP, 176 x 144, Stereo 8KHz)", {"[HQ13]", "3GP", "176x144", "Stereo 8KHz"}},
        {"[HQ17]",
         "[HQ17] - (3GP, 176 x 144, Stereo 44KHz AAC)",
         {"[HQ17]", "3GP", "176x144", "Stereo 44KHz AAC"}},
        {"[HQ34]",
         "[HQ34] - (FLV, 640 x 360, Stereo 44KHz AAC)",
         {"[HQ34]", "FLV", "640 x 360", "Stereo 44KHz AAC"}},
        {"[HQ37]",
         "[HQ37] - (MP4(H.264), 1920 x 1080, Stereo 44KHz AAC)",
         {"[HQ37]", "MP4(H.264)", "1920x1080", "Stereo 44KHz AAC"}},
    }};
    return kTexts;
}

bool ValidType(int type) {
    return type >= 0 && type < app::kQualityCount;
}

}  // namespace

QString QualityTag(int type) {
    return QString::fromLatin1(ValidType(type) ? Texts()[type].tag : kDefaultQualityLabel);
}

QString QualityLabel(const QString& text) {
    for (const auto& t : Texts())
        if (text == QLatin1String(t.tag)) return QString::fromLatin1(t.label);
    return QString::fromLatin1(kDefaultQualityLabel);
}

int QualityTypeOfTag(const QString& tag) {
    for (int type = 0; type < app::kQualityCount; ++type)
        if (tag == QLatin1String(Texts()[type].tag)) return type;
    return 0;
}

QString AttemptTag(int attempt, const QualityOrder& order) {
    if (attempt == 0) return QString::fromLatin1(kDefaultQualityLabel);
    if (attempt < 1 || attempt > app::kQualityCount) return {};
    return QualityTag(order[attempt - 1]);
}

QString TryNextText(int failedAttempt, const QualityOrder& order) {
    return AttemptTag(failedAttempt, order) + QLatin1String(kTryNextText) +
           AttemptTag(failedAttempt + 1, order);
}

QString AttemptExtension(int attempt, const QualityOrder& order) {
    if (attempt < 1 || attempt > app::kQualityCount) return QStringLiteral(".flv");
    return StreamExtension(order[attempt - 1]);
}

QString AttemptURL(int attempt, const QualityOrder& order, const app::TGlobalVars& streams) {
    if (attempt == 0) return streams.StreamDefault;
    if (attempt < 1 || attempt > app::kQualityCount) return {};
    const int type = order[attempt - 1];
    return ValidType(type) ? streams.StreamSlots[type] : QString();
}

QString QualitySummary(bool preferQuality, const QualityOrder& order) {
    if (!preferQuality) return QString::fromLatin1(kDefaultQualityLabel);
    QStringList tags;
    for (const uint8_t type : order)
        tags << QualityTag(type);
    return QStringLiteral("Prefer: ") + tags.join(QStringLiteral(" > "));
}

std::optional<QualityRow> QualityRowOf(int type) {
    if (!ValidType(type)) return std::nullopt;
    return Texts()[type].row;
}

void QualityOrderEditor::Fill(const QualityOrder& order) {
    rows_.clear();
    for (const uint8_t type : order)
        if (const auto row = QualityRowOf(type)) rows_.push_back(*row);
    selected_ = -1;
}

bool QualityOrderEditor::Swap(int a, int b) {
    const int n = static_cast<int>(rows_.size());
    if (selected_ < 0 || a < 0 || b < 0 || a >= n || b >= n) return false;
    std::swap(rows_[a], rows_[b]);
    selected_ = b;
    return true;
}

bool QualityOrderEditor::MoveUp() {
    return Swap(selected_, selected_ - 1);
}

bool QualityOrderEditor::MoveDown() {
    return Swap(selected_, selected_ + 1);
}

QualityOrder QualityOrderEditor::Result() const {
    QualityOrder order{};
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<uint8_t>(i < rows_.size() ? QualityTypeOfTag(rows_[i].type) : 0);
    return order;
}

}  // namespace download
