#include "sip_peers.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kxtapi::testing {

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point Deadline)
{
    auto d = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - Clock::now()).count();
    return d > 0 ? static_cast<int>(d) : 0;
}

bool Bindable(int Type, uint16_t Port)
{
    int s = ::socket(AF_INET, Type, 0);
    if (s < 0) return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(Port);
    bool Ok = ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return Ok;
}

// A random even port in 10000-32766: several test processes look at once,
// and the kernel's own choice (port 0) would hand out neighbours. It stays
// below the kernel's usual ephemeral range (32768 on), where any peer's
// unbound socket may land on a port found free a moment before.
uint16_t RandomEvenPort()
{
    static uint32_t Seed = static_cast<uint32_t>(::getpid()) * 2654435761u ^
                           static_cast<uint32_t>(Clock::now().time_since_epoch().count());
    Seed = Seed * 1103515245u + 12345u;
    return static_cast<uint16_t>(10000 + ((Seed >> 8) % 11384) * 2);
}

}  // namespace

uint16_t FreePort(bool TcpToo)
{
    for (int Try = 0; Try < 1000; ++Try) {
        uint16_t p = RandomEvenPort();
        if (Bindable(SOCK_DGRAM, p) && Bindable(SOCK_STREAM, p) && (!TcpToo || Bindable(SOCK_STREAM, p + 1)))
            return p;
    }
    return 0;
}

uint16_t FreePortRange(uint16_t Count)
{
    for (int Try = 0; Try < 1000; ++Try) {
        uint16_t p = RandomEvenPort();
        if (p + Count > 32768) continue;
        bool Ok = true;
        for (uint16_t i = 0; i < Count && Ok; ++i) Ok = Bindable(SOCK_DGRAM, p + i);
        if (Ok) return p;
    }
    return 0;
}

// --- Temporary directories ---------------------------------------------------------

TTempDir::TTempDir(const std::string& Tag)
{
    std::string Templ = (std::filesystem::temp_directory_path() / ("kxtapi-" + Tag + "-XXXXXX")).string();
    std::vector<char> Buf(Templ.begin(), Templ.end());
    Buf.push_back(0);
    if (::mkdtemp(Buf.data())) FPath = Buf.data();
}

TTempDir::~TTempDir()
{
    std::error_code e;
    if (!FPath.empty()) std::filesystem::remove_all(FPath, e);
}

// --- Child processes ----------------------------------------------------------------

bool TChild::Start(const std::vector<std::string>& Argv, const std::string& LogPath)
{
    std::vector<char*> Args;
    for (const std::string& a : Argv) Args.push_back(const_cast<char*>(a.c_str()));
    Args.push_back(nullptr);
    int Log = ::open(LogPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (Log < 0) return false;
    const pid_t Parent = ::getpid();
    pid_t p = ::fork();
    if (p < 0) {
        ::close(Log);
        return false;
    }
    if (p == 0) {
        // Only async-signal-safe calls until exec.
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != Parent) ::_exit(127);
        ::dup2(Log, 1);
        ::dup2(Log, 2);
        int Null = ::open("/dev/null", O_RDONLY);
        if (Null >= 0) ::dup2(Null, 0);
        ::execvp(Args[0], Args.data());
        ::_exit(127);
    }
    ::close(Log);
    ::setpgid(p, p);
    FPid = p;
    return true;
}

bool TChild::WaitExit(int Ms)
{
    if (FPid <= 0) return true;
    // A descriptor of the process: poll tells when it ends, no sleeping.
    int Fd = static_cast<int>(::syscall(SYS_pidfd_open, FPid, 0));
    if (Fd >= 0) {
        pollfd p{Fd, POLLIN, 0};
        ::poll(&p, 1, Ms);
        ::close(Fd);
    }
    int Status = 0;
    pid_t r = ::waitpid(FPid, &Status, WNOHANG);
    if (r == FPid || (r < 0 && errno == ECHILD)) {
        FPid = 0;
        return true;
    }
    return false;
}

bool TChild::Running()
{
    if (FPid <= 0) return false;
    int Status = 0;
    pid_t r = ::waitpid(FPid, &Status, WNOHANG);
    if (r == FPid) FPid = 0;
    return FPid > 0;
}

void TChild::Stop(int GraceMs)
{
    if (FPid <= 0) return;
    const pid_t Group = FPid;
    if (!WaitExit(GraceMs)) {
        ::kill(-Group, SIGTERM);
        if (!WaitExit(2000)) {
            ::kill(-Group, SIGKILL);
            WaitExit(5000);
        }
    }
    // Workers of the group (Kamailio's) go with it.
    ::kill(-Group, SIGKILL);
    FPid = 0;
}

// --- baresip ------------------------------------------------------------------------------

TBaresip::TBaresip(const TOptions& Options) : FOptions(Options), FDir("baresip")
{
    FSipPort = FreePort(true);
    FCtrlPort = FreePort();
    uint16_t Rtp = FreePortRange(40);
    if (!FSipPort || !FCtrlPort || !Rtp || FDir.Path().empty()) return;
    {
        std::ofstream c(FDir.File("config"));
        c << "poll_method epoll\n"
          << "sip_listen 127.0.0.1:" << FSipPort << "\n"
          << "net_interface 127.0.0.1\n"
          << "rtp_ports " << Rtp << "-" << Rtp + 39 << "\n"
          << "audio_player aubridge,nil\n"
          << "audio_source ausine,440\n"
          << "ausrc_srate 48000\nausrc_channels 2\n"
          << "module_path /usr/lib/baresip/modules\n"
          << "module g711.so\nmodule ausine.so\nmodule aubridge.so\nmodule stdio.so\n"
          << "module_app account.so\nmodule_app menu.so\nmodule_app ctrl_tcp.so\n"
          << "ctrl_tcp_listen 127.0.0.1:" << FCtrlPort << "\n"
          << "statmode_default off\n"
          << "dns_server 127.0.0.1:53\n";
        std::ofstream a(FDir.File("accounts"));
        a << "\"" << FOptions.DisplayName << "\" <sip:" << FOptions.User << "@127.0.0.1:" << FSipPort
          << ";transport=udp>;answermode=" << (FOptions.AutoAnswer ? "auto" : "manual") << ";audio_codecs=pcmu,pcma";
        if (FOptions.Registrar.empty()) a << ";regint=0";
        else a << ";regint=60;outbound=\"" << FOptions.Registrar << "\";auth_pass=" << FOptions.Password;
        a << "\n";
    }
    // -t: an orphan that escaped every other way quits on its own.
    if (!FProcess.Start({"baresip", "-4", "-f", FDir.Path(), "-t", "120"}, FDir.File("log"))) return;
    FReady = Connect(5000);
}

TBaresip::~TBaresip()
{
    Stop();
}

void TBaresip::Stop()
{
    if (FSocket >= 0 && FProcess.Running()) {
        // baresip quits when asked, except while an INVITE of its own is
        // unanswered; then the signals do it.
        std::string Quit = R"({"command":"quit","params":"","token":"q"})";
        std::string Frame = std::to_string(Quit.size()) + ":" + Quit + ",";
        (void)::send(FSocket, Frame.data(), Frame.size(), MSG_NOSIGNAL);
    }
    FProcess.Stop(1000);
    if (FSocket >= 0) ::close(FSocket);
    FSocket = -1;
    FReady = false;
}

void TBaresip::Kill()
{
    if (FProcess.Pid() > 0) ::kill(-FProcess.Pid(), SIGKILL);
    Stop();
}

std::string TBaresip::Uri() const
{
    return "sip:" + FOptions.User + "@127.0.0.1:" + std::to_string(FSipPort);
}

bool TBaresip::Connect(int TimeoutMs)
{
    const auto Deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (FProcess.Running()) {
        int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(FCtrlPort);
        if (::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
            FSocket = s;
            return true;
        }
        ::close(s);
        if (MsLeft(Deadline) == 0) return false;
        // The control port opens 10-25 ms after start; look again soon.
        pollfd none{-1, 0, 0};
        ::poll(&none, 0, 5);
    }
    return false;
}

bool TBaresip::ReadSome(int TimeoutMs)
{
    if (FSocket < 0) return false;
    pollfd p{FSocket, POLLIN, 0};
    if (::poll(&p, 1, TimeoutMs) <= 0) return false;
    char Buf[8192];
    ssize_t n = ::recv(FSocket, Buf, sizeof Buf, 0);
    if (n <= 0) {
        ::close(FSocket);
        FSocket = -1;
        return false;
    }
    FInput.append(Buf, static_cast<size_t>(n));
    nlohmann::json m;
    while (NextMessage(m)) {
        if (m.value("event", false)) Events.push_back(m);
        else if (m.value("response", false)) FResponses.push_back(m);
    }
    return true;
}

bool TBaresip::NextMessage(nlohmann::json& Out)
{
    // Netstrings: "LEN:JSON,".
    size_t Colon = FInput.find(':');
    if (Colon == std::string::npos || Colon > 9) return false;
    size_t Len = std::strtoul(FInput.substr(0, Colon).c_str(), nullptr, 10);
    if (FInput.size() < Colon + 1 + Len + 1) return false;
    Out = nlohmann::json::parse(FInput.substr(Colon + 1, Len), nullptr, false);
    FInput.erase(0, Colon + 1 + Len + 1);
    return !Out.is_discarded();
}

bool TBaresip::Command(const std::string& Name, const std::string& Params, int TimeoutMs)
{
    if (FSocket < 0) return false;
    std::string Token = std::to_string(++FToken);
    nlohmann::json c = {{"command", Name}, {"params", Params}, {"token", Token}};
    std::string Body = c.dump();
    std::string Frame = std::to_string(Body.size()) + ":" + Body + ",";
    if (::send(FSocket, Frame.data(), Frame.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(Frame.size())) return false;
    const auto Deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
    for (;;) {
        for (auto it = FResponses.begin(); it != FResponses.end(); ++it) {
            if (it->value("token", "") != Token) continue;
            bool Ok = it->value("ok", false);
            if (!Ok) std::fprintf(stderr, "baresip: %s -> %s\n", Body.c_str(), it->dump().c_str());
            FResponses.erase(it);
            return Ok;
        }
        if (MsLeft(Deadline) == 0 || FSocket < 0) return false;
        ReadSome(MsLeft(Deadline));
    }
}

nlohmann::json TBaresip::WaitEvent(const std::string& Type, int TimeoutMs)
{
    const auto Deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
    for (;;) {
        for (auto it = Events.begin(); it != Events.end(); ++it) {
            if (it->value("type", "") != Type) continue;
            nlohmann::json e = *it;
            Events.erase(it);
            return e;
        }
        if (MsLeft(Deadline) == 0 || FSocket < 0) return nullptr;
        ReadSome(MsLeft(Deadline));
    }
}

// --- Kamailio -------------------------------------------------------------------------------

TKamailio::TKamailio(std::vector<TUser> Users, uint16_t Port) : FUsers(std::move(Users)), FDir("kamailio")
{
    FPort = Port ? Port : FreePort();
    if (!FPort || FDir.Path().empty()) return;
    std::ofstream c(FDir.File("kamailio.cfg"));
    c << "#!KAMAILIO\n"
      << "debug=1\nlog_stderror=yes\nfork=yes\nchildren=2\n"
      << "listen=udp:127.0.0.1:" << FPort << "\n"
      << "dns=no\nrev_dns=no\nauto_aliases=no\nalias=\"127.0.0.1:" << FPort << "\"\n"
      << "mpath=\"/usr/lib/x86_64-linux-gnu/kamailio/modules/\"\n"
      << "loadmodule \"tm.so\"\nloadmodule \"sl.so\"\nloadmodule \"rr.so\"\nloadmodule \"pv.so\"\n"
      << "loadmodule \"maxfwd.so\"\nloadmodule \"textops.so\"\nloadmodule \"siputils.so\"\n"
      << "loadmodule \"usrloc.so\"\nloadmodule \"registrar.so\"\nloadmodule \"auth.so\"\n"
      << "modparam(\"usrloc\", \"db_mode\", 0)\n"
      << "modparam(\"registrar\", \"min_expires\", 1)\n"
      << "modparam(\"rr\", \"append_fromtag\", 1)\n"
      << "request_route {\n"
      << "  if (!mf_process_maxfwd_header(\"10\")) { sl_send_reply(\"483\", \"Too Many Hops\"); exit; }\n"
      << "  if (is_method(\"OPTIONS\") && uri==myself && $rU==$null) { sl_send_reply(\"200\", \"Keepalive\"); exit; }\n"
      << "  if (has_totag()) {\n"
      << "    if (loose_route()) { t_relay(); exit; }\n"
      << "    if (is_method(\"ACK\")) { if (t_check_trans()) { t_relay(); } exit; }\n"
      << "    sl_send_reply(\"404\", \"Not here\"); exit;\n"
      << "  }\n"
      << "  if (is_method(\"CANCEL\")) { if (t_check_trans()) { t_relay(); } exit; }\n"
      << "  t_check_trans();\n"
      << "  if (is_method(\"INVITE|SUBSCRIBE|REFER\")) { record_route(); }\n"
      << "  if (is_method(\"REGISTER\")) {\n"
      << "    $var(pw) = \"\";\n";
    for (const TUser& u : FUsers)
        c << "    if ($tU == \"" << u.Name << "\") { $var(pw) = \"" << u.Password << "\"; }\n";
    c << "    if (!pv_auth_check(\"$td\", \"$var(pw)\", \"0\", \"1\")) { auth_challenge(\"$td\", \"0\"); exit; }\n"
      << "    if (!save(\"location\")) { sl_reply_error(); }\n"
      << "    exit;\n"
      << "  }\n"
      << "  if (uri==myself) {\n"
      << "    if (!lookup(\"location\")) { t_newtran(); t_reply(\"404\", \"Not Found\"); exit; }\n"
      << "  }\n"
      << "  t_relay();\n"
      << "}\n";
    c.close();
    Start();
}

TKamailio::~TKamailio()
{
    Stop();
}

std::string TKamailio::Uri() const
{
    return "sip:127.0.0.1:" + std::to_string(FPort);
}

bool TKamailio::Start()
{
    if (FProcess.Running()) return FReady;
    FReady = false;
    std::filesystem::create_directories(FDir.File("run"));
    if (!FProcess.Start({"kamailio", "-f", FDir.File("kamailio.cfg"), "-DD", "-E", "-Y", FDir.File("run"), "-P",
                         FDir.File("run/kamailio.pid"), "-m", "32", "-M", "4", "-n", "2"},
                        FDir.File("log")))
        return false;
    FReady = Probe(5000);
    return FReady;
}

void TKamailio::Stop()
{
    FProcess.Stop(0);
    FReady = false;
}

bool TKamailio::Probe(int TimeoutMs)
{
    // It logs no "ready" line: an OPTIONS it answers tells.
    const auto Deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
    int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(FPort);
    ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    sockaddr_in l{};
    socklen_t ll = sizeof l;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&l), &ll);
    const std::string Local = "127.0.0.1:" + std::to_string(ntohs(l.sin_port));
    bool Up = false;
    for (int n = 0; !Up && MsLeft(Deadline) > 0 && FProcess.Running(); ++n) {
        std::string Branch = "z9hG4bKprobe" + std::to_string(n);
        std::string Req = "OPTIONS sip:127.0.0.1:" + std::to_string(FPort) + " SIP/2.0\r\nVia: SIP/2.0/UDP " + Local +
                          ";branch=" + Branch + "\r\nFrom: <sip:probe@127.0.0.1>;tag=p\r\nTo: <sip:127.0.0.1:" +
                          std::to_string(FPort) + ">\r\nCall-ID: probe" + std::to_string(n) +
                          "\r\nCSeq: 1 OPTIONS\r\nMax-Forwards: 70\r\nContent-Length: 0\r\n\r\n";
        ::send(s, Req.data(), Req.size(), 0);
        pollfd p{s, POLLIN, 0};
        if (::poll(&p, 1, std::min(20, MsLeft(Deadline))) > 0) {
            char Buf[2048];
            ssize_t r = ::recv(s, Buf, sizeof Buf, 0);
            Up = r > 0 && std::string(Buf, static_cast<size_t>(r)).rfind("SIP/2.0 ", 0) == 0;
        }
    }
    ::close(s);
    return Up;
}

}  // namespace kxtapi::testing
