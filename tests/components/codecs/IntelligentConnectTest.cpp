#include "TestGraph.h"

#include "components/ffmpeg/CodecMediaTypes.h"
#include "tests/components/Fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vidlume;
using namespace vidlume::test;

// IGraphBuilder::Connect from a parser's compressed video pin to a receiver that takes one raw
// format finds the decoder through the registry - the specific one before the generic one - and
// the colour converter only where the decoder's own formats do not fit.
TEST(IntelligentConnectTest, FindsDecoderAndColourConverter)
{
    struct Case {
        const char* fixture;
        Guid receiverTakes;
        std::vector<CLSID> expected;
    };
    const Case cases[] = {
        { "h264_aac.mp4", MEDIASUBTYPE_I420, { CLSID_H264Decoder } },
        { "mpeg2.mpg", MEDIASUBTYPE_I420, { CLSID_MPEG2Decoder } },
        { "mpeg4_mp3.avi", MEDIASUBTYPE_I420, { CLSID_MPEG4Decoder } },
        { "wmv2.wmv", MEDIASUBTYPE_I420, { CLSID_GenericVideoDecoder } },
        { "flv1.flv", MEDIASUBTYPE_I420, { CLSID_GenericVideoDecoder } },
        { "h264_aac.mp4", MEDIASUBTYPE_NV12, { CLSID_H264Decoder, CLSID_ColourConverter } },
        { "wmv2.wmv", MEDIASUBTYPE_RGB32, { CLSID_GenericVideoDecoder, CLSID_ColourConverter } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + " to " + c.receiverTakes.ToString());
        TestGraph g;
        CTestPacketSource* source = g.AddSource(FixturePath(c.fixture));
        CTestFrameSink* sink = g.AddSink(VideoSubtype(c.receiverTakes));
        ASSERT_TRUE(source);
        ASSERT_EQ(g.Intelligent(source, "Video", sink), S_OK);
        // Source, sink and exactly the expected filters in between.
        std::vector<CLSID> added = g.Classes();
        added.erase(std::remove_if(added.begin(), added.end(), [](const CLSID& id) { return id == CTestPacketSource::kClsid || id == CTestFrameSink::kClsid; }),
            added.end());
        EXPECT_EQ(added, c.expected);
        ASSERT_EQ(g.Run(), EC_COMPLETE);
        ASSERT_EQ(sink->Frames().size(), 50u);
        VideoFormat wanted;
        ASSERT_TRUE(VideoFormatFromMediaType(sink->ConnectionType(), &wanted));
        EXPECT_EQ(sink->Frames()[0].format, wanted.pixelFormat);
    }
}
