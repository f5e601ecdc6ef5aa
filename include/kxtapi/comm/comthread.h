// The event thread of an open serial port.
#pragma once

#include "kxtapi/rtl/handles.h"
#include "kxtapi/rtl/messages.h"
#include "kxtapi/rtl/thread.h"
#include "kxtapi/serial/cancel.h"

#include <cstdint>

namespace kxtapi {

/// Waits for the comm events of one port and hands each event word to the
/// port's hidden window with a synchronous WM_COMMEVENT, so only one word is
/// in flight and the next wait starts when every handler has returned.
///
/// The thread works on a duplicate of the port's handle, so its last act, a
/// purge of the port, never reaches a handle the port has closed. The port
/// (its owner) calls Terminate and then destroys it, which waits for its
/// end: Terminate ends the comm-event wait and releases a hand-over in
/// flight, so that wait is short even when called from an event handler.
/// A wait that fails (the port hung up after reporting it, or was closed)
/// ends the loop instead of retrying.
class TComThread : public TThread {
public:
    /// Sets the port's event mask and starts the thread at once, one step
    /// above normal priority.
    TComThread(HWND Window, THandle CommHandle, uint32_t EventMask);
    ~TComThread() override;

    std::string ClassName() const override { return "TComThread"; }

    /// Ends the comm-event wait, then marks the thread terminated.
    void Terminate() override;

protected:
    void Execute() override;
    void ProcessCommEvent(uint32_t EventWord);

private:
    HWND FWindow;
    THandle FCommHandle;  // the thread's own duplicate
    TCommCancel FStop;
};

} // namespace kxtapi
