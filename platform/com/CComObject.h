#pragma once
// Implementation base for components: one thread-safe reference count and QueryInterface over
// the listed interfaces (and the Base chain each interface names). An object starts with no
// reference; wrap it in a ComPtr at once (MakeComObject does).
//
//   class CNullRenderer final : public CComObject<IBaseFilter, IMediaSeeking> { ... };

#include "ComPtr.h"

#include <atomic>
#include <new>
#include <type_traits>

namespace vidlume {

namespace detail {
    template <class I>
    concept HasBaseInterface = requires { typename I::Base; } && !std::is_same_v<typename I::Base, IUnknown>;

    template <class I>
    bool MatchInterface(REFIID iid, I* p, void** out)
    {
        if (iid == I::kIid) {
            *out = p;
            return true;
        }
        if constexpr (HasBaseInterface<I>)
            return MatchInterface<typename I::Base>(iid, static_cast<typename I::Base*>(p), out);
        else
            return false;
    }

    template <class First, class...>
    struct FirstOf {
        using Type = First;
    };
} // namespace detail

template <class... Interfaces>
class CComObject : public Interfaces... {
public:
    HRESULT QueryInterface(REFIID iid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        void* p = nullptr;
        if (iid == IUnknown::kIid) {
            p = static_cast<IUnknown*>(static_cast<typename detail::FirstOf<Interfaces...>::Type*>(this));
        } else {
            (detail::MatchInterface<Interfaces>(iid, static_cast<Interfaces*>(this), &p) || ...);
        }
        if (!p)
            return QueryOtherInterface(iid, ppv);
        AddRef();
        *ppv = p;
        return S_OK;
    }
    ULONG AddRef() override { return m_refs.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Release() override
    {
        ULONG left = m_refs.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    CComObject() = default;
    virtual ~CComObject() = default;
    CComObject(const CComObject&) = delete;
    CComObject& operator=(const CComObject&) = delete;

    // For interfaces served by another object (a pin, an inner helper): set *ppv with a
    // reference the caller owns and return S_OK, or leave it null and return E_NOINTERFACE.
    virtual HRESULT QueryOtherInterface(REFIID, void**) { return E_NOINTERFACE; }

private:
    std::atomic<ULONG> m_refs { 0 };
};

// Creates T and hands it out in a ComPtr (one reference); null when memory runs out.
template <class T, class... Args>
ComPtr<T> MakeComObject(Args&&... args)
{
    T* p = new (std::nothrow) T(std::forward<Args>(args)...);
    return ComPtr<T>(p);
}

} // namespace vidlume
