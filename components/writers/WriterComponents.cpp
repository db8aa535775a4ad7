// The writers and sinks: the ends of the graphs the format handlers build, and the Time Grabber
// that sits in front of one of them. None is found by intelligent connect; the handlers create
// each by its class identifier.

#include "components/ComponentGroups.h"
#include "components/writers/CFileWriter.h"
#include "components/writers/CLameMp3Writer.h"
#include "components/writers/CLavfMp4Multiplexer.h"
#include "components/writers/CNullVideoSink.h"
#include "components/writers/CTimeGrabber.h"
#include "components/writers/CWaveFileWriter.h"
#include "platform/com/CClassRegistry.h"

namespace vidlume {

void RegisterWriterComponents()
{
    CClassRegistry& registry = CClassRegistry::Instance();
    registry.Register({ CLSID_FileWriter, "File Writer", {}, 0, CClassRegistry::FactoryOf<CFileWriter>() });
    registry.Register({ CLSID_MP4Multiplexer, "MP4 Multiplexer", {}, 0, CClassRegistry::FactoryOf<CLavfMp4Multiplexer>() });
    registry.Register({ CLSID_NullVideoSink, "Null Video Sink", {}, 0, CClassRegistry::FactoryOf<CNullVideoSink>() });
    registry.Register({ CLSID_TimeGrabber, "Time Grabber", {}, 0, CClassRegistry::FactoryOf<CTimeGrabber>() });
    registry.Register({ CLSID_WaveWriter, "Wave Writer", {}, 0, CClassRegistry::FactoryOf<CWaveFileWriter>() });
    registry.Register({ CLSID_MP3Writer, "MP3 Writer", {}, 0, CClassRegistry::FactoryOf<CLameMp3Writer>() });
}

} // namespace vidlume
