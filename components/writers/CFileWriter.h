#pragma once
// The file writer (CLSID_FileWriter): the end of a graph that writes a byte stream - what a
// multiplexer makes - into the file named through IFileSinkFilter.
//
// Pin "in" (input) takes MEDIATYPE_Stream. Besides IMemInputPin it offers IFileStream: the
// multiplexer upstream writes at any position and reads back what it wrote (to move the MP4
// index to the front), from its streaming thread. Samples delivered to the pin are appended after
// the last appended byte. When the end of stream arrives the writer, being a renderer, reports
// EC_COMPLETE.
//
// The file is created when the graph starts: never over an existing file (the start then fails
// with kErrorFileExists and the file is left untouched), and an unwritable or missing folder fails
// the start too (E_ACCESSDENIED, HResultFromWin32(ERROR_PATH_NOT_FOUND)). It is closed when the
// graph stops. The graph stops the writer before the multiplexer, so the multiplexer may still be
// on its way to write: such a write waits for the close or fails with VFW_E_WRONG_STATE after it,
// never touching a closed descriptor.

#include "components/writers/CBaseFileSink.h"

namespace vidlume {

class CFileWriter final : public CBaseFileSink {
public:
    CFileWriter();

protected:
    HRESULT OnStart() override;
    void OnStop() override;

private:
    class CInput;

    CExclusiveFile m_file;
};

} // namespace vidlume
