#include "CSwsPictureScaler.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>

namespace vidlume {

namespace {

    bool IsYuv(AVPixelFormat format)
    {
        const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
        return desc && !(desc->flags & AV_PIX_FMT_FLAG_RGB) && desc->nb_components >= 3;
    }

    bool IsFullRangeFormat(AVPixelFormat format)
    {
        return format == AV_PIX_FMT_YUVJ420P || format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P
            || format == AV_PIX_FMT_YUVJ440P || format == AV_PIX_FMT_YUVJ411P;
    }

    AVColorSpace SourceMatrix(const AVFrame& frame)
    {
        switch (frame.colorspace) {
        case AVCOL_SPC_BT709:
        case AVCOL_SPC_BT470BG:
        case AVCOL_SPC_SMPTE170M:
        case AVCOL_SPC_SMPTE240M:
        case AVCOL_SPC_FCC:
        case AVCOL_SPC_BT2020_NCL:
            return frame.colorspace;
        default:
            return frame.height >= 720 ? AVCOL_SPC_BT709 : AVCOL_SPC_BT470BG;
        }
    }

    int EvenDown(int64_t v) { return int(std::max<int64_t>(2, v & ~int64_t(1))); }

    // The plane pointers of a picture shifted to (x, y), both even.
    void OffsetPlanes(AVFrame* frame, int x, int y, uint8_t* planes[4])
    {
        const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(AVPixelFormat(frame->format));
        for (int p = 0; p < 4; ++p) {
            planes[p] = frame->data[p];
            if (!planes[p] || !desc)
                continue;
            for (int c = 0; c < desc->nb_components; ++c) {
                const AVComponentDescriptor& comp = desc->comp[c];
                if (comp.plane != p)
                    continue;
                const bool chroma = !(desc->flags & AV_PIX_FMT_FLAG_RGB) && (c == 1 || c == 2);
                const int px = chroma ? x >> desc->log2_chroma_w : x;
                const int py = chroma ? y >> desc->log2_chroma_h : y;
                planes[p] += ptrdiff_t(py) * frame->linesize[p] + ptrdiff_t(px) * comp.step;
                break;
            }
        }
    }

} // namespace

CSwsPictureScaler::Placement CSwsPictureScaler::Fit(int sourceWidth, int sourceHeight, AVRational sourceAspect, int targetWidth, int targetHeight)
{
    Placement p { 0, 0, targetWidth, targetHeight };
    if (sourceWidth <= 0 || sourceHeight <= 0 || targetWidth <= 0 || targetHeight <= 0)
        return p;
    if (sourceAspect.num <= 0 || sourceAspect.den <= 0)
        sourceAspect = { 1, 1 };
    // Display aspect = (sw * an) / (sh * ad); compare with tw / th without rounding.
    const int64_t displayW = int64_t(sourceWidth) * sourceAspect.num;
    const int64_t displayH = int64_t(sourceHeight) * sourceAspect.den;
    if (displayW * targetHeight > displayH * targetWidth) {
        // Wider than the target: full width, bars above and below.
        p.height = std::min(targetHeight, EvenDown(av_rescale(targetWidth, displayH, displayW) + 1));
    } else {
        p.width = std::min(targetWidth, EvenDown(av_rescale(targetHeight, displayW, displayH) + 1));
    }
    // Bars thinner than two lines are not worth a black edge: stretch the rest.
    if (targetWidth - p.width < 2)
        p.width = targetWidth;
    if (targetHeight - p.height < 2)
        p.height = targetHeight;
    p.x = ((targetWidth - p.width) / 2) & ~1;
    p.y = ((targetHeight - p.height) / 2) & ~1;
    return p;
}

AVRational CSwsPictureScaler::SourceAspect(const AVFrame& frame) const
{
    if (frame.sample_aspect_ratio.num > 0 && frame.sample_aspect_ratio.den > 0)
        return frame.sample_aspect_ratio;
    if (m_target.sourceAspect.num > 0 && m_target.sourceAspect.den > 0)
        return m_target.sourceAspect;
    return { 1, 1 };
}

bool CSwsPictureScaler::Matches(const AVFrame& frame) const
{
    if (frame.format != m_target.format || frame.width != m_target.width || frame.height != m_target.height)
        return false;
    if (m_target.keepAspect) {
        Placement p = Fit(frame.width, frame.height, SourceAspect(frame), m_target.width, m_target.height);
        if (p.width != m_target.width || p.height != m_target.height)
            return false;
    }
    if (m_target.bt709 && IsYuv(AVPixelFormat(frame.format)) && SourceMatrix(frame) != AVCOL_SPC_BT709)
        return false;
    return true;
}

int CSwsPictureScaler::AllocatePicture(AVFrame* frame)
{
    constexpr int kAlign = 64;
    const auto format = AVPixelFormat(frame->format);
    const int size = av_image_get_buffer_size(format, frame->width, frame->height, kAlign);
    if (size < 0)
        return size;
    if (!m_pool || m_poolSize != size) {
        // Frames still holding buffers of the old pool keep it alive until they are freed.
        m_pool.reset(av_buffer_pool_init(size_t(size) + AV_INPUT_BUFFER_PADDING_SIZE, av_buffer_alloc));
        m_poolSize = size;
        if (!m_pool)
            return AVERROR(ENOMEM);
    }
    frame->buf[0] = av_buffer_pool_get(m_pool.get());
    if (!frame->buf[0])
        return AVERROR(ENOMEM);
    const int filled = av_image_fill_arrays(frame->data, frame->linesize, frame->buf[0]->data, format, frame->width, frame->height, kAlign);
    frame->extended_data = frame->data;
    return filled < 0 ? filled : 0;
}

int CSwsPictureScaler::Convert(const AVFrame& frame, AVFramePtr* out)
{
    out->reset();
    const auto srcFormat = AVPixelFormat(frame.format);
    if (frame.width <= 0 || frame.height <= 0 || !sws_isSupportedInput(srcFormat) || !sws_isSupportedOutput(m_target.format))
        return AVERROR(EINVAL);

    Placement place { 0, 0, m_target.width, m_target.height };
    if (m_target.keepAspect)
        place = Fit(frame.width, frame.height, SourceAspect(frame), m_target.width, m_target.height);

    const int flags = m_target.highQuality ? SWS_LANCZOS | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT : SWS_BICUBIC;
    SwsContext* sws = sws_getCachedContext(m_sws.release(), frame.width, frame.height, srcFormat, place.width, place.height,
        m_target.format, flags, nullptr, nullptr, nullptr);
    m_sws.reset(sws);
    if (!sws)
        return AVERROR(ENOMEM);

    const AVColorSpace srcMatrix = SourceMatrix(frame);
    const AVColorSpace dstMatrix = m_target.bt709 ? AVCOL_SPC_BT709 : srcMatrix;
    const bool srcFull = frame.color_range == AVCOL_RANGE_JPEG || IsFullRangeFormat(srcFormat) || !IsYuv(srcFormat);
    const bool dstYuv = IsYuv(m_target.format);
    const bool dstFull = !dstYuv || IsFullRangeFormat(m_target.format);
    // Fails harmlessly for RGB to RGB, where no matrix applies.
    sws_setColorspaceDetails(sws, sws_getCoefficients(srcMatrix), srcFull, sws_getCoefficients(dstMatrix), dstFull, 0, 1 << 16, 1 << 16);

    AVFramePtr result(av_frame_alloc());
    if (!result)
        return AVERROR(ENOMEM);
    result->format = m_target.format;
    result->width = m_target.width;
    result->height = m_target.height;
    int ret = AllocatePicture(result.get());
    if (ret < 0)
        return ret;
    if ((ret = av_frame_copy_props(result.get(), &frame)) < 0)
        return ret;
    if (place.width != m_target.width || place.height != m_target.height) {
        ptrdiff_t linesizes[4];
        for (int i = 0; i < 4; ++i)
            linesizes[i] = result->linesize[i];
        av_image_fill_black(result->data, linesizes, m_target.format, dstFull ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG,
            m_target.width, m_target.height);
    }
    uint8_t* planes[4];
    OffsetPlanes(result.get(), place.x, place.y, planes);
    ret = sws_scale(sws, frame.data, frame.linesize, 0, frame.height, planes, result->linesize);
    if (ret < 0)
        return ret;

    if (m_target.sampleAspect.num > 0 && m_target.sampleAspect.den > 0)
        result->sample_aspect_ratio = m_target.sampleAspect;
    else if (m_target.keepAspect)
        result->sample_aspect_ratio = { 1, 1 };
    result->colorspace = dstYuv ? dstMatrix : AVCOL_SPC_RGB;
    result->color_range = dstFull ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    *out = std::move(result);
    return 0;
}

} // namespace vidlume
