#include "service/block_layouts.h"

#include <cstddef>

namespace kxtapi::service {

#define PAIR(Type, Field) static_cast<uint32_t>(offsetof(Type, Field))

TBlockImage LineCapsImage(const TLineCapsData& c)
{
    TBlockImage i(sizeof(LINEDEVCAPS));
    i.SetFixed(c.Fixed);
    i.PutString(PAIR(LINEDEVCAPS, dwProviderInfoSize), c.ProviderInfo);
    i.PutString(PAIR(LINEDEVCAPS, dwSwitchInfoSize), c.SwitchInfo);
    i.PutString(PAIR(LINEDEVCAPS, dwLineNameSize), c.LineName);
    i.PutData(PAIR(LINEDEVCAPS, dwTerminalCapsSize), nullptr, 0);
    i.PutData(PAIR(LINEDEVCAPS, dwTerminalTextSize), nullptr, 0);
    i.PutData(PAIR(LINEDEVCAPS, dwDevSpecificSize), nullptr, 0);
    i.PutMultiString(PAIR(LINEDEVCAPS, dwDeviceClassesSize), c.DeviceClasses);
    return i;
}

TBlockImage AddressCapsImage(const TAddressCapsData& c)
{
    TBlockImage i(sizeof(LINEADDRESSCAPS));
    i.SetFixed(c.Fixed);
    i.PutString(PAIR(LINEADDRESSCAPS, dwAddressSize), c.Address);
    i.PutData(PAIR(LINEADDRESSCAPS, dwDevSpecificSize), nullptr, 0);
    i.PutData(PAIR(LINEADDRESSCAPS, dwCompletionMsgTextSize), nullptr, 0);
    i.PutData(PAIR(LINEADDRESSCAPS, dwCallTreatmentListSize), nullptr, 0);
    i.PutMultiString(PAIR(LINEADDRESSCAPS, dwDeviceClassesSize), c.DeviceClasses);
    return i;
}

TBlockImage LineStatusImage(const TLineStatusData& s, const std::vector<TAppInfo>& Apps)
{
    TBlockImage i(sizeof(LINEDEVSTATUS));
    i.SetFixed(s.Fixed);
    i.PutData(PAIR(LINEDEVSTATUS, dwTerminalModesSize), nullptr, 0);
    i.PutString(PAIR(LINEDEVSTATUS, dwDevSpecificSize), s.DevSpecific);
    uint32_t List = i.PutList(PAIR(LINEDEVSTATUS, dwAppInfoSize), static_cast<uint32_t>(Apps.size() * sizeof(LINEAPPINFO)));
    for (size_t n = 0; n < Apps.size(); ++n) {
        uint32_t e = List + static_cast<uint32_t>(n * sizeof(LINEAPPINFO));
        i.PutString(e + PAIR(LINEAPPINFO, dwMachineNameSize), "localhost");
        i.PutString(e + PAIR(LINEAPPINFO, dwUserNameSize), Apps[n].UserName);
        i.PutString(e + PAIR(LINEAPPINFO, dwModuleFilenameSize), Apps[n].ModuleName);
        i.PutString(e + PAIR(LINEAPPINFO, dwFriendlyNameSize), Apps[n].FriendlyName);
        i.PutDword(e + PAIR(LINEAPPINFO, dwMediaModes), Apps[n].MediaModes);
        i.PutDword(e + PAIR(LINEAPPINFO, dwAddressID), 0xFFFFFFFF);
    }
    return i;
}

TBlockImage AddressStatusImage(const TAddressStatusData& s)
{
    TBlockImage i(sizeof(LINEADDRESSSTATUS));
    i.SetFixed(s.Fixed);
    i.PutData(PAIR(LINEADDRESSSTATUS, dwForwardSize), nullptr, 0);
    i.PutData(PAIR(LINEADDRESSSTATUS, dwTerminalModesSize), nullptr, 0);
    i.PutData(PAIR(LINEADDRESSSTATUS, dwDevSpecificSize), nullptr, 0);
    i.MarkCount(PAIR(LINEADDRESSSTATUS, dwForwardNumEntries));
    return i;
}

TBlockImage CallStatusImage(const TCallStatusData& s)
{
    TBlockImage i(sizeof(LINECALLSTATUS));
    i.SetFixed(s.Fixed);
    i.PutData(PAIR(LINECALLSTATUS, dwDevSpecificSize), nullptr, 0);
    return i;
}

TBlockImage CallInfoImage(const TCallInfoData& c)
{
    TBlockImage i(sizeof(LINECALLINFO));
    i.SetFixed(c.Fixed);
    i.PutString(PAIR(LINECALLINFO, dwCallerIDSize), c.CallerID);
    i.PutString(PAIR(LINECALLINFO, dwCallerIDNameSize), c.CallerIDName);
    i.PutString(PAIR(LINECALLINFO, dwCalledIDSize), c.CalledID);
    i.PutString(PAIR(LINECALLINFO, dwCalledIDNameSize), c.CalledIDName);
    i.PutString(PAIR(LINECALLINFO, dwConnectedIDSize), c.ConnectedID);
    i.PutString(PAIR(LINECALLINFO, dwConnectedIDNameSize), c.ConnectedIDName);
    i.PutString(PAIR(LINECALLINFO, dwRedirectionIDSize), c.RedirectionID);
    i.PutString(PAIR(LINECALLINFO, dwRedirectionIDNameSize), c.RedirectionIDName);
    i.PutString(PAIR(LINECALLINFO, dwRedirectingIDSize), c.RedirectingID);
    i.PutString(PAIR(LINECALLINFO, dwRedirectingIDNameSize), c.RedirectingIDName);
    i.PutString(PAIR(LINECALLINFO, dwAppNameSize), c.AppName);
    i.PutString(PAIR(LINECALLINFO, dwDisplayableAddressSize), c.DisplayableAddress);
    i.PutString(PAIR(LINECALLINFO, dwCalledPartySize), c.CalledParty);
    i.PutString(PAIR(LINECALLINFO, dwCommentSize), c.Comment);
    i.PutString(PAIR(LINECALLINFO, dwDisplaySize), c.Display);
    i.PutData(PAIR(LINECALLINFO, dwUserUserInfoSize), c.UserUserInfo.data(),
              static_cast<uint32_t>(c.UserUserInfo.size()));
    i.PutData(PAIR(LINECALLINFO, dwHighLevelCompSize), nullptr, 0);
    i.PutData(PAIR(LINECALLINFO, dwLowLevelCompSize), nullptr, 0);
    i.PutString(PAIR(LINECALLINFO, dwChargingInfoSize), c.ChargingInfo);
    i.PutData(PAIR(LINECALLINFO, dwTerminalModesSize), nullptr, 0);
    i.PutData(PAIR(LINECALLINFO, dwDevSpecificSize), nullptr, 0);
    i.PutData(PAIR(LINECALLINFO, dwCallDataSize), nullptr, 0);
    i.PutData(PAIR(LINECALLINFO, dwSendingFlowspecSize), nullptr, 0);
    i.PutData(PAIR(LINECALLINFO, dwReceivingFlowspecSize), nullptr, 0);
    return i;
}

TBlockImage CallListImage(const std::vector<uint32_t>& Calls)
{
    TBlockImage i(sizeof(LINECALLLIST));
    i.PutDword(PAIR(LINECALLLIST, dwCallsNumEntries), static_cast<uint32_t>(Calls.size()));
    i.MarkCount(PAIR(LINECALLLIST, dwCallsNumEntries));
    i.PutDwords(PAIR(LINECALLLIST, dwCallsSize), Calls);
    return i;
}

TBlockImage PhoneCapsImage(const TPhoneCapsData& c)
{
    TBlockImage i(sizeof(PHONECAPS));
    i.SetFixed(c.Fixed);
    i.PutString(PAIR(PHONECAPS, dwProviderInfoSize), c.ProviderInfo);
    i.PutString(PAIR(PHONECAPS, dwPhoneInfoSize), c.PhoneInfo);
    i.PutString(PAIR(PHONECAPS, dwPhoneNameSize), c.PhoneName);
    i.PutDwords(PAIR(PHONECAPS, dwButtonModesSize), c.ButtonModes);
    i.PutDwords(PAIR(PHONECAPS, dwButtonFunctionsSize), c.ButtonFunctions);
    i.PutDwords(PAIR(PHONECAPS, dwLampModesSize), c.LampModes);
    i.PutData(PAIR(PHONECAPS, dwSetDataSize), nullptr, 0);
    i.PutData(PAIR(PHONECAPS, dwGetDataSize), nullptr, 0);
    i.PutData(PAIR(PHONECAPS, dwDevSpecificSize), nullptr, 0);
    i.PutMultiString(PAIR(PHONECAPS, dwDeviceClassesSize), c.DeviceClasses);
    i.MarkCount(PAIR(PHONECAPS, dwNumButtonLamps));
    return i;
}

TBlockImage PhoneStatusImage(const TPhoneStatusData& s, const std::string& OwnerName)
{
    TBlockImage i(sizeof(PHONESTATUS));
    i.SetFixed(s.Fixed);
    i.PutString(PAIR(PHONESTATUS, dwDisplaySize), s.Display);
    i.PutDwords(PAIR(PHONESTATUS, dwLampModesSize), s.LampModes);
    i.PutString(PAIR(PHONESTATUS, dwOwnerNameSize), OwnerName);
    i.PutData(PAIR(PHONESTATUS, dwDevSpecificSize), nullptr, 0);
    return i;
}

TBlockImage ButtonInfoImage(const TButtonInfoData& b)
{
    TBlockImage i(sizeof(PHONEBUTTONINFO));
    i.SetFixed(b.Fixed);
    i.PutString(PAIR(PHONEBUTTONINFO, dwButtonTextSize), b.Text);
    i.PutData(PAIR(PHONEBUTTONINFO, dwDevSpecificSize), nullptr, 0);
    return i;
}

#undef PAIR

}  // namespace kxtapi::service
