// The shell's commands for lines, listings and waiting.

#include "shell.h"

#include "devices.h"
#include "lines.h"

#include <kxtapi/kxtapiutils.h>

#include <algorithm>
#include <cctype>

namespace kxphone {

using namespace kxtapi;

namespace {

// "wait" remembers this many records at most.
constexpr size_t RecordsKept = 10000;

bool ParseCount(const std::string& Text, uint32_t& Out)
{
    if (Text.empty() || Text.size() > 9) return false;
    for (char c : Text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    Out = static_cast<uint32_t>(std::stoul(Text));
    return true;
}

std::string PartyText(TTapiCallPartyID* Who)
{
    if (Who->Blocked()) return "withheld";
    std::string t = Utf8(Who->GetAddress());
    if (!Who->GetName().empty()) t += (t.empty() ? "" : " ") + ("(" + Utf8(Who->GetName()) + ")");
    return t;
}

} // namespace

// --- helpers ----------------------------------------------------------------------

std::vector<TTapiLine*> TShell::Lines() const
{
    std::vector<TTapiLine*> v;
    for (const TOpenLine& l : FLines) v.push_back(l.Line.get());
    return v;
}

TTapiLine& TShell::Current() const
{
    if (FLines.empty()) throw EShellError{"no line is open (open LINE opens one)"};
    return *FLines[FCurrent].Line;
}

TShell::TOpenLine* TShell::FindOpen(const std::string& Spec)
{
    const int32_t ID = FindLineDevice(Utf8ToCp1252(Spec));
    for (TOpenLine& l : FLines)
        if (l.Line->Get_DeviceID() == ID) return &l;
    return nullptr;
}

TTapiCall* TShell::CallArg(const std::string& Text) const
{
    uint32_t n = 0;
    if (!ParseCount(Text[0] == '#' ? Text.substr(1) : Text, n) || n == 0)
        throw EShellError{"\"" + Text + "\" is no call; calls are written #1, #2 ..."};
    TTapiCall* c = TCallNumbers::Find(static_cast<int>(n), Lines());
    if (c == nullptr) throw EShellError{"there is no call #" + std::to_string(n) + " (calls lists them)"};
    return c;
}

TTapiCall* TShell::CallOrOnly(const std::vector<std::string>& A, size_t Index) const
{
    if (Index < A.size()) return CallArg(A[Index]);
    TTapiLine& L = Current();
    std::vector<TTapiCall*> Live;
    for (int i = 0; i < L.Get_Calls()->Count(); ++i)
        if (TTapiCall* c = L.Get_Calls()->Get(i); CallState(c) != LINECALLSTATE_IDLE) Live.push_back(c);
    if (Live.size() == 1) return Live[0];
    throw EShellError{Live.empty() ? "the current line has no call"
                                   : "the current line has " + std::to_string(Live.size()) +
                                         " calls: name one (calls lists them)"};
}

void TShell::Remember(const TEventRecord& R)
{
    FRecords.push_back(R);
    if (FRecords.size() > RecordsKept) {
        FRecords.pop_front();
        ++FDropped;
    }
}

// --- commands ---------------------------------------------------------------------

void TShell::CmdHelp(const std::vector<std::string>& A)
{
    if (!A.empty()) {
        if (A[0] == "far") {
            Say("far call LINE NUMBER [NAME]  a call from NUMBER arrives on LINE");
            Say("far call LINE withheld       a call from a withheld number arrives on LINE");
            Say("far ring CALL [COUNT]        the offered call rings again");
            Say("far answer CALL              the called party answers an outgoing call");
            Say("far busy CALL                the called party is busy");
            Say("far reject CALL              the called party rejects the call");
            Say("far noanswer CALL            nobody answers: the call ends");
            Say("far digits CALL DIGITS       the far end presses DIGITS");
            Say("far hangup CALL              the far end hangs up");
            return;
        }
        if (A[0] == "phone") {
            Say("phone open PHONE             open a phone by name or identifier, as its owner");
            Say("phone close                  close it");
            Say("phone hook on|off            put the handset down or lift it");
            Say("phone display TEXT           write the display");
            Say("phone ring MODE              ring in MODE (0: silent)");
            Say("phone lamp ID MODE           set a lamp: off, steady, wink, flash, flutter, broken");
            return;
        }
        if (A[0] == "user") {
            Say("user lift PHONE              the user lifts the handset of a simulated phone");
            Say("user replace PHONE           ... puts it down");
            Say("user press PHONE KEYS        ... presses and releases the keypad keys (0-9, *, #)");
            return;
        }
        for (const TCommand& c : Commands())
            if (A[0] == c.Name) {
                Say(std::string(c.Name) + (*c.Args ? " " : "") + c.Args);
                Say(std::string("  ") + c.Help);
                return;
            }
        throw EShellError{"unknown command \"" + A[0] + "\""};
    }
    size_t Width = 0;
    for (const TCommand& c : Commands()) Width = std::max(Width, std::string(c.Name).size() + 1 + std::string(c.Args).size());
    for (const TCommand& c : Commands()) {
        std::string Head = std::string(c.Name) + " " + c.Args;
        Head.resize(Width + 2, ' ');
        Say("  " + Head + c.Help);
    }
    Say("CALL is a call's number as the events show it (#1 or 1); without one, the only call of the current line.");
}

void TShell::CmdDevices(const std::vector<std::string>&)
{
    if (FOutput.BeforeWrite) FOutput.BeforeWrite();
    ListDevices(stdout, false);
    std::fflush(stdout);
    if (FOutput.AfterWrite) FOutput.AfterWrite();
}

void TShell::CmdOpen(const std::vector<std::string>& A)
{
    if (FindOpen(A[0]) != nullptr) throw EShellError{"that line is open already"};
    TOpenLine l;
    l.Line = std::make_unique<TTapiLine>(nullptr);
    l.Watch = std::make_unique<TLineWatch>(*l.Line, FOutput, FNumbers);
    l.Watch->MonitorDigits = true;
    l.Watch->OnRecord = [this](const TEventRecord& R, TTapiCall*) { Remember(R); };
    OpenLine(*l.Line, Utf8ToCp1252(A[0]));
    TTapiLine& Line = *l.Line;
    FLines.push_back(std::move(l));
    FCurrent = FLines.size() - 1;
    std::string Addresses;
    for (int i = 0; i < Line.Get_AddressNames()->Count(); ++i)
        Addresses += (i ? ", " : "") + Utf8(Line.Get_AddressNames()->Strings(i));
    Say("opened \"" + Utf8(Line.Get_DeviceName()) + "\" (line " + std::to_string(Line.Get_DeviceID()) +
        ", address " + Addresses + ")");
}

void TShell::CmdClose(const std::vector<std::string>& A)
{
    TOpenLine* l = A.empty() ? (Current(), &FLines[FCurrent]) : FindOpen(A[0]);
    if (l == nullptr) throw EShellError{"that line is not open"};
    const std::string Name = Utf8(l->Line->Get_DeviceName());
    l->Line->Set_Active(false);
    FLines.erase(FLines.begin() + (l - FLines.data()));
    FCurrent = FLines.empty() ? 0 : std::min(FCurrent, FLines.size() - 1);
    Say("closed \"" + Name + "\"");
}

void TShell::CmdLine(const std::vector<std::string>& A)
{
    if (!A.empty()) {
        TOpenLine* l = FindOpen(A[0]);
        if (l == nullptr) throw EShellError{"that line is not open (open LINE opens it)"};
        FCurrent = static_cast<size_t>(l - FLines.data());
    }
    if (FLines.empty()) {
        Say("no line is open");
        return;
    }
    for (size_t i = 0; i < FLines.size(); ++i)
        Say(std::string(i == FCurrent ? "* " : "  ") + "line " + std::to_string(FLines[i].Line->Get_DeviceID()) +
            "  \"" + Utf8(FLines[i].Line->Get_DeviceName()) + "\"");
}

void TShell::CmdCalls(const std::vector<std::string>&)
{
    int Count = 0;
    for (const TOpenLine& l : FLines) {
        TTapiCallList* Calls = l.Line->Get_Calls();
        for (int i = 0; i < Calls->Count(); ++i) {
            TTapiCall* c = Calls->Get(i);
            std::string t = "#" + std::to_string(Number(c)) + "  " + Utf8(l.Line->Get_DeviceName()) + "  " +
                            LineCallStateToStr(CallState(c));
            t += "  " + std::string(c->IsIncoming() || c->WasIncoming() ? "incoming" : "outgoing");
            if (std::string p = PartyText(c->Get_CallerID()); !p.empty()) t += "  caller=" + p;
            if (std::string p = PartyText(c->Get_CalledID()); !p.empty()) t += "  called=" + p;
            if (std::string p = PartyText(c->Get_ConnectedID()); !p.empty()) t += "  connected=" + p;
            Say(t);
            ++Count;
        }
    }
    if (Count == 0) Say("no calls");
}

void TShell::CmdWait(const std::vector<std::string>& A)
{
    std::string Event = A[0];
    std::transform(Event.begin(), Event.end(), Event.begin(), [](unsigned char c) { return std::toupper(c); });
    int Call = 0;
    uint32_t Limit = 5000;
    for (size_t i = 1; i < A.size(); ++i) {
        uint32_t n = 0;
        if (A[i][0] == '#' && ParseCount(A[i].substr(1), n) && n > 0) Call = static_cast<int>(n);
        else if (ParseCount(A[i], n)) Limit = n;
        else throw EShellError{"usage: wait EVENT [#CALL] [MS]"};
    }
    // Records are searched from the one after the last a wait took, so a
    // script sees every event exactly once, however fast it came.
    auto Found = [&] {
        for (size_t i = std::max(FWaited, FDropped); i < FDropped + FRecords.size(); ++i) {
            const TEventRecord& R = FRecords[i - FDropped];
            if (R.Event == Event && (Call == 0 || R.Call == Call)) {
                FWaited = i + 1;
                return true;
            }
        }
        return false;
    };
    if (FLoop.RunUntil(Found, Limit)) return;
    if (FLoop.Interrupted()) throw EShellError{"interrupted"};
    throw EShellError{"no " + Event + (Call ? " of #" + std::to_string(Call) : std::string()) + " within " +
                      std::to_string(Limit) + " ms"};
}

void TShell::CmdSleep(const std::vector<std::string>& A)
{
    uint32_t Ms = 0;
    if (!ParseCount(A[0], Ms)) throw EShellError{"usage: sleep MS"};
    if (!FLoop.RunFor(Ms) && FLoop.Interrupted()) throw EShellError{"interrupted"};
}

void TShell::CmdQuit(const std::vector<std::string>&)
{
    FQuit = true;
}

} // namespace kxphone
