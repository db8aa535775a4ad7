#pragma once
// Base of every pin. A pin lives inside its filter: its reference count is the filter's, so a
// pin pointer keeps the whole filter alive.
//
// Connecting: the output pin proposes media types (its own list first, then the input's); each
// side accepts or rejects through CheckMediaType; the agreed type is then fixed until Disconnect.

#include "platform/com/ComPtr.h"
#include "platform/graph/FilterAuthoring.h"

#include <atomic>
#include <mutex>
#include <string>

namespace vidlume {

class CBaseFilter;

class CBasePin : public IPin {
public:
    CBasePin(CBaseFilter* filter, PIN_DIRECTION direction, std::string id);
    virtual ~CBasePin();

    // IUnknown, counted on the filter.
    HRESULT QueryInterface(REFIID iid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    // IPin
    HRESULT Connect(IPin* receivePin, const CMediaType* type) override;
    HRESULT ReceiveConnection(IPin* connector, const CMediaType& type) override;
    HRESULT Disconnect() override;
    HRESULT ConnectedTo(IPin** pin) override;
    HRESULT ConnectionMediaType(CMediaType* type) override;
    HRESULT QueryPinInfo(PIN_INFO* info) override;
    HRESULT QueryDirection(PIN_DIRECTION* dir) override;
    HRESULT QueryId(std::string* id) override;
    HRESULT QueryAccept(const CMediaType& type) override;
    HRESULT EnumMediaTypes(IEnumMediaTypes** types) override;

    bool IsConnected() const { return bool(m_connected); }
    IPin* ConnectedPin() const { return m_connected.Get(); } // borrowed
    const CMediaType& CurrentMediaType() const { return m_type; }
    PIN_DIRECTION Direction() const { return m_direction; }
    const std::string& Id() const { return m_id; }
    CBaseFilter* Filter() const { return m_filter; }

    // Set by the filter around Stop and seeking; a flushing pin answers Flushing at once.
    void SetFlushing(bool flushing) { m_flushing.store(flushing); }
    bool IsFlushing() const { return m_flushing.load(); }

    // For the filter's Stop: returns once no Receive/EndOfStream runs on this pin.
    virtual void WaitForIdle() { }

protected:
    // S_OK when the pin can work with the type (given what is connected elsewhere on the filter).
    virtual HRESULT CheckMediaType(const CMediaType& type) = 0;
    // The index-th type the pin offers, best first; S_FALSE past the last.
    virtual HRESULT GetMediaType(int index, CMediaType* type);
    // The type was agreed; the peer is set. A failure undoes the connection.
    virtual HRESULT CompleteConnect(IPin* peer);
    // The connection is going away.
    virtual void BreakConnect() { }
    // Further interfaces of the pin (IMemInputPin, IMediaSeeking, IAsyncReader ...).
    virtual HRESULT QueryPinInterface(REFIID iid, void** ppv);

private:
    HRESULT AttemptConnection(IPin* receivePin, const CMediaType& type);

    CBaseFilter* m_filter;
    PIN_DIRECTION m_direction;
    std::string m_id;
    ComPtr<IPin> m_connected;
    CMediaType m_type;
    std::atomic<bool> m_flushing { false };
};

} // namespace vidlume
