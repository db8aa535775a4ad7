#pragma once
// A renderer for the encoder tests: one input pin "In" that takes any type of one major type and
// keeps every packet it receives with its sample times.

#include "components/ffmpeg/FFmpegHolders.h"
#include "platform/graph/CBaseFilter.h"

#include <mutex>
#include <vector>

namespace vidlume::test {

class CTestSinkFilter final : public CBaseFilter {
public:
    struct Received {
        AVPacketPtr packet;
        REFERENCE_TIME start, stop;
        bool syncPoint;
    };

    explicit CTestSinkFilter(const Guid& majorType);

    IPin* InputPin() const;
    // What arrived so far; read it once the graph has stopped.
    std::vector<Received>& Samples() { return m_samples; }

private:
    class CInput;
    CInput* m_input;
    std::vector<Received> m_samples;
};

} // namespace vidlume::test
