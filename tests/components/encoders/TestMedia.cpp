#include "TestMedia.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

namespace vidlume::test {

namespace {
    uint32_t Hash(uint32_t x)
    {
        x ^= x >> 16;
        x *= 0x7FEB352Du;
        x ^= x >> 15;
        x *= 0x846CA68Bu;
        x ^= x >> 16;
        return x;
    }

    struct WaveTable {
        uint8_t values[256];
        WaveTable()
        {
            for (int i = 0; i < 256; ++i)
                values[i] = uint8_t(128 + 90 * std::sin(i * 2 * M_PI / 256));
        }
    };
    const WaveTable kWave;
} // namespace

CMediaType I420Type(int width, int height, REFERENCE_TIME frameDuration)
{
    VideoFormat f;
    f.pixelFormat = AV_PIX_FMT_YUV420P;
    f.width = width;
    f.height = height;
    f.sampleAspect = { 1, 1 };
    f.avgTimePerFrame = frameDuration;
    return MediaTypeFromVideoFormat(f);
}

CMediaSample MovingPicture(int width, int height, int index, REFERENCE_TIME duration)
{
    AVFrame* frame = av_frame_alloc();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = width;
    frame->height = height;
    if (av_frame_get_buffer(frame, 0) < 0) {
        av_frame_free(&frame);
        return {};
    }
    // Two waves drifting in different directions and a band sweeping across, over grain.
    for (int y = 0; y < height; ++y) {
        uint8_t* row = frame->data[0] + ptrdiff_t(y) * frame->linesize[0];
        for (int x = 0; x < width; ++x) {
            int v = (kWave.values[(x * 3 + index * 4) & 255] + kWave.values[(y * 5 - index * 3 + x) & 255]) / 2;
            if (((x + index * 6) / 40) % 7 == 0)
                v = 255 - v;
            v += int(Hash(uint32_t(x) * 7919u + uint32_t(y) * 104729u + uint32_t(index) * 15485863u) & 7) - 4;
            row[x] = uint8_t(std::clamp(v, 0, 255));
        }
    }
    for (int plane = 1; plane < 3; ++plane) {
        for (int y = 0; y < height / 2; ++y) {
            uint8_t* row = frame->data[plane] + ptrdiff_t(y) * frame->linesize[plane];
            for (int x = 0; x < width / 2; ++x)
                row[x] = kWave.values[(plane == 1 ? x * 2 + index : y * 2 - index * 2) & 255];
        }
    }
    frame->pts = index * duration;
    CMediaSample sample = CMediaSample::FromFrame(frame);
    sample.start = index * duration;
    sample.stop = sample.start + duration;
    sample.syncPoint = true;
    return sample;
}

CMediaSample ToneSamples(const AudioFormat& format, int64_t first, int count, REFERENCE_TIME origin)
{
    AVFrame* frame = av_frame_alloc();
    frame->format = format.sampleFormat;
    frame->nb_samples = count;
    frame->sample_rate = format.sampleRate;
    av_channel_layout_default(&frame->ch_layout, format.channels);
    if (av_frame_get_buffer(frame, 0) < 0) {
        av_frame_free(&frame);
        return {};
    }
    for (int i = 0; i < count; ++i) {
        for (int c = 0; c < format.channels; ++c) {
            const double t = double(first + i) / format.sampleRate;
            const double v = 0.5 * std::sin(2 * M_PI * 440.0 * (c + 1) * t);
            const size_t at = size_t(i) * format.channels + c;
            if (format.sampleFormat == AV_SAMPLE_FMT_S16)
                reinterpret_cast<int16_t*>(frame->data[0])[at] = int16_t(v * 32767);
            else if (format.sampleFormat == AV_SAMPLE_FMT_FLT)
                reinterpret_cast<float*>(frame->data[0])[at] = float(v);
        }
    }
    frame->pts = origin + av_rescale(first, kUnitsPerSecond, format.sampleRate);
    CMediaSample sample = CMediaSample::FromFrame(frame);
    sample.start = frame->pts;
    sample.stop = origin + av_rescale(first + count, kUnitsPerSecond, format.sampleRate);
    sample.syncPoint = true;
    return sample;
}

Decoded DecodeAll(const CMediaType& type, const std::vector<CTestSinkFilter::Received>& samples)
{
    Decoded result;
    AVCodecParametersPtr parameters(avcodec_parameters_alloc());
    if (FAILED(CodecParametersFromMediaType(type, parameters.get())))
        return result;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    AVCodecContextPtr decoder(codec ? avcodec_alloc_context3(codec) : nullptr);
    if (!decoder || avcodec_parameters_to_context(decoder.get(), parameters.get()) < 0 || avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return result;
    result.opened = true;
    AVFramePtr frame(av_frame_alloc());
    auto receive = [&] {
        while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
            if (decoder->codec_type == AVMEDIA_TYPE_VIDEO) {
                ++result.frames;
                result.width = frame->width;
                result.height = frame->height;
            } else {
                result.samples += frame->nb_samples;
                result.channels = frame->ch_layout.nb_channels;
                result.sampleRate = frame->sample_rate;
            }
            av_frame_unref(frame.get());
        }
    };
    for (const auto& s : samples) {
        if (avcodec_send_packet(decoder.get(), s.packet.get()) < 0)
            ++result.failures;
        receive();
    }
    avcodec_send_packet(decoder.get(), nullptr);
    receive();
    result.profile = decoder->profile;
    result.level = decoder->level;
    return result;
}

bool ExpectVideoTimes(const std::vector<CTestSinkFilter::Received>& samples, int frames, REFERENCE_TIME duration)
{
    std::set<REFERENCE_TIME> times;
    bool reordered = false;
    for (size_t i = 0; i < samples.size(); ++i) {
        const AVPacket* p = samples[i].packet.get();
        times.insert(p->pts);
        EXPECT_EQ(samples[i].start, p->pts);
        EXPECT_EQ(p->duration, duration);
        EXPECT_LE(p->dts, p->pts);
        if (i > 0) {
            EXPECT_GT(p->dts, samples[i - 1].packet->dts);
        }
        reordered = reordered || p->dts != p->pts;
    }
    EXPECT_EQ(times.size(), size_t(frames));
    if (!times.empty()) {
        EXPECT_EQ(*times.begin(), 0);
        EXPECT_EQ(*times.rbegin(), (frames - 1) * duration);
    }
    EXPECT_TRUE(!samples.empty() && samples.front().syncPoint);
    return reordered;
}

double BitRate(const std::vector<CTestSinkFilter::Received>& samples, double seconds)
{
    int64_t bytes = 0;
    for (const auto& s : samples)
        bytes += s.packet->size;
    return bytes * 8.0 / seconds;
}

} // namespace vidlume::test
