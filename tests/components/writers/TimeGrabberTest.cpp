// The Time Grabber between a source and a target: samples pass unchanged and uncopied, and it
// tells the start of the last one.

#include "tests/components/Fixtures.h"
#include "tests/components/writers/TestPacketSource.h"
#include "tests/components/writers/WriterTestGraph.h"

#include "platform/graph/CBaseInputPin.h"
#include "platform/graph/CBaseOutputPin.h"

using namespace vidlume;
using namespace vidlume::test;

namespace {

// A renderer that keeps every sample it is given.
class CKeepingSink final : public CBaseFilter {
public:
    CKeepingSink() : CBaseFilter(MakeGuid("7E570000-0000-4000-8000-000000000002")) { AddPin(std::make_unique<CIn>(this)); }
    std::vector<CMediaSample> received;

private:
    class CIn final : public CBaseInputPin {
    public:
        explicit CIn(CKeepingSink* sink) : CBaseInputPin(sink, "In"), m_sink(sink) { }

    protected:
        HRESULT CheckMediaType(const CMediaType&) override { return S_OK; }
        FlowStatus OnReceive(const CMediaSample& sample) override
        {
            m_sink->received.push_back(sample);
            return FlowStatus::Ok;
        }

    private:
        CKeepingSink* m_sink;
    };
};

// An output that offers several types, best first, as a converter does; it never streams.
class COfferingFilter final : public CBaseFilter {
public:
    explicit COfferingFilter(std::vector<CMediaType> types) : CBaseFilter(MakeGuid("7E570000-0000-4000-8000-000000000003"))
    {
        AddPin(std::make_unique<COut>(this, std::move(types)));
    }

private:
    class COut final : public CBaseOutputPin {
    public:
        COut(CBaseFilter* filter, std::vector<CMediaType> types) : CBaseOutputPin(filter, "Out"), m_types(std::move(types)) { }

    protected:
        HRESULT CheckMediaType(const CMediaType& type) override
        {
            for (const CMediaType& t : m_types)
                if (t == type)
                    return S_OK;
            return S_FALSE;
        }
        HRESULT GetMediaType(int index, CMediaType* type) override
        {
            if (index < 0 || size_t(index) >= m_types.size())
                return S_FALSE;
            *type = m_types[size_t(index)];
            return S_OK;
        }

    private:
        std::vector<CMediaType> m_types;
    };
};

std::vector<ComPtr<IPin>> PinsInOrder(IBaseFilter* filter)
{
    std::vector<ComPtr<IPin>> pins;
    ComPtr<IEnumPins> e;
    filter->EnumPins(e.ReleaseAndGetAddressOf());
    IPin* raw = nullptr;
    while (e->Next(1, &raw, nullptr) == S_OK) {
        pins.emplace_back();
        pins.back().Attach(raw);
    }
    return pins;
}

} // namespace

TEST(TimeGrabberTest, PassesSamplesOnAndTellsTheLastTime)
{
    struct Case {
        const char* name;
        bool video; // else sound to the Wave writer
        bool keep;  // a keeping sink instead of the real target
    };
    const Case cases[] = {
        { "video into the null video sink", true, false },
        { "video kept as it arrives", true, true },
        { "sound into the Wave writer", false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<CTestPacketSource> source = c.video ? CTestPacketSource::FromFile(FixturePath("h264_aac.mp4"))
                                                   : CTestPacketSource::FromAudio({ AV_SAMPLE_FMT_S16, 44100, 2 }, 1.0);
        ASSERT_TRUE(source);
        const std::string pinName = c.video ? "Video" : "Audio";
        ComPtr<IBaseFilter> grabber = CreateFilter(CLSID_TimeGrabber);
        ComPtr<ITimeGrabber> time;
        ASSERT_EQ(grabber.As(&time), S_OK);
        ComPtr<CKeepingSink> keeping(c.keep ? new CKeepingSink() : nullptr);
        ComPtr<IBaseFilter> target = keeping ? ComPtr<IBaseFilter>(keeping.Get()) : CreateFilter(c.video ? CLSID_NullVideoSink : CLSID_WaveWriter);
        if (!c.video) {
            ComPtr<IFileSinkFilter> sink;
            ASSERT_EQ(target.As(&sink), S_OK);
            ASSERT_EQ(sink->SetFileName(ScratchFolder() + "/out.wav", nullptr), S_OK);
        }

        // Exactly two pins, the input first, as the task connects them.
        std::vector<ComPtr<IPin>> pins = PinsInOrder(grabber.Get());
        ASSERT_EQ(pins.size(), 2u);
        PIN_DIRECTION first, second;
        pins[0]->QueryDirection(&first);
        pins[1]->QueryDirection(&second);
        EXPECT_EQ(first, PINDIR_INPUT);
        EXPECT_EQ(second, PINDIR_OUTPUT);

        REFERENCE_TIME last = -1;
        EXPECT_EQ(time->GetLastSampleTime(&last), S_OK);
        EXPECT_EQ(last, 0);

        CTestGraph graph;
        graph.Add(source.Get());
        graph.Add(grabber.Get());
        graph.Add(target.Get());
        ASSERT_EQ(graph.Connect(source->Pin(pinName), pins[0].Get()), S_OK);
        ASSERT_EQ(graph.Connect(pins[1].Get(), PinOf(target.Get(), "In").Get()), S_OK);
        CMediaType in, out;
        pins[0]->ConnectionMediaType(&in);
        pins[1]->ConnectionMediaType(&out);
        EXPECT_TRUE(in == out) << "the output type is the input type";

        RunResult run = graph.RunToEnd();
        ASSERT_EQ(run.run, S_OK);
        ASSERT_EQ(run.event, EC_COMPLETE) << HResultToString(run.error);
        const std::vector<CMediaSample> sent = source->SamplesOn(pinName);
        ASSERT_EQ(time->GetLastSampleTime(&last), S_OK);
        EXPECT_EQ(last, sent.back().start);
        EXPECT_EQ(last, source->LastStart(pinName));

        if (keeping) {
            ASSERT_EQ(keeping->received.size(), sent.size());
            for (size_t i = 0; i < sent.size(); ++i)
                ASSERT_EQ(keeping->received[i].Packet(), sent[i].Packet()) << "sample " << i << " was not passed on as it came";
        }
    }
}

TEST(TimeGrabberTest, FitsBetweenAConverterAndAPickyTarget)
{
    // The converter offers six channels first and a stereo downmix second; the MP3 writer takes
    // only the downmix. The grabber is connected to the converter first, as the task does it.
    const CMediaType six = MediaTypeFromAudioFormat({ AV_SAMPLE_FMT_S16, 44100, 6 });
    const CMediaType stereo = MediaTypeFromAudioFormat({ AV_SAMPLE_FMT_S16, 44100, 2 });
    ComPtr<IBaseFilter> converter(new COfferingFilter({ six, stereo }));
    ComPtr<IBaseFilter> grabber = CreateFilter(CLSID_TimeGrabber);
    ComPtr<IBaseFilter> writer = CreateFilter(CLSID_MP3Writer);
    CTestGraph graph;
    graph.Add(converter.Get());
    graph.Add(grabber.Get());
    graph.Add(writer.Get());
    std::vector<ComPtr<IPin>> pins = PinsInOrder(grabber.Get());
    ASSERT_EQ(pins.size(), 2u);
    ASSERT_EQ(graph.Connect(PinOf(converter.Get(), "Out").Get(), pins[0].Get()), S_OK);
    CMediaType type;
    pins[0]->ConnectionMediaType(&type);
    EXPECT_TRUE(type == six);

    ASSERT_EQ(graph.Connect(pins[1].Get(), PinOf(writer.Get(), "In").Get()), S_OK);
    pins[0]->ConnectionMediaType(&type);
    EXPECT_TRUE(type == stereo) << "the input took the type the target accepts";
    pins[1]->ConnectionMediaType(&type);
    EXPECT_TRUE(type == stereo);

    // With nothing the target accepts, the insertion fails and the input stays as it was.
    ComPtr<IBaseFilter> other = CreateFilter(CLSID_TimeGrabber);
    ComPtr<IBaseFilter> sink = CreateFilter(CLSID_NullVideoSink);
    ComPtr<IBaseFilter> sixOnly(new COfferingFilter({ six }));
    graph.Add(other.Get());
    graph.Add(sink.Get());
    graph.Add(sixOnly.Get());
    std::vector<ComPtr<IPin>> otherPins = PinsInOrder(other.Get());
    ASSERT_EQ(graph.Connect(PinOf(sixOnly.Get(), "Out").Get(), otherPins[0].Get()), S_OK);
    EXPECT_TRUE(FAILED(graph.Connect(otherPins[1].Get(), PinOf(sink.Get(), "In").Get())));
    otherPins[0]->ConnectionMediaType(&type);
    EXPECT_TRUE(type == six);
}
