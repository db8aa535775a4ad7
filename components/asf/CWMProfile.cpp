#include "CWMProfile.h"

namespace vidlume {

CWMProfile::CWMProfile(uint32_t version, std::string name, std::string description, std::vector<WM_STREAM_CONFIG> streams)
    : m_version(version)
    , m_name(std::move(name))
    , m_description(std::move(description))
    , m_streams(std::move(streams))
{
}

HRESULT CWMProfile::GetVersion(uint32_t* version)
{
    if (!version)
        return E_POINTER;
    *version = m_version;
    return S_OK;
}

HRESULT CWMProfile::GetName(std::string* name)
{
    if (!name)
        return E_POINTER;
    *name = m_name;
    return S_OK;
}

HRESULT CWMProfile::GetDescription(std::string* description)
{
    if (!description)
        return E_POINTER;
    *description = m_description;
    return S_OK;
}

HRESULT CWMProfile::GetStreamCount(uint32_t* count)
{
    if (!count)
        return E_POINTER;
    *count = uint32_t(m_streams.size());
    return S_OK;
}

HRESULT CWMProfile::GetStream(uint32_t index, WM_STREAM_CONFIG* stream)
{
    if (!stream)
        return E_POINTER;
    if (index >= m_streams.size())
        return E_INVALIDARG;
    *stream = m_streams[index];
    return S_OK;
}

} // namespace vidlume
