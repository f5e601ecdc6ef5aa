// A modem as a line device of the telephony service: one address, one call
// at a time, driven with V.250 (and V.253 voice) commands over its channel
// (at_channel.h).
//
// Locking. Everything here is guarded by the service lock: the provider
// interface is called with it held, and the channel's callbacks (on its
// worker thread) take it with TServiceLockAttempt, giving up once the channel
// is stopping, so that Detach, which holds the lock, can join the worker.
//
// Life. Attach starts the channel: the port is opened and the modem probed
// in the background; the line is in service once the probe has passed.
// A port that cannot be opened, a modem that fails the probe, vanishes or
// stops answering puts the line out of service and is tried again every
// RetryInterval. Detach stops the channel and ends every call.
#pragma once

#include "service/provider.h"
#include "service/providers/modem/at_channel.h"
#include "service/providers/modem/caller_id.h"

#include "kxtapi/modem/config.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kxtapi::service::modem {

class TModemCall;

/// How far the modem is.
enum TModemState {
    msOffline,   // port not open, or the modem lost
    msProbing,   // port open, probe under way
    msReady,     // in service
};

class TModemLine final : public TProviderLine,
                         public TAtChannelListener,
                         public std::enable_shared_from_this<TModemLine> {
public:
    TModemLine(kxtapi::modem::TModemConfig Config, uint32_t PermanentID);
    ~TModemLine() override;

    // TProviderLine
    TVersionRange APIVersions() const override { return {0x00010004, 0x00020001}; }
    TVersionRange ExtVersions() const override { return {}; }
    LINEEXTENSIONID ExtensionID() const override { return LINEEXTENSIONID{}; }
    uint32_t NumAddresses() const override { return 1; }
    uint32_t GetDevCaps(uint32_t APIVersion, uint32_t ExtVersion, TLineCapsData& Caps) override;
    uint32_t GetAddressCaps(uint32_t AddressID, uint32_t APIVersion, uint32_t ExtVersion,
                            TAddressCapsData& Caps) override;
    uint32_t GetDevStatus(TLineStatusData& Status) override;
    uint32_t GetAddressStatus(uint32_t AddressID, TAddressStatusData& Status) override;
    uint32_t GetID(uint32_t Select, uint32_t AddressID, TProviderCall* Call, const std::string& DeviceClass,
                   TDeviceIDData& ID) override;
    uint32_t GetIcon(const std::string& DeviceClass, HICON& Icon) override;
    uint32_t Open() override;
    void Close() override;
    std::vector<std::shared_ptr<TProviderCall>> Calls(uint32_t Select, uint32_t AddressID) override;
    uint32_t MakeCall(TRequestID Request, uint32_t AddressID, const std::string& Dest, uint32_t CountryCode,
                      const TCallParamsData& Params, std::shared_ptr<TProviderCall>& Call) override;
    uint32_t Unpark(TRequestID, uint32_t, const std::string&, std::shared_ptr<TProviderCall>&) override
    {
        return LINEERR_OPERATIONUNAVAIL;
    }
    uint32_t SetupConference(TRequestID, TProviderCall*, uint32_t, uint32_t, const TCallParamsData&,
                             std::shared_ptr<TProviderCall>&, std::shared_ptr<TProviderCall>&) override
    {
        return LINEERR_OPERATIONUNAVAIL;
    }

    /// Starts serving the modem for Host. Service lock held.
    void Attach(TProviderHost& Host);
    /// Stops the channel (joining its threads) and ends every call without
    /// reporting it. Service lock held.
    void Detach() noexcept;

    // What the calls pass on (service lock held).
    uint32_t AcceptCall(TModemCall& Call, TRequestID Request);
    uint32_t AnswerCall(TModemCall& Call, TRequestID Request);
    /// Request 0: dropping without a request (the last owner closed the line).
    uint32_t DropCall(TModemCall& Call, TRequestID Request);
    uint32_t GenerateDigits(TModemCall& Call, uint32_t DigitMode, const std::string& Digits, uint32_t Duration,
                            uint32_t EndToEndID);
    bool VoiceCapable() const { return FVoice; }
    const kxtapi::modem::TModemConfig& Config() const { return FConfig; }

    // For diagnostics and tests (service lock held).
    TModemState ModemState() const { return FModemState; }
    /// The modem's identity (ATI) once probed.
    const std::string& Identity() const { return FIdentity; }
    /// True while rings of a dropped offer are let ring out.
    bool IgnoringRings() const { return FIgnoringRings; }
    /// Why the line is out of service; empty while in service.
    const std::string& Problem() const { return FProblem; }

    // TAtChannelListener (worker thread; each takes the service lock).
    void ChannelOpened() override;
    void ChannelOpenFailed(uint32_t Error) override;
    void ChannelLost(const std::string& Why) override;
    void ChannelUnsolicited(const std::vector<TAtToken>& Tokens) override;
    void ChannelCarrierLost() override;

private:
    /// Runs Action under the service lock while attached; not at all once
    /// the channel is stopping.
    void Serve(const std::function<void()>& Action);
    /// Queues a command whose callbacks run under the service lock, and only
    /// while the modem session (Session) they belong to lasts.
    void Command(TAtCommand c);
    /// Runs Action before the current TAPI function returns, if the line is
    /// still attached then.
    void Later(std::function<void()> Action);
    TAtCommand Line(std::string Text, uint32_t TimeoutMs, std::function<void(const TAtReply&)> Done);

    // Probe and keep-alive.
    void StartProbe();
    void ProbeStep(size_t Step);
    void ProbeFailed(const std::string& Why);
    void ProbePassed();
    void ScheduleKeepAlive();
    void SetOffline(const std::string& Why);

    // Calls.
    std::shared_ptr<TModemCall> NewCall(bool Outgoing);
    void SetCallState(TModemCall& Call, uint32_t State, uint32_t Mode);
    /// The far end or the modem ended the call: DISCONNECTED, the modem put
    /// back on hook (a voice call leaves voice mode) and the line freed.
    void Disconnected(TModemCall& Call, uint32_t Mode);
    /// The call is over: IDLE, and forgotten by the line.
    void Idle(TModemCall& Call);
    void Hangup(TModemCall& Call, TRequestID Request);
    void Connected(TModemCall& Call, uint32_t Rate);
    void StartDial(TModemCall& Call, TRequestID Request);
    void DialDone(TModemCall& Call, const TAtReply& Reply);
    void AnswerDone(TModemCall& Call, const TAtReply& Reply);
    void StartData(TModemCall& Call);
    void Ring();
    /// Rings (or caller ID before them) keep coming while this runs.
    void RestartRingTimer();
    void RingsStopped();
    void ApplyCallerID(TModemCall& Call);
    void Dle(char Code);
    void Tone(bool Tone, uint32_t F1, uint32_t F2);
    void ReportCallerID(TModemCall& Call);

    kxtapi::modem::TModemConfig FConfig;
    const uint32_t FPermanentID;
    std::unique_ptr<TAtChannel> FChannel;
    TProviderHost* FHost = nullptr;
    bool FOpened = false;

    TModemState FModemState = msOffline;
    bool FInService = false;   // as last reported
    uint64_t FSession = 0;     // counts port opens; stale command replies are ignored
    std::string FIdentity;
    std::string FProblem = "not started";
    bool FVoice = false;
    bool FCallerIDOn = false;
    std::vector<std::string> FProbeCommands;
    uint64_t FKeepAlive = 0;

    uint32_t FNextCallID = 1;
    std::shared_ptr<TModemCall> FActive;              // the call that holds the modem
    std::vector<std::shared_ptr<TModemCall>> FCalls;  // every call not yet IDLE
    uint64_t FRingTimer = 0;
    bool FIgnoringRings = false;   // a dropped offering: rings until they stop are not a new call
    TCallerID FCallerID;           // the block of the ringing call, or one before the first ring
    std::vector<std::string> FCallerIDLines;
};

}  // namespace kxtapi::service::modem
