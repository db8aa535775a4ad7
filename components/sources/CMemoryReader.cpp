#include "CMemoryReader.h"

#include <algorithm>
#include <cstring>

namespace vidlume {

HRESULT CMemoryReader::ReadAt(int64_t position, int32_t length, uint8_t* buffer, int32_t* read)
{
    const int64_t size = int64_t(m_data.size());
    const int64_t n = position >= size ? 0 : std::min<int64_t>(length, size - position);
    if (n > 0)
        std::memcpy(buffer, m_data.data() + position, size_t(n));
    *read = int32_t(n);
    return n == length ? S_OK : S_FALSE;
}

HRESULT CMemoryReader::Length(int64_t* total, int64_t* available)
{
    if (!total || !available)
        return E_POINTER;
    *total = *available = int64_t(m_data.size());
    return S_OK;
}

} // namespace vidlume
