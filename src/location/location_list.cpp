#include "kxtapi/location/location_list.h"

#include "kxtapi/session/errors.h"
#include "kxtapi/tapi/line_functions.h"
#include "kxtapi/tapi/location_structs.h"
#include "location/location_blocks.h"

#include <cstddef>

namespace kxtapi {

namespace {

uint32_t CurrentLocationID(const TVarBlock& Caps)
{
    return Caps.Dword(static_cast<uint32_t>(offsetof(LINETRANSLATECAPS, dwCurrentLocationID)));
}

} // namespace

TTapiLocationList::TTapiLocationList() : LineApp(location::SessionLineApp())
{
    Init();
}

TTapiLocationList::~TTapiLocationList()
{
    TTapiLocationList::Clear();
}

int32_t TTapiLocationList::Init()
{
    return Update();
}

int32_t TTapiLocationList::Init(uint32_t ALineApp, uint32_t AAPIVersion)
{
    LineApp = ALineApp;
    APIVersion = AAPIVersion;
    return Update();
}

int32_t TTapiLocationList::Update()
{
    Valid = false;
    if (!FCaps.Exists()) FCaps.Allocate(TranslateCapsSize);

    uint32_t r = location::FetchTranslateCaps(FCaps, LineApp, APIVersion);
    while (r == LINEERR_INCOMPATIBLEAPIVERSION) {
        const uint32_t Lower = location::LowerAPIVersion(APIVersion);
        if (Lower == 0) break;
        APIVersion = Lower;
        r = location::FetchTranslateCaps(FCaps, LineApp, APIVersion);
    }
    LastError = static_cast<int32_t>(r);
    if (r != 0) return LastError;

    const uint32_t Count = location::LocationEntryCount(FCaps.View());
    for (uint32_t i = 0; i < Count; ++i) {
        const int Index = static_cast<int>(i);
        TTapiLocation* Entry = Index < TList::Count() ? Get(Index) : nullptr;
        if (Entry == nullptr) {
            auto Fresh = std::make_unique<TTapiLocation>();
            Entry = Fresh.get();
            if (Index < TList::Count()) TList::Put(Index, Fresh.release());
            else TList::Add(Fresh.release());
        }
        Entry->AssignLocEntry(&FCaps, i);
    }
    while (static_cast<uint32_t>(TList::Count()) > Count) {
        delete static_cast<TTapiLocation*>(TList::Last());
        TList::Delete(TList::Count() - 1);
    }
    Valid = true;
    return 0;
}

void TTapiLocationList::Clear()
{
    Valid = false;
    for (int i = TList::Count() - 1; i >= 0; --i) delete static_cast<TTapiLocation*>(TList::Get(i));
    FCaps.Free();
    TList::Clear();
}

int32_t TTapiLocationList::Refresh()
{
    return static_cast<int32_t>(CheckTapiResult(static_cast<uint32_t>(Update())));
}

TTapiLocation* TTapiLocationList::Get(int Index) const
{
    return static_cast<TTapiLocation*>(TList::Get(Index));
}

std::unique_ptr<TTapiLocation> TTapiLocationList::Put(int Index, std::unique_ptr<TTapiLocation> Location)
{
    std::unique_ptr<TTapiLocation> Old(Get(Index));   // raises for a bad index before anything changes
    TList::Put(Index, Location.release());
    return Old;
}

int TTapiLocationList::Add(std::unique_ptr<TTapiLocation> Location)
{
    const int Index = TList::Add(Location.get());
    Location.release();
    return Index;
}

int TTapiLocationList::IndexOf(const std::string& Name) const
{
    for (int i = 0; i < TList::Count(); ++i)
        if (const TTapiLocation* l = Get(i); l != nullptr && AnsiSameText(l->LocationName, Name)) return i;
    return -1;
}

int TTapiLocationList::IndexOfID(uint32_t ID) const
{
    for (int i = 0; i < TList::Count(); ++i)
        if (const TTapiLocation* l = Get(i); l != nullptr && l->LocationID == ID) return i;
    return -1;
}

uint32_t TTapiLocationList::Get_SystemLocationID()
{
    if (!Valid) Update();
    if (!Valid) throw Exception("Unable to retrieve system location from TAPI");
    return CurrentLocationID(FCaps);
}

TTapiLocation* TTapiLocationList::Get_SystemLocation() const
{
    if (!Valid) return nullptr;
    const int Index = IndexOfID(CurrentLocationID(FCaps));
    return Index >= 0 ? Get(Index) : nullptr;
}

int32_t TTapiLocationList::ShowDialog(HWND OwnerWindow)
{
    CheckTapiResult(lineTranslateDialogA(LineApp, 0, APIVersion, OwnerWindow, nullptr));
    return Update();
}

} // namespace kxtapi
