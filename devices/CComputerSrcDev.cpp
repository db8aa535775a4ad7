#include "CComputerSrcDev.h"

#include "ui/CComputerSrcPage.h"

namespace vidlume {

CComputerSrcDev::CComputerSrcDev(CQuillmoorDoc* document) : CSourceDevice(document)
{
    SetIdentity(197, DEVICE_ComputerSource, kSourceDevice, 312);
    m_page = std::make_unique<CComputerSrcPage>(this);
}

} // namespace vidlume
