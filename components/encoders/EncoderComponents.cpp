// The encoders of the MPEG-4 format handlers. They are created by class identifier only, never
// found by intelligent connect, so they name no category and no input types.

#include "components/ComponentGroups.h"
#include "components/encoders/CLavcAacEncoder.h"
#include "components/encoders/CLavcMpeg4Encoder.h"
#include "components/encoders/CX264Encoder.h"
#include "platform/com/CClassRegistry.h"

namespace vidlume {

void RegisterEncoderComponents()
{
    CClassRegistry& registry = CClassRegistry::Instance();
    registry.Register({ CLSID_H264Encoder, "H.264 Encoder (x264)", {}, 0, CClassRegistry::FactoryOf<CX264Encoder>() });
    registry.Register({ CLSID_MPEG4Encoder, "MPEG-4 Part 2 Encoder (libavcodec)", {}, 0, CClassRegistry::FactoryOf<CLavcMpeg4Encoder>() });
    registry.Register({ CLSID_AACEncoder, "AAC Encoder (libavcodec)", {}, 0, CClassRegistry::FactoryOf<CLavcAacEncoder>() });
}

} // namespace vidlume
