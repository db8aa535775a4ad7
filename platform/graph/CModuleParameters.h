#pragma once
// The parameter store behind a component's IModuleConfig, for component authors: a fixed set of
// parameters, each with a kind and a default, values set first as pending and made current by
// Commit. Thread-safe, so a streaming thread may read the committed values while the owner of the
// graph sets new ones. What IsSupported answers for a GUID that is none of the component's is left
// to the component (Has).

#include "platform/graph/GraphInterfaces.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace vidlume {

class CModuleParameters {
public:
    struct Definition {
        Guid id;
        // VT_UI4 parameters take VT_UI4 and VT_I4 values (the same 32 bits); VT_I4 parameters take
        // VT_I4, and VT_UI4 when the value fits in 32 signed bits, within [minimum, maximum];
        // VT_R8 parameters take VT_R8 and either integer kind. GetValue answers in the kind.
        VARTYPE kind = VT_UI4;
        VARIANT defaultValue;
        // Optional: false refuses a value (E_INVALIDARG). Called with the value in the
        // parameter's own kind.
        std::function<bool(const VARIANT&)> accepts = {};
        int32_t minimum = INT32_MIN;
        int32_t maximum = INT32_MAX;

        // A VT_I4 parameter with its default and accepted range.
        static Definition Int(const Guid& id, int32_t defaultValue, int32_t minimum, int32_t maximum,
            std::function<bool(const VARIANT&)> accepts = {})
        {
            return { id, VT_I4, VARIANT::I4(defaultValue), std::move(accepts), minimum, maximum };
        }
    };

    explicit CModuleParameters(std::vector<Definition> definitions);

    // Pending until Commit. E_INVALIDARG for an unknown parameter, a wrong kind or a refused value
    // (the pending value then stays as it was).
    HRESULT Set(const Guid& id, const VARIANT& value);
    // The committed value; E_INVALIDARG for an unknown parameter, E_POINTER for a null value.
    HRESULT Get(const Guid& id, VARIANT* value) const;
    bool Has(const Guid& id) const { return IndexOf(id) >= 0; }
    // Every pending value back to its default; committed values are unchanged until Commit.
    void SetDefaults();
    // What Commit would make current, for a component that must check it against its state first;
    // in the order of the definitions.
    std::vector<VARIANT> Pending() const;
    // All committed values at once, in the order of the definitions, for a reader that needs them
    // consistent with one another.
    std::vector<VARIANT> Committed() const;
    void Commit();

    // The committed value of a parameter that exists (0 for an unknown one).
    uint32_t CommittedUInt(const Guid& id) const;
    int32_t CommittedInt(const Guid& id) const { return int32_t(CommittedUInt(id)); }
    double CommittedDouble(const Guid& id) const;
    // The index of a parameter in the definitions, or -1.
    int IndexOf(const Guid& id) const;

private:
    std::vector<Definition> m_definitions;
    mutable std::mutex m_lock;
    std::vector<VARIANT> m_pending;
    std::vector<VARIANT> m_committed;
};

} // namespace vidlume
