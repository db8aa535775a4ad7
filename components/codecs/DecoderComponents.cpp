// Registers the decoders and converters of this folder with the class registry.

#include "components/ComponentGroups.h"

#include "components/codecs/CFrameRateConverter.h"
#include "components/codecs/CLavcAudioDecoder.h"
#include "components/codecs/CLavcVideoDecoder.h"
#include "components/codecs/CSwrAudioConverter.h"
#include "components/codecs/CSwrSampleRateConverter.h"
#include "components/codecs/CSwsColourConverter.h"
#include "components/codecs/CSwsVideoResizer.h"
#include "platform/com/CClassRegistry.h"

#include <initializer_list>

namespace vidlume {

namespace {

    // Intelligent connect tries the specific decoders before the generic ones.
    constexpr uint32_t kMeritSpecificDecoder = 0x00600000;
    constexpr uint32_t kMeritGenericDecoder = 0x00400000;
    constexpr uint32_t kMeritConverter = 0x00200000;

    std::vector<std::pair<Guid, Guid>> Types(const Guid& major, std::initializer_list<const char*> fourccs, std::initializer_list<Guid> subtypes = {})
    {
        std::vector<std::pair<Guid, Guid>> types;
        for (const Guid& s : subtypes)
            types.emplace_back(major, s);
        for (const char* f : fourccs)
            types.emplace_back(major, Guid::FromFourCC(f));
        return types;
    }

    template <class T, class... Args>
    CClassRegistry::Factory FactoryWith(Args... args)
    {
        return [=](REFIID iid, void** ppv) -> HRESULT {
            ComPtr<T> object(new T(args...));
            return object->QueryInterface(iid, ppv);
        };
    }

} // namespace

void RegisterDecoderComponents()
{
    using Video = CLavcVideoDecoder::Kind;
    using Audio = CLavcAudioDecoder::Kind;
    CClassRegistry& registry = CClassRegistry::Instance();

    registry.Register({ CLSID_H264Decoder, "H.264 Video Decoder", { CATEGORY_Decoders }, kMeritSpecificDecoder,
        FactoryWith<CLavcVideoDecoder>(Video::H264),
        Types(MEDIATYPE_Video, { "avc1", "h264", "H264", "x264", "X264", "VSSH", "vssh", "DAVC", "davc" }, { MEDIASUBTYPE_AVC1 }) });
    registry.Register({ CLSID_MPEG4Decoder, "MPEG-4 Part 2 Video Decoder", { CATEGORY_Decoders }, kMeritSpecificDecoder,
        FactoryWith<CLavcVideoDecoder>(Video::Mpeg4),
        Types(MEDIATYPE_Video, { "mp4v", "MP4V", "xvid", "XVID", "divx", "DIVX", "DX50", "dx50", "FMP4", "fmp4", "mp4s", "MP4S", "M4S2", "m4s2", "3IV2", "3iv2", "RMP4", "SEDG", "UMP4" }) });
    registry.Register({ CLSID_MPEG2Decoder, "MPEG-1/MPEG-2 Video Decoder", { CATEGORY_Decoders }, kMeritSpecificDecoder,
        FactoryWith<CLavcVideoDecoder>(Video::Mpeg2),
        Types(MEDIATYPE_Video, { "mpg1", "MPG1", "mpg2", "MPG2", "MPEG", "mpeg", "PIM1", "PIM2" },
            { MEDIASUBTYPE_MPEG1Packet, MEDIASUBTYPE_MPEG1Video, MEDIASUBTYPE_MPEG2_VIDEO }) });
    registry.Register({ CLSID_GenericVideoDecoder, "Video Decoder", { CATEGORY_Decoders }, kMeritGenericDecoder,
        FactoryWith<CLavcVideoDecoder>(Video::Generic), { { MEDIATYPE_Video, GUID_NULL } } });

    registry.Register({ CLSID_AACDecoder, "AAC Audio Decoder", { CATEGORY_Decoders }, kMeritSpecificDecoder,
        FactoryWith<CLavcAudioDecoder>(Audio::Aac),
        Types(MEDIATYPE_Audio, {}, { MEDIASUBTYPE_AAC, Guid::FromFourCC(0x1600), Guid::FromFourCC(0x1602), Guid::FromFourCC(0x4143), Guid::FromFourCC(0x706D) }) });
    registry.Register({ CLSID_AC3Decoder, "AC-3 Audio Decoder", { CATEGORY_Decoders }, kMeritSpecificDecoder,
        FactoryWith<CLavcAudioDecoder>(Audio::Ac3), Types(MEDIATYPE_Audio, {}, { MEDIASUBTYPE_DOLBY_AC3, Guid::FromFourCC(0x2000) }) });
    registry.Register({ CLSID_GenericAudioDecoder, "Audio Decoder", { CATEGORY_Decoders }, kMeritGenericDecoder,
        FactoryWith<CLavcAudioDecoder>(Audio::Generic), { { MEDIATYPE_Audio, GUID_NULL } } });

    registry.Register({ CLSID_ColourConverter, "Colour Converter", { CATEGORY_Converters }, kMeritConverter,
        CClassRegistry::FactoryOf<CSwsColourConverter>(), { { MEDIATYPE_Video, GUID_NULL } } });
    registry.Register({ CLSID_AudioConverter, "Audio Converter", { CATEGORY_Converters }, kMeritConverter,
        CClassRegistry::FactoryOf<CSwrAudioConverter>(), { { MEDIATYPE_Audio, GUID_NULL } } });

    // Created by class identifier where a profile asks for them, never found by intelligent
    // connect: with their parameters at the defaults they would change nothing, and with others
    // they would change what the user did not ask for.
    registry.Register({ CLSID_VideoResizer, "Video Resizer", {}, 0, CClassRegistry::FactoryOf<CSwsVideoResizer>() });
    registry.Register({ CLSID_FrameRateConverter, "Frame Rate Converter", {}, 0, CClassRegistry::FactoryOf<CFrameRateConverter>() });
    registry.Register({ CLSID_SampleRateConverter, "Sample Rate Converter", {}, 0, CClassRegistry::FactoryOf<CSwrSampleRateConverter>() });
}

} // namespace vidlume
