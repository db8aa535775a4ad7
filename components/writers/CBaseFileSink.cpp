#include "CBaseFileSink.h"

namespace vidlume {

CBaseFileSink::CBaseFileSink(const CLSID& clsid) : CBaseFilter(clsid) { }

HRESULT CBaseFileSink::QueryOtherInterface(REFIID iid, void** ppv)
{
    if (iid == IFileSinkFilter::kIid)
        return GetInterface<IFileSinkFilter>(this, ppv);
    return CBaseFilter::QueryOtherInterface(iid, ppv);
}

HRESULT CBaseFileSink::SetFileName(const std::string& path, const CMediaType*)
{
    if (path.empty())
        return E_INVALIDARG;
    if (!IsStopped())
        return VFW_E_NOT_STOPPED;
    std::lock_guard lock(m_pathLock);
    m_path = path;
    return S_OK;
}

HRESULT CBaseFileSink::GetCurFile(std::string* path, CMediaType* type)
{
    if (!path)
        return E_POINTER;
    if (type)
        *type = CMediaType();
    std::lock_guard lock(m_pathLock);
    *path = m_path;
    return S_OK;
}

HRESULT CBaseFileSink::CreateOutputFile(CExclusiveFile& file)
{
    std::string path;
    {
        std::lock_guard lock(m_pathLock);
        path = m_path;
    }
    if (path.empty())
        return E_UNEXPECTED;
    return file.Create(path);
}

} // namespace vidlume
