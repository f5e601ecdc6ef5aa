// Helpers of the telephony service tests: a test clock, a freshly reset
// simulated switch, and line and phone usages that collect their messages.
#pragma once

#include "kxtapi/rtl.h"
#include "kxtapi/sim.h"
#include "kxtapi/tapi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace kxtapi::testing {

inline constexpr DWORD OwnerMonitor = LINECALLPRIVILEGE_OWNER | LINECALLPRIVILEGE_MONITOR;

/// One lineInitializeExA usage; shut down with the object.
struct TLineApp {
    HLINEAPP App = 0;
    DWORD NumDevs = 0;
    HANDLE Event = 0;

    uint32_t Init(const char* Name = "service test")
    {
        LINEINITIALIZEEXPARAMS p{};
        p.dwTotalSize = sizeof p;
        p.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
        DWORD Version = 0x00020001;
        uint32_t r = lineInitializeExA(&App, 0, nullptr, Name, &NumDevs, &Version, &p);
        Event = p.Handles.hEvent;
        return r;
    }
    ~TLineApp()
    {
        if (App) lineShutdown(App);
    }

    /// The next message, waiting not at all; dwMessageID 0xFFFFFFFF when none.
    LINEMESSAGE Next()
    {
        LINEMESSAGE m{};
        if (lineGetMessage(App, &m, 0) != 0) m.dwMessageID = 0xFFFFFFFF;
        return m;
    }
    std::vector<LINEMESSAGE> Drain()
    {
        std::vector<LINEMESSAGE> v;
        for (LINEMESSAGE m = Next(); m.dwMessageID != 0xFFFFFFFF; m = Next()) v.push_back(m);
        return v;
    }
    /// Skips messages until one with MessageID; dwMessageID 0xFFFFFFFF when none.
    LINEMESSAGE Find(DWORD MessageID)
    {
        for (LINEMESSAGE m = Next(); m.dwMessageID != 0xFFFFFFFF; m = Next())
            if (m.dwMessageID == MessageID) return m;
        return LINEMESSAGE{0, 0xFFFFFFFF, 0, 0, 0, 0};
    }
    HLINE Open(DWORD DeviceID, DWORD Instance, DWORD Privileges = OwnerMonitor,
               DWORD MediaModes = LINEMEDIAMODE_INTERACTIVEVOICE)
    {
        HLINE h = 0;
        EXPECT_EQ(lineOpenA(App, DeviceID, &h, 0x00020001, 0, Instance, Privileges, MediaModes, nullptr), 0u);
        return h;
    }
    /// Fetches the LINE_REPLY of Request, skipping others; its result, or
    /// 0xFFFFFFFF when none is queued.
    uint32_t Reply(uint32_t Request)
    {
        for (LINEMESSAGE m = Next(); m.dwMessageID != 0xFFFFFFFF; m = Next())
            if (m.dwMessageID == LINE_REPLY && m.dwParam1 == Request) return m.dwParam2;
        return 0xFFFFFFFF;
    }
};

/// One phoneInitializeExA usage.
struct TPhoneApp {
    HPHONEAPP App = 0;
    DWORD NumDevs = 0;
    HANDLE Event = 0;

    uint32_t Init(const char* Name = "service test")
    {
        PHONEINITIALIZEEXPARAMS p{};
        p.dwTotalSize = sizeof p;
        p.dwOptions = PHONEINITIALIZEEXOPTION_USEEVENT;
        DWORD Version = 0x00020001;
        uint32_t r = phoneInitializeExA(&App, 0, nullptr, Name, &NumDevs, &Version, &p);
        Event = p.Handles.hEvent;
        return r;
    }
    ~TPhoneApp()
    {
        if (App) phoneShutdown(App);
    }
    PHONEMESSAGE Next()
    {
        PHONEMESSAGE m{};
        if (phoneGetMessage(App, &m, 0) != 0) m.dwMessageID = 0xFFFFFFFF;
        return m;
    }
    std::vector<PHONEMESSAGE> Drain()
    {
        std::vector<PHONEMESSAGE> v;
        for (PHONEMESSAGE m = Next(); m.dwMessageID != 0xFFFFFFFF; m = Next()) v.push_back(m);
        return v;
    }
};

/// A fresh switch in its default configuration under a test clock.
class ServiceTest : public ::testing::Test {
protected:
    ServiceTest() { sim::Switch().Reset(); }
    ~ServiceTest() override { sim::Switch().Reset(); }

    sim::TSimSwitch& Sim = sim::Switch();
    TTestClock Clock{1000};
};

/// Bytes of a block as a growable buffer with dwTotalSize set.
template <typename T>
struct TBlock {
    std::vector<uint8_t> Bytes;
    explicit TBlock(size_t Size = sizeof(T)) : Bytes(Size, 0) { SetTotal(static_cast<uint32_t>(Size)); }
    T* operator->() { return reinterpret_cast<T*>(Bytes.data()); }
    T* get() { return reinterpret_cast<T*>(Bytes.data()); }
    void SetTotal(uint32_t n) { std::memcpy(Bytes.data(), &n, 4); }
    void Grow(size_t n)
    {
        Bytes.assign(n, 0);
        SetTotal(static_cast<uint32_t>(n));
    }
    uint32_t Needed() const
    {
        uint32_t v;
        std::memcpy(&v, Bytes.data() + 4, 4);
        return v;
    }
    /// The string of the pair at PairOffset, cut at its zero.
    std::string Str(size_t PairOffset) const
    {
        uint32_t Size, Offset;
        std::memcpy(&Size, Bytes.data() + PairOffset, 4);
        std::memcpy(&Offset, Bytes.data() + PairOffset + 4, 4);
        if (Size == 0 || Offset + Size > Bytes.size()) return {};
        std::string s(reinterpret_cast<const char*>(Bytes.data() + Offset), Size);
        return s.substr(0, s.find('\0'));
    }
};

}  // namespace kxtapi::testing
