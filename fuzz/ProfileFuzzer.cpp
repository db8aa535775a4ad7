// Feeds arbitrary text to the Windows Media profile manager. Besides not crashing, whatever it
// loads must be a profile the writer takes: one or two streams of known codecs with a format
// block of the right kind and sizes in range.

#include "components/asf/CLavfAsfWriter.h"
#include "components/asf/CWMProfileManager.h"
#include "components/asf/WindowsMediaCodecs.h"

#include <cstdint>
#include <cstdlib>

using namespace vidlume;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto manager = MakeComObject<CWMProfileManager>();
    ComPtr<IWMProfile> profile;
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (FAILED(manager->LoadProfileByData(text, profile.ReleaseAndGetAddressOf()))) {
        if (profile)
            std::abort();
        return 0;
    }
    uint32_t count = 0;
    if (profile->GetStreamCount(&count) != S_OK || count < 1 || count > 2)
        std::abort();
    for (uint32_t i = 0; i < count; ++i) {
        WM_STREAM_CONFIG stream;
        if (profile->GetStream(i, &stream) != S_OK || WindowsMediaEncoder(stream.mediaType.subtype) == AV_CODEC_ID_NONE)
            std::abort();
        if (const WAVEFORMATEX* wfx = stream.mediaType.WaveFormat()) {
            if (wfx->nChannels < 1 || wfx->nChannels > kMaxWindowsMediaChannels || wfx->nSamplesPerSec < kMinWindowsMediaSampleRate
                || wfx->nSamplesPerSec > kMaxWindowsMediaSampleRate || stream.bitrate == 0)
                std::abort();
        } else if (const VIDEOINFOHEADER* vih = stream.mediaType.VideoInfo()) {
            const BITMAPINFOHEADER& bmi = vih->bmiHeader;
            if (bmi.biWidth < 0 || bmi.biHeight < 0 || bmi.biWidth > kMaxWindowsMediaPictureSide
                || bmi.biHeight > kMaxWindowsMediaPictureSide || (bmi.biWidth == 0) != (bmi.biHeight == 0))
                std::abort();
        } else {
            std::abort();
        }
    }
    auto writer = MakeComObject<CLavfAsfWriter>();
    if (writer->ConfigureFilterUsingProfile(profile.Get()) != S_OK)
        std::abort();
    return 0;
}
