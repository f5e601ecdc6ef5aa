// The shell's far end: what the other party does, on the simulated switch.

#include "shell.h"

#include "lines.h"

#include <kxtapi/sim.h>

namespace kxphone {

using namespace kxtapi;

namespace {

/// The switch's own call behind one of our calls.
sim::TSimCallID SimCallOf(TTapiCall* Call, int Number)
{
    const sim::TSimCallID ID = Call->Get_CallInfo()->GetDWORD(6);
    sim::TSimCallInfo Info;
    auto& Sim = sim::Switch();
    // A call of another provider may carry the same number: the line's
    // name tells them apart.
    if (ID == 0 || !Sim.CallInfo(ID, Info) || Sim.LineName(Info.Line) != Call->Get_Line()->Get_DeviceName())
        throw EShellError{"#" + std::to_string(Number) + " is not a call of the simulated switch"};
    return ID;
}

} // namespace

void TShell::CmdFar(const std::vector<std::string>& A)
{
    auto& Sim = sim::Switch();
    const std::string& Action = A[0];
    auto Need = [&](size_t Min, size_t Max, const char* Usage) {
        if (A.size() - 1 < Min || A.size() - 1 > Max) throw EShellError{std::string("usage: far ") + Usage};
    };
    if (Action == "call") {
        Need(2, 3, "call LINE NUMBER [NAME] | far call LINE withheld");
        TTapiLine Probe(nullptr);
        const int32_t ID = FindLineDevice(Utf8ToCp1252(A[1]));
        const std::string Name = Probe.Get_DeviceList()->Strings(ID);
        const int Line = Sim.LineIndex(Name);
        if (Line < 0) throw EShellError{"\"" + Utf8(Name) + "\" is not a line of the simulated switch"};
        sim::TSimOfferOptions Options;
        Options.CallerIDBlocked = A[2] == "withheld" && A.size() == 3;
        const std::string Number = Options.CallerIDBlocked ? std::string() : Utf8ToCp1252(A[2]);
        if (Sim.OfferCall(Line, Number, A.size() > 3 ? Utf8ToCp1252(A[3]) : std::string(), Options) == 0)
            throw EShellError{"the switch offered no call"};
        return;
    }
    if (Action == "ring" || Action == "answer" || Action == "busy" || Action == "reject" || Action == "noanswer" ||
        Action == "hangup") {
        Need(1, Action == "ring" ? 2 : 1, (Action + " CALL" + (Action == "ring" ? " [COUNT]" : "")).c_str());
        TTapiCall* Call = CallArg(A[1]);
        const sim::TSimCallID ID = SimCallOf(Call, Number(Call));
        if (Action == "ring") {
            const std::string Count = A.size() > 2 ? A[2] : "1";
            if (Count.empty() || Count.size() > 2 || Count.find_first_not_of("0123456789") != std::string::npos)
                throw EShellError{"COUNT is a number of rings from 0 to 99"};
            Sim.Ring(ID, static_cast<uint32_t>(std::stoi(Count)));
        } else if (Action == "answer") {
            Sim.FarEndAnswer(ID);
        } else if (Action == "busy") {
            Sim.FarEndBusy(ID);
        } else if (Action == "reject") {
            Sim.FarEndReject(ID);
        } else if (Action == "noanswer") {
            Sim.FarEndNoAnswer(ID);
        } else {
            Sim.FarEndHangUp(ID);
        }
        return;
    }
    if (Action == "digits") {
        Need(2, 2, "digits CALL DIGITS");
        TTapiCall* Call = CallArg(A[1]);
        if (A[2].find_first_not_of("0123456789*#ABCDabcd") != std::string::npos)
            throw EShellError{"DIGITS are 0-9, *, # and A-D"};
        Sim.SendDigits(SimCallOf(Call, Number(Call)), A[2]);
        return;
    }
    throw EShellError{"unknown far-end action \"" + Action + "\"; \"help far\" lists them"};
}

} // namespace kxphone
