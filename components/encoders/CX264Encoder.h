#pragma once
// The H.264 video encoder (CLSID_H264Encoder) on libx264.
//
// Pins: "In" takes raw I420 video (4:2:0 planar, even width and height, VIDEOINFOHEADER or
// VIDEOINFOHEADER2); every other raw format is refused, so intelligent connect puts the colour
// converter in front. "Out" offers one type: MEDIASUBTYPE_AVC1 with a VIDEOINFOHEADER2 of the
// input's size, aspect ratio and AvgTimePerFrame, whose extra data is the AVC decoder
// configuration record (avcC) with the SPS and PPS; samples are length-prefixed NAL units (4-byte
// lengths), one access unit each, key frames marked as sync points; the first sample begins with
// x264's SEI naming its version and settings. The output type exists once the input is connected;
// it is built from the committed parameters.
//
// Encoder settings (what the benchmark mirrors with the ffmpeg command line): x264's "medium"
// preset, no tuning, x264's own thread count, its default keyframe interval (250), one-pass
// average bit rate - that is `ffmpeg -c:v libx264 -preset medium -b:v <rate>`, plus, for the
// devices below, `-profile:v <profile> -level <level> -maxrate <vbv rate> -bufsize <vbv size>`
// (the iPad: `-profile:v main -level 3.1 -maxrate 14000k -bufsize 14000k`), which hands x264
// the same options.
// Timestamps: frames go in with their 100 ns presentation times (x264 time base 1/10000000,
// variable frame rate), the frame rate of AvgTimePerFrame guides rate control; packets come out
// with pts, dts and duration in 100 ns. With B-frames the first dts lie before the first pts
// (they may be negative); they are passed on as they are.
//
// IModuleConfig parameters (all VT_I4; values apply from CommitChanges on, to the next output
// type built and the next start of the graph):
//   0D6239BD-E7DC-4DDB-AB8D-C21E8AFDA71C  device (default -1):
//       15 iPod:   Baseline, level 1.3, VBV 768 kbit/s / 2000 kbit. The profile for the iPod is
//                  320x240 at 600 kbit/s, which level 1.3 admits, and level 1.3 is what every
//                  video iPod plays, down to the fifth generation (Baseline up to level 1.3 at
//                  768 kbit/s); level 3.0 would leave that one out.
//       0  iPhone: Baseline, level 3.0, VBV 10000 kbit/s / 10000 kbit: the highest the first
//                  iPhone plays; the 480x360 profile fits it up to 58 frames per second.
//       2  iPad:   Main, level 3.1, VBV 14000 kbit/s / 14000 kbit (1024x768 up to 35 frames
//                  per second).
//       For these three, when the picture, its macroblock rate or the bit rate exceed the
//       device's level, the level is raised to the lowest one that admits them (the stream then
//       names its true level; the device may refuse it), and the VBV is that level's maximum.
//       The number of reference frames is kept within the level's decoded picture buffer.
//       Any other value: High profile, the level x264 derives, no VBV.
//   B1E3E1BF-6225-4351-862C-66989AEE22B4  MP4-ready stream (default 1): 1 writes what an MP4
//       file takes - MEDIASUBTYPE_AVC1 as above, headers only in the media type; 0 writes an
//       Annex B byte stream instead - MEDIASUBTYPE_H264, start codes, SPS and PPS repeated before
//       every key frame and also given (with start codes) as the type's extra data.
//   CD701824-5F65-4520-8DB0-26548212808C  rate control (default 0): 0 = average bit rate, with
//       the VBV of the device's level as above. No other mode exists (E_INVALIDARG).
//   BDD50372-38E2-4A26-BA15-482B70EE136C  bit rate in bit/s (default 1000000), at least 1000.
//
// IMediaTypeConfig::SetMediaType(major, subtype) names the input the caller will connect:
// MEDIATYPE_Video with GUID_NULL (any raw format the encoder supports) or with MEDIASUBTYPE_I420
// succeeds; any other subtype is VFW_E_TYPE_NOT_ACCEPTED, another major type E_INVALIDARG. The
// encoder takes I420 either way; the call only tells the caller early that it must convert.
//
// If parameters committed after the output was connected change the output type (headers, bit
// rate), starting the graph fails with VFW_E_TYPE_NOT_ACCEPTED: the output must be reconnected.
// At the end of the stream the delayed frames are drained before the end of stream passes on.

#include "components/encoders/EncoderParameters.h"
#include "platform/graph/CModuleParameters.h"
#include "components/ffmpeg/CodecMediaTypes.h"
#include "platform/graph/CTransformFilter.h"

#include <map>
#include <memory>
#include <optional>

extern "C" {
#include <x264.h>
}

namespace vidlume {

class CX264Encoder final : public CTransformFilter, public IModuleConfig, public IMediaTypeConfig {
public:
    CX264Encoder();
    ~CX264Encoder() override;

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
        bool mp4Ready;
        int32_t bitRate;
        friend bool operator==(const Settings&, const Settings&) = default;
    };
    struct EncoderDeleter {
        void operator()(x264_t* encoder) const { x264_encoder_close(encoder); }
    };
    using EncoderPtr = std::unique_ptr<x264_t, EncoderDeleter>;

    Settings CommittedSettings() const;
    // Opens x264 for the input format and settings and gives the output type's extra data.
    // *sei gets, for an MP4-ready stream, the SEI naming x264 and its settings, which then goes
    // at the front of the first packet (the Annex B stream carries it by itself).
    static HRESULT OpenEncoder(const VideoFormat& format, const Settings& settings, EncoderPtr* encoder, std::vector<uint8_t>* extraData,
        std::vector<uint8_t>* sei = nullptr);
    static HRESULT BuildOutputType(const VideoFormat& format, const Settings& settings, const std::vector<uint8_t>& extraData, CMediaType* type);
    FlowStatus DeliverPicture(int size, const x264_nal_t* nals, const x264_picture_t& picture);

    CModuleParameters m_parameters;

    // The output type for the input type and settings it was built for (connection time).
    struct CachedOutput {
        CMediaType input;
        Settings settings;
        CMediaType output;
    };
    std::optional<CachedOutput> m_cachedOutput;

    // Streaming state, from OnStart to OnStop.
    EncoderPtr m_encoder;
    VideoFormat m_format;
    REFERENCE_TIME m_lastPts = kNoTime;
    bool m_discontinuity = true;
    std::vector<uint8_t> m_sei; // still to be sent
    std::map<REFERENCE_TIME, REFERENCE_TIME> m_durations; // by pts, for frames inside x264
};

} // namespace vidlume
