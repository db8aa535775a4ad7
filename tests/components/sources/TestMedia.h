#pragma once
// Media the shared fixtures do not have, made once per test program in the scratch folder.

#include "TestFailingReader.h"

#include <string>

namespace vidlume::test {

// DVD-like VOB data, two seconds: MPEG-2 video 352x288 (stream 0xE0), AC-3 (0x80) and LPCM
// (0xA0) audio at 48 kHz, and a subpicture stream (0x20) with two tiny pictures at 0.5 and 1.2 s.
// Empty (and a test failure) when it cannot be made.
std::string MakeDvdLikeVob();
// h264_aac.mp4 with its index moved to the front.
std::string MakeFastStartMp4();

} // namespace vidlume::test
