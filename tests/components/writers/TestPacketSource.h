#pragma once
// A scripted source for the writers' tests: it delivers prepared samples from its own streaming
// thread, the way a demultiplexer does, then the end of every stream. The samples are either the
// compressed packets of a fixture, read with libavformat and described with
// MediaTypeFromCodecParameters, or synthetic raw audio. It can hold before a chosen sample until
// the graph stops it, so a test stops a graph in the middle of a stream at a known point.

#include "components/ffmpeg/CodecMediaTypes.h"
#include "platform/graph/CBaseFilter.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vidlume::test {

class CTestPacketSource final : public CBaseFilter {
public:
    // The first video and first audio stream of the file, on pins "Video" and "Audio" (only those
    // the file has), their packets in file order with times in reference time. Null when the file
    // cannot be read.
    static ComPtr<CTestPacketSource> FromFile(const std::string& path);
    // A 440 Hz tone in the packed sample format, as decoded frames of 1024 samples on pin "Audio".
    static ComPtr<CTestPacketSource> FromAudio(const AudioFormat& format, double seconds);

    ~CTestPacketSource() override;

    IPin* Pin(const std::string& id);
    // Every interleaved audio byte the source delivers, in order (FromAudio only).
    std::vector<uint8_t> AudioBytes() const;
    // The number of samples the source delivers, on all pins.
    size_t SampleCount() const { return m_items.size(); }
    // The samples a pin delivers, in order (sharing their data with what is delivered).
    std::vector<CMediaSample> SamplesOn(const std::string& pin) const;

    // Before delivering the sample with this index (all pins counted), wait until stopped.
    void HoldBefore(size_t index) { m_holdAt = index; }
    // Blocks until the streaming thread holds or has ended.
    void WaitUntilHeld();
    // The start time of the last sample delivered on a pin; kNoTime before any.
    REFERENCE_TIME LastStart(const std::string& pin) const;
    bool ThreadRunning() const { return m_thread.joinable(); }

protected:
    HRESULT OnStart() override;
    void OnStop() override;

private:
    class COutput;
    struct Item {
        COutput* pin;
        CMediaSample sample;
    };

    CTestPacketSource();
    COutput* AddOutput(const std::string& id, const CMediaType& type);
    void Stream();

    std::vector<COutput*> m_outputs;
    std::vector<Item> m_items;
    size_t m_holdAt = SIZE_MAX;

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_stopping = false;
    bool m_heldOrEnded = false;
    std::thread m_thread;
};

} // namespace vidlume::test
