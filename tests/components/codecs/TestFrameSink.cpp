#include "TestFrameSink.h"

#include "components/ffmpeg/CodecMediaTypes.h"
#include "platform/graph/CBaseInputPin.h"

namespace vidlume::test {

class CTestFrameSink::CPin final : public CBaseInputPin {
public:
    CPin(CTestFrameSink* sink, Predicate accepts) : CBaseInputPin(sink, "In"), m_sink(sink), m_accepts(std::move(accepts)) { }

protected:
    HRESULT CheckMediaType(const CMediaType& type) override { return m_accepts(type) ? S_OK : S_FALSE; }
    FlowStatus OnReceive(const CMediaSample& sample) override
    {
        if (!sample.Frame())
            return FlowStatus::NotNegotiated;
        m_sink->Record(sample);
        return FlowStatus::Ok;
    }

private:
    CTestFrameSink* m_sink;
    Predicate m_accepts;
};

CTestFrameSink::CTestFrameSink(Predicate accepts) : CBaseFilter(kClsid)
{
    AddPin(std::make_unique<CPin>(this, std::move(accepts)));
}

void CTestFrameSink::Record(const CMediaSample& sample)
{
    const AVFrame* f = sample.Frame();
    ReceivedFrame r;
    r.start = sample.start;
    r.stop = sample.stop;
    r.format = f->format;
    r.width = f->width;
    r.height = f->height;
    r.samples = f->nb_samples;
    r.channels = f->ch_layout.nb_channels;
    r.sampleRate = f->sample_rate;
    r.colorspace = f->colorspace;
    r.discontinuity = sample.discontinuity;
    m_frames.push_back(r);
    if (!m_first)
        m_first.reset(av_frame_clone(f));
}

int64_t CTestFrameSink::TotalSamples() const
{
    int64_t total = 0;
    for (const ReceivedFrame& f : m_frames)
        total += f.samples;
    return total;
}

CMediaType CTestFrameSink::ConnectionType() const
{
    return GetPin(0)->CurrentMediaType();
}

CTestFrameSink::Predicate AnyRawVideo()
{
    return [](const CMediaType& t) { return IsRawVideo(t); };
}

CTestFrameSink::Predicate AnyRawAudio()
{
    return [](const CMediaType& t) { return IsRawAudio(t); };
}

CTestFrameSink::Predicate VideoSubtype(const Guid& subtype)
{
    return [subtype](const CMediaType& t) { return IsRawVideo(t) && t.subtype == subtype; };
}

CTestFrameSink::Predicate AudioOf(AVSampleFormat format, int channels)
{
    return [=](const CMediaType& t) {
        AudioFormat f;
        return AudioFormatFromMediaType(t, &f) && f.sampleFormat == format && f.channels == channels;
    };
}

} // namespace vidlume::test
