#pragma once
// Graphs built by hand the way the devices and format handlers build them - through the graph and
// class identifiers only. Shared by the engine tests and the engine benchmark.

#include "platform/com/ComPtr.h"
#include "platform/graph/GraphInterfaces.h"

#include <string>

namespace vidlume::test {

struct Target {
    enum Kind { Mpeg4, M4a, Wmv, Wave, Mp3 } kind;
    CLSID videoCodec = CLSID_H264Encoder;
    int width = 0, height = 0; // 0: no resizer
    int frameRateCode = 0;
    int videoKbps = 0;
    int audioKbps = 128;
    int sampleRate = 0; // wave/mp3: 0 = as the source
    int options[3] = { 0, 0, 0 };
};

struct Built {
    ComPtr<IGraphBuilder> graph;
    ComPtr<IPin> videoIn, audioIn;
    ComPtr<IBaseFilter> videoFilter, audioFilter, writer;
};

// Each step returns the first failing result and describes it in *error.
HRESULT AddTargetPart(const Target& t, const std::string& out, Built& b, std::string* error);
HRESULT AddVideoSource(const std::string& path, Built& b, bool* usedFallback, std::string* error);
HRESULT AddAudioSource(const std::string& path, Built& b, std::string* error);
HRESULT CompleteGraph(const Target& t, const std::string& out, Built& b, std::string* error);
HRESULT InsertTimeGrabber(Built& b, bool audioOnly, ComPtr<ITimeGrabber>* grabber, std::string* error);
// Runs without a clock until EC_COMPLETE; an error event fails.
HRESULT RunToCompletion(Built& b, std::string* error);

} // namespace vidlume::test
