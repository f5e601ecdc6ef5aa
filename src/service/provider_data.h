// What a provider answers with when the service asks about a device or a
// call. Each answer is the fixed part of the TAPI block (its size/offset
// pairs are ignored) plus the strings and lists of its variable part; the
// service lays the block out for the application (blocks.h), so the rules of
// dwTotalSize, dwNeededSize and dwUsedSize live in one place.
#pragma once

#include "kxtapi/rtl/handles.h"
#include "kxtapi/tapi.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kxtapi::service {

/// Ways a block can be spoiled after it was laid out: fault injection, so
/// that tests see how readers cope with a provider that lies.
enum THostileBlock : uint32_t {
    hbNone,
    hbPairsPastEnd,     // every size/offset pair points across the block's end
    hbPairsWrap,        // offsets near 2^32, so offset + size wraps around
    hbNeededHuge,       // success, but dwNeededSize claims almost 4 GiB
    hbUsedBeyondTotal,  // dwUsedSize larger than dwTotalSize
    hbCountsHuge,       // list counts far beyond what the block holds
};

struct TLineCapsData {
    LINEDEVCAPS Fixed{};
    std::string ProviderInfo, SwitchInfo, LineName;
    std::vector<std::string> DeviceClasses;
    THostileBlock Hostile = hbNone;
};

struct TAddressCapsData {
    LINEADDRESSCAPS Fixed{};
    std::string Address;
    std::vector<std::string> DeviceClasses;
    THostileBlock Hostile = hbNone;
};

/// The service fills dwNumOpens, dwOpenMediaModes and the application list.
struct TLineStatusData {
    LINEDEVSTATUS Fixed{};
    /// The device-specific part, a text (empty: none).
    std::string DevSpecific;
    THostileBlock Hostile = hbNone;
};

struct TAddressStatusData {
    LINEADDRESSSTATUS Fixed{};
    THostileBlock Hostile = hbNone;
};

/// The call's state as its owner sees it; the service sets the privilege of
/// the asking handle and narrows the features for monitors.
struct TCallStatusData {
    LINECALLSTATUS Fixed{};
    THostileBlock Hostile = hbNone;
};

/// The service sets hLine, dwNumOwners, dwNumMonitors and the monitored
/// digit and media modes of the asking handle.
struct TCallInfoData {
    LINECALLINFO Fixed{};
    std::string CallerID, CallerIDName, CalledID, CalledIDName, ConnectedID, ConnectedIDName;
    std::string RedirectionID, RedirectionIDName, RedirectingID, RedirectingIDName;
    std::string AppName, DisplayableAddress, CalledParty, Comment, Display;
    std::string UserUserInfo, ChargingInfo;
    THostileBlock Hostile = hbNone;
};

/// A LINECALLPARAMS block, read safely (strings outside the block are
/// ignored). Defaults are what TAPI assumes when no block is given.
struct TCallParamsData {
    bool Given = false;
    uint32_t BearerMode = LINEBEARERMODE_VOICE;
    uint32_t MinRate = 0, MaxRate = 0;
    uint32_t MediaMode = LINEMEDIAMODE_INTERACTIVEVOICE;
    uint32_t CallParamFlags = 0;
    uint32_t AddressMode = LINEADDRESSMODE_ADDRESSID;
    uint32_t AddressID = 0;
    LINEDIALPARAMS DialParams{};
    uint32_t NoAnswerTimeout = 0;
    std::string OrigAddress, DisplayableAddress, CalledParty, Comment, TargetAddress, CallingPartyID;
    std::string UserUserInfo;
};

/// Answer of lineGetIDA/phoneGetIDA: a VARSTRING's format and bytes. A
/// handle among the bytes (comm/datamodem) is named in Handle so that the
/// service can close it when the answer does not reach the application.
struct TDeviceIDData {
    uint32_t Format = STRINGFORMAT_BINARY;
    std::vector<uint8_t> Bytes;
    THandle Handle = 0;
};

struct TPhoneCapsData {
    PHONECAPS Fixed{};
    std::string ProviderInfo, PhoneInfo, PhoneName;
    std::vector<uint32_t> ButtonModes, ButtonFunctions, LampModes;
    std::vector<std::string> DeviceClasses;
    THostileBlock Hostile = hbNone;
};

/// The service fills dwNumOwners, dwNumMonitors and the owner's name.
struct TPhoneStatusData {
    PHONESTATUS Fixed{};
    std::string Display;
    std::vector<uint32_t> LampModes;
    THostileBlock Hostile = hbNone;
};

struct TButtonInfoData {
    PHONEBUTTONINFO Fixed{};
    std::string Text;
    THostileBlock Hostile = hbNone;
};

}  // namespace kxtapi::service
