// libre and librem, as the SIP provider includes them, and the small helpers
// the user agent's files share. Their headers are included as system headers
// (see CMakeLists.txt) and want two definitions their pkg-config file does
// not give.
#pragma once

#ifndef HAVE_INTTYPES_H
#define HAVE_INTTYPES_H 1
#endif
#ifndef HAVE_STDBOOL_H
#define HAVE_STDBOOL_H 1
#endif

#include <re.h>
#include <rem.h>

#include <string>

namespace kxtapi::service::sip {

/// The methods the user agent answers, as a header line for its requests
/// and answers.
inline constexpr const char* AllowHeader = "Allow: INVITE, ACK, BYE, CANCEL, OPTIONS, REFER, NOTIFY, INFO\r\n";

/// A libre string slice as a string (empty for a null slice).
inline std::string Text(const struct pl& p)
{
    return std::string(p.p ? p.p : "", p.l);
}

}  // namespace kxtapi::service::sip
