#pragma once
// The output pin of a byte source: offers MEDIATYPE_Stream (subtype GUID_NULL) and lets the
// connected parser pull bytes through IAsyncReader, which it serves from the filter's reader.
// It never pushes samples, so the peer needs no IMemInputPin.

#include "platform/graph/CBasePin.h"

namespace vidlume {

class CByteStreamSource;

class CAsyncReaderPin final : public CBasePin, public IAsyncReader {
public:
    explicit CAsyncReaderPin(CByteStreamSource* filter);

    HRESULT QueryInterface(REFIID iid, void** ppv) override { return CBasePin::QueryInterface(iid, ppv); }
    ULONG AddRef() override { return CBasePin::AddRef(); }
    ULONG Release() override { return CBasePin::Release(); }

    // IAsyncReader: thread-safe; VFW_E_WRONG_STATE before the filter was loaded.
    HRESULT SyncRead(int64_t position, int32_t length, uint8_t* buffer, int32_t* read) override;
    HRESULT Length(int64_t* total, int64_t* available) override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;

protected:
    HRESULT CheckMediaType(const CMediaType& type) override;
    HRESULT GetMediaType(int index, CMediaType* type) override;
    HRESULT QueryPinInterface(REFIID iid, void** ppv) override;

private:
    CByteStreamSource* m_source;
};

} // namespace vidlume
