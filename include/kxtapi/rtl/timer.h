// A component that raises OnTimer at an interval, on the main thread.
#pragma once

#include "kxtapi/rtl/classes.h"
#include "kxtapi/rtl/messages.h"

#include <cstdint>
#include <functional>

namespace kxtapi {

/// Raises OnTimer every Interval ms while Enabled and Interval is not 0,
/// through a window timer of its own hidden window (so it follows the test
/// clock and is handled by the message loop). Changing Interval or Enabled
/// restarts the count. A handler may change the timer or destroy it.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    std::string ClassName() const override { return "TTimer"; }

    bool Get_Enabled() const noexcept { return FEnabled; }
    void Set_Enabled(bool Value);
    /// Milliseconds; default 1000.
    uint32_t Get_Interval() const noexcept { return FInterval; }
    void Set_Interval(uint32_t Value);

    std::function<void(TObject* Sender)> OnTimer;

protected:
    /// Raises OnTimer; descendants may override.
    virtual void Timer();

private:
    void UpdateTimer();
    void WndProc(TMessage& Message);

    HWND FWindow = 0;
    uint32_t FInterval = 1000;
    bool FEnabled = true;
};

} // namespace kxtapi
