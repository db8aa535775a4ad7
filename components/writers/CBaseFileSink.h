#pragma once
// Base of the filters that end a graph by writing a file themselves: the file writer, the Wave
// writer and the MP3 writer. It keeps the file name given through IFileSinkFilter; the concrete
// filter creates the file when the graph starts (never over an existing one) and closes it when
// the graph stops.

#include "components/writers/CExclusiveFile.h"
#include "platform/graph/CBaseFilter.h"

#include <mutex>
#include <string>

namespace vidlume {

class CBaseFileSink : public CBaseFilter, public IFileSinkFilter {
public:
    VIDLUME_UNKNOWN_VIA(CBaseFilter)

    // IFileSinkFilter. The name can change only while the filter is stopped (VFW_E_NOT_STOPPED);
    // an empty one is E_INVALIDARG. The media type is not used and may be null.
    HRESULT SetFileName(const std::string& path, const CMediaType* type) override;
    // The name set (empty when none); the type, when asked for, is left empty.
    HRESULT GetCurFile(std::string* path, CMediaType* type) override;

protected:
    explicit CBaseFileSink(const CLSID& clsid);

    HRESULT QueryOtherInterface(REFIID iid, void** ppv) override;

    // Creates the file named by SetFileName (see CExclusiveFile::Create); E_UNEXPECTED when no
    // name was set.
    HRESULT CreateOutputFile(CExclusiveFile& file);

private:
    std::mutex m_pathLock;
    std::string m_path;
};

} // namespace vidlume
