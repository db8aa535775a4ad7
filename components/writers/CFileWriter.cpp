#include "CFileWriter.h"

#include "platform/graph/CBaseInputPin.h"

extern "C" {
#include <libavcodec/packet.h>
}

#include <algorithm>

namespace vidlume {

class CFileWriter::CInput final : public CBaseInputPin, public IFileStream {
public:
    CInput(CFileWriter* filter, CExclusiveFile& file) : CBaseInputPin(filter, "in"), m_file(file) { }

    VIDLUME_UNKNOWN_VIA(CBaseInputPin)

    // IFileStream
    HRESULT Write(int64_t position, const uint8_t* data, int32_t length) override
    {
        if (length < 0)
            return E_INVALIDARG;
        return m_file.Write(position, data, size_t(length));
    }
    HRESULT Read(int64_t position, uint8_t* buffer, int32_t length, int32_t* read) override
    {
        if (!read)
            return E_POINTER;
        *read = 0;
        if (length < 0)
            return E_INVALIDARG;
        size_t got = 0;
        HRESULT hr = m_file.Read(position, buffer, size_t(length), &got);
        *read = int32_t(got);
        return hr;
    }
    HRESULT GetSize(int64_t* size) override { return m_file.GetSize(size); }

    void ResetAppendPosition() { m_appendPosition = 0; }

protected:
    HRESULT CheckMediaType(const CMediaType& type) override { return type.majortype == MEDIATYPE_Stream ? S_OK : S_FALSE; }

    HRESULT QueryPinInterface(REFIID iid, void** ppv) override
    {
        if (iid == IFileStream::kIid)
            return GetInterface<IFileStream>(this, ppv);
        return CBaseInputPin::QueryPinInterface(iid, ppv);
    }

    FlowStatus OnReceive(const CMediaSample& sample) override
    {
        const AVPacket* packet = sample.Packet();
        if (!packet) {
            Filter()->ReportError(VFW_E_TYPE_NOT_ACCEPTED);
            return FlowStatus::NotNegotiated;
        }
        HRESULT hr = m_file.Write(m_appendPosition, packet->data, size_t(std::max(packet->size, 0)));
        if (FAILED(hr)) {
            if (IsFlushing())
                return FlowStatus::Flushing;
            Filter()->ReportError(hr);
            return FlowStatus::Error;
        }
        m_appendPosition += std::max(packet->size, 0);
        return FlowStatus::Ok;
    }

private:
    CExclusiveFile& m_file;
    int64_t m_appendPosition = 0; // only the streaming thread appends
};

CFileWriter::CFileWriter() : CBaseFileSink(CLSID_FileWriter)
{
    AddPin(std::make_unique<CInput>(this, m_file));
}

HRESULT CFileWriter::OnStart()
{
    static_cast<CInput*>(GetPin(0))->ResetAppendPosition();
    return CreateOutputFile(m_file);
}

void CFileWriter::OnStop()
{
    m_file.Close();
}

} // namespace vidlume
