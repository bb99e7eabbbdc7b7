#include "wizard/OutputChoicePage.h"

#include "app/UtilFuncs.h"
#include "wizard/PresetTable.h"

namespace wizard {

namespace {

uint8_t& FormatIndexOf(app::TGlobalVars& g, int cls) {
    switch (cls) {
        case app::fcVideo:
            return g.OutputVideoFormat;
        case app::fcDevice:
            return g.OutputDeviceFormat;
        default:
            return g.OutputAudioFormat;
    }
}

}  // namespace

void OutputChoicePage::ClickClass(int cls) {
    if (cls < app::fcVideo || cls > app::fcAudio) return;
    pressedClass_ = cls;
    globals_.OutputFormatClass = static_cast<uint8_t>(cls);
}

void OutputChoicePage::ClickFormat(int cls, int index) {
    if (!FindOutputFormat(cls, index)) return;
    pressedFormat_[static_cast<size_t>(cls)] = index;
    FormatIndexOf(globals_, cls) = static_cast<uint8_t>(index);
}

int OutputChoicePage::PressedFormat(int cls) const {
    return cls >= app::fcVideo && cls <= app::fcAudio ? pressedFormat_[static_cast<size_t>(cls)] : -1;
}

std::array<int, app::psCount> OutputChoicePage::Show() {
    ClickClass(globals_.OutputFormatClass);
    for (int cls = app::fcVideo; cls <= app::fcAudio; ++cls)
        ClickFormat(cls, FormatIndexOf(globals_, cls));
    std::array<int, app::psCount> selections{};
    for (const OutputFormat& f : OutputFormats()) {
        const int stored = globals_.PresetIndex[f.Slot];
        selections[f.Slot] = FindPreset(f, stored) ? stored : -1;
    }
    return selections;
}

void OutputChoicePage::Store(const QString& outputDirText, const std::array<int, app::psCount>& selections) {
    globals_.OutputFileDir = app::AddTrailingBackslash(outputDirText);
    globals_.PresetIndex = selections;
}

}  // namespace wizard
