#include "CByteReader.h"

namespace vidlume {

HRESULT CByteReader::Read(int64_t position, int32_t length, uint8_t* buffer, int32_t* read)
{
    if (!read || (!buffer && length > 0))
        return E_POINTER;
    *read = 0;
    if (position < 0 || length < 0)
        return E_INVALIDARG;
    if (IsFlushing())
        return VFW_E_WRONG_STATE;
    if (length == 0)
        return S_OK;
    return ReadAt(position, length, buffer, read);
}

void CByteReader::BeginFlush()
{
    m_flushing.store(true);
    Interrupt();
}

void CByteReader::EndFlush()
{
    m_flushing.store(false);
}

} // namespace vidlume
