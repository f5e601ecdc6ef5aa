// One address (number or extension) of a line: its cached capabilities and
// status, its name, and placing a call from exactly this address.
#pragma once

#include "kxtapi/line/address_views.h"
#include "kxtapi/related/related_device.h"
#include "kxtapi/rtl/object.h"
#include "kxtapi/session/var_block.h"

#include <cstdint>
#include <string>

namespace kxtapi {

class TTapiLine;
class TTapiCall;

/// An address of a TTapiLine, identified by its address ID (0 ..
/// dwNumAddresses-1). The line builds its addresses whenever a device is
/// selected and routes LINE_ADDRESSSTATE to them. The caps are read at Init
/// and on CAPSCHANGE; the status only on address-state messages (zero until
/// the first one).
class TTapiAddress : public TObject, public TTapiRelatedOwner {
public:
    static constexpr uint32_t AddressCapsSize = 228;
    static constexpr uint32_t AddressStatusSize = 64;

    /// Enters ALine's Addresses list (ALine may be null: a free-standing
    /// address that reads nothing).
    explicit TTapiAddress(TTapiLine* ALine);
    /// Leaves the line's Addresses list.
    ~TTapiAddress() override;
    TTapiAddress(const TTapiAddress&) = delete;
    TTapiAddress& operator=(const TTapiAddress&) = delete;
    std::string ClassName() const override { return "TTapiAddress"; }

    /// Sets AddressID, then Update_AddressCaps; returns its result.
    uint32_t Init(uint32_t AAddressID);
    /// lineGetAddressCapsA for the line's device; the service's result.
    uint32_t Update_AddressCaps();
    /// lineGetAddressStatusA on the open line; the service's result.
    uint32_t Update_AddressStatus();
    /// A LINEADDRESSSTATE_ value: exactly one of OTHER .. TERMINALS refreshes
    /// the status, exactly CAPSCHANGE the caps; anything else (a combination
    /// of bits included) changes nothing.
    void Handle_AddressState(uint32_t AddressState);

    /// Places a call from this address: the line's CallParams with
    /// LINEADDRESSMODE_ADDRESSID and this AddressID, through the line's
    /// MakeCall (its checks, request and synchronous wait). Exception
    /// "MakeCall failed! Address without line." for a free-standing address.
    TTapiCall* MakeCall(const std::string& DestAddress);

    /// The caps' Address string; "Address <ID>" when that is empty.
    std::string Get_Address() const;
    /// Status value 0 .. 6 (TTapiAddressStatus); 0 otherwise.
    uint32_t Get_StatusDWORD(int Index) const;

    TTapiLine* Get_Line() const noexcept { return FLine; }
    uint32_t Get_AddressID() const noexcept { return FAddressID; }
    TTapiAddressCaps* Get_Caps() noexcept { return &FCaps; }
    TTapiAddressStatus* Get_Status() noexcept { return &FStatus; }
    const TVarBlock& Get_CapsBlock() const noexcept { return FCapsBlock; }
    const TVarBlock& Get_StatusBlock() const noexcept { return FStatusBlock; }

    /// The address on its line (LINECALLSELECT_ADDRESS).
    TTapiRelatedTarget Get_RelatedTarget() const override;

private:
    TTapiLine* const FLine;
    uint32_t FAddressID = 0;
    TVarBlock FCapsBlock{AddressCapsSize};
    TTapiAddressCaps FCaps{&FCapsBlock};
    TVarBlock FStatusBlock{AddressStatusSize};
    TTapiAddressStatus FStatus{&FStatusBlock};
};

} // namespace kxtapi
