#pragma once
// The command line of reelwright-cli: what to do (list the presets, probe files, convert files) and with
// which format, preset, folder and files. Parsing only; the tool does the work.

#include <QString>
#include <QStringList>
#include <optional>

namespace cli {

enum class Command { Help, ListPresets, Probe, Convert };

struct CliOptions {
    Command command = Command::Help;
    bool json = false;
    int formatClass = -1;  // of the format named with -f
    int formatIndex = -1;
    int presetIndex = -1;  // -1: the format's default preset
    QString outputDir;     // empty: the current folder
    bool merge = false;
    int jobs = 0;  // files converted at once: 0 automatic, 1 to 16
    QStringList files;
};

// The parsed options, or the usage error's message.
struct ParseResult {
    std::optional<CliOptions> options;
    QString error;
};

// arguments: without the program's own name.
ParseResult ParseCommandLine(const QStringList& arguments);

QString UsageText();

}  // namespace cli
