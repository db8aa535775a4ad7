#pragma once
// The video half of the Windows Media writer: takes the decoded pictures of its input pin, in
// any raw format CodecMediaTypes describes, converts each with swscale to 4:2:0 at the profile's
// picture size (stretched to fill it; a profile size of 0 x 0 keeps the source's size; odd sides
// are rounded down to even, as the codec needs), makes the frame rate constant at the profile's
// rate, and encodes with libavcodec's Windows Media Video 7 or 8 encoder.
//
// Constant rate: every output frame n stands for the time n x frame duration. A picture fills
// the slot its start time rounds to; slots it skips over repeat the picture before it, a picture
// that comes too late for a slot of its own is dropped (but repeated if a later gap needs it), and
// at the end the last picture is repeated until its stop time. Pictures without a start time
// take the next slot. The frame duration is the profile's, else the source's, else 1/30 s.
//
// Quality: a quality-based (VBR) stream encodes at a constant quantiser
//   q = 31 - round(vbrquality x 29 / 100),
// so 100 gives the finest quantiser 2, 0 the coarsest 31 and the template's 97 gives 3 - with
// this codec a constant quantiser is what a quality target means. A stream with VBR off gets
// the codec's average-bit-rate control at the profile's bit rate. Key frames follow the profile's
// largest key-frame distance (10 s when it gives none). The buffer windows, the peak bit rate
// and the smoothness setting ("quality" of the video properties) have no counterpart in this
// encoder and are not used.
//
// Not thread-safe: the writer calls it under its own lock.

#include "components/ffmpeg/CodecMediaTypes.h"
#include "platform/graph/FilterAuthoring.h"
#include "platform/graph/WindowsMediaInterfaces.h"

#include <functional>
#include <memory>

namespace vidlume {

class CLavcWmvStream {
public:
    // Takes one encoded packet (timestamps in the codec's time base); the callee may take the
    // packet's contents. A failure stops the stream.
    using PacketSink = std::function<HRESULT(AVPacket*)>;

    // Opens the encoder for the profile's stream and the connected input's format. E_INVALIDARG
    // for a stream that is not Windows Media Video; the encoder's own failure otherwise.
    static HRESULT Create(const WM_STREAM_CONFIG& config, const VideoFormat& input, std::unique_ptr<CLavcWmvStream>* stream);

    const AVCodecContext* Codec() const { return m_codec.get(); }

    // One input sample: a decoded frame, or a packet holding one raw picture in the input format.
    HRESULT Write(const CMediaSample& sample, const PacketSink& sink);
    // End of the input: repeats the last picture up to its stop time and drains the encoder.
    HRESULT Finish(const PacketSink& sink);

private:
    CLavcWmvStream() = default;

    HRESULT Hold(const CMediaSample& sample);
    HRESULT Converted(AVFrame** picture);
    HRESULT Encode(int64_t slot, const PacketSink& sink);
    HRESULT Drain(const PacketSink& sink);
    int64_t SlotOf(REFERENCE_TIME time) const;

    AVCodecContextPtr m_codec;
    SwsContextPtr m_sws;
    AVPacketPtr m_packet;
    VideoFormat m_input;
    REFERENCE_TIME m_frameDuration = 0;

    AVFramePtr m_held;          // the latest input picture (our own reference)
    AVFramePtr m_heldConverted; // the same at the output size, made when a slot needs it
    REFERENCE_TIME m_heldStop = kNoTime;
    int64_t m_nextSlot = 0;
};

} // namespace vidlume
