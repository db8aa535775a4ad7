#pragma once
// The graph-building steps the source devices share, and the unique output name of the targets.
// Every interface handed out carries its own reference.

#include "platform/com/ComPtr.h"
#include "platform/graph/GraphInterfaces.h"

#include <QString>

namespace vidlume {

class CTranscodeTask;

// The index-th pin (from 0) of the filter with the direction whose types PinAcceptsType accepts.
HRESULT FindPin(IBaseFilter* filter, PIN_DIRECTION direction, const Guid& majorType, const Guid& subtype, int index, ComPtr<IPin>* pin);
// S_OK when the major type is GUID_NULL or one of the pin's types has the major type and the
// subtype (GUID_NULL: any); S_FALSE otherwise.
HRESULT PinAcceptsType(IPin* pin, const Guid& majorType, const Guid& subtype);

// The graph's own source for the path, and its first video output, or else its first byte stream.
HRESULT OpenSourceFile(IGraphBuilder* graph, const QString& path, ComPtr<IPin>* pin);
// Creates the filter, adds it under the name, connects upstream to its first input and returns
// its first video output; on any failure the filter leaves the graph again.
HRESULT AddDemultiplexer(IGraphBuilder* graph, const CLSID& clsid, IPin* upstream, ComPtr<IPin>* videoPin);
HRESULT AddVideoDecoder(IGraphBuilder* graph, const CLSID& clsid, IPin* upstream, ComPtr<IPin>* videoPin);
// File or network source, demultiplexer, decoder - or the fallback through OpenSourceFile.
HRESULT BuildVideoChain(CTranscodeTask* task, ComPtr<IPin>* decodedVideo);
// Stores in the task the first IMediaSeeking found from the pin upstream.
HRESULT FindStreamSeeking(IPin* pin, CTranscodeTask* task);
// Gives the H.264 decoder of the task's graph its frame rate.
HRESULT ConfigureAvcDecoder(CTranscodeTask* task);

// "folder/title.ext", or "folder/title (2).ext", (3) ... while that name is taken by a file or a
// folder. Nothing is created.
QString MakeOutputPath(const QString& folder, const QString& extension, CTranscodeTask* task);
// Deletes every file (not folder) directly in the folder; results are not checked.
void EmptyFolder(const QString& folder);

// A path the network source opens: it begins with "http://" exactly.
bool IsNetworkPath(const QString& path);

} // namespace vidlume
