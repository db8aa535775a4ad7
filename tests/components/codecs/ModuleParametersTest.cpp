#include "TestGraph.h"

#include "platform/com/CClassRegistry.h"

#include <gtest/gtest.h>

#include <limits>

using namespace vidlume;
using namespace vidlume::test;

// The parameters as the format handlers pass them are taken; values no component could honour,
// wrong kinds and unknown parameters are refused, and nothing refused reaches the committed value.
TEST(ModuleParametersTest, TakesSensibleValuesAndRefusesTheRest)
{
    const Guid timestampMode = MakeGuid("AF65371F-7E7D-40A4-A1BA-AAFD10090ACD");
    const Guid frameRate = MakeGuid("1959B33C-DB92-47EC-B466-6308D9FBC081");
    const Guid keepAspect = MakeGuid("A68F13F1-CC33-436A-BCBF-0A5C95EBE27F");
    const Guid width = MakeGuid("04B86B7E-C04B-448F-BFF5-2A50F1945ACD");
    const Guid rateCode = MakeGuid("7CFA24E9-81FC-41A5-928E-66B9F781B6DC");
    const Guid sampleRate = MakeGuid("1AF02EDB-7353-4A44-B4FE-106DB15EA05C");
    const Guid unknown = MakeGuid("00000000-1111-2222-3333-444444444444");
    struct Case {
        CLSID clsid;
        Guid parameter;
        VARIANT value;
        HRESULT expected;
    };
    const Case cases[] = {
        { CLSID_H264Decoder, timestampMode, VARIANT::UI4(2), S_OK },
        { CLSID_H264Decoder, timestampMode, VARIANT::UI4(3), E_INVALIDARG },
        { CLSID_H264Decoder, frameRate, VARIANT::R8(29.97), S_OK },
        { CLSID_H264Decoder, frameRate, VARIANT::R8(std::numeric_limits<double>::infinity()), E_INVALIDARG },
        { CLSID_H264Decoder, frameRate, VARIANT::R8(-25), E_INVALIDARG },
        { CLSID_H264Decoder, unknown, VARIANT::UI4(1), E_INVALIDARG },
        { CLSID_VideoResizer, keepAspect, VARIANT::UI4(1), S_OK },
        { CLSID_VideoResizer, keepAspect, VARIANT::UI4(2), E_INVALIDARG },
        { CLSID_VideoResizer, width, VARIANT::UI4(1920), S_OK },
        { CLSID_VideoResizer, width, VARIANT::UI4(100000), E_INVALIDARG },
        { CLSID_VideoResizer, width, VARIANT::R8(640), E_INVALIDARG },
        { CLSID_FrameRateConverter, rateCode, VARIANT::UI4(4294964299u), S_OK },
        { CLSID_FrameRateConverter, rateCode, VARIANT::UI4(2500), S_OK },
        { CLSID_FrameRateConverter, rateCode, VARIANT::I4(-2500), E_INVALIDARG },
        { CLSID_SampleRateConverter, sampleRate, VARIANT::UI4(44100), S_OK },
        { CLSID_SampleRateConverter, sampleRate, VARIANT::UI4(7), E_INVALIDARG },
        { CLSID_SampleRateConverter, rateCode, VARIANT::UI4(2500), E_INVALIDARG },
    };
    TestGraph g; // registers the classes
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clsid.ToString() + " " + c.parameter.ToString());
        ComPtr<IModuleConfig> config;
        ASSERT_EQ(CoCreateInstance(c.clsid, &config), S_OK);
        VARIANT before;
        const bool known = config->IsSupported(c.parameter) == S_OK;
        if (known) {
            ASSERT_EQ(config->GetValue(c.parameter, &before), S_OK);
        }
        EXPECT_EQ(config->SetValue(c.parameter, c.value), c.expected);
        EXPECT_EQ(config->CommitChanges(), S_OK);
        if (!known)
            continue;
        VARIANT after;
        ASSERT_EQ(config->GetValue(c.parameter, &after), S_OK);
        EXPECT_EQ(after.AsDouble(), c.expected == S_OK ? c.value.AsDouble() : before.AsDouble());
        // Defaults come back only with a commit.
        EXPECT_EQ(config->SetDefState(), S_OK);
        ASSERT_EQ(config->GetValue(c.parameter, &after), S_OK);
        EXPECT_EQ(after.AsDouble(), c.expected == S_OK ? c.value.AsDouble() : before.AsDouble());
        EXPECT_EQ(config->CommitChanges(), S_OK);
        ASSERT_EQ(config->GetValue(c.parameter, &after), S_OK);
        EXPECT_EQ(after.AsDouble(), before.AsDouble());
    }
}
