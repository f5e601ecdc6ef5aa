// The four media monitors every call owns: digit gathering, digit
// monitoring, media-mode monitoring and silence monitoring.
//
// Each monitor starts as a copy of the matching template in its line's
// CallOptions and keeps a reference to its call. Switching a monitor on and
// off (its Active setter, which issues the TAPI request on the call's
// handle) belongs to the monitoring operations; here are the objects, their
// settings, the Active state the call resets when it ends, and what the line
// needs when a gathering ends.
#pragma once

#include "kxtapi/line/media_params.h"

#include <cstdint>
#include <string>

namespace kxtapi {

class TTapiCall;

/// Collects NumDigits digits into Digits, the buffer the service writes into
/// while gathering runs.
class TTapiCallGatherDigits : public TTapiCallGatherDigitsParams {
public:
    /// Copies the line's CallOptions.GatherDigits template.
    explicit TTapiCallGatherDigits(TTapiCall* ACall);
    /// Cancels any write the service still owes into the digit buffer.
    ~TTapiCallGatherDigits() override;
    std::string ClassName() const override { return "TTapiCallGatherDigits"; }

    TTapiCall* Get_Call() const noexcept { return FCall; }
    bool Get_Active() const noexcept { return FActive; }
    /// The line's LINE_GATHERDIGITS: Digits becomes the buffer's text up to
    /// its first zero byte and gathering is no longer active.
    void Handle_GatherDigits(uint32_t Termination);
    /// Forgets a running gathering without asking the service (the call has
    /// ended, and the service ended the gathering with it).
    void ResetActive() noexcept { FActive = false; }

protected:
    TTapiCall* FCall;
    bool FActive = false;
};

/// Reports every detected digit (the line's OnDigit).
class TTapiCallMonitorDigits : public TTapiCallMonitorDigitsParams {
public:
    /// Copies the line's CallOptions.MonitorDigits template.
    explicit TTapiCallMonitorDigits(TTapiCall* ACall);
    std::string ClassName() const override { return "TTapiCallMonitorDigits"; }
    TTapiCall* Get_Call() const noexcept { return FCall; }
    bool Get_Active() const noexcept { return FActive; }
    void ResetActive() noexcept { FActive = false; }

protected:
    TTapiCall* FCall;
    bool FActive = false;
};

/// Reports media-mode changes (the line's OnMediaMode).
class TTapiCallMonitorMedia : public TTapiCallMonitorMediaParams {
public:
    /// Copies the line's CallOptions.MonitorMedia template.
    explicit TTapiCallMonitorMedia(TTapiCall* ACall);
    std::string ClassName() const override { return "TTapiCallMonitorMedia"; }
    TTapiCall* Get_Call() const noexcept { return FCall; }
    bool Get_Active() const noexcept { return FActive; }
    void ResetActive() noexcept { FActive = false; }

protected:
    TTapiCall* FCall;
    bool FActive = false;
};

/// Reports when the line falls silent (the line's OnSilence).
class TTapiCallMonitorSilence : public TTapiCallMonitorSilenceParams {
public:
    /// Copies the line's CallOptions.MonitorSilence template.
    explicit TTapiCallMonitorSilence(TTapiCall* ACall);
    std::string ClassName() const override { return "TTapiCallMonitorSilence"; }
    TTapiCall* Get_Call() const noexcept { return FCall; }
    bool Get_Active() const noexcept { return FActive; }
    void ResetActive() noexcept { FActive = false; }

protected:
    TTapiCall* FCall;
    bool FActive = false;
};

} // namespace kxtapi
