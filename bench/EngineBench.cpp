// Runs one conversion through the engine, the way the format handlers build it, for the
// side-by-side benchmark against the ffmpeg command line (bench/engine-vs-ffmpeg.sh).
//   vidlume_engine_bench ipad|mp3 INPUT OUTPUT

#include "components/ComponentGroups.h"
#include "platform/com/CClassRegistry.h"
#include "tests/components/engine/GraphRecipes.h"

#include <cstdio>
#include <cstring>

using namespace vidlume;
using namespace vidlume::test;

int main(int argc, char** argv)
{
    if (argc != 4 || (std::strcmp(argv[1], "ipad") && std::strcmp(argv[1], "mp3"))) {
        std::fprintf(stderr, "usage: %s ipad|mp3 INPUT OUTPUT\n", argv[0]);
        return 2;
    }
    RegisterComponents();
    const bool ipad = !std::strcmp(argv[1], "ipad");
    Target target;
    if (ipad) {
        target = { Target::Mpeg4, CLSID_H264Encoder, 1024, 768, 0, 2000, 128, 0, { 2, 0, 3 } };
    } else {
        target = { Target::Mp3 };
    }
    Built b;
    std::string error;
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, &b.graph);
    bool fallback = false;
    if (SUCCEEDED(hr))
        hr = AddTargetPart(target, argv[3], b, &error);
    if (SUCCEEDED(hr))
        hr = ipad ? AddVideoSource(argv[2], b, &fallback, &error) : AddAudioSource(argv[2], b, &error);
    if (SUCCEEDED(hr))
        hr = CompleteGraph(target, argv[3], b, &error);
    ComPtr<ITimeGrabber> grabber;
    if (SUCCEEDED(hr))
        hr = InsertTimeGrabber(b, !ipad, &grabber, &error);
    if (SUCCEEDED(hr))
        hr = RunToCompletion(b, &error);
    if (FAILED(hr)) {
        std::fprintf(stderr, "conversion failed: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
