// Driving the library's message loop from a plain poll() loop, the way an
// application with an event loop of its own (Qt, GLib, libuv, Asio) does it.
//
// A worker thread posts progress messages and finally sends a synchronous
// "done" to a hidden window; a TTimer ticks meanwhile. The poll() loop sleeps
// until the library's descriptor is readable, then lets the library handle
// what waits.
//
//   example_poll_loop             runs for a few seconds, printing
//   example_poll_loop --selftest  runs quickly and checks what happened
#include <kxtapi/rtl.h>

#include <poll.h>

#include <cstdio>
#include <cstring>

using namespace kxtapi;

namespace {

constexpr uint32_t WM_PROGRESS = WM_USER + 1;
constexpr uint32_t WM_DONE = WM_USER + 2;

class TWorker : public TThread {
public:
    TWorker(HWND Target, int Steps, uint32_t Pause) : FTarget(Target), FSteps(Steps), FPause(Pause) {}
    ~TWorker() override { TerminateAndWait(); }

protected:
    void Execute() override
    {
        for (int i = 1; i <= FSteps && !Terminated(); ++i) {
            PostMessage(FTarget, WM_PROGRESS, 0, i);
            Sleep(FPause);
        }
        // Blocks until the main thread has handled it.
        LRESULT Answer = SendMessage(FTarget, WM_DONE, 0, FSteps);
        SetReturnValue(static_cast<int32_t>(Answer));
    }

private:
    HWND FTarget;
    int FSteps;
    uint32_t FPause;
};

} // namespace

int main(int argc, char** argv)
{
    const bool SelfTest = argc > 1 && std::strcmp(argv[1], "--selftest") == 0;
    const int Steps = SelfTest ? 20 : 10;
    const uint32_t Pause = SelfTest ? 5 : 300;

    Application()->SetMainThread();
    int Progress = 0;
    bool Done = false;
    HWND Window = AllocateHWnd([&](TMessage& M) {
        if (M.Msg == WM_PROGRESS) {
            ++Progress;
            if (!SelfTest) std::printf("progress %ld\n", static_cast<long>(M.LParam));
        } else if (M.Msg == WM_DONE) {
            Done = true;
            M.Result = Progress;
        }
    });

    int Ticks = 0;
    TTimer Timer(nullptr);
    Timer.Set_Interval(SelfTest ? 20 : 500);
    Timer.OnTimer = [&](TObject*) {
        ++Ticks;
        if (!SelfTest) std::printf("tick %d\n", Ticks);
    };

    TWorker Worker(Window, Steps, Pause);
    Worker.Start();

    const int Fd = Application()->PollFd();
    if (Fd < 0) {
        std::fprintf(stderr, "no pollable descriptor: %s\n", SysErrorMessage(GetLastError()).c_str());
        return 1;
    }
    const uint32_t Start = GetTickCount();
    while (!(Done && Ticks >= 3)) {
        if (TickElapsed(Start, 10000, GetTickCount())) break;   // a hung run fails, never hangs
        pollfd P{Fd, POLLIN, 0};
        // NextTimeout could serve as the poll time-out instead of the
        // descriptor's timer; watching the descriptor alone is enough.
        if (::poll(&P, 1, 1000) > 0) Application()->ProcessMessages();
    }

    int32_t Answer = Worker.WaitFor();
    DeallocateHWnd(Window);
    std::printf("%d progress messages, %d ticks, worker got %d\n", Progress, Ticks, Answer);
    if (SelfTest && !(Done && Progress == Steps && Answer == Steps && Ticks >= 3)) {
        std::fprintf(stderr, "selftest failed\n");
        return 1;
    }
    return 0;
}
