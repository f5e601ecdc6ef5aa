// TTapiAddress, and the line's list of addresses.

#include "kxtapi/line/address.h"

#include "kxtapi/line/line.h"
#include "kxtapi/rtl/format.h"
#include "kxtapi/tapi/line_functions.h"

#include <algorithm>

namespace kxtapi {

TTapiAddress::TTapiAddress(TTapiLine* ALine) : FLine(ALine)
{
    if (FLine != nullptr) FLine->Get_Addresses()->Add(this);
}

TTapiAddress::~TTapiAddress()
{
    if (FLine != nullptr) FLine->Get_Addresses()->Remove(this);
}

uint32_t TTapiAddress::Init(uint32_t AAddressID)
{
    FAddressID = AAddressID;
    return Update_AddressCaps();
}

uint32_t TTapiAddress::Update_AddressCaps()
{
    if (FLine == nullptr) return LINEERR_INVALLINEHANDLE;
    const uint32_t App = FLine->Get_LineApp();
    const uint32_t Device = static_cast<uint32_t>(FLine->Get_DeviceID());
    const TTapiTSP* TSP = FLine->Get_TSP();
    return FetchVarBlock(FCapsBlock, [&] {
        return lineGetAddressCapsA(App, Device, FAddressID, TSP->APIVersion, TSP->Get_ExtVersion(),
                                   FCapsBlock.As<LINEADDRESSCAPS>());
    });
}

uint32_t TTapiAddress::Update_AddressStatus()
{
    if (FLine == nullptr) return LINEERR_INVALLINEHANDLE;
    const uint32_t h = FLine->Get_DeviceHandle();
    return FetchVarBlock(FStatusBlock, [&] {
        return lineGetAddressStatusA(h, FAddressID, FStatusBlock.As<LINEADDRESSSTATUS>());
    });
}

void TTapiAddress::Handle_AddressState(uint32_t AddressState)
{
    switch (AddressState) {
    case LINEADDRESSSTATE_OTHER:
    case LINEADDRESSSTATE_DEVSPECIFIC:
    case LINEADDRESSSTATE_INUSEZERO:
    case LINEADDRESSSTATE_INUSEONE:
    case LINEADDRESSSTATE_INUSEMANY:
    case LINEADDRESSSTATE_NUMCALLS:
    case LINEADDRESSSTATE_FORWARD:
    case LINEADDRESSSTATE_TERMINALS: Update_AddressStatus(); break;
    case LINEADDRESSSTATE_CAPSCHANGE: Update_AddressCaps(); break;
    default: break;
    }
}

std::string TTapiAddress::Get_Address() const
{
    std::string Name = FCaps.GetString(0);
    if (Name.empty()) Name = Format("Address %d", FAddressID);
    return Name;
}

uint32_t TTapiAddress::Get_StatusDWORD(int Index) const
{
    return Index >= 0 && Index <= 6 ? FStatus.GetDWORD(Index) : 0;
}

TTapiRelatedTarget TTapiAddress::Get_RelatedTarget() const
{
    TTapiRelatedTarget Target;
    Target.Kind = rkAddress;
    Target.hDevice = FLine != nullptr ? FLine->Get_DeviceHandle() : 0;
    Target.AddressID = FAddressID;
    return Target;
}

uint32_t TTapiLine::Update_Addresses()
{
    FAddressNames.Clear();
    while (FAddresses.Count() > 0) delete FAddresses.Get(FAddresses.Count() - 1);
    uint32_t r = 0;
    if (!FDevCaps.Exists()) return r;
    // The count comes from the provider; a list beyond any real device's
    // size is not built.
    const uint32_t Count = std::min<uint32_t>(FCaps.GetDWORD(9), MaxAddresses);
    for (uint32_t i = 0; i < Count && r == 0; ++i) {
        auto* Address = new TTapiAddress(this);
        r = Address->Init(i);
        FAddressNames.Add(Address->Get_Address());
    }
    return r;
}

} // namespace kxtapi
