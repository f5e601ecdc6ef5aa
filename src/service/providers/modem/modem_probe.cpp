// Probing a modem once its port is open, and checking an idle one now and
// then: the line is in service only while the modem answers.

#include "service/providers/modem/modem_line.h"
#include "service/providers/modem/modem_call.h"

#include "kxtapi/modem/config.h"

#include <cstdio>

namespace kxtapi::service::modem {

namespace {

enum TStepKind {
    skReset,      // ATZ: the profile may switch to numeric results
    skMust,       // ERROR fails the probe
    skMay,        // ERROR is fine (an optional feature)
    skIdentity,   // ATI
    skClasses,    // AT+FCLASS=?
    skCallerID,   // AT+VCID=1, then AT#CID=1
};

struct TStep {
    std::string Text;
    TStepKind Kind;
};

std::vector<TStep> ProbeSteps(const kxtapi::modem::TModemConfig& c)
{
    std::vector<TStep> s{{"ATZ", skReset}, {"ATE0V1", skMust}, {"ATI", skIdentity}};
    if (c.Voice) s.push_back({"AT+FCLASS=?", skClasses});
    uint8_t T35 = 0;
    if (!c.Country.empty() && kxtapi::modem::CountryToT35(c.Country, T35)) {
        char b[16];
        std::snprintf(b, sizeof b, "AT+GCI=%02X", T35);
        s.push_back({b, skMay});
    }
    for (const std::string& i : c.Init) s.push_back({i, skMust});
    s.push_back({"AT+VCID=1", skCallerID});
    return s;
}

// "0,1,2,8" or "(0-2,8)" or "0,1,1.0,2,2.0,8": is class 8 among them?
bool ListsVoice(const std::vector<std::string>& Info)
{
    for (const std::string& l : Info) {
        std::string Item;
        for (size_t i = 0; i <= l.size(); ++i) {
            char c = i < l.size() ? l[i] : ',';
            if (c == ',' || c == '(' || c == ')' || c == ' ' || c == '-') {
                if (Item == "8") return true;
                Item.clear();
            } else {
                Item.push_back(c);
            }
        }
    }
    return false;
}

std::string Joined(const std::vector<std::string>& Info)
{
    std::string r;
    for (const std::string& l : Info) {
        if (l.empty()) continue;
        if (!r.empty()) r += "; ";
        r += l;
        if (r.size() > 128) {
            r.resize(128);
            break;
        }
    }
    return r;
}

}  // namespace

void TModemLine::StartProbe()
{
    FModemState = msProbing;
    FCallerIDOn = false;
    FIdentity.clear();
    // The reason of a failed attempt stays readable while the next one runs.
    if (FProblem.empty() || FProblem == "not started") FProblem = "probing";
    ProbeStep(0);
}

void TModemLine::ProbeStep(size_t Index)
{
    std::vector<TStep> Steps = ProbeSteps(FConfig);
    if (Index >= Steps.size()) {
        ProbePassed();
        return;
    }
    TStep Step = Steps[Index];
    uint32_t Timeout = Step.Kind == skReset ? 2 * FConfig.CommandTimeout : FConfig.CommandTimeout;
    TAtCommand c = Line(Step.Text, Timeout, [this, Index, Step](const TAtReply& r) {
        if (r.Status == TAtReply::rsLost) return;   // ChannelLost follows
        if (r.Status == TAtReply::rsTimeout) {
            ProbeFailed(Step.Text + ": " + r.Describe());
            return;
        }
        bool Ok = r.Result.Kind == arOK;
        switch (Step.Kind) {
        case skReset:
        case skMust:
            if (!Ok) {
                ProbeFailed(Step.Text + ": " + r.Describe());
                return;
            }
            break;
        case skMay:
            break;
        case skIdentity:
            if (Ok) FIdentity = Joined(r.Info);
            break;
        case skClasses:
            FVoice = Ok && ListsVoice(r.Info);
            break;
        case skCallerID:
            if (Ok) {
                FCallerIDOn = true;
            } else if (Step.Text != "AT#CID=1") {
                // The older command set some chip families keep.
                TAtCommand Alt = Line("AT#CID=1", FConfig.CommandTimeout, [this, Index](const TAtReply& a) {
                    if (a.Status == TAtReply::rsLost) return;
                    if (a.Status == TAtReply::rsTimeout) {
                        ProbeFailed("AT#CID=1: " + a.Describe());
                        return;
                    }
                    FCallerIDOn = a.OK();
                    ProbeStep(Index + 1);
                });
                Command(std::move(Alt));
                return;
            }
            break;
        }
        ProbeStep(Index + 1);
    });
    c.Numeric = Step.Kind == skReset;
    Command(std::move(c));
}

void TModemLine::ProbeFailed(const std::string& Why)
{
    FModemState = msOffline;
    FProblem = FConfig.Port + ": " + Why;
    // Closed and opened again later: a modem that was busy or confused
    // starts afresh.
    if (FChannel) FChannel->Restart(FConfig.RetryInterval);
}

void TModemLine::ProbePassed()
{
    FModemState = msReady;
    FProblem.clear();
    if (!FInService) {
        FInService = true;
        FHost->LineDevState(this, LINEDEVSTATE_INSERVICE, 0, 0);
    }
    ScheduleKeepAlive();
}

void TModemLine::ScheduleKeepAlive()
{
    if (!FChannel || FConfig.KeepAlive == 0) return;
    if (FKeepAlive) FChannel->Cancel(FKeepAlive);
    const uint64_t Session = FSession;
    FKeepAlive = FChannel->After(FConfig.KeepAlive, [this, Session] {
        Serve([&] {
            FKeepAlive = 0;
            if (FSession != Session || FModemState != msReady) return;
            if (FActive && (!FActive->VoiceCall || !FActive->Connected)) {
                // Busy with a call the modem does not take commands in.
                ScheduleKeepAlive();
                return;
            }
            // A modem that has stopped answering times out here; the
            // channel's probes then find it silent and report it lost.
            Command(Line("AT", FConfig.CommandTimeout, [this](const TAtReply& r) {
                if (r.Status != TAtReply::rsLost) ScheduleKeepAlive();
            }));
        });
    });
}

}  // namespace kxtapi::service::modem
