#include "CByteStreamSource.h"

#include "CAsyncReaderPin.h"

namespace vidlume {

CByteStreamSource::CByteStreamSource(const CLSID& clsid, Opener open)
    : CBaseFilter(clsid)
    , m_open(std::move(open))
{
    m_output = static_cast<CAsyncReaderPin*>(AddPin(std::make_unique<CAsyncReaderPin>(this)));
}

CByteStreamSource::~CByteStreamSource() = default;

HRESULT CByteStreamSource::QueryOtherInterface(REFIID iid, void** ppv)
{
    if (iid == IFileSourceFilter::kIid)
        return GetInterface<IFileSourceFilter>(this, ppv);
    return CBaseFilter::QueryOtherInterface(iid, ppv);
}

HRESULT CByteStreamSource::Load(const std::string& path, const CMediaType*)
{
    std::lock_guard state(m_stateLock);
    if (m_output->IsConnected())
        return VFW_E_ALREADY_CONNECTED;
    std::unique_ptr<CByteReader> reader;
    HRESULT hr = m_open ? m_open(path, &reader) : E_UNEXPECTED;
    if (FAILED(hr))
        return hr;
    if (!reader)
        return E_UNEXPECTED;
    std::lock_guard lock(m_lock);
    m_reader = std::move(reader);
    m_path = path;
    return S_OK;
}

HRESULT CByteStreamSource::GetCurFile(std::string* path, CMediaType* type)
{
    if (!path)
        return E_POINTER;
    std::lock_guard lock(m_lock);
    if (!m_reader)
        return E_FAIL;
    *path = m_path;
    if (type)
        *type = CMediaType(MEDIATYPE_Stream, MEDIASUBTYPE_NULL);
    return S_OK;
}

std::shared_ptr<CByteReader> CByteStreamSource::Reader() const
{
    std::lock_guard lock(m_lock);
    return m_reader;
}

void CByteStreamSource::OnStop()
{
    if (auto reader = Reader())
        reader->Interrupt();
}

} // namespace vidlume
