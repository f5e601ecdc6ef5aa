// Message-loop costs against a bare std::mutex + std::condition_variable
// hand-off doing the same work:
//   * post-and-dispatch: queue a batch of messages, then handle them all;
//   * cross-thread SendMessage: one round trip from a worker to the thread
//     that pumps and back.
#include <kxtapi/rtl.h>

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

using namespace kxtapi;

namespace {

constexpr int Batch = 1000;

// ---- post and dispatch on one thread ---------------------------------------

void BM_PostDispatch_Loop(benchmark::State& State)
{
    Application()->SetMainThread();
    int64_t Sum = 0;
    HWND Wnd = AllocateHWnd([&](TMessage& M) { Sum += M.LParam; });
    for (auto _ : State) {
        for (int i = 0; i < Batch; ++i) PostMessage(Wnd, WM_USER, 0, i);
        Application()->ProcessMessages();
    }
    benchmark::DoNotOptimize(Sum);
    DeallocateHWnd(Wnd);
    State.SetItemsProcessed(State.iterations() * Batch);
}
BENCHMARK(BM_PostDispatch_Loop);

// The hand-off a minimal loop would do: a locked deque of messages, a
// condition variable, and a handler called through std::function.
struct TBareQueue {
    struct TItem {
        uint32_t Msg;
        uintptr_t WParam;
        intptr_t LParam;
    };
    std::mutex Lock;
    std::condition_variable Cv;
    std::deque<TItem> Items;
    std::function<void(TMessage&)> Handler;

    void Post(uint32_t Msg, uintptr_t W, intptr_t L)
    {
        {
            std::lock_guard<std::mutex> Guard(Lock);
            Items.push_back({Msg, W, L});
        }
        Cv.notify_one();
    }
    void Drain()
    {
        for (;;) {
            TItem I;
            {
                std::lock_guard<std::mutex> Guard(Lock);
                if (Items.empty()) return;
                I = Items.front();
                Items.pop_front();
            }
            TMessage M{I.Msg, I.WParam, I.LParam, 0};
            Handler(M);
        }
    }
};

void BM_PostDispatch_Baseline(benchmark::State& State)
{
    TBareQueue Q;
    int64_t Sum = 0;
    Q.Handler = [&](TMessage& M) { Sum += M.LParam; };
    for (auto _ : State) {
        for (int i = 0; i < Batch; ++i) Q.Post(WM_USER, 0, i);
        Q.Drain();
    }
    benchmark::DoNotOptimize(Sum);
    State.SetItemsProcessed(State.iterations() * Batch);
}
BENCHMARK(BM_PostDispatch_Baseline);

// ---- cross-thread send round trip -----------------------------------------

void BM_SendRoundTrip_Loop(benchmark::State& State)
{
    HWND Wnd = 0;
    TOwnedHandle Ready(CreateEvent(true, false));
    std::thread Pump([&] {
        Application()->SetMainThread();
        Wnd = AllocateHWnd([](TMessage& M) { M.Result = M.LParam + 1; });
        SetEvent(Ready.Get());
        Application()->Run();
        DeallocateHWnd(Wnd);
    });
    WaitForSingleObject(Ready.Get(), INFINITE);
    LPARAM v = 0;
    for (auto _ : State) v = SendMessage(Wnd, WM_USER, 0, v);
    benchmark::DoNotOptimize(v);
    Application()->Terminate();
    Pump.join();
    State.SetItemsProcessed(State.iterations());
}
BENCHMARK(BM_SendRoundTrip_Loop)->UseRealTime();

// A request slot and a reply slot, each a mutex + condition variable.
void BM_SendRoundTrip_Baseline(benchmark::State& State)
{
    std::mutex Lock;
    std::condition_variable RequestCv, ReplyCv;
    bool HasRequest = false, HasReply = false, Stop = false;
    intptr_t Request = 0, Reply = 0;
    std::function<void(TMessage&)> Handler = [](TMessage& M) { M.Result = M.LParam + 1; };
    std::thread Server([&] {
        std::unique_lock<std::mutex> Guard(Lock);
        for (;;) {
            RequestCv.wait(Guard, [&] { return HasRequest || Stop; });
            if (Stop) return;
            HasRequest = false;
            TMessage M{WM_USER, 0, Request, 0};
            Guard.unlock();
            Handler(M);
            Guard.lock();
            Reply = M.Result;
            HasReply = true;
            Guard.unlock();
            ReplyCv.notify_one();
            Guard.lock();
        }
    });
    intptr_t v = 0;
    for (auto _ : State) {
        std::unique_lock<std::mutex> Guard(Lock);
        Request = v;
        HasRequest = true;
        Guard.unlock();
        RequestCv.notify_one();
        Guard.lock();
        ReplyCv.wait(Guard, [&] { return HasReply; });
        HasReply = false;
        v = Reply;
    }
    {
        std::lock_guard<std::mutex> Guard(Lock);
        Stop = true;
    }
    RequestCv.notify_one();
    Server.join();
    benchmark::DoNotOptimize(v);
    State.SetItemsProcessed(State.iterations());
}
BENCHMARK(BM_SendRoundTrip_Baseline)->UseRealTime();

} // namespace
