#include "Probe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstdio>
#include <cstring>
#include <memory>

namespace vidlume::test {

const ProbedStream* ProbedFile::Video() const
{
    for (auto& s : streams)
        if (s.type == "video")
            return &s;
    return nullptr;
}

const ProbedStream* ProbedFile::Audio() const
{
    for (auto& s : streams)
        if (s.type == "audio")
            return &s;
    return nullptr;
}

namespace {
    bool MoovBeforeMdat(const std::string& path)
    {
        std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), std::fclose);
        if (!f)
            return false;
        for (int i = 0; i < 64; ++i) {
            unsigned char header[8];
            if (std::fread(header, 1, 8, f.get()) != 8)
                return false;
            uint64_t size = uint64_t(header[0]) << 24 | header[1] << 16 | header[2] << 8 | header[3];
            if (!std::memcmp(header + 4, "moov", 4))
                return true;
            if (!std::memcmp(header + 4, "mdat", 4))
                return false;
            if (size < 8 || std::fseek(f.get(), long(size - 8), SEEK_CUR) != 0)
                return false;
        }
        return false;
    }
} // namespace

ProbedFile Probe(const std::string& path)
{
    ProbedFile result;
    AVFormatContext* raw = nullptr;
    int err = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    if (err < 0) {
        result.error = "cannot open";
        return result;
    }
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> fmt(raw, [](AVFormatContext* f) { avformat_close_input(&f); });
    if (avformat_find_stream_info(fmt.get(), nullptr) < 0) {
        result.error = "no stream info";
        return result;
    }
    result.opened = true;
    result.container = fmt->iformat->name;
    result.duration = fmt->duration > 0 ? fmt->duration / double(AV_TIME_BASE) : 0;
    result.indexAtFront = MoovBeforeMdat(path);

    std::vector<AVCodecContext*> decoders(fmt->nb_streams, nullptr);
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
        AVStream* st = fmt->streams[i];
        ProbedStream s;
        const AVCodecParameters* p = st->codecpar;
        s.type = p->codec_type == AVMEDIA_TYPE_VIDEO ? "video" : p->codec_type == AVMEDIA_TYPE_AUDIO ? "audio" : "other";
        s.codec = avcodec_get_name(p->codec_id);
        s.width = p->width;
        s.height = p->height;
        s.sampleRate = p->sample_rate;
        s.channels = p->ch_layout.nb_channels;
        if (const char* prof = avcodec_profile_name(p->codec_id, p->profile))
            s.profile = prof;
        s.level = p->level;
        s.duration = st->duration > 0 ? st->duration * av_q2d(st->time_base) : 0;
        result.streams.push_back(s);
        if (const AVCodec* codec = avcodec_find_decoder(p->codec_id)) {
            AVCodecContext* ctx = avcodec_alloc_context3(codec);
            if (ctx && avcodec_parameters_to_context(ctx, p) >= 0 && avcodec_open2(ctx, codec, nullptr) >= 0)
                decoders[i] = ctx;
            else
                avcodec_free_context(&ctx);
        }
    }
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    int decodeErrors = 0;
    auto drain = [&](unsigned index) {
        while (avcodec_receive_frame(decoders[index], frame) >= 0) {
            if (result.streams[index].type == "video")
                ++result.streams[index].frames;
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(fmt.get(), pkt) >= 0) {
        unsigned index = unsigned(pkt->stream_index);
        if (index < decoders.size() && decoders[index]) {
            if (avcodec_send_packet(decoders[index], pkt) < 0)
                ++decodeErrors;
            drain(index);
        }
        av_packet_unref(pkt);
    }
    for (unsigned i = 0; i < decoders.size(); ++i) {
        if (decoders[i]) {
            avcodec_send_packet(decoders[i], nullptr);
            drain(i);
            avcodec_free_context(&decoders[i]);
        }
    }
    av_frame_free(&frame);
    av_packet_free(&pkt);
    if (decodeErrors)
        result.error = std::to_string(decodeErrors) + " packets failed to decode";
    return result;
}

} // namespace vidlume::test
