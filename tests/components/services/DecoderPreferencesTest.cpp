// The decoder preference table that start-up fills and every graph reads through its own instance.

#include "components/ComponentGroups.h"
#include "platform/com/CClassRegistry.h"
#include "platform/graph/GraphInterfaces.h"

#include <gtest/gtest.h>

using namespace vidlume;

namespace {

ComPtr<IDecoderPreferences> NewPreferences()
{
    RegisterServiceComponents();
    ComPtr<IDecoderPreferences> preferences;
    EXPECT_EQ(CoCreateInstance(CLSID_DecoderPreferences, &preferences), S_OK);
    return preferences;
}

TEST(DecoderPreferences, OneTableSharedByEveryInstance)
{
    ComPtr<IDecoderPreferences> startup = NewPreferences();
    ASSERT_TRUE(startup);
    ASSERT_EQ(startup->ClearPreferences(), S_OK);
    // As start-up sets them: several subtypes per decoder, one subtype given twice.
    const std::pair<Guid, CLSID> rows[] = {
        { MEDIASUBTYPE_MPEG2_VIDEO, CLSID_MPEG2Decoder },
        { Guid::FromFourCC("xvid"), CLSID_MPEG4Decoder },
        { Guid::FromFourCC("H264"), CLSID_H264Decoder },
        { Guid::FromFourCC("H264"), CLSID_H264Decoder },
        { MEDIASUBTYPE_AAC, CLSID_AACDecoder },
    };
    for (auto& [subtype, decoder] : rows)
        EXPECT_EQ(startup->SetPreferredDecoder(subtype, decoder), S_OK);
    startup.Reset();

    ComPtr<IDecoderPreferences> graph = NewPreferences();
    CLSID found;
    for (auto& [subtype, decoder] : rows) {
        EXPECT_EQ(graph->GetPreferredDecoder(subtype, &found), S_OK);
        EXPECT_EQ(found, decoder);
    }
    EXPECT_EQ(graph->GetPreferredDecoder(Guid::FromFourCC("avc1"), &found), S_FALSE);
    EXPECT_EQ(found, GUID_NULL);

    // A later preference replaces an earlier one; a null decoder removes it; clearing empties all.
    EXPECT_EQ(graph->SetPreferredDecoder(MEDIASUBTYPE_AAC, CLSID_GenericAudioDecoder), S_OK);
    EXPECT_EQ(NewPreferences()->GetPreferredDecoder(MEDIASUBTYPE_AAC, &found), S_OK);
    EXPECT_EQ(found, CLSID_GenericAudioDecoder);
    EXPECT_EQ(graph->SetPreferredDecoder(MEDIASUBTYPE_AAC, GUID_NULL), S_OK);
    EXPECT_EQ(graph->GetPreferredDecoder(MEDIASUBTYPE_AAC, &found), S_FALSE);
    EXPECT_EQ(NewPreferences()->ClearPreferences(), S_OK);
    EXPECT_EQ(graph->GetPreferredDecoder(MEDIASUBTYPE_MPEG2_VIDEO, &found), S_FALSE);

    EXPECT_EQ(graph->GetPreferredDecoder(MEDIASUBTYPE_AAC, nullptr), E_POINTER);
    EXPECT_EQ(graph->SetPreferredDecoder(GUID_NULL, CLSID_H264Decoder), E_INVALIDARG);
}

} // namespace
