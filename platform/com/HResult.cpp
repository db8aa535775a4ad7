#include "HResult.h"

#include <cstdio>

namespace vidlume {

std::string HResultToString(HRESULT hr)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<uint32_t>(hr));
    return buf;
}

} // namespace vidlume
