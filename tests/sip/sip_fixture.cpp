#include "sip_fixture.h"

#include <cstring>
#include <sstream>

namespace kxtapi::testing {

void TSipEventLog::Attach(TTapiLine& Line)
{
    auto Call = [this](const char* Name) { return [this, Name](TObject*, TTapiCall*) { Add(Name); }; };
    Line.OnCallState = [this](TObject*, TTapiCall*, uint32_t State) { Add("CallState " + IntToHex(State, 1)); };
    Line.OnIdle = Call("Idle");
    Line.OnOffering = Call("Offering");
    Line.OnAccepted = Call("Accepted");
    Line.OnConnected = Call("Connected");
    Line.OnDisconnected = Call("Disconnected");
    Line.OnProceeding = Call("Proceeding");
    Line.OnRingback = Call("RingBack");
    Line.OnDialing = Call("Dialing");
    Line.OnBusy = Call("Busy");
    Line.OnHold = Call("Hold");
    Line.OnCallBegin = Call("CallBegin");
    Line.OnCallEnd = Call("CallEnd");
    Line.OnNewCall = Call("NewCall");
    Line.OnCallDeallocate = Call("CallDeallocate");
    Line.OnCallerID = Call("CallerID");
    Line.OnConnectedID = Call("ConnectedID");
    Line.OnTapiReply = [this](TObject*, uint32_t, uint32_t Code) { Add("Reply " + IntToHex(Code, 1)); };
    Line.OnDeviceState = [this](TObject*, uint32_t S, uint32_t, uint32_t) { Add("DeviceState " + IntToHex(S, 1)); };
}

bool TSipEventLog::Has(const std::string& Name) const
{
    for (const std::string& n : Names)
        if (n == Name) return true;
    return false;
}

std::vector<std::string> TSipEventLog::Only(const std::vector<std::string>& Wanted) const
{
    std::vector<std::string> Out;
    for (const std::string& n : Names)
        for (const std::string& w : Wanted)
            if (n == w) Out.push_back(n);
    return Out;
}

SipTest::SipTest()
{
    Application()->SetMainThread();
    ResetSession();
}

SipTest::~SipTest()
{
    ResetSession();
    UseDefaultTelephonyConfig();
}

void SipTest::ResetSession()
{
    ResetTapiSession();
}

void SipTest::Configure(std::vector<TSipLineSpec>& Lines, bool SimulatedSwitch)
{
    // Ports are found free before the library binds them, so a test running
    // beside this one may take one in between: try again with fresh ports.
    for (int Attempt = 1;; ++Attempt) {
        std::ostringstream j;
        j << "{\"simulated_switch\": " << (SimulatedSwitch ? "true" : "false") << ", \"sip\": {\"accounts\": [";
        for (size_t i = 0; i < Lines.size(); ++i) {
            TSipLineSpec& l = Lines[i];
            l.Port = FreePort();
            uint16_t Rtp = FreePortRange(64);
            j << (i ? ", " : "") << "{\"line_name\": \"" << l.Name << "\", \"user\": \"" << l.User
              << "\", \"domain\": \"127.0.0.1\", \"listen\": \"127.0.0.1:" << l.Port << "\", \"rtp_ports\": \""
              << Rtp << "-" << Rtp + 63 << "\", \"display_name\": \"" << l.Name << "\"";
            if (!l.Registrar.empty()) j << ", \"registrar\": \"" << l.Registrar << "\"";
            if (!l.Password.empty()) j << ", \"password\": \"" << l.Password << "\"";
            if (!l.Extra.empty()) j << ", " << l.Extra;
            j << "}";
        }
        j << "]}}";
        SetTelephonyConfigText(j.str());
        try {
            TapiApplication->Set_Active(true);
            return;
        } catch (const std::exception& e) {
            if (Attempt == 5 || !std::strstr(e.what(), "Address already in use")) throw;
            ResetSession();
        }
    }
}

void SipTest::Open(TTapiLine& Line, const std::string& Name)
{
    Line.Get_Options()->Set_AutoDropDiscCalls(100);
    Line.Get_Options()->Set_AutoFreeIdleCalls(100);
    Line.Set_DeviceName(Name);
    Line.Set_Active(true);
    ASSERT_TRUE(Line.Get_Active()) << Name;
}

bool SipTest::InService(TTapiLine& Line, std::string* Text)
{
    std::vector<uint8_t> Buf(4096);
    auto* s = reinterpret_cast<LINEDEVSTATUS*>(Buf.data());
    s->dwTotalSize = static_cast<DWORD>(Buf.size());
    if (lineGetLineDevStatusA(Line.Get_DeviceHandle(), s) != 0) return false;
    if (Text) {
        Text->clear();
        if (s->dwDevSpecificSize && s->dwDevSpecificOffset + s->dwDevSpecificSize <= Buf.size())
            *Text = std::string(reinterpret_cast<const char*>(Buf.data() + s->dwDevSpecificOffset),
                                std::strlen(reinterpret_cast<const char*>(Buf.data() + s->dwDevSpecificOffset)));
    }
    return (s->dwDevStatusFlags & LINEDEVSTATUSFLAGS_INSERVICE) != 0;
}

bool SipTest::WaitInService(TTapiLine& Line, bool Wanted, int Ms)
{
    return PumpUntil([&] { return InService(Line) == Wanted; }, Ms);
}

TTapiCall* SipTest::CallIn(TTapiLine& Line, uint32_t State)
{
    for (int i = 0; i < Line.Get_Calls()->Count(); ++i) {
        TTapiCall* c = Line.Get_Calls()->Get(i);
        if (State == 0 || c->GetCallStatusDW(0) == State) return c;
    }
    return nullptr;
}

TTapiCall* SipTest::WaitCall(TTapiLine& Line, uint32_t State, int Ms)
{
    TTapiCall* Found = nullptr;
    PumpUntil([&] { return (Found = CallIn(Line, State)) != nullptr; }, Ms);
    return Found;
}

}  // namespace kxtapi::testing
