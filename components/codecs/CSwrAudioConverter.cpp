#include "CSwrAudioConverter.h"

namespace vidlume {

CSwrAudioConverter::CSwrAudioConverter() : CSwrAudioFilter(CLSID_AudioConverter) { }

std::vector<AudioFormat> CSwrAudioConverter::OutputFormats(const AudioFormat& input)
{
    std::vector<AudioFormat> offers;
    std::vector<int> layouts { input.channels };
    if (input.channels > 2)
        layouts.push_back(2);
    for (int channels : layouts)
        for (AVSampleFormat format : { AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_FLT })
            offers.push_back({ format, input.sampleRate, channels });
    return offers;
}

} // namespace vidlume
