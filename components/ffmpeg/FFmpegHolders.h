#pragma once
// Owners for FFmpeg objects, and the one place where FFmpeg error codes become HRESULTs.

#include "platform/com/HResult.h"
#include "platform/graph/MediaType.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <string>

namespace vidlume {

struct AVPacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct AVFrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct AVCodecContextDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct AVCodecParametersDeleter {
    void operator()(AVCodecParameters* p) const { avcodec_parameters_free(&p); }
};
struct SwsContextDeleter {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct SwrContextDeleter {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
// A custom I/O context and its buffer (which FFmpeg may have replaced).
struct AVIOContextDeleter {
    void operator()(AVIOContext* io) const
    {
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }
};
// An I/O context opened by FFmpeg itself with avio_open2 (a file or a network address).
struct AVIOOpenedContextDeleter {
    void operator()(AVIOContext* io) const { avio_closep(&io); }
};
struct AVDictionaryDeleter {
    void operator()(AVDictionary* d) const { av_dict_free(&d); }
};
// An input format context opened with avformat_open_input.
struct AVInputFormatContextDeleter {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
// An output format context (its pb is owned elsewhere).
struct AVOutputFormatContextDeleter {
    void operator()(AVFormatContext* f) const { avformat_free_context(f); }
};

using AVPacketPtr = std::unique_ptr<AVPacket, AVPacketDeleter>;
using AVFramePtr = std::unique_ptr<AVFrame, AVFrameDeleter>;
using AVCodecContextPtr = std::unique_ptr<AVCodecContext, AVCodecContextDeleter>;
using AVCodecParametersPtr = std::unique_ptr<AVCodecParameters, AVCodecParametersDeleter>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextDeleter>;
using SwrContextPtr = std::unique_ptr<SwrContext, SwrContextDeleter>;
using AVIOContextPtr = std::unique_ptr<AVIOContext, AVIOContextDeleter>;
using AVIOOpenedContextPtr = std::unique_ptr<AVIOContext, AVIOOpenedContextDeleter>;
using AVDictionaryPtr = std::unique_ptr<AVDictionary, AVDictionaryDeleter>;
using AVInputFormatContextPtr = std::unique_ptr<AVFormatContext, AVInputFormatContextDeleter>;
using AVOutputFormatContextPtr = std::unique_ptr<AVFormatContext, AVOutputFormatContextDeleter>;

// Reference time (100 ns) as an FFmpeg time base.
constexpr AVRational kReferenceTimeBase { 1, 10'000'000 };

// FFmpeg's error as a result code: out of memory, file not found (also HTTP 404), access denied
// (also HTTP 401 and 403) and invalid data keep their meaning, everything else is E_FAIL.
HRESULT HResultFromAVError(int error);
std::string AVErrorText(int error);

} // namespace vidlume
