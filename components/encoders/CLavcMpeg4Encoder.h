#pragma once
// The MPEG-4 Part 2 video encoder (CLSID_MPEG4Encoder) on libavcodec's "mpeg4".
//
// Pins: "In" takes raw I420 video (even width and height), like the H.264 encoder; other raw
// formats are refused so intelligent connect converts them first. "Out" offers one type:
// MEDIASUBTYPE_MP4V with a VIDEOINFOHEADER2 of the input's size, aspect ratio and
// AvgTimePerFrame whose extra data is the global header (visual object sequence, visual object
// and video object layer headers), which the stream then does not repeat: what an MP4 file takes.
// Samples are one video object plane each with pts, dts and duration in 100 ns (dts may lie
// before the first pts with B-frames); key frames are sync points.
//
// Settings: one-pass average bit rate held within a second's worth of bits, a keyframe at least every 250 frames, rate-distortion
// macroblock decision, four motion vectors per macroblock and AC prediction allowed, one thread
// (`ffmpeg -c:v mpeg4 -b:v <rate> -bt <rate> -g 250 -mbd rd -flags +mv4+aic`, with `-bf 0` or
// `-bf 2`, and for devices `-maxrate` and `-bufsize` of the level).
// The codec time base is the input's frame duration (libavcodec needs a denominator below 65536);
// each packet gets back the exact 100 ns times of its input frame.
//
// IModuleConfig parameters (VT_I4; values apply from CommitChanges on, to the next output type
// built and the next start of the graph):
//   0D6239BD-E7DC-4DDB-AB8D-C21E8AFDA71C  device (default -1): 15 iPod, 0 iPhone, 2 iPad give
//       a Simple Profile stream without B-frames, the level the lowest that admits the picture,
//       its macroblock rate and the bit rate, and that level's VBV (maximum rate and buffer);
//       when no level admits it, it is labelled level 6 and has no VBV. Any other value: no
//       device limits.
//   DE580597-4F6B-4458-84D2-6BE547B6A541  Simple Profile (default 0): 1 makes a Simple Profile
//       stream without B-frames, labelled with the lowest level that admits it, for players
//       that take nothing more; 0 (without a device) makes an Advanced Simple Profile stream
//       with two B-frames, which compresses better.
//   CD701824-5F65-4520-8DB0-26548212808C  rate control (default 0): 0 = average bit rate, with
//       the device level's VBV. No other mode exists (E_INVALIDARG).
//   BDD50372-38E2-4A26-BA15-482B70EE136C  bit rate in bit/s (default 1000000), at least 1000.
//
// IMediaTypeConfig::SetMediaType: as the H.264 encoder - MEDIATYPE_Video with GUID_NULL or
// MEDIASUBTYPE_I420 succeeds, another subtype is VFW_E_TYPE_NOT_ACCEPTED, another major type
// E_INVALIDARG.
//
// If parameters committed after the output was connected change the output type, starting the
// graph fails with VFW_E_TYPE_NOT_ACCEPTED. At the end of the stream the encoder is drained
// before the end of stream passes on.

#include "components/encoders/EncoderParameters.h"
#include "platform/graph/CModuleParameters.h"
#include "components/ffmpeg/CodecMediaTypes.h"
#include "platform/graph/CTransformFilter.h"

#include <map>
#include <optional>

namespace vidlume {

class CLavcMpeg4Encoder final : public CTransformFilter, public IModuleConfig, public IMediaTypeConfig {
public:
    CLavcMpeg4Encoder();
    ~CLavcMpeg4Encoder() override;

    VIDLUME_UNKNOWN_VIA(CTransformFilter)

    // IModuleConfig
    HRESULT SetValue(const Guid& parameter, const VARIANT& value) override;
    HRESULT GetValue(const Guid& parameter, VARIANT* value) override;
    HRESULT IsSupported(const Guid& parameter) override;
    HRESULT SetDefState() override;
    HRESULT CommitChanges() override;
    // IMediaTypeConfig
    HRESULT SetMediaType(const Guid& majorType, const Guid& subtype) override;

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** ppv) override;
    HRESULT CheckInputType(const CMediaType& type) override;
    HRESULT GetOutputType(int index, CMediaType* type) override;
    HRESULT OnStart() override;
    void OnStop() override;
    FlowStatus Transform(const CMediaSample& sample) override;
    FlowStatus Drain() override;

private:
    struct Settings {
        int32_t device;
        bool simpleProfile;
        int32_t bitRate;
        friend bool operator==(const Settings&, const Settings&) = default;
    };

    Settings CommittedSettings() const;
    static HRESULT OpenEncoder(const VideoFormat& format, const Settings& settings, AVCodecContextPtr* encoder);
    static HRESULT BuildOutputType(const VideoFormat& format, const AVCodecContext* encoder, CMediaType* type);
    // Sends a frame (null: the end) and delivers every packet the encoder has ready.
    FlowStatus Encode(const AVFrame* frame);

    CModuleParameters m_parameters;

    struct CachedOutput {
        CMediaType input;
        Settings settings;
        CMediaType output;
    };
    std::optional<CachedOutput> m_cachedOutput;

    // Streaming state, from OnStart to OnStop.
    struct FrameTimes {
        REFERENCE_TIME pts;
        REFERENCE_TIME duration;
    };
    AVCodecContextPtr m_encoder;
    AVPacketPtr m_packet;
    VideoFormat m_format;
    REFERENCE_TIME m_origin = kNoTime;  // the first frame's time: codec time 0
    REFERENCE_TIME m_lastPts = kNoTime; // of the last frame, 100 ns
    int64_t m_lastCodecPts = 0;
    bool m_discontinuity = true;
    std::map<int64_t, FrameTimes> m_times; // by codec pts, until the dts passed them
};

} // namespace vidlume
