#pragma once
// The "Time Grabber" (CLSID_TimeGrabber): a pass-through put in front of a target's input so the
// task can tell how far a conversion has come. Samples go on unchanged - the same sample, its data
// shared, never copied - as do the end of stream and flushes; the start time of each sample is
// kept.
//
// Pins, in this order: "In" (input) takes any media type; "Out" (output) offers exactly the
// input's type and takes nothing else. The grabber is put into a connection that already worked,
// after both ends were disconnected: when the target refuses the type "In" took from upstream,
// "Out" reconnects "In" with another type upstream offers that the target accepts, so the
// insertion does not fail only because upstream lists another type first.
//
// ITimeGrabber::GetLastSampleTime: the start time of the last sample that passed (samples without
// a time are skipped), 0 before any since the graph started. Any thread.

#include "platform/graph/CBaseFilter.h"

#include <atomic>

namespace vidlume {

class CTimeGrabber final : public CBaseFilter, public ITimeGrabber {
public:
    CTimeGrabber();

    VIDLUME_UNKNOWN_VIA(CBaseFilter)

    // ITimeGrabber
    HRESULT GetLastSampleTime(REFERENCE_TIME* time) override;

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** ppv) override;
    HRESULT OnStart() override;

private:
    class CInput;
    class COutput;

    CInput* m_input;
    COutput* m_output;
    std::atomic<REFERENCE_TIME> m_last { 0 };
};

} // namespace vidlume
