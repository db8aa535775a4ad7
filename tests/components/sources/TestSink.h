#pragma once
// A renderer for the demultiplexer tests: takes any video, audio or subtitle type on its pin
// "In", records what arrives (counts, times, flags) and ends like every renderer (EC_COMPLETE
// when its input ended). An optional hook runs on the streaming thread after each sample.

#include "platform/graph/CBaseFilter.h"

#include <functional>
#include <mutex>
#include <vector>

namespace vidlume::test {

class CTestSink final : public CBaseFilter {
public:
    struct Sample {
        REFERENCE_TIME start;
        REFERENCE_TIME stop;
        REFERENCE_TIME dts;
        int size;
        bool syncPoint;
        bool discontinuity;
        int flushesBefore; // flushes seen when it arrived
    };

    CTestSink();

    std::vector<Sample> Samples() const;
    bool Ended() const;
    int Flushes() const;
    CMediaType ConnectedType() const;
    IPin* Input() const;
    // Runs after each received sample with the number received so far.
    void SetHook(std::function<void(size_t)> hook);

private:
    class CInput;
    friend class CInput;
    CInput* m_input;
    mutable std::mutex m_lock;
    std::vector<Sample> m_samples;
    bool m_ended = false;
    int m_flushes = 0;
    std::function<void(size_t)> m_hook;
};

} // namespace vidlume::test
