#pragma once
// Audio sample-rate converter (CLSID_SampleRateConverter) on swresample. Pins "In" (any raw
// audio) and "Out" (the same sample format and channels at the chosen rate). The resampler's
// delay is flushed at the end of the stream and timestamps stay exact, so the output lasts as long
// as the input.
//
// IModuleConfig, taking effect at CommitChanges (for the next connection: a commit that would
// change the rate of a connected output is refused with VFW_E_ALREADY_CONNECTED):
//   1AF02EDB-7353-4A44-B4FE-106DB15EA05C  output sample rate in Hz, VT_UI4, 1000 to 768000;
//       0 (default): as the source.

#include "platform/graph/CModuleParameters.h"
#include "components/codecs/CSwrAudioFilter.h"

namespace vidlume {

class CSwrSampleRateConverter final : public CSwrAudioFilter, public IModuleConfig {
public:
    CSwrSampleRateConverter();

    VIDLUME_UNKNOWN_VIA(CSwrAudioFilter)

    // IModuleConfig
    HRESULT SetValue(const Guid& parameter, const VARIANT& value) override;
    HRESULT GetValue(const Guid& parameter, VARIANT* value) override;
    HRESULT IsSupported(const Guid& parameter) override;
    HRESULT SetDefState() override;
    HRESULT CommitChanges() override;

    static constexpr Guid kSampleRate = MakeGuid("1AF02EDB-7353-4A44-B4FE-106DB15EA05C");

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** ppv) override;
    std::vector<AudioFormat> OutputFormats(const AudioFormat& input) override;

private:
    CModuleParameters m_parameters;
};

} // namespace vidlume
