#pragma once
// A Windows Media profile as CWMProfileManager read it: the profile's name and the streams in
// the order of its text. Immutable once made, so it is safe to read from any thread.

#include "platform/com/CComObject.h"
#include "platform/graph/WindowsMediaInterfaces.h"

#include <vector>

namespace vidlume {

class CWMProfile final : public CComObject<IWMProfile> {
public:
    CWMProfile(uint32_t version, std::string name, std::string description, std::vector<WM_STREAM_CONFIG> streams);

    HRESULT GetVersion(uint32_t* version) override;
    HRESULT GetName(std::string* name) override;
    HRESULT GetDescription(std::string* description) override;
    HRESULT GetStreamCount(uint32_t* count) override;
    HRESULT GetStream(uint32_t index, WM_STREAM_CONFIG* stream) override;

private:
    const uint32_t m_version;
    const std::string m_name;
    const std::string m_description;
    const std::vector<WM_STREAM_CONFIG> m_streams;
};

} // namespace vidlume
