#include "CModuleParameters.h"

namespace vidlume {

CModuleParameters::CModuleParameters(std::vector<Definition> definitions) : m_definitions(std::move(definitions))
{
    for (const Definition& d : m_definitions)
        m_pending.push_back(d.defaultValue);
    m_committed = m_pending;
}

int CModuleParameters::IndexOf(const Guid& id) const
{
    for (size_t i = 0; i < m_definitions.size(); ++i)
        if (m_definitions[i].id == id)
            return int(i);
    return -1;
}

HRESULT CModuleParameters::Set(const Guid& id, const VARIANT& value)
{
    const int index = IndexOf(id);
    if (index < 0)
        return E_INVALIDARG;
    const Definition& d = m_definitions[size_t(index)];
    VARIANT v;
    if (d.kind == VT_UI4) {
        if (value.vt != VT_UI4 && value.vt != VT_I4)
            return E_INVALIDARG;
        v = VARIANT::UI4(value.ulVal);
    } else if (d.kind == VT_I4) {
        int64_t n = 0;
        if (value.vt == VT_I4)
            n = value.lVal;
        else if (value.vt == VT_UI4)
            n = value.ulVal;
        else
            return E_INVALIDARG;
        if (n < d.minimum || n > d.maximum)
            return E_INVALIDARG;
        v = VARIANT::I4(int32_t(n));
    } else {
        if (value.vt != VT_R8 && value.vt != VT_UI4 && value.vt != VT_I4)
            return E_INVALIDARG;
        v = VARIANT::R8(value.AsDouble());
    }
    if (d.accepts && !d.accepts(v))
        return E_INVALIDARG;
    std::lock_guard lock(m_lock);
    m_pending[size_t(index)] = v;
    return S_OK;
}

HRESULT CModuleParameters::Get(const Guid& id, VARIANT* value) const
{
    if (!value)
        return E_POINTER;
    const int index = IndexOf(id);
    if (index < 0)
        return E_INVALIDARG;
    std::lock_guard lock(m_lock);
    *value = m_committed[size_t(index)];
    return S_OK;
}

void CModuleParameters::SetDefaults()
{
    std::lock_guard lock(m_lock);
    for (size_t i = 0; i < m_definitions.size(); ++i)
        m_pending[i] = m_definitions[i].defaultValue;
}

std::vector<VARIANT> CModuleParameters::Pending() const
{
    std::lock_guard lock(m_lock);
    return m_pending;
}

std::vector<VARIANT> CModuleParameters::Committed() const
{
    std::lock_guard lock(m_lock);
    return m_committed;
}

void CModuleParameters::Commit()
{
    std::lock_guard lock(m_lock);
    m_committed = m_pending;
}

uint32_t CModuleParameters::CommittedUInt(const Guid& id) const
{
    const int index = IndexOf(id);
    if (index < 0)
        return 0;
    std::lock_guard lock(m_lock);
    const VARIANT& v = m_committed[size_t(index)];
    return v.vt == VT_R8 ? uint32_t(v.dblVal) : v.ulVal;
}

double CModuleParameters::CommittedDouble(const Guid& id) const
{
    const int index = IndexOf(id);
    if (index < 0)
        return 0;
    std::lock_guard lock(m_lock);
    return m_committed[size_t(index)].AsDouble();
}

} // namespace vidlume
