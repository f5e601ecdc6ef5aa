// A SIP call as the service sees it: its TAPI state, parties and features.
// Everything here runs under the service lock. The SIP dialog and the media
// of the call (sip_session.h) live on the libre thread; operations post
// commands to it, and it reports back through the methods below.
#pragma once

#include "service/provider.h"
#include "service/providers/sip/sip_caller_id.h"
#include "service/providers/sip/ua/sip_context.h"

#include <ctime>
#include <memory>
#include <string>

namespace kxtapi::service::sip {

class TSipLine;
class TSipUa;

class TSipCall final : public TProviderCall, public std::enable_shared_from_this<TSipCall> {
public:
    TSipCall(TSipContext& Ctx, const std::shared_ptr<TSipLine>& Line, uint32_t ID, uint32_t Origin);

    // TProviderCall
    TProviderLine* Line() const override;
    uint32_t AddressID() const override { return 0; }
    uint32_t State() const override { return FState; }
    uint32_t MediaMode() const override { return FMediaMode; }
    void GetStatus(TCallStatusData& Status) override;
    void GetInfo(TCallInfoData& Info) override;
    std::vector<TProviderCall*> ConferenceCalls() override { return {}; }
    uint32_t Accept(TRequestID Request, const std::string& UserUserInfo) override;
    uint32_t Answer(TRequestID Request, const std::string& UserUserInfo) override;
    uint32_t Drop(TRequestID Request, const std::string& UserUserInfo) override;
    uint32_t Dial(TRequestID Request, const std::string& Dest, uint32_t CountryCode) override;
    uint32_t Hold(TRequestID Request) override;
    uint32_t Unhold(TRequestID Request) override;
    uint32_t SwapHold(TRequestID Request, TProviderCall* Held) override;
    uint32_t BlindTransfer(TRequestID Request, const std::string& Dest, uint32_t CountryCode) override;
    uint32_t SetupTransfer(TRequestID Request, const TCallParamsData& Params,
                           std::shared_ptr<TProviderCall>& Consult) override;
    uint32_t CompleteTransfer(TRequestID Request, TProviderCall* Consult, uint32_t Mode,
                              std::shared_ptr<TProviderCall>& Conference) override;
    uint32_t PrepareAddToConference(TRequestID Request, const TCallParamsData& Params,
                                    std::shared_ptr<TProviderCall>& Consult) override;
    uint32_t AddToConference(TRequestID Request, TProviderCall* Consult) override;
    uint32_t Park(TRequestID Request, uint32_t Mode, const std::string& DirAddress) override;
    uint32_t Redirect(TRequestID Request, const std::string& Dest, uint32_t CountryCode) override;
    uint32_t GenerateDigits(uint32_t DigitMode, const std::string& Digits, uint32_t Duration,
                            uint32_t EndToEndID) override;
    uint32_t GenerateTone(uint32_t ToneMode, uint32_t Duration, const std::vector<LINEGENERATETONE>& Tones,
                          uint32_t EndToEndID) override;
    uint32_t SetMediaMode(uint32_t MediaModes) override;
    uint32_t Listen(uint32_t Feature, bool Start, const char* Function, const std::string& Detail) override;
    void DropForClose() override;
    uint32_t MediaFile(TRequestID Request, uint32_t Operation, const std::string& Path, uint32_t Flags) override;

    /// Starts the INVITE to Dest (a destination as dialed, after what was
    /// dialed before) for Request; a destination ending in ';' waits for
    /// more digits.
    uint32_t StartDialingFor(TRequestID Request, const std::string& Dest);

    // Reports of the libre thread (service lock held).
    /// Lists a call the far end (or a transfer) started and tells the
    /// service of it, in State.
    void Announce(uint32_t State, uint32_t Mode);
    /// Changes the state and tells the service; IDLE also takes the call
    /// off its line.
    void SetState(uint32_t State, uint32_t Mode);
    /// The far end put the call on hold (Held) or took it off again; a
    /// connected call reports LINECONNECTEDMODE_ACTIVEHELD / _ACTIVE.
    void SetRemoteHold(bool Held);
    /// Completes a request of this call (Request 0: none), then (when
    /// Result is 0) moves to State; State 0 changes nothing.
    void Complete(TRequestID Request, uint32_t Result, uint32_t State = 0, uint32_t Mode = 0);
    /// A digit heard, and the end of a generation.
    void Digit(char Digit, uint32_t DigitMode);
    void GenerateEnded(uint32_t EndToEndID, uint32_t Termination);
    /// Tells the service that party information changed.
    void InfoChanged(uint32_t InfoStates);

    const uint32_t ID;
    const uint32_t Origin;   // LINECALLORIGIN_
    uint32_t Reason;         // LINECALLREASON_
    TPartyIdentity Caller, Called, Connected;
    bool CallerKnown = false, CalledKnown = false, ConnectedKnown = false;
    /// The far end holds the call.
    bool RemoteHeld = false;
    /// Listed on its line (the service knows it).
    bool Listed = false;
    /// What was dialed so far while the call waits for more (partial
    /// dialing: a destination ending in ';').
    std::string Dialled;
    uint32_t CallParamFlags = 0;
    uint32_t NoAnswerTimeout = 0;   // seconds, 0: none
    /// The consultation call of this one (SetupTransfer), and the call this
    /// one is the consultation of.
    std::weak_ptr<TSipCall> ConsultCall, ConsultOf;
    /// Outstanding lineGenerateDigits (its end-to-end identifier), or 0.
    uint32_t Generating = 0;
    /// A SIP dialog exists or is being set up (not a call waiting for digits).
    bool HasSession = false;

private:
    TSipUa* Ua() const;
    uint32_t Features() const;
    /// Posts a command for this call's dialog to the libre thread; Request
    /// (0: none) fails when the dialog is gone by then.
    template <typename TCommand>
    void Post(TRequestID Request, TCommand&& Command);

    TSipContext& FCtx;
    std::weak_ptr<TSipLine> FLine;
    uint32_t FState = 0;
    uint32_t FMode = 0;
    uint32_t FMediaMode = LINEMEDIAMODE_INTERACTIVEVOICE;
    std::time_t FStateTime = 0;
};

}  // namespace kxtapi::service::sip
