#pragma once
// The MP3 encoder and writer (CLSID_MP3Writer), on LAME: encodes raw audio to MP3 and writes the
// file, named through IFileSinkFilter, by itself. LAME runs with its own defaults (bit rate and
// quality included). A renderer: it reports EC_COMPLETE when the stream ended and the file is
// complete.
//
// Pin "In" (input): interleaved 16-bit integer or 32-bit float audio, one or two channels, at a
// rate LAME takes. More channels are refused, so that graph building puts the audio converter
// (which offers a stereo downmix) in front.
//
// The file is created when the graph starts, never over an existing one (kErrorFileExists). At
// the end of stream - or when the graph stops in the middle - LAME's last frames are written and
// its info frame (the LAME/Xing tag with the frame count, encoder delay and padding) replaces the
// placeholder frame at the start, so players show the right duration and play without gaps.

#include "components/ffmpeg/CodecMediaTypes.h"
#include "components/writers/CBaseFileSink.h"

#include <memory>
#include <vector>

struct lame_global_struct;

namespace vidlume {

class CLameMp3Writer final : public CBaseFileSink {
public:
    CLameMp3Writer();

protected:
    HRESULT OnStart() override;
    void OnStop() override;

private:
    class CInput;
    struct LameDeleter {
        void operator()(lame_global_struct* lame) const;
    };
    using LamePtr = std::unique_ptr<lame_global_struct, LameDeleter>;

    // An encoder set up for the format, or null when LAME does not take it.
    static LamePtr OpenEncoder(const AudioFormat& format);
    static bool Accepts(const CMediaType& type);

    // On the streaming thread.
    FlowStatus WriteSample(const CMediaSample& sample);
    FlowStatus Finish();

    HRESULT Append(const unsigned char* data, int length);
    HRESULT Complete();

    AudioFormat m_format;
    LamePtr m_lame;
    CExclusiveFile m_file;
    int64_t m_position = 0;
    bool m_completed = false;
    std::vector<unsigned char> m_buffer;
};

} // namespace vidlume
