#include "line_watch.h"

#include <kxtapi/kxtapiutils.h>

#include <utility>

namespace kxphone {

using namespace kxtapi;

uint32_t CallState(const TTapiCall* Call)
{
    return Call != nullptr ? Call->GetCallStatusDW(0) : 0;
}

TLineWatch::TLineWatch(TTapiLine& Line, TEventOutput& Output, TCallNumbers& Numbers)
    : FLine(Line), FOutput(Output), FNumbers(Numbers)
{
    Line.OnNewCall = [this](TObject*, TTapiCall* Call) {
        Emit(Call, "NEWCALL", {PlainField("origin", LineCallOriginToStr(Call->Get_Origin()))});
    };
    Line.OnCallState = [this](TObject*, TTapiCall* Call, uint32_t State) {
        std::vector<TField> f;
        if (State == LINECALLSTATE_DISCONNECTED) f.push_back(PlainField("mode", LineDiscModeToStr(Call->GetCallStatusDW(1))));
        Emit(Call, LineCallStateToStr(State), std::move(f));
    };
    Line.OnCallBegin = [this](TObject*, TTapiCall* Call) {
        if (!MonitorDigits) return;
        // Not every call or provider can; the digits are a bonus, so a
        // refusal is not reported.
        try {
            Call->Get_MonitorDigits()->Set_Active(true);
        } catch (const Exception&) {
        }
    };
    Line.OnCallerID = [this](TObject*, TTapiCall* Call) { Party(Call, "CALLERID", Call->Get_CallerID()); };
    Line.OnCalledID = [this](TObject*, TTapiCall* Call) { Party(Call, "CALLEDID", Call->Get_CalledID()); };
    Line.OnConnectedID = [this](TObject*, TTapiCall* Call) { Party(Call, "CONNECTEDID", Call->Get_ConnectedID()); };
    Line.OnRedirectingID = [this](TObject*, TTapiCall* Call) {
        Party(Call, "REDIRECTINGID", Call->Get_RedirectingID());
    };
    Line.OnRedirectionID = [this](TObject*, TTapiCall* Call) {
        Party(Call, "REDIRECTIONID", Call->Get_RedirectionID());
    };
    Line.OnCallInfo = [this](TObject*, TTapiCall* Call, uint32_t Info) {
        // The party identifiers have events of their own.
        Info &= ~static_cast<uint32_t>(LINECALLINFOSTATE_CALLERID | LINECALLINFOSTATE_CALLEDID |
                                       LINECALLINFOSTATE_CONNECTEDID | LINECALLINFOSTATE_REDIRECTIONID |
                                       LINECALLINFOSTATE_REDIRECTINGID);
        std::string Names;
        for (uint32_t Bit = 1; Bit != 0; Bit <<= 1)
            if (Info & Bit) Names += (Names.empty() ? "" : "|") + LineCallInfoToStr(Bit);
        if (!Names.empty()) Emit(Call, "CALLINFO", {PlainField("changed", Names)});
    };
    Line.OnRing = [this](TObject*, uint32_t, uint32_t Count) {
        Emit(nullptr, "RING", {PlainField("count", std::to_string(Count))});
    };
    Line.OnDigit = [this](TObject*, TTapiCall* Call, char Digit) {
        Emit(Call, "DIGIT", {TextField("digit", std::string(1, Digit))});
    };
    Line.OnDigits = [this](TObject*, TTapiCall* Call, const std::string& Digits, uint32_t Termination) {
        Emit(Call, "DIGITS", {TextField("digits", Digits), PlainField("end", IntToHex(Termination, 1))});
    };
    Line.OnGenerate = [this](TObject*, TTapiCall* Call, uint32_t Termination) {
        Emit(Call, "GENERATED", {PlainField("end", Termination == LINEGENERATETERM_DONE ? "DONE" : "CANCEL")});
    };
    Line.OnTone = [this](TObject*, TTapiCall* Call, uint32_t AppSpecific) {
        Emit(Call, "TONE", {PlainField("tone", std::to_string(AppSpecific))});
    };
    Line.OnSilence = [this](TObject*, TTapiCall* Call) { Emit(Call, "SILENCE"); };
    Line.OnMediaMode = [this](TObject*, TTapiCall* Call) {
        Emit(Call, "MEDIAMODE", {PlainField("media", Call->MediaModeText())});
    };
    Line.OnCallDeallocate = [this](TObject*, TTapiCall* Call) { Emit(Call, "FREED"); };
    Line.OnTapiReply = [this](TObject*, uint32_t ID, uint32_t Code) {
        // Operations wait for their replies and report failures themselves;
        // a failed reply is still worth a line in a log.
        if (Code != 0)
            Emit(nullptr, "REPLY",
                 {PlainField("request", std::to_string(ID)), PlainField("error", LineErrToStr(Code))});
    };
    Line.OnTapiTimeout = [this](TObject*, uint32_t ID) {
        Emit(nullptr, "TIMEOUT", {PlainField("request", std::to_string(ID))});
    };
    Line.OnDeviceClose = [this](TObject*) { Emit(nullptr, "LINECLOSED"); };
    Line.OnDeviceRemove = [this](TObject*) { Emit(nullptr, "LINEREMOVED"); };
    // Whether the line can be used at all: a modem unplugged or back, a SIP
    // account registered or not. Ringing has its own event.
    Line.OnDeviceState = [this](TObject*, uint32_t State, uint32_t, uint32_t) {
        static constexpr std::pair<uint32_t, const char*> Shown[] = {
            {LINEDEVSTATE_INSERVICE, "INSERVICE"},       {LINEDEVSTATE_OUTOFSERVICE, "OUTOFSERVICE"},
            {LINEDEVSTATE_MAINTENANCE, "MAINTENANCE"},   {LINEDEVSTATE_CONNECTED, "LINECONNECTED"},
            {LINEDEVSTATE_DISCONNECTED, "LINEDISCONNECTED"}};
        for (const auto& [Bit, Name] : Shown)
            if (State & Bit) Emit(nullptr, Name);
    };
}

TLineWatch::~TLineWatch()
{
    TTapiLine& L = FLine;
    L.OnNewCall = L.OnCallBegin = L.OnCallerID = L.OnCalledID = L.OnConnectedID = L.OnRedirectingID =
        L.OnRedirectionID = L.OnSilence = L.OnMediaMode = L.OnCallDeallocate = nullptr;
    L.OnCallState = nullptr;
    L.OnCallInfo = nullptr;
    L.OnRing = nullptr;
    L.OnDigit = nullptr;
    L.OnDigits = nullptr;
    L.OnGenerate = nullptr;
    L.OnTone = nullptr;
    L.OnTapiReply = nullptr;
    L.OnTapiTimeout = nullptr;
    L.OnDeviceClose = L.OnDeviceRemove = nullptr;
    L.OnDeviceState = nullptr;
}

void TLineWatch::Emit(TTapiCall* Call, std::string Event, std::vector<TField> Fields)
{
    TEventRecord R{Utf8(FLine.Get_DeviceName()), FNumbers.NumberOf(Call), std::move(Event), std::move(Fields)};
    FOutput.Write(R);
    if (OnRecord) OnRecord(R, Call);
}

void TLineWatch::Party(TTapiCall* Call, const char* Event, TTapiCallPartyID* Who)
{
    std::vector<TField> f;
    if (Who->Blocked()) {
        f.push_back(PlainField("withheld", "yes"));
    } else {
        if (!Who->GetAddress().empty()) f.push_back(TextField("number", Who->GetAddress()));
        if (!Who->GetName().empty()) f.push_back(TextField("name", Who->GetName()));
        if (f.empty()) f.push_back(PlainField("unknown", "yes"));
    }
    Emit(Call, Event, std::move(f));
}

} // namespace kxphone
