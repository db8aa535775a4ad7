#pragma once
// One output format: its extension and name, the codecs and values the format settings dialog
// offers, its profiles, and the current settings (a copy of the profile last selected, which the
// dialog may edit). When a task runs, the target device asks the current handler to add the
// encoders and writer to the task's graph and, once the source is connected, to complete it.

#include "conversion/CTargetProfile.h"
#include "platform/com/ComPtr.h"
#include "platform/graph/GraphInterfaces.h"

#include <QList>
#include <QSize>
#include <QString>

#include <memory>
#include <vector>

namespace vidlume {

// Parameter identifiers of the converters the handlers insert.
constexpr Guid PARAM_SampleRate = MakeGuid("1AF02EDB-7353-4A44-B4FE-106DB15EA05C");
constexpr Guid PARAM_FrameRateCode = MakeGuid("7CFA24E9-81FC-41A5-928E-66B9F781B6DC");
constexpr Guid PARAM_ResizeMode = MakeGuid("A68F13F1-CC33-436A-BCBF-0A5C95EBE27F");
constexpr Guid PARAM_ResizeWidth = MakeGuid("04B86B7E-C04B-448F-BFF5-2A50F1945ACD");
constexpr Guid PARAM_ResizeHeight = MakeGuid("32A5E96D-2AC3-4D46-BF70-431BEE62DF35");
constexpr Guid PARAM_ResizeFullHd = MakeGuid("6E7CFA3C-7395-4DF9-A3D2-7E1DBE442B42");

class CTargetHandler {
public:
    virtual ~CTargetHandler();

    // A failure makes the target device show the missing-component dialog with both texts.
    virtual HRESULT CheckComponents(QString* message, QString* downloadAddress);
    // Adds the encoders (or the writer) for a file at outputPath; hands out the pins the source
    // part connects to. The handler holds the graph until CompleteGraph.
    virtual HRESULT AddEncoders(const QString& outputPath, IGraphBuilder* graph, ComPtr<IPin>* videoInput, ComPtr<IPin>* audioInput) = 0;
    // After the source part is connected: converters, multiplexer, writer.
    virtual HRESULT CompleteGraph() = 0;
    virtual QString GetExtension() const = 0;
    virtual QString GetFormatName() const = 0;
    virtual int GetAudioCodecCount() const = 0;
    virtual void GetAudioCodec(int index, QString* name, CLSID* clsid) const = 0;
    virtual int GetVideoCodecCount() const = 0;
    virtual void GetVideoCodec(int index, QString* name, CLSID* clsid) const = 0;
    // Value lists of the format settings dialog; a 0 entry means "as the source".
    virtual void GetResolutions(QList<QSize>* sizes) const;
    virtual void GetVideoBitrateRange(int* minimum, int* maximum) const;
    virtual void GetAudioBitrates(QList<int>* rates) const;
    virtual void GetFrameRates(QList<int>* rates) const;
    virtual void GetSampleRates(QList<int>* rates) const;

    // Copies the profile's values into the current settings; an index outside the list changes nothing.
    void SelectProfile(int index);
    int GetCurrentProfileIndex() const { return m_currentProfile; }
    int GetProfileCount() const { return int(m_profiles.size()); }
    const CTargetProfile& GetProfile(int index) const { return *m_profiles[size_t(index)]; }

    // The current settings.
    CVideoSettings m_video;
    CAudioSettings m_audio;
    const std::vector<uint8_t>* m_options = nullptr; // the current profile's block, shared

protected:
    CTargetHandler() = default;
    void AddProfile(std::unique_ptr<CTargetProfile> profile) { m_profiles.push_back(std::move(profile)); }
    void ClearProfiles();
    // The index-th 32-bit integer of the option block; 0 past its end.
    int32_t OptionValue(int index) const;

    // Puts a filter in front of an input pin that is already connected.
    HRESULT InsertFilter(IBaseFilter* filter, IGraphBuilder* graph, IPin* pin);
    HRESULT InsertSampleRateConverter(IGraphBuilder* graph, IPin* pin);
    HRESULT InsertFrameRateConverter(IGraphBuilder* graph, IPin* pin);
    HRESULT InsertResizer(IGraphBuilder* graph, IPin* pin);

    ComPtr<IGraphBuilder> m_graph;
    QString m_outputPath;

private:
    int m_currentProfile = 0;
    std::vector<std::unique_ptr<CTargetProfile>> m_profiles;
};

} // namespace vidlume
