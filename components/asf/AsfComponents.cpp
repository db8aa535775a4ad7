#include "CLavfAsfWriter.h"
#include "CWMProfileManager.h"

#include "components/ComponentGroups.h"
#include "platform/com/CClassRegistry.h"

namespace vidlume {

void RegisterAsfComponents()
{
    // Neither is found by intelligent connect: the format handler creates both by CLSID.
    auto& registry = CClassRegistry::Instance();
    registry.Register({ CLSID_WMAsfWriter, "WM ASF Writer", {}, 0, CClassRegistry::FactoryOf<CLavfAsfWriter>() });
    registry.Register({ CLSID_WMProfileManager, "Windows Media Profile Manager", {}, 0, CClassRegistry::FactoryOf<CWMProfileManager>() });
}

} // namespace vidlume
