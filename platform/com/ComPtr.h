#pragma once
// An owning pointer to a component interface: holds exactly one reference, taken when the
// pointer is stored and released when it is replaced or destroyed.

#include "IUnknown.h"

#include <cstddef>
#include <utility>

namespace vidlume {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) { }
    // Takes a new reference on p (the caller keeps its own).
    ComPtr(T* p) : m_p(p)
    {
        if (m_p)
            m_p->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.m_p) { }
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) { }
    template <class U>
        requires std::is_convertible_v<U*, T*>
    ComPtr(const ComPtr<U>& other) : ComPtr(static_cast<T*>(other.Get()))
    {
    }
    ~ComPtr() { Reset(); }

    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(m_p, other.m_p);
        return *this;
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    void Reset()
    {
        if (T* p = std::exchange(m_p, nullptr))
            p->Release();
    }
    // Adopts a reference the caller already owns (no AddRef).
    void Attach(T* p)
    {
        Reset();
        m_p = p;
    }
    // Gives up the reference to the caller (no Release).
    T* Detach() { return std::exchange(m_p, nullptr); }
    // For out-parameters of the T** kind: releases the current object first.
    T** ReleaseAndGetAddressOf()
    {
        Reset();
        return &m_p;
    }
    // Hands a new reference to an out-parameter; E_POINTER when pp is null.
    HRESULT CopyTo(T** pp) const
    {
        if (!pp)
            return E_POINTER;
        *pp = m_p;
        if (m_p)
            m_p->AddRef();
        return S_OK;
    }

    // QueryInterface for U; *out is null on failure.
    template <class U>
    HRESULT As(ComPtr<U>* out) const
    {
        if (!out)
            return E_POINTER;
        out->Reset();
        if (!m_p)
            return E_POINTER;
        void* pv = nullptr;
        HRESULT hr = m_p->QueryInterface(U::kIid, &pv);
        if (SUCCEEDED(hr))
            out->Attach(static_cast<U*>(pv));
        return hr;
    }

    friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.m_p == b.m_p; }
    friend bool operator==(const ComPtr& a, std::nullptr_t) { return a.m_p == nullptr; }

private:
    T* m_p = nullptr;
};

// Two interface pointers name the same object when their IUnknowns are equal.
bool IsSameObject(IUnknown* a, IUnknown* b);

} // namespace vidlume
