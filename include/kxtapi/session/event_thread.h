// The worker thread that carries TAPI messages from the service into the
// session's queue.
#pragma once

#include "kxtapi/rtl/messages.h"
#include "kxtapi/rtl/thread.h"
#include "kxtapi/tapi/types.h"

#include <cstdint>
#include <string>

namespace kxtapi {

class TTapiApplication;
class TTapiMessageStack;

/// Waits on the session's line and phone event handles (100 ms at a time),
/// fetches one message per wake-up into the session's MessageStack and posts
/// the notification to the session's window: wParam 1 with lParam 0 (line)
/// or 1 (phone), and wParam 3 (the tick) when 100 ms passed without either.
///
/// It copies, when created, everything it reads from the session (usage
/// handles, event handles, window, message number, the queue), so it never
/// touches the session's fields while they change; the session joins it
/// before it releases anything the thread uses. Created running.
class TTapiEventThread : public TThread {
public:
    explicit TTapiEventThread(TTapiApplication* ASession);
    ~TTapiEventThread() override;
    std::string ClassName() const override { return "TTapiEventThread"; }

    /// Sets the terminate flag and wakes the thread's wait, then sleeps 1 ms.
    /// Does not wait for the end.
    void Terminate() override;

    TTapiApplication* Get_Session() const noexcept { return FSession; }

protected:
    void Execute() override;

private:
    void Fetch(bool Line);

    TTapiApplication* const FSession;
    const HLINEAPP FLineApp;
    const HPHONEAPP FPhoneApp;
    const THandle FLineEvent;
    const THandle FPhoneEvent;
    const HWND FWindow;
    const uint32_t FNotifyMessage;
    TTapiMessageStack* const FStack;
    const THandle FArrivalEvent;
    THandle FStopEvent = 0;
};

} // namespace kxtapi
