// Costs of the telephony session, each against a baseline in the same run:
//   * message throughput: messages from the simulated switch through the
//     event thread and the session's queue to a device on the main thread,
//     against the runtime layer's bare PostMessage hand-off from a worker
//     thread to a window;
//   * a synchronous request whose reply is immediate, against the same
//     request in asynchronous mode with its reply taken from the message
//     loop, and against the 1 ms sleep the wait's first step takes.
#include <kxtapi/kxtapi.h>
#include <kxtapi/sim.h>

#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

using namespace kxtapi;

namespace {

constexpr int Batch = 64;

// A phone that counts its buttons and answers its replies, nothing else.
class TBenchPhone : public TTapiDevice {
public:
    TBenchPhone() : TTapiDevice(nullptr, tckPhone) { TSP.reset(new TTapiPhoneTSP(this)); }
    ~TBenchPhone() override
    {
        DetachFromSession();
        if (DeviceHandle != 0) phoneClose(DeviceHandle);
    }
    uint32_t Init(int32_t ID) override
    {
        TTapiDevice::Init(ID);
        if (ID < 0) return 0;
        DeviceID = ID;
        Available = TSP->Init(ID) == 0;
        return Available ? 0 : LINEERR_NODEVICE;
    }
    void Open() override
    {
        HPHONE h = 0;
        CheckTapiResult(phoneOpen(TapiApplication->PhoneAppHandle, DeviceID, &h, TSP->APIVersion, 0,
                                  Get_CallbackInstance(), PHONEPRIVILEGE_OWNER));
        phoneSetStatusMessages(h, 0, 0x2F, 0xF);
        DeviceHandle = h;
        ResetEvent(CloseEvent);
        FActive = true;
    }
    void Close() override
    {
        if (DeviceHandle == 0) return;
        SetEvent(CloseEvent);
        phoneClose(DeviceHandle);
        DeviceHandle = 0;
        FActive = false;
    }
    TStrings* Get_DeviceList() override { return &TapiApplication->PhoneDevices; }
    uint32_t Get_ReplyTimeout() const override { return 60000; }
    bool Get_SyncMode() const override { return Sync; }
    uint32_t ConfigDialog(HWND) override { return 0; }
    void Handle_TapiMessage(uint32_t, uint32_t MessageID, uint32_t P1, uint32_t P2, uint32_t) override
    {
        if (MessageID == PHONE_BUTTON) ++Buttons;
        else if (MessageID == PHONE_REPLY) {
            Handle_TapiReply(P1, P2);
            ++Replies;
        }
    }
    uint32_t SetRing(uint32_t Mode)
    {
        const uint32_t r = CheckTapiResult(phoneSetRing(DeviceHandle, Mode, 0x8000));
        Requests.AddRequest(static_cast<int32_t>(r), 60000);
        return CheckAsyncTapiResult(r);
    }
    int64_t Buttons = 0;
    int64_t Replies = 0;
    bool Sync = true;
};

struct TSession {
    TSession()
    {
        Application()->SetMainThread();
        sim::Switch().Reset();
        Phone.Set_DeviceID(0);
        Phone.Set_Active(true);
    }
    ~TSession()
    {
        Phone.Set_Active(false);
        TapiApplication->Set_Active(false);
    }
    TBenchPhone Phone;
};

void BM_Dispatch_ServiceToDevice(benchmark::State& State)
{
    TSession S;
    for (auto _ : State) {
        const int64_t Target = S.Phone.Buttons + Batch;
        for (int i = 0; i < Batch / 2; ++i) {
            sim::Switch().PressButton(0, i % 12);
            sim::Switch().ReleaseButton(0, i % 12);
        }
        while (S.Phone.Buttons < Target) Application()->HandleMessage(1000);
    }
    State.SetItemsProcessed(State.iterations() * Batch);
}
BENCHMARK(BM_Dispatch_ServiceToDevice)->UseRealTime();

void BM_Dispatch_Baseline(benchmark::State& State)
{
    Application()->SetMainThread();
    int64_t Seen = 0;
    HWND Wnd = AllocateHWnd([&](TMessage&) { ++Seen; });
    // One worker for the whole run, woken per batch, as the event thread is.
    const THandle Go = CreateEvent(false, false);
    std::atomic<bool> Stop{false};
    std::thread Worker([&] {
        while (WaitForSingleObject(Go, INFINITE) == WAIT_OBJECT_0 && !Stop)
            for (int i = 0; i < Batch; ++i) PostMessage(Wnd, WM_USER, 0, i);
    });
    for (auto _ : State) {
        const int64_t Target = Seen + Batch;
        SetEvent(Go);
        while (Seen < Target) Application()->HandleMessage(1000);
    }
    Stop = true;
    SetEvent(Go);
    Worker.join();
    CloseHandle(Go);
    DeallocateHWnd(Wnd);
    State.SetItemsProcessed(State.iterations() * Batch);
}
BENCHMARK(BM_Dispatch_Baseline)->UseRealTime();

void BM_Request_Sync(benchmark::State& State)
{
    TSession S;
    uint32_t Mode = 0;
    for (auto _ : State) benchmark::DoNotOptimize(S.Phone.SetRing(Mode++ % 3 + 1));
}
BENCHMARK(BM_Request_Sync)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The same request in asynchronous mode: the call returns at once, and the
// reply arrives through the message loop as it does for OnTapiReply.
void BM_Request_Baseline(benchmark::State& State)
{
    TSession S;
    S.Phone.Sync = false;
    uint32_t Mode = 0;
    for (auto _ : State) {
        const int64_t Target = S.Phone.Replies + 1;
        S.Phone.SetRing(Mode++ % 3 + 1);
        while (S.Phone.Replies < Target) Application()->HandleMessage(1000);
    }
}
BENCHMARK(BM_Request_Baseline)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_Request_BaselineOneMsSleep(benchmark::State& State)
{
    for (auto _ : State) Sleep(1);
}
BENCHMARK(BM_Request_BaselineOneMsSleep)->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace

namespace {

// What producing the messages costs on its own: the same presses with the
// phone open, fetched straight from the service on this thread.
void BM_Dispatch_BaselineServiceAlone(benchmark::State& State)
{
    Application()->SetMainThread();
    sim::Switch().Reset();
    PHONEINITIALIZEEXPARAMS p{};
    p.dwTotalSize = sizeof p;
    p.dwOptions = PHONEINITIALIZEEXOPTION_USEEVENT;
    HPHONEAPP App = 0;
    DWORD Devs = 0, Version = 0x00020001;
    phoneInitializeExA(&App, 0, nullptr, "bench", &Devs, &Version, &p);
    HPHONE h = 0;
    phoneOpen(App, 0, &h, 0x00020001, 0, 1, PHONEPRIVILEGE_OWNER);
    phoneSetStatusMessages(h, 0, 0x2F, 0xF);
    PHONEMESSAGE m{};
    while (phoneGetMessage(App, &m, 0) == 0) {
    }
    for (auto _ : State) {
        for (int i = 0; i < Batch / 2; ++i) {
            sim::Switch().PressButton(0, i % 12);
            sim::Switch().ReleaseButton(0, i % 12);
        }
        for (int i = 0; i < Batch; ++i) phoneGetMessage(App, &m, 0);
    }
    phoneShutdown(App);
    State.SetItemsProcessed(State.iterations() * Batch);
}
BENCHMARK(BM_Dispatch_BaselineServiceAlone)->UseRealTime();

} // namespace
