// The directory where programs of one user meet to hand each other
// make-call requests, and the sockets in it.
//
// The directory is "$XDG_RUNTIME_DIR/kxtapi", or "<tmp>/kxtapi-<uid>" when
// XDG_RUNTIME_DIR is unset or not an absolute path (<tmp> is $TMPDIR, else
// /tmp). It must be a real directory (not a link) of this user with mode
// 0700; anything else is refused, never repaired, because another user
// could then reach the sockets. A program registered as make-call recipient
// listens on "<pid>.sock" in it, a socket of mode 0600.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace kxtapi::service {

/// The directory's path (it may not exist).
std::string RequestDirPath();

/// Checks the directory at Path, creating it with mode 0700 first when
/// Create is set and it is missing. Returns an empty string when it can be
/// used or is missing (and not created; Missing tells which), otherwise
/// why it may not be used.
std::string CheckRequestDir(const std::string& Path, bool Create, bool* Missing = nullptr);

/// The socket of program Pid in Dir.
std::string RecipientSocketPath(const std::string& Dir, pid_t Pid);

/// The programs with a socket in Dir, other than this one: names of the
/// form "<pid>.sock"; other entries are ignored.
std::vector<pid_t> ListRecipientSockets(const std::string& Dir);

/// Empty when the socket at Path is this user's with no access for others;
/// otherwise why it is refused.
std::string CheckRecipientSocket(const std::string& Path);

/// Why a directory or socket with this owner and mode may not be used
/// (another user's, or open to group or others); empty when it may.
std::string OwnerRefusal(const std::string& Path, uid_t Owner, mode_t Mode);

/// False only when Pid certainly runs no more.
bool ProgramRuns(pid_t Pid);

}  // namespace kxtapi::service
