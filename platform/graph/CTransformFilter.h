#pragma once
// Base of filters with one input and one output that work on the thread delivering to them:
// decoders, encoders, converters. Transform is called for each input sample and delivers zero or
// more output samples; at the end of the stream Drain delivers what the filter still holds, then
// the end of stream passes on.
//
// The output pin offers types only once the input is connected; the concrete filter opens its
// codec in OnStart (both connections known) and frees it in OnStop.

#include "platform/graph/CBaseFilter.h"
#include "platform/graph/CBaseInputPin.h"
#include "platform/graph/CBaseOutputPin.h"

namespace vidlume {

class CTransformFilter : public CBaseFilter {
public:
    CBaseInputPin* InputPin() const { return m_input; }
    CBaseOutputPin* OutputPin() const { return m_output; }

protected:
    CTransformFilter(const CLSID& clsid, std::string inputId = "In", std::string outputId = "Out");

    virtual HRESULT CheckInputType(const CMediaType& type) = 0;
    // The output types for the connected input type, best first; S_FALSE past the last.
    virtual HRESULT GetOutputType(int index, CMediaType* type) = 0;
    // Default: the type must equal one that GetOutputType offers, compared on major type,
    // subtype and format type.
    virtual HRESULT CheckOutputType(const CMediaType& type);

    // On the streaming thread. A filter that fails calls ReportError and answers Error.
    virtual FlowStatus Transform(const CMediaSample& sample) = 0;
    virtual FlowStatus Drain() { return FlowStatus::Ok; }

    FlowStatus Deliver(const CMediaSample& sample) { return m_output->Deliver(sample); }

private:
    class CInput;
    class COutput;
    CBaseInputPin* m_input;
    CBaseOutputPin* m_output;
};

} // namespace vidlume
