#pragma once
// An encoder in a real graph, between the test source and the test sink, put together the way the
// MPEG-4 format handler does it: the encoder is created by CLSID and added first (a video encoder
// is told MEDIATYPE_Video / GUID_NULL through IMediaTypeConfig), the source is connected to its
// "In" with intelligent connect, the caller configures it through IModuleConfig, then "Out" is
// connected straight to the sink.

#include "TestSinkFilter.h"
#include "TestSourceFilter.h"

#include "platform/com/ComPtr.h"

#include <gtest/gtest.h>

namespace vidlume::test {

class CTestEncoderGraph {
public:
    CTestEncoderGraph(const CLSID& encoder, const CMediaType& input, int count, CTestSourceFilter::Generator generate);

    // The graph and the encoders in the class registry (done by the constructor too).
    static void RegisterClasses();

    // Null when the encoder could not be created or lacks the interface.
    IModuleConfig* Config() const { return m_config.Get(); }
    HRESULT ConnectInput();
    HRESULT ConnectOutput();
    CMediaType OutputType() const;
    // Runs without a clock until the graph completes or aborts, then stops it. *completion gets
    // the event that ended the run.
    HRESULT Run(long* completion);
    std::vector<CTestSinkFilter::Received>& Samples() { return m_sink->Samples(); }

    // Builds everything, configures through `configure` between the two connections, runs.
    // Any failing step fails the calling test.
    template <class Configure>
    void Encode(Configure&& configure)
    {
        ASSERT_NE(Config(), nullptr);
        ASSERT_EQ(ConnectInput(), S_OK);
        configure(Config());
        ASSERT_EQ(ConnectOutput(), S_OK);
        long completion = 0;
        ASSERT_EQ(Run(&completion), S_OK);
        ASSERT_EQ(completion, EC_COMPLETE);
    }

private:
    ComPtr<IGraphBuilder> m_graph;
    ComPtr<IBaseFilter> m_encoder;
    ComPtr<IModuleConfig> m_config;
    ComPtr<CTestSourceFilter> m_source;
    ComPtr<CTestSinkFilter> m_sink;
};

} // namespace vidlume::test
