// Index views on a phone's capabilities block (PHONECAPS) and status block
// (PHONESTATUS).
#pragma once

#include "kxtapi/line/block_view.h"

#include <span>
#include <string>

namespace kxtapi {

class TTapiPhone;

/// View over the phone's PHONECAPS block. It reads the phone's current block
/// on every access, so it shows the last Update_DevCaps.
///
/// `GetDWORD(Index)` is the block's 32-bit field number Index, counting from
/// dwTotalSize as 0, for 0 to 44: 0 TotalSize, 1 NeededSize, 2 UsedSize,
/// 3 ProviderInfoSize, 4 ProviderInfoOffset, 5 PhoneInfoSize,
/// 6 PhoneInfoOffset, 7 PermanentPhoneID, 8 PhoneNameSize, 9 PhoneNameOffset,
/// 10 StringFormat, 11 PhoneStates, 12 HookSwitchDevs,
/// 13 HandsetHookSwitchModes, 14 SpeakerHookSwitchModes,
/// 15 HeadsetHookSwitchModes, 16 VolumeFlags, 17 GainFlags,
/// 18 DisplayNumRows, 19 DisplayNumColumns, 20 NumRingModes,
/// 21 NumButtonLamps, 22 ButtonModesSize, 23 ButtonModesOffset,
/// 24 ButtonFunctionsSize, 25 ButtonFunctionsOffset, 26 LampModesSize,
/// 27 LampModesOffset, 28 NumSetData, 29 SetDataSize, 30 SetDataOffset,
/// 31 NumGetData, 32 GetDataSize, 33 GetDataOffset, 34 DevSpecificSize,
/// 35 DevSpecificOffset, 36 DeviceClassesSize, 37 DeviceClassesOffset,
/// 38 PhoneFeatures, 39-41 Settable{Handset,Speaker,Headset}HookSwitchModes,
/// 42-44 Monitored{Handset,Speaker,Headset}HookSwitchModes. Other indexes,
/// or no block, give 0.
///
/// `GetString(Index)`: 0 ProviderInfo, 1 PhoneInfo, 2 PhoneName,
/// 3 ButtonFunctions, 4 LampModes, 5 SetData, 6 GetData, 7 DevSpecific, each
/// cut at its first zero byte; other indexes give "".
class TTapiPhoneCaps : public TTapiBlockView {
public:
    /// APhone may be null (everything reads 0 and empty).
    explicit TTapiPhoneCaps(TTapiPhone* APhone);
    std::string ClassName() const override { return "TTapiPhoneCaps"; }

    static constexpr int DWordCount = 45;
    static constexpr int StringCount = 8;
    static std::span<const TBlockField> Fields() noexcept;
    static std::span<const TBlockField> Strings() noexcept;
    std::span<const TBlockField> DWordFields() const noexcept override { return Fields(); }
    std::span<const TBlockField> StringFields() const noexcept override { return Strings(); }

    TTapiPhone* Get_Phone() const noexcept { return FPhone; }

private:
    TTapiPhone* FPhone;
};

/// View over the phone's PHONESTATUS block (filled while the phone is open).
///
/// `GetDWORD(Index)` for 0 (dwTotalSize) to 24 (dwDevSpecificOffset), in
/// PHONESTATUS order: 3 StatusFlags, 4 NumOwners, 5 NumMonitors, 6 RingMode,
/// 7 RingVolume, 8-10 Handset{HookSwitchMode,Volume,Gain}, 11-13 Speaker...,
/// 14-16 Headset..., 17 DisplaySize, 18 DisplayOffset, 19 LampModesSize,
/// 20 LampModesOffset, 21 OwnerNameSize, 22 OwnerNameOffset,
/// 23 DevSpecificSize, 24 DevSpecificOffset. Other indexes, or no block,
/// give 0.
///
/// `GetString(Index)`: 0 Display, 1 LampModes, 2 OwnerName, 3 DevSpecific;
/// other indexes give "".
class TTapiPhoneStatus : public TTapiBlockView {
public:
    /// APhone may be null (everything reads 0 and empty).
    explicit TTapiPhoneStatus(TTapiPhone* APhone);
    std::string ClassName() const override { return "TTapiPhoneStatus"; }

    static constexpr int DWordCount = 25;
    static constexpr int StringCount = 4;
    static std::span<const TBlockField> Fields() noexcept;
    static std::span<const TBlockField> Strings() noexcept;
    std::span<const TBlockField> DWordFields() const noexcept override { return Fields(); }
    std::span<const TBlockField> StringFields() const noexcept override { return Strings(); }

    TTapiPhone* Get_Phone() const noexcept { return FPhone; }

private:
    TTapiPhone* FPhone;
};

} // namespace kxtapi
