#pragma once
// Opening a libavcodec decoder for a compressed media type: the one way both decoders (and
// their connection checks) do it, so a type that connects is a type that opens.

#include "components/ffmpeg/CodecMediaTypes.h"

namespace vidlume {

// Opens a decoder for the type with packet timestamps in reference time. threads: frame and
// slice threads as the machine allows (for streaming), else one thread (for probing a type at
// connection time). VFW_E_TYPE_NOT_ACCEPTED when libavcodec has no decoder for it; the codec's
// own error when it cannot be opened. *codec is empty on failure.
HRESULT OpenDecoder(const CMediaType& type, bool threads, AVCodecContextPtr* codec);

} // namespace vidlume
