#pragma once
// A source for the encoder tests: one output pin "Out" offering a fixed media type, and a
// streaming thread that, while the graph runs, delivers the samples a generator makes and then
// the end of the stream.

#include "platform/graph/CBaseFilter.h"

#include <functional>
#include <thread>

namespace vidlume::test {

class CTestSourceFilter final : public CBaseFilter {
public:
    // Called on the streaming thread for index 0 to count - 1.
    using Generator = std::function<CMediaSample(int index)>;

    CTestSourceFilter(CMediaType type, int count, Generator generate);
    ~CTestSourceFilter() override;

    IPin* OutputPin() const;

protected:
    HRESULT OnStart() override;
    void OnStop() override;

private:
    class COutput;
    void Stream();

    COutput* m_output;
    int m_count;
    Generator m_generate;
    std::thread m_thread;
};

} // namespace vidlume::test
