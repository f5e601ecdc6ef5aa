// The modem provider's tests: a scripted modem configured as the line
// "Test Modem" with short times, and a TAPI usage that waits for its
// messages (bounded, by the usage's own wait).
#pragma once

#include "scripted_modem.h"

#include "kxtapi/modem.h"
#include "kxtapi/tapi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace kxtapi::testing {

inline kxtapi::modem::TModemConfig TestModemConfig(const std::string& Port, bool Voice)
{
    kxtapi::modem::TModemConfig c;
    c.LineName = "Test Modem";
    c.Port = Port;
    c.Voice = Voice;
    c.CommandTimeout = 400;
    c.ConnectTimeout = 3000;
    c.RetryInterval = 100;
    c.RingTimeout = 500;
    c.KeepAlive = 0;
    c.EscapeGuard = 30;
    c.DtrDrop = 20;
    return c;
}

/// One lineInitializeExA usage whose messages are awaited.
class TModemApp {
public:
    ~TModemApp()
    {
        if (App) lineShutdown(App);
    }
    void Init()
    {
        LINEINITIALIZEEXPARAMS p{};
        p.dwTotalSize = sizeof p;
        p.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
        DWORD Version = 0x00020001;
        ASSERT_EQ(lineInitializeExA(&App, 0, nullptr, "modem test", &NumDevs, &Version, &p), 0u);
    }
    /// The device identifier of the line named Name, or -1.
    int32_t Find(const std::string& Name)
    {
        for (DWORD d = 0; d < NumDevs; ++d) {
            std::vector<uint8_t> b(4096);
            auto* caps = reinterpret_cast<LINEDEVCAPS*>(b.data());
            caps->dwTotalSize = static_cast<DWORD>(b.size());
            if (lineGetDevCapsA(App, d, 0x00020001, 0, caps) != 0) continue;
            if (caps->dwLineNameSize && Name == reinterpret_cast<const char*>(b.data() + caps->dwLineNameOffset))
                return static_cast<int32_t>(d);
        }
        return -1;
    }
    /// The first message not yet taken that Match accepts, waiting up to Ms
    /// for it; dwMessageID 0xFFFFFFFF when none came. Messages it skips
    /// stay for later waits, so the order of waits need not be the order of
    /// the messages.
    LINEMESSAGE Wait(const std::function<bool(const LINEMESSAGE&)>& Match, int Ms = 5000)
    {
        for (size_t i = 0; i < Log.size(); ++i)
            if (!Taken[i] && Match(Log[i])) {
                Taken[i] = true;
                return Log[i];
            }
        const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
        for (;;) {
            auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(End - std::chrono::steady_clock::now());
            if (Left.count() <= 0) return LINEMESSAGE{0, 0xFFFFFFFF, 0, 0, 0, 0};
            LINEMESSAGE m{};
            if (lineGetMessage(App, &m, static_cast<DWORD>(Left.count())) != 0) continue;
            Log.push_back(m);
            Taken.push_back(Match(m));
            if (Taken.back()) return m;
        }
    }
    LINEMESSAGE WaitFor(DWORD MessageID, int Ms = 5000)
    {
        return Wait([=](const LINEMESSAGE& m) { return m.dwMessageID == MessageID; }, Ms);
    }
    LINEMESSAGE WaitState(DWORD State, int Ms = 5000)
    {
        return Wait([=](const LINEMESSAGE& m) { return m.dwMessageID == LINE_CALLSTATE && m.dwParam1 == State; },
                    Ms);
    }
    LINEMESSAGE WaitDevState(DWORD State, int Ms = 5000)
    {
        return Wait([=](const LINEMESSAGE& m) { return m.dwMessageID == LINE_LINEDEVSTATE && m.dwParam1 == State; },
                    Ms);
    }
    /// The result of request Request's LINE_REPLY.
    uint32_t Reply(uint32_t Request, int Ms = 5000)
    {
        LINEMESSAGE m =
            Wait([=](const LINEMESSAGE& x) { return x.dwMessageID == LINE_REPLY && x.dwParam1 == Request; }, Ms);
        return m.dwMessageID == LINE_REPLY ? static_cast<uint32_t>(m.dwParam2) : 0xFFFFFFFE;
    }
    /// Takes everything fetched so far and what is queued.
    void Forget()
    {
        LINEMESSAGE m{};
        while (lineGetMessage(App, &m, 0) == 0) {
            Log.push_back(m);
            Taken.push_back(true);
        }
        Taken.assign(Log.size(), true);
    }

    HLINEAPP App = 0;
    DWORD NumDevs = 0;
    std::vector<LINEMESSAGE> Log;
    std::vector<bool> Taken;
};

/// Waits (bounded) until Done holds, looking every few milliseconds: for
/// states the service reports no message about.
inline bool Eventually(const std::function<bool()>& Done, int Ms = 5000)
{
    const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
    while (!Done()) {
        if (std::chrono::steady_clock::now() > End) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

inline DWORD DevStatusFlags(HLINE Line)
{
    std::vector<uint8_t> b(1024);
    auto* s = reinterpret_cast<LINEDEVSTATUS*>(b.data());
    s->dwTotalSize = static_cast<DWORD>(b.size());
    if (lineGetLineDevStatusA(Line, s) != 0) return 0xFFFFFFFF;
    return s->dwDevStatusFlags;
}

/// A call's LINECALLINFO with its strings.
struct TCallInfo {
    std::vector<uint8_t> Bytes = std::vector<uint8_t>(4096);
    uint32_t Get(HCALL Call)
    {
        auto* i = reinterpret_cast<LINECALLINFO*>(Bytes.data());
        i->dwTotalSize = static_cast<DWORD>(Bytes.size());
        return lineGetCallInfoA(Call, i);
    }
    const LINECALLINFO* operator->() const { return reinterpret_cast<const LINECALLINFO*>(Bytes.data()); }
    std::string Str(DWORD Size, DWORD Offset) const
    {
        if (!Size) return {};
        return std::string(reinterpret_cast<const char*>(Bytes.data() + Offset)).substr(0, Size);
    }
    std::string CallerID() const { return Str((*this)->dwCallerIDSize, (*this)->dwCallerIDOffset); }
    std::string CallerName() const { return Str((*this)->dwCallerIDNameSize, (*this)->dwCallerIDNameOffset); }
};

/// A scripted modem served as "Test Modem" while the test runs.
class ModemTest : public ::testing::Test {
protected:
    explicit ModemTest(bool Voice = true) : Modem(Voice), Voice(Voice) {}
    void SetUp() override
    {
        kxtapi::modem::SetModemDevices({Config()});
        App.Init();
        Device = App.Find("Test Modem");
        ASSERT_GE(Device, 0);
    }
    void TearDown() override { kxtapi::modem::SetModemDevices({}); }
    virtual kxtapi::modem::TModemConfig Config() { return TestModemConfig(Modem.Port(), Voice); }

    /// Opens the line as owner for Media and waits until it is in service.
    void OpenInService(DWORD Media = LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_DATAMODEM)
    {
        ASSERT_EQ(lineOpenA(App.App, static_cast<DWORD>(Device), &Line, 0x00020001, 0, 7,
                            LINECALLPRIVILEGE_OWNER | LINECALLPRIVILEGE_MONITOR, Media, nullptr),
                  0u);
        ASSERT_EQ(lineSetStatusMessages(Line, LINEDEVSTATE_RINGING | LINEDEVSTATE_INSERVICE | LINEDEVSTATE_OUTOFSERVICE, 0), 0u);
        if (!(DevStatusFlags(Line) & LINEDEVSTATUSFLAGS_INSERVICE)) {
            LINEMESSAGE m = App.WaitDevState(LINEDEVSTATE_INSERVICE);
            std::string Seen;
            for (const std::string& c : Modem.Commands()) Seen += c + " ";
            ASSERT_EQ(m.dwMessageID, LINE_LINEDEVSTATE) << Seen;
        }
        ASSERT_TRUE(DevStatusFlags(Line) & LINEDEVSTATUSFLAGS_INSERVICE);
    }

    kxtapi::test::TScriptedModem Modem;
    bool Voice;
    TModemApp App;
    int32_t Device = -1;
    HLINE Line = 0;
};

}  // namespace kxtapi::testing
