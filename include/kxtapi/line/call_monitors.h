// The four media monitors every call owns: digit gathering, digit
// monitoring, media-mode monitoring and silence monitoring.
//
// Each monitor starts as a copy of the matching template in its line's
// CallOptions and keeps a reference to its call. Its Active setter switches
// it on and off with the TAPI request on the call's handle; a refusal raises
// ETapiError and Active keeps its value. The results come back as line
// messages and are raised as the line's events (OnDigits, OnDigit,
// OnMediaMode, OnSilence).
//
//   Call->Get_MonitorDigits()->Set_Active(true);        // OnDigit per digit
//   Call->Get_GatherDigits()->Set_NumDigits(4);
//   Call->Get_GatherDigits()->Set_Active(true);         // OnDigits at the end
//
// Main thread only, like the call.
#pragma once

#include "kxtapi/line/media_params.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

namespace kxtapi {

class TTapiCall;

/// Collects NumDigits digits from the far end; Digits holds them when the
/// gathering has ended.
///
/// The service writes the digits into a buffer of this object when it hands
/// over LINE_GATHERDIGITS. That buffer is allocated when a gathering starts
/// and stays where it is until the LINE_GATHERDIGITS of that gathering has
/// been delivered, whatever happens to Digits, NumDigits or the settings
/// meanwhile; a cancelled gathering keeps it until its LINE_GATHERDIGITS
/// (LINEGATHERTERM_CANCEL) too, so the digits gathered before the cancel
/// still arrive. Destroying the monitor (freeing the call) first tells the
/// service to write nothing more into it.
class TTapiCallGatherDigits : public TTapiCallGatherDigitsParams {
public:
    /// Copies the line's CallOptions.GatherDigits template.
    explicit TTapiCallGatherDigits(TTapiCall* ACall);
    /// Cancels every write the service still owes into the digit buffers.
    ~TTapiCallGatherDigits() override;
    TTapiCallGatherDigits(const TTapiCallGatherDigits&) = delete;
    TTapiCallGatherDigits& operator=(const TTapiCallGatherDigits&) = delete;
    std::string ClassName() const override { return "TTapiCallGatherDigits"; }

    TTapiCall* Get_Call() const noexcept { return FCall; }
    /// A gathering this monitor started is running.
    bool Get_Active() const noexcept { return FActive; }
    /// true with NumDigits > 0 starts gathering: Digits becomes NumDigits
    /// zero bytes and lineGatherDigitsA is asked with DigitModes,
    /// TerminationDigits (empty: none) and both time-outs. Exception
    /// "GatherDigits already running" while one runs.
    /// false, or true with NumDigits 0, cancels a running gathering
    /// (lineGatherDigitsA without a buffer) and leaves Active false; without
    /// one it does nothing. A refusal raises ETapiError and changes nothing.
    void Set_Active(bool Value);
    /// The line's LINE_GATHERDIGITS: Digits becomes the text of the
    /// gathering that ended (up to its first zero byte), or empty when no
    /// gathering of this monitor was owed one; Active is false unless a
    /// later gathering is still running.
    void Handle_GatherDigits(uint32_t Termination);
    /// Forgets a running gathering without asking the service (the call has
    /// ended, and the service ended the gathering with it).
    void ResetActive() noexcept { FActive = false; }

protected:
    TTapiCall* FCall;
    bool FActive = false;

private:
    /// The buffer of one gathering the service may still write into.
    struct TDigitBuffer {
        std::unique_ptr<char[]> Bytes;
        uint32_t Size = 0;
    };
    void Start();
    void Cancel();
    /// Buffers of the gatherings whose LINE_GATHERDIGITS is still to come,
    /// oldest first (the service ends gatherings in the order they began).
    std::deque<TDigitBuffer> FBuffers;
};

/// Reports every detected digit (the line's OnDigit).
class TTapiCallMonitorDigits : public TTapiCallMonitorDigitsParams {
public:
    /// Copies the line's CallOptions.MonitorDigits template.
    explicit TTapiCallMonitorDigits(TTapiCall* ACall);
    std::string ClassName() const override { return "TTapiCallMonitorDigits"; }
    TTapiCall* Get_Call() const noexcept { return FCall; }
    bool Get_Active() const noexcept { return FActive; }
    /// Switches monitoring with lineMonitorDigits (DigitModes on, 0 off),
    /// only when Value differs from the state. Exception "MonitorDigits: No
    /// valid call" for a call without a handle, also when nothing changes.
    void Set_Active(bool Value);
    /// Exception "Unable to set DigitModes while monitoring is active." while
    /// Active (also through Assign); the modes stay as they were.
    void SetDigitModes(uint32_t Value) override;
    /// Forgets the monitoring without asking the service (the call ended).
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
    /// Switches monitoring with lineMonitorMedia (MediaModes on, 0 off),
    /// only when Value differs from the state. Exception "MonitorMedia: No
    /// valid call" for a call without a handle, also when nothing changes.
    void Set_Active(bool Value);
    /// Exception "Unable to set MediaModes while monitoring is active." while
    /// Active (also through Assign); the modes stay as they were.
    void SetMediaModes(uint32_t Value) override;
    /// Forgets the monitoring without asking the service.
    void ResetActive() noexcept { FActive = false; }

protected:
    TTapiCall* FCall;
    bool FActive = false;
};

/// Reports when the line falls silent (the line's OnSilence), through the
/// tone monitoring of the call: silence is a tone entry with all three
/// frequencies 0 and dwAppSpecific SilenceAppSpecific.
class TTapiCallMonitorSilence : public TTapiCallMonitorSilenceParams {
public:
    /// dwAppSpecific of the silence entry; the line raises OnSilence for it
    /// and OnTone for every other value.
    static constexpr uint32_t SilenceAppSpecific = 0xFFFFFFFF;

    /// Copies the line's CallOptions.MonitorSilence template.
    explicit TTapiCallMonitorSilence(TTapiCall* ACall);
    std::string ClassName() const override { return "TTapiCallMonitorSilence"; }
    TTapiCall* Get_Call() const noexcept { return FCall; }
    bool Get_Active() const noexcept { return FActive; }
    /// true: the line's MonitorTones with the one silence entry of Duration
    /// ms. false: MonitorTones without entries, which ends every tone
    /// monitoring on the call (MonitorTone's too). Only when Value differs
    /// from the state; the line's checks and TAPI's errors raise. Exception
    /// "MonitorSilence: No valid call" for a call without a handle.
    void Set_Active(bool Value);
    /// The call's address offers LINECALLFEATURE_MONITORTONES. Switching on
    /// does not consult it: the service decides.
    bool Get_Available() const;
    /// Forgets the monitoring without asking the service (the call ended).
    void ResetActive() noexcept { FActive = false; }

protected:
    TTapiCall* FCall;
    bool FActive = false;
};

} // namespace kxtapi
