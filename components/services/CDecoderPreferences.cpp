#include "CDecoderPreferences.h"

#include <map>
#include <mutex>

namespace vidlume {

namespace {
    struct PreferenceTable {
        std::mutex lock;
        std::map<Guid, CLSID> decoders;
    };

    PreferenceTable& Table()
    {
        static PreferenceTable table;
        return table;
    }
} // namespace

HRESULT CDecoderPreferences::ClearPreferences()
{
    PreferenceTable& t = Table();
    std::lock_guard lock(t.lock);
    t.decoders.clear();
    return S_OK;
}

HRESULT CDecoderPreferences::GetPreferredDecoder(const Guid& subtype, CLSID* decoder)
{
    if (!decoder)
        return E_POINTER;
    PreferenceTable& t = Table();
    std::lock_guard lock(t.lock);
    auto it = t.decoders.find(subtype);
    *decoder = it == t.decoders.end() ? GUID_NULL : it->second;
    return it == t.decoders.end() ? S_FALSE : S_OK;
}

HRESULT CDecoderPreferences::SetPreferredDecoder(const Guid& subtype, const CLSID& decoder)
{
    if (subtype == GUID_NULL)
        return E_INVALIDARG;
    PreferenceTable& t = Table();
    std::lock_guard lock(t.lock);
    if (decoder == GUID_NULL)
        t.decoders.erase(subtype);
    else
        t.decoders[subtype] = decoder;
    return S_OK;
}

} // namespace vidlume
