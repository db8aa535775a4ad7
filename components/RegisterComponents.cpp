#include "ComponentGroups.h"

#include "platform/graph/CFilterGraph.h"

#include <mutex>

namespace vidlume {

void RegisterComponents()
{
    static std::once_flag once;
    std::call_once(once, [] {
        CFilterGraph::Register();
        RegisterSourceComponents();
        RegisterDecoderComponents();
        RegisterEncoderComponents();
        RegisterWriterComponents();
        RegisterAsfComponents();
        RegisterServiceComponents();
    });
}

} // namespace vidlume
