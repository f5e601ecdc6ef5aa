// Real SIP peers for the SIP provider's tests: baresip as a far end driven
// through its ctrl_tcp interface, and Kamailio as registrar and proxy. Each
// runs on 127.0.0.1 with ports found free at run time and a directory of
// its own, and is stopped by its object (quit, then SIGTERM, then SIGKILL);
// a peer whose test process dies is killed by the kernel (parent-death
// signal) and baresip quits on its own after two minutes at the latest.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <deque>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kxtapi::testing {

/// A UDP port on 127.0.0.1 that is free now (with TcpToo, the TCP port
/// above it as well: baresip opens TLS there).
uint16_t FreePort(bool TcpToo = false);
/// Count ports in a row free for UDP, starting at an even port.
uint16_t FreePortRange(uint16_t Count);

/// A temporary directory, removed with the object.
class TTempDir {
public:
    explicit TTempDir(const std::string& Tag);
    ~TTempDir();
    const std::string& Path() const { return FPath; }
    std::string File(const std::string& Name) const { return FPath + "/" + Name; }

private:
    std::string FPath;
};

/// A child process in a process group of its own.
class TChild {
public:
    ~TChild() { Stop(0); }
    /// Starts Argv[0] with Argv, output to LogPath. False when it cannot.
    bool Start(const std::vector<std::string>& Argv, const std::string& LogPath);
    /// Waits up to GraceMs for it to end on its own, then SIGTERM, then
    /// SIGKILL; reaps it and its group.
    void Stop(int GraceMs);
    bool Running();
    pid_t Pid() const { return FPid; }

private:
    bool WaitExit(int Ms);
    pid_t FPid = 0;
};

/// baresip as a far end.
class TBaresip {
public:
    struct TOptions {
        std::string User = "bob";
        std::string DisplayName = "Bob";
        bool AutoAnswer = true;
        /// Registrar URI ("sip:127.0.0.1:P"), empty: no registration.
        std::string Registrar;
        std::string Password;
    };

    explicit TBaresip(const TOptions& Options);
    TBaresip() : TBaresip(TOptions{}) {}
    ~TBaresip();

    /// Whether it runs and answers on its control port.
    bool Ready() const { return FReady; }
    /// Its own SIP URI: sip:user@127.0.0.1:port.
    std::string Uri() const;
    uint16_t SipPort() const { return FSipPort; }

    /// Sends a command ("dial", "accept", "hangup", "sndcode", "hold",
    /// "resume", "transfer", "quit" ...); true when baresip answered ok.
    bool Command(const std::string& Name, const std::string& Params = {}, int TimeoutMs = 3000);
    /// Waits for an event of that type ("CALL_ESTABLISHED" ...); its JSON,
    /// or null when none came within TimeoutMs.
    nlohmann::json WaitEvent(const std::string& Type, int TimeoutMs = 5000);
    /// Events read so far that nobody waited for, oldest first.
    std::deque<nlohmann::json> Events;
    /// Stops it now (quit, SIGTERM, SIGKILL).
    void Stop();
    /// Kills it at once, as a crash would: no BYE, no more RTP.
    void Kill();

private:
    bool Connect(int TimeoutMs);
    /// Reads what arrives within TimeoutMs into FInput and Events/responses.
    bool ReadSome(int TimeoutMs);
    bool NextMessage(nlohmann::json& Out);

    TOptions FOptions;
    TTempDir FDir;
    TChild FProcess;
    uint16_t FSipPort = 0, FCtrlPort = 0;
    int FSocket = -1;
    bool FReady = false;
    std::string FInput;
    std::deque<nlohmann::json> FResponses;
    uint32_t FToken = 0;
};

/// Kamailio as registrar and proxy with digest authentication.
class TKamailio {
public:
    struct TUser {
        std::string Name, Password;
    };
    /// Port 0: one found free.
    TKamailio(std::vector<TUser> Users, uint16_t Port = 0);
    ~TKamailio();

    bool Ready() const { return FReady; }
    uint16_t Port() const { return FPort; }
    /// sip:127.0.0.1:PORT
    std::string Uri() const;
    /// Stops it; Start brings it back on the same port.
    void Stop();
    bool Start();

private:
    bool Probe(int TimeoutMs);

    std::vector<TUser> FUsers;
    TTempDir FDir;
    TChild FProcess;
    uint16_t FPort = 0;
    bool FReady = false;
};

}  // namespace kxtapi::testing
