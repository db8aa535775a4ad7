// The media-information component over the test fixtures, over pictures whose brightness tells
// their time, and over input that is not media at all.

#include "components/ComponentGroups.h"
#include "platform/com/CClassRegistry.h"
#include "platform/graph/GraphInterfaces.h"
#include "platform/graph/MediaInfoInterfaces.h"
#include "tests/components/Fixtures.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

using namespace vidlume;
using namespace vidlume::test;

namespace {

ComPtr<IMediaInfo> NewMediaInfo()
{
    RegisterServiceComponents();
    ComPtr<IMediaInfo> info;
    EXPECT_EQ(CoCreateInstance(CLSID_MediaInfo, &info), S_OK);
    return info;
}

struct Dib {
    BITMAPINFOHEADER header;
    std::vector<uint8_t> pixels;
    size_t stride = 0;

    // Blue, green, red of the pixel at (x, y), y counted from the top.
    const uint8_t* At(int x, int y) const { return pixels.data() + size_t(header.biHeight - 1 - y) * stride + size_t(x) * 3; }
    double MeanGrey() const
    {
        double sum = 0;
        for (int y = 0; y < header.biHeight; ++y)
            for (int x = 0; x < header.biWidth; ++x)
                sum += (At(x, y)[0] + At(x, y)[1] + At(x, y)[2]) / 3.0;
        return sum / (header.biWidth * header.biHeight);
    }
};

// Checks the packed bitmap's layout and splits it.
::testing::AssertionResult ReadDib(const std::vector<uint8_t>& bytes, int width, int height, Dib* dib)
{
    if (bytes.size() < sizeof(BITMAPINFOHEADER))
        return ::testing::AssertionFailure() << "no header";
    std::memcpy(&dib->header, bytes.data(), sizeof dib->header);
    const BITMAPINFOHEADER& h = dib->header;
    dib->stride = (size_t(width) * 3 + 3) & ~size_t(3);
    if (h.biSize != 40 || h.biWidth != width || h.biHeight != height || h.biPlanes != 1 || h.biBitCount != 24 || h.biCompression != 0)
        return ::testing::AssertionFailure() << "header " << h.biWidth << "x" << h.biHeight << " " << h.biBitCount << " bits";
    if (h.biSizeImage != dib->stride * size_t(height) || bytes.size() != 40 + h.biSizeImage)
        return ::testing::AssertionFailure() << "size " << bytes.size();
    dib->pixels.assign(bytes.begin() + 40, bytes.end());
    return ::testing::AssertionSuccess();
}

TEST(MediaInfo, DescribesEveryFixture)
{
    struct Case {
        const char* fixture;
        bool video, audio;
        int width, height;
        double frameRate;
        uint32_t sampleRate;
        uint16_t channels, bits;
    };
    const Case cases[] = {
        { "h264_aac.mp4", true, true, 320, 240, 25, 44100, 2, 16 },
        { "h264_aac.mov", true, true, 320, 240, 25, 44100, 2, 16 },
        { "video_only.mp4", true, false, 320, 240, 25, 0, 0, 0 },
        { "mpeg2.mpg", true, true, 352, 288, 25, 44100, 2, 16 },
        { "mpeg4_mp3.avi", true, true, 320, 240, 25, 44100, 2, 16 },
        { "wmv2.wmv", true, true, 320, 240, 25, 44100, 2, 16 },
        { "flv1.flv", true, true, 320, 240, 25, 44100, 2, 16 },
        { "hd.mp4", true, true, 1280, 720, 30, 48000, 2, 16 },
        { "tone.wav", false, true, 0, 0, 0, 44100, 2, 16 },
        { "tone.mp3", false, true, 0, 0, 0, 44100, 2, 16 },
        { "tone.m4a", false, true, 0, 0, 0, 48000, 2, 16 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        ComPtr<IMediaInfo> info = NewMediaInfo();
        ASSERT_EQ(info->Open(FixturePath(c.fixture)), S_OK);
        double duration = 0;
        ASSERT_EQ(info->GetDuration(&duration), S_OK);
        EXPECT_NEAR(duration, 2.0, 0.1);
        bool hasVideo = false, hasAudio = false;
        ASSERT_EQ(info->GetStreams(&hasVideo, &hasAudio), S_OK);
        EXPECT_EQ(hasVideo, c.video);
        EXPECT_EQ(hasAudio, c.audio);

        uint16_t width = 0, height = 0;
        double rate = 0;
        std::vector<uint8_t> bitmap;
        if (c.video) {
            EXPECT_EQ(info->GetVideoSize(&width, &height), S_OK);
            EXPECT_EQ(width, c.width);
            EXPECT_EQ(height, c.height);
            EXPECT_EQ(info->GetFrameRate(&rate), S_OK);
            EXPECT_NEAR(rate, c.frameRate, 0.01);
            // As the media list asks for its thumbnails.
            ASSERT_EQ(info->GetFrameBitmap(duration * 0.5, 64, 48, &bitmap), S_OK);
            Dib dib;
            ASSERT_TRUE(ReadDib(bitmap, 64, 48, &dib));
            const double grey = dib.MeanGrey();
            EXPECT_GT(grey, 10);  // a picture, not a black or empty buffer
            EXPECT_LT(grey, 245);
        } else {
            EXPECT_EQ(info->GetVideoSize(&width, &height), VFW_E_NOT_FOUND);
            EXPECT_EQ(info->GetFrameRate(&rate), VFW_E_NOT_FOUND);
            EXPECT_EQ(info->GetFrameBitmap(1.0, 64, 48, &bitmap), VFW_E_NOT_FOUND);
            EXPECT_TRUE(bitmap.empty());
        }
        uint32_t sampleRate = 0;
        uint16_t channels = 0, bits = 0;
        if (c.audio) {
            EXPECT_EQ(info->GetAudioFormat(&sampleRate, &channels, &bits), S_OK);
            EXPECT_EQ(sampleRate, c.sampleRate);
            EXPECT_EQ(channels, c.channels);
            EXPECT_EQ(bits, c.bits);
        } else {
            EXPECT_EQ(info->GetAudioFormat(&sampleRate, &channels, &bits), VFW_E_NOT_FOUND);
        }
    }
}

// A clip whose brightness grows with time (one key frame only, so every position needs decoding
// forward from the start) shows whether the picture really is the one at the position asked.
TEST(MediaInfo, PictureIsTheFrameAtThePositionScaledAsAsked)
{
    const std::string path = ScratchFolder() + "/ramp.mp4";
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", { "-nostdin", "-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i", "nullsrc=size=160x120:rate=25:duration=2,format=gray,geq=lum='16+T*100'",
                               "-c:v", "libx264", "-preset", "ultrafast", "-g", "250", "-pix_fmt", "yuv420p", QString::fromStdString(path) });
    ASSERT_TRUE(ffmpeg.waitForFinished(-1) && ffmpeg.exitCode() == 0) << ffmpeg.readAllStandardError().toStdString();

    ComPtr<IMediaInfo> info = NewMediaInfo();
    ASSERT_EQ(info->Open(path), S_OK);
    struct Case {
        double seconds;
        int width, height;
        double lastFrameTime; // the frame expected at that position
    };
    const Case cases[] = {
        { 0.0, 64, 48, 0.0 },
        { 1.5, 64, 48, 1.48 },
        { 0.6, 33, 17, 0.6 },   // odd sizes need row padding
        { 1.0, 160, 120, 1.0 }, // going back after a later position
        { 100, 8, 8, 1.96 },    // past the end: the last frame
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        std::vector<uint8_t> bitmap;
        ASSERT_EQ(info->GetFrameBitmap(c.seconds, c.width, c.height, &bitmap), S_OK);
        Dib dib;
        ASSERT_TRUE(ReadDib(bitmap, c.width, c.height, &dib));
        // The grey level is 16 + t x 100, so neighbouring frames differ by 4.
        EXPECT_NEAR(dib.MeanGrey(), 16 + c.lastFrameTime * 100, 2);
        EXPECT_NEAR(dib.At(0, 0)[1], dib.At(c.width - 1, c.height - 1)[1], 3); // evenly grey to the last row
        if (c.width * 3 % 4 != 0) {
            EXPECT_EQ(dib.pixels[dib.stride - 1], 0); // padding stays zero
        }
    }
    std::vector<uint8_t> bitmap;
    EXPECT_EQ(info->GetFrameBitmap(-1, 64, 48, &bitmap), E_INVALIDARG);
    EXPECT_EQ(info->GetFrameBitmap(1, 0, 48, &bitmap), E_INVALIDARG);
    EXPECT_EQ(info->GetFrameBitmap(1, 64, 100000, &bitmap), E_INVALIDARG);
    EXPECT_TRUE(bitmap.empty());
}

TEST(MediaInfo, AnythingButMediaFailsCleanly)
{
    const std::string folder = ScratchFolder();
    const std::string fifo = folder + "/pipe.mp4";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0); // opening it for reading would block forever
    struct Case {
        std::string path;
        HRESULT expected; // S_OK: any failure will do
    };
    const Case cases[] = {
        { FixturePath("empty.mp4"), VFW_E_FILE_TOO_SHORT },
        { FixturePath("text.mp4"), S_OK },
        { FixturePath("truncated.mp4"), S_OK },
        { folder + "/missing.mp4", HResultFromWin32(ERROR_FILE_NOT_FOUND) },
        { folder, VFW_E_UNKNOWN_FILE_TYPE },
        { fifo, VFW_E_UNKNOWN_FILE_TYPE },
        { "", E_INVALIDARG },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        ComPtr<IMediaInfo> info = NewMediaInfo();
        const HRESULT hr = info->Open(c.path);
        EXPECT_TRUE(FAILED(hr));
        if (c.expected != S_OK) {
            EXPECT_EQ(hr, c.expected);
        }
        double duration;
        bool video, audio;
        EXPECT_EQ(info->GetDuration(&duration), E_UNEXPECTED);
        EXPECT_EQ(info->GetStreams(&video, &audio), E_UNEXPECTED);
    }
}

TEST(MediaInfo, ReopeningReplacesWhatWasOpen)
{
    ComPtr<IMediaInfo> info = NewMediaInfo();
    bool video = false, audio = false;
    ASSERT_EQ(info->Open(FixturePath("h264_aac.mp4")), S_OK);
    ASSERT_EQ(info->Open(FixturePath("tone.wav")), S_OK);
    ASSERT_EQ(info->GetStreams(&video, &audio), S_OK);
    EXPECT_FALSE(video);
    EXPECT_TRUE(audio);
    EXPECT_TRUE(FAILED(info->Open(FixturePath("text.mp4"))));
    EXPECT_EQ(info->GetStreams(&video, &audio), E_UNEXPECTED);
}

// Damage in the middle of the media data: the file still opens from its index, and a picture
// from the damaged part is either made or refused, never a crash or a hang.
TEST(MediaInfo, DamagedMediaDataStaysBounded)
{
    const std::string path = ScratchFolder() + "/damaged.mp4";
    std::filesystem::copy_file(FixturePath("h264_aac.mp4"), path);
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        const auto size = std::filesystem::file_size(path);
        file.seekp(std::streamoff(size / 8));
        for (size_t i = 0; i < size / 2; ++i)
            file.put(char(i * 7919 % 251));
    }
    ComPtr<IMediaInfo> info = NewMediaInfo();
    ASSERT_EQ(info->Open(path), S_OK);
    for (double seconds : { 0.2, 1.0, 1.9 }) {
        std::vector<uint8_t> bitmap;
        const HRESULT hr = info->GetFrameBitmap(seconds, 64, 48, &bitmap);
        Dib dib;
        if (SUCCEEDED(hr)) {
            EXPECT_TRUE(ReadDib(bitmap, 64, 48, &dib));
        } else {
            EXPECT_TRUE(bitmap.empty());
        }
    }
}

} // namespace
