// Phone functions of the TAPI 2.x interface (ANSI entry points), provided by
// the library's telephony service. Results follow the convention described
// in line_functions.h; asynchronous phone functions complete with
// PHONE_REPLY.
#pragma once

#include "kxtapi/tapi/phone_structs.h"
#include "kxtapi/tapi/types.h"

extern "C" {

// --- Usage, messages and versions ---------------------------------------

/// Opens the application's use of the phone interface; see
/// lineInitializeExA.
uint32_t phoneInitializeExA(LPHPHONEAPP lphPhoneApp, HINSTANCE hInstance,
                            PHONECALLBACK lpfnCallback, LPCSTR lpszFriendlyAppName,
                            LPDWORD lpdwNumDevs, LPDWORD lpdwAPIVersion,
                            LPPHONEINITIALIZEEXPARAMS lpPhoneInitializeExParams);
uint32_t phoneShutdown(HPHONEAPP hPhoneApp);
uint32_t phoneGetMessage(HPHONEAPP hPhoneApp, LPPHONEMESSAGE lpMessage, DWORD dwTimeout);
uint32_t phoneNegotiateAPIVersion(HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
                                  DWORD dwAPIHighVersion, LPDWORD lpdwAPIVersion,
                                  LPPHONEEXTENSIONID lpExtensionID);
uint32_t phoneNegotiateExtVersion(HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                                  DWORD dwExtLowVersion, DWORD dwExtHighVersion,
                                  LPDWORD lpdwExtVersion);

// --- Phone devices --------------------------------------------------------

uint32_t phoneGetDevCapsA(HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                          DWORD dwExtVersion, LPPHONECAPS lpPhoneCaps);
/// dwCallbackInstance comes back in every message about the phone;
/// dwPrivilege is PHONEPRIVILEGE_OWNER or PHONEPRIVILEGE_MONITOR.
uint32_t phoneOpen(HPHONEAPP hPhoneApp, DWORD dwDeviceID, LPHPHONE lphPhone, DWORD dwAPIVersion,
                   DWORD dwExtVersion, DWORD dwCallbackInstance, DWORD dwPrivilege);
uint32_t phoneClose(HPHONE hPhone);
uint32_t phoneSetStatusMessages(HPHONE hPhone, DWORD dwPhoneStates, DWORD dwButtonModes,
                                DWORD dwButtonStates);
uint32_t phoneGetStatusMessages(HPHONE hPhone, LPDWORD lpdwPhoneStates, LPDWORD lpdwButtonModes,
                                LPDWORD lpdwButtonStates);
uint32_t phoneGetStatusA(HPHONE hPhone, LPPHONESTATUS lpPhoneStatus);
/// lpszDeviceClass may be null or empty for the phone's own icon.
uint32_t phoneGetIconA(DWORD dwDeviceID, LPCSTR lpszDeviceClass, LPHICON lphIcon);
uint32_t phoneConfigDialogA(DWORD dwDeviceID, HWND hwndOwner, LPCSTR lpszDeviceClass);
/// Identifier of a device of lpszDeviceClass related to the phone.
uint32_t phoneGetIDA(HPHONE hPhone, LPVARSTRING lpDeviceID, LPCSTR lpszDeviceClass);
uint32_t phoneGetDisplay(HPHONE hPhone, LPVARSTRING lpDisplay);
uint32_t phoneGetLamp(HPHONE hPhone, DWORD dwButtonLampID, LPDWORD lpdwLampMode);
uint32_t phoneGetButtonInfoA(HPHONE hPhone, DWORD dwButtonLampID,
                             LPPHONEBUTTONINFO lpButtonInfo);

// Asynchronous.

/// Writes dwSize bytes of lpsDisplay at row dwRow, column dwColumn.
uint32_t phoneSetDisplay(HPHONE hPhone, DWORD dwRow, DWORD dwColumn, LPCSTR lpsDisplay,
                         DWORD dwSize);
uint32_t phoneSetRing(HPHONE hPhone, DWORD dwRingMode, DWORD dwVolume);
uint32_t phoneSetLamp(HPHONE hPhone, DWORD dwButtonLampID, DWORD dwLampMode);
/// dwHookSwitchDevs may name several PHONEHOOKSWITCHDEV_ devices at once.
uint32_t phoneSetHookSwitch(HPHONE hPhone, DWORD dwHookSwitchDevs, DWORD dwHookSwitchMode);
uint32_t phoneSetGain(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD dwGain);
uint32_t phoneSetVolume(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD dwVolume);

}  // extern "C"
