#pragma once
// The decoder preference component (CLSID_DecoderPreferences): which decoder intelligent connect
// tries first for a compressed subtype. The table belongs to the process, not to the object:
// start-up fills it through one instance, and every instance the graph creates later sees it.
// Thread-safe; entries live until cleared or the process ends.

#include "platform/com/CComObject.h"
#include "platform/graph/GraphInterfaces.h"

namespace vidlume {

class CDecoderPreferences final : public CComObject<IDecoderPreferences> {
public:
    // Forgets every preference (of every instance).
    HRESULT ClearPreferences() override;
    // S_OK with the decoder; S_FALSE with GUID_NULL when the subtype has none.
    HRESULT GetPreferredDecoder(const Guid& subtype, CLSID* decoder) override;
    // Replaces an earlier preference for the subtype; GUID_NULL as decoder removes it.
    // E_INVALIDARG for GUID_NULL as subtype.
    HRESULT SetPreferredDecoder(const Guid& subtype, const CLSID& decoder) override;
};

} // namespace vidlume
