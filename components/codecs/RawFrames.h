#pragma once
// Decoded media that arrives as packets: a parser may hand uncompressed audio (PCM in a Wave
// file) or video (I420 in an AVI) on as the container's packets, already in a raw media type. The
// converters take those as frames through these functions.

#include "components/ffmpeg/CodecMediaTypes.h"
#include "platform/graph/FilterAuthoring.h"

namespace vidlume {

// The sample's frame, or a frame over the packet's bytes in the connection's format (sharing the
// packet's buffer when it has one). Null when the sample holds neither or the bytes do not fit
// the format.
AVFramePtr AudioFrameFromSample(const CMediaSample& sample, const AudioFormat& format);
AVFramePtr VideoFrameFromSample(const CMediaSample& sample, const VideoFormat& format);

} // namespace vidlume
