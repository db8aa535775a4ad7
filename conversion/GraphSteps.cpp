#include "GraphSteps.h"

#include "platform/com/CClassRegistry.h"

namespace vidlume {

HRESULT CreateFilter(const CLSID& clsid, ComPtr<IBaseFilter>* filter)
{
    return CoCreateInstance(clsid, filter);
}

HRESULT FindPinById(IBaseFilter* filter, const std::string& id, ComPtr<IPin>* pin)
{
    if (!filter || !pin)
        return E_POINTER;
    return filter->FindPin(id, pin->ReleaseAndGetAddressOf());
}

HRESULT FirstPin(IBaseFilter* filter, PIN_DIRECTION direction, ComPtr<IPin>* pin)
{
    if (!filter || !pin)
        return E_POINTER;
    pin->Reset();
    ComPtr<IEnumPins> pins;
    HRESULT hr = filter->EnumPins(pins.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        return hr;
    IPin* raw = nullptr;
    while (pins->Next(1, &raw, nullptr) == S_OK) {
        ComPtr<IPin> candidate;
        candidate.Attach(raw);
        PIN_DIRECTION dir;
        if (SUCCEEDED(candidate->QueryDirection(&dir)) && dir == direction) {
            *pin = candidate;
            return S_OK;
        }
    }
    return E_FAIL;
}

HRESULT FilterOfPin(IPin* pin, ComPtr<IBaseFilter>* filter)
{
    if (!pin || !filter)
        return E_POINTER;
    PIN_INFO info;
    HRESULT hr = pin->QueryPinInfo(&info);
    if (FAILED(hr))
        return hr;
    *filter = info.pFilter;
    return *filter ? S_OK : E_FAIL;
}

std::vector<ComPtr<IBaseFilter>> FiltersOf(IGraphBuilder* graph)
{
    std::vector<ComPtr<IBaseFilter>> filters;
    ComPtr<IEnumFilters> e;
    if (!graph || FAILED(graph->EnumFilters(e.ReleaseAndGetAddressOf())))
        return filters;
    IBaseFilter* raw = nullptr;
    while (e->Next(1, &raw, nullptr) == S_OK) {
        filters.emplace_back();
        filters.back().Attach(raw);
    }
    return filters;
}

HRESULT ConfigureModule(IBaseFilter* filter, bool reset, std::initializer_list<std::pair<Guid, VARIANT>> values)
{
    if (!filter)
        return E_POINTER;
    ComPtr<IModuleConfig> config;
    if (FAILED(ComPtr<IBaseFilter>(filter).As(&config)))
        return E_FAIL;
    if (reset) {
        HRESULT hr = config->SetDefState();
        if (FAILED(hr))
            return hr;
    }
    for (const auto& [parameter, value] : values) {
        HRESULT hr = config->SetValue(parameter, value);
        if (FAILED(hr))
            return hr;
    }
    return config->CommitChanges();
}

} // namespace vidlume
