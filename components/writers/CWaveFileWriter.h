#pragma once
// The Wave file writer (CLSID_WaveWriter): writes raw audio into a RIFF WAVE file, named through
// IFileSinkFilter, by itself. A renderer: it reports EC_COMPLETE when the stream ended and the
// file is complete.
//
// Pin "In" (input): interleaved integer PCM as MediaTypeFromAudioFormat describes it - 8-bit
// unsigned, 16- or 32-bit signed - at any rate, with any number of channels. Float is refused, so
// intelligent connect puts the audio converter (16-bit first) in front: integer Wave files play
// everywhere. Up to two channels the file has a plain format header; more channels get a
// WAVE_FORMAT_EXTENSIBLE header with FFmpeg's default speaker positions for that count, which are
// the order the samples come in.
//
// The file is created when the graph starts, never over an existing one (kErrorFileExists). The
// header goes out with the first sample and is completed at the end of stream, or when the graph
// stops in the middle, so what was written always makes a valid file. A Wave file cannot be
// larger than 4 GiB: a sample that would take it past that is refused with kErrorFileTooLarge
// (EC_ERRORABORT) and the file is completed with the samples before it.

#include "components/ffmpeg/CodecMediaTypes.h"
#include "components/writers/CBaseFileSink.h"

#include <vector>

namespace vidlume {

class CWaveFileWriter final : public CBaseFileSink {
public:
    // The largest RIFF chunk the format can describe.
    static constexpr uint64_t kRiffLimit = 0xFFFFFFFFu;

    // riffLimit: the format's limit; a test passes a smaller one to reach it.
    explicit CWaveFileWriter(uint64_t riffLimit = kRiffLimit);

protected:
    HRESULT OnStart() override;
    void OnStop() override;

private:
    class CInput;

    // On the streaming thread.
    FlowStatus WriteSample(const CMediaSample& sample);
    FlowStatus Finish();

    bool IsExtensible() const { return m_format.channels > 2; }
    uint32_t FormatChunkSize() const;
    bool HasFactChunk() const { return IsExtensible(); }
    uint64_t HeaderSize() const;
    uint64_t RiffSize(uint64_t dataBytes) const;
    std::vector<uint8_t> Header() const;
    HRESULT WriteHeader();
    HRESULT Complete();

    const uint64_t m_riffLimit;
    AudioFormat m_format;
    CExclusiveFile m_file;
    uint64_t m_dataBytes = 0;
    uint64_t m_frames = 0;
    bool m_headerWritten = false;
    bool m_full = false; // a sample was refused at the size limit
};

} // namespace vidlume
