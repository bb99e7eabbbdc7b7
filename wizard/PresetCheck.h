#pragma once
// Start-up check of the preset table against the linked FFmpeg: every encoder a preset names (or its
// container's default) and every container must exist, or the preset cannot be served; and the presets
// that are served with a stand-in for what their label promises.

#include <QStringList>

namespace wizard {

// One line per preset the linked libraries cannot serve, naming the format, the preset and what is
// missing; empty when all can be served.
QStringList UnservablePresets();

struct OutputFormat;

// What a preset writes in place of what its label promises because the linked libraries lack it (3GP's
// AMR-NB audio becomes AAC when no AMR-NB encoder exists; WMA Lossless is lossy WMA 2); empty when the
// preset writes what it promises. sourceAudioBitrate is the bit rate the row will write, when known.
QString PresetFallbackNote(const OutputFormat& format, int presetIndex, int audioBitrate = -1);

// The start-up form of those notes: one line per format whose presets fall back.
QStringList PresetFallbacks();

// What start-up notes about the preset table: the unservable presets, then the fallbacks.
QStringList StartupPresetNotes();

}  // namespace wizard
