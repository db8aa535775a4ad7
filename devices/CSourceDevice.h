#pragma once
// A device that items come from. The default behaviour is the plain file source: video files
// become video tasks, audio files audio-only tasks, and the source part of a task's graph is a
// file source, a demultiplexer and a decoder.

#include "devices/CBaseDevice.h"
#include "platform/com/HResult.h"

#include <QList>
#include <QStringList>

namespace vidlume {

class CTargetDevice;

class CSourceDevice : public CBaseDevice {
public:
    // The source part of an audio-only task, connected to the task's audio input pin.
    virtual HRESULT AddAudioSource(CTargetDevice* target, CTranscodeTask* task);
    // The source part of a video task, connected to both input pins (no sound is no failure).
    virtual HRESULT AddVideoSource(CTargetDevice* target, CTranscodeTask* task);
    virtual HRESULT FinishGraph(CTargetDevice* target, CTranscodeTask* task) { return S_OK; }
    // Seconds of playing time of the items a transfer would take now.
    virtual double GetSelectedDuration();
    // Appends one task per item (the given paths, or the page's marked items) to tasks; an item
    // of an unknown kind is reported with message 300 and skipped. False when the target refuses
    // this source.
    virtual bool CreateTasks(QList<CTranscodeTask*>* tasks, CTargetDevice* target, const QStringList* paths);

protected:
    using CBaseDevice::CBaseDevice;
};

} // namespace vidlume
