#include "CClassRegistry.h"

#include <algorithm>
#include <new>

namespace vidlume {

bool IsSameObject(IUnknown* a, IUnknown* b)
{
    if (!a || !b)
        return a == b;
    ComPtr<IUnknown> ua, ub;
    ComPtr<IUnknown>(a).As(&ua);
    ComPtr<IUnknown>(b).As(&ub);
    return ua && ua == ub;
}

CClassRegistry& CClassRegistry::Instance()
{
    static CClassRegistry registry;
    return registry;
}

HRESULT CClassRegistry::Register(ClassInfo info)
{
    if (!info.create)
        return E_INVALIDARG;
    std::lock_guard lock(m_lock);
    for (auto& existing : m_classes) {
        if (existing.clsid == info.clsid) {
            existing = std::move(info);
            return S_FALSE;
        }
    }
    m_classes.push_back(std::move(info));
    return S_OK;
}

bool CClassRegistry::Unregister(REFCLSID clsid)
{
    std::lock_guard lock(m_lock);
    return std::erase_if(m_classes, [&](const ClassInfo& c) { return c.clsid == clsid; }) > 0;
}

std::optional<CClassRegistry::ClassInfo> CClassRegistry::Find(REFCLSID clsid) const
{
    std::lock_guard lock(m_lock);
    for (const auto& c : m_classes)
        if (c.clsid == clsid)
            return c;
    return std::nullopt;
}

HRESULT CClassRegistry::CreateInstance(REFCLSID clsid, REFIID iid, void** ppv) const
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    auto info = Find(clsid);
    if (!info)
        return REGDB_E_CLASSNOTREG;
    try {
        return info->create(iid, ppv);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

std::vector<CClassRegistry::ClassInfo> CClassRegistry::EnumerateCategory(const Guid& category) const
{
    std::vector<ClassInfo> out;
    {
        std::lock_guard lock(m_lock);
        for (const auto& c : m_classes)
            if (std::find(c.categories.begin(), c.categories.end(), category) != c.categories.end())
                out.push_back(c);
    }
    std::stable_sort(out.begin(), out.end(), [](const ClassInfo& a, const ClassInfo& b) { return a.merit > b.merit; });
    return out;
}

HRESULT CoCreateInstance(REFCLSID clsid, REFIID iid, void** ppv)
{
    return CClassRegistry::Instance().CreateInstance(clsid, iid, ppv);
}

} // namespace vidlume
