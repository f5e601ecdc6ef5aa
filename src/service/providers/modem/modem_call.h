// A call on a modem line. The modem carries one call at a time; the line
// (modem_line.h) runs its state machine, the call answers the service's
// questions and passes its operations on.
#pragma once

#include "service/provider.h"

#include "kxtapi/rtl/handles.h"
#include "kxtapi/tapi.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kxtapi {
class TSimulatedPair;
}

namespace kxtapi::service::modem {

class TModemLine;

class TModemCall final : public TProviderCall, public std::enable_shared_from_this<TModemCall> {
public:
    TModemCall(std::shared_ptr<TModemLine> Line, uint32_t CallID, bool Outgoing);
    ~TModemCall() override;

    // TProviderCall
    TProviderLine* Line() const override;
    uint32_t AddressID() const override { return 0; }
    uint32_t State() const override { return FState; }
    uint32_t MediaMode() const override { return Media; }
    void GetStatus(TCallStatusData& Status) override;
    void GetInfo(TCallInfoData& Info) override;
    std::vector<TProviderCall*> ConferenceCalls() override { return {}; }
    uint32_t Accept(TRequestID Request, const std::string& UserUserInfo) override;
    uint32_t Answer(TRequestID Request, const std::string& UserUserInfo) override;
    uint32_t Drop(TRequestID Request, const std::string& UserUserInfo) override;
    uint32_t Dial(TRequestID, const std::string&, uint32_t) override { return LINEERR_OPERATIONUNAVAIL; }
    uint32_t Hold(TRequestID) override { return LINEERR_OPERATIONUNAVAIL; }
    uint32_t Unhold(TRequestID) override { return LINEERR_OPERATIONUNAVAIL; }
    uint32_t SwapHold(TRequestID, TProviderCall*) override { return LINEERR_OPERATIONUNAVAIL; }
    uint32_t BlindTransfer(TRequestID, const std::string&, uint32_t) override { return LINEERR_OPERATIONUNAVAIL; }
    uint32_t SetupTransfer(TRequestID, const TCallParamsData&, std::shared_ptr<TProviderCall>&) override
    {
        return LINEERR_OPERATIONUNAVAIL;
    }
    uint32_t CompleteTransfer(TRequestID, TProviderCall*, uint32_t, std::shared_ptr<TProviderCall>&) override
    {
        return LINEERR_OPERATIONUNAVAIL;
    }
    uint32_t PrepareAddToConference(TRequestID, const TCallParamsData&, std::shared_ptr<TProviderCall>&) override
    {
        return LINEERR_OPERATIONUNAVAIL;
    }
    uint32_t AddToConference(TRequestID, TProviderCall*) override { return LINEERR_OPERATIONUNAVAIL; }
    uint32_t Park(TRequestID, uint32_t, const std::string&) override { return LINEERR_OPERATIONUNAVAIL; }
    uint32_t Redirect(TRequestID, const std::string&, uint32_t) override { return LINEERR_OPERATIONUNAVAIL; }
    uint32_t GenerateDigits(uint32_t DigitMode, const std::string& Digits, uint32_t Duration,
                            uint32_t EndToEndID) override;
    uint32_t GenerateTone(uint32_t, uint32_t, const std::vector<LINEGENERATETONE>&, uint32_t) override
    {
        return LINEERR_OPERATIONUNAVAIL;
    }
    uint32_t SetMediaMode(uint32_t MediaModes) override;
    /// Digits, tones and media are heard only on a voice call of a voice modem.
    uint32_t Listen(uint32_t Feature, bool Start, const char* Function, const std::string& Detail) override;
    void DropForClose() override;

    /// Features of the call in its state.
    uint32_t Features() const;
    /// Records the state; the line reports it.
    void SetState(uint32_t State, uint32_t Mode);
    uint32_t StateMode() const { return FMode; }

    const std::shared_ptr<TModemLine> Owner;
    const uint32_t ID;
    const bool Outgoing;
    bool Listed = false;        // reported to the service
    bool VoiceCall = false;     // answered or dialled in voice mode
    bool Answering = false;     // ATA sent, not yet connected
    bool Dropping = false;      // hanging up at the program's request
    bool Connected = false;     // has been CONNECTED
    uint32_t Media = 0;
    uint32_t Rate = 0;
    std::string Dialled;
    std::string CallerID, CallerIDName, Display;
    uint32_t CallerFlags = LINECALLPARTYID_UNKNOWN;
    uint32_t RingCount = 0;
    // DTMF generation: the running one's id, and whether it was cancelled.
    uint32_t GenerateID = 0;
    bool Generating = false;
    bool GenerateCancelled = false;
    /// The data connection's port as programs see it, while connected.
    std::shared_ptr<TSimulatedPair> DataPair;
    THandle DataHandle = 0;   // the provider's own handle of the pair's near end

    /// A new handle to the data port for a program, or 0.
    THandle CommHandle();
    /// Closes the provider's handle and forgets the pair.
    void ReleaseData();

private:
    uint32_t FState = LINECALLSTATE_IDLE;
    uint32_t FMode = 0;
    SYSTEMTIME FStateTime{};
};

}  // namespace kxtapi::service::modem
