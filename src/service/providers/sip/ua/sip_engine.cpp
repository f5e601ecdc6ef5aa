#include "service/providers/sip/ua/sip_engine.h"

#include "service/providers/sip/ua/re_headers.h"
#include "service/service_lock.h"

#include <cstring>
#include <future>
#include <stdexcept>

namespace kxtapi::service::sip {

namespace {

// libre's process-wide part (random numbers, the socket layer); the
// per-thread part is re_thread_init.
void InitLibreOnce()
{
    static std::once_flag Once;
    std::call_once(Once, [] {
        if (int e = libre_init()) throw std::runtime_error(std::string("libre: ") + std::strerror(e));
    });
}

}  // namespace

TSipEngine::~TSipEngine()
{
    // Stop is the orderly way; a thread still running here would outlive
    // what it uses.
    if (FThread.joinable()) Stop([](std::function<void()> Done) { Done(); }, std::chrono::milliseconds(0));
}

void TSipEngine::Start(std::function<void()> Setup, std::function<void()> Teardown)
{
    InitLibreOnce();
    FStopping = false;
    FTeardown = std::move(Teardown);
    std::promise<void> Ready;
    std::future<void> Started = Ready.get_future();
    FThread = std::thread([this, &Ready, Setup = std::move(Setup)] {
        FThreadID = std::this_thread::get_id();
        if (int e = re_thread_init()) {
            Ready.set_exception(std::make_exception_ptr(std::runtime_error(std::string("libre: ") + std::strerror(e))));
            return;
        }
        int e = mqueue_alloc(&FQueue, &TSipEngine::OnQueue, this);
        bool Loop = false;
        if (e) {
            Ready.set_exception(std::make_exception_ptr(std::runtime_error(std::string("libre: ") + std::strerror(e))));
        } else {
            try {
                Setup();
                Loop = true;
            } catch (...) {
                Ready.set_exception(std::current_exception());
            }
        }
        if (Loop) {
            Ready.set_value();
            re_main(nullptr);
        }
        // Commands that came too late still hold objects to release here.
        {
            std::lock_guard<std::mutex> l(FMutex);
            FCommands.clear();
        }
        if (FTeardown) FTeardown();
        if (FGuard) {
            tmr_cancel(FGuard);
            delete FGuard;
            FGuard = nullptr;
        }
        FQueue = static_cast<struct mqueue*>(mem_deref(FQueue));
        re_thread_close();
    });
    try {
        Started.get();
    } catch (...) {
        FThread.join();
        throw;
    }
}

void TSipEngine::Push(std::function<void()> Command)
{
    bool Wake;
    {
        std::lock_guard<std::mutex> l(FMutex);
        Wake = FCommands.empty();
        FCommands.push_back(std::move(Command));
    }
    // One wake-up per batch: the loop takes every queued command at once.
    if (Wake) mqueue_push(FQueue, 0, nullptr);
}

void TSipEngine::Post(std::function<void()> Command)
{
    if (FStopping || !FThread.joinable()) return;
    Push(std::move(Command));
}

void TSipEngine::OnQueue(int, void*, void* Arg)
{
    static_cast<TSipEngine*>(Arg)->RunCommands();
}

void TSipEngine::RunCommands()
{
    std::deque<std::function<void()>> Batch;
    {
        std::lock_guard<std::mutex> l(FMutex);
        Batch.swap(FCommands);
    }
    for (auto& c : Batch) {
        try {
            c();
        } catch (...) {
            // A command that fails has reported what it could; the loop goes on.
        }
    }
}

void TSipEngine::OnGuard(void*)
{
    re_cancel();
}

void TSipEngine::Stop(std::function<void(std::function<void()> Done)> Shutdown, std::chrono::milliseconds Guard)
{
    if (!FThread.joinable()) return;
    FStopping = true;
    Push([this, Shutdown = std::move(Shutdown), Guard] {
        FGuard = new tmr;
        tmr_init(FGuard);
        tmr_start(FGuard, static_cast<uint64_t>(Guard.count()), &TSipEngine::OnGuard, this);
        Shutdown([] { re_cancel(); });
    });
    FThread.join();
    FThreadID = std::thread::id();
}

bool TSipEngine::ToService(const std::function<void()>& Action)
{
    while (!FStopping) {
        // The closing thread holds the lock while it waits for this thread:
        // wait in slices and give up once stopping.
        TServiceLockAttempt Lock(std::chrono::milliseconds(20));
        if (!Lock.Owns()) continue;
        try {
            Action();
        } catch (...) {
            // The service's state stays as the action left it.
        }
        return true;
    }
    return false;
}

}  // namespace kxtapi::service::sip
