#include "CTargetDevice.h"

#include "res/CStringTable.h"

namespace vidlume {

QString CTargetDevice::GetVolumeName()
{
    return CStringTable::LoadString(103);
}

} // namespace vidlume
