#pragma once
// A source filter that offers the bytes of a file or an address, unparsed, for a parser to pull:
// the file source (CLSID_AsyncReader, local paths) and the network source (CLSID_NetworkSource,
// http:// and https:// addresses). Which one it is only decides how Load opens its reader.
//
// Pins: "Output" - MEDIATYPE_Stream, subtype GUID_NULL, with IAsyncReader (CAsyncReaderPin).
// IFileSourceFilter::Load opens the path at once, so a missing or unreadable file fails there
// with a clear result (see CPosixFileReader and CLavfHttpReader); it may be called again while
// the output is not connected. The filter has no thread of its own: Stop only ends a network
// read that is waiting at that moment.

#include "components/sources/CByteReader.h"
#include "platform/graph/CBaseFilter.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace vidlume {

class CAsyncReaderPin;

class CByteStreamSource final : public CBaseFilter, public IFileSourceFilter {
public:
    // Opens a reader for a path; *reader is set only on success.
    using Opener = std::function<HRESULT(const std::string& path, std::unique_ptr<CByteReader>* reader)>;

    CByteStreamSource(const CLSID& clsid, Opener open);
    ~CByteStreamSource() override;

    VIDLUME_UNKNOWN_VIA(CBaseFilter)

    // IFileSourceFilter. VFW_E_ALREADY_CONNECTED while the output is connected; the path stays
    // as it was when opening fails.
    HRESULT Load(const std::string& path, const CMediaType* type) override;
    HRESULT GetCurFile(std::string* path, CMediaType* type) override;

    // The open reader, or null before a successful Load. Thread-safe.
    std::shared_ptr<CByteReader> Reader() const;

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** ppv) override;
    void OnStop() override;

private:
    Opener m_open;
    CAsyncReaderPin* m_output;
    mutable std::mutex m_lock;
    std::shared_ptr<CByteReader> m_reader;
    std::string m_path;
};

} // namespace vidlume
