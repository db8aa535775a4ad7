#pragma once
// Video decoder on libavcodec. One class behind four class identifiers, each taking its own
// family of compressed video in (pin "In") and giving decoded pictures out (pin "Out"):
//
//   CLSID_H264Decoder          H.264 (AVC1, avc1, H264, h264, X264, x264, VSSH, DAVC ...)
//   CLSID_MPEG4Decoder         MPEG-4 Part 2 (mp4v, xvid, XVID, divx, DIVX, DX50, FMP4, mp4s ...)
//   CLSID_MPEG2Decoder         MPEG-1 and MPEG-2 video
//   CLSID_GenericVideoDecoder  any other compressed video libavcodec decodes (WMV 1/2/3, FLV1,
//                              VP6, H.263, MJPEG, HEVC, ...), found by intelligent connect after
//                              the specific decoders
//
// Output: the pixel format the stream will most likely decode to (read from the stream's set-up
// data: I420 in the common case, the bit depth and chroma format of H.264 and HEVC streams that
// say otherwise), then I420; same size and aspect ratio as the input, AvgTimePerFrame of the
// input. Every picture carries the connection's sample aspect ratio. Pictures that come out of the codec in another format or size (a stream that changes
// resolution, a guess that was wrong) are converted to the agreed type, so downstream always
// gets what was negotiated. A connection fails when the codec cannot be opened for the type.
//
// Samples: compressed packets in, one frame per picture out, timestamps in reference time. The
// codec decodes with frame threads; its delayed pictures are delivered at the end of the stream.
// A packet the codec cannot decode is skipped: a damaged picture never ends a conversion. A
// discontinuity (a seek) drops the pictures still held.
//
// IModuleConfig, on all four (values take effect at the next start of the graph):
//   AF65371F-7E7D-40A4-A1BA-AAFD10090ACD  timestamp mode, VT_UI4:
//       0  as decoded: the codec's best-effort timestamps; a picture without one has none.
//       1  constant rate: the first picture's time, then one frame duration per picture,
//          whatever the stream says (for streams with broken timestamps).
//       2  fill in (default): the codec's timestamps; a picture without one, or with one that
//          does not move forward, gets the previous picture's time plus one frame duration.
//     Other values are refused.
//   1959B33C-DB92-47EC-B466-6308D9FBC081  frame rate for modes 1 and 2, VT_R8, frames per
//       second. 0 (default) takes the frame duration from the input type's AvgTimePerFrame,
//       or else from the packets. Negative, infinite or above 1000 is refused.

#include "platform/graph/CModuleParameters.h"
#include "components/codecs/CSwsPictureScaler.h"
#include "components/ffmpeg/CodecMediaTypes.h"
#include "platform/graph/CTransformFilter.h"

#include <memory>
#include <vector>

namespace vidlume {

class CLavcVideoDecoder final : public CTransformFilter, public IModuleConfig {
public:
    enum class Kind { H264, Mpeg4, Mpeg2, Generic };

    explicit CLavcVideoDecoder(Kind kind);
    ~CLavcVideoDecoder() override;

    static CLSID ClassOf(Kind kind);
    // Whether the decoder of this kind takes the codec.
    static bool Decodes(Kind kind, AVCodecID codec);

    VIDLUME_UNKNOWN_VIA(CTransformFilter)

    // IModuleConfig
    HRESULT SetValue(const Guid& parameter, const VARIANT& value) override;
    HRESULT GetValue(const Guid& parameter, VARIANT* value) override;
    HRESULT IsSupported(const Guid& parameter) override;
    HRESULT SetDefState() override;
    HRESULT CommitChanges() override;

    static constexpr Guid kTimestampMode = MakeGuid("AF65371F-7E7D-40A4-A1BA-AAFD10090ACD");
    static constexpr Guid kFrameRate = MakeGuid("1959B33C-DB92-47EC-B466-6308D9FBC081");
    enum TimestampMode : uint32_t { kAsDecoded = 0, kConstantRate = 1, kFillIn = 2 };

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
    // The formats offered for an input type, best first; empty when the type is not taken.
    std::vector<VideoFormat> OfferedFormats(const CMediaType& input);
    FlowStatus ReceiveFrames();
    FlowStatus DeliverFrame(AVFrame* frame);
    REFERENCE_TIME FrameTime(const AVFrame& frame, REFERENCE_TIME* duration);

    const Kind m_kind;
    CModuleParameters m_parameters;

    // Offers for the last input type asked about (probing opens a codec).
    CMediaType m_offeredFor;
    std::vector<VideoFormat> m_offered;

    // Streaming state, between OnStart and OnStop.
    AVCodecContextPtr m_codec;
    AVFramePtr m_frame;
    std::unique_ptr<CSwsPictureScaler> m_scaler;
    uint32_t m_mode = kFillIn;
    AVRational m_frameRate { 0, 1 };          // for constant-rate timestamps
    REFERENCE_TIME m_frameDuration = 0;       // for filling in
    REFERENCE_TIME m_first = kNoTime;
    REFERENCE_TIME m_last = kNoTime;
    int64_t m_count = 0;
    bool m_discontinuity = true;
    bool m_drained = false;
};

} // namespace vidlume
