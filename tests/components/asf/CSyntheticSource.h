#pragma once
// A source for the writer's tests: synthetic raw pictures (a moving gradient) and sound (a
// 440 Hz tone) on the output pins "Video" and "Audio", delivered in time order on its own
// streaming thread, then the end of both streams. Optionally it stops delivering at a given
// time and waits there until the graph stops it, so a test can stop in the middle of a
// conversion without sleeping.

#include "components/ffmpeg/CodecMediaTypes.h"
#include "platform/graph/CBaseFilter.h"
#include "tests/components/common/CTestOutputPin.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <cmath>
#include <condition_variable>
#include <optional>
#include <thread>

namespace vidlume::test {

struct SyntheticMedia {
    std::optional<VideoFormat> video = VideoFormat { AV_PIX_FMT_YUV420P, 320, 240, { 1, 1 }, 400'000 };
    std::optional<AudioFormat> audio = AudioFormat { AV_SAMPLE_FMT_S16, 44100, 2 };
    REFERENCE_TIME duration = 2 * kUnitsPerSecond;
    // When set: nothing from this time on is delivered; the thread waits for Stop instead.
    std::optional<REFERENCE_TIME> holdAt;
};

class CSyntheticSource final : public CBaseFilter {
public:
    explicit CSyntheticSource(SyntheticMedia media)
        : CBaseFilter(MakeGuid("5E2B7C41-0D9A-4C3E-8F16-2A7B9E4D1C05"))
        , m_media(std::move(media))
    {
        if (m_media.video)
            m_video = static_cast<CTestOutputPin*>(AddPin(std::make_unique<CTestOutputPin>(this, "Video", MediaTypeFromVideoFormat(*m_media.video))));
        if (m_media.audio)
            m_audio = static_cast<CTestOutputPin*>(AddPin(std::make_unique<CTestOutputPin>(this, "Audio", MediaTypeFromAudioFormat(*m_media.audio))));
    }
    ~CSyntheticSource() override { OnStop(); }

    IPin* VideoPin() const { return m_video; }
    IPin* AudioPin() const { return m_audio; }

    // Blocks until the thread has reached holdAt.
    void WaitUntilHeld()
    {
        std::unique_lock lock(m_lock);
        m_changed.wait(lock, [&] { return m_held; });
    }

protected:
    HRESULT OnStart() override
    {
        m_stopping = false;
        m_held = false;
        m_thread = std::thread([this] { Stream(); });
        return S_OK;
    }
    void OnStop() override
    {
        {
            std::lock_guard lock(m_lock);
            m_stopping = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    static constexpr int kAudioChunk = 1024;

    CMediaSample Picture(int64_t n) const
    {
        const VideoFormat& f = *m_media.video;
        AVFramePtr yuv(av_frame_alloc());
        yuv->format = AV_PIX_FMT_YUV420P;
        yuv->width = f.width;
        yuv->height = f.height;
        av_frame_get_buffer(yuv.get(), 0);
        for (int y = 0; y < f.height; ++y)
            for (int x = 0; x < f.width; ++x)
                yuv->data[0][y * yuv->linesize[0] + x] = uint8_t(x + y + 4 * n);
        for (int y = 0; y < f.height / 2; ++y)
            for (int x = 0; x < f.width / 2; ++x) {
                yuv->data[1][y * yuv->linesize[1] + x] = uint8_t(128 + x - 2 * n);
                yuv->data[2][y * yuv->linesize[2] + x] = uint8_t(128 + y + n);
            }
        AVFrame* out = av_frame_alloc();
        out->format = f.pixelFormat;
        out->width = f.width;
        out->height = f.height;
        av_frame_get_buffer(out, 0);
        SwsContextPtr sws(sws_getContext(f.width, f.height, AV_PIX_FMT_YUV420P, f.width, f.height, f.pixelFormat, SWS_POINT, nullptr, nullptr, nullptr));
        sws_scale(sws.get(), yuv->data, yuv->linesize, 0, f.height, out->data, out->linesize);
        out->pts = n * f.avgTimePerFrame;
        CMediaSample sample = CMediaSample::FromFrame(out);
        sample.start = n * f.avgTimePerFrame;
        sample.stop = sample.start + f.avgTimePerFrame;
        sample.syncPoint = true;
        return sample;
    }

    CMediaSample Sound(int64_t firstSample, int count) const
    {
        const AudioFormat& f = *m_media.audio;
        AVFrame* out = av_frame_alloc();
        out->format = f.sampleFormat;
        out->sample_rate = f.sampleRate;
        out->nb_samples = count;
        av_channel_layout_default(&out->ch_layout, f.channels);
        av_frame_get_buffer(out, 0);
        for (int i = 0; i < count; ++i) {
            const double v = 0.5 * std::sin(2 * M_PI * 440.0 * double(firstSample + i) / f.sampleRate);
            for (int c = 0; c < f.channels; ++c) {
                if (f.sampleFormat == AV_SAMPLE_FMT_S16)
                    reinterpret_cast<int16_t*>(out->data[0])[i * f.channels + c] = int16_t(v * 32767);
                else
                    reinterpret_cast<float*>(out->data[0])[i * f.channels + c] = float(v);
            }
        }
        CMediaSample sample = CMediaSample::FromFrame(out);
        sample.start = firstSample * kUnitsPerSecond / f.sampleRate;
        sample.stop = (firstSample + count) * kUnitsPerSecond / f.sampleRate;
        out->pts = sample.start;
        sample.syncPoint = true;
        return sample;
    }

    bool Hold(REFERENCE_TIME time)
    {
        if (!m_media.holdAt || time < *m_media.holdAt)
            return false;
        std::unique_lock lock(m_lock);
        m_held = true;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_stopping; });
        return true;
    }

    void Stream()
    {
        int64_t picture = 0, sound = 0;
        const REFERENCE_TIME end = m_media.duration;
        for (;;) {
            const REFERENCE_TIME videoTime = m_media.video ? picture * m_media.video->avgTimePerFrame : end;
            const REFERENCE_TIME audioTime = m_media.audio ? sound * kUnitsPerSecond / m_media.audio->sampleRate : end;
            if (videoTime >= end && audioTime >= end)
                break;
            FlowStatus status;
            if (videoTime <= audioTime) {
                if (Hold(videoTime))
                    return;
                status = m_video->Deliver(Picture(picture++));
            } else {
                if (Hold(audioTime))
                    return;
                const int count = int(std::min<int64_t>(kAudioChunk, end * m_media.audio->sampleRate / kUnitsPerSecond - sound));
                status = m_audio->Deliver(Sound(sound, count));
                sound += count;
            }
            if (status != FlowStatus::Ok)
                return;
        }
        if (m_video)
            m_video->DeliverEndOfStream();
        if (m_audio)
            m_audio->DeliverEndOfStream();
    }

    SyntheticMedia m_media;
    CTestOutputPin* m_video = nullptr;
    CTestOutputPin* m_audio = nullptr;
    std::thread m_thread;
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_stopping = false;
    bool m_held = false;
};

} // namespace vidlume::test
