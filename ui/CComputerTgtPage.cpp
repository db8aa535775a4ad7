#include "CComputerTgtPage.h"

#include "platform/shell/CShell.h"

#include <QDir>

namespace vidlume {

CComputerTgtPage::CComputerTgtPage(CBaseDevice* device) : CDevicePage(device), m_folder(CShell::GetVideosFolder())
{
    QDir().mkpath(m_folder);
}

} // namespace vidlume
