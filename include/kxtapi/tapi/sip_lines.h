// SIP line devices: how the SIP provider's lines (one per account of the
// telephony configuration, see kxtapi/tapi/config.h) show SIP through TAPI.
//
// Device. The line's name is the account's line_name; it has one address,
// the account's SIP URI ("sip:user@domain"). LINEDEVCAPS lists "tapi/line"
// only: the calls' audio goes over RTP through no sound device, so
// lineGetIDA answers LINEERR_INVALDEVICECLASS for "wave/in" and "wave/out"
// (kxtapi/tapi/media_files.h plays and records files instead).
//
// Service state. Opening the line registers the account with its registrar
// (accounts without one are in service while open). LINE_LINEDEVSTATE
// reports LINEDEVSTATE_INSERVICE when a registration succeeds and
// LINEDEVSTATE_OUTOFSERVICE when it fails or runs out without a refresh;
// LINEDEVSTATUS's dwDevStatusFlags has LINEDEVSTATUSFLAGS_INSERVICE
// accordingly, and its device-specific part holds the reason as text, for
// example "registered", "registration failed: 401 Unauthorized (the
// registrar refused the account's auth_user and password)" or
// "registration lapsed: the registrar did not answer the refresh". Failed
// registrations are tried again after 1, 2, 4, 8 and then every 10 seconds;
// closing the line un-registers.
//
// Calls made. A number dialed becomes sip:NUMBER@domain after the dialing
// rules, a name sip:NAME@domain, a "sip:" URI is used as it is. The
// LINE_REPLY of lineMakeCall comes when the INVITE is out; then DIALING,
// PROCEEDING (100), RINGBACK (180, 183), CONNECTED (2xx). A call that fails
// becomes DISCONNECTED with the mode of the final response: 486/600 BUSY,
// 404/604/484/485/416 BADADDRESS, 410 NUMBERCHANGED, 408 NOANSWER,
// 480 UNAVAIL, 603/403/401/407 REJECT, 488/606/415 INCOMPATIBLE, 502/503
// CONGESTION, 504 UNREACHABLE, other 5xx UNAVAIL; no answer at all
// UNREACHABLE; LINECALLPARAMS' dwNoAnswerTimeout NOANSWER. Redirections
// (3xx) are followed. LINECALLPARAMSFLAGS_BLOCKID sends an anonymous From
// with "Privacy: id".
//
// Calls taken. An INVITE is offered (OFFERING) with 180 Ringing sent, the
// caller from P-Asserted-Identity or From (an anonymous caller or one the
// Privacy header withholds shows LINECALLPARTYID_BLOCKED), the called ID
// from the request URI. lineDrop of an offered call answers 603 Decline,
// lineRedirect 302 with the new target. A call beyond the account's
// max_calls is answered 486 Busy Here.
//
// Hold. lineHold and lineUnhold re-INVITE (sendonly, sendrecv). When the
// far end holds the call, it stays CONNECTED and LINE_CALLSTATE reports
// the connected mode KXTAPI_SIP_REMOTEHOLD (LINECONNECTEDMODE_ACTIVEHELD:
// "active here, held at the other end"), and LINECONNECTEDMODE_ACTIVE again
// when it takes the call back.
//
// Transfer. lineBlindTransfer sends REFER; it completes when the far end's
// NOTIFY reports the new call answered (the call then goes IDLE), and
// fails, leaving the call as it was, when the REFER or that call is
// refused. lineSetupTransfer holds the call and gives a consultation call
// with a dial tone; lineCompleteTransfer (LINETRANSFERMODE_TRANSFER) sends
// REFER with Replaces. Transfers asked of a line are followed: the new call
// appears with LINECALLREASON_TRANSFER. Conferences and park are not
// offered (LINEERR_OPERATIONUNAVAIL).
//
// Digits. lineGenerateDigits (LINEDIGITMODE_DTMF) sends RFC 4733 telephone
// events and ends with LINE_GENERATE (LINEGENERATETERM_DONE); events
// received (and DTMF by SIP INFO) reach lineMonitorDigits (LINEDIGITMODE_DTMF
// at the start of a digit, LINEDIGITMODE_DTMFEND at its end) and
// lineGatherDigits.
//
// Failures. A connected far end that sends no RTP for the account's
// rtp_timeout (while neither side holds the call) is taken as gone: BYE,
// and DISCONNECTED with LINEDISCONNECTMODE_UNREACHABLE.
#pragma once

#include "kxtapi/tapi/line_constants.h"

/// The connected mode of a call the far end holds.
inline constexpr DWORD KXTAPI_SIP_REMOTEHOLD = LINECONNECTEDMODE_ACTIVEHELD;
