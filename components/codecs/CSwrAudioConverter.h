#pragma once
// Audio converter (CLSID_AudioConverter) on swresample: what intelligent connect puts between a
// decoder and an encoder or writer that takes another raw audio format. Pins "In" (any raw
// audio) and "Out": interleaved 16-bit and float at the input's rate with the input's channels,
// then - for more than two channels - the same two mixed down to stereo (the MP3 writer takes at
// most two). No parameters.

#include "components/codecs/CSwrAudioFilter.h"

namespace vidlume {

class CSwrAudioConverter final : public CSwrAudioFilter {
public:
    CSwrAudioConverter();

protected:
    std::vector<AudioFormat> OutputFormats(const AudioFormat& input) override;
};

} // namespace vidlume
