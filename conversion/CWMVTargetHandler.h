#pragma once
// Windows Media files: one writer filter configured with a profile made from the program's
// template, in which only the picture size comes from the current settings.

#include "conversion/CTargetHandler.h"

namespace vidlume {

class CWMVTargetHandler final : public CTargetHandler {
public:
    CWMVTargetHandler();

    HRESULT AddEncoders(const QString& outputPath, IGraphBuilder* graph, ComPtr<IPin>* videoInput, ComPtr<IPin>* audioInput) override;
    HRESULT CompleteGraph() override { return S_OK; }
    QString GetExtension() const override { return QStringLiteral("wmv"); }
    QString GetFormatName() const override { return QStringLiteral("Windows Media Video (WMV)"); }
    int GetAudioCodecCount() const override { return 1; }
    void GetAudioCodec(int index, QString* name, CLSID* clsid) const override;
    int GetVideoCodecCount() const override { return 1; }
    void GetVideoCodec(int index, QString* name, CLSID* clsid) const override;

    // The template with the current size in place of "%width%" and "%height%".
    QString ProfileText() const;
};

} // namespace vidlume
