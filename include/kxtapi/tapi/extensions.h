// Functions of this library's telephony service that TAPI itself does not
// have: cancelling a pending write into application memory, placing an
// assisted-telephony request from inside the process, and the hook that
// stands in for the desktop's configuration and dialing-rule dialogs.
//
// Threads of the service. Every TAPI function may be called from any
// thread; the service serialises them with one lock. Messages are queued per
// usage (lineInitializeExA / phoneInitializeExA) in the order things
// happened, and the usage's event stays signalled while any wait; whichever
// thread calls lineGetMessage / phoneGetMessage takes the oldest. Requests
// complete, and their LINE_REPLY / PHONE_REPLY is queued:
// - immediately: before the function that made the request returns;
// - when a reply is due later and the runtime layer's test clock is
//   installed: on the thread that advances the clock, before
//   AdvanceTestClock returns (a timed wait on the clock's driving thread,
//   such as lineGetMessage with a time-out, advances it too);
// - when a reply is due later on a real clock: on the service's timer
//   thread, which runs only while something is scheduled and is joined at
//   exit.
// Control calls of the simulated switch (<kxtapi/sim.h>) queue their
// messages on the caller's thread before they return.
#pragma once

#include "kxtapi/tapi/types.h"

#include <cstdint>
#include <functional>
#include <string>

extern "C" {

/// Cancels every write the service still owes into the memory range
/// [Target, Target + Size): call handles of lineMakeCallA, lineSetupTransferA,
/// lineCompleteTransfer, lineSetupConferenceA, linePrepareAddToConferenceA and
/// lineUnparkA, digits of lineGatherDigitsA and the park address of
/// lineParkA. Call it before freeing memory whose address was handed to one
/// of these functions; afterwards the service never touches the range.
///
/// How the writes happen: a write is made, under the service's lock, by the
/// lineGetMessage call that fetches the LINE_REPLY (or LINE_GATHERDIGITS)
/// the write belongs to, before that call returns the message. So a thread
/// that learns of the reply through the fetching thread (through a guarded
/// queue, say) sees the written value. A thread that looks at a call-handle
/// slot before the reply has reached it must read it with an atomic load
/// (std::atomic_ref<uint32_t>); the service stores handles with release
/// stores for that reason. Closing the line, deallocating a call and
/// shutting the usage down cancel the writes that belong to them as well.
void kxtapiCancelWriteBack(const void* Target, uint32_t Size);

/// Asks for a call to be placed: the request goes to the make-call request
/// recipient (lineRegisterRequestRecipient with LINEREQUESTMODE_MAKECALL)
/// that ranks first among this program's and the other programs of the
/// same user: the program most recently put at the top of the make-call
/// priority list (lineSetAppPriorityA), else the most recent registration.
/// The recipient receives it as LINE_REQUEST and fetches it with
/// lineGetRequestA. Other programs are reached through their sockets in
/// the request directory (kxtapi::RequestDirectory); asking them may take
/// up to a second per program that does not answer.
///
/// Returns 0 once the recipient has queued the request;
/// TAPIERR_NOREQUESTRECIPIENT when none is registered;
/// TAPIERR_INVALDESTADDRESS for an empty address or one of
/// TAPIMAXDESTADDRESSSIZE bytes or more; TAPIERR_REQUESTQUEUEFULL when the
/// recipient holds 64 unfetched requests or cannot take another
/// connection; TAPIERR_REQUESTFAILED when the request directory may not be
/// used (kxtapi::RequestDirectoryProblem) and no recipient of this program
/// is registered. The other strings are cut to their field sizes in
/// LINEREQMAKECALL; null strings are empty.
uint32_t tapiRequestMakeCallA(LPCSTR lpszDestAddress, LPCSTR lpszAppName, LPCSTR lpszCalledParty,
                              LPCSTR lpszComment);

}  // extern "C"

namespace kxtapi {

/// The dialogs the service would show on a desktop.
enum TTapiDialogKind { tdkLineConfig, tdkPhoneConfig, tdkTranslate };

/// Shows a dialog and returns its TAPI result (0, or an error such as
/// LINEERR_OPERATIONFAILED when the user cancelled). DeviceID is the line or
/// phone device; Text is the device class for the configuration dialogs and
/// the address for the dialing-rule dialog (both may be empty). Called on
/// the thread that called the TAPI function, outside the service's lock, so
/// it may call TAPI functions itself (lineSetCurrentLocation, for instance).
using TTapiDialogHook =
    std::function<uint32_t(TTapiDialogKind Kind, uint32_t DeviceID, HWND Owner, const std::string& Text)>;

/// Installs the dialog hook and returns the one it replaces. Without a hook,
/// lineConfigDialogA and lineTranslateDialogA answer LINEERR_OPERATIONUNAVAIL
/// and phoneConfigDialogA PHONEERR_OPERATIONUNAVAIL, after checking their
/// arguments. Thread-safe.
TTapiDialogHook SetTapiDialogHook(TTapiDialogHook Hook);

/// The directory through which the programs of this user hand each other
/// make-call requests: "$XDG_RUNTIME_DIR/kxtapi", or "<tmp>/kxtapi-<uid>"
/// when XDG_RUNTIME_DIR is unset or relative (<tmp> is $TMPDIR, else /tmp).
/// A program registered as make-call recipient listens there on
/// "<pid>.sock" (mode 0600); the directory is made with mode 0700.
std::string RequestDirectory();

/// Empty when the request directory can be used or does not exist yet;
/// otherwise why it is refused: it is not a directory, belongs to another
/// user or is open to other users. Nothing is repaired: registering as
/// recipient then fails with LINEERR_OPERATIONFAILED.
std::string RequestDirectoryProblem();

}  // namespace kxtapi
