#pragma once
// Video frame-rate converter (CLSID_FrameRateConverter): makes a constant frame rate by repeating
// and dropping pictures by their timestamps. Pins "In" (any raw video) and "Out" (the same format,
// AvgTimePerFrame of the new rate).
//
// Output picture n starts at the first input picture's time + n / rate and shows the input
// picture whose time span holds that moment. At the end of the stream the last picture fills up
// to its own end (its stop time, or else one input frame duration), so two seconds of 25 fps
// become 60 pictures at 29.97 fps. A discontinuity (a seek) starts the count afresh.
//
// IModuleConfig, taking effect at CommitChanges (for the next connection: a commit that would
// change the rate of a connected output is refused with VFW_E_ALREADY_CONNECTED):
//   7CFA24E9-81FC-41A5-928E-66B9F781B6DC  frame-rate code, VT_UI4 (or VT_I4) carrying a signed
//       32-bit value: frames per second × 100 (2500 = 25 fps, up to 1000 fps); -2997 (which
//       arrives as 4294964299) = 30000/1001; 0 (default) = as the source: pictures pass
//       unchanged. Other negative values are refused.

#include "platform/graph/CModuleParameters.h"
#include "components/ffmpeg/CodecMediaTypes.h"
#include "platform/graph/CTransformFilter.h"

namespace vidlume {

class CFrameRateConverter final : public CTransformFilter, public IModuleConfig {
public:
    CFrameRateConverter();
    ~CFrameRateConverter() override;

    VIDLUME_UNKNOWN_VIA(CTransformFilter)

    // IModuleConfig
    HRESULT SetValue(const Guid& parameter, const VARIANT& value) override;
    HRESULT GetValue(const Guid& parameter, VARIANT* value) override;
    HRESULT IsSupported(const Guid& parameter) override;
    HRESULT SetDefState() override;
    HRESULT CommitChanges() override;

    static constexpr Guid kFrameRateCode = MakeGuid("7CFA24E9-81FC-41A5-928E-66B9F781B6DC");
    // The rate a code stands for; {0, 1} for "as the source" and for codes that mean nothing.
    static AVRational RateFromCode(int32_t code);

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** ppv) override;
    HRESULT CheckInputType(const CMediaType& type) override;
    HRESULT GetOutputType(int index, CMediaType* type) override;
    HRESULT CheckOutputType(const CMediaType& type) override;
    FlowStatus Transform(const CMediaSample& sample) override;
    FlowStatus Drain() override;
    HRESULT OnStart() override;
    void OnStop() override;

private:
    REFERENCE_TIME SlotTime(int64_t index) const;
    // Delivers the held picture for every output slot that starts before the time.
    FlowStatus EmitUntil(REFERENCE_TIME end);

    CModuleParameters m_parameters;

    // Streaming state.
    VideoFormat m_input;
    AVRational m_rate { 0, 1 };
    REFERENCE_TIME m_inputDuration = 0;
    AVFramePtr m_held;
    REFERENCE_TIME m_heldStart = kNoTime;
    REFERENCE_TIME m_heldStop = kNoTime;
    REFERENCE_TIME m_origin = kNoTime;
    int64_t m_index = 0;
    bool m_discontinuity = true;
};

} // namespace vidlume
