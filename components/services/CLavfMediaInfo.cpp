#include "CLavfMediaInfo.h"

#include "platform/graph/GraphInterfaces.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <sys/stat.h>

namespace vidlume {

namespace {
    constexpr auto kOpenBudget = std::chrono::seconds(15);
    constexpr auto kPictureBudget = std::chrono::seconds(10);
    constexpr int kMaxPacketsPerPicture = 20000;
    constexpr int kMaxBitmapSide = 4096;
    // Positions beyond this many seconds (about 30 years) are treated as "the end".
    constexpr double kLatestPosition = 1e9;

    bool IsCoverArt(const AVStream* st)
    {
        return st->disposition & AV_DISPOSITION_ATTACHED_PIC;
    }

    HRESULT HResultFromErrno(int error)
    {
        switch (error) {
        case ENOENT: return HResultFromWin32(ERROR_FILE_NOT_FOUND);
        case ENOTDIR:
        case ENAMETOOLONG: return HResultFromWin32(ERROR_PATH_NOT_FOUND);
        case EACCES:
        case EPERM: return E_ACCESSDENIED;
        case ENOMEM: return E_OUTOFMEMORY;
        default: return E_FAIL;
        }
    }
} // namespace

int CLavfMediaInfo::Interrupted(void* self)
{
    return std::chrono::steady_clock::now() > static_cast<CLavfMediaInfo*>(self)->m_deadline;
}

void CLavfMediaInfo::Close()
{
    m_decoder.reset();
    m_format.reset();
    m_video = m_audio = -1;
}

HRESULT CLavfMediaInfo::Open(const std::string& path)
{
    std::lock_guard lock(m_lock);
    Close();
    HRESULT hr = OpenFile(path);
    if (FAILED(hr))
        Close();
    return hr;
}

HRESULT CLavfMediaInfo::OpenFile(const std::string& path)
{
    if (path.empty())
        return E_INVALIDARG;
    // Only regular files: opening a pipe or a device could block or read forever.
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return HResultFromErrno(errno);
    if (!S_ISREG(info.st_mode))
        return VFW_E_UNKNOWN_FILE_TYPE;
    if (info.st_size == 0)
        return VFW_E_FILE_TOO_SHORT;

    AVFormatContext* raw = avformat_alloc_context();
    if (!raw)
        return E_OUTOFMEMORY;
    raw->interrupt_callback = { &Interrupted, this };
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    m_deadline = std::chrono::steady_clock::now() + kOpenBudget;
    // "file:" keeps a name with a colon from being taken for another protocol.
    int err = avformat_open_input(&raw, ("file:" + path).c_str(), nullptr, &options);
    av_dict_free(&options);
    if (err < 0)
        return HResultFromAVError(err); // raw was freed
    m_format.reset(raw);
    if (err = avformat_find_stream_info(raw, nullptr); err < 0)
        return HResultFromAVError(err);

    int64_t largest = 0;
    for (unsigned i = 0; i < raw->nb_streams; ++i) {
        const AVStream* st = raw->streams[i];
        const AVCodecParameters* p = st->codecpar;
        if (p->codec_type != AVMEDIA_TYPE_VIDEO || p->codec_id == AV_CODEC_ID_NONE || IsCoverArt(st))
            continue;
        const int64_t area = int64_t(std::max(p->width, 0)) * std::max(p->height, 0);
        if (m_video < 0 || area > largest) {
            m_video = int(i);
            largest = area;
        }
    }
    m_audio = av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (m_audio >= 0 && raw->streams[m_audio]->codecpar->codec_id == AV_CODEC_ID_NONE)
        m_audio = -1;
    if (m_audio < 0)
        m_audio = -1;
    if (m_video < 0 && m_audio < 0)
        return VFW_E_INVALID_FILE_FORMAT;
    return S_OK;
}

HRESULT CLavfMediaInfo::GetDuration(double* seconds)
{
    if (!seconds)
        return E_POINTER;
    std::lock_guard lock(m_lock);
    if (!m_format)
        return E_UNEXPECTED;
    double longest = m_format->duration > 0 ? double(m_format->duration) / AV_TIME_BASE : 0;
    if (longest <= 0) {
        for (int index : { m_video, m_audio }) {
            if (index < 0)
                continue;
            const AVStream* st = m_format->streams[index];
            if (st->duration > 0)
                longest = std::max(longest, double(st->duration) * av_q2d(st->time_base));
        }
    }
    if (!(longest > 0) || !std::isfinite(longest))
        return E_FAIL;
    *seconds = longest;
    return S_OK;
}

HRESULT CLavfMediaInfo::GetVideoSize(uint16_t* width, uint16_t* height)
{
    if (!width || !height)
        return E_POINTER;
    std::lock_guard lock(m_lock);
    if (!m_format)
        return E_UNEXPECTED;
    if (m_video < 0)
        return VFW_E_NOT_FOUND;
    const AVCodecParameters* p = m_format->streams[m_video]->codecpar;
    if (p->width <= 0 || p->height <= 0 || p->width > UINT16_MAX || p->height > UINT16_MAX)
        return E_FAIL;
    *width = uint16_t(p->width);
    *height = uint16_t(p->height);
    return S_OK;
}

HRESULT CLavfMediaInfo::GetStreams(bool* hasVideo, bool* hasAudio)
{
    if (!hasVideo || !hasAudio)
        return E_POINTER;
    std::lock_guard lock(m_lock);
    if (!m_format)
        return E_UNEXPECTED;
    *hasVideo = m_video >= 0;
    *hasAudio = m_audio >= 0;
    return S_OK;
}

HRESULT CLavfMediaInfo::GetAudioFormat(uint32_t* sampleRate, uint16_t* channels, uint16_t* bitsPerSample)
{
    if (!sampleRate || !channels || !bitsPerSample)
        return E_POINTER;
    std::lock_guard lock(m_lock);
    if (!m_format)
        return E_UNEXPECTED;
    if (m_audio < 0)
        return VFW_E_NOT_FOUND;
    const AVCodecParameters* p = m_format->streams[m_audio]->codecpar;
    if (p->sample_rate <= 0 || p->ch_layout.nb_channels <= 0 || p->ch_layout.nb_channels > UINT16_MAX)
        return E_FAIL;
    // PCM knows its resolution; lossless codecs store theirs; lossy sound has none of its own.
    int bits = av_get_bits_per_sample(p->codec_id);
    if (bits <= 0)
        bits = p->bits_per_raw_sample > 0 ? p->bits_per_raw_sample : 16;
    *sampleRate = uint32_t(p->sample_rate);
    *channels = uint16_t(p->ch_layout.nb_channels);
    *bitsPerSample = uint16_t(std::min(bits, 64));
    return S_OK;
}

HRESULT CLavfMediaInfo::GetFrameRate(double* framesPerSecond)
{
    if (!framesPerSecond)
        return E_POINTER;
    std::lock_guard lock(m_lock);
    if (!m_format)
        return E_UNEXPECTED;
    if (m_video < 0)
        return VFW_E_NOT_FOUND;
    const AVStream* st = m_format->streams[m_video];
    for (AVRational rate : { st->avg_frame_rate, st->r_frame_rate }) {
        if (rate.num > 0 && rate.den > 0) {
            *framesPerSecond = av_q2d(rate);
            return S_OK;
        }
    }
    return E_FAIL;
}

HRESULT CLavfMediaInfo::OpenDecoder()
{
    if (m_decoder)
        return S_OK;
    const AVCodecParameters* p = m_format->streams[m_video]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(p->codec_id);
    if (!codec)
        return VFW_E_UNKNOWN_FILE_TYPE;
    AVCodecContextPtr decoder(avcodec_alloc_context3(codec));
    if (!decoder)
        return E_OUTOFMEMORY;
    if (int err = avcodec_parameters_to_context(decoder.get(), p); err < 0)
        return HResultFromAVError(err);
    // One thread: a thumbnail needs a handful of frames, and no frame is held back by threading.
    decoder->thread_count = 1;
    if (int err = avcodec_open2(decoder.get(), codec, nullptr); err < 0)
        return HResultFromAVError(err);
    m_decoder = std::move(decoder);
    return S_OK;
}

HRESULT CLavfMediaInfo::DecodeFrameAt(double seconds, AVFramePtr* picture)
{
    AVFormatContext* fmt = m_format.get();
    const AVStream* st = fmt->streams[m_video];
    const int64_t first = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    const int64_t target = first + av_rescale_q(std::llround(seconds * AV_TIME_BASE), AV_TIME_BASE_Q, st->time_base);

    // Back to the key frame before the position; formats that cannot seek by time start over.
    if (av_seek_frame(fmt, m_video, target, AVSEEK_FLAG_BACKWARD) < 0 && av_seek_frame(fmt, m_video, first, AVSEEK_FLAG_BACKWARD) < 0)
        av_seek_frame(fmt, -1, 0, AVSEEK_FLAG_BYTE);
    avcodec_flush_buffers(m_decoder.get());

    AVPacketPtr packet(av_packet_alloc());
    AVFramePtr frame(av_frame_alloc());
    if (!packet || !frame)
        return E_OUTOFMEMORY;
    AVFramePtr best;
    bool draining = false;
    for (int read = 0; read < kMaxPacketsPerPicture; ++read) {
        if (Interrupted(this))
            return VFW_E_TIMEOUT;
        if (!draining) {
            const int err = av_read_frame(fmt, packet.get());
            if (err == AVERROR_EXIT)
                return VFW_E_TIMEOUT;
            if (err < 0) {
                // The end (or a read error): whatever the decoder still holds is all there is.
                draining = true;
                avcodec_send_packet(m_decoder.get(), nullptr);
            } else {
                const bool ours = packet->stream_index == m_video;
                if (ours)
                    avcodec_send_packet(m_decoder.get(), packet.get()); // a damaged packet is skipped
                av_packet_unref(packet.get());
                if (!ours)
                    continue;
            }
        }
        for (;;) {
            const int err = avcodec_receive_frame(m_decoder.get(), frame.get());
            if (err == AVERROR(EAGAIN) || (err == AVERROR_INVALIDDATA && !draining))
                break; // wants more data, or skipped a damaged picture
            if (err < 0) {
                if (!best)
                    return err == AVERROR_EOF ? VFW_E_INVALID_FILE_FORMAT : HResultFromAVError(err);
                *picture = std::move(best);
                return S_OK;
            }
            // The picture on screen at the position is the last one starting at or before it.
            const int64_t pts = frame->best_effort_timestamp;
            if (pts != AV_NOPTS_VALUE && pts > target && best) {
                *picture = std::move(best);
                return S_OK;
            }
            best.reset(av_frame_clone(frame.get()));
            av_frame_unref(frame.get());
            if (!best)
                return E_OUTOFMEMORY;
            if (pts == AV_NOPTS_VALUE || pts >= target) {
                *picture = std::move(best);
                return S_OK;
            }
        }
    }
    if (!best)
        return VFW_E_INVALID_FILE_FORMAT;
    *picture = std::move(best);
    return S_OK;
}

HRESULT CLavfMediaInfo::PackBitmap(const AVFrame& picture, int width, int height, std::vector<uint8_t>* bitmap)
{
    SwsContextPtr sws(sws_getContext(picture.width, picture.height, AVPixelFormat(picture.format), width, height, AV_PIX_FMT_BGR24, SWS_AREA,
        nullptr, nullptr, nullptr));
    if (!sws)
        return VFW_E_TYPE_NOT_ACCEPTED;
    AVFramePtr scaled(av_frame_alloc());
    if (!scaled)
        return E_OUTOFMEMORY;
    scaled->format = AV_PIX_FMT_BGR24;
    scaled->width = width;
    scaled->height = height;
    if (int err = av_frame_get_buffer(scaled.get(), 0); err < 0)
        return HResultFromAVError(err);
    if (int err = sws_scale(sws.get(), picture.data, picture.linesize, 0, picture.height, scaled->data, scaled->linesize); err < 0)
        return HResultFromAVError(err);

    // A bottom-up DIB: the last picture row comes first, every row padded to four bytes.
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    BITMAPINFOHEADER header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = 0;
    header.biSizeImage = uint32_t(stride * size_t(height));
    bitmap->assign(sizeof header + header.biSizeImage, 0);
    std::memcpy(bitmap->data(), &header, sizeof header);
    uint8_t* pixels = bitmap->data() + sizeof header;
    for (int y = 0; y < height; ++y)
        std::memcpy(pixels + size_t(height - 1 - y) * stride, scaled->data[0] + size_t(y) * size_t(scaled->linesize[0]), size_t(width) * 3);
    return S_OK;
}

HRESULT CLavfMediaInfo::GetFrameBitmap(double seconds, int32_t width, int32_t height, std::vector<uint8_t>* bitmap)
{
    if (!bitmap)
        return E_POINTER;
    bitmap->clear();
    if (!(seconds >= 0) || width < 1 || height < 1 || width > kMaxBitmapSide || height > kMaxBitmapSide)
        return E_INVALIDARG;
    std::lock_guard lock(m_lock);
    if (!m_format)
        return E_UNEXPECTED;
    if (m_video < 0)
        return VFW_E_NOT_FOUND;
    m_deadline = std::chrono::steady_clock::now() + kPictureBudget;
    if (HRESULT hr = OpenDecoder(); FAILED(hr))
        return hr;
    AVFramePtr picture;
    if (HRESULT hr = DecodeFrameAt(std::min(seconds, kLatestPosition), &picture); FAILED(hr))
        return hr;
    HRESULT hr = PackBitmap(*picture, width, height, bitmap);
    if (FAILED(hr))
        bitmap->clear();
    return hr;
}

} // namespace vidlume
