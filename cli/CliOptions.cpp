#include "cli/CliOptions.h"

#include "wizard/PresetTable.h"

namespace cli {

namespace {

ParseResult Error(const QString& message) {
    return {std::nullopt, message};
}

}  // namespace

QString UsageText() {
    return QStringLiteral(
        "Usage: reelwright-cli -f FORMAT [-p INDEX] [-o DIR] [-j N] [--merge] FILE...\n"
        "       reelwright-cli --list-presets [--json]\n"
        "       reelwright-cli --probe [--json] FILE...\n"
        "       reelwright-cli --help\n"
        "\n"
        "  -f, --format FORMAT   output format by name as --list-presets shows it (any letter case)\n"
        "  -p, --preset INDEX    preset of the format (default: the format's default preset)\n"
        "  -o, --output DIR      folder for the converted files (default: the current folder)\n"
        "  -j, --jobs N          files converted at the same time, 1 to 16 (default 0: automatic, by\n"
        "                        the cores and memory of the machine)\n"
        "      --merge           join all files into one output file\n"
        "      --list-presets    every format with its class, extension, default and presets\n"
        "      --probe           what the input list shows for each file\n"
        "      --json            JSON instead of text (with --list-presets and --probe)\n"
        "  -h, --help            this text\n"
        "\n"
        "Exit status: 0 when every file converted, 1 when any failed, 2 on a usage error, 130 when\n"
        "interrupted.\n");
}

ParseResult ParseCommandLine(const QStringList& arguments) {
    CliOptions o;
    bool list = false, probe = false, help = false, filesOnly = false;
    QString format, preset, jobs;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        auto value = [&](QString* out) {
            if (i + 1 >= arguments.size()) return false;
            *out = arguments[++i];
            return true;
        };
        if (filesOnly || !a.startsWith(u'-') || a == QLatin1String("-")) {
            o.files.append(a);
        } else if (a == QLatin1String("--")) {
            filesOnly = true;
        } else if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            help = true;
        } else if (a == QLatin1String("--list-presets")) {
            list = true;
        } else if (a == QLatin1String("--probe")) {
            probe = true;
        } else if (a == QLatin1String("--json")) {
            o.json = true;
        } else if (a == QLatin1String("--merge")) {
            o.merge = true;
        } else if (a == QLatin1String("-f") || a == QLatin1String("--format")) {
            if (!value(&format)) return Error(a + QStringLiteral(" needs a format name"));
        } else if (a == QLatin1String("-p") || a == QLatin1String("--preset")) {
            if (!value(&preset)) return Error(a + QStringLiteral(" needs a preset index"));
        } else if (a == QLatin1String("-j") || a == QLatin1String("--jobs")) {
            if (!value(&jobs)) return Error(a + QStringLiteral(" needs a number"));
        } else if (a == QLatin1String("-o") || a == QLatin1String("--output")) {
            if (!value(&o.outputDir)) return Error(a + QStringLiteral(" needs a folder"));
        } else {
            return Error(QStringLiteral("unknown option ") + a);
        }
    }
    if (help) {
        o.command = Command::Help;
        return {o, {}};
    }
    if (int(list) + int(probe) + int(!format.isEmpty()) > 1)
        return Error(QStringLiteral("choose one of --list-presets, --probe and -f"));
    if (list) {
        if (!o.files.isEmpty()) return Error(QStringLiteral("--list-presets takes no files"));
        o.command = Command::ListPresets;
        return {o, {}};
    }
    if (probe) {
        if (o.files.isEmpty()) return Error(QStringLiteral("--probe needs at least one file"));
        o.command = Command::Probe;
        return {o, {}};
    }
    if (format.isEmpty()) return Error(QStringLiteral("no format given (-f FORMAT)"));
    const wizard::OutputFormat* found = nullptr;
    for (const wizard::OutputFormat& f : wizard::OutputFormats()) {
        if (format.compare(QLatin1String(f.Name), Qt::CaseInsensitive) == 0) found = &f;
    }
    if (!found)
        return Error(QStringLiteral("unknown format ") + format + QStringLiteral(" (see --list-presets)"));
    o.formatClass = found->Class;
    o.formatIndex = found->Index;
    o.presetIndex = found->DefaultPreset;
    if (!preset.isEmpty()) {
        bool ok = false;
        const int index = preset.toInt(&ok);
        if (!ok || !wizard::FindPreset(*found, index))
            return Error(QStringLiteral("%1 has no preset %2 (0 to %3)")
                             .arg(QLatin1String(found->Name), preset)
                             .arg(found->Presets.size() - 1));
        o.presetIndex = index;
    }
    if (!jobs.isEmpty()) {
        bool ok = false;
        o.jobs = jobs.toInt(&ok);
        if (!ok || o.jobs < 0 || o.jobs > app::kMaxSimultaneousConversions)
            return Error(QStringLiteral("-j takes 0 (automatic) to %1, not %2")
                             .arg(app::kMaxSimultaneousConversions)
                             .arg(jobs));
    }
    if (o.files.isEmpty()) return Error(QStringLiteral("no files to convert"));
    o.command = Command::Convert;
    return {o, {}};
}

}  // namespace cli
