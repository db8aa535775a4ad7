#include "CSwsVideoResizer.h"

namespace vidlume {

namespace {
    constexpr uint32_t kMaxSize = 8192;
    bool IsFlag(const VARIANT& v) { return v.ulVal <= 1; }
    bool IsSize(const VARIANT& v) { return v.ulVal <= kMaxSize; }
} // namespace

CSwsVideoResizer::CSwsVideoResizer()
    : CSwsVideoFilter(CLSID_VideoResizer)
    , m_parameters({
          { kKeepAspect, VT_UI4, VARIANT::UI4(1), IsFlag },
          { kWidth, VT_UI4, VARIANT::UI4(0), IsSize },
          { kHeight, VT_UI4, VARIANT::UI4(0), IsSize },
          { kHighDefinition, VT_UI4, VARIANT::UI4(0), IsFlag },
      })
{
}

HRESULT CSwsVideoResizer::QueryOtherInterface(REFIID iid, void** ppv)
{
    if (iid == IModuleConfig::kIid)
        return GetInterface<IModuleConfig>(this, ppv);
    return CSwsVideoFilter::QueryOtherInterface(iid, ppv);
}

HRESULT CSwsVideoResizer::SetValue(const Guid& parameter, const VARIANT& value)
{
    return m_parameters.Set(parameter, value);
}

HRESULT CSwsVideoResizer::GetValue(const Guid& parameter, VARIANT* value)
{
    return m_parameters.Get(parameter, value);
}

HRESULT CSwsVideoResizer::IsSupported(const Guid& parameter)
{
    return m_parameters.Has(parameter) ? S_OK : E_INVALIDARG;
}

HRESULT CSwsVideoResizer::SetDefState()
{
    m_parameters.SetDefaults();
    return S_OK;
}

HRESULT CSwsVideoResizer::CommitChanges()
{
    std::lock_guard lock(m_stateLock);
    VideoFormat input;
    if (OutputPin()->IsConnected() && VideoFormatFromMediaType(InputPin()->CurrentMediaType(), &input)) {
        const std::vector<VARIANT> pending = m_parameters.Pending();
        const VideoFormat next = TargetFormat(input, pending[size_t(m_parameters.IndexOf(kWidth))].ulVal,
            pending[size_t(m_parameters.IndexOf(kHeight))].ulVal);
        const VideoFormat now = TargetFormat(input, m_parameters.CommittedUInt(kWidth), m_parameters.CommittedUInt(kHeight));
        if (next.width != now.width || next.height != now.height)
            return VFW_E_ALREADY_CONNECTED;
    }
    m_parameters.Commit();
    return S_OK;
}

VideoFormat CSwsVideoResizer::TargetFormat(const VideoFormat& input, uint32_t width, uint32_t height)
{
    VideoFormat f;
    f.pixelFormat = AV_PIX_FMT_YUV420P;
    f.width = std::max(2, int(width ? width : uint32_t(input.width)) & ~1);
    f.height = std::max(2, int(height ? height : uint32_t(input.height)) & ~1);
    f.sampleAspect = { 1, 1 };
    f.avgTimePerFrame = input.avgTimePerFrame;
    return f;
}

std::vector<VideoFormat> CSwsVideoResizer::OutputFormats(const VideoFormat& input)
{
    return { TargetFormat(input, m_parameters.CommittedUInt(kWidth), m_parameters.CommittedUInt(kHeight)) };
}

CSwsPictureScaler::Target CSwsVideoResizer::ScalerTarget(const VideoFormat& input, const VideoFormat& output)
{
    CSwsPictureScaler::Target target = CSwsVideoFilter::ScalerTarget(input, output);
    target.sampleAspect = { 1, 1 };
    target.keepAspect = m_parameters.CommittedUInt(kKeepAspect) != 0;
    target.highQuality = target.bt709 = m_parameters.CommittedUInt(kHighDefinition) != 0;
    return target;
}

} // namespace vidlume
