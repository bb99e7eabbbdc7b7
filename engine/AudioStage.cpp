#include "engine/AudioStage.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "engine/AudioConvert.h"
#include "engine/EncodeStage.h"
#include "engine/FFLog.h"

extern "C" {
#include <libavutil/samplefmt.h>
}

namespace engine {

namespace {

uint64_t LayoutMask(const AVChannelLayout& l) {
    return l.order == AV_CHANNEL_ORDER_NATIVE ? l.u.mask : 0;
}

// Grows the work buffer to hold at least this many samples in the encoder's format.
void ReserveResampleBuffer(AudioResampler& r, int samples, int channels, AVSampleFormat fmt) {
    if (r.capacity >= samples) return;
    r.data.reset();
    uint8_t** planes = nullptr;
    int linesize = 0;
    if (av_samples_alloc_array_and_samples(&planes, &linesize, channels, samples, fmt, 0) < 0)
        throw FFmpegException("Out of memory in do_audio_out");
    r.data.reset(planes[0]);
    const int nbPlanes = av_sample_fmt_is_planar(fmt) ? channels : 1;
    r.planes.assign(planes, planes + nbPlanes);
    av_freep(&planes);
    r.capacity = samples;
}

// What the resampler still holds (its filter's delay, about a dozen samples when the rate changes), with
// the stream's volume, into the FIFO: at the end of the stream, and before the resampler is replaced.
void DrainResampler(OutputStream& ost) {
    AudioResampler& r = ost.resampler;
    if (!r.swr) return;
    AVCodecContext* enc = ost.enc.get();
    const int pending = swr_get_out_samples(r.swr.get(), 0);
    if (pending <= 0) return;
    ReserveResampleBuffer(r, pending, enc->ch_layout.nb_channels, enc->sample_fmt);
    const int out = swr_convert(r.swr.get(), r.planes.data(), r.capacity, nullptr, 0);
    if (out < 0) throw FFmpegException("av_audio_convert() failed");
    if (out == 0) return;
    if (ost.volume != 256)
        ApplyVolume(r.planes.data(), enc->sample_fmt, enc->ch_layout.nb_channels, out, ost.volume);
    if (av_audio_fifo_write(ost.fifo.get(), reinterpret_cast<void**>(r.planes.data()), out) < out)
        throw FFmpegException("av_fifo_realloc2() failed");
}

// Makes the resampler for this input (sample rate, format, channels) unless it already has it.
void ConfigureResampler(const OutputFile& of, OutputStream& ost, const InputStream& ist,
                        const AVFrame* frame) {
    AVCodecContext* enc = ost.enc.get();
    const int inRate = frame->sample_rate;
    const int inChannels = frame->ch_layout.nb_channels;
    const uint64_t inLayout = LayoutMask(frame->ch_layout);
    const int outRate = enc->sample_rate;
    const int outChannels = enc->ch_layout.nb_channels;
    AudioResampler& r = ost.resampler;
    if (r.swr && r.inRate == inRate && r.inFormat == frame->format && r.inChannels == inChannels &&
        r.inLayout == inLayout)
        return;
    if (r.swr)
        LogFmt(of.run->logSender, llInfo,
               "Input stream #%d.%d frame changed from rate:%d fmt:%s ch:%d to rate:%d fmt:%s ch:%d",
               ist.fileIndex, ist.streamIndex, r.inRate, av_get_sample_fmt_name(AVSampleFormat(r.inFormat)),
               r.inChannels, inRate, av_get_sample_fmt_name(AVSampleFormat(frame->format)), inChannels);
    DrainResampler(ost);  // the old input's last samples come before the new input's first
    SwrContextPtr swr = MakeResampler(enc->ch_layout, enc->sample_fmt, outRate, frame->ch_layout,
                                      AVSampleFormat(frame->format), inRate);
    if (!swr) {
        if (inRate != outRate || inChannels != outChannels)
            RaiseFmt("Can not resample %d channels @ %d Hz to %d channels @ %d Hz", inChannels, inRate,
                     outChannels, outRate);
        RaiseFmt("Cannot convert %s sample format to %s sample format",
                 av_get_sample_fmt_name(AVSampleFormat(frame->format)),
                 av_get_sample_fmt_name(enc->sample_fmt));
    }
    r.swr = std::move(swr);
    r.inRate = inRate;
    r.inFormat = frame->format;
    r.inChannels = inChannels;
    r.inLayout = inLayout;
}

// Audio sync: delta is how many samples the output's clock lags the input's. At the start (or past the
// drift threshold) samples are dropped or silence is added; small drift is stretched by the resampler.
void SyncAudio(const OutputFile& of, OutputStream& ost, double delta, int inRate, int outRate,
               int inSamples) {
    const RunOptions& run = *of.run;
    if (std::fabs(delta) > run.jumpLimitUs / 1e6 * outRate) {
        // a corrupt time: no silence or cut of that length, the samples follow on
        ost.audioSyncShiftSeconds += delta / outRate;
        delta = 0;
    }
    if (std::fabs(delta) > 50) {
        if (ost.audioAtStart || std::fabs(delta) > ost.driftThresholdSeconds * outRate) {
            if (delta < 0) {
                const int drop = static_cast<int>(std::min<double>(-delta, ost.resampler.capacity));
                if (run.verbose > 2) LogFmt(run.logSender, llVerbose, "discarding %d audio samples", drop);
                swr_drop_output(ost.resampler.swr.get(), drop);
            } else {
                const int pad = static_cast<int>(delta);
                if (run.verbose > 2)
                    LogFmt(run.logSender, llVerbose, "adding %d audio samples of silence", pad);
                swr_inject_silence(ost.resampler.swr.get(),
                                   static_cast<int>(int64_t(pad) * inRate / outRate));
            }
            ost.audioAtStart = false;
        } else if (ost.audioSync > 1) {
            const int comp = static_cast<int>(std::clamp<double>(delta, -ost.audioSync, ost.audioSync));
            if (run.verbose > 2)
                LogFmt(run.logSender, llVerbose,
                       "compensating audio timestamp drift:%f compensation:%d in:%d", delta, comp, inSamples);
            swr_set_compensation(ost.resampler.swr.get(), comp, outRate);
        }
    }
}

}  // namespace

void ResampleAudio(OutputFile& of, OutputStream& ost, const InputStream& ist, AVFrame* frame,
                   int64_t frameTimeUs, const FrameHost& host) {
    AVCodecContext* enc = ost.enc.get();
    const int inRate = frame->sample_rate;
    const int inChannels = frame->ch_layout.nb_channels;
    const uint64_t inLayout = LayoutMask(frame->ch_layout);
    const int outRate = enc->sample_rate;
    const int outChannels = enc->ch_layout.nb_channels;
    if (inRate <= 0 || inChannels <= 0) return;

    const int64_t maxOut = int64_t(frame->nb_samples) * outRate / inRate * 2 + 10000;
    if (maxOut > INT_MAX / 8) throw FFmpegException("Buffer sizes too large in do_audio_out");
    const int bufSamples = static_cast<int>(std::max<int64_t>(maxOut, ost.frameSize));

    // samples before the output's start position are not written
    int64_t dropBeforeStart = 0;
    if (of.startTimeUs > 0 && frameTimeUs < of.startTimeUs) {
        const int64_t blockEnd = frameTimeUs + int64_t(frame->nb_samples) * 1000000 / inRate;
        if (blockEnd <= of.startTimeUs) return;
        dropBeforeStart = (of.startTimeUs - frameTimeUs) * outRate / 1000000;
        frameTimeUs = of.startTimeUs;
    }
    const bool convert = dropBeforeStart > 0 || inRate != outRate || inChannels != outChannels ||
                         frame->format != enc->sample_fmt ||
                         (inLayout && LayoutMask(enc->ch_layout) && inLayout != LayoutMask(enc->ch_layout)) ||
                         ost.volume != 256 || ost.audioSync != 0;
    if (convert) {
        ConfigureResampler(of, ost, ist, frame);
    } else if (ost.resampler.swr) {
        // a joined input that needs no conversion: the previous one's last samples go first
        DrainResampler(ost);
        ost.resampler.swr.reset();
    }

    if (dropBeforeStart > 0) swr_drop_output(ost.resampler.swr.get(), static_cast<int>(dropBeforeStart));

    // output time of this block's first sample, in output samples
    double ipts = (frameTimeUs - of.startTimeUs) / 1e6 - ost.audioSyncShiftSeconds;
    const int fifoSamples = av_audio_fifo_size(ost.fifo.get());
    if (!ost.syncStarted) {
        ost.nextEncoderPts = std::max<int64_t>(0, std::llround(ipts * outRate)) - fifoSamples;
        ost.syncStarted = true;
    }

    ReserveResampleBuffer(ost.resampler, bufSamples, outChannels, enc->sample_fmt);
    uint8_t* const* data = frame->extended_data;
    int samples = frame->nb_samples;
    if (convert) {
        if (ost.audioSync)
            SyncAudio(of, ost, ipts * outRate - ost.nextEncoderPts - fifoSamples, inRate, outRate,
                      frame->nb_samples);
        const int out =
            swr_convert(ost.resampler.swr.get(), ost.resampler.planes.data(), ost.resampler.capacity,
                        const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
        if (out < 0) throw FFmpegException("av_audio_convert() failed");
        data = ost.resampler.planes.data();
        samples = out;
        if (ost.volume != 256)
            ApplyVolume(ost.resampler.planes.data(), enc->sample_fmt, outChannels, samples, ost.volume);
    }
    if (samples <= 0) return;
    if (av_audio_fifo_write(ost.fifo.get(), reinterpret_cast<void**>(const_cast<uint8_t**>(data)), samples) <
        samples)
        throw FFmpegException("av_fifo_realloc2() failed");
    EncodeAudioFromFifo(of, ost, host);
}

void FlushResampler(OutputStream& ost) {
    if (ost.fifo) DrainResampler(ost);
}

}  // namespace engine
