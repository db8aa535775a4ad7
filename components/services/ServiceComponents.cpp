#include "CDecoderPreferences.h"
#include "CLavfMediaInfo.h"

#include "components/ComponentGroups.h"
#include "platform/com/CClassRegistry.h"

namespace vidlume {

void RegisterServiceComponents()
{
    // Services, not filters: created by CLSID, never found by intelligent connect.
    auto& registry = CClassRegistry::Instance();
    registry.Register({ CLSID_DecoderPreferences, "Decoder Preferences", {}, 0, CClassRegistry::FactoryOf<CDecoderPreferences>() });
    registry.Register({ CLSID_MediaInfo, "Media Information", {}, 0, CClassRegistry::FactoryOf<CLavfMediaInfo>() });
}

} // namespace vidlume
