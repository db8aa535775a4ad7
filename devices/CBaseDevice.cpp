#include "CBaseDevice.h"

#include "res/CStringTable.h"
#include "ui/CDevicePage.h"

namespace vidlume {

CBaseDevice::CBaseDevice(CQuillmoorDoc* document) : m_document(document) { }

CBaseDevice::~CBaseDevice() = default;

void CBaseDevice::SetIdentity(unsigned nameId, const Guid& id, DeviceKind kind, int picture)
{
    m_name = CStringTable::LoadString(nameId);
    m_id = id;
    m_kind = kind;
    m_picture = picture;
}

} // namespace vidlume
