// The line tests' world: a fresh simulated switch with its default
// configuration, an inactive session under a test clock, and helpers that
// pump the message loop (bounded, in real time) and move the clock on to
// the next tick of the session.
#pragma once

#include "sim_session_test.h"

#include "kxtapi/kxtapi.h"
#include "kxtapi/sim.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace kxtapi::testing {

/// Events of a line written down as short names ("Offering",
/// "CallState 0x100", "Reply 0"), in the order they were raised.
class TEventLog {
public:
    void Attach(TTapiLine& Line)
    {
        auto Call = [this](const char* Name) {
            return [this, Name](TObject*, TTapiCall*) { Add(Name); };
        };
        Line.OnCallState = [this](TObject*, TTapiCall*, uint32_t State) {
            Add("CallState " + IntToHex(State, 1));
        };
        Line.OnIdle = Call("Idle");
        Line.OnOffering = Call("Offering");
        Line.OnAccepted = Call("Accepted");
        Line.OnConnected = Call("Connected");
        Line.OnDisconnected = Call("Disconnected");
        Line.OnProceeding = Call("Proceeding");
        Line.OnHold = Call("Hold");
        Line.OnCallBegin = Call("CallBegin");
        Line.OnCallEnd = Call("CallEnd");
        Line.OnNewCall = Call("NewCall");
        Line.OnCallDeallocate = Call("CallDeallocate");
        Line.OnCallerID = Call("CallerID");
        Line.OnCalledID = Call("CalledID");
        Line.OnConnectedID = Call("ConnectedID");
        Line.OnMediaMode = Call("MediaMode");
        Line.OnSilence = Call("Silence");
        Line.OnCallPrivilege = [this](TObject*, TTapiCall*, uint32_t P) { Add("Privilege " + IntToHex(P, 1)); };
        Line.OnCallInfo = [this](TObject*, TTapiCall*, uint32_t I) { Add("CallInfo " + IntToHex(I, 1)); };
        Line.OnTapiReply = [this](TObject*, uint32_t, uint32_t Code) { Add("Reply " + IntToHex(Code, 1)); };
        Line.OnDeviceClose = [this](TObject*) { Add("DeviceClose"); };
        Line.OnDeviceRemove = [this](TObject*) { Add("DeviceRemove"); };
        Line.OnRing = [this](TObject*, uint32_t, uint32_t Count) { Add("Ring " + IntToStr(Count)); };
        Line.OnDeviceState = [this](TObject*, uint32_t S, uint32_t, uint32_t) { Add("DeviceState " + IntToHex(S, 1)); };
        Line.OnTone = [this](TObject*, TTapiCall*, uint32_t A) { Add("Tone " + IntToHex(A, 1)); };
    }
    void Add(const std::string& Name)
    {
        Names.push_back(Name);
        if (OnAdd) OnAdd(Name);
    }
    bool Has(const std::string& Name) const
    {
        for (const std::string& n : Names)
            if (n == Name) return true;
        return false;
    }
    /// Names that are in Wanted, in the order raised (the rest filtered out).
    std::vector<std::string> Only(const std::vector<std::string>& Wanted) const
    {
        std::vector<std::string> Out;
        for (const std::string& n : Names)
            for (const std::string& w : Wanted)
                if (n == w) Out.push_back(n);
        return Out;
    }
    std::vector<std::string> Names;
    std::function<void(const std::string&)> OnAdd;
};

class LineTest : public SimSessionTest {
protected:
    /// Selects the switch's line Index by name and opens it.
    void OpenLine(TTapiLine& Line, int Index = 0)
    {
        Line.Set_DeviceName(Index == 0 ? "Simulated Line 1" : "Simulated Line 2");
        Line.Set_Active(true);
        ASSERT_TRUE(Line.Get_Active());
    }

    /// Pumps until the line knows a call of the switch in State.
    TTapiCall* WaitForState(TTapiLine& Line, uint32_t State)
    {
        TTapiCall* Found = nullptr;
        PumpUntil([&] {
            for (int i = 0; i < Line.Get_Calls()->Count(); ++i) {
                TTapiCall* c = Line.Get_Calls()->Get(i);
                if (c->GetCallStatusDW(0) == State) Found = c;
            }
            return Found != nullptr;
        });
        return Found;
    }
};

} // namespace kxtapi::testing
