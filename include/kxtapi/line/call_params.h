// The parameters of one call, packed into a LINECALLPARAMS block.
#pragma once

#include "kxtapi/line/dial_params.h"
#include "kxtapi/rtl/classes.h"
#include "kxtapi/session/var_block.h"
#include "kxtapi/tapi/line_constants.h"
#include "kxtapi/tapi/line_structs.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kxtapi {

/// The parameters of a call to be made. A line builds one from its
/// `CallParams`, adjusts it and packs it:
///
///   TTapiCallParams P;
///   P.Assign(Line->Get_CallParams());
///   P.Set_AddressID(2);
///   lineMakeCallA(hLine, &Call->Handle, "123", 0, P.GetParams());
///
/// Published, in this order, with their initial values: BearerMode
/// (LINEBEARERMODE_VOICE), MinRate, MaxRate (0), MediaMode
/// (LINEMEDIAMODE_INTERACTIVEVOICE), Flags (LINECALLPARAMFLAGS_, 0),
/// AddressMode (LINEADDRESSMODE_ADDRESSID), AddressID (0), DialParams (owned,
/// all 0), OrigAddress, DisplayableAddress, CalledParty, Comment,
/// TargetAddress (empty), NoAnswerTimeout (0), CallingPartyID (empty).
class TTapiCallParams : public TPersistent {
public:
    TTapiCallParams();
    ~TTapiCallParams() override;
    TTapiCallParams(const TTapiCallParams&) = delete;
    TTapiCallParams& operator=(const TTapiCallParams&) = delete;

    std::string ClassName() const override { return "TTapiCallParams"; }

    /// Every value back to its initial value, the dial values included.
    void Default();

    /// From a TTapiCallParams: every value, the dial values by their own
    /// Assign. From a TTapiCallParameters: Default, then MediaMode and
    /// AddressID, Flags LINECALLPARAMFLAGS_BLOCKID when BlockID is set, and
    /// NoAnswerTimeout (BearerMode stays LINEBEARERMODE_VOICE). Any other
    /// source raises EAssignError.
    void Assign(const TPersistent* Source) override;

    /// Packs the values into a new LINECALLPARAMS block: the 176-byte fixed
    /// part, then the non-empty strings, each with its terminating zero and
    /// counted with it in its size field, back to back in the order
    /// CalledParty, CallingPartyID, Comment, DisplayableAddress, OrigAddress,
    /// TargetAddress; the total rounded up to a multiple of 4 and stored in
    /// dwTotalSize. An empty string leaves its size and offset at 0, as are
    /// all fields without a property. The block belongs to this object and is
    /// valid until the next GetParams or the object's destruction.
    LINECALLPARAMS* GetParams();
    /// The block the last GetParams produced (empty before the first).
    const TVarBlock& Get_ParamsBlock() const noexcept { return FParams; }

    uint32_t Get_BearerMode() const noexcept { return FBearerMode; }
    void Set_BearerMode(uint32_t Value) noexcept { FBearerMode = Value; }
    uint32_t Get_MinRate() const noexcept { return FMinRate; }
    void Set_MinRate(uint32_t Value) noexcept { FMinRate = Value; }
    uint32_t Get_MaxRate() const noexcept { return FMaxRate; }
    void Set_MaxRate(uint32_t Value) noexcept { FMaxRate = Value; }
    uint32_t Get_MediaMode() const noexcept { return FMediaMode; }
    void Set_MediaMode(uint32_t Value) noexcept { FMediaMode = Value; }
    /// LINECALLPARAMFLAGS_ bits.
    uint32_t Get_Flags() const noexcept { return FFlags; }
    void Set_Flags(uint32_t Value) noexcept { FFlags = Value; }
    uint32_t Get_AddressMode() const noexcept { return FAddressMode; }
    void Set_AddressMode(uint32_t Value) noexcept { FAddressMode = Value; }
    uint32_t Get_AddressID() const noexcept { return FAddressID; }
    void Set_AddressID(uint32_t Value) noexcept { FAddressID = Value; }
    TTapiDialParams* Get_DialParams() const noexcept { return FDialParams.get(); }
    const std::string& Get_OrigAddress() const noexcept { return FOrigAddress; }
    void Set_OrigAddress(const std::string& Value) { FOrigAddress = Value; }
    const std::string& Get_DisplayableAddress() const noexcept { return FDisplayableAddress; }
    void Set_DisplayableAddress(const std::string& Value) { FDisplayableAddress = Value; }
    const std::string& Get_CalledParty() const noexcept { return FCalledParty; }
    void Set_CalledParty(const std::string& Value) { FCalledParty = Value; }
    const std::string& Get_Comment() const noexcept { return FComment; }
    void Set_Comment(const std::string& Value) { FComment = Value; }
    const std::string& Get_TargetAddress() const noexcept { return FTargetAddress; }
    void Set_TargetAddress(const std::string& Value) { FTargetAddress = Value; }
    /// Seconds before an unanswered call is abandoned; 0 means never.
    uint32_t Get_NoAnswerTimeout() const noexcept { return FNoAnswerTimeout; }
    void Set_NoAnswerTimeout(uint32_t Value) noexcept { FNoAnswerTimeout = Value; }
    const std::string& Get_CallingPartyID() const noexcept { return FCallingPartyID; }
    void Set_CallingPartyID(const std::string& Value) { FCallingPartyID = Value; }

private:
    uint32_t FBearerMode = LINEBEARERMODE_VOICE;
    uint32_t FMinRate = 0;
    uint32_t FMaxRate = 0;
    uint32_t FMediaMode = LINEMEDIAMODE_INTERACTIVEVOICE;
    uint32_t FFlags = 0;
    uint32_t FAddressMode = LINEADDRESSMODE_ADDRESSID;
    uint32_t FAddressID = 0;
    std::unique_ptr<TTapiDialParams> FDialParams;
    std::string FOrigAddress;
    std::string FDisplayableAddress;
    std::string FCalledParty;
    std::string FComment;
    std::string FTargetAddress;
    uint32_t FNoAnswerTimeout = 0;
    std::string FCallingPartyID;
    TVarBlock FParams;
};

} // namespace kxtapi
