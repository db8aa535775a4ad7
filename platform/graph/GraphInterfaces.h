#pragma once
// The media graph as its users see it: filters with pins, a graph that connects them (directly or
// by finding decoders and converters in between), runs them and reports events, and seeking.
// Component authors implement these through the base classes of FilterAuthoring.h.
//
// Strings are UTF-8. Every interface pointer handed out through an out-parameter carries a
// reference that the caller owns. Unless an operation says otherwise it is meant for the thread
// that owns the graph; streaming happens on the filters' own threads.

#include "platform/com/IUnknown.h"
#include "platform/graph/MediaType.h"

#include <string>

namespace vidlume {

// Result codes of the graph.
constexpr HRESULT VFW_S_STATE_INTERMEDIATE = 0x00040237;
constexpr HRESULT VFW_E_NOT_CONNECTED = MakeHResult(0x80040209);
constexpr HRESULT VFW_E_ALREADY_CONNECTED = MakeHResult(0x80040204);
constexpr HRESULT VFW_E_NO_ACCEPTABLE_TYPES = MakeHResult(0x80040207);
constexpr HRESULT VFW_E_INVALID_DIRECTION = MakeHResult(0x80040208);
constexpr HRESULT VFW_E_TYPE_NOT_ACCEPTED = MakeHResult(0x8004022A);
constexpr HRESULT VFW_E_CANNOT_CONNECT = MakeHResult(0x80040217);
constexpr HRESULT VFW_E_NOT_IN_GRAPH = MakeHResult(0x8004025F);
constexpr HRESULT VFW_E_NOT_STOPPED = MakeHResult(0x80040224);
constexpr HRESULT VFW_E_WRONG_STATE = MakeHResult(0x80040227);
constexpr HRESULT VFW_E_DUPLICATE_NAME = MakeHResult(0x8004025C); // only when names must be unique
constexpr HRESULT VFW_E_UNKNOWN_FILE_TYPE = MakeHResult(0x80040240);
constexpr HRESULT VFW_E_INVALID_FILE_FORMAT = MakeHResult(0x8004022F);
constexpr HRESULT VFW_E_NOT_FOUND = MakeHResult(0x80040216);
constexpr HRESULT VFW_E_FILE_TOO_SHORT = MakeHResult(0x80040243);
constexpr HRESULT VFW_E_TIMEOUT = MakeHResult(0x8004022E);

// Event codes of IMediaEvent.
constexpr long EC_COMPLETE = 0x01;     // every renderer has received the end of its streams
constexpr long EC_USERABORT = 0x02;
constexpr long EC_ERRORABORT = 0x03;   // param1: the HRESULT; the graph stops itself
constexpr long EC_STREAM_ERROR_STOPPED = 0x06;

enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };
enum FILTER_STATE { State_Stopped = 0, State_Paused = 1, State_Running = 2 };

struct IBaseFilter;
struct IFilterGraph;
struct IReferenceClock;

struct PIN_INFO {
    IBaseFilter* pFilter = nullptr; // with a reference, or null for a pin outside any filter
    PIN_DIRECTION dir = PINDIR_INPUT;
    std::string achName;
    ~PIN_INFO();
};
struct FILTER_INFO {
    std::string achName;
    IFilterGraph* pGraph = nullptr; // with a reference, or null outside a graph
    ~FILTER_INFO();
};

// A clock for filters that present media in real time (previews). A transcode runs without one.
struct IReferenceClock : IUnknown {
    static constexpr IID kIid = MakeGuid("F628F848-6B44-4A09-9E7D-B03F524C7435");
    virtual HRESULT GetTime(REFERENCE_TIME* time) = 0;
};

struct IEnumMediaTypes : IUnknown {
    static constexpr IID kIid = MakeGuid("8828C67E-1696-4ECB-ADC0-83F5BDEA88A3");
    // Copies up to count types; S_FALSE when fewer were left.
    virtual HRESULT Next(ULONG count, CMediaType* types, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
};

struct IPin : IUnknown {
    static constexpr IID kIid = MakeGuid("B533CF7E-B55B-4D3B-BDEA-9380EAA13599");
    // Called on an output pin: connect to receivePin with the type, or, with null, with the first
    // type of either pin's list that both accept.
    virtual HRESULT Connect(IPin* receivePin, const CMediaType* type) = 0;
    // Called on an input pin by the connecting output pin.
    virtual HRESULT ReceiveConnection(IPin* connector, const CMediaType& type) = 0;
    // Breaks this side only; the graph disconnects both sides. S_FALSE when not connected.
    virtual HRESULT Disconnect() = 0;
    virtual HRESULT ConnectedTo(IPin** pin) = 0;          // VFW_E_NOT_CONNECTED
    virtual HRESULT ConnectionMediaType(CMediaType* type) = 0; // VFW_E_NOT_CONNECTED
    virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
    virtual HRESULT QueryDirection(PIN_DIRECTION* dir) = 0;
    virtual HRESULT QueryId(std::string* id) = 0;
    // S_OK when the pin would accept the type now, S_FALSE otherwise.
    virtual HRESULT QueryAccept(const CMediaType& type) = 0;
    // The types this pin offers (output) or prefers (input), best first.
    virtual HRESULT EnumMediaTypes(IEnumMediaTypes** types) = 0;
};

struct IEnumPins : IUnknown {
    static constexpr IID kIid = MakeGuid("4FA78180-741D-4D76-AB11-A7AE5F662207");
    virtual HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
};

struct IMediaFilter : IUnknown {
    static constexpr IID kIid = MakeGuid("19351867-D19E-4329-A7EA-50BB806E3131");
    virtual HRESULT GetClassID(CLSID* clsid) = 0;
    // Stop joins every streaming thread of the filter before it returns.
    virtual HRESULT Stop() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Run(REFERENCE_TIME start) = 0;
    virtual HRESULT GetState(uint32_t msTimeout, FILTER_STATE* state) = 0;
    // Null: no clock; samples are processed as fast as the filters allow.
    virtual HRESULT SetSyncSource(IReferenceClock* clock) = 0;
    virtual HRESULT GetSyncSource(IReferenceClock** clock) = 0;
};

struct IBaseFilter : IMediaFilter {
    static constexpr IID kIid = MakeGuid("F0110C7D-536E-4A83-BEC0-F9342FE053FC");
    using Base = IMediaFilter;
    virtual HRESULT EnumPins(IEnumPins** pins) = 0;
    // By pin identifier ("In", "Out", "Input 0" ...). VFW_E_NOT_FOUND when absent.
    virtual HRESULT FindPin(const std::string& id, IPin** pin) = 0;
    virtual HRESULT QueryFilterInfo(FILTER_INFO* info) = 0;
    // Called by the graph when the filter is added (graph, name) and removed (null, "").
    // The filter does not hold a reference to its graph.
    virtual HRESULT JoinFilterGraph(IFilterGraph* graph, const std::string& name) = 0;
};

struct IEnumFilters : IUnknown {
    static constexpr IID kIid = MakeGuid("FE404505-58DC-4BDE-9ADB-FEF4D712CBDB");
    virtual HRESULT Next(ULONG count, IBaseFilter** filters, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
};

struct IFilterGraph : IUnknown {
    static constexpr IID kIid = MakeGuid("F9C8C2ED-250B-4E30-9EA4-688ABC5E1A07");
    // The graph takes a reference. An empty name gets a generated one.
    virtual HRESULT AddFilter(IBaseFilter* filter, const std::string& name) = 0;
    // Disconnects the filter's pins and releases it. The graph must be stopped.
    virtual HRESULT RemoveFilter(IBaseFilter* filter) = 0;
    // In the order the filters were added.
    virtual HRESULT EnumFilters(IEnumFilters** filters) = 0;
    virtual HRESULT FindFilterByName(const std::string& name, IBaseFilter** filter) = 0;
    // Connects an output pin straight to an input pin, with the type or by negotiation.
    virtual HRESULT ConnectDirect(IPin* out, IPin* in, const CMediaType* type) = 0;
    // Disconnects one side of a connection (call it for both pins).
    virtual HRESULT Disconnect(IPin* pin) = 0;
};

struct IGraphBuilder : IFilterGraph {
    static constexpr IID kIid = MakeGuid("3BC45ECE-B02C-413A-A709-A044F9054D57");
    using Base = IFilterGraph;
    // Connects out to in, directly when they agree, otherwise through decoders, parsers and
    // converters taken from the class registry (preferred decoders first). Filters it added
    // for a failed attempt are removed again.
    virtual HRESULT Connect(IPin* out, IPin* in) = 0;
    // Adds a source for a file path or an http/https address and loads it.
    virtual HRESULT AddSourceFilter(const std::string& path, const std::string& name, IBaseFilter** filter) = 0;
};

struct IMediaControl : IUnknown {
    static constexpr IID kIid = MakeGuid("86C04793-7B4F-4EC3-970C-AB035AF9FC9C");
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    // Stops every filter; every streaming thread has been joined when it returns.
    virtual HRESULT Stop() = 0;
    // Pauses and then stops (for a transcode: the data already written stays complete).
    virtual HRESULT StopWhenReady() = 0;
    virtual HRESULT GetState(long msTimeout, FILTER_STATE* state) = 0;
};

struct IMediaEvent : IUnknown {
    static constexpr IID kIid = MakeGuid("4D16F8F6-ADE7-45C2-BE87-49A5571574D0");
    // The next event, waiting at most msTimeout (0: do not wait). E_ABORT when there is none.
    virtual HRESULT GetEvent(long* code, intptr_t* param1, intptr_t* param2, long msTimeout) = 0;
    virtual HRESULT FreeEventParams(long code, intptr_t param1, intptr_t param2) = 0;
    // Waits for EC_COMPLETE, EC_ERRORABORT or EC_USERABORT; E_ABORT on time-out (-1: no limit).
    virtual HRESULT WaitForCompletion(long msTimeout, long* code) = 0;
};

// AM_SEEKING capabilities.
constexpr uint32_t AM_SEEKING_CanSeekAbsolute = 0x1;
constexpr uint32_t AM_SEEKING_CanSeekForwards = 0x2;
constexpr uint32_t AM_SEEKING_CanSeekBackwards = 0x4;
constexpr uint32_t AM_SEEKING_CanGetCurrentPos = 0x8;
constexpr uint32_t AM_SEEKING_CanGetStopPos = 0x10;
constexpr uint32_t AM_SEEKING_CanGetDuration = 0x20;
// SetPositions flags.
constexpr uint32_t AM_SEEKING_NoPositioning = 0;
constexpr uint32_t AM_SEEKING_AbsolutePositioning = 1;
constexpr uint32_t AM_SEEKING_RelativePositioning = 2;
constexpr uint32_t AM_SEEKING_PositioningBitsMask = 3;

// Positions in reference time (100 ns).
struct IMediaSeeking : IUnknown {
    static constexpr IID kIid = MakeGuid("6CE1471F-4DEF-4A15-A53C-BCBBE45C9C08");
    virtual HRESULT GetCapabilities(uint32_t* capabilities) = 0;
    // S_OK when all are supported, S_FALSE when some, E_FAIL when none; *capabilities keeps the common ones.
    virtual HRESULT CheckCapabilities(uint32_t* capabilities) = 0;
    virtual HRESULT GetDuration(REFERENCE_TIME* duration) = 0;
    virtual HRESULT GetStopPosition(REFERENCE_TIME* stop) = 0;
    virtual HRESULT GetCurrentPosition(REFERENCE_TIME* current) = 0;
    // Either pointer may be null together with AM_SEEKING_NoPositioning. Set while stopped,
    // the positions apply to the next run.
    virtual HRESULT SetPositions(REFERENCE_TIME* current, uint32_t currentFlags, REFERENCE_TIME* stop, uint32_t stopFlags) = 0;
    virtual HRESULT GetPositions(REFERENCE_TIME* current, REFERENCE_TIME* stop) = 0;
};

struct IFileSourceFilter : IUnknown {
    static constexpr IID kIid = MakeGuid("B92A316C-DDC8-4B93-A7D2-EA464F35241F");
    // Opens the file or address; the type may be null.
    virtual HRESULT Load(const std::string& path, const CMediaType* type) = 0;
    virtual HRESULT GetCurFile(std::string* path, CMediaType* type) = 0;
};

struct IFileSinkFilter : IUnknown {
    static constexpr IID kIid = MakeGuid("5764F230-153B-4127-9FA4-C9B56366AC24");
    // The file to write. It is created when the graph starts, never over an existing file.
    virtual HRESULT SetFileName(const std::string& path, const CMediaType* type) = 0;
    virtual HRESULT GetCurFile(std::string* path, CMediaType* type) = 0;
};

// A small VARIANT: the three kinds the module configuration interface carries.
enum VARTYPE : uint16_t { VT_EMPTY = 0, VT_I4 = 3, VT_R8 = 5, VT_UI4 = 19 };
struct VARIANT {
    VARTYPE vt = VT_EMPTY;
    union {
        int32_t lVal;
        uint32_t ulVal;
        double dblVal;
    };
    VARIANT() : lVal(0) { }
    static VARIANT I4(int32_t v) { VARIANT x; x.vt = VT_I4; x.lVal = v; return x; }
    static VARIANT UI4(uint32_t v) { VARIANT x; x.vt = VT_UI4; x.ulVal = v; return x; }
    static VARIANT R8(double v) { VARIANT x; x.vt = VT_R8; x.dblVal = v; return x; }
    // The value as a number whatever its kind (VT_UI4 keeps its unsigned value).
    double AsDouble() const { return vt == VT_R8 ? dblVal : vt == VT_UI4 ? double(ulVal) : vt == VT_I4 ? double(lVal) : 0.0; }
};

// Parameters of codecs and converters, by parameter GUID. Values set take effect at CommitChanges.
struct IModuleConfig : IUnknown {
    static constexpr IID kIid = MakeGuid("486F726E-4D43-49B9-8A0C-C22A2B0524E8");
    // E_INVALIDARG for a parameter the component does not have or a value of the wrong kind.
    virtual HRESULT SetValue(const Guid& parameter, const VARIANT& value) = 0;
    // The committed value.
    virtual HRESULT GetValue(const Guid& parameter, VARIANT* value) = 0;
    virtual HRESULT IsSupported(const Guid& parameter) = 0;
    // Every parameter back to its default (pending until commit).
    virtual HRESULT SetDefState() = 0;
    virtual HRESULT CommitChanges() = 0;
};

// Chooses the media type a video encoder or sink works with before it is connected.
struct IMediaTypeConfig : IUnknown {
    static constexpr IID kIid = MakeGuid("E8AABCBF-4EEF-429A-BA13-2880578CB312");
    virtual HRESULT SetMediaType(const Guid& majorType, const Guid& subtype) = 0;
};

// Of the "Time Grabber": the start time of the last sample that passed it.
struct ITimeGrabber : IUnknown {
    static constexpr IID kIid = MakeGuid("063EF76E-9790-44C2-AAAC-F63671C6B875");
    virtual HRESULT GetLastSampleTime(REFERENCE_TIME* time) = 0;
};

// Which decoder to try first for a compressed subtype, in intelligent connect.
struct IDecoderPreferences : IUnknown {
    static constexpr IID kIid = MakeGuid("0E26A181-F40C-4635-8786-976284B52981");
    virtual HRESULT ClearPreferences() = 0;
    // S_FALSE and GUID_NULL when the subtype has no preferred decoder.
    virtual HRESULT GetPreferredDecoder(const Guid& subtype, CLSID* decoder) = 0;
    virtual HRESULT SetPreferredDecoder(const Guid& subtype, const CLSID& decoder) = 0;
};

// Class identifiers of the graph and of the components the program creates.
constexpr CLSID CLSID_FilterGraph = MakeGuid("E436EBB3-524F-11CE-9F53-0020AF0BA770");
constexpr CLSID CLSID_AsyncReader = MakeGuid("E436EBB5-524F-11CE-9F53-0020AF0BA770");
constexpr CLSID CLSID_NetworkSource = MakeGuid("8BCD3EB9-9C3D-4CF8-BBDA-D19AF1C1B45B");
constexpr CLSID CLSID_Demultiplexer = MakeGuid("2A55FF12-1657-41D7-9D2D-A2CDC6978FF2");
constexpr CLSID CLSID_Demultiplexer2 = MakeGuid("136DCBF5-3874-4B70-AE3E-15997D6334F7");
constexpr CLSID CLSID_H264Decoder = MakeGuid("96B9D0ED-8D13-4171-A983-B84D88D627BE");
constexpr CLSID CLSID_MPEG4Decoder = MakeGuid("FC86AD6C-894A-44E9-A283-4B5A9DD6CA65");
constexpr CLSID CLSID_MPEG2Decoder = MakeGuid("BC4EB321-771F-4E9F-AF67-37C631ECA106");
constexpr CLSID CLSID_AACDecoder = MakeGuid("19987CEE-DEE8-49DC-98EC-F21380AA9E68");
constexpr CLSID CLSID_AC3Decoder = MakeGuid("982788F5-87AD-4F7C-862E-6D18549E9554");
constexpr CLSID CLSID_TimeGrabber = MakeGuid("1C5DD401-43A5-4238-82E1-8DDF21E88631");
constexpr CLSID CLSID_MediaInfo = MakeGuid("1A142553-C7DE-4C38-80E7-CFA6CDF5F20D");
constexpr CLSID CLSID_DecoderPreferences = MakeGuid("8670C736-F614-427B-8ADA-BBADC587194B");
constexpr CLSID CLSID_H264Encoder = MakeGuid("89E38862-6553-4936-9202-D6AAF66E96CB");
constexpr CLSID CLSID_MPEG4Encoder = MakeGuid("4D6D1E58-D8C4-47B4-B968-836F443AAC90");
constexpr CLSID CLSID_AACEncoder = MakeGuid("34C7AD29-A6FD-48E1-9AEF-E7A7397912B7");
constexpr CLSID CLSID_MP4Multiplexer = MakeGuid("0755FD77-C79A-4ED3-9E2B-8F90B1496510");
constexpr CLSID CLSID_SampleRateConverter = MakeGuid("7C32A8A2-17B8-4925-9699-9863A9B7BCB8");
constexpr CLSID CLSID_FrameRateConverter = MakeGuid("A4DCA218-AC9E-4D1F-8600-C5B1F390D408");
constexpr CLSID CLSID_VideoResizer = MakeGuid("BEB7FFE8-37BA-4849-AE26-7A10EF20A303");
constexpr CLSID CLSID_NullVideoSink = MakeGuid("D54CE642-6ABA-4C17-AA17-D712E9AE8036");
constexpr CLSID CLSID_WaveWriter = MakeGuid("A3692B98-5DB9-48E5-8CFF-072C78206A01");
constexpr CLSID CLSID_MP3Writer = MakeGuid("9B9AB9AE-B038-40DB-9DEF-3EBC150CE126");
constexpr CLSID CLSID_FileWriter = MakeGuid("8596E5F0-0DA5-11D0-BD21-00A0C911CE86");
constexpr CLSID CLSID_WMAsfWriter = MakeGuid("7C23220E-55BB-11D3-8B16-00C04FB6BD3D");
constexpr CLSID CLSID_CDAudioSource = MakeGuid("D1A95825-3A54-4810-9A32-EC9A97F1AA48");
constexpr CLSID CLSID_DVDTitleSource = MakeGuid("A5719230-3F69-41A3-B421-BA0217A23173");
// Our own: general decoders and format converters that intelligent connect finds.
constexpr CLSID CLSID_GenericVideoDecoder = MakeGuid("2C1B9E70-6F4A-4B8E-9D1F-5A3C7E2B4D61");
constexpr CLSID CLSID_GenericAudioDecoder = MakeGuid("7E4D2A19-3B6C-4F85-A0D2-8C1E5F9B3A74");
constexpr CLSID CLSID_ColourConverter = MakeGuid("60F5375D-F221-4FD7-B44A-58E83E5ACE1A");
constexpr CLSID CLSID_AudioConverter = MakeGuid("613B142E-063D-4FAA-B3C1-2B58F1E457CF");

// Categories of the class registry that intelligent connect searches.
constexpr Guid CATEGORY_Parsers = MakeGuid("D9C8E071-37D5-4EBE-9E9C-56BDA3635E94");
constexpr Guid CATEGORY_Decoders = MakeGuid("FE0B66B5-8167-4FF0-8B89-3CEB25CB989E");
constexpr Guid CATEGORY_Converters = MakeGuid("2B95A41F-3C46-42B8-8A72-9A4310734249");

} // namespace vidlume
