// Sound files in calls: playing a WAV file to the far end and recording
// what the far end sends, for announcements, voice menus and voice mail.
// An extension of this library's telephony service, offered by providers
// that carry a call's audio themselves (the SIP provider); others answer
// LINEERR_OPERATIONUNAVAIL.
//
// The functions are asynchronous like the TAPI call operations: they need
// the owner privilege, return a positive request identifier and complete
// with LINE_REPLY (0, or LINEERR_INVALPARAM when the file cannot be opened
// or has a format the provider cannot use, LINEERR_INVALCALLSTATE when the
// call carries no audio). WAV files of 16-bit PCM at 8, 16, 32 or 48 kHz,
// mono or stereo, can be played; recordings are 16-bit PCM at 8 kHz, mono.
//
// A call's audio devices are no sound cards: lineGetIDA for "wave/in" and
// "wave/out" answers LINEERR_INVALDEVICECLASS on such lines.
#pragma once

#include "kxtapi/tapi/types.h"

/// LINE_DEVSPECIFIC on every handle of the call when a file has been played
/// to its end (dwParam1), with dwParam2 the request identifier of
/// kxtapiPlayWaveFile. A file stopped by kxtapiStopWaveFile, a new file or
/// the call's end reports nothing.
inline constexpr DWORD KXTAPI_DEVSPECIFIC_WAVEPLAYED = 0x4B580001;

/// kxtapiPlayWaveFile: play the file again and again until stopped.
inline constexpr DWORD KXTAPI_WAVEPLAY_LOOP = 0x00000001;

extern "C" {

/// Plays the WAV file lpszFileName to the far end of the call, in place of
/// the silence a call sends otherwise. A file playing already is stopped.
/// While the call is on hold the file pauses.
DWORD kxtapiPlayWaveFile(HCALL hCall, LPCSTR lpszFileName, DWORD dwFlags);

/// Stops playing; the call sends silence again.
DWORD kxtapiStopWaveFile(HCALL hCall);

/// Records what the far end sends to the WAV file lpszFileName (created or
/// replaced) until kxtapiStopRecording or the call's end. Silence the far
/// end does not send (on hold, say) is not in the file.
DWORD kxtapiRecordWaveFile(HCALL hCall, LPCSTR lpszFileName);

/// Ends the recording and completes the file.
DWORD kxtapiStopRecording(HCALL hCall);

}  // extern "C"
