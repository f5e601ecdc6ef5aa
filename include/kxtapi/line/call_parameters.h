// The line's design-time defaults for outgoing calls.
#pragma once

#include "kxtapi/rtl/classes.h"
#include "kxtapi/tapi/line_constants.h"

#include <cstdint>
#include <string>

namespace kxtapi {

/// Defaults for the calls a line places (the line's `CallParams`). Published:
/// AddressID (0), BearerMode (LINEBEARERMODE_VOICE), BlockID (false),
/// MediaMode (LINEMEDIAMODE_INTERACTIVEVOICE), NoAnswerTimeout (0 seconds,
/// none). A call's parameters are built from it by
/// `TTapiCallParams::Assign`, which does not take BearerMode. It has no
/// `Assign` of its own: assigning to it raises EAssignError.
class TTapiCallParameters : public TPersistent {
public:
    std::string ClassName() const override { return "TTapiCallParameters"; }

    /// Address to call from.
    uint32_t Get_AddressID() const noexcept { return FAddressID; }
    void Set_AddressID(uint32_t Value) noexcept { FAddressID = Value; }
    uint32_t Get_BearerMode() const noexcept { return FBearerMode; }
    void Set_BearerMode(uint32_t Value) noexcept { FBearerMode = Value; }
    /// Suppress sending the caller's identity.
    bool Get_BlockID() const noexcept { return FBlockID; }
    void Set_BlockID(bool Value) noexcept { FBlockID = Value; }
    uint32_t Get_MediaMode() const noexcept { return FMediaMode; }
    void Set_MediaMode(uint32_t Value) noexcept { FMediaMode = Value; }
    /// Seconds before an unanswered call is abandoned; 0 means never.
    uint32_t Get_NoAnswerTimeout() const noexcept { return FNoAnswerTimeout; }
    void Set_NoAnswerTimeout(uint32_t Value) noexcept { FNoAnswerTimeout = Value; }

private:
    uint32_t FAddressID = 0;
    uint32_t FBearerMode = LINEBEARERMODE_VOICE;
    bool FBlockID = false;
    uint32_t FMediaMode = LINEMEDIAMODE_INTERACTIVEVOICE;
    uint32_t FNoAnswerTimeout = 0;
};

} // namespace kxtapi
