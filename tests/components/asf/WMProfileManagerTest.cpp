// The profile manager over the program's template, and over damaged variants of it.

#include "components/ComponentGroups.h"
#include "platform/graph/GraphInterfaces.h"
#include "platform/graph/WindowsMediaInterfaces.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace vidlume;

namespace {

std::string Template()
{
    QFile file(QStringLiteral(VIDLUME_SOURCE_DIR "/res/xml/10075.xml"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll().toStdString();
}

std::string Filled(int width, int height)
{
    std::string text = Template();
    for (auto [key, value] : { std::pair { std::string("%width%"), width }, std::pair { std::string("%height%"), height } })
        for (size_t at; (at = text.find(key)) != std::string::npos;)
            text.replace(at, key.size(), std::to_string(value));
    return text;
}

// The text with the first occurrence of `from` replaced; fails the test when it is not there,
// so a case never silently tests the unchanged template.
std::string Changed(std::string text, const std::string& from, const std::string& to)
{
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

HRESULT Load(const std::string& text, ComPtr<IWMProfile>* profile)
{
    RegisterAsfComponents();
    ComPtr<IWMProfileManager> manager;
    HRESULT hr = WMCreateProfileManager(manager.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        return hr;
    return manager->LoadProfileByData(text, profile->ReleaseAndGetAddressOf());
}

TEST(WMProfileManager, ReadsTheTemplateBack)
{
    ComPtr<IWMProfile> profile;
    ASSERT_EQ(Load(Filled(640, 480), &profile), S_OK);
    std::string name;
    EXPECT_EQ(profile->GetName(&name), S_OK);
    EXPECT_EQ(name, "Custom VBR for Broadband.");
    uint32_t count = 0;
    ASSERT_EQ(profile->GetStreamCount(&count), S_OK);
    ASSERT_EQ(count, 2u);

    WM_STREAM_CONFIG audio, video;
    ASSERT_EQ(profile->GetStream(0, &audio), S_OK);
    ASSERT_EQ(profile->GetStream(1, &video), S_OK);
    EXPECT_EQ(profile->GetStream(2, &video), E_INVALIDARG);

    EXPECT_EQ(audio.streamType, MEDIATYPE_Audio);
    EXPECT_EQ(audio.streamNumber, 1);
    EXPECT_EQ(audio.connectionName, "Audio");
    EXPECT_EQ(audio.bitrate, 64040u);
    EXPECT_EQ(audio.language, "de");
    EXPECT_EQ(audio.mediaType.subtype, MEDIASUBTYPE_WMAUDIO2);
    const WAVEFORMATEX* wfx = audio.mediaType.WaveFormat();
    ASSERT_TRUE(wfx);
    EXPECT_EQ(wfx->nChannels, 2);
    EXPECT_EQ(wfx->nSamplesPerSec, 44100u);
    EXPECT_EQ(wfx->nBlockAlign, 1487);
    EXPECT_EQ(audio.mediaType.ExtraData(), (std::vector<uint8_t> { 0x00, 0x88, 0x00, 0x00, 0x0F, 0x00, 0x79, 0x2E, 0x00, 0x00 }));

    EXPECT_EQ(video.streamType, MEDIATYPE_Video);
    EXPECT_EQ(video.streamNumber, 2);
    EXPECT_TRUE(video.vbrEnabled);
    EXPECT_EQ(video.vbrQuality, 97u);
    EXPECT_EQ(video.maxKeyFrameSpacing, 100'000'000);
    EXPECT_EQ(video.mediaType.subtype, Guid::FromFourCC("WMV2"));
    const VIDEOINFOHEADER* vih = video.mediaType.VideoInfo();
    ASSERT_TRUE(vih);
    EXPECT_EQ(vih->AvgTimePerFrame, 333'333);
    EXPECT_EQ(vih->bmiHeader.biWidth, 640);
    EXPECT_EQ(vih->bmiHeader.biHeight, 480);
    EXPECT_EQ(vih->bmiHeader.biCompression, Guid::FromFourCC("WMV2").data1);
    EXPECT_EQ(vih->rcSource.right, 640);
    EXPECT_EQ(vih->rcTarget.bottom, 480);

    // 0 x 0 stands for the source's size and loads.
    ASSERT_EQ(Load(Filled(0, 0), &profile), S_OK);
}

TEST(WMProfileManager, RejectsBadProfilesWithoutKeepingAnything)
{
    const std::string good = Filled(640, 480);
    const std::string audioStream = good.substr(good.find("  <streamconfig"), good.find("<streamconfig majortype=\"{73646976") - good.find("  <streamconfig"));
    struct Case {
        const char* name;
        std::string text;
        HRESULT expected;
    };
    const Case cases[] = {
        { "empty text", "", VFW_E_INVALID_FILE_FORMAT },
        { "not XML", "Custom VBR for Broadband.", VFW_E_INVALID_FILE_FORMAT },
        { "cut in half", good.substr(0, good.size() / 2), VFW_E_INVALID_FILE_FORMAT },
        { "another root", Changed(Changed(good, "<profile ", "<profiles "), "</profile>", "</profiles>"), VFW_E_INVALID_FILE_FORMAT },
        { "no stream", "<profile version=\"524288\" name=\"x\"/>", E_INVALIDARG },
        { "placeholders left", Template(), E_INVALIDARG },
        { "width alone zero", Filled(0, 480), E_INVALIDARG },
        { "absurd width", Filled(100000, 480), E_INVALIDARG },
        { "negative height", Changed(good, "biheight=\"480\"", "biheight=\"-480\""), E_INVALIDARG },
        { "number with a unit", Changed(good, "biwidth=\"640\"", "biwidth=\"640px\""), E_INVALIDARG },
        { "number beyond its field", Changed(good, "nChannels=\"2\"", "nChannels=\"65538\""), E_INVALIDARG },
        { "no channels", Changed(good, "nChannels=\"2\"", "nChannels=\"0\""), E_INVALIDARG },
        { "six channels", Changed(good, "nChannels=\"2\"", "nChannels=\"6\""), E_INVALIDARG },
        { "no sample rate", Changed(good, "nSamplesPerSec=\"44100\"", "nSamplesPerSec=\"0\""), E_INVALIDARG },
        { "96 kHz", Changed(good, "nSamplesPerSec=\"44100\"", "nSamplesPerSec=\"96000\""), E_INVALIDARG },
        { "no audio bit rate", Changed(Changed(good, "bitrate=\"64040\"", "bitrate=\"0\""), "nAvgBytesPerSec=\"8005\"", "nAvgBytesPerSec=\"0\""), E_INVALIDARG },
        { "format tag disagrees", Changed(good, "wFormatTag=\"353\"", "wFormatTag=\"354\""), E_INVALIDARG },
        { "odd codec data", Changed(good, "codecdata=\"008800000F00792E0000\"", "codecdata=\"008\""), E_INVALIDARG },
        { "codec data not hex", Changed(good, "codecdata=\"008800000F00792E0000\"", "codecdata=\"00ZZ\""), E_INVALIDARG },
        { "video codec unknown", Changed(good, "{32564D57-0000-0010-8000-00AA00389B71}", "{34363248-0000-0010-8000-00AA00389B71}"), E_INVALIDARG },
        { "compression disagrees", Changed(good, "bicompression=\"WMV2\"", "bicompression=\"WMV1\""), E_INVALIDARG },
        { "quality over 100", Changed(good, "vbrquality=\"97\"", "vbrquality=\"101\""), E_INVALIDARG },
        { "neither quality nor bit rate", Changed(good, "vbrenabled=\"1\"", "vbrenabled=\"0\""), E_INVALIDARG },
        { "negative frame duration", Changed(good, "avgtimeperframe=\"333333\"", "avgtimeperframe=\"-1\""), E_INVALIDARG },
        { "frame duration too short", Changed(good, "avgtimeperframe=\"333333\"", "avgtimeperframe=\"5\""), E_INVALIDARG },
        { "unknown stream type", Changed(good, "{73647561-0000-0010-8000-00AA00389B71}", "{73747874-0000-0010-8000-00AA00389B71}"), E_INVALIDARG },
        { "malformed GUID", Changed(good, "{73647561-0000-0010-8000-00AA00389B71}", "{73647561-0000-0010-8000}"), E_INVALIDARG },
        { "stream number repeated", Changed(good, "streamnumber=\"1\"", "streamnumber=\"2\""), E_INVALIDARG },
        { "stream number zero", Changed(good, "streamnumber=\"1\"", "streamnumber=\"0\""), E_INVALIDARG },
        { "two audio streams", Changed(good, "</profile>", Changed(audioStream, "streamnumber=\"1\"", "streamnumber=\"3\"") + "</profile>"), E_INVALIDARG },
        { "no media type", Changed(Changed(good, "<wmmediatype subtype=\"{00000161", "<other subtype=\"{00000161"), "</wmmediatype>\n  </streamconfig>", "</other>\n  </streamconfig>"), E_INVALIDARG },
        { "no picture header", Changed(good, "<bitmapinfoheader ", "<bitmap "), E_INVALIDARG },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<IWMProfile> profile;
        EXPECT_EQ(Load(c.text, &profile), c.expected);
        EXPECT_FALSE(profile);
    }
}

} // namespace
