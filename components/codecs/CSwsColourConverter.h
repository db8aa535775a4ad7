#pragma once
// Colour converter (CLSID_ColourConverter) on swscale: what intelligent connect puts between a
// decoder and an encoder or writer that takes another raw picture format. Pins "In" (any raw
// video swscale reads) and "Out": I420 first, then NV12 and RGB32, at the same size, aspect
// ratio and frame duration. No parameters.

#include "components/codecs/CSwsVideoFilter.h"

namespace vidlume {

class CSwsColourConverter final : public CSwsVideoFilter {
public:
    CSwsColourConverter();

protected:
    std::vector<VideoFormat> OutputFormats(const VideoFormat& input) override;
};

} // namespace vidlume
