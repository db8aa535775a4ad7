#pragma once
// Base of the converters that turn raw pictures into other raw pictures with swscale (the colour
// converter and the resizer): pins "In" and "Out", any raw video swscale reads in, the formats the
// concrete filter offers out. Every frame that does not already match the output type is
// converted; timestamps and flags pass unchanged. Uncompressed video that arrives as packets is
// taken as frames.

#include "components/codecs/CSwsPictureScaler.h"
#include "components/ffmpeg/CodecMediaTypes.h"
#include "platform/graph/CTransformFilter.h"

#include <memory>
#include <vector>

namespace vidlume {

class CSwsVideoFilter : public CTransformFilter {
protected:
    explicit CSwsVideoFilter(const CLSID& clsid);
    ~CSwsVideoFilter() override;

    // What the filter offers for an input, best first.
    virtual std::vector<VideoFormat> OutputFormats(const VideoFormat& input) = 0;
    // How pictures become the agreed output; by default a plain conversion.
    virtual CSwsPictureScaler::Target ScalerTarget(const VideoFormat& input, const VideoFormat& output);

    HRESULT CheckInputType(const CMediaType& type) override;
    HRESULT GetOutputType(int index, CMediaType* type) override;
    HRESULT CheckOutputType(const CMediaType& type) override;
    FlowStatus Transform(const CMediaSample& sample) override;
    HRESULT OnStart() override;
    void OnStop() override;

private:
    VideoFormat m_input;
    std::unique_ptr<CSwsPictureScaler> m_scaler;
};

} // namespace vidlume
