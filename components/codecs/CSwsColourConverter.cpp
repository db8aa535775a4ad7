#include "CSwsColourConverter.h"

namespace vidlume {

CSwsColourConverter::CSwsColourConverter() : CSwsVideoFilter(CLSID_ColourConverter) { }

std::vector<VideoFormat> CSwsColourConverter::OutputFormats(const VideoFormat& input)
{
    std::vector<VideoFormat> offers;
    for (AVPixelFormat format : { AV_PIX_FMT_YUV420P, AV_PIX_FMT_NV12, AV_PIX_FMT_BGRA }) {
        VideoFormat f = input;
        f.pixelFormat = format;
        offers.push_back(f);
    }
    return offers;
}

} // namespace vidlume
