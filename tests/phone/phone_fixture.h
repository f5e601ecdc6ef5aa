// The phone tests' world: a fresh simulated switch with its default
// configuration (one phone, "Simulated Phone 1", with a keypad 0-11, five
// feature and call keys, a 2 x 20 display, three ring modes, handset and
// speaker), an inactive session under a test clock, a log of the phone's
// events and helpers for faults and refusals.
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

/// Events of a phone written down as short names ("HandsetHookSwitch",
/// "Lamp 12", "Pressed *", "Reply 0", "DeviceState 0x200"), in the order
/// they were raised.
class TPhoneLog {
public:
    void Attach(TTapiPhone& Phone)
    {
        auto Notify = [this](const char* Name) { return [this, Name](TObject*) { Add(Name); }; };
        Phone.OnDisplay = Notify("Display");
        Phone.OnRingMode = Notify("RingMode");
        Phone.OnRingVolume = Notify("RingVolume");
        Phone.OnHandsetHookSwitch = Notify("HandsetHookSwitch");
        Phone.OnHandsetVolume = Notify("HandsetVolume");
        Phone.OnHandsetGain = Notify("HandsetGain");
        Phone.OnSpeakerphoneHookSwitch = Notify("SpeakerphoneHookSwitch");
        Phone.OnSpeakerphoneVolume = Notify("SpeakerphoneVolume");
        Phone.OnSpeakerphoneGain = Notify("SpeakerphoneGain");
        Phone.OnHeadsetHookSwitch = Notify("HeadsetHookSwitch");
        Phone.OnHeadsetVolume = Notify("HeadsetVolume");
        Phone.OnHeadsetGain = Notify("HeadsetGain");
        Phone.OnDeviceClose = Notify("DeviceClose");
        Phone.OnDeviceRemove = Notify("DeviceRemove");
        Phone.OnLamp = [this](TTapiPhone*, uint32_t ID) { Add("Lamp " + IntToStr(ID)); };
        Phone.OnButton = [this](TTapiPhone*, uint32_t ID) { Add("Button " + IntToStr(ID)); };
        Phone.OnDigitPressed = [this](TTapiPhone*, char D) { Add(std::string("Pressed ") + D); };
        Phone.OnDigitReleased = [this](TTapiPhone*, char D) { Add(std::string("Released ") + D); };
        Phone.OnDeviceState = [this](TObject*, uint32_t S, uint32_t, uint32_t) {
            Add("DeviceState " + IntToHex(S, 1));
        };
        Phone.OnTapiReply = [this](TObject*, uint32_t, uint32_t Code) { Add("Reply " + IntToHex(Code, 1)); };
        Phone.OnTapiTimeout = [this](TObject*, uint32_t) { Add("Timeout"); };
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
    void Clear() { Names.clear(); }

    std::vector<std::string> Names;
    std::function<void(const std::string&)> OnAdd;
};

class PhoneTest : public SimSessionTest {
protected:
    /// Selects the switch's phone and opens it, as owner unless Monitor.
    void OpenPhone(TTapiPhone& Phone, bool Monitor = false)
    {
        Phone.Get_Privileges()->Set_Owner(!Monitor);
        Phone.Set_DeviceName("Simulated Phone 1");
        Phone.Set_Active(true);
        ASSERT_TRUE(Phone.Get_Active());
    }

    /// Injects a fault of Kind for Function, for every use until cleared.
    void Fault(sim::TSimFaultKind Kind, const std::string& Function, uint32_t Error = LINEERR_OPERATIONFAILED)
    {
        sim::TSimFault F;
        F.Kind = Kind;
        F.Function = Function;
        F.Error = Error;
        F.Count = 0;
        Sim.InjectFault(F);
    }

    /// The texts the switch logged for Function, in order.
    std::vector<std::string> Logged(const std::string& Function) const
    {
        std::vector<std::string> Out;
        for (const sim::TSimLogEntry& e : Sim.Log())
            if (e.Function == Function) Out.push_back(e.Text);
        return Out;
    }

    /// The ETapiError code F raises (0 when it raises nothing of that kind).
    template <class F>
    static uint32_t TapiError(F&& Fn)
    {
        try {
            Fn();
        } catch (const ETapiError& E) {
            return E.ErrorCode;
        }
        return 0;
    }

    /// The message of the plain Exception F raises ("ETapiError" for a
    /// service error, "" when nothing is raised).
    template <class F>
    static std::string Refusal(F&& Fn)
    {
        try {
            Fn();
        } catch (const ETapiError&) {
            return "ETapiError";
        } catch (const Exception& E) {
            return E.Message();
        }
        return "";
    }
};

/// Runs a suite in SyncMode and in asynchronous mode.
class PhoneModeTest : public PhoneTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        Phone.Get_Options()->Set_SyncMode(GetParam());
        Log.Attach(Phone);
        OpenPhone(Phone);
        Sim.ClearLog();
    }
    bool Sync() const { return GetParam(); }
    /// Pumps until the phone has no request left (the replies handled).
    bool Settled() { return PumpUntil([&] { return Phone.Get_Requests()->Count() == 0; }); }

    TTapiPhone Phone{nullptr};
    TPhoneLog Log;
};

inline std::string ModeName(const ::testing::TestParamInfo<bool>& Info)
{
    return Info.param ? "Sync" : "Async";
}

} // namespace kxtapi::testing
