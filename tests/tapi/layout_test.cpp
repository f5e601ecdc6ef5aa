// Byte layout of the TAPI structures: every field at the offset of the
// version 2.1 layout. Offsets are given as 32-bit word indices (byte offset
// / 4) except where a table of byte offsets is the reference.

#include <kxtapi/tapi.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

#define AT(Type, Field, Word) static_assert(offsetof(Type, Field) == (Word) * 4, #Type "." #Field)
#define AT_BYTE(Type, Field, Byte) static_assert(offsetof(Type, Field) == (Byte), #Type "." #Field)
#define SIZE(Type, Bytes) static_assert(sizeof(Type) == (Bytes) && alignof(Type) == 1, #Type)

// Shared heads of the variable-size answer blocks.
#define HEAD(Type) AT(Type, dwTotalSize, 0); AT(Type, dwNeededSize, 1); AT(Type, dwUsedSize, 2)

SIZE(VARSTRING, 24);
HEAD(VARSTRING);
AT(VARSTRING, dwStringFormat, 3); AT(VARSTRING, dwStringSize, 4); AT(VARSTRING, dwStringOffset, 5);

static_assert(sizeof(SYSTEMTIME) == 16);
AT_BYTE(SYSTEMTIME, wYear, 0); AT_BYTE(SYSTEMTIME, wMonth, 2); AT_BYTE(SYSTEMTIME, wDayOfWeek, 4);
AT_BYTE(SYSTEMTIME, wDay, 6); AT_BYTE(SYSTEMTIME, wHour, 8); AT_BYTE(SYSTEMTIME, wMinute, 10);
AT_BYTE(SYSTEMTIME, wSecond, 12); AT_BYTE(SYSTEMTIME, wMilliseconds, 14);

SIZE(LINEDIALPARAMS, 16);
AT(LINEDIALPARAMS, dwDialPause, 0); AT(LINEDIALPARAMS, dwDialSpeed, 1);
AT(LINEDIALPARAMS, dwDigitDuration, 2); AT(LINEDIALPARAMS, dwWaitForDialtone, 3);

SIZE(LINEEXTENSIONID, 16);
AT(LINEEXTENSIONID, dwExtensionID0, 0); AT(LINEEXTENSIONID, dwExtensionID1, 1);
AT(LINEEXTENSIONID, dwExtensionID2, 2); AT(LINEEXTENSIONID, dwExtensionID3, 3);
SIZE(PHONEEXTENSIONID, 16);
AT(PHONEEXTENSIONID, dwExtensionID0, 0); AT(PHONEEXTENSIONID, dwExtensionID1, 1);
AT(PHONEEXTENSIONID, dwExtensionID2, 2); AT(PHONEEXTENSIONID, dwExtensionID3, 3);

SIZE(LINEINITIALIZEEXPARAMS, 24);
HEAD(LINEINITIALIZEEXPARAMS);
AT(LINEINITIALIZEEXPARAMS, dwOptions, 3); AT(LINEINITIALIZEEXPARAMS, Handles.hEvent, 4);
AT(LINEINITIALIZEEXPARAMS, Handles.hCompletionPort, 4); AT(LINEINITIALIZEEXPARAMS, dwCompletionKey, 5);
SIZE(PHONEINITIALIZEEXPARAMS, 24);
HEAD(PHONEINITIALIZEEXPARAMS);
AT(PHONEINITIALIZEEXPARAMS, dwOptions, 3); AT(PHONEINITIALIZEEXPARAMS, Handles.hEvent, 4);
AT(PHONEINITIALIZEEXPARAMS, Handles.hCompletionPort, 4); AT(PHONEINITIALIZEEXPARAMS, dwCompletionKey, 5);

// The queue stores either message as six words in this order.
#define MESSAGE(Type)                                                                             \
    SIZE(Type, 24);                                                                               \
    AT(Type, hDevice, 0); AT(Type, dwMessageID, 1); AT(Type, dwCallbackInstance, 2);               \
    AT(Type, dwParam1, 3); AT(Type, dwParam2, 4); AT(Type, dwParam3, 5)
MESSAGE(LINEMESSAGE);
MESSAGE(PHONEMESSAGE);

SIZE(LINEDEVCAPS, 252);
HEAD(LINEDEVCAPS);
AT(LINEDEVCAPS, dwProviderInfoSize, 3); AT(LINEDEVCAPS, dwProviderInfoOffset, 4);
AT(LINEDEVCAPS, dwSwitchInfoSize, 5); AT(LINEDEVCAPS, dwSwitchInfoOffset, 6);
AT(LINEDEVCAPS, dwPermanentLineID, 7); AT(LINEDEVCAPS, dwLineNameSize, 8);
AT(LINEDEVCAPS, dwLineNameOffset, 9); AT(LINEDEVCAPS, dwStringFormat, 10);
AT(LINEDEVCAPS, dwAddressModes, 11); AT(LINEDEVCAPS, dwNumAddresses, 12);
AT(LINEDEVCAPS, dwBearerModes, 13); AT(LINEDEVCAPS, dwMaxRate, 14);
AT(LINEDEVCAPS, dwMediaModes, 15); AT(LINEDEVCAPS, dwGenerateToneModes, 16);
AT(LINEDEVCAPS, dwGenerateToneMaxNumFreq, 17); AT(LINEDEVCAPS, dwGenerateDigitModes, 18);
AT(LINEDEVCAPS, dwMonitorToneMaxNumFreq, 19); AT(LINEDEVCAPS, dwMonitorToneMaxNumEntries, 20);
AT(LINEDEVCAPS, dwMonitorDigitModes, 21); AT(LINEDEVCAPS, dwGatherDigitsMinTimeout, 22);
AT(LINEDEVCAPS, dwGatherDigitsMaxTimeout, 23); AT(LINEDEVCAPS, dwMedCtlDigitMaxListSize, 24);
AT(LINEDEVCAPS, dwMedCtlMediaMaxListSize, 25); AT(LINEDEVCAPS, dwMedCtlToneMaxListSize, 26);
AT(LINEDEVCAPS, dwMedCtlCallStateMaxListSize, 27); AT(LINEDEVCAPS, dwDevCapFlags, 28);
AT(LINEDEVCAPS, dwMaxNumActiveCalls, 29); AT(LINEDEVCAPS, dwAnswerMode, 30);
AT(LINEDEVCAPS, dwRingModes, 31); AT(LINEDEVCAPS, dwLineStates, 32);
AT(LINEDEVCAPS, dwUUIAcceptSize, 33); AT(LINEDEVCAPS, dwUUIAnswerSize, 34);
AT(LINEDEVCAPS, dwUUIMakeCallSize, 35); AT(LINEDEVCAPS, dwUUIDropSize, 36);
AT(LINEDEVCAPS, dwUUISendUserUserInfoSize, 37); AT(LINEDEVCAPS, dwUUICallInfoSize, 38);
AT(LINEDEVCAPS, MinDialParams, 39); AT(LINEDEVCAPS, MaxDialParams, 43);
AT(LINEDEVCAPS, DefaultDialParams, 47); AT(LINEDEVCAPS, dwNumTerminals, 51);
AT(LINEDEVCAPS, dwTerminalCapsSize, 52); AT(LINEDEVCAPS, dwTerminalCapsOffset, 53);
AT(LINEDEVCAPS, dwTerminalTextEntrySize, 54); AT(LINEDEVCAPS, dwTerminalTextSize, 55);
AT(LINEDEVCAPS, dwTerminalTextOffset, 56); AT(LINEDEVCAPS, dwDevSpecificSize, 57);
AT(LINEDEVCAPS, dwDevSpecificOffset, 58); AT(LINEDEVCAPS, dwLineFeatures, 59);
AT(LINEDEVCAPS, dwSettableDevStatus, 60); AT(LINEDEVCAPS, dwDeviceClassesSize, 61);
AT(LINEDEVCAPS, dwDeviceClassesOffset, 62);

SIZE(LINETERMCAPS, 12);
AT(LINETERMCAPS, dwTermDev, 0); AT(LINETERMCAPS, dwTermModes, 1); AT(LINETERMCAPS, dwTermSharing, 2);

SIZE(LINEDEVSTATUS, 88);
HEAD(LINEDEVSTATUS);
AT(LINEDEVSTATUS, dwNumOpens, 3); AT(LINEDEVSTATUS, dwOpenMediaModes, 4);
AT(LINEDEVSTATUS, dwNumActiveCalls, 5); AT(LINEDEVSTATUS, dwNumOnHoldCalls, 6);
AT(LINEDEVSTATUS, dwNumOnHoldPendCalls, 7); AT(LINEDEVSTATUS, dwLineFeatures, 8);
AT(LINEDEVSTATUS, dwNumCallCompletions, 9); AT(LINEDEVSTATUS, dwRingMode, 10);
AT(LINEDEVSTATUS, dwSignalLevel, 11); AT(LINEDEVSTATUS, dwBatteryLevel, 12);
AT(LINEDEVSTATUS, dwRoamMode, 13); AT(LINEDEVSTATUS, dwDevStatusFlags, 14);
AT(LINEDEVSTATUS, dwTerminalModesSize, 15); AT(LINEDEVSTATUS, dwTerminalModesOffset, 16);
AT(LINEDEVSTATUS, dwDevSpecificSize, 17); AT(LINEDEVSTATUS, dwDevSpecificOffset, 18);
AT(LINEDEVSTATUS, dwAvailableMediaModes, 19); AT(LINEDEVSTATUS, dwAppInfoSize, 20);
AT(LINEDEVSTATUS, dwAppInfoOffset, 21);

SIZE(LINEAPPINFO, 40);
AT(LINEAPPINFO, dwMachineNameSize, 0); AT(LINEAPPINFO, dwMachineNameOffset, 1);
AT(LINEAPPINFO, dwUserNameSize, 2); AT(LINEAPPINFO, dwUserNameOffset, 3);
AT(LINEAPPINFO, dwModuleFilenameSize, 4); AT(LINEAPPINFO, dwModuleFilenameOffset, 5);
AT(LINEAPPINFO, dwFriendlyNameSize, 6); AT(LINEAPPINFO, dwFriendlyNameOffset, 7);
AT(LINEAPPINFO, dwMediaModes, 8); AT(LINEAPPINFO, dwAddressID, 9);

SIZE(LINEADDRESSCAPS, 228);
HEAD(LINEADDRESSCAPS);
AT(LINEADDRESSCAPS, dwLineDeviceID, 3); AT(LINEADDRESSCAPS, dwAddressSize, 4);
AT(LINEADDRESSCAPS, dwAddressOffset, 5); AT(LINEADDRESSCAPS, dwDevSpecificSize, 6);
AT(LINEADDRESSCAPS, dwDevSpecificOffset, 7); AT(LINEADDRESSCAPS, dwAddressSharing, 8);
AT(LINEADDRESSCAPS, dwAddressStates, 9); AT(LINEADDRESSCAPS, dwCallInfoStates, 10);
AT(LINEADDRESSCAPS, dwCallerIDFlags, 11); AT(LINEADDRESSCAPS, dwCalledIDFlags, 12);
AT(LINEADDRESSCAPS, dwConnectedIDFlags, 13); AT(LINEADDRESSCAPS, dwRedirectionIDFlags, 14);
AT(LINEADDRESSCAPS, dwRedirectingIDFlags, 15); AT(LINEADDRESSCAPS, dwCallStates, 16);
AT(LINEADDRESSCAPS, dwDialToneModes, 17); AT(LINEADDRESSCAPS, dwBusyModes, 18);
AT(LINEADDRESSCAPS, dwSpecialInfo, 19); AT(LINEADDRESSCAPS, dwDisconnectModes, 20);
AT(LINEADDRESSCAPS, dwMaxNumActiveCalls, 21); AT(LINEADDRESSCAPS, dwMaxNumOnHoldCalls, 22);
AT(LINEADDRESSCAPS, dwMaxNumOnHoldPendingCalls, 23); AT(LINEADDRESSCAPS, dwMaxNumConference, 24);
AT(LINEADDRESSCAPS, dwMaxNumTransConf, 25); AT(LINEADDRESSCAPS, dwAddrCapFlags, 26);
AT(LINEADDRESSCAPS, dwCallFeatures, 27); AT(LINEADDRESSCAPS, dwRemoveFromConfCaps, 28);
AT(LINEADDRESSCAPS, dwRemoveFromConfState, 29); AT(LINEADDRESSCAPS, dwTransferModes, 30);
AT(LINEADDRESSCAPS, dwParkModes, 31); AT(LINEADDRESSCAPS, dwForwardModes, 32);
AT(LINEADDRESSCAPS, dwMaxForwardEntries, 33); AT(LINEADDRESSCAPS, dwMaxSpecificEntries, 34);
AT(LINEADDRESSCAPS, dwMinFwdNumRings, 35); AT(LINEADDRESSCAPS, dwMaxFwdNumRings, 36);
AT(LINEADDRESSCAPS, dwMaxCallCompletions, 37); AT(LINEADDRESSCAPS, dwCallCompletionConds, 38);
AT(LINEADDRESSCAPS, dwCallCompletionModes, 39); AT(LINEADDRESSCAPS, dwNumCompletionMessages, 40);
AT(LINEADDRESSCAPS, dwCompletionMsgTextEntrySize, 41); AT(LINEADDRESSCAPS, dwCompletionMsgTextSize, 42);
AT(LINEADDRESSCAPS, dwCompletionMsgTextOffset, 43); AT(LINEADDRESSCAPS, dwAddressFeatures, 44);
AT(LINEADDRESSCAPS, dwPredictiveAutoTransferStates, 45); AT(LINEADDRESSCAPS, dwNumCallTreatments, 46);
AT(LINEADDRESSCAPS, dwCallTreatmentListSize, 47); AT(LINEADDRESSCAPS, dwCallTreatmentListOffset, 48);
AT(LINEADDRESSCAPS, dwDeviceClassesSize, 49); AT(LINEADDRESSCAPS, dwDeviceClassesOffset, 50);
AT(LINEADDRESSCAPS, dwMaxCallDataSize, 51); AT(LINEADDRESSCAPS, dwCallFeatures2, 52);
AT(LINEADDRESSCAPS, dwMaxNoAnswerTimeout, 53); AT(LINEADDRESSCAPS, dwConnectedModes, 54);
AT(LINEADDRESSCAPS, dwOfferingModes, 55); AT(LINEADDRESSCAPS, dwAvailableMediaModes, 56);

SIZE(LINECALLTREATMENTENTRY, 12);
AT(LINECALLTREATMENTENTRY, dwCallTreatmentID, 0);
AT(LINECALLTREATMENTENTRY, dwCallTreatmentNameSize, 1);
AT(LINECALLTREATMENTENTRY, dwCallTreatmentNameOffset, 2);

SIZE(LINEADDRESSSTATUS, 64);
HEAD(LINEADDRESSSTATUS);
AT(LINEADDRESSSTATUS, dwNumInUse, 3); AT(LINEADDRESSSTATUS, dwNumActiveCalls, 4);
AT(LINEADDRESSSTATUS, dwNumOnHoldCalls, 5); AT(LINEADDRESSSTATUS, dwNumOnHoldPendCalls, 6);
AT(LINEADDRESSSTATUS, dwAddressFeatures, 7); AT(LINEADDRESSSTATUS, dwNumRingsNoAnswer, 8);
AT(LINEADDRESSSTATUS, dwForwardNumEntries, 9); AT(LINEADDRESSSTATUS, dwForwardSize, 10);
AT(LINEADDRESSSTATUS, dwForwardOffset, 11); AT(LINEADDRESSSTATUS, dwTerminalModesSize, 12);
AT(LINEADDRESSSTATUS, dwTerminalModesOffset, 13); AT(LINEADDRESSSTATUS, dwDevSpecificSize, 14);
AT(LINEADDRESSSTATUS, dwDevSpecificOffset, 15);

SIZE(LINEFORWARD, 24);
AT(LINEFORWARD, dwForwardMode, 0); AT(LINEFORWARD, dwCallerAddressSize, 1);
AT(LINEFORWARD, dwCallerAddressOffset, 2); AT(LINEFORWARD, dwDestCountryCode, 3);
AT(LINEFORWARD, dwDestAddressSize, 4); AT(LINEFORWARD, dwDestAddressOffset, 5);

SIZE(LINECALLINFO, 324);
HEAD(LINECALLINFO);
AT(LINECALLINFO, hLine, 3); AT(LINECALLINFO, dwLineDeviceID, 4); AT(LINECALLINFO, dwAddressID, 5);
AT(LINECALLINFO, dwBearerMode, 6); AT(LINECALLINFO, dwRate, 7); AT(LINECALLINFO, dwMediaMode, 8);
AT(LINECALLINFO, dwAppSpecific, 9); AT(LINECALLINFO, dwCallID, 10);
AT(LINECALLINFO, dwRelatedCallID, 11); AT(LINECALLINFO, dwCallParamFlags, 12);
AT(LINECALLINFO, dwCallStates, 13); AT(LINECALLINFO, dwMonitorDigitModes, 14);
AT(LINECALLINFO, dwMonitorMediaModes, 15); AT(LINECALLINFO, DialParams, 16);
AT(LINECALLINFO, dwOrigin, 20); AT(LINECALLINFO, dwReason, 21); AT(LINECALLINFO, dwCompletionID, 22);
AT(LINECALLINFO, dwNumOwners, 23); AT(LINECALLINFO, dwNumMonitors, 24);
AT(LINECALLINFO, dwCountryCode, 25); AT(LINECALLINFO, dwTrunk, 26);
AT(LINECALLINFO, dwCallerIDFlags, 27); AT(LINECALLINFO, dwCallerIDSize, 28);
AT(LINECALLINFO, dwCallerIDOffset, 29); AT(LINECALLINFO, dwCallerIDNameSize, 30);
AT(LINECALLINFO, dwCallerIDNameOffset, 31); AT(LINECALLINFO, dwCalledIDFlags, 32);
AT(LINECALLINFO, dwCalledIDSize, 33); AT(LINECALLINFO, dwCalledIDOffset, 34);
AT(LINECALLINFO, dwCalledIDNameSize, 35); AT(LINECALLINFO, dwCalledIDNameOffset, 36);
AT(LINECALLINFO, dwConnectedIDFlags, 37); AT(LINECALLINFO, dwConnectedIDSize, 38);
AT(LINECALLINFO, dwConnectedIDOffset, 39); AT(LINECALLINFO, dwConnectedIDNameSize, 40);
AT(LINECALLINFO, dwConnectedIDNameOffset, 41); AT(LINECALLINFO, dwRedirectionIDFlags, 42);
AT(LINECALLINFO, dwRedirectionIDSize, 43); AT(LINECALLINFO, dwRedirectionIDOffset, 44);
AT(LINECALLINFO, dwRedirectionIDNameSize, 45); AT(LINECALLINFO, dwRedirectionIDNameOffset, 46);
AT(LINECALLINFO, dwRedirectingIDFlags, 47); AT(LINECALLINFO, dwRedirectingIDSize, 48);
AT(LINECALLINFO, dwRedirectingIDOffset, 49); AT(LINECALLINFO, dwRedirectingIDNameSize, 50);
AT(LINECALLINFO, dwRedirectingIDNameOffset, 51); AT(LINECALLINFO, dwAppNameSize, 52);
AT(LINECALLINFO, dwAppNameOffset, 53); AT(LINECALLINFO, dwDisplayableAddressSize, 54);
AT(LINECALLINFO, dwDisplayableAddressOffset, 55); AT(LINECALLINFO, dwCalledPartySize, 56);
AT(LINECALLINFO, dwCalledPartyOffset, 57); AT(LINECALLINFO, dwCommentSize, 58);
AT(LINECALLINFO, dwCommentOffset, 59); AT(LINECALLINFO, dwDisplaySize, 60);
AT(LINECALLINFO, dwDisplayOffset, 61); AT(LINECALLINFO, dwUserUserInfoSize, 62);
AT(LINECALLINFO, dwUserUserInfoOffset, 63); AT(LINECALLINFO, dwHighLevelCompSize, 64);
AT(LINECALLINFO, dwHighLevelCompOffset, 65); AT(LINECALLINFO, dwLowLevelCompSize, 66);
AT(LINECALLINFO, dwLowLevelCompOffset, 67); AT(LINECALLINFO, dwChargingInfoSize, 68);
AT(LINECALLINFO, dwChargingInfoOffset, 69); AT(LINECALLINFO, dwTerminalModesSize, 70);
AT(LINECALLINFO, dwTerminalModesOffset, 71); AT(LINECALLINFO, dwDevSpecificSize, 72);
AT(LINECALLINFO, dwDevSpecificOffset, 73); AT(LINECALLINFO, dwCallTreatment, 74);
AT(LINECALLINFO, dwCallDataSize, 75); AT(LINECALLINFO, dwCallDataOffset, 76);
AT(LINECALLINFO, dwSendingFlowspecSize, 77); AT(LINECALLINFO, dwSendingFlowspecOffset, 78);
AT(LINECALLINFO, dwReceivingFlowspecSize, 79); AT(LINECALLINFO, dwReceivingFlowspecOffset, 80);

SIZE(LINECALLSTATUS, 56);
HEAD(LINECALLSTATUS);
AT(LINECALLSTATUS, dwCallState, 3); AT(LINECALLSTATUS, dwCallStateMode, 4);
AT(LINECALLSTATUS, dwCallPrivilege, 5); AT(LINECALLSTATUS, dwCallFeatures, 6);
AT(LINECALLSTATUS, dwDevSpecificSize, 7); AT(LINECALLSTATUS, dwDevSpecificOffset, 8);
AT(LINECALLSTATUS, dwCallFeatures2, 9); AT(LINECALLSTATUS, tStateEntryTime, 10);

// The call parameter packer writes these byte offsets.
SIZE(LINECALLPARAMS, 176);
AT_BYTE(LINECALLPARAMS, dwTotalSize, 0); AT_BYTE(LINECALLPARAMS, dwBearerMode, 4);
AT_BYTE(LINECALLPARAMS, dwMinRate, 8); AT_BYTE(LINECALLPARAMS, dwMaxRate, 12);
AT_BYTE(LINECALLPARAMS, dwMediaMode, 16); AT_BYTE(LINECALLPARAMS, dwCallParamFlags, 20);
AT_BYTE(LINECALLPARAMS, dwAddressMode, 24); AT_BYTE(LINECALLPARAMS, dwAddressID, 28);
AT_BYTE(LINECALLPARAMS, DialParams.dwDialPause, 32); AT_BYTE(LINECALLPARAMS, DialParams.dwDialSpeed, 36);
AT_BYTE(LINECALLPARAMS, DialParams.dwDigitDuration, 40);
AT_BYTE(LINECALLPARAMS, DialParams.dwWaitForDialtone, 44);
AT_BYTE(LINECALLPARAMS, dwOrigAddressSize, 48); AT_BYTE(LINECALLPARAMS, dwOrigAddressOffset, 52);
AT_BYTE(LINECALLPARAMS, dwDisplayableAddressSize, 56);
AT_BYTE(LINECALLPARAMS, dwDisplayableAddressOffset, 60);
AT_BYTE(LINECALLPARAMS, dwCalledPartySize, 64); AT_BYTE(LINECALLPARAMS, dwCalledPartyOffset, 68);
AT_BYTE(LINECALLPARAMS, dwCommentSize, 72); AT_BYTE(LINECALLPARAMS, dwCommentOffset, 76);
AT_BYTE(LINECALLPARAMS, dwUserUserInfoSize, 80); AT_BYTE(LINECALLPARAMS, dwUserUserInfoOffset, 84);
AT_BYTE(LINECALLPARAMS, dwHighLevelCompSize, 88); AT_BYTE(LINECALLPARAMS, dwHighLevelCompOffset, 92);
AT_BYTE(LINECALLPARAMS, dwLowLevelCompSize, 96); AT_BYTE(LINECALLPARAMS, dwLowLevelCompOffset, 100);
AT_BYTE(LINECALLPARAMS, dwDevSpecificSize, 104); AT_BYTE(LINECALLPARAMS, dwDevSpecificOffset, 108);
AT_BYTE(LINECALLPARAMS, dwPredictiveAutoTransferStates, 112);
AT_BYTE(LINECALLPARAMS, dwTargetAddressSize, 116); AT_BYTE(LINECALLPARAMS, dwTargetAddressOffset, 120);
AT_BYTE(LINECALLPARAMS, dwSendingFlowspecSize, 124);
AT_BYTE(LINECALLPARAMS, dwSendingFlowspecOffset, 128);
AT_BYTE(LINECALLPARAMS, dwReceivingFlowspecSize, 132);
AT_BYTE(LINECALLPARAMS, dwReceivingFlowspecOffset, 136);
AT_BYTE(LINECALLPARAMS, dwDeviceClassSize, 140); AT_BYTE(LINECALLPARAMS, dwDeviceClassOffset, 144);
AT_BYTE(LINECALLPARAMS, dwDeviceConfigSize, 148); AT_BYTE(LINECALLPARAMS, dwDeviceConfigOffset, 152);
AT_BYTE(LINECALLPARAMS, dwCallDataSize, 156); AT_BYTE(LINECALLPARAMS, dwCallDataOffset, 160);
AT_BYTE(LINECALLPARAMS, dwNoAnswerTimeout, 164); AT_BYTE(LINECALLPARAMS, dwCallingPartyIDSize, 168);
AT_BYTE(LINECALLPARAMS, dwCallingPartyIDOffset, 172);

SIZE(LINECALLLIST, 24);
HEAD(LINECALLLIST);
AT(LINECALLLIST, dwCallsNumEntries, 3); AT(LINECALLLIST, dwCallsSize, 4); AT(LINECALLLIST, dwCallsOffset, 5);

SIZE(LINEMONITORTONE, 20);
AT(LINEMONITORTONE, dwAppSpecific, 0); AT(LINEMONITORTONE, dwDuration, 1);
AT(LINEMONITORTONE, dwFrequency1, 2); AT(LINEMONITORTONE, dwFrequency2, 3);
AT(LINEMONITORTONE, dwFrequency3, 4);

SIZE(LINEGENERATETONE, 16);
AT(LINEGENERATETONE, dwFrequency, 0); AT(LINEGENERATETONE, dwCadenceOn, 1);
AT(LINEGENERATETONE, dwCadenceOff, 2); AT(LINEGENERATETONE, dwVolume, 3);

SIZE(LINEREQMAKECALL, 240);
AT_BYTE(LINEREQMAKECALL, szDestAddress, 0); AT_BYTE(LINEREQMAKECALL, szAppName, 80);
AT_BYTE(LINEREQMAKECALL, szCalledParty, 120); AT_BYTE(LINEREQMAKECALL, szComment, 160);
static_assert(sizeof(LINEREQMAKECALL::szDestAddress) == 80 && sizeof(LINEREQMAKECALL::szAppName) == 40 &&
              sizeof(LINEREQMAKECALL::szCalledParty) == 40 && sizeof(LINEREQMAKECALL::szComment) == 80);

SIZE(LINETRANSLATECAPS, 44);
HEAD(LINETRANSLATECAPS);
AT(LINETRANSLATECAPS, dwNumLocations, 3); AT(LINETRANSLATECAPS, dwLocationListSize, 4);
AT(LINETRANSLATECAPS, dwLocationListOffset, 5); AT(LINETRANSLATECAPS, dwCurrentLocationID, 6);
AT(LINETRANSLATECAPS, dwNumCards, 7); AT(LINETRANSLATECAPS, dwCardListSize, 8);
AT(LINETRANSLATECAPS, dwCardListOffset, 9); AT(LINETRANSLATECAPS, dwCurrentPreferredCardID, 10);

SIZE(LINELOCATIONENTRY, 68);
AT(LINELOCATIONENTRY, dwPermanentLocationID, 0); AT(LINELOCATIONENTRY, dwLocationNameSize, 1);
AT(LINELOCATIONENTRY, dwLocationNameOffset, 2); AT(LINELOCATIONENTRY, dwCountryCode, 3);
AT(LINELOCATIONENTRY, dwCityCodeSize, 4); AT(LINELOCATIONENTRY, dwCityCodeOffset, 5);
AT(LINELOCATIONENTRY, dwPreferredCardID, 6); AT(LINELOCATIONENTRY, dwLocalAccessCodeSize, 7);
AT(LINELOCATIONENTRY, dwLocalAccessCodeOffset, 8);
AT(LINELOCATIONENTRY, dwLongDistanceAccessCodeSize, 9);
AT(LINELOCATIONENTRY, dwLongDistanceAccessCodeOffset, 10);
AT(LINELOCATIONENTRY, dwTollPrefixListSize, 11); AT(LINELOCATIONENTRY, dwTollPrefixListOffset, 12);
AT(LINELOCATIONENTRY, dwCountryID, 13); AT(LINELOCATIONENTRY, dwOptions, 14);
AT(LINELOCATIONENTRY, dwCancelCallWaitingSize, 15); AT(LINELOCATIONENTRY, dwCancelCallWaitingOffset, 16);

SIZE(LINECARDENTRY, 44);
AT(LINECARDENTRY, dwPermanentCardID, 0); AT(LINECARDENTRY, dwCardNameSize, 1);
AT(LINECARDENTRY, dwCardNameOffset, 2); AT(LINECARDENTRY, dwCardNumberDigits, 3);
AT(LINECARDENTRY, dwSameAreaRuleSize, 4); AT(LINECARDENTRY, dwSameAreaRuleOffset, 5);
AT(LINECARDENTRY, dwLongDistanceRuleSize, 6); AT(LINECARDENTRY, dwLongDistanceRuleOffset, 7);
AT(LINECARDENTRY, dwInternationalRuleSize, 8); AT(LINECARDENTRY, dwInternationalRuleOffset, 9);
AT(LINECARDENTRY, dwOptions, 10);

SIZE(LINECOUNTRYLIST, 24);
HEAD(LINECOUNTRYLIST);
AT(LINECOUNTRYLIST, dwNumCountries, 3); AT(LINECOUNTRYLIST, dwCountryListSize, 4);
AT(LINECOUNTRYLIST, dwCountryListOffset, 5);

SIZE(LINECOUNTRYENTRY, 44);
AT(LINECOUNTRYENTRY, dwCountryID, 0); AT(LINECOUNTRYENTRY, dwCountryCode, 1);
AT(LINECOUNTRYENTRY, dwNextCountryID, 2); AT(LINECOUNTRYENTRY, dwCountryNameSize, 3);
AT(LINECOUNTRYENTRY, dwCountryNameOffset, 4); AT(LINECOUNTRYENTRY, dwSameAreaRuleSize, 5);
AT(LINECOUNTRYENTRY, dwSameAreaRuleOffset, 6); AT(LINECOUNTRYENTRY, dwLongDistanceRuleSize, 7);
AT(LINECOUNTRYENTRY, dwLongDistanceRuleOffset, 8); AT(LINECOUNTRYENTRY, dwInternationalRuleSize, 9);
AT(LINECOUNTRYENTRY, dwInternationalRuleOffset, 10);

SIZE(LINETRANSLATEOUTPUT, 40);
HEAD(LINETRANSLATEOUTPUT);
AT(LINETRANSLATEOUTPUT, dwDialableStringSize, 3); AT(LINETRANSLATEOUTPUT, dwDialableStringOffset, 4);
AT(LINETRANSLATEOUTPUT, dwDisplayableStringSize, 5);
AT(LINETRANSLATEOUTPUT, dwDisplayableStringOffset, 6); AT(LINETRANSLATEOUTPUT, dwCurrentCountry, 7);
AT(LINETRANSLATEOUTPUT, dwDestCountry, 8); AT(LINETRANSLATEOUTPUT, dwTranslateResults, 9);

SIZE(PHONECAPS, 180);
HEAD(PHONECAPS);
AT(PHONECAPS, dwProviderInfoSize, 3); AT(PHONECAPS, dwProviderInfoOffset, 4);
AT(PHONECAPS, dwPhoneInfoSize, 5); AT(PHONECAPS, dwPhoneInfoOffset, 6);
AT(PHONECAPS, dwPermanentPhoneID, 7); AT(PHONECAPS, dwPhoneNameSize, 8);
AT(PHONECAPS, dwPhoneNameOffset, 9); AT(PHONECAPS, dwStringFormat, 10);
AT(PHONECAPS, dwPhoneStates, 11); AT(PHONECAPS, dwHookSwitchDevs, 12);
AT(PHONECAPS, dwHandsetHookSwitchModes, 13); AT(PHONECAPS, dwSpeakerHookSwitchModes, 14);
AT(PHONECAPS, dwHeadsetHookSwitchModes, 15); AT(PHONECAPS, dwVolumeFlags, 16);
AT(PHONECAPS, dwGainFlags, 17); AT(PHONECAPS, dwDisplayNumRows, 18);
AT(PHONECAPS, dwDisplayNumColumns, 19); AT(PHONECAPS, dwNumRingModes, 20);
AT(PHONECAPS, dwNumButtonLamps, 21); AT(PHONECAPS, dwButtonModesSize, 22);
AT(PHONECAPS, dwButtonModesOffset, 23); AT(PHONECAPS, dwButtonFunctionsSize, 24);
AT(PHONECAPS, dwButtonFunctionsOffset, 25); AT(PHONECAPS, dwLampModesSize, 26);
AT(PHONECAPS, dwLampModesOffset, 27); AT(PHONECAPS, dwNumSetData, 28);
AT(PHONECAPS, dwSetDataSize, 29); AT(PHONECAPS, dwSetDataOffset, 30);
AT(PHONECAPS, dwNumGetData, 31); AT(PHONECAPS, dwGetDataSize, 32);
AT(PHONECAPS, dwGetDataOffset, 33); AT(PHONECAPS, dwDevSpecificSize, 34);
AT(PHONECAPS, dwDevSpecificOffset, 35); AT(PHONECAPS, dwDeviceClassesSize, 36);
AT(PHONECAPS, dwDeviceClassesOffset, 37); AT(PHONECAPS, dwPhoneFeatures, 38);
AT(PHONECAPS, dwSettableHandsetHookSwitchModes, 39);
AT(PHONECAPS, dwSettableSpeakerHookSwitchModes, 40);
AT(PHONECAPS, dwSettableHeadsetHookSwitchModes, 41);
AT(PHONECAPS, dwMonitoredHandsetHookSwitchModes, 42);
AT(PHONECAPS, dwMonitoredSpeakerHookSwitchModes, 43);
AT(PHONECAPS, dwMonitoredHeadsetHookSwitchModes, 44);

SIZE(PHONESTATUS, 104);
HEAD(PHONESTATUS);
AT(PHONESTATUS, dwStatusFlags, 3); AT(PHONESTATUS, dwNumOwners, 4); AT(PHONESTATUS, dwNumMonitors, 5);
AT(PHONESTATUS, dwRingMode, 6); AT(PHONESTATUS, dwRingVolume, 7);
AT(PHONESTATUS, dwHandsetHookSwitchMode, 8); AT(PHONESTATUS, dwHandsetVolume, 9);
AT(PHONESTATUS, dwHandsetGain, 10); AT(PHONESTATUS, dwSpeakerHookSwitchMode, 11);
AT(PHONESTATUS, dwSpeakerVolume, 12); AT(PHONESTATUS, dwSpeakerGain, 13);
AT(PHONESTATUS, dwHeadsetHookSwitchMode, 14); AT(PHONESTATUS, dwHeadsetVolume, 15);
AT(PHONESTATUS, dwHeadsetGain, 16); AT(PHONESTATUS, dwDisplaySize, 17);
AT(PHONESTATUS, dwDisplayOffset, 18); AT(PHONESTATUS, dwLampModesSize, 19);
AT(PHONESTATUS, dwLampModesOffset, 20); AT(PHONESTATUS, dwOwnerNameSize, 21);
AT(PHONESTATUS, dwOwnerNameOffset, 22); AT(PHONESTATUS, dwDevSpecificSize, 23);
AT(PHONESTATUS, dwDevSpecificOffset, 24); AT(PHONESTATUS, dwPhoneFeatures, 25);

SIZE(PHONEBUTTONINFO, 40);
HEAD(PHONEBUTTONINFO);
AT(PHONEBUTTONINFO, dwButtonMode, 3); AT(PHONEBUTTONINFO, dwButtonFunction, 4);
AT(PHONEBUTTONINFO, dwButtonTextSize, 5); AT(PHONEBUTTONINFO, dwButtonTextOffset, 6);
AT(PHONEBUTTONINFO, dwDevSpecificSize, 7); AT(PHONEBUTTONINFO, dwDevSpecificOffset, 8);
AT(PHONEBUTTONINFO, dwButtonState, 9);

// Handles and callback instances travel in 32-bit message words.
static_assert(sizeof(HLINEAPP) == 4 && sizeof(HLINE) == 4 && sizeof(HCALL) == 4);
static_assert(sizeof(HPHONEAPP) == 4 && sizeof(HPHONE) == 4);
static_assert(sizeof(HWND) == 4 && sizeof(HICON) == 4 && sizeof(HANDLE) == 4 && sizeof(HINSTANCE) == 4);

namespace {

// A provider may place list entries at any offset; reading one through the
// structure must not depend on 4-byte alignment (UBSan checks the access).
TEST(TapiLayout, EntriesAreReadableAtUnalignedOffsets)
{
    std::vector<unsigned char> Block(3 + sizeof(LINELOCATIONENTRY) * 2);
    const DWORD Words[2][2] = {{0x11223344, 7}, {0x55667788, 9}};
    for (int i = 0; i < 2; ++i) {
        unsigned char* At = Block.data() + 3 + i * sizeof(LINELOCATIONENTRY);
        std::memcpy(At + offsetof(LINELOCATIONENTRY, dwPermanentLocationID), &Words[i][0], 4);
        std::memcpy(At + offsetof(LINELOCATIONENTRY, dwCountryID), &Words[i][1], 4);
    }
    // Fields are copied out: a reference (such as EXPECT_EQ's parameters)
    // must not bind to a field at a misaligned address.
    const auto* Entries = reinterpret_cast<const LINELOCATIONENTRY*>(Block.data() + 3);
    const DWORD Read[2][2] = {{Entries[0].dwPermanentLocationID, Entries[0].dwCountryID},
                              {Entries[1].dwPermanentLocationID, Entries[1].dwCountryID}};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(Read[i][0], Words[i][0]);
        EXPECT_EQ(Read[i][1], Words[i][1]);
    }
}

}  // namespace
