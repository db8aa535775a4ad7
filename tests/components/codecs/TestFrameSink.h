#pragma once
// A test-only renderer: one input pin "In" that accepts what the test's predicate accepts and
// records every frame it receives (times, size, format, samples) plus a copy of the first.

#include "components/ffmpeg/FFmpegHolders.h"
#include "platform/graph/CBaseFilter.h"

#include <functional>
#include <vector>

namespace vidlume::test {

struct ReceivedFrame {
    REFERENCE_TIME start = 0, stop = 0;
    int format = -1;
    int width = 0, height = 0;
    int samples = 0, channels = 0, sampleRate = 0;
    int colorspace = 0;
    bool discontinuity = false;
};

class CTestFrameSink final : public CBaseFilter {
public:
    static constexpr CLSID kClsid = MakeGuid("5E1F0B3A-2C44-4E1B-9A0B-7D7A11C0DE02");
    using Predicate = std::function<bool(const CMediaType&)>;

    explicit CTestFrameSink(Predicate accepts);

    // Read after the graph has stopped.
    const std::vector<ReceivedFrame>& Frames() const { return m_frames; }
    const AVFrame* FirstFrame() const { return m_first.get(); }
    int64_t TotalSamples() const;
    CMediaType ConnectionType() const;

private:
    class CPin;
    void Record(const CMediaSample& sample);

    std::vector<ReceivedFrame> m_frames;
    AVFramePtr m_first;
};

// Predicates for the sink.
CTestFrameSink::Predicate AnyRawVideo();
CTestFrameSink::Predicate AnyRawAudio();
CTestFrameSink::Predicate VideoSubtype(const Guid& subtype);
CTestFrameSink::Predicate AudioOf(AVSampleFormat format, int channels);

} // namespace vidlume::test
