// Feeds arbitrary bytes as packets to the video and audio decoders, connected and running as in a
// graph, between a source pin and a sink pin of this file. Besides not crashing or leaking, every
// picture or sound that comes out must be in the connection's format and readable in full.
//
// Input: byte 0 picks the codec (H.264, MPEG-2, MPEG-4 Part 2, AAC, MP3, AC-3, WMV 8); byte 1 is
// the length of the set-up data (format block extra bytes) that follows; then packets, each a
// 16-bit little-endian length and its bytes.

#include "components/ComponentGroups.h"
#include "components/ffmpeg/CodecMediaTypes.h"
#include "platform/com/CClassRegistry.h"
#include "platform/graph/CBaseFilter.h"
#include "platform/graph/CBaseInputPin.h"
#include "platform/graph/CBaseOutputPin.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

using namespace vidlume;

namespace {

constexpr CLSID kFuzzFilter = MakeGuid("F022F022-0000-4000-8000-00000000F022");

// What the sink read, kept so the reads are not optimised away.
uint64_t g_checksum = 0;

class CFuzzSource final : public CBaseFilter {
public:
    class CPin final : public CBaseOutputPin {
    public:
        CPin(CBaseFilter* filter, CMediaType type) : CBaseOutputPin(filter, "Out"), m_type(std::move(type)) { }

    protected:
        HRESULT CheckMediaType(const CMediaType& type) override { return type == m_type ? S_OK : S_FALSE; }
        HRESULT GetMediaType(int index, CMediaType* type) override
        {
            if (index != 0)
                return S_FALSE;
            *type = m_type;
            return S_OK;
        }

    private:
        CMediaType m_type;
    };

    explicit CFuzzSource(CMediaType type) : CBaseFilter(kFuzzFilter)
    {
        m_pin = static_cast<CPin*>(AddPin(std::make_unique<CPin>(this, std::move(type))));
    }
    CPin* Pin() const { return m_pin; }

private:
    CPin* m_pin;
};

class CFuzzSink final : public CBaseFilter {
public:
    class CPin final : public CBaseInputPin {
    public:
        explicit CPin(CBaseFilter* filter) : CBaseInputPin(filter, "In") { }

    protected:
        HRESULT CheckMediaType(const CMediaType& type) override { return IsRawVideo(type) || IsRawAudio(type) ? S_OK : S_FALSE; }
        FlowStatus OnReceive(const CMediaSample& sample) override
        {
            const AVFrame* f = sample.Frame();
            if (!f)
                std::abort();
            // Every byte the agreed format promises must be there.
            VideoFormat video;
            AudioFormat audio;
            if (VideoFormatFromMediaType(CurrentMediaType(), &video)) {
                if (f->format != video.pixelFormat || f->width != video.width || f->height != video.height)
                    std::abort();
                uint8_t* copy = static_cast<uint8_t*>(av_malloc(size_t(av_image_get_buffer_size(video.pixelFormat, f->width, f->height, 1))));
                if (copy) {
                    av_image_copy_to_buffer(copy, av_image_get_buffer_size(video.pixelFormat, f->width, f->height, 1), f->data, f->linesize,
                        video.pixelFormat, f->width, f->height, 1);
                    g_checksum += copy[0];
                    av_free(copy);
                }
            } else if (AudioFormatFromMediaType(CurrentMediaType(), &audio)) {
                if (f->format != audio.sampleFormat || f->ch_layout.nb_channels != audio.channels || f->sample_rate != audio.sampleRate)
                    std::abort();
                const size_t bytes = size_t(f->nb_samples) * size_t(audio.channels) * size_t(av_get_bytes_per_sample(audio.sampleFormat));
                for (size_t i = 0; i < bytes; i += 64)
                    g_checksum += f->data[0][i];
            }
            return FlowStatus::Ok;
        }
    };

    CFuzzSink() : CBaseFilter(kFuzzFilter) { m_pin = static_cast<CPin*>(AddPin(std::make_unique<CPin>(this))); }
    CPin* Pin() const { return m_pin; }

private:
    CPin* m_pin;
};

struct Codec {
    CLSID decoder;
    bool video;
    Guid subtype;
};

CMediaType TypeFor(const Codec& codec, const std::vector<uint8_t>& extra)
{
    CMediaType type(codec.video ? MEDIATYPE_Video : MEDIATYPE_Audio, codec.subtype);
    if (codec.video) {
        if (codec.subtype == MEDIASUBTYPE_H264 && !extra.empty())
            type.subtype = MEDIASUBTYPE_AVC1;
        VIDEOINFOHEADER2 header;
        header.AvgTimePerFrame = 400000;
        header.bmiHeader.biWidth = 64;
        header.bmiHeader.biHeight = 48;
        header.bmiHeader.biCompression = type.subtype.data1;
        type.SetVideoInfo2(header, extra);
    } else {
        WAVEFORMATEX wfx;
        wfx.wFormatTag = uint16_t(codec.subtype.data1);
        wfx.nChannels = 2;
        wfx.nSamplesPerSec = codec.subtype == MEDIASUBTYPE_DOLBY_AC3 ? 48000 : 44100;
        wfx.nAvgBytesPerSec = 16000;
        wfx.nBlockAlign = 1;
        type.SetWaveFormat(wfx, extra);
    }
    return type;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static std::once_flag once;
    std::call_once(once, [] {
        av_log_set_level(AV_LOG_QUIET);
        RegisterDecoderComponents();
    });
    static const Codec codecs[] = {
        { CLSID_H264Decoder, true, MEDIASUBTYPE_H264 },
        { CLSID_MPEG2Decoder, true, MEDIASUBTYPE_MPEG2_VIDEO },
        { CLSID_MPEG4Decoder, true, MEDIASUBTYPE_MP4V },
        { CLSID_AACDecoder, false, MEDIASUBTYPE_AAC },
        { CLSID_GenericAudioDecoder, false, MEDIASUBTYPE_MP3 },
        { CLSID_AC3Decoder, false, MEDIASUBTYPE_DOLBY_AC3 },
        { CLSID_GenericVideoDecoder, true, Guid::FromFourCC("WMV2") },
    };
    if (size < 2)
        return 0;
    const Codec& codec = codecs[data[0] % std::size(codecs)];
    const size_t extraSize = std::min<size_t>(data[1] % 64, size - 2);
    const std::vector<uint8_t> extra(data + 2, data + 2 + extraSize);
    size_t pos = 2 + extraSize;

    ComPtr<CFuzzSource> source(new CFuzzSource(TypeFor(codec, extra)));
    ComPtr<CFuzzSink> sink(new CFuzzSink());
    ComPtr<IBaseFilter> decoder;
    if (FAILED(CoCreateInstance(codec.decoder, &decoder)))
        std::abort();
    ComPtr<IPin> in, out;
    decoder->FindPin("In", in.ReleaseAndGetAddressOf());
    decoder->FindPin("Out", out.ReleaseAndGetAddressOf());
    if (!in || !out)
        std::abort();

    if (SUCCEEDED(source->Pin()->Connect(in.Get(), nullptr)) && SUCCEEDED(out->Connect(sink->Pin(), nullptr))
        && SUCCEEDED(sink->Run(0)) && SUCCEEDED(decoder->Run(0)) && SUCCEEDED(source->Run(0))) {
        bool going = true;
        for (int index = 0; going && pos + 2 <= size && index < 512; ++index) {
            const size_t length = std::min<size_t>(size_t(data[pos]) | size_t(data[pos + 1]) << 8, size - pos - 2);
            pos += 2;
            AVPacket* packet = av_packet_alloc();
            if (!packet || av_new_packet(packet, int(length)) < 0) {
                av_packet_free(&packet);
                break;
            }
            std::memcpy(packet->data, data + pos, length);
            pos += length;
            packet->pts = packet->dts = REFERENCE_TIME(index) * 400000;
            CMediaSample sample = CMediaSample::FromPacket(packet);
            sample.start = packet->pts;
            sample.discontinuity = index == 0;
            going = source->Pin()->Deliver(sample) == FlowStatus::Ok;
        }
        if (going)
            source->Pin()->DeliverEndOfStream();
    }
    source->Stop();
    decoder->Stop();
    sink->Stop();
    // Connections hold references both ways: break them so everything is freed.
    for (IPin* pin : { static_cast<IPin*>(source->Pin()), in.Get(), out.Get(), static_cast<IPin*>(sink->Pin()) })
        pin->Disconnect();
    return 0;
}
