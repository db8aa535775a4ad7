#include "CTargetProfile.h"

#include "res/CStringTable.h"

namespace vidlume {

CTargetProfile::CTargetProfile(unsigned nameId, const CVideoSettings* video, const CAudioSettings* audio, const void* options, size_t optionSize)
    : m_name(CStringTable::LoadString(nameId))
    , m_video(video ? *video : CVideoSettings {})
    , m_audio(audio ? *audio : CAudioSettings {})
{
    if (options && optionSize)
        m_options.assign(static_cast<const uint8_t*>(options), static_cast<const uint8_t*>(options) + optionSize);
}

} // namespace vidlume
