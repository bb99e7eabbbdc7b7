// The quality preference: texts, attempts and the order dialog's editing rules.
#include <gtest/gtest.h>

#include "download/Quality.h"

using namespace download;

namespace {
const QString kDefaultLabel = "[Default Quality - HQ5 - (FLV, 400 x 240, Mono 44KHz MP3)]";

QualityOrder EditorResult(const QualityOrder& start, const std::function<void(QualityOrderEditor&)>& edit) {
    QualityOrderEditor editor(start);
    edit(editor);
    return editor.Result();
}
}  // namespace

TEST(Quality, Texts) {
    EXPECT_EQ(QualitySummary(true, kDefaultQualityOrder),
              "Prefer: [HQ18] > [HQ35] > [HQ22] > [HQ6] > [HQ13] > [HQ17] > [HQ34] > [HQ37]");
    EXPECT_EQ(QualitySummary(false, kDefaultQualityOrder), kDefaultLabel);

    struct Case {
        QString text, label;
    } labels[] = {
        {"[HQ6]", "[HQ6] - (FLV, 480 x 360, Mono 44KHz MP3)"},
        {"[HQ37]", "[HQ37] - (MP4(H.264), 1920 x 1080, Stereo 44KHz AAC)"},
        {"[hq37]", kDefaultLabel},
        {kDefaultLabel, kDefaultLabel},
        {"", kDefaultLabel},
    };
    for (const auto& c : labels)
        EXPECT_EQ(QualityLabel(c.text), c.label) << c.text.toStdString();
    EXPECT_EQ(QualityTag(8), kDefaultLabel);
    EXPECT_EQ(QualityTypeOfTag("[HQ34]"), 6);
    EXPECT_EQ(QualityTypeOfTag("[HQ99]"), 0);
}

TEST(Quality, Attempts) {
    struct Case {
        int attempt;
        QString tag, extension;
    } cases[] = {
        {0, kDefaultLabel, ".flv"}, {1, "[HQ18]", ".mp4"}, {2, "[HQ35]", ".flv"}, {3, "[HQ22]", ".mp4"},
        {5, "[HQ13]", ".3gp"},      {8, "[HQ37]", ".mp4"}, {9, "", ".flv"},       {-1, "", ".flv"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AttemptTag(c.attempt, kDefaultQualityOrder), c.tag) << c.attempt;
        EXPECT_EQ(AttemptExtension(c.attempt, kDefaultQualityOrder), c.extension) << c.attempt;
    }
    EXPECT_EQ(TryNextText(1, kDefaultQualityOrder), "[HQ18] failed, try next: [HQ35]");

    app::TGlobalVars streams;
    streams.StreamDefault = "d";
    streams.StreamSlots[2] = "hq35";
    streams.StreamSlots[7] = "hq37";
    EXPECT_EQ(AttemptURL(0, kDefaultQualityOrder, streams), "d");
    EXPECT_EQ(AttemptURL(1, kDefaultQualityOrder, streams), "");  // HQ18 not offered
    EXPECT_EQ(AttemptURL(2, kDefaultQualityOrder, streams), "hq35");
    EXPECT_EQ(AttemptURL(8, kDefaultQualityOrder, streams), "hq37");  // the last entry is tried too
    EXPECT_EQ(AttemptURL(9, kDefaultQualityOrder, streams), "");
    EXPECT_EQ(AttemptURL(1, QualityOrder{9, 0, 0, 0, 0, 0, 0, 0}, streams), "");  // hand-edited entry
}

TEST(Quality, OrderDialogEditing) {
    struct Case {
        const char* what;
        QualityOrder start;
        std::function<void(QualityOrderEditor&)> edit;
        QualityOrder result;
    } cases[] = {
        {"HQ37 moved to the top",
         kDefaultQualityOrder,
         [](QualityOrderEditor& e) {
             e.Select(7);
             for (int i = 0; i < 7; ++i)
                 EXPECT_TRUE(e.MoveUp());
             EXPECT_EQ(e.Selected(), 0);
         },
         {7, 1, 2, 3, 0, 4, 5, 6}},
        {"Up on the first row", kDefaultQualityOrder,
         [](QualityOrderEditor& e) {
             e.Select(0);
             EXPECT_FALSE(e.MoveUp());
         },
         kDefaultQualityOrder},
        {"Down on the last row", kDefaultQualityOrder,
         [](QualityOrderEditor& e) {
             e.Select(7);
             EXPECT_FALSE(e.MoveDown());
             EXPECT_EQ(e.Selected(), 7);
         },
         kDefaultQualityOrder},
        {"no selection", kDefaultQualityOrder,
         [](QualityOrderEditor& e) {
             EXPECT_FALSE(e.MoveDown());
             EXPECT_FALSE(e.MoveUp());
         },
         kDefaultQualityOrder},
        {"Best Available", kDefaultQualityOrder, [](QualityOrderEditor& e) { e.Fill(kBestQualityOrder); },
         kBestQualityOrder},
        {"Default after Best", kBestQualityOrder, [](QualityOrderEditor& e) { e.Fill(kDefaultQualityOrder); },
         kDefaultQualityOrder},
        {"a hand-edited entry has no row; OK still stores eight",
         {9, 1, 2, 3, 0, 4, 5, 6},
         [](QualityOrderEditor& e) { EXPECT_EQ(e.Rows().size(), 7u); },
         {1, 2, 3, 0, 4, 5, 6, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EditorResult(c.start, c.edit), c.result) << c.what;

    QualityOrderEditor editor(kDefaultQualityOrder);
    EXPECT_EQ(editor.Rows()[3].type, "[HQ6]");
    EXPECT_EQ(editor.Rows()[2].video, "1280x720");
}
