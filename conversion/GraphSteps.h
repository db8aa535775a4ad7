#pragma once
// Small steps that building a conversion graph is made of, shared by the format handlers, the
// devices and the transcode task. Each returns the first failing result unchanged.

#include "platform/com/ComPtr.h"
#include "platform/graph/GraphInterfaces.h"

#include <initializer_list>
#include <string>
#include <utility>

namespace vidlume {

// Creates a filter by class identifier.
HRESULT CreateFilter(const CLSID& clsid, ComPtr<IBaseFilter>* filter);
// The pin with this identifier; VFW_E_NOT_FOUND when the filter has none.
HRESULT FindPinById(IBaseFilter* filter, const std::string& id, ComPtr<IPin>* pin);
// The first pin of a direction, whatever its types; E_FAIL when there is none.
HRESULT FirstPin(IBaseFilter* filter, PIN_DIRECTION direction, ComPtr<IPin>* pin);
// The filter a pin belongs to.
HRESULT FilterOfPin(IPin* pin, ComPtr<IBaseFilter>* filter);
// The filters of the graph, in the graph's order.
std::vector<ComPtr<IBaseFilter>> FiltersOf(IGraphBuilder* graph);

// Sets values through the module configuration interface (E_FAIL when the filter has none),
// after a reset to defaults when asked, then commits.
HRESULT ConfigureModule(IBaseFilter* filter, bool reset, std::initializer_list<std::pair<Guid, VARIANT>> values);

} // namespace vidlume
