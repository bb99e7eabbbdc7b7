#include "wizard/JobBuilder.h"

#include <QFileInfo>
#include <QLocale>
#include <algorithm>

#include "app/FileNameBytes.h"
#include "app/UtilFuncs.h"
#include "engine/FFDecode.h"
#include "engine/FFEncode.h"
#include "wizard/InputFiles.h"
#include "wizard/PresetCheck.h"
#include "wizard/PresetTable.h"

namespace wizard {

namespace {

const QString kWaiting = QStringLiteral("Waiting...");
const QString kAdded = QStringLiteral("File has been added to convert list.");
const QString kMergeName = QStringLiteral("Output_Merge");

// Names are bytes: they cross to the engine and back without a lossy text conversion.
std::string Utf8(const QString& s) {
    return app::FileNameToStd(s);
}

QString FromUtf8(const std::string& s) {
    return app::FileNameFromStd(s);
}

void SetText(std::string& field, const char* value) {
    if (value) field = value;
}

void SetNumber(int& field, int value) {
    if (value != kNotSet) field = value;
}

void ApplySettings(const PresetSettings& s, engine::TOutputOptions& o) {
    SetText(o.VideoCodec, s.VideoCodec);
    SetText(o.VideoTag, s.VideoTag);
    SetText(o.VideoPreset, s.VideoPreset);
    SetText(o.FrameSize, s.FrameSize);
    SetText(o.FrameRate, s.FrameRate);
    SetText(o.AspectRatio, s.AspectRatio);
    SetNumber(o.VideoBitrate, s.VideoBitrate);
    SetText(o.AudioCodec, s.AudioCodec);
    SetNumber(o.AudioChannels, s.AudioChannels);
    SetNumber(o.AudioSampleRate, s.AudioSampleRate);
    SetNumber(o.AudioBitrate, s.AudioBitrate);
    SetText(o.FileFormat, s.FileFormat);
    SetText(o.ExtOptions, s.ExtOptions);
    SetNumber(o.Target, s.Target);
    SetNumber(o.TargetNorm, s.TargetNorm);
    SetNumber(o.VideoMaxRate, s.VideoMaxRate);
    SetNumber(o.VideoMinRate, s.VideoMinRate);
    SetNumber(o.VideoBufSize, s.VideoBufSize);
}

}  // namespace

OutputChoice OutputChoice::FromGlobals(const app::TGlobalVars& g) {
    OutputChoice c;
    c.FormatClass = g.OutputFormatClass;
    switch (g.OutputFormatClass) {
        case app::fcVideo:
            c.FormatIndex = g.OutputVideoFormat;
            break;
        case app::fcDevice:
            c.FormatIndex = g.OutputDeviceFormat;
            break;
        case app::fcAudio:
            c.FormatIndex = g.OutputAudioFormat;
            break;
        default:
            c.FormatIndex = -1;
    }
    if (const OutputFormat* f = FindOutputFormat(c.FormatClass, c.FormatIndex))
        c.PresetIndex = g.PresetIndex[f->Slot];
    c.OutputDir = g.OutputFileDir;
    return c;
}

QString OutputExtension(int formatClass, int formatIndex) {
    const OutputFormat* f = FindOutputFormat(formatClass, formatIndex);
    return f ? QString::fromLatin1(f->Extension) : QString();
}

void ApplyOutputChoice(const OutputChoice& choice, engine::TOutputOptions& options, int sourceAudioBitrate,
                       int sourceChannels) {
    options.DisableVideo = choice.FormatClass == app::fcAudio;
    const OutputFormat* format = FindOutputFormat(choice.FormatClass, choice.FormatIndex);
    if (!format) return;
    ApplySettings(format->Common, options);
    const Preset* preset = FindPreset(*format, choice.PresetIndex);
    if (!preset) return;
    ApplySettings(preset->Settings, options);
    const PresetSettings& s = preset->Settings;
    if (s.AudioBitrateFromSource && sourceAudioBitrate > 0) {
        options.AudioBitrate = sourceAudioBitrate;
        if (s.SourceAudioBitrateMin != kNotSet)
            options.AudioBitrate = std::max(options.AudioBitrate, s.SourceAudioBitrateMin);
        if (s.SourceAudioBitrateMax != kNotSet)
            options.AudioBitrate = std::min(options.AudioBitrate, s.SourceAudioBitrateMax);
    }
    if (s.SourceChannelsUpTo != kNotSet && sourceChannels >= s.SourceChannelsUpTo)
        options.AudioChannels = s.SourceChannelsUpTo;
}

JobBuilder::JobBuilder(engine::TFFEncoder& encoder, LogFn log) : encoder_(encoder), log_(std::move(log)) {}

QString JobBuilder::ReserveOutputName(const QString& folder, const QString& candidate) {
    const QString name = app::UniqueFileName(candidate, folder, &reserved_);
    // The numbering gives up after its last number; an existing file is never handed out as a target.
    if (reserved_.contains(name) || app::FileNameExists(folder + name)) return QString();
    reserved_.insert(name);
    return folder + name;
}

JobBatch JobBuilder::BuildConvertJobs(const std::vector<InputRecord>& inputs, const OutputChoice& choice) {
    JobBatch batch;
    reserved_.clear();
    for (const InputRecord& input : inputs)
        AddConvertJob(input.Path, choice, batch);
    return batch;
}

void JobBuilder::AddConvertJob(const QString& path, const OutputChoice& choice, JobBatch& batch) {
    engine::TFFDecoder& decoder = encoder_.Decoder();
    if (!decoder.LoadFile(Utf8(path))) {
        log_(QStringLiteral("File load error: ") + FromUtf8(decoder.LastErrMsg()));
        return;
    }
    const engine::TOutputOptions oo = BuildOutputOptions(choice);
    const engine::TInputOptions io = BuildInputOptions();
    if (oo.FileName.empty()) {
        log_(QStringLiteral("Cannot do convert, error: no free output file name in ") + choice.OutputDir);
    } else {
        AddConvertTask(io, oo, batch);
    }
    decoder.CloseFile();
}

engine::TOutputOptions JobBuilder::BuildOutputOptions(const OutputChoice& choice) {
    engine::TFFDecoder& decoder = encoder_.Decoder();
    engine::TOutputOptions oo;
    engine::InitOutputOptions(oo);
    const QString ext = OutputExtension(choice.FormatClass, choice.FormatIndex);
    oo.FileExt = Utf8(ext);
    const QString source = QFileInfo(FromUtf8(decoder.FileName())).fileName();
    oo.FileName = Utf8(ReserveOutputName(choice.OutputDir, app::StripFileExt(source) + ext));

    int sourceAudioBitrate = -1, sourceChannels = -1;
    if (decoder.FirstAudioStreamIndex() >= 0) {
        engine::TAudioStreamInfo audio;
        if (decoder.GetAudioStreamInfo(decoder.FirstAudioStreamIndex(), audio)) {
            sourceAudioBitrate = audio.BitRate;
            sourceChannels = audio.Channels;
        }
    }
    ApplyOutputChoice(choice, oo, sourceAudioBitrate, sourceChannels);
    NoteFallback(choice, oo.AudioBitrate);
    return oo;
}

void JobBuilder::NoteFallback(const OutputChoice& choice, int audioBitrate) {
    const OutputFormat* format = FindOutputFormat(choice.FormatClass, choice.FormatIndex);
    if (!format) return;
    const QString note = PresetFallbackNote(*format, choice.PresetIndex, audioBitrate);
    const QString key = QString::fromLatin1(format->Name) + u'/' + QString::number(choice.PresetIndex);
    if (note.isEmpty() || noted_.contains(key)) return;
    noted_.insert(key);
    log_(note);
}

engine::TInputOptions JobBuilder::BuildInputOptions() {
    engine::TFFDecoder& decoder = encoder_.Decoder();
    engine::TInputOptions io;
    engine::InitInputOptions(io);
    io.FileName = decoder.FileName();
    io.FileFormat = decoder.FormatName();
    return io;
}

void JobBuilder::AddConvertTask(const engine::TInputOptions& io, const engine::TOutputOptions& oo,
                                JobBatch& batch) {
    const int index = encoder_.AddTask(io.FileName, &io);
    if (index < 0) {
        log_(QStringLiteral("Adding file error: ") + FromUtf8(encoder_.LastErrMsg()));
        return;
    }
    if (!encoder_.SetOutputFile(index, oo.FileName, &oo)) {
        const QString error = FromUtf8(encoder_.LastErrMsg());
        encoder_.RemoveTask(index);
        log_(QStringLiteral("Cannot do convert, error: ") + error);
        return;
    }
    engine::TFileStreamInfo info;
    encoder_.Decoder().GetFileStreamInfo(info);
    const QFileInfo input(FromUtf8(io.FileName));
    ProgressRow row;
    row.Name = input.fileName();
    row.Duration = DurationText(info.Duration);
    row.Status = kWaiting;
    row.Path = app::AddTrailingBackslash(input.path());
    row.InputDuration = info.Duration;
    if (info.Duration >= 0) batch.BatchDuration += info.Duration;
    batch.Rows.push_back(std::move(row));
    batch.OutputFiles.push_back(FromUtf8(oo.FileName));
    batch.FailureHints.push_back(oo.DisableVideo && encoder_.Decoder().FirstAudioStreamIndex() < 0
                                     ? QStringLiteral("the file has no audio to convert")
                                     : QString());
    log_(kAdded);
}

JobBatch JobBuilder::BuildMergeJob(const std::vector<InputRecord>& inputs, const OutputChoice& choice) {
    JobBatch batch;
    reserved_.clear();
    const QString ext = OutputExtension(choice.FormatClass, choice.FormatIndex);
    // The joined output's name, shown on every row before the task exists; reserved once the task is set.
    const QString outputPath = choice.OutputDir + app::UniqueFileName(kMergeName + ext, choice.OutputDir);

    for (const InputRecord& input : inputs) {
        engine::TInputOptions io;
        engine::InitInputOptions(io);
        const std::string path = Utf8(input.Path);
        const bool accepted = encoder_.TasksCount() > 0 ? encoder_.AddInputFile(0, path, &io)
                                                        : encoder_.AddTask(path, &io) >= 0;
        if (!accepted) {
            log_(QStringLiteral("Adding file error: ") + FromUtf8(encoder_.LastErrMsg()));
            continue;
        }
        ProgressRow row;
        row.Name = QFileInfo(input.Path).fileName();
        row.Duration = DurationText(input.Duration);
        row.Status = QString::number(input.Width) + u'x' + QString::number(input.Height);
        row.Progress = QString::number(input.AspectRatio, 'g', QLocale::FloatingPointShortest);
        row.Path = outputPath;
        row.InputDuration = input.Duration;
        if (input.Duration >= 0) batch.BatchDuration += input.Duration;
        batch.Rows.push_back(std::move(row));
        log_(kAdded);
    }
    // No input accepted: there is no task to give an output to, and the batch stays empty.
    if (encoder_.TasksCount() == 0) return batch;

    engine::TOutputOptions oo;
    engine::InitOutputOptions(oo);
    ApplyOutputChoice(choice, oo, -1);
    NoteFallback(choice, oo.AudioBitrate);
    oo.Join = true;
    oo.FileExt = Utf8(ext);
    const QString target = ReserveOutputName(choice.OutputDir, kMergeName + ext);
    oo.FileName = Utf8(target);
    if (target.isEmpty() || !encoder_.SetOutputFile(0, oo.FileName, &oo)) {
        const QString error = target.isEmpty()
                                  ? QStringLiteral("no free output file name in ") + choice.OutputDir
                                  : FromUtf8(encoder_.LastErrMsg());
        encoder_.RemoveTask(0);
        log_(QStringLiteral("Cannot do convert, error: ") + error);
        batch.Rows.clear();
        batch.BatchDuration = 0;
        return batch;
    }
    batch.OutputFiles.push_back(target);
    batch.FailureHints.emplace_back();
    return batch;
}

}  // namespace wizard
