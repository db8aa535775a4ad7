#pragma once
// A reader over bytes in memory whose reads fail with a given result wherever they touch a range:
// a damaged disc, as the demultiplexer sees it through IAsyncReader.

#include "components/sources/CByteReader.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vidlume::test {

class CFailingReader final : public CByteReader {
public:
    CFailingReader(std::vector<uint8_t> data, int64_t failFrom, int64_t failTo, HRESULT failure)
        : m_data(std::move(data)), m_from(failFrom), m_to(failTo), m_failure(failure)
    {
    }

    HRESULT Length(int64_t* total, int64_t* available) override
    {
        *total = *available = int64_t(m_data.size());
        return S_OK;
    }

private:
    HRESULT ReadAt(int64_t position, int32_t length, uint8_t* buffer, int32_t* read) override
    {
        const int64_t size = int64_t(m_data.size());
        const int64_t n = position >= size ? 0 : std::min<int64_t>(length, size - position);
        if (n > 0 && position < m_to && position + n > m_from)
            return m_failure;
        if (n > 0)
            std::memcpy(buffer, m_data.data() + position, size_t(n));
        *read = int32_t(n);
        return n == length ? S_OK : S_FALSE;
    }

    const std::vector<uint8_t> m_data;
    const int64_t m_from, m_to;
    const HRESULT m_failure;
};

} // namespace vidlume::test
