#pragma once
// Audio-only formats whose writer filter takes the sound and writes the file itself: Wave and
// MP3. A null video sink swallows the video of a video source; a sample-rate converter goes in
// front of the writer when the profile asks for a rate.

#include "conversion/CTargetHandler.h"

namespace vidlume {

class CAudioFileTargetHandler : public CTargetHandler {
public:
    HRESULT AddEncoders(const QString& outputPath, IGraphBuilder* graph, ComPtr<IPin>* videoInput, ComPtr<IPin>* audioInput) override;
    HRESULT CompleteGraph() override;
    int GetAudioCodecCount() const override { return 1; }
    void GetAudioCodec(int index, QString* name, CLSID* clsid) const override;
    int GetVideoCodecCount() const override { return 0; }
    void GetVideoCodec(int, QString*, CLSID*) const override { }

protected:
    CAudioFileTargetHandler(const CLSID& writer, unsigned codecNameId);

private:
    CLSID m_writerClass;
    unsigned m_codecNameId;
    ComPtr<IBaseFilter> m_writer;
};

class CWaveTargetHandler final : public CAudioFileTargetHandler {
public:
    CWaveTargetHandler();
    QString GetExtension() const override { return QStringLiteral("wav"); }
    QString GetFormatName() const override { return QStringLiteral("Wave Audio (WAV)"); }
};

class CLAMETargetHandler final : public CAudioFileTargetHandler {
public:
    CLAMETargetHandler();
    QString GetExtension() const override { return QStringLiteral("mp3"); }
    QString GetFormatName() const override { return QStringLiteral("LAME MP3 Encoded Audio (MP3)"); }
};

} // namespace vidlume
