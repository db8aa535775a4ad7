#pragma once
// The output pin of the component tests' scripted sources: it offers exactly one media type and
// connects only with that type. The owning source delivers on it from its streaming thread.

#include "platform/graph/CBaseOutputPin.h"

#include <string>

namespace vidlume::test {

class CTestOutputPin : public CBaseOutputPin {
public:
    CTestOutputPin(CBaseFilter* filter, std::string id, CMediaType type) : CBaseOutputPin(filter, std::move(id)), m_type(std::move(type)) { }

protected:
    HRESULT CheckMediaType(const CMediaType& type) override { return type == m_type ? S_OK : S_FALSE; }
    HRESULT GetMediaType(int index, CMediaType* type) override
    {
        if (index != 0)
            return S_FALSE;
        *type = m_type;
        return S_OK;
    }

private:
    CMediaType m_type;
};

} // namespace vidlume::test
