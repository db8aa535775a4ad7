#include "CAsyncReaderPin.h"

#include "CByteStreamSource.h"

namespace vidlume {

CAsyncReaderPin::CAsyncReaderPin(CByteStreamSource* filter)
    : CBasePin(filter, PINDIR_OUTPUT, "Output")
    , m_source(filter)
{
}

HRESULT CAsyncReaderPin::QueryPinInterface(REFIID iid, void** ppv)
{
    if (iid == IAsyncReader::kIid)
        return GetInterface<IAsyncReader>(this, ppv);
    return CBasePin::QueryPinInterface(iid, ppv);
}

HRESULT CAsyncReaderPin::CheckMediaType(const CMediaType& type)
{
    if (type.majortype != MEDIATYPE_Stream)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return m_source->Reader() ? S_OK : VFW_E_WRONG_STATE; // nothing loaded yet
}

HRESULT CAsyncReaderPin::GetMediaType(int index, CMediaType* type)
{
    if (!type)
        return E_POINTER;
    if (index != 0)
        return S_FALSE;
    *type = CMediaType(MEDIATYPE_Stream, MEDIASUBTYPE_NULL);
    return S_OK;
}

HRESULT CAsyncReaderPin::SyncRead(int64_t position, int32_t length, uint8_t* buffer, int32_t* read)
{
    auto reader = m_source->Reader();
    if (!reader) {
        if (read)
            *read = 0;
        return VFW_E_WRONG_STATE;
    }
    return reader->Read(position, length, buffer, read);
}

HRESULT CAsyncReaderPin::Length(int64_t* total, int64_t* available)
{
    auto reader = m_source->Reader();
    return reader ? reader->Length(total, available) : VFW_E_WRONG_STATE;
}

HRESULT CAsyncReaderPin::BeginFlush()
{
    if (auto reader = m_source->Reader())
        reader->BeginFlush();
    return S_OK;
}

HRESULT CAsyncReaderPin::EndFlush()
{
    if (auto reader = m_source->Reader())
        reader->EndFlush();
    return S_OK;
}

} // namespace vidlume
