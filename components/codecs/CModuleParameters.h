#pragma once
// The parameter store behind a component's IModuleConfig: a fixed set of parameters, each with a
// kind and a default, values set first as pending and made current by Commit. Thread-safe, so a
// streaming thread may read the committed values while the owner of the graph sets new ones.

#include "platform/graph/GraphInterfaces.h"

#include <functional>
#include <mutex>
#include <vector>

namespace vidlume {

class CModuleParameters {
public:
    struct Definition {
        Guid id;
        // VT_UI4 parameters take VT_UI4 and VT_I4 values (the same 32 bits); VT_R8 parameters take
        // VT_R8 and either integer kind.
        VARTYPE kind = VT_UI4;
        VARIANT defaultValue;
        // Optional: false refuses a value (E_INVALIDARG). Called with the value in the
        // parameter's own kind.
        std::function<bool(const VARIANT&)> accepts = {};
    };

    explicit CModuleParameters(std::vector<Definition> definitions);

    // Pending until Commit. E_INVALIDARG for an unknown parameter, a wrong kind or a refused value.
    HRESULT Set(const Guid& id, const VARIANT& value);
    // The committed value; E_INVALIDARG for an unknown parameter, E_POINTER for a null value.
    HRESULT Get(const Guid& id, VARIANT* value) const;
    HRESULT IsSupported(const Guid& id) const { return Find(id) ? S_OK : E_INVALIDARG; }
    // Every pending value back to its default.
    void SetDefaults();
    // What Commit would make current, for a component that must check it against its state first.
    std::vector<VARIANT> Pending() const;
    void Commit();

    // The committed value of a parameter that exists (the default for an unknown one).
    uint32_t CommittedUInt(const Guid& id) const;
    int32_t CommittedInt(const Guid& id) const { return int32_t(CommittedUInt(id)); }
    double CommittedDouble(const Guid& id) const;
    // The index of a parameter in the definitions, or -1.
    int IndexOf(const Guid& id) const;

private:
    const Definition* Find(const Guid& id) const;

    std::vector<Definition> m_definitions;
    mutable std::mutex m_lock;
    std::vector<VARIANT> m_pending;
    std::vector<VARIANT> m_committed;
};

} // namespace vidlume
