#pragma once
// The process's table of component classes: creates a component by CLSID, and lists the
// classes of a category (decoders, parsers, converters) in merit order for graph building.
// Thread-safe; factories run without the table's lock held.

#include "ComPtr.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vidlume {

class CClassRegistry {
public:
    // Creates a new object and returns the requested interface in *ppv (one reference).
    using Factory = std::function<HRESULT(REFIID iid, void** ppv)>;

    struct ClassInfo {
        CLSID clsid;
        std::string name;
        std::vector<Guid> categories;
        uint32_t merit = 0;
        Factory create;
        // For graph building: the (major type, subtype) pairs the class takes in; GUID_NULL
        // stands for any. Empty for classes that are never found by their input.
        std::vector<std::pair<Guid, Guid>> inputTypes = {};
    };

    static CClassRegistry& Instance();

    // Adds a class, replacing an earlier registration of the same CLSID (then S_FALSE).
    // E_INVALIDARG without a factory.
    HRESULT Register(ClassInfo info);
    bool Unregister(REFCLSID clsid);

    // REGDB_E_CLASSNOTREG for an unknown CLSID; otherwise the factory's result. Exceptions
    // from a factory end here: E_OUTOFMEMORY or E_FAIL.
    HRESULT CreateInstance(REFCLSID clsid, REFIID iid, void** ppv) const;

    std::optional<ClassInfo> Find(REFCLSID clsid) const;
    // Classes registered under the category, highest merit first, then in registration order.
    std::vector<ClassInfo> EnumerateCategory(const Guid& category) const;

    // Convenience for CComObject classes that construct without arguments.
    template <class T>
    static Factory FactoryOf()
    {
        return [](REFIID iid, void** ppv) -> HRESULT {
            ComPtr<T> obj(new T());
            return obj->QueryInterface(iid, ppv);
        };
    }

private:
    mutable std::mutex m_lock;
    std::vector<ClassInfo> m_classes;
};

HRESULT CoCreateInstance(REFCLSID clsid, REFIID iid, void** ppv);

template <class I>
HRESULT CoCreateInstance(REFCLSID clsid, ComPtr<I>* out)
{
    if (!out)
        return E_POINTER;
    void* pv = nullptr;
    HRESULT hr = CoCreateInstance(clsid, I::kIid, &pv);
    out->Attach(SUCCEEDED(hr) ? static_cast<I*>(pv) : nullptr);
    return hr;
}

} // namespace vidlume
