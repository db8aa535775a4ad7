#pragma once
// Tiny media files made at test time with the ffmpeg command line (two seconds each, small
// pictures), once per test program, in a temporary folder that lives as long as the program.

#include <string>

namespace vidlume::test {

// The path of a fixture by name; the file is made on first use. Fails the calling test (and
// returns an empty path) when ffmpeg cannot make it.
//   h264_aac.mp4    H.264 320x240 25 fps + AAC 44.1 kHz stereo, MP4
//   h264_aac.mov    the same in QuickTime
//   video_only.mp4  H.264 320x240, no sound
//   mpeg2.mpg       MPEG-2 video 352x288 + MPEG-1 Layer II audio, program stream
//   mpeg4_mp3.avi   MPEG-4 Part 2 (xvid tag) 320x240 + MP3, AVI
//   wmv2.wmv        WMV 8 + WMA 2, ASF
//   flv1.flv        Sorenson H.263 + MP3, FLV
//   hd.mp4          H.264 1280x720 30 fps + AAC 48 kHz
//   tone.wav        PCM 16-bit 44.1 kHz stereo
//   tone.mp3        MP3 44.1 kHz stereo
//   tone.m4a        AAC 48 kHz stereo in MP4
//   truncated.mp4   the first 3000 bytes of h264_aac.mp4
//   empty.mp4       zero bytes
//   text.mp4        a text file with a lying extension
std::string FixturePath(const std::string& name);

// A new empty folder for a test's outputs, removed when the program ends.
std::string ScratchFolder();

} // namespace vidlume::test
