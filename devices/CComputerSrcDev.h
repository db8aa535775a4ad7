#pragma once
// The files of a folder on the computer, as a source: the plain file source in every respect.

#include "devices/CSourceDevice.h"

namespace vidlume {

constexpr Guid DEVICE_ComputerSource = MakeGuid("ACDB2735-47A1-42EA-BCBC-2B144CF8B670");

class CComputerSrcDev final : public CSourceDevice {
public:
    explicit CComputerSrcDev(CQuillmoorDoc* document);
};

} // namespace vidlume
