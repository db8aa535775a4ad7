#pragma once
// The enumerators the graph hands out: a snapshot taken when the enumerator is made, walked with
// Next/Skip/Reset. Items are interface pointers (each handed out with a reference) or values.

#include "platform/com/CComObject.h"

#include <vector>

namespace vidlume {

template <class IEnum, class Item, class Stored>
class CEnumerator final : public CComObject<IEnum> {
public:
    explicit CEnumerator(std::vector<Stored> items) : m_items(std::move(items)) { }

    HRESULT Next(ULONG count, Item* out, ULONG* fetched) override
    {
        if (!out || (count > 1 && !fetched))
            return E_POINTER;
        ULONG n = 0;
        for (; n < count && m_pos < m_items.size(); ++n, ++m_pos)
            Hand(m_items[m_pos], out[n]);
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override
    {
        m_pos = std::min(m_items.size(), m_pos + count);
        return m_pos < m_items.size() ? S_OK : S_FALSE;
    }
    HRESULT Reset() override
    {
        m_pos = 0;
        return S_OK;
    }

private:
    template <class T>
    static void Hand(const ComPtr<T>& from, T*& to)
    {
        from.CopyTo(&to);
    }
    template <class T>
    static void Hand(const T& from, T& to)
    {
        to = from;
    }

    std::vector<Stored> m_items;
    size_t m_pos = 0;
};

} // namespace vidlume
