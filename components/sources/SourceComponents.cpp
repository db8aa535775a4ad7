#include "components/ComponentGroups.h"

#include "CByteStreamSource.h"
#include "CLavfDemultiplexer.h"
#include "CLavfHttpReader.h"
#include "CPosixFileReader.h"
#include "platform/com/CClassRegistry.h"

namespace vidlume {

namespace {

    template <class Make>
    CClassRegistry::Factory FactoryFrom(Make make)
    {
        return [make](REFIID iid, void** ppv) -> HRESULT {
            if (!ppv)
                return E_POINTER;
            *ppv = nullptr;
            auto object = make();
            return object ? object->QueryInterface(iid, ppv) : E_OUTOFMEMORY;
        };
    }

    // The first choice is tried before the second by intelligent connect.
    constexpr uint32_t kDemultiplexerMerit = 0x00600000;
    constexpr uint32_t kDemultiplexer2Merit = 0x005FFFFF;

} // namespace

void RegisterSourceComponents()
{
    auto& registry = CClassRegistry::Instance();
    registry.Register({ CLSID_AsyncReader, "File Source", {}, 0, FactoryFrom([] {
                           return MakeComObject<CByteStreamSource>(CLSID_AsyncReader, &CPosixFileReader::Open);
                       }) });
    registry.Register({ CLSID_NetworkSource, "Network Source", {}, 0, FactoryFrom([] {
                           return MakeComObject<CByteStreamSource>(CLSID_NetworkSource, &CLavfHttpReader::Open);
                       }) });
    const std::vector<std::pair<Guid, Guid>> byteStreams { { MEDIATYPE_Stream, GUID_NULL } };
    registry.Register({ CLSID_Demultiplexer, "Demultiplexer", { CATEGORY_Parsers }, kDemultiplexerMerit,
        FactoryFrom([] { return MakeComObject<CLavfDemultiplexer>(CLSID_Demultiplexer, false); }), byteStreams });
    registry.Register({ CLSID_Demultiplexer2, "Demultiplexer 2", { CATEGORY_Parsers }, kDemultiplexer2Merit,
        FactoryFrom([] { return MakeComObject<CLavfDemultiplexer>(CLSID_Demultiplexer2, true); }), byteStreams });
}

} // namespace vidlume
