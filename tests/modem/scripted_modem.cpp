#include "scripted_modem.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace kxtapi::test {

namespace {

std::string Upper(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

void Relink(const std::string& Target, const std::string& Link)
{
    std::string Tmp = Link + ".new";
    unlink(Tmp.c_str());
    if (symlink(Target.c_str(), Tmp.c_str()) != 0 || rename(Tmp.c_str(), Link.c_str()) != 0)
        throw std::runtime_error("cannot link the scripted modem's port");
}

}  // namespace

TScriptedModem::TScriptedModem(bool Voice)
{
    char Dir[] = "/tmp/kxtapi-modem-XXXXXX";
    if (!mkdtemp(Dir)) throw std::runtime_error("no temporary folder");
    FDir = Dir;
    FLink = FDir + "/modem";
    NewPty();
    if (pipe2(FWake, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("no pipe");
    On("ATZ", {"OK"});
    On("ATE0V1", {"OK"});
    On("ATI", {"56000", "OK"});
    On("AT", {"OK"});
    On("ATH", {"OK"});
    On("AT+VCID=1", {"OK"});
    On("AT+FCLASS=0", {"OK"});
    if (Voice) {
        On("AT+FCLASS=?", {"0,1,2,8", "OK"});
        On("AT+FCLASS=8", {"OK"});
        On("AT+VTS=*", {"OK"});
    } else {
        On("AT+FCLASS=?", {"0,1,2", "OK"});
        On("AT+FCLASS=8", {"ERROR"});
    }
    FThread = std::thread([this] { Loop(); });
}

TScriptedModem::~TScriptedModem()
{
    {
        std::lock_guard<std::mutex> L(FMutex);
        FStop = true;
    }
    Wake();
    FThread.join();
    ClosePty();
    close(FWake[0]);
    close(FWake[1]);
    unlink(FLink.c_str());
    rmdir(FDir.c_str());
}

void TScriptedModem::NewPty()
{
    FPty = std::make_unique<TPtyPair>();
    FSlave = open(FPty->SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    Relink(FPty->SlavePath(), FLink);
}

void TScriptedModem::ClosePty()
{
    if (FSlave >= 0) close(FSlave);
    FSlave = -1;
    FPty.reset();
}

void TScriptedModem::Wake()
{
    char c = 1;
    (void)!write(FWake[1], &c, 1);
}

void TScriptedModem::On(const std::string& Command, std::vector<std::string> Lines, uint32_t DelayMs)
{
    std::lock_guard<std::mutex> L(FMutex);
    FRules[Upper(Command)] = TRule{std::move(Lines), DelayMs};
}

void TScriptedModem::Queue(const std::string& Bytes, uint32_t DelayMs, bool StartsData)
{
    FOutgoing.emplace(Clock::now() + std::chrono::milliseconds(DelayMs), TOutgoing{Bytes, StartsData});
}

void TScriptedModem::Send(std::vector<std::string> Lines, uint32_t DelayMs)
{
    std::string b;
    for (const std::string& l : Lines) b += "\r\n" + l + "\r\n";
    {
        std::lock_guard<std::mutex> L(FMutex);
        Queue(b, DelayMs);
    }
    Wake();
}

void TScriptedModem::SendRaw(const std::string& Bytes, uint32_t DelayMs)
{
    {
        std::lock_guard<std::mutex> L(FMutex);
        Queue(Bytes, DelayMs);
    }
    Wake();
}

void TScriptedModem::SendDle(const std::string& Codes, uint32_t DelayMs)
{
    std::string b;
    for (char c : Codes) {
        b.push_back('\x10');
        b.push_back(c);
    }
    SendRaw(b, DelayMs);
}

void TScriptedModem::SetSilent(bool Silent)
{
    std::lock_guard<std::mutex> L(FMutex);
    FSilent = Silent;
}

void TScriptedModem::Vanish()
{
    {
        std::lock_guard<std::mutex> L(FMutex);
        ClosePty();
        FOutgoing.clear();
        FDataMode = false;
    }
    Wake();
}

void TScriptedModem::PlugBack()
{
    {
        std::lock_guard<std::mutex> L(FMutex);
        ClosePty();
        NewPty();
        FEcho = true;
        FDataMode = false;
        FLine.clear();
    }
    Wake();
}

bool TScriptedModem::WaitCommand(const std::string& Command, int Count, int TimeoutMs)
{
    std::unique_lock<std::mutex> L(FMutex);
    std::string u = Upper(Command);
    return FChanged.wait_for(L, std::chrono::milliseconds(TimeoutMs), [&] {
        return std::count(FCommands.begin(), FCommands.end(), u) >= Count;
    });
}

int TScriptedModem::CommandCount(const std::string& Command)
{
    std::lock_guard<std::mutex> L(FMutex);
    return static_cast<int>(std::count(FCommands.begin(), FCommands.end(), Upper(Command)));
}

std::vector<std::string> TScriptedModem::Commands()
{
    std::lock_guard<std::mutex> L(FMutex);
    return FCommands;
}

bool TScriptedModem::InData()
{
    std::lock_guard<std::mutex> L(FMutex);
    return FDataMode;
}

bool TScriptedModem::WaitData(bool Data, int TimeoutMs)
{
    std::unique_lock<std::mutex> L(FMutex);
    return FChanged.wait_for(L, std::chrono::milliseconds(TimeoutMs), [&] { return FDataMode == Data; });
}

bool TScriptedModem::WaitDataText(const std::string& Text, int TimeoutMs)
{
    std::unique_lock<std::mutex> L(FMutex);
    bool Found = FChanged.wait_for(L, std::chrono::milliseconds(TimeoutMs),
                                   [&] { return FData.find(Text) != std::string::npos; });
    if (Found) FData.erase(0, FData.find(Text) + Text.size());
    return Found;
}

void TScriptedModem::DropCarrier()
{
    {
        std::lock_guard<std::mutex> L(FMutex);
        FDataMode = false;
        Queue("\r\nNO CARRIER\r\n", 0);
    }
    FChanged.notify_all();
    Wake();
}

void TScriptedModem::CommandLine(const std::string& Line)
{
    std::string u = Upper(Line);
    FCommands.push_back(u);
    if (u.find("E0") != std::string::npos) FEcho = false;
    if (FSilent) return;
    const TRule* Rule = nullptr;
    auto it = FRules.find(u);
    if (it != FRules.end()) {
        Rule = &it->second;
    } else {
        // Longest prefix rule ("ATD*").
        size_t Best = 0;
        for (const auto& [k, r] : FRules)
            if (!k.empty() && k.back() == '*' && u.compare(0, k.size() - 1, k, 0, k.size() - 1) == 0 &&
                k.size() > Best) {
                Best = k.size();
                Rule = &r;
            }
    }
    if (!Rule) {
        FOutgoing.emplace(std::max(Clock::now(), FBusyUntil), TOutgoing{"\r\nERROR\r\n", false});
        return;
    }
    // One command line at a time, as a modem works: a reply never overtakes
    // the reply of an earlier command.
    auto Due = std::max(Clock::now(), FBusyUntil) + std::chrono::milliseconds(Rule->Delay);
    FBusyUntil = Due;
    for (const std::string& l : Rule->Lines)
        FOutgoing.emplace(Due, TOutgoing{"\r\n" + l + "\r\n", l.compare(0, 7, "CONNECT") == 0});
}

void TScriptedModem::Received(const char* Data, size_t Size)
{
    if (FDataMode) {
        FData.append(Data, Size);
        // The escape sequence returns to command mode (guard times are not checked).
        if (FData.size() >= 3 && FData.compare(FData.size() - 3, 3, "+++") == 0) {
            FData.erase(FData.size() - 3);
            FDataMode = false;
            Queue("\r\nOK\r\n", 0);
        }
        return;
    }
    for (size_t i = 0; i < Size; ++i) {
        char c = Data[i];
        if (FEcho && FPty) (void)!write(FPty->MasterFd(), &c, 1);
        if (c == '\r') {
            if (!FLine.empty()) CommandLine(FLine);
            FLine.clear();
        } else if (c != '\n' && FLine.size() < 512) {
            FLine.push_back(c);
        }
    }
}

void TScriptedModem::Loop()
{
    std::unique_lock<std::mutex> L(FMutex);
    while (!FStop) {
        // Send what is due.
        auto Now = Clock::now();
        while (!FOutgoing.empty() && FOutgoing.begin()->first <= Now) {
            TOutgoing o = FOutgoing.begin()->second;
            FOutgoing.erase(FOutgoing.begin());
            if (FPty) FPty->Send(o.Bytes);
            if (o.StartsData) FDataMode = true;
        }
        FChanged.notify_all();
        int Timeout = -1;
        if (!FOutgoing.empty())
            Timeout = static_cast<int>(std::max<int64_t>(
                0, std::chrono::duration_cast<std::chrono::milliseconds>(FOutgoing.begin()->first - Now).count() + 1));
        pollfd p[2] = {{FWake[0], POLLIN, 0}, {FPty ? FPty->MasterFd() : -1, POLLIN, 0}};
        L.unlock();
        poll(p, 2, Timeout);
        L.lock();
        char b[512];
        while (read(FWake[0], b, sizeof b) > 0) {
        }
        if (FPty && (p[1].revents & POLLIN)) {
            ssize_t n = read(FPty->MasterFd(), b, sizeof b);
            if (n > 0) Received(b, static_cast<size_t>(n));
        }
    }
}

}  // namespace kxtapi::test
