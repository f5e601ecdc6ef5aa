// Message numbers of LINEMESSAGE/PHONEMESSAGE (dwMessageID). Line and phone
// messages share one numbering.
#pragma once

#include "kxtapi/tapi/types.h"

inline constexpr DWORD LINE_ADDRESSSTATE = 0;
inline constexpr DWORD LINE_CALLINFO = 1;
inline constexpr DWORD LINE_CALLSTATE = 2;
inline constexpr DWORD LINE_CLOSE = 3;
inline constexpr DWORD LINE_DEVSPECIFIC = 4;
inline constexpr DWORD LINE_DEVSPECIFICFEATURE = 5;
inline constexpr DWORD LINE_GATHERDIGITS = 6;
inline constexpr DWORD LINE_GENERATE = 7;
inline constexpr DWORD LINE_LINEDEVSTATE = 8;
inline constexpr DWORD LINE_MONITORDIGITS = 9;
inline constexpr DWORD LINE_MONITORMEDIA = 10;
inline constexpr DWORD LINE_MONITORTONE = 11;
inline constexpr DWORD LINE_REPLY = 12;
inline constexpr DWORD LINE_REQUEST = 13;
inline constexpr DWORD PHONE_BUTTON = 14;
inline constexpr DWORD PHONE_CLOSE = 15;
inline constexpr DWORD PHONE_DEVSPECIFIC = 16;
inline constexpr DWORD PHONE_REPLY = 17;
inline constexpr DWORD PHONE_STATE = 18;
inline constexpr DWORD LINE_CREATE = 19;
inline constexpr DWORD PHONE_CREATE = 20;
inline constexpr DWORD LINE_AGENTSPECIFIC = 21;
inline constexpr DWORD LINE_AGENTSTATUS = 22;
inline constexpr DWORD LINE_APPNEWCALL = 23;
inline constexpr DWORD LINE_PROXYREQUEST = 24;
inline constexpr DWORD LINE_REMOVE = 25;
inline constexpr DWORD PHONE_REMOVE = 26;
