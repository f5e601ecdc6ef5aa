// The shell's call-control commands.

#include "shell.h"

#include <kxtapi/kxtapiutils.h>

#include <cctype>

namespace kxphone {

using namespace kxtapi;

void TShell::CmdDial(const std::vector<std::string>& A)
{
    if (A.size() == 2) {
        if (A[0][0] != '#') throw EShellError{"usage: dial [#CALL] NUMBER"};
        TTapiCall* Call = CallArg(A[0]);
        Call->Dial(Utf8ToCp1252(A[1]));
        return;
    }
    TTapiCall* Call = Current().MakeCall(Utf8ToCp1252(A[0]));
    if (Call == nullptr) throw EShellError{"the call ended before it was made"};
    Say("call #" + std::to_string(Number(Call)) + " to " + A[0]);
}

void TShell::CmdAnswer(const std::vector<std::string>& A)
{
    CallOrOnly(A, 0)->Answer();
}

void TShell::CmdDrop(const std::vector<std::string>& A)
{
    CallOrOnly(A, 0)->Drop();
}

void TShell::CmdHold(const std::vector<std::string>& A)
{
    CallOrOnly(A, 0)->Hold();
}

void TShell::CmdUnhold(const std::vector<std::string>& A)
{
    CallOrOnly(A, 0)->Unhold();
}

void TShell::CmdTransfer(const std::vector<std::string>& A)
{
    CallArg(A[0])->BlindTransfer(Utf8ToCp1252(A[1]));
}

void TShell::CmdConsult(const std::vector<std::string>& A)
{
    TTapiCall* Call = CallOrOnly(A, 0);
    TTapiCall* Consult = Call->SetupTransfer();
    if (Consult == nullptr) throw EShellError{"the switch gave no consultation call"};
    const std::string c = "#" + std::to_string(Number(Consult));
    Say("consultation call " + c + "; \"dial " + c + " NUMBER\", then \"complete #" + std::to_string(Number(Call)) +
        "\"");
}

void TShell::CmdComplete(const std::vector<std::string>& A)
{
    TTapiCall* Call = CallArg(A[0]);
    const bool Conference = A.size() > 1;
    if (Conference && A[1] != "conference") throw EShellError{"usage: complete CALL [conference]"};
    if (Call->Get_ConsultCall() == nullptr)
        throw EShellError{"#" + std::to_string(Number(Call)) + " has no consultation call (consult makes one)"};
    TTapiCall* Conf = Call->CompleteTransfer(nullptr, Conference);
    if (Conf != nullptr) Say("conference call #" + std::to_string(Number(Conf)));
}

void TShell::CmdConference(const std::vector<std::string>& A)
{
    TTapiCall* Call = CallOrOnly(A, 0);
    TTapiCall* Conf = nullptr;
    TTapiCall* Consult = nullptr;
    Call->SetupConference(Conf, Consult);
    if (Conf == nullptr || Consult == nullptr) throw EShellError{"the switch gave no conference"};
    const std::string f = "#" + std::to_string(Number(Conf)), c = "#" + std::to_string(Number(Consult));
    Say("conference call " + f + ", consultation call " + c + "; \"dial " + c + " NUMBER\", then \"join " + c + " " +
        f + "\"");
}

void TShell::CmdJoin(const std::vector<std::string>& A)
{
    TTapiCall* Consult = CallArg(A[0]);
    TTapiCall* Conf = CallArg(A[1]);
    Consult->AddToConference(Conf);
}

void TShell::CmdAdd(const std::vector<std::string>& A)
{
    TTapiCall* Conf = CallArg(A[0]);
    TTapiCall* Consult = Conf->PrepareAddToConference();
    if (Consult == nullptr) throw EShellError{"the switch gave no consultation call"};
    const std::string c = "#" + std::to_string(Number(Consult));
    Say("consultation call " + c + "; \"dial " + c + " NUMBER\", then \"join " + c + " " + A[0] + "\"");
}

void TShell::CmdPark(const std::vector<std::string>& A)
{
    TTapiCall* Call = CallArg(A[0]);
    const int n = Number(Call);
    const std::string Where = Call->Park(A.size() > 1 ? Utf8ToCp1252(A[1]) : std::string());
    Say("#" + std::to_string(n) + " parked at " + Utf8(Where));
}

void TShell::CmdUnpark(const std::vector<std::string>& A)
{
    TTapiCall* Call = Current().Unpark(0, Utf8ToCp1252(A[0]));
    if (Call == nullptr) throw EShellError{"nothing came back from " + A[0]};
    Say("call #" + std::to_string(Number(Call)) + " from " + A[0]);
}

void TShell::CmdRedirect(const std::vector<std::string>& A)
{
    CallArg(A[0])->Redirect(Utf8ToCp1252(A[1]));
}

void TShell::CmdSend(const std::vector<std::string>& A)
{
    CallArg(A[0])->GenerateDigits(Utf8ToCp1252(A[1]), 0);
}

void TShell::CmdGather(const std::vector<std::string>& A)
{
    TTapiCall* Call = CallArg(A[0]);
    const std::string& Count = A[1];
    if (Count.empty() || Count.size() > 4 || Count.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(Count) == 0)
        throw EShellError{"COUNT is a number of digits from 1 to 9999"};
    TTapiCallGatherDigits* g = Call->Get_GatherDigits();
    if (g->Get_Active()) throw EShellError{"a gathering runs on that call already"};
    g->Set_NumDigits(static_cast<uint32_t>(std::stoi(Count)));
    g->Set_TerminationDigits(A.size() > 2 ? Utf8ToCp1252(A[2]) : std::string());
    g->Set_Active(true);
}

} // namespace kxphone
