#pragma once
// A named set of encoding values of one output format: what the video and the audio become,
// and a block of options whose meaning belongs to the format handler.

#include "platform/com/Guid.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace vidlume {

struct CVideoSettings {
    CLSID codec {};        // all zero: no video encoder
    int resizeMode = 0;    // 0 none, 1 fixed size, 2 fit within
    int width = 0;         // 0 x 0: as the source
    int height = 0;
    int frameRate = 0;     // 0 as the source; frames per second x 100; -2997 = 29.97
    int bitRate = 0;       // kbit/s; 0 not set
};

struct CAudioSettings {
    CLSID codec {};        // all zero: none
    int sampleRate = 0;    // Hz; 0 as the source
    int bitRate = 0;       // kbit/s; 0 not set
};

class CTargetProfile {
public:
    // Null blocks are all zero; the option bytes are copied.
    CTargetProfile(unsigned nameId, const CVideoSettings* video, const CAudioSettings* audio, const void* options, size_t optionSize);
    virtual ~CTargetProfile() = default;

    QString m_name;
    CVideoSettings m_video;
    CAudioSettings m_audio;
    std::vector<uint8_t> m_options;
};

} // namespace vidlume
