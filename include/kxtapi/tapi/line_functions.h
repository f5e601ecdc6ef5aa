// Line functions of the TAPI 2.x interface (ANSI entry points), provided by
// the library's telephony service.
//
// Results. Every function returns its result as a 32-bit unsigned value:
//   0                     success;
//   bit 31 set            an error code (LINEERR_..., PHONEERR_...); read as
//                         int32_t the value is negative, like TAPI's LONG;
//   other positive value  a request identifier, from the functions marked
//                         "asynchronous": the outcome arrives later as
//                         LINE_REPLY (dwParam1 the identifier, dwParam2 0 or
//                         an error code).
// The type is unsigned so that results compare with the error constants, with
// reply codes and with stored error codes without sign conversions.
//
// Strings are zero-terminated single-byte text. Variable-size blocks are
// filled as described in line_structs.h; a block smaller than its fixed part
// fails with LINEERR_STRUCTURETOOSMALL, a larger one that cannot hold the
// whole answer succeeds with dwNeededSize > dwTotalSize.
#pragma once

#include "kxtapi/tapi/line_structs.h"
#include "kxtapi/tapi/location_structs.h"
#include "kxtapi/tapi/types.h"

extern "C" {

// --- Usage, messages and versions ---------------------------------------

/// Opens the application's use of the line interface. *lpdwAPIVersion is
/// the highest version the application knows on entry and the version in
/// use on return. In event mode (LINEINITIALIZEEXOPTION_USEEVENT) the event
/// is returned in lpLineInitializeExParams->Handles.hEvent and lpfnCallback
/// may be null.
uint32_t lineInitializeExA(LPHLINEAPP lphLineApp, HINSTANCE hInstance, LINECALLBACK lpfnCallback,
                           LPCSTR lpszFriendlyAppName, LPDWORD lpdwNumDevs,
                           LPDWORD lpdwAPIVersion,
                           LPLINEINITIALIZEEXPARAMS lpLineInitializeExParams);
/// Ends the use begun by lineInitializeExA; open lines are closed.
uint32_t lineShutdown(HLINEAPP hLineApp);
/// Takes the oldest pending message; waits at most dwTimeout milliseconds
/// (0 does not wait, 0xFFFFFFFF waits without limit).
uint32_t lineGetMessage(HLINEAPP hLineApp, LPLINEMESSAGE lpMessage, DWORD dwTimeout);
uint32_t lineNegotiateAPIVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
                                 DWORD dwAPIHighVersion, LPDWORD lpdwAPIVersion,
                                 LPLINEEXTENSIONID lpExtensionID);
uint32_t lineNegotiateExtVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                                 DWORD dwExtLowVersion, DWORD dwExtHighVersion,
                                 LPDWORD lpdwExtVersion);

// --- Line devices ---------------------------------------------------------

uint32_t lineGetDevCapsA(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                         DWORD dwExtVersion, LPLINEDEVCAPS lpLineDevCaps);
/// dwCallbackInstance comes back in every message about the line and its
/// calls. lpCallParams is used only with LINEMAPPER and may be null.
uint32_t lineOpenA(HLINEAPP hLineApp, DWORD dwDeviceID, LPHLINE lphLine, DWORD dwAPIVersion,
                   DWORD dwExtVersion, DWORD dwCallbackInstance, DWORD dwPrivileges,
                   DWORD dwMediaModes, const LINECALLPARAMS* lpCallParams);
uint32_t lineClose(HLINE hLine);
uint32_t lineSetStatusMessages(HLINE hLine, DWORD dwLineStates, DWORD dwAddressStates);
uint32_t lineGetStatusMessages(HLINE hLine, LPDWORD lpdwLineStates, LPDWORD lpdwAddressStates);
uint32_t lineGetLineDevStatusA(HLINE hLine, LPLINEDEVSTATUS lpLineDevStatus);
/// lpszDeviceClass may be null or empty for the line's own icon.
uint32_t lineGetIconA(DWORD dwDeviceID, LPCSTR lpszDeviceClass, LPHICON lphIcon);
uint32_t lineConfigDialogA(DWORD dwDeviceID, HWND hwndOwner, LPCSTR lpszDeviceClass);
/// Identifier of a device of lpszDeviceClass related to the line, an
/// address (dwAddressID) or a call (hCall), chosen by dwSelect
/// (LINECALLSELECT_...).
uint32_t lineGetIDA(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect,
                    LPVARSTRING lpDeviceID, LPCSTR lpszDeviceClass);
uint32_t lineGetAddressCapsA(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAddressID,
                             DWORD dwAPIVersion, DWORD dwExtVersion,
                             LPLINEADDRESSCAPS lpAddressCaps);
uint32_t lineGetAddressStatusA(HLINE hLine, DWORD dwAddressID,
                               LPLINEADDRESSSTATUS lpAddressStatus);

// --- Calls ------------------------------------------------------------------

/// Handles of calls the application has no handle for yet, on the line or
/// one address (dwSelect LINECALLSELECT_LINE or _ADDRESS); the application
/// gets monitor privilege on them.
uint32_t lineGetNewCalls(HLINE hLine, DWORD dwAddressID, DWORD dwSelect,
                         LPLINECALLLIST lpCallList);
uint32_t lineGetCallInfoA(HCALL hCall, LPLINECALLINFO lpCallInfo);
uint32_t lineGetCallStatus(HCALL hCall, LPLINECALLSTATUS lpCallStatus);
uint32_t lineGetConfRelatedCalls(HCALL hCall, LPLINECALLLIST lpCallList);
/// Releases the application's handle of a call (the call itself goes on).
uint32_t lineDeallocateCall(HCALL hCall);
uint32_t lineSetCallPrivilege(HCALL hCall, DWORD dwCallPrivilege);
uint32_t lineSetMediaMode(HCALL hCall, DWORD dwMediaModes);

// The functions of this group are asynchronous. Where one creates a call,
// the service writes the new handle through the given pointer when the
// request completes successfully, before LINE_REPLY is delivered; the
// pointed-to handle must stay valid until then.

uint32_t lineMakeCallA(HLINE hLine, LPHCALL lphCall, LPCSTR lpszDestAddress, DWORD dwCountryCode,
                       const LINECALLPARAMS* lpCallParams);
uint32_t lineAccept(HCALL hCall, LPCSTR lpsUserUserInfo, DWORD dwSize);
uint32_t lineAnswer(HCALL hCall, LPCSTR lpsUserUserInfo, DWORD dwSize);
uint32_t lineDrop(HCALL hCall, LPCSTR lpsUserUserInfo, DWORD dwSize);
uint32_t lineDialA(HCALL hCall, LPCSTR lpszDestAddress, DWORD dwCountryCode);
uint32_t lineHold(HCALL hCall);
uint32_t lineUnhold(HCALL hCall);
uint32_t lineSwapHold(HCALL hActiveCall, HCALL hHeldCall);
uint32_t lineBlindTransferA(HCALL hCall, LPCSTR lpszDestAddress, DWORD dwCountryCode);
uint32_t lineSetupTransferA(HCALL hCall, LPHCALL lphConsultCall,
                            const LINECALLPARAMS* lpCallParams);
/// With LINETRANSFERMODE_CONFERENCE *lphConfCall receives the conference
/// call; with LINETRANSFERMODE_TRANSFER it is left alone.
uint32_t lineCompleteTransfer(HCALL hCall, HCALL hConsultCall, LPHCALL lphConfCall,
                              DWORD dwTransferMode);
uint32_t lineSetupConferenceA(HCALL hCall, HLINE hLine, LPHCALL lphConfCall,
                              LPHCALL lphConsultCall, DWORD dwNumParties,
                              const LINECALLPARAMS* lpCallParams);
uint32_t linePrepareAddToConferenceA(HCALL hConfCall, LPHCALL lphConsultCall,
                                     const LINECALLPARAMS* lpCallParams);
uint32_t lineAddToConference(HCALL hConfCall, HCALL hConsultCall);
/// A non-directed park returns the park address in lpNonDirAddress, which
/// must stay valid until the request completes.
uint32_t lineParkA(HCALL hCall, DWORD dwParkMode, LPCSTR lpszDirAddress,
                   LPVARSTRING lpNonDirAddress);
uint32_t lineUnparkA(HLINE hLine, DWORD dwAddressID, LPHCALL lphCall, LPCSTR lpszDestAddress);
uint32_t lineRedirectA(HCALL hCall, LPCSTR lpszDestAddress, DWORD dwCountryCode);

/// Hands ownership of a call to another application, named by
/// lpszFileName, or when that is null to the highest-priority application
/// for dwMediaMode. Synchronous.
uint32_t lineHandoffA(HCALL hCall, LPCSTR lpszFileName, DWORD dwMediaMode);

// --- Media on a call (all synchronous; results arrive as messages) ----------

uint32_t lineGenerateDigitsA(HCALL hCall, DWORD dwDigitMode, LPCSTR lpszDigits,
                             DWORD dwDuration);
/// dwNumTones/lpTones describe a LINETONEMODE_CUSTOM tone; dwToneMode 0
/// cancels tone generation.
uint32_t lineGenerateTone(HCALL hCall, DWORD dwToneMode, DWORD dwDuration, DWORD dwNumTones,
                          const LINEGENERATETONE* lpTones);
/// A null list (or dwNumEntries 0) stops all tone monitoring on the call.
uint32_t lineMonitorTones(HCALL hCall, const LINEMONITORTONE* lpToneList, DWORD dwNumEntries);
/// dwMediaModes 0 stops media monitoring.
uint32_t lineMonitorMedia(HCALL hCall, DWORD dwMediaModes);
/// dwDigitModes 0 stops digit monitoring.
uint32_t lineMonitorDigits(HCALL hCall, DWORD dwDigitModes);
/// The service writes gathered digits into lpsDigits (dwNumDigits bytes, no
/// terminating zero is added) until LINE_GATHERDIGITS; the buffer must stay
/// valid until then. A null lpsDigits cancels a gathering in progress.
uint32_t lineGatherDigitsA(HCALL hCall, DWORD dwDigitModes, LPSTR lpsDigits, DWORD dwNumDigits,
                           LPCSTR lpszTerminationDigits, DWORD dwFirstDigitTimeout,
                           DWORD dwInterDigitTimeout);

// --- Dialing locations and address translation ----------------------------

/// hLineApp may be 0 when the application has not initialised.
uint32_t lineGetTranslateCapsA(HLINEAPP hLineApp, DWORD dwAPIVersion,
                               LPLINETRANSLATECAPS lpTranslateCaps);
uint32_t lineSetCurrentLocation(HLINEAPP hLineApp, DWORD dwLocation);
uint32_t lineTranslateAddressA(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                               LPCSTR lpszAddressIn, DWORD dwCard, DWORD dwTranslateOptions,
                               LPLINETRANSLATEOUTPUT lpTranslateOutput);
uint32_t lineTranslateDialogA(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                              HWND hwndOwner, LPCSTR lpszAddressIn);
/// dwCountryID 0 lists every country; otherwise the list has that country.
uint32_t lineGetCountryA(DWORD dwCountryID, DWORD dwAPIVersion, LPLINECOUNTRYLIST lpLineCountryList);

// --- Assisted telephony requests --------------------------------------------

/// bEnable 1 registers, 0 unregisters the application as recipient of the
/// requests of dwRequestMode (LINEREQUESTMODE_...); dwRegistrationInstance
/// comes back as the callback instance of LINE_REQUEST.
uint32_t lineRegisterRequestRecipient(HLINEAPP hLineApp, DWORD dwRegistrationInstance,
                                      DWORD dwRequestMode, DWORD bEnable);
/// Takes the next pending request; for LINEREQUESTMODE_MAKECALL the buffer
/// is a LINEREQMAKECALL.
uint32_t lineGetRequestA(HLINEAPP hLineApp, DWORD dwRequestMode, LPVOID lpRequestBuffer);
uint32_t lineSetAppPriorityA(LPCSTR lpszAppFilename, DWORD dwMediaMode,
                             LPLINEEXTENSIONID lpExtensionID, DWORD dwRequestMode,
                             LPCSTR lpszExtensionName, DWORD dwPriority);

}  // extern "C"
