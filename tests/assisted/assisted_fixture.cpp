// Helpers of the assisted-telephony tests (assisted_fixture.h).

#include "assisted_fixture.h"

#include "sim_session_test.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kxtapi::testing {

TTapiRequestMakeCallEvent Recorder(std::vector<TSeenRequest>& Seen)
{
    return [&Seen](TObject* Sender, const std::string& Dest, const std::string& App, const std::string& Called,
                   const std::string& Comment) {
        Seen.push_back({Sender, Dest, App, Called, Comment, std::this_thread::get_id()});
    };
}

TChild::TChild(const std::string& Program, const std::vector<std::string>& Args)
{
    int In[2], Out[2], Err[2];
    if (pipe2(In, O_CLOEXEC) != 0 || pipe2(Out, O_CLOEXEC) != 0 || pipe2(Err, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t Actions;
    posix_spawn_file_actions_init(&Actions);
    posix_spawn_file_actions_adddup2(&Actions, In[0], 0);
    posix_spawn_file_actions_adddup2(&Actions, Out[1], 1);
    posix_spawn_file_actions_adddup2(&Actions, Err[1], 2);
    std::vector<char*> Argv{const_cast<char*>(Program.c_str())};
    for (const std::string& a : Args) Argv.push_back(const_cast<char*>(a.c_str()));
    Argv.push_back(nullptr);
    pid_t Pid = -1;
    if (posix_spawn(&Pid, Program.c_str(), &Actions, nullptr, Argv.data(), environ) == 0) FPid = Pid;
    posix_spawn_file_actions_destroy(&Actions);
    close(In[0]);
    close(Out[1]);
    close(Err[1]);
    FIn = In[1];
    FOut = Out[0];
    FErr = Err[0];
}

TChild::~TChild()
{
    CloseInput();
    if (FPid > 0 && Wait(2000) < 0) ADD_FAILURE() << "a child program had to be killed";
    if (FOut >= 0) close(FOut);
    if (FErr >= 0) close(FErr);
}

void TChild::Drain(int Ms)
{
    pollfd p[2] = {{FOut, POLLIN, 0}, {FErr, POLLIN, 0}};
    if (poll(p, 2, Ms) <= 0) return;
    char Buffer[512];
    for (int i = 0; i < 2; ++i) {
        if (!p[i].revents) continue;
        int& Fd = i == 0 ? FOut : FErr;
        const ssize_t n = read(Fd, Buffer, sizeof Buffer);
        if (n > 0) {
            (i == 0 ? FOutBuffer : FErrors).append(Buffer, static_cast<size_t>(n));
        } else {
            close(Fd);
            Fd = -1;
        }
    }
}

std::string TChild::ReadLine(int Ms)
{
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
    for (;;) {
        const size_t End = FOutBuffer.find('\n');
        if (End != std::string::npos) {
            std::string Line = FOutBuffer.substr(0, End);
            FOutBuffer.erase(0, End + 1);
            return Line;
        }
        const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - std::chrono::steady_clock::now());
        if (Left.count() <= 0 || (FOut < 0 && FErr < 0)) return {};
        Drain(static_cast<int>(Left.count()));
    }
}

void TChild::CloseInput()
{
    if (FIn >= 0) close(FIn);
    FIn = -1;
}

int TChild::Wait(int Ms)
{
    if (FPid <= 0) return -1;
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
    // Its pipes close when it ends; reading them keeps it from blocking on
    // a full pipe meanwhile.
    while ((FOut >= 0 || FErr >= 0) && std::chrono::steady_clock::now() < Deadline) Drain(50);
    int Status = 0;
    for (;;) {
        const pid_t r = waitpid(FPid, &Status, WNOHANG);
        if (r == FPid) break;
        if (std::chrono::steady_clock::now() >= Deadline) {
            kill(FPid, SIGKILL);
            waitpid(FPid, &Status, 0);
            FPid = -1;
            return -1;
        }
        usleep(1000);
    }
    FPid = -1;
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

int RunRequestTool(const std::vector<std::string>& Args, std::string* Errors, int* Millis)
{
#ifdef KXTAPI_REQUEST_MAKECALL
    const auto Start = std::chrono::steady_clock::now();
    TChild Tool(KXTAPI_REQUEST_MAKECALL, Args);
    Tool.CloseInput();
    const int Status = Tool.Wait(10000);
    if (Millis)
        *Millis = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - Start).count());
    if (Errors) *Errors = Tool.Errors();
    return Status;
#else
    ADD_FAILURE() << "kxtapi-request-makecall is not built";
    return -1;
#endif
}

AssistedTest::AssistedTest()
{
    Application()->SetMainThread();
    Sim.Reset();
    ResetSession();
}

AssistedTest::~AssistedTest()
{
    ResetSession();
    Sim.Reset();
}

void AssistedTest::ResetSession()
{
    ResetTapiSession();
}

} // namespace kxtapi::testing
