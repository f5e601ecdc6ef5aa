// The modem line's calls: dialling, ringing with caller ID, answering,
// hanging up, DTMF and the DLE reports of voice mode.

#include "service/providers/modem/dial_string.h"
#include "service/providers/modem/modem_call.h"
#include "service/providers/modem/modem_line.h"

#include "kxtapi/serial/simulated.h"

#include <algorithm>
#include <cctype>

namespace kxtapi::service::modem {

namespace {

constexpr uint32_t Offered = LINECALLSTATE_OFFERING | LINECALLSTATE_ACCEPTED;
constexpr uint32_t Setup = LINECALLSTATE_DIALING | LINECALLSTATE_PROCEEDING | LINECALLSTATE_RINGBACK;
constexpr uint32_t MaxCallerIDLines = 16;

// How a failed dial or answer ends, by the modem's result.
uint32_t DisconnectMode(const TAtReply& r, bool Answering)
{
    if (r.Status != TAtReply::rsFinal) return r.Status == TAtReply::rsTimeout ? LINEDISCONNECTMODE_NOANSWER
                                                                             : LINEDISCONNECTMODE_UNAVAIL;
    switch (r.Result.Kind) {
    case arBusy: return LINEDISCONNECTMODE_BUSY;
    case arNoDialtone: return LINEDISCONNECTMODE_NODIALTONE;
    case arNoAnswer: return LINEDISCONNECTMODE_NOANSWER;
    // No carrier while answering: the caller is no modem.
    case arNoCarrier: return Answering ? LINEDISCONNECTMODE_INCOMPATIBLE : LINEDISCONNECTMODE_NOANSWER;
    case arDelayed: return LINEDISCONNECTMODE_TEMPFAILURE;
    case arBlacklisted: return LINEDISCONNECTMODE_BLOCKED;
    default: return LINEDISCONNECTMODE_UNAVAIL;
    }
}

bool IsDtmf(char c)
{
    return (c >= '0' && c <= '9') || c == '*' || c == '#' || (c >= 'A' && c <= 'D');
}

}  // namespace

std::shared_ptr<TModemCall> TModemLine::NewCall(bool Outgoing)
{
    auto c = std::make_shared<TModemCall>(shared_from_this(), FNextCallID++, Outgoing);
    FCalls.push_back(c);
    return c;
}

void TModemLine::SetCallState(TModemCall& Call, uint32_t State, uint32_t Mode)
{
    Call.SetState(State, Mode);
    if (Call.Listed && FHost) FHost->CallState(&Call, State, Mode);
}

void TModemLine::Idle(TModemCall& Call)
{
    std::shared_ptr<TModemCall> Keep = Call.shared_from_this();
    if (FActive.get() == &Call) {
        if (Call.DataPair && FChannel) FChannel->EndData();
        FActive.reset();
    }
    Call.ReleaseData();
    if (Call.Generating && FHost) FHost->CallGenerateEnded(&Call, Call.GenerateID, LINEGENERATETERM_CANCEL);
    Call.Generating = false;
    if (Call.State() != LINECALLSTATE_IDLE) SetCallState(Call, LINECALLSTATE_IDLE, 0);
    FCalls.erase(std::remove(FCalls.begin(), FCalls.end(), Keep), FCalls.end());
}

void TModemLine::Disconnected(TModemCall& Call, uint32_t Mode)
{
    uint32_t s = Call.State();
    if (s == LINECALLSTATE_IDLE || s == LINECALLSTATE_DISCONNECTED) return;
    if (FActive.get() == &Call) {
        if (Call.DataPair && FChannel) FChannel->EndData();
        FActive.reset();
        // A voice call leaves the modem off hook in voice mode.
        if (Call.VoiceCall && FModemState == msReady) {
            Command(Line("ATH", FConfig.CommandTimeout, nullptr));
            Command(Line("AT+FCLASS=0", FConfig.CommandTimeout, nullptr));
        }
    }
    Call.ReleaseData();
    if (Call.Generating && FHost) FHost->CallGenerateEnded(&Call, Call.GenerateID, LINEGENERATETERM_CANCEL);
    Call.Generating = false;
    SetCallState(Call, LINECALLSTATE_DISCONNECTED, Mode);
}

void TModemLine::Connected(TModemCall& Call, uint32_t Rate)
{
    Call.Connected = true;
    Call.Rate = Rate;
    if (Call.VoiceCall) {
        Call.Media = LINEMEDIAMODE_INTERACTIVEVOICE;
    } else {
        Call.Media = LINEMEDIAMODE_DATAMODEM;
        if (Call.DataPair) Call.DataPair->SetDCD(true);
    }
    SetCallState(Call, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
    if (Rate && Call.Listed) FHost->CallInfo(&Call, LINECALLINFOSTATE_RATE);
}

void TModemLine::StartData(TModemCall& Call)
{
    // The program's side of the connection exists before the CONNECT, so
    // nothing that follows it is lost.
    Call.DataPair = TSimulatedPair::Create(PST_MODEM);
    Call.DataPair->SetDSR(true);
    Call.DataPair->SetCTS(true);
    THandle h = Call.DataPair->OpenHandle();
    Call.DataHandle = h == INVALID_HANDLE_VALUE ? 0 : h;
    FChannel->ArmData(Call.DataPair);
}

// ------------------------------------------------------------- outgoing

uint32_t TModemLine::MakeCall(TRequestID Request, uint32_t AddressID, const std::string& Dest, uint32_t,
                              const TCallParamsData& Params, std::shared_ptr<TProviderCall>& Out)
{
    if (AddressID != 0) return LINEERR_INVALADDRESSID;
    if (FModemState != msReady || !FChannel) return LINEERR_RESOURCEUNAVAIL;
    if (FActive) return LINEERR_CALLUNAVAIL;
    uint32_t Media = Params.MediaMode;
    bool Voice = (Media & LINEMEDIAMODE_INTERACTIVEVOICE) != 0;
    if (Voice ? !FVoice : !(Media & LINEMEDIAMODE_DATAMODEM)) return LINEERR_INVALMEDIAMODE;
    if (Params.BearerMode != LINEBEARERMODE_VOICE) return LINEERR_INVALBEARERMODE;
    std::string Dialable;
    if (uint32_t e = DialString(Dest, Dialable)) return e;
    auto c = NewCall(true);
    c->VoiceCall = Voice;
    c->Media = Voice ? LINEMEDIAMODE_INTERACTIVEVOICE : LINEMEDIAMODE_DATAMODEM;
    c->Dialled = Dialable;
    c->CallerFlags = LINECALLPARTYID_UNKNOWN;
    FActive = c;
    Out = c;
    if (!Voice) {
        StartDial(*c, Request);
        return 0;
    }
    std::weak_ptr<TModemCall> w = c;
    Command(Line("AT+FCLASS=8", FConfig.CommandTimeout, [this, w, Request](const TAtReply& r) {
        auto Call = w.lock();
        if (!Call) return;
        if (!r.OK() || Call->Dropping) {
            FHost->CompleteRequest(Request, LINEERR_OPERATIONFAILED);
            Idle(*Call);
            return;
        }
        StartDial(*Call, Request);
    }));
    return 0;
}

void TModemLine::StartDial(TModemCall& Call, TRequestID Request)
{
    std::weak_ptr<TModemCall> w = Call.shared_from_this();
    if (!Call.VoiceCall) StartData(Call);
    TAtCommand c = Line("ATD" + Call.Dialled + (Call.VoiceCall ? ";" : ""), FConfig.ConnectTimeout,
                        [this, w](const TAtReply& r) {
                            if (auto Call = w.lock()) DialDone(*Call, r);
                        });
    c.StartsData = !Call.VoiceCall;
    c.Written = [this, w, Request] {
        auto Call = w.lock();
        if (!Call) return;
        // The call exists and the number is on its way: the request is done.
        FHost->CompleteRequest(Request, 0);
        Call->Listed = true;
        SetCallState(*Call, LINECALLSTATE_DIALING, 0);
        if (Call->Dropping && FChannel) FChannel->Interrupt();
    };
    c.Progress = [this, w](const TAtResult& r, const std::string&) {
        auto Call = w.lock();
        if (!Call || Call->Dropping || !(Call->State() & Setup)) return;
        if (r.Kind == arRinging && Call->State() != LINECALLSTATE_RINGBACK)
            SetCallState(*Call, LINECALLSTATE_RINGBACK, 0);
        else if (r.Kind != arRinging && Call->State() == LINECALLSTATE_DIALING)
            SetCallState(*Call, LINECALLSTATE_PROCEEDING, 0);
    };
    // The request fails when the port goes before the command was written.
    TAtCommand Guard = std::move(c);
    auto Done = std::move(Guard.Done);
    Guard.Done = [this, w, Request, Done](const TAtReply& r) {
        auto Call = w.lock();
        if (Call && !Call->Listed) {
            FHost->CompleteRequest(Request, LINEERR_OPERATIONFAILED);
            Idle(*Call);
            return;
        }
        Done(r);
    };
    Command(std::move(Guard));
}

void TModemLine::DialDone(TModemCall& Call, const TAtReply& r)
{
    if (Call.Dropping || Call.State() == LINECALLSTATE_IDLE || Call.State() == LINECALLSTATE_DISCONNECTED) return;
    if (r.Status == TAtReply::rsFinal) {
        if (r.Result.Kind == arConnect && !Call.VoiceCall) {
            Connected(Call, r.Result.Rate);
            return;
        }
        if (r.Result.Kind == arVcon && Call.VoiceCall) {
            Connected(Call, 0);
            return;
        }
        if (r.Result.Kind == arOK && Call.VoiceCall) {
            // Dialled in voice mode: the modem waits in command state; VCON
            // or the tones it hears tell the rest.
            SetCallState(Call, LINECALLSTATE_PROCEEDING, 0);
            return;
        }
    }
    Disconnected(Call, DisconnectMode(r, false));
}

// ------------------------------------------------------------- incoming

void TModemLine::RestartRingTimer()
{
    if (!FChannel) return;
    if (FRingTimer) FChannel->Cancel(FRingTimer);
    const uint64_t Session = FSession;
    FRingTimer = FChannel->After(FConfig.RingTimeout, [this, Session] {
        Serve([&] {
            if (FSession == Session) RingsStopped();
        });
    });
}

void TModemLine::Ring()
{
    if (!FChannel) return;
    RestartRingTimer();
    if (FIgnoringRings) return;
    if (FActive) {
        TModemCall& c = *FActive;
        if (!c.Outgoing && (c.State() & Offered) && !c.Answering) {
            ++c.RingCount;
            FHost->LineDevState(this, LINEDEVSTATE_RINGING, 1, c.RingCount);
        }
        return;
    }
    if (FModemState != msReady || !FOpened) return;
    auto c = NewCall(false);
    c->Media = LINEMEDIAMODE_UNKNOWN | LINEMEDIAMODE_DATAMODEM | (FVoice ? LINEMEDIAMODE_INTERACTIVEVOICE : 0);
    bool HadCallerID = !FCallerID.Empty();
    if (HadCallerID) ApplyCallerID(*c);
    c->SetState(LINECALLSTATE_OFFERING, LINEOFFERINGMODE_ACTIVE);
    c->Listed = true;
    c->RingCount = 1;
    FActive = c;
    FHost->NewCall(c);
    FHost->CallState(c.get(), LINECALLSTATE_OFFERING, LINEOFFERINGMODE_ACTIVE);
    if (HadCallerID) FHost->CallInfo(c.get(), LINECALLINFOSTATE_CALLERID | LINECALLINFOSTATE_DISPLAY);
    FHost->LineDevState(this, LINEDEVSTATE_RINGING, 1, 1);
}

void TModemLine::RingsStopped()
{
    FRingTimer = 0;
    FIgnoringRings = false;
    FCallerID = TCallerID{};
    FCallerIDLines.clear();
    if (FActive && !FActive->Outgoing && (FActive->State() & Offered) && !FActive->Answering) {
        // The caller gave up before anyone answered.
        std::shared_ptr<TModemCall> c = FActive;
        Disconnected(*c, LINEDISCONNECTMODE_NORMAL);
    }
}

void TModemLine::ApplyCallerID(TModemCall& Call)
{
    Call.CallerID = FCallerID.NumberPresence == cpGiven ? FCallerID.Number : std::string();
    Call.CallerIDName = FCallerID.NamePresence == cpGiven ? FCallerID.Name : std::string();
    Call.CallerFlags = CallerIDFlags(FCallerID);
    std::string d;
    for (const std::string& l : FCallerIDLines) {
        if (!d.empty()) d += '\n';
        d += l;
    }
    Call.Display = d;
}

void TModemLine::ReportCallerID(TModemCall& Call)
{
    ApplyCallerID(Call);
    if (Call.Listed) FHost->CallInfo(&Call, LINECALLINFOSTATE_CALLERID | LINECALLINFOSTATE_DISPLAY);
}

void TModemLine::ChannelUnsolicited(const std::vector<TAtToken>& Tokens)
{
    Serve([&] {
        bool CallerIDChanged = false;
        auto FlushCallerID = [&] {
            if (!CallerIDChanged) return;
            CallerIDChanged = false;
            if (FActive && !FActive->Outgoing && FActive->State() != LINECALLSTATE_DISCONNECTED)
                ReportCallerID(*FActive);
        };
        for (const TAtToken& t : Tokens) {
            if (t.Kind == TAtToken::tkDle) {
                if (t.Code == 'R') {
                    FlushCallerID();
                    Ring();
                } else {
                    Dle(t.Code);
                }
                continue;
            }
            TAtResult r = ParseResultLine(t.Text);
            if (r.Kind == arText) {
                TCallerID Next = FCallerID;
                if (ParseCallerIDLine(t.Text, Next) || ParseCallerIDHex(t.Text, Next)) {
                    // Before the first ring (some countries send it then) it
                    // is kept for the call the ring brings, while rings last.
                    if (!FActive) RestartRingTimer();
                    FCallerID = Next;
                    if (FCallerIDLines.size() < MaxCallerIDLines) FCallerIDLines.push_back(t.Text);
                    CallerIDChanged = true;
                }
                continue;
            }
            switch (r.Kind) {
            case arRing:
                FlushCallerID();
                Ring();
                break;
            case arVcon:
                if (FActive && FActive->Outgoing && FActive->VoiceCall && !FActive->Connected && !FActive->Dropping)
                    Connected(*FActive, 0);
                break;
            case arNoCarrier:
                if (FActive && FActive->VoiceCall && !FActive->Dropping && !FActive->Answering &&
                    (FActive->Connected || (FActive->State() & Setup)))
                    Disconnected(*FActive, LINEDISCONNECTMODE_NORMAL);
                break;
            default:
                break;
            }
        }
        FlushCallerID();
    });
}

void TModemLine::ChannelCarrierLost()
{
    Serve([&] {
        if (FActive && !FActive->VoiceCall && !FActive->Dropping && FActive->Connected)
            Disconnected(*FActive, LINEDISCONNECTMODE_NORMAL);
    });
}

// -------------------------------------------------------------- control

void TModemLine::Later(std::function<void()> Action)
{
    if (!FHost) return;
    // The line may be removed (and freed) before the action runs.
    std::weak_ptr<TModemLine> Self = weak_from_this();
    FHost->Defer([Self, Action = std::move(Action)] {
        auto Line = Self.lock();
        if (Line && Line->FHost) Action();
    });
}

uint32_t TModemLine::AcceptCall(TModemCall& Call, TRequestID Request)
{
    if (Call.State() != LINECALLSTATE_OFFERING) return LINEERR_INVALCALLSTATE;
    std::weak_ptr<TModemCall> w = Call.shared_from_this();
    Later([this, w, Request] {
        FHost->CompleteRequest(Request, 0);
        auto c = w.lock();
        if (c && c->State() == LINECALLSTATE_OFFERING) SetCallState(*c, LINECALLSTATE_ACCEPTED, 0);
    });
    return 0;
}

uint32_t TModemLine::AnswerCall(TModemCall& Call, TRequestID Request)
{
    if (!(Call.State() & Offered) || Call.Answering || Call.Dropping) return LINEERR_INVALCALLSTATE;
    if (FActive.get() != &Call || FModemState != msReady) return LINEERR_RESOURCEUNAVAIL;
    Call.Answering = true;
    Call.VoiceCall = FVoice && (Call.Media & LINEMEDIAMODE_INTERACTIVEVOICE);
    std::weak_ptr<TModemCall> w = Call.shared_from_this();
    auto SendAta = [this, w, Request] {
        auto Call = w.lock();
        if (!Call) return;
        if (!Call->VoiceCall) StartData(*Call);
        TAtCommand a = Line("ATA", FConfig.ConnectTimeout, [this, w](const TAtReply& r) {
            if (auto Call = w.lock()) AnswerDone(*Call, r);
        });
        a.StartsData = !Call->VoiceCall;
        a.Written = [this, w, Request] {
            FHost->CompleteRequest(Request, 0);
            if (auto Call = w.lock(); Call && Call->Dropping && FChannel) FChannel->Interrupt();
        };
        Command(std::move(a));
    };
    if (!Call.VoiceCall) {
        SendAta();
        return 0;
    }
    Command(Line("AT+FCLASS=8", FConfig.CommandTimeout, [this, w, Request, SendAta](const TAtReply& r) {
        auto Call = w.lock();
        if (!Call) return;
        if (!r.OK() || Call->Dropping || !(Call->State() & Offered)) {
            Call->Answering = false;
            FHost->CompleteRequest(Request, LINEERR_OPERATIONFAILED);
            return;
        }
        SendAta();
    }));
    return 0;
}

void TModemLine::AnswerDone(TModemCall& Call, const TAtReply& r)
{
    Call.Answering = false;
    if (Call.Dropping || Call.State() == LINECALLSTATE_IDLE || Call.State() == LINECALLSTATE_DISCONNECTED) return;
    if (r.Status == TAtReply::rsFinal) {
        TAtResultKind k = r.Result.Kind;
        if ((k == arConnect && !Call.VoiceCall) || (Call.VoiceCall && (k == arVcon || k == arOK))) {
            if (FRingTimer && FChannel) FChannel->Cancel(FRingTimer);
            FRingTimer = 0;
            FCallerID = TCallerID{};
            FCallerIDLines.clear();
            Connected(Call, k == arConnect ? r.Result.Rate : 0);
            return;
        }
    }
    Disconnected(Call, DisconnectMode(r, true));
}

uint32_t TModemLine::DropCall(TModemCall& Call, TRequestID Request)
{
    uint32_t s = Call.State();
    if (s == LINECALLSTATE_IDLE || Call.Dropping) return Request ? LINEERR_INVALCALLSTATE : 0;
    std::weak_ptr<TModemCall> w = Call.shared_from_this();
    bool HoldsModem = FActive.get() == &Call;
    if (!HoldsModem || s == LINECALLSTATE_DISCONNECTED || ((s & Offered) && !Call.Answering)) {
        // Nothing to hang up: an offered call is left to ring out (its
        // rings bring no new call), a disconnected one is on hook already.
        if (HoldsModem && (s & Offered)) FIgnoringRings = true;
        if (HoldsModem) FActive.reset();
        Call.Dropping = true;
        Later([this, w, Request] {
            if (Request) FHost->CompleteRequest(Request, 0);
            if (auto c = w.lock()) Idle(*c);
        });
        return 0;
    }
    Hangup(Call, Request);
    return 0;
}

void TModemLine::Hangup(TModemCall& Call, TRequestID Request)
{
    Call.Dropping = true;
    std::weak_ptr<TModemCall> w = Call.shared_from_this();
    const uint32_t t = FConfig.CommandTimeout;
    auto Finish = [this, w, Request](const TAtReply& r) {
        auto Call = w.lock();
        if (!Call) return;
        // A lost modem has ended the call as well.
        bool Ok = r.OK() || r.Status == TAtReply::rsLost;
        if (Request) FHost->CompleteRequest(Request, Ok ? 0 : LINEERR_OPERATIONFAILED);
        if (Ok || !Request) {
            Idle(*Call);
            return;
        }
        Call->Dropping = false;
        if (FActive == Call) FActive.reset();
        SetCallState(*Call, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_UNKNOWN);
    };
    auto OnHook = [this, Finish, t, VoiceCall = Call.VoiceCall](const TAtReply& r) {
        if (r.Status == TAtReply::rsLost) {
            Finish(r);
            return;
        }
        Command(Line("ATH", t, [this, Finish, t, VoiceCall](const TAtReply& h) {
            if (!VoiceCall || h.Status == TAtReply::rsLost) {
                Finish(h);
                return;
            }
            Command(Line("AT+FCLASS=0", t, [Finish, h](const TAtReply&) { Finish(h); }));
        }));
    };
    if (Call.Connected && !Call.VoiceCall) {
        // Data mode takes no commands: DTR dropped hangs up a modem set to
        // do so (&D2); one that ignores it is brought back to command mode
        // with the escape sequence.
        TAtCommand Pulse;
        Pulse.Action = TAtCommand::caDtrPulse;
        Pulse.PulseMs = FConfig.DtrDrop;
        Pulse.TimeoutMs = t;
        Pulse.NoResync = true;
        Pulse.Done = [this, OnHook, t](const TAtReply& r) {
            if (r.Status != TAtReply::rsTimeout) {
                OnHook(r);
                return;
            }
            TAtCommand Escape;
            Escape.Action = TAtCommand::caEscape;
            Escape.Text = "+++";
            Escape.PulseMs = FConfig.EscapeGuard;
            Escape.TimeoutMs = FConfig.EscapeGuard + t;
            Escape.Done = OnHook;
            Command(std::move(Escape));
        };
        Command(std::move(Pulse));
        return;
    }
    if (!Call.Connected && FChannel) {
        // Dialling or answering: any character makes the modem give up.
        if (Call.DataPair) FChannel->EndData();
        FChannel->Interrupt();
    }
    OnHook(TAtReply{});
}

// ----------------------------------------------------------------- media

uint32_t TModemLine::GenerateDigits(TModemCall& Call, uint32_t DigitMode, const std::string& Digits,
                                    uint32_t Duration, uint32_t EndToEndID)
{
    if (Digits.empty()) {
        // The modem cannot be stopped mid-way; the running generation is
        // reported cancelled when it ends.
        if (Call.Generating) Call.GenerateCancelled = true;
        return 0;
    }
    if (!Call.VoiceCall || Call.State() != LINECALLSTATE_CONNECTED) return LINEERR_INVALCALLSTATE;
    if (DigitMode != LINEDIGITMODE_DTMF) return LINEERR_INVALDIGITMODE;
    std::string List;
    for (char c : Digits) {
        char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (!IsDtmf(u)) return LINEERR_INVALDIGITLIST;
        if (!List.empty()) List += ',';
        List += u;
    }
    if (Call.Generating) Call.GenerateCancelled = true;   // the new one replaces it
    std::weak_ptr<TModemCall> w = Call.shared_from_this();
    if (Duration) {
        uint32_t Units = std::clamp<uint32_t>(Duration / 10, 1, 255);
        Command(Line("AT+VTD=" + std::to_string(Units), FConfig.CommandTimeout, nullptr));
    }
    uint32_t Timeout = FConfig.CommandTimeout + static_cast<uint32_t>(Digits.size()) * (Duration ? Duration : 100) * 2;
    Command(Line("AT+VTS=" + List, Timeout, [this, w, EndToEndID](const TAtReply& r) {
        auto Call = w.lock();
        if (!Call) return;
        if (Call->GenerateID != EndToEndID) {
            // Replaced by a later generation: this one ends cancelled.
            if (Call->State() != LINECALLSTATE_IDLE)
                FHost->CallGenerateEnded(Call.get(), EndToEndID, LINEGENERATETERM_CANCEL);
            return;
        }
        if (!Call->Generating) return;   // ended with the call
        Call->Generating = false;
        bool Done = r.OK() && !Call->GenerateCancelled;
        FHost->CallGenerateEnded(Call.get(), EndToEndID, Done ? LINEGENERATETERM_DONE : LINEGENERATETERM_CANCEL);
    }));
    Call.Generating = true;
    Call.GenerateCancelled = false;
    Call.GenerateID = EndToEndID;
    return 0;
}

void TModemLine::Tone(bool IsTone, uint32_t F1, uint32_t F2)
{
    if (FActive && FActive->VoiceCall && FActive->Listed) FHost->CallTone(FActive.get(), IsTone, F1, F2, 0);
}

void TModemLine::Dle(char Code)
{
    if (!FActive || !FActive->VoiceCall) return;
    TModemCall& c = *FActive;
    // Tones as the North American plan and ITU-T E.180 give them; a line
    // elsewhere sounds its tones at 425 Hz.
    bool NorthAmerica = FConfig.Country.empty() || FConfig.Country == "US" || FConfig.Country == "us" ||
                        FConfig.Country == "CA" || FConfig.Country == "ca";
    if (IsDtmf(Code)) {
        if (c.Connected) FHost->CallDigit(&c, Code, LINEDIGITMODE_DTMF);
        return;
    }
    switch (Code) {
    case 'b':   // busy tone
        Tone(true, NorthAmerica ? 480 : 425, NorthAmerica ? 620 : 0);
        if (!c.Connected && (c.State() & Setup) && !c.Dropping) Disconnected(c, LINEDISCONNECTMODE_BUSY);
        break;
    case 'd':   // dial tone
        Tone(true, NorthAmerica ? 350 : 425, NorthAmerica ? 440 : 0);
        break;
    case 'r':   // ringback
        Tone(true, NorthAmerica ? 440 : 425, NorthAmerica ? 480 : 0);
        if (!c.Connected && (c.State() & (LINECALLSTATE_DIALING | LINECALLSTATE_PROCEEDING)) && !c.Dropping)
            SetCallState(c, LINECALLSTATE_RINGBACK, 0);
        break;
    case 's':   // silence
    case 'q':   // quiet after sound
        Tone(true, 0, 0);
        break;
    case 'c':   // fax calling tone
        if (c.Listed) FHost->CallMedia(&c, LINEMEDIAMODE_G3FAX);
        break;
    case 'e':   // data calling tone
        if (c.Listed) FHost->CallMedia(&c, LINEMEDIAMODE_DATAMODEM);
        break;
    case 'l':   // loop current interrupted: the far end hung up
        if (c.Connected && !c.Dropping) Disconnected(c, LINEDISCONNECTMODE_NORMAL);
        break;
    default:
        break;   // handset, timing marks, shielding markers
    }
}

}  // namespace kxtapi::service::modem
