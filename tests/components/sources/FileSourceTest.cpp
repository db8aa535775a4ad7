// The file source: Load fails at once for what cannot be read, and its output pin serves
// positioned reads to any thread.

#include "TestGraph.h"

#include "platform/com/CClassRegistry.h"
#include "tests/components/Fixtures.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace vidlume;
using namespace vidlume::test;

namespace {

ComPtr<IBaseFilter> NewFileSource()
{
    RegisterSourceGroup();
    ComPtr<IBaseFilter> source;
    EXPECT_EQ(CoCreateInstance(CLSID_AsyncReader, &source), S_OK);
    return source;
}

ComPtr<IAsyncReader> ReaderOf(IBaseFilter* source)
{
    ComPtr<IPin> pin;
    EXPECT_EQ(source->FindPin("Output", pin.ReleaseAndGetAddressOf()), S_OK);
    ComPtr<IAsyncReader> reader;
    if (pin) {
        EXPECT_EQ(pin.As(&reader), S_OK);
    }
    return reader;
}

} // namespace

TEST(FileSourceTest, LoadFailsAtOnceForWhatCannotBeRead)
{
    const std::string folder = ScratchFolder();
    const std::string locked = folder + "/locked.mp4";
    WriteWholeFile(locked, { 1, 2, 3 });
    ::chmod(locked.c_str(), 0);
    const std::string fifo = folder + "/pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        const char* name;
        std::string path;
        HRESULT expected;
    };
    std::vector<Case> cases = {
        { "missing file", folder + "/missing.mp4", HResultFromWin32(ERROR_FILE_NOT_FOUND) },
        { "missing folder", folder + "/nowhere/clip.mp4", HResultFromWin32(ERROR_FILE_NOT_FOUND) },
        { "a file as a folder", locked + "/clip.mp4", HResultFromWin32(ERROR_PATH_NOT_FOUND) },
        { "a folder", folder, E_ACCESSDENIED },
        { "a pipe", fifo, E_ACCESSDENIED },
        { "no path", "", E_INVALIDARG },
        { "zero bytes (the parser finds it too short)", FixturePath("empty.mp4"), S_OK },
    };
    if (::geteuid() != 0) // the superuser reads anything
        cases.push_back({ "no permission", locked, E_ACCESSDENIED });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto source = NewFileSource();
        ComPtr<IFileSourceFilter> load;
        ASSERT_EQ(source.As(&load), S_OK);
        const HRESULT hr = load->Load(c.path, nullptr);
        EXPECT_EQ(hr, c.expected) << HResultToString(hr);
        std::string path;
        EXPECT_EQ(SUCCEEDED(load->GetCurFile(&path, nullptr)), SUCCEEDED(c.expected));
    }
}

// Reads at any position, partly or wholly past the end, match the file; several threads read at
// once; a flush makes reads fail until it ends.
TEST(FileSourceTest, OutputServesPositionedReads)
{
    const std::string path = FixturePath("h264_aac.mp4");
    const auto bytes = ReadWholeFile(path);
    const int64_t size = int64_t(bytes.size());
    ASSERT_GT(size, 10000);
    auto source = NewFileSource();
    ComPtr<IFileSourceFilter> load;
    ASSERT_EQ(source.As(&load), S_OK);
    ASSERT_EQ(load->Load(path, nullptr), S_OK);
    ComPtr<IPin> pin;
    ASSERT_EQ(source->FindPin("Output", pin.ReleaseAndGetAddressOf()), S_OK);
    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(pin->EnumMediaTypes(types.ReleaseAndGetAddressOf()), S_OK);
    CMediaType type;
    ASSERT_EQ(types->Next(1, &type, nullptr), S_OK);
    EXPECT_EQ(type.majortype, MEDIATYPE_Stream);
    EXPECT_EQ(type.subtype, GUID_NULL);

    auto reader = ReaderOf(source.Get());
    ASSERT_TRUE(reader);
    int64_t total = 0, available = 0;
    ASSERT_EQ(reader->Length(&total, &available), S_OK);
    EXPECT_EQ(total, size);
    EXPECT_EQ(available, size);

    struct Case {
        int64_t position;
        int32_t length;
        HRESULT result;
        int32_t read;
    };
    const Case cases[] = {
        { 0, 100, S_OK, 100 },
        { size / 2, 4096, S_OK, 4096 },
        { 7, 1, S_OK, 1 },
        { size - 10, 100, S_FALSE, 10 },
        { size, 10, S_FALSE, 0 },
        { size + 1000, 10, S_FALSE, 0 },
        { -1, 10, E_INVALIDARG, 0 },
        { 0, -5, E_INVALIDARG, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        std::vector<uint8_t> buffer(size_t(std::max(c.length, 0)));
        int32_t read = -1;
        EXPECT_EQ(reader->SyncRead(c.position, c.length, buffer.data(), &read), c.result);
        EXPECT_EQ(read, c.read);
        if (c.read > 0) {
            EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + c.read, bytes.begin() + c.position));
        }
    }

    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            std::vector<uint8_t> buffer(1000);
            for (int64_t at = t * 333; at + 1000 <= size; at += 4 * 997) {
                int32_t read = 0;
                if (reader->SyncRead(at, 1000, buffer.data(), &read) != S_OK || !std::equal(buffer.begin(), buffer.end(), bytes.begin() + at))
                    ++mismatches[size_t(t)];
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));

    uint8_t byte = 0;
    int32_t read = 0;
    ASSERT_EQ(reader->BeginFlush(), S_OK);
    EXPECT_EQ(reader->SyncRead(0, 1, &byte, &read), VFW_E_WRONG_STATE);
    ASSERT_EQ(reader->EndFlush(), S_OK);
    EXPECT_EQ(reader->SyncRead(0, 1, &byte, &read), S_OK);
    EXPECT_EQ(byte, bytes[0]);
}
