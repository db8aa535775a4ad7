#pragma once
// The parameters of an encoder as its IModuleConfig carries them: whole numbers, each with a
// default and an accepted range. A value set stays pending until Commit; the encoder reads only
// committed values, when it builds its output type and when the graph starts. Thread-safe.
//
// Also the parameter identifiers the format handlers pass to the encoders; what each value means
// is documented by each encoder's header.

#include "platform/graph/GraphInterfaces.h"

#include <cstdint>
#include <mutex>
#include <vector>

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

class CEncoderParameters {
public:
    struct Definition {
        Guid id;
        int32_t defaultValue;
        int32_t minimum;
        int32_t maximum;
    };

    explicit CEncoderParameters(std::vector<Definition> definitions);

    // IModuleConfig's operations. SetValue takes VT_I4, and VT_UI4 when the value fits in 32
    // signed bits; E_INVALIDARG for an unknown parameter, another kind or a value out of range
    // (the pending value then stays as it was).
    HRESULT SetValue(const Guid& id, const VARIANT& value);
    // The committed value as VT_I4; E_INVALIDARG for an unknown parameter, E_POINTER for null.
    HRESULT GetValue(const Guid& id, VARIANT* value) const;
    // S_OK for a parameter of this encoder, S_FALSE otherwise.
    HRESULT IsSupported(const Guid& id) const;
    // Every pending value back to its default; committed values are unchanged until Commit.
    HRESULT SetDefState();
    HRESULT CommitChanges();

    // The committed value of a parameter of this table (0 for an unknown one).
    int32_t Committed(const Guid& id) const;

private:
    struct Entry {
        Definition definition;
        int32_t pending;
        int32_t committed;
    };
    const Entry* Find(const Guid& id) const;

    mutable std::mutex m_lock;
    std::vector<Entry> m_entries;
};

} // namespace vidlume
