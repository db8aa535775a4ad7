#pragma once
// The parameter identifiers the format handlers pass to the encoders through IModuleConfig; what
// each value means, its default and its range are documented by each encoder's header. Every one
// is VT_I4 (VT_UI4 taken when it fits), kept in a CModuleParameters store.

#include "platform/graph/GraphInterfaces.h"

namespace vidlume {

// Which device the stream is for (H.264 and MPEG-4 Part 2 encoders).
constexpr Guid kEncoderDeviceOption = MakeGuid("0D6239BD-E7DC-4DDB-AB8D-C21E8AFDA71C");
// H.264 encoder: the stream is ready for an MP4 file.
constexpr Guid kEncoderAvcMp4Stream = MakeGuid("B1E3E1BF-6225-4351-862C-66989AEE22B4");
// MPEG-4 Part 2 encoder: a Simple Profile stream without B-frames.
constexpr Guid kEncoderMpeg4SimpleProfile = MakeGuid("DE580597-4F6B-4458-84D2-6BE547B6A541");
// Rate control mode (video encoders).
constexpr Guid kEncoderRateMode = MakeGuid("CD701824-5F65-4520-8DB0-26548212808C");
// Video: bit rate in bit/s. AAC: an index into the encoder's table of bit rates.
constexpr Guid kEncoderBitRate = MakeGuid("BDD50372-38E2-4A26-BA15-482B70EE136C");

} // namespace vidlume
