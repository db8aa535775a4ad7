#pragma once
// Video resizer (CLSID_VideoResizer) on swscale. Pins "In" (any raw video swscale reads) and
// "Out" (I420 at the target size, square pixels, the input's frame duration).
//
// IModuleConfig, all VT_UI4, taking effect at CommitChanges (for the next connection: a commit
// that would change the size of a connected output is refused with VFW_E_ALREADY_CONNECTED):
//   A68F13F1-CC33-436A-BCBF-0A5C95EBE27F  keep aspect ratio. 1 (default): the picture keeps its
//       display aspect ratio - honouring the source's sample aspect ratio - and is centred with
//       black bars above and below (letterbox) or left and right (pillarbox). 0: stretched to
//       fill the target.
//   04B86B7E-C04B-448F-BFF5-2A50F1945ACD  target width in pixels; 0 (default): the source's.
//   32A5E96D-2AC3-4D46-BF70-431BEE62DF35  target height in pixels; 0 (default): the source's.
//       Both are rounded down to even numbers (4:2:0 needs them even); at most 8192.
//   6E7CFA3C-7395-4DF9-A3D2-7E1DBE442B42  high-definition output. 1: lanczos scaling and the
//       BT.709 colour matrix (standard-definition sources are converted from BT.601), as full-HD
//       players expect. 0 (default): bicubic scaling, the source's colour matrix kept.

#include "platform/graph/CModuleParameters.h"
#include "components/codecs/CSwsVideoFilter.h"

namespace vidlume {

class CSwsVideoResizer final : public CSwsVideoFilter, public IModuleConfig {
public:
    CSwsVideoResizer();

    VIDLUME_UNKNOWN_VIA(CSwsVideoFilter)

    // IModuleConfig
    HRESULT SetValue(const Guid& parameter, const VARIANT& value) override;
    HRESULT GetValue(const Guid& parameter, VARIANT* value) override;
    HRESULT IsSupported(const Guid& parameter) override;
    HRESULT SetDefState() override;
    HRESULT CommitChanges() override;

    static constexpr Guid kKeepAspect = MakeGuid("A68F13F1-CC33-436A-BCBF-0A5C95EBE27F");
    static constexpr Guid kWidth = MakeGuid("04B86B7E-C04B-448F-BFF5-2A50F1945ACD");
    static constexpr Guid kHeight = MakeGuid("32A5E96D-2AC3-4D46-BF70-431BEE62DF35");
    static constexpr Guid kHighDefinition = MakeGuid("6E7CFA3C-7395-4DF9-A3D2-7E1DBE442B42");

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** ppv) override;
    std::vector<VideoFormat> OutputFormats(const VideoFormat& input) override;
    CSwsPictureScaler::Target ScalerTarget(const VideoFormat& input, const VideoFormat& output) override;

private:
    static VideoFormat TargetFormat(const VideoFormat& input, uint32_t width, uint32_t height);

    CModuleParameters m_parameters;
};

} // namespace vidlume
