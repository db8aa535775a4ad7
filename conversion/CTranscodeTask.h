#pragma once
// Converts one source item into one output file. The target adds its encoding and writing part
// to the task's graph, the source its reading and decoding part, and the graph then runs without
// a clock, as fast as the filters allow. The document polls the task; the task never blocks longer
// than a short state query.
//
// Beyond "running or not", the task remembers whether the conversion succeeded: a graph that
// reports an error ends the task as failed, its partial output is deleted and message 219 shown.

#include "conversion/ITask.h"
#include "platform/com/ComPtr.h"
#include "platform/graph/GraphInterfaces.h"

#include <QString>

#include <memory>

namespace vidlume {

class CSourceDevice;
class CTargetDevice;
class CSleepInhibitor;

class CTranscodeTask final : public ITask {
public:
    // Takes a reference to the given graph; with none, creates a CLSID_FilterGraph (a failure
    // leaves none, and Start then fails).
    CTranscodeTask(CSourceDevice* source, CTargetDevice* target, const QString& title, const QString& sourcePath, bool audioOnly,
        IGraphBuilder* graph = nullptr);
    ~CTranscodeTask() override;

    bool Start() override;
    void Abort() override;
    bool Poll() override;
    float GetProgress() override;
    QString GetDescription() override;

    IGraphBuilder* GetGraph() const { return m_graph.Get(); }
    void SetInputPins(IPin* video, IPin* audio);
    IPin* GetVideoInputPin() const { return m_videoInput.Get(); }
    HRESULT GetAudioInputPin(ComPtr<IPin>* pin) const;
    IPin* AudioInputPin() const { return m_audioInput.Get(); }
    void SetSeeking(IMediaSeeking* seeking) { m_seeking = seeking; }
    IMediaSeeking* GetSeeking() const { return m_seeking.Get(); }
    const QString& GetTitle() const { return m_title; }
    const QString& GetSourcePath() const { return m_sourcePath; }
    const QString& GetOutputPath() const { return m_outputPath; }
    void SetOutputPath(const QString& path) { m_outputPath = path; }
    void SetDuration(REFERENCE_TIME duration) { m_duration = duration; }
    bool IsAudioOnly() const { return m_audioOnly; }
    CSourceDevice* GetSourceDevice() const { return m_source; }
    CTargetDevice* GetTargetDevice() const { return m_target; }
    // The "Time Grabber" in front of the target's input (audio for audio-only tasks).
    HRESULT InsertTimeGrabber();

    // After the task ended: whether the output file was written completely.
    bool Succeeded() const { return m_succeeded; }
    // The result of the failed start or of the graph's error, S_OK otherwise.
    HRESULT GetError() const { return m_error; }

private:
    bool Fail(HRESULT hr);
    void EndWithError(HRESULT hr);
    void DeleteOutput();

    ComPtr<IGraphBuilder> m_graph;
    ComPtr<IPin> m_videoInput;
    ComPtr<IPin> m_audioInput;
    ComPtr<IMediaSeeking> m_seeking;
    ComPtr<ITimeGrabber> m_timeGrabber;
    QString m_title;
    QString m_outputPath;
    QString m_sourcePath;
    REFERENCE_TIME m_duration = -1;
    bool m_audioOnly;
    CSourceDevice* m_source;
    CTargetDevice* m_target;

    bool m_succeeded = false;
    HRESULT m_error = S_OK;
    std::unique_ptr<CSleepInhibitor> m_inhibitor;
};

} // namespace vidlume
