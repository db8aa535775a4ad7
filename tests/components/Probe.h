#pragma once
// Reads back what a conversion wrote, with libavformat, as another player would.

#include <string>
#include <vector>

namespace vidlume::test {

struct ProbedStream {
    std::string type;  // "video" or "audio"
    std::string codec; // FFmpeg's codec name: "h264", "aac", "mpeg4", "wmv2", "wmav2", "pcm_s16le", "mp3"
    int width = 0, height = 0;
    int sampleRate = 0, channels = 0;
    std::string profile; // e.g. "Baseline", "Main", "LC"
    int level = 0;       // H.264 level times ten
    double duration = 0; // seconds, 0 when unknown
    long frames = 0;     // decoded frames (video) when counted
};

struct ProbedFile {
    bool opened = false;
    std::string container; // the input format's name, e.g. "mov,mp4,m4a,3gp,3g2,mj2", "asf", "wav", "mp3"
    double duration = 0;   // seconds
    bool indexAtFront = false; // MP4: the moov box comes before mdat
    std::vector<ProbedStream> streams;
    std::string error;

    const ProbedStream* Video() const;
    const ProbedStream* Audio() const;
};

// Opens and reads the whole file, decoding every packet so a damaged stream shows as an error.
ProbedFile Probe(const std::string& path);

} // namespace vidlume::test
