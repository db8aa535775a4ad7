#pragma once
// The base of every component interface: reference counting and asking an object for another
// of its interfaces by IID. Interfaces are abstract structs that derive from IUnknown (or from
// another interface, named as their Base) and carry their identifier as kIid.

#include "Guid.h"
#include "HResult.h"

namespace vidlume {

struct IUnknown {
    static constexpr IID kIid = MakeGuid("00000000-0000-0000-C000-000000000046");

    // On success *ppv holds the interface with one reference that the caller owns; on failure
    // *ppv is null. E_POINTER when ppv is null, E_NOINTERFACE when the object lacks it.
    virtual HRESULT QueryInterface(REFIID iid, void** ppv) = 0;
    // Thread-safe. Return the new count (for diagnostics only).
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

} // namespace vidlume
