#include "CEncoderParameters.h"

namespace vidlume {

CEncoderParameters::CEncoderParameters(std::vector<Definition> definitions)
{
    for (const Definition& d : definitions)
        m_entries.push_back({ d, d.defaultValue, d.defaultValue });
}

const CEncoderParameters::Entry* CEncoderParameters::Find(const Guid& id) const
{
    for (const Entry& e : m_entries)
        if (e.definition.id == id)
            return &e;
    return nullptr;
}

HRESULT CEncoderParameters::SetValue(const Guid& id, const VARIANT& value)
{
    int64_t v = 0;
    if (value.vt == VT_I4)
        v = value.lVal;
    else if (value.vt == VT_UI4)
        v = value.ulVal;
    else
        return E_INVALIDARG;
    std::lock_guard lock(m_lock);
    auto* entry = const_cast<Entry*>(Find(id));
    if (!entry || v < entry->definition.minimum || v > entry->definition.maximum)
        return E_INVALIDARG;
    entry->pending = static_cast<int32_t>(v);
    return S_OK;
}

HRESULT CEncoderParameters::GetValue(const Guid& id, VARIANT* value) const
{
    if (!value)
        return E_POINTER;
    std::lock_guard lock(m_lock);
    const Entry* entry = Find(id);
    if (!entry)
        return E_INVALIDARG;
    *value = VARIANT::I4(entry->committed);
    return S_OK;
}

HRESULT CEncoderParameters::IsSupported(const Guid& id) const
{
    std::lock_guard lock(m_lock);
    return Find(id) ? S_OK : S_FALSE;
}

HRESULT CEncoderParameters::SetDefState()
{
    std::lock_guard lock(m_lock);
    for (Entry& e : m_entries)
        e.pending = e.definition.defaultValue;
    return S_OK;
}

HRESULT CEncoderParameters::CommitChanges()
{
    std::lock_guard lock(m_lock);
    for (Entry& e : m_entries)
        e.committed = e.pending;
    return S_OK;
}

int32_t CEncoderParameters::Committed(const Guid& id) const
{
    std::lock_guard lock(m_lock);
    const Entry* entry = Find(id);
    return entry ? entry->committed : 0;
}

} // namespace vidlume
