// Helpers of the session tests: a small line-or-phone device on the device
// base, a fixture with a test clock and a fresh simulated switch, and a pump
// that waits (bounded, in real time) for what the event thread delivers.
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

struct TSeenMessage {
    uint32_t hDevice, MessageID, Param1, Param2, Param3;
};

/// The smallest device the base allows: it selects by the session's name
/// list, opens and closes through TAPI, routes replies, closes and removals
/// to the base, and records what it sees.
class TTestDevice : public TTapiDevice {
public:
    explicit TTestDevice(TComponent* AOwner = nullptr, TTapiComponentKind Kind = tckLine)
        : TTapiDevice(AOwner, Kind)
    {
        if (Kind == tckPhone) TSP.reset(new TTapiPhoneTSP(this));
        else TSP.reset(new TTapiLineTSP(this));
    }
    ~TTestDevice() override
    {
        DetachFromSession();
        if (DeviceHandle != 0) IsLine() ? lineClose(DeviceHandle) : phoneClose(DeviceHandle);
    }
    std::string ClassName() const override { return "TTestDevice"; }

    bool IsLine() const { return Get_TapiKind() != tckPhone; }

    uint32_t Init(int32_t ID) override
    {
        if (IsActive()) throw Exception("TTestDevice.Init failed! Device already active.");
        if (ID >= 0 && !IsEnabled()) EnableTapiComponent();
        if (ID == DeviceID && IsEnabled()) return 0;
        if (ID != DeviceID && Available) Done();
        // The list is asked for only when selecting: asking enables.
        TStrings* List = ID >= 0 ? Get_DeviceList() : nullptr;
        if (List != nullptr && ID < List->Count()) {
            DeviceID = ID;
            DeviceName = List->Strings(ID);
            const uint32_t r = TSP->Init(ID);
            Available = r == 0;
            if (r != 0) TSP->Done();
            ++Selections;
            return r;
        }
        if (ID != -1) return LINEERR_BADDEVICEID;
        DeviceID = -1;
        if (Available) Done();
        return 0;
    }

    void Open() override
    {
        if (!Available) throw ETapiError(LINEERR_NODEVICE);
        if (IsActive()) return;
        HLINE h = 0;
        const uint32_t App = IsLine() ? TapiApplication->LineAppHandle : TapiApplication->PhoneAppHandle;
        const uint32_t r =
            IsLine() ? lineOpenA(App, DeviceID, &h, TSP->APIVersion, TSP->Get_ExtVersion(), Get_CallbackInstance(),
                                 LINECALLPRIVILEGE_OWNER | LINECALLPRIVILEGE_MONITOR,
                                 LINEMEDIAMODE_INTERACTIVEVOICE, nullptr)
                     : phoneOpen(App, DeviceID, &h, TSP->APIVersion, TSP->Get_ExtVersion(), Get_CallbackInstance(),
                                 PHONEPRIVILEGE_OWNER);
        DeviceHandle = r == 0 ? h : 0;
        if (r == 0) {
            if (IsLine()) lineSetStatusMessages(h, 0x01FFFFFF, 0x1FF);
            else phoneSetStatusMessages(h, 0x008FFFFF, 0x2F, 0xF);
            ResetEvent(CloseEvent);
        }
        FActive = r == 0;
        CheckTapiResult(r);
    }

    void Close() override
    {
        if (!IsActive()) {
            FActive = false;
            return;
        }
        SetEvent(CloseEvent);
        {
            TListLock L(Requests, INFINITE);
            Requests.Clear();
        }
        {
            TListLock L(Terms, INFINITE);
            Terms.Clear();
        }
        const uint32_t h = DeviceHandle;
        DeviceHandle = 0;
        FActive = false;
        ++Closes;
        CheckTapiResult(IsLine() ? lineClose(h) : phoneClose(h));
    }

    TStrings* Get_DeviceList() override
    {
        EnableTapiComponent();
        return IsLine() ? &TapiApplication->LineDevices : &TapiApplication->PhoneDevices;
    }
    uint32_t Get_ReplyTimeout() const override { return Options.ReplyTimeout; }
    bool Get_SyncMode() const override { return Options.SyncMode; }
    uint32_t ConfigDialog(HWND) override { return 0; }

    void Handle_TapiMessage(uint32_t hDevice, uint32_t MessageID, uint32_t P1, uint32_t P2, uint32_t P3) override
    {
        TTapiDevice::Handle_TapiMessage(hDevice, MessageID, P1, P2, P3);
        Seen.push_back({hDevice, MessageID, P1, P2, P3});
        switch (MessageID) {
        case LINE_REPLY:
        case PHONE_REPLY: Handle_TapiReply(P1, P2); break;
        case LINE_CLOSE:
        case PHONE_CLOSE: Handle_DeviceClose(); break;
        case LINE_REMOVE:
        case PHONE_REMOVE: Handle_DeviceRemove(P1); break;
        case LINE_CREATE:
        case PHONE_CREATE: Handle_DeviceCreate(P1); break;
        default: break;
        }
        Trigger_TapiMessage(MessageID, P1, P2, P3);
    }
    void Handle_Reply(uint32_t RequestID, uint32_t ReplyCode, TTapiRequest* Request) override
    {
        Replies.push_back({RequestID, ReplyCode, Request->Kind});
        if (OnReplyHook) OnReplyHook(Request);
    }
    void Handle_Timeout(uint32_t RequestID, TTapiRequest* Request) override
    {
        TimedOut.push_back(RequestID);
        if (OnTimeoutHook) OnTimeoutHook(Request);
    }
    void TermReached(uint32_t RequestID, TTapiRequest* Request) override
    {
        Terms_Reached.push_back(RequestID);
        if (OnTermHook) OnTermHook(Request);
    }
    void Handle_InternalTimer(uint32_t Tick) override
    {
        Ticks.push_back(Tick);
        TTapiDevice::Handle_InternalTimer(Tick);
    }

    /// phoneSetRing through the asynchronous pattern (a phone device).
    uint32_t SetRing(uint32_t Mode, uint32_t Volume, uint32_t Kind = 0x1000C)
    {
        const uint32_t r = CheckTapiResult(phoneSetRing(DeviceHandle, Mode, Volume));
        TTapiRequest* q = Requests.AddRequest(static_cast<int32_t>(r), Options.ReplyTimeout);
        q->Kind = Kind;
        q->Objects[0] = this;
        return CheckAsyncTapiResult(r);
    }

    void SetAvailableForTest(bool V) { Available = V; }
    void SetHandleForTest(uint32_t H) { DeviceHandle = H; }
    bool Wish() const { return FActive; }

    struct TReply {
        uint32_t ID, Code, Kind;
    };
    TTapiDeviceOptions Options;
    std::vector<TSeenMessage> Seen;
    std::vector<TReply> Replies;
    std::vector<uint32_t> TimedOut, Terms_Reached, Ticks;
    int Selections = 0;
    int Closes = 0;
    std::function<void(TTapiRequest*)> OnReplyHook, OnTimeoutHook, OnTermHook;
};

/// True when a reply to RequestID sits in the session's undispatched queue.
inline bool ReplyQueued(uint32_t RequestID)
{
    uint32_t Code = 0;
    return TTapiApplication::FindReply(TapiApplication->MessageStack, RequestID, INFINITE, Code) == 0;
}

/// Waits (real time, without dispatching) until a reply to RequestID sits
/// in the session's queue.
inline bool WaitUntilQueued(uint32_t RequestID, int Ms = 5000)
{
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
    while (!ReplyQueued(RequestID)) {
        if (std::chrono::steady_clock::now() > Deadline) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

/// A fresh switch and an inactive session with default settings, under a
/// test clock; the session is stopped again afterwards.
class SessionTest : public SimSessionTest {
protected:
    explicit SessionTest(uint32_t StartTick = 1000) : SimSessionTest(StartTick) {}
};

} // namespace kxtapi::testing
