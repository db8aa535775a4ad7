// The Windows Media writer fed by a synthetic source through a real graph, configured with the
// program's profile template, and its output read back as a player would.

#include "CSyntheticSource.h"

#include "components/ComponentGroups.h"
#include "platform/com/CClassRegistry.h"
#include "platform/graph/CFilterGraph.h"
#include "platform/graph/WindowsMediaInterfaces.h"
#include "tests/components/Fixtures.h"
#include "tests/components/Probe.h"

#include <gtest/gtest.h>

#include <QFile>

#include <filesystem>
#include <fstream>

using namespace vidlume;
using namespace vidlume::test;

namespace {

std::string ProfileTemplate(int width, int height)
{
    QFile file(QStringLiteral(VIDLUME_SOURCE_DIR "/res/xml/10075.xml"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QString text = QString::fromLatin1(file.readAll());
    text.replace("%width%", QString::number(width)).replace("%height%", QString::number(height));
    return text.toStdString();
}

ComPtr<IWMProfile> LoadProfile(const std::string& text)
{
    ComPtr<IWMProfileManager> manager;
    EXPECT_EQ(WMCreateProfileManager(manager.ReleaseAndGetAddressOf()), S_OK);
    ComPtr<IWMProfile> profile;
    if (manager) {
        EXPECT_EQ(manager->LoadProfileByData(text, profile.ReleaseAndGetAddressOf()), S_OK);
    }
    return profile;
}

class AsfWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CFilterGraph::Register();
        RegisterAsfComponents();
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, &m_graph), S_OK);
        ASSERT_EQ(CoCreateInstance(CLSID_WMAsfWriter, &m_writer), S_OK);
        ASSERT_EQ(m_graph->AddFilter(m_writer.Get(), ""), S_OK);
    }
    void TearDown() override
    {
        if (ComPtr<IMediaControl> control; m_graph && SUCCEEDED(m_graph.As(&control)))
            control->Stop();
    }

    // Adds the source and connects the chosen pins to the writer's inputs.
    void AddSource(SyntheticMedia media, bool connectVideo = true, bool connectAudio = true)
    {
        m_source = MakeComObject<CSyntheticSource>(std::move(media));
        ASSERT_EQ(m_graph->AddFilter(m_source.Get(), "Synthetic"), S_OK);
        if (connectVideo && m_source->VideoPin()) {
            ASSERT_EQ(m_graph->ConnectDirect(m_source->VideoPin(), WriterPin("Video Input 01").Get(), nullptr), S_OK);
        }
        if (connectAudio && m_source->AudioPin()) {
            ASSERT_EQ(m_graph->ConnectDirect(m_source->AudioPin(), WriterPin("Audio Input 01").Get(), nullptr), S_OK);
        }
    }
    ComPtr<IPin> WriterPin(const std::string& id)
    {
        ComPtr<IPin> pin;
        EXPECT_EQ(m_writer->FindPin(id, pin.ReleaseAndGetAddressOf()), S_OK);
        return pin;
    }
    HRESULT SetFileName(const std::string& path)
    {
        ComPtr<IFileSinkFilter> sink;
        EXPECT_EQ(m_writer.As(&sink), S_OK);
        return sink->SetFileName(path, nullptr);
    }
    HRESULT Configure(const std::string& profileText)
    {
        ComPtr<IWMProfile> profile = LoadProfile(profileText);
        ComPtr<IConfigAsfWriter> config;
        EXPECT_EQ(m_writer.As(&config), S_OK);
        return profile ? config->ConfigureFilterUsingProfile(profile.Get()) : E_FAIL;
    }
    HRESULT Run()
    {
        ComPtr<IMediaControl> control;
        EXPECT_EQ(m_graph.As(&control), S_OK);
        return control->Run();
    }
    long WaitForCompletion()
    {
        ComPtr<IMediaEvent> events;
        EXPECT_EQ(m_graph.As(&events), S_OK);
        long code = 0;
        EXPECT_EQ(events->WaitForCompletion(-1, &code), S_OK);
        return code;
    }

    ComPtr<IGraphBuilder> m_graph;
    ComPtr<IBaseFilter> m_writer;
    ComPtr<CSyntheticSource> m_source;
};

TEST_F(AsfWriterTest, EncodesProfileStreamsFromAnyRawInput)
{
    struct Case {
        const char* name;
        std::optional<VideoFormat> video;
        std::optional<AudioFormat> audio;
        int profileWidth, profileHeight;
        int expectWidth, expectHeight;
    };
    const Case cases[] = {
        { "I420 and 16-bit stereo at 640 x 480", VideoFormat { AV_PIX_FMT_YUV420P, 320, 240, { 1, 1 }, 400'000 },
            AudioFormat { AV_SAMPLE_FMT_S16, 44100, 2 }, 640, 480, 640, 480 },
        { "RGB32 and float mono at 48 kHz, source size", VideoFormat { AV_PIX_FMT_BGRA, 352, 288, { 1, 1 }, 400'000 },
            AudioFormat { AV_SAMPLE_FMT_FLT, 48000, 1 }, 0, 0, 352, 288 },
        { "NV12 without sound", VideoFormat { AV_PIX_FMT_NV12, 320, 240, { 1, 1 }, 333'667 }, std::nullopt, 320, 240, 320, 240 },
        { "sound without pictures", std::nullopt, AudioFormat { AV_SAMPLE_FMT_S16, 22050, 2 }, 640, 480, 0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        const std::string path = ScratchFolder() + "/out.wmv";
        ASSERT_EQ(SetFileName(path), S_OK);
        ASSERT_EQ(Configure(ProfileTemplate(c.profileWidth, c.profileHeight)), S_OK);
        AddSource({ c.video, c.audio, 2 * kUnitsPerSecond, std::nullopt });
        ASSERT_EQ(Run(), S_OK);
        EXPECT_EQ(WaitForCompletion(), EC_COMPLETE);

        ProbedFile probe = Probe(path);
        ASSERT_TRUE(probe.opened) << probe.error;
        EXPECT_EQ(probe.error, "");
        EXPECT_EQ(probe.container, "asf");
        EXPECT_NEAR(probe.duration, 2.0, 0.1);
        EXPECT_EQ(probe.streams.size(), size_t(c.video.has_value()) + size_t(c.audio.has_value()));
        if (c.video) {
            ASSERT_TRUE(probe.Video());
            EXPECT_EQ(probe.Video()->codec, "wmv2");
            EXPECT_EQ(probe.Video()->width, c.expectWidth);
            EXPECT_EQ(probe.Video()->height, c.expectHeight);
            // Constant 30 frames per second, whatever the source's rate.
            EXPECT_NEAR(probe.Video()->frames, 60, 1);
        }
        if (c.audio) {
            ASSERT_TRUE(probe.Audio());
            EXPECT_EQ(probe.Audio()->codec, "wmav2");
            EXPECT_EQ(probe.Audio()->sampleRate, 44100);
            EXPECT_EQ(probe.Audio()->channels, 2);
        }
    }
}

TEST_F(AsfWriterTest, StopBeforeTheEndLeavesAPlayableFile)
{
    const std::string path = ScratchFolder() + "/stopped.wmv";
    ASSERT_EQ(SetFileName(path), S_OK);
    ASSERT_EQ(Configure(ProfileTemplate(320, 240)), S_OK);
    SyntheticMedia media;
    media.holdAt = kUnitsPerSecond;
    AddSource(media);
    ASSERT_EQ(Run(), S_OK);
    m_source->WaitUntilHeld();
    ComPtr<IMediaControl> control;
    ASSERT_EQ(m_graph.As(&control), S_OK);
    ASSERT_EQ(control->Stop(), S_OK);

    ProbedFile probe = Probe(path);
    ASSERT_TRUE(probe.opened) << probe.error;
    EXPECT_EQ(probe.error, "");
    EXPECT_EQ(probe.streams.size(), 2u);
    EXPECT_NEAR(probe.duration, 1.0, 0.15);
}

TEST_F(AsfWriterTest, StartFailsWithoutTouchingOtherFiles)
{
    struct Case {
        const char* name;
        bool existingFile;
        bool setName;
        std::string folder; // empty: a fresh scratch folder
        bool configure;
        const char* audioOnlyProfile; // a profile without the video stream
        HRESULT expected;
    };
    const std::string audioOnly = [] {
        std::string text = ProfileTemplate(320, 240);
        const size_t video = text.find("<streamconfig majortype=\"{73646976");
        const size_t end = text.rfind("</streamconfig>");
        return text.erase(video, end + std::string("</streamconfig>").size() - video);
    }();
    const Case cases[] = {
        { "existing file", true, true, "", true, nullptr, HResultFromWin32(80) },
        { "no file name", false, false, "", true, nullptr, E_UNEXPECTED },
        { "no profile", false, true, "", false, nullptr, E_UNEXPECTED },
        { "missing folder", false, true, "/nonexistent-folder-of-vidlume", true, nullptr, HResultFromWin32(ERROR_PATH_NOT_FOUND) },
        { "video connected, profile without video", false, true, "", true, audioOnly.c_str(), VFW_E_TYPE_NOT_ACCEPTED },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        const std::string path = (c.folder.empty() ? ScratchFolder() : c.folder) + "/out.wmv";
        if (c.existingFile)
            std::ofstream(path) << "keep me";
        if (c.setName) {
            ASSERT_EQ(SetFileName(path), S_OK);
        }
        if (c.configure) {
            ASSERT_EQ(Configure(c.audioOnlyProfile ? std::string(c.audioOnlyProfile) : ProfileTemplate(320, 240)), S_OK);
        }
        AddSource({});
        EXPECT_EQ(Run(), c.expected);
        if (c.existingFile) {
            std::ifstream in(path);
            std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            EXPECT_EQ(content, "keep me");
        } else {
            EXPECT_FALSE(std::filesystem::exists(path));
        }
    }
}

} // namespace
