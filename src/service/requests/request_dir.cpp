// The per-user request directory and its sockets (request_dir.h).

#include "service/requests/request_dir.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kxtapi::service {

namespace {

std::string Octal(mode_t Mode)
{
    char Text[16];
    std::snprintf(Text, sizeof Text, "%04o", static_cast<unsigned>(Mode & 07777));
    return Text;
}

bool AbsolutePath(const char* Path)
{
    return Path != nullptr && Path[0] == '/';
}

}  // namespace

std::string OwnerRefusal(const std::string& Path, uid_t Owner, mode_t Mode)
{
    if (Owner != geteuid()) return Path + " belongs to another user (uid " + std::to_string(Owner) + ")";
    if (Mode & 077) return Path + " is open to other users (mode " + Octal(Mode) + ")";
    return {};
}

std::string RequestDirPath()
{
    const char* Runtime = std::getenv("XDG_RUNTIME_DIR");
    if (AbsolutePath(Runtime)) return std::string(Runtime) + "/kxtapi";
    const char* Tmp = std::getenv("TMPDIR");
    const std::string Base = AbsolutePath(Tmp) ? Tmp : "/tmp";
    return Base + "/kxtapi-" + std::to_string(geteuid());
}

std::string CheckRequestDir(const std::string& Path, bool Create, bool* Missing)
{
    if (Missing) *Missing = false;
    struct stat st;
    if (lstat(Path.c_str(), &st) != 0) {
        if (errno != ENOENT) return Path + ": " + std::strerror(errno);
        if (!Create) {
            if (Missing) *Missing = true;
            return {};
        }
        // A directory made at the same moment by another program of ours is
        // as good; anything else is checked below.
        if (mkdir(Path.c_str(), 0700) != 0 && errno != EEXIST) return Path + ": " + std::strerror(errno);
        if (lstat(Path.c_str(), &st) != 0) return Path + ": " + std::strerror(errno);
    }
    if (!S_ISDIR(st.st_mode)) return Path + " is not a directory";
    return OwnerRefusal(Path, st.st_uid, st.st_mode);
}

std::string RecipientSocketPath(const std::string& Dir, pid_t Pid)
{
    return Dir + "/" + std::to_string(Pid) + ".sock";
}

std::vector<pid_t> ListRecipientSockets(const std::string& Dir)
{
    std::vector<pid_t> Pids;
    DIR* d = opendir(Dir.c_str());
    if (!d) return Pids;
    const pid_t Self = getpid();
    while (const dirent* e = readdir(d)) {
        const char* Name = e->d_name;
        size_t Digits = std::strspn(Name, "0123456789");
        if (Digits == 0 || Digits > 9 || std::strcmp(Name + Digits, ".sock") != 0) continue;
        const pid_t Pid = static_cast<pid_t>(std::atol(Name));
        if (Pid > 0 && Pid != Self) Pids.push_back(Pid);
    }
    closedir(d);
    return Pids;
}

std::string CheckRecipientSocket(const std::string& Path)
{
    struct stat st;
    if (lstat(Path.c_str(), &st) != 0) return Path + ": " + std::strerror(errno);
    if (!S_ISSOCK(st.st_mode)) return Path + " is not a socket";
    return OwnerRefusal(Path, st.st_uid, st.st_mode);
}

bool ProgramRuns(pid_t Pid)
{
    return kill(Pid, 0) == 0 || errno != ESRCH;
}

}  // namespace kxtapi::service
