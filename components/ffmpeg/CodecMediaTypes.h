#pragma once
// How FFmpeg's streams and frames are described as media types, in both directions. Every
// component that sits between the graph and FFmpeg describes its pins through these functions,
// so a parser's output type is exactly what a decoder's input understands.
//
// Compressed streams: the subtype is the stream's FourCC or wave format tag where one exists
// (AVC1 for length-prefixed H.264, H264 for Annex B, the MPEG-1/2 video and AC-3 subtypes, wave
// tag 0x00FF for AAC ...), otherwise a subtype that carries FFmpeg's codec id; the format block is
// a VIDEOINFOHEADER2 or WAVEFORMATEX followed by the codec's set-up data. Subtitles: major type
// MEDIATYPE_Subtitle (DVD subpictures: MEDIASUBTYPE_DVD_SUBPICTURE), the set-up data alone as the
// format block (FORMAT_SubtitleInfo).
// Decoded video: I420, NV12, RGB32, or a subtype carrying FFmpeg's pixel format; VIDEOINFOHEADER2.
// Decoded audio: PCM or IEEE float, interleaved, in a WAVEFORMATEX.

#include "components/ffmpeg/FFmpegHolders.h"
#include "platform/graph/MediaType.h"

namespace vidlume {

// Compressed stream -> media type. frameRate may be {0, 1} when unknown. E_INVALIDARG for a
// stream that is neither video, audio nor subtitles.
HRESULT MediaTypeFromCodecParameters(const AVCodecParameters* parameters, AVRational frameRate, CMediaType* type);
// Media type -> what a decoder needs (codec id, set-up data, size, rate, channels).
// VFW_E_TYPE_NOT_ACCEPTED when the type names no codec FFmpeg knows.
HRESULT CodecParametersFromMediaType(const CMediaType& type, AVCodecParameters* parameters);
// The codec a compressed media type names, or AV_CODEC_ID_NONE.
AVCodecID CodecIdFromMediaType(const CMediaType& type);
// The subtype for a codec id (with the container's FourCC as a hint), as the parsers use it.
Guid SubtypeFromCodec(AVCodecID codec, uint32_t codecTag, bool h264LengthPrefixed);

// Decoded video.
struct VideoFormat {
    AVPixelFormat pixelFormat = AV_PIX_FMT_NONE;
    int width = 0;
    int height = 0;
    AVRational sampleAspect { 0, 1 };
    REFERENCE_TIME avgTimePerFrame = 0;
};
CMediaType MediaTypeFromVideoFormat(const VideoFormat& format);
bool VideoFormatFromMediaType(const CMediaType& type, VideoFormat* format);
bool IsRawVideo(const CMediaType& type);

// Decoded audio, always interleaved.
struct AudioFormat {
    AVSampleFormat sampleFormat = AV_SAMPLE_FMT_NONE; // a packed format
    int sampleRate = 0;
    int channels = 0;
};
CMediaType MediaTypeFromAudioFormat(const AudioFormat& format);
bool AudioFormatFromMediaType(const CMediaType& type, AudioFormat* format);
bool IsRawAudio(const CMediaType& type);

// The frame duration of a rate, in reference time; 0 when the rate is unknown.
REFERENCE_TIME FrameDurationFromRate(AVRational rate);

} // namespace vidlume
