#include "process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

namespace kxtapi::testing {

TProcess::TProcess(const std::string& Program, const std::vector<std::string>& Args)
{
    int In[2], Out[2], Err[2];
    if (pipe2(In, O_CLOEXEC) != 0 || pipe2(Out, O_CLOEXEC) != 0 || pipe2(Err, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    std::vector<std::string> All{Program};
    All.insert(All.end(), Args.begin(), Args.end());
    std::vector<char*> Argv;
    for (std::string& a : All) Argv.push_back(a.data());
    Argv.push_back(nullptr);
    FPid = fork();
    if (FPid == 0) {
        dup2(In[0], 0);
        dup2(Out[1], 1);
        dup2(Err[1], 2);
        // The child starts with the default signal handling and mask.
        sigset_t None;
        sigemptyset(&None);
        sigprocmask(SIG_SETMASK, &None, nullptr);
        execv(Program.c_str(), Argv.data());
        _exit(127);
    }
    close(In[0]);
    close(Out[1]);
    close(Err[1]);
    FIn = In[1];
    FOutFd = Out[0];
    FErrFd = Err[0];
    // A child that ends early must not kill the test with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
}

TProcess::~TProcess()
{
    if (FStatus < 0 && FPid > 0) {
        kill(FPid, SIGKILL);
        waitpid(FPid, nullptr, 0);
    }
    for (int fd : {FIn, FOutFd, FErrFd})
        if (fd >= 0) close(fd);
}

void TProcess::Write(const std::string& Bytes)
{
    size_t Done = 0;
    while (FIn >= 0 && Done < Bytes.size()) {
        const ssize_t n = write(FIn, Bytes.data() + Done, Bytes.size() - Done);
        if (n <= 0) break;
        Done += static_cast<size_t>(n);
    }
}

void TProcess::CloseInput()
{
    if (FIn >= 0) close(FIn);
    FIn = -1;
}

void TProcess::Signal(int Signal)
{
    if (FStatus < 0) kill(FPid, Signal);
}

bool TProcess::Pump(int TimeoutMs)
{
    pollfd Fds[2] = {{FOutFd, POLLIN, 0}, {FErrFd, POLLIN, 0}};
    if (FOutFd < 0 && FErrFd < 0) return false;
    if (poll(Fds, 2, TimeoutMs) <= 0) return true;
    for (int i = 0; i < 2; ++i) {
        if (!(Fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        char Bytes[4096];
        const ssize_t n = read(Fds[i].fd, Bytes, sizeof Bytes);
        int& Fd = i == 0 ? FOutFd : FErrFd;
        if (n <= 0) {
            close(Fd);
            Fd = -1;
        } else {
            (i == 0 ? FOut : FErr).append(Bytes, static_cast<size_t>(n));
        }
    }
    return true;
}

bool TProcess::WaitForOutput(const std::string& Wanted, int TimeoutMs)
{
    return WaitForOutput([&](const std::string& Out) { return Out.find(Wanted) != std::string::npos; }, TimeoutMs);
}

bool TProcess::WaitForOutput(const std::function<bool(const std::string& Out)>& Done, int TimeoutMs)
{
    const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (!Done(FOut)) {
        const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(End - std::chrono::steady_clock::now());
        if (Left.count() <= 0) return false;
        if (!Pump(static_cast<int>(Left.count()))) return Done(FOut);
    }
    return true;
}

int TProcess::Wait(int TimeoutMs)
{
    const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    for (;;) {
        if (FStatus < 0) {
            int Status = 0;
            if (waitpid(FPid, &Status, WNOHANG) == FPid)
                FStatus = WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
        }
        // Once the child has ended its pipes end too; read them to the end.
        if (FStatus >= 0 && FOutFd < 0 && FErrFd < 0) return FStatus;
        const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(End - std::chrono::steady_clock::now());
        if (Left.count() <= 0) return FStatus;
        // With both pipes ended only the exit is left to wait for.
        if (!Pump(std::min<int>(50, static_cast<int>(Left.count())))) poll(nullptr, 0, 10);
    }
}

std::vector<std::string> TProcess::OutLines() const
{
    std::vector<std::string> Lines;
    size_t Start = 0;
    while (Start < FOut.size()) {
        size_t End = FOut.find('\n', Start);
        if (End == std::string::npos) End = FOut.size();
        Lines.push_back(FOut.substr(Start, End - Start));
        Start = End + 1;
    }
    return Lines;
}

size_t FoundInOrder(const std::vector<std::string>& Lines, const std::vector<std::string>& Wanted)
{
    size_t w = 0;
    for (const std::string& l : Lines)
        if (w < Wanted.size() && l.find(Wanted[w]) != std::string::npos) ++w;
    return w;
}

} // namespace kxtapi::testing
