#pragma once
// MP4 files with H.264 (or MPEG-4 Part 2) video and AAC audio: encoders, then converters in front
// of the video encoder, the MP4 multiplexer and the file writer.

#include "conversion/CTargetHandler.h"

namespace vidlume {

// Parameter identifiers of the encoders and the multiplexer.
constexpr Guid PARAM_EncoderDeviceOption = MakeGuid("0D6239BD-E7DC-4DDB-AB8D-C21E8AFDA71C");
constexpr Guid PARAM_MuxOption2 = MakeGuid("67F699AE-4856-4292-99F1-BB6FDB596E43");
constexpr Guid PARAM_MuxOption3 = MakeGuid("AB50A92F-1AF8-4F03-A35B-7EDEF95AE1F0");
constexpr Guid PARAM_BitRate = MakeGuid("BDD50372-38E2-4A26-BA15-482B70EE136C");
constexpr Guid PARAM_AvcStream = MakeGuid("B1E3E1BF-6225-4351-862C-66989AEE22B4");
constexpr Guid PARAM_Mpeg4Stream = MakeGuid("DE580597-4F6B-4458-84D2-6BE547B6A541");
constexpr Guid PARAM_RateControl = MakeGuid("CD701824-5F65-4520-8DB0-26548212808C");

class CMPEG4TargetHandler : public CTargetHandler {
public:
    CMPEG4TargetHandler();
    ~CMPEG4TargetHandler() override;

    HRESULT AddEncoders(const QString& outputPath, IGraphBuilder* graph, ComPtr<IPin>* videoInput, ComPtr<IPin>* audioInput) override;
    HRESULT CompleteGraph() override;
    QString GetExtension() const override { return QStringLiteral("mp4"); }
    QString GetFormatName() const override { return QStringLiteral("MPEG-4"); }
    int GetAudioCodecCount() const override { return 1; }
    void GetAudioCodec(int index, QString* name, CLSID* clsid) const override;
    int GetVideoCodecCount() const override { return 2; }
    void GetVideoCodec(int index, QString* name, CLSID* clsid) const override;
    void GetAudioBitrates(QList<int>* rates) const override;

    virtual HRESULT ConfigureMultiplexer(IBaseFilter* multiplexer);
    virtual HRESULT ConfigureVideoEncoder();
    virtual HRESULT ConfigureAudioEncoder();

    // The index into the AAC encoder's bit-rate table for a rate in kbit/s: the first entry at
    // least as high, or the last one.
    static int AudioBitrateIndex(int kbps);

protected:
    void Release();

    ComPtr<IBaseFilter> m_videoEncoder;
    ComPtr<IBaseFilter> m_audioEncoder;
};

// Audio-only MP4 files with the extension "m4a": the video of a video source is taken by the
// null video sink and discarded.
class CM4ATargetHandler final : public CMPEG4TargetHandler {
public:
    CM4ATargetHandler();
    QString GetExtension() const override { return QStringLiteral("m4a"); }
    QString GetFormatName() const override { return QStringLiteral("MPEG-4 Audio, Advanced Audio Coding (AAC)"); }
    int GetVideoCodecCount() const override { return 0; }
    void GetVideoCodec(int, QString*, CLSID*) const override { }
};

} // namespace vidlume
