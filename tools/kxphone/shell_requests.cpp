// The shell's assisted telephony: receiving the calls other programs ask
// for, and asking for one as another program would.

#include "shell.h"

#include <kxtapi/kxtapiutils.h>
#include <kxtapi/tapi.h>

namespace kxphone {

using namespace kxtapi;

namespace {

/// Why the service refused a make-call request, for people.
std::string RequestRefusal(uint32_t Result)
{
    switch (Result) {
    case TAPIERR_NOREQUESTRECIPIENT:
        return "no program is registered to place calls for others (\"assist on\" registers this one)";
    case TAPIERR_INVALDESTADDRESS:
        return "the number must have 1 to " + std::to_string(TAPIMAXDESTADDRESSSIZE - 1) + " characters";
    case TAPIERR_REQUESTQUEUEFULL:
        return "the registered program has too many requests waiting";
    default:
        if (!RequestDirectoryProblem().empty()) return "refusing the request directory: " + Utf8(RequestDirectoryProblem());
        return "the request failed (TAPI result " + IntToHex(Result, 8) + ")";
    }
}

} // namespace

void TShell::CmdAssist(const std::vector<std::string>& A)
{
    if (A[0] == "off" && A.size() == 1) {
        if (!FRecipient) throw EShellError{"call requests are not being received"};
        FRecipient->Set_Enabled(false);
        FRecipient.reset();
        Say("no longer receiving call requests");
        return;
    }
    if (A[0] != "on" || (A.size() == 2 && A[1] != "dial")) throw EShellError{"usage: assist on [dial] | assist off"};
    if (!FRecipient) {
        auto Recipient = std::make_unique<TTapiRequestRecipient>(nullptr);
        Recipient->OnRequestMakeCall = [this](TObject*, const std::string& Dest, const std::string& App,
                                              const std::string& Called, const std::string& Comment) {
            Requested(Dest, App, Called, Comment);
        };
        Recipient->Set_Enabled(true);   // raises ETapiError when refused; nothing is kept then
        FRecipient = std::move(Recipient);
    }
    FDialRequests = A.size() == 2;
    Say(FDialRequests ? "receiving call requests; each is dialled from the current line" : "receiving call requests");
}

void TShell::CmdRequest(const std::vector<std::string>& A)
{
    auto Field = [&](size_t i) { return i < A.size() ? Utf8ToCp1252(A[i]) : std::string(); };
    const uint32_t Result = tapiRequestMakeCallA(Field(0).c_str(), Field(1).c_str(), Field(2).c_str(), Field(3).c_str());
    if (Result != 0) throw EShellError{RequestRefusal(Result)};
    Say("asked for a call to " + A[0]);
}

void TShell::Requested(const std::string& Dest, const std::string& App, const std::string& Called,
                       const std::string& Comment)
{
    TEventRecord R{"requests", 0, "REQUEST",
                   {TextField("number", Dest), TextField("app", App), TextField("called", Called),
                    TextField("comment", Comment)}};
    FOutput.Write(R);
    Remember(R);
    if (!FDialRequests) return;
    // Raised from the message loop: a refusal is reported, not thrown back
    // into the library's dispatch.
    try {
        TTapiCall* Call = Current().MakeCall(Dest);
        if (Call != nullptr) Say("call #" + std::to_string(Number(Call)) + " to " + Utf8(Dest) + " as requested");
    } catch (const EShellError& E) {
        Say("not dialled: " + E.Message);
    } catch (const ETapiError& E) {
        Say("not dialled: " + Utf8(E.Message()) + " (" + LineErrToStr(E.ErrorCode) + ")");
    } catch (const Exception& E) {
        Say("not dialled: " + Utf8(E.Message()));
    }
}

} // namespace kxphone
