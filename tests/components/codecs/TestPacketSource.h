#pragma once
// A test-only source: reads a media file with libavformat and pushes the packets of its first
// video stream on pin "Video" and of its first audio stream on pin "Audio", typed as a parser
// types them (MediaTypeFromCodecParameters), on a streaming thread of its own.

#include "platform/graph/CBaseFilter.h"
#include "platform/graph/CBaseOutputPin.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace vidlume::test {

struct PacketSourceOptions {
    bool stripTimestamps = false;   // packets carry no pts or dts
    int damagedVideoPacket = -1;    // this video packet's payload is overwritten with garbage
    std::function<void(CMediaType&)> editVideoType; // what the pins announce, changed
    std::function<void(CMediaType&)> editAudioType;
};

class CTestPacketSource final : public CBaseFilter {
public:
    static constexpr CLSID kClsid = MakeGuid("5E1F0B3A-2C44-4E1B-9A0B-7D7A11C0DE01");

    // Opens the file at once; pins exist only for the streams it has.
    CTestPacketSource(const std::string& path, PacketSourceOptions options = {});
    ~CTestPacketSource() override;

    bool Opened() const { return m_opened; }

protected:
    HRESULT OnStart() override;
    void OnStop() override;

private:
    class CPin;
    void Stream();

    std::string m_path;
    PacketSourceOptions m_options;
    bool m_opened = false;
    int m_videoStream = -1, m_audioStream = -1;
    CPin* m_video = nullptr;
    CPin* m_audio = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_stop { false };
};

} // namespace vidlume::test
