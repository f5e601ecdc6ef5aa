// Helpers of the port component's tests: pumping the message loop until
// something has happened, a record of fired events, and a linked window.
#pragma once

#include "message_pump.h"
#include "kxtapi/kxtapicomm.h"
#include "kxtapi/rtl/messages.h"
#include "kxtapi/rtl/system.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <poll.h>

namespace kxtapi::test {

/// Records the events of a port as short words ("open", "cts", "ev:18" ...).
struct TEventLog {
    std::vector<std::string> Items;

    void Attach(TCustomComPort& P)
    {
        P.OnPortOpen = [this](TObject*) { Items.push_back("open"); };
        P.OnPortClose = [this](TObject*) { Items.push_back("close"); };
        P.OnCTS = [this](TObject*) { Items.push_back("cts"); };
        P.OnDSR = [this](TObject*) { Items.push_back("dsr"); };
        P.OnRING = [this](TObject*) { Items.push_back("ring"); };
        P.OnDCD = [this](TObject*) { Items.push_back("dcd"); };
        P.OnBREAK = [this](TObject*) { Items.push_back("break"); };
        P.OnCommError = [this](TObject*, uint32_t E) { Items.push_back("err:" + Hex(E)); };
        P.OnCommEvent = [this](TObject*, uint32_t E) { Items.push_back("ev:" + Hex(E)); };
        P.OnTxEmpty = [this](TObject*) { Items.push_back("txempty"); };
        P.OnRxFlag = [this](TObject*) { Items.push_back("rxflag"); };
    }
    bool Has(const std::string& S) const
    {
        for (const auto& i : Items)
            if (i == S) return true;
        return false;
    }
    static std::string Hex(uint32_t V)
    {
        char b[16];
        std::snprintf(b, sizeof b, "%x", V);
        return b;
    }
};

/// A hidden window that records the event words posted to it.
struct TLinkedWindow {
    TLinkedWindow()
    {
        Wnd = AllocateHWnd([this](TMessage& M) {
            if (M.Msg == WM_COMMEVENT) Words.push_back(static_cast<uint32_t>(M.LParam));
        });
    }
    ~TLinkedWindow() { DeallocateHWnd(Wnd); }
    HWND Wnd;
    std::vector<uint32_t> Words;
};

/// Counts beeps while it lives.
struct TBeepCounter {
    TBeepCounter()
    {
        Previous = SetBeepHook([this](uint32_t, uint32_t) { ++Count; });
    }
    ~TBeepCounter() { SetBeepHook(Previous); }
    std::atomic<int> Count{0};
    TBeepHook Previous;
};

} // namespace kxtapi::test
