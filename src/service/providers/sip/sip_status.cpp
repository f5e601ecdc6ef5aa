#include "service/providers/sip/sip_status.h"

#include "kxtapi/tapi.h"

#include <cerrno>

namespace kxtapi::service::sip {

uint32_t DisconnectModeOfStatus(uint16_t Status)
{
    switch (Status) {
    case 486:   // Busy Here
    case 600:   // Busy Everywhere
        return LINEDISCONNECTMODE_BUSY;
    case 404:   // Not Found
    case 604:   // Does Not Exist Anywhere
    case 484:   // Address Incomplete
    case 485:   // Ambiguous
    case 416:   // Unsupported URI Scheme
        return LINEDISCONNECTMODE_BADADDRESS;
    case 410:   // Gone
        return LINEDISCONNECTMODE_NUMBERCHANGED;
    case 408:   // Request Timeout: nobody answered in time
        return LINEDISCONNECTMODE_NOANSWER;
    case 480:   // Temporarily Unavailable
        return LINEDISCONNECTMODE_UNAVAIL;
    case 603:   // Decline
    case 403:   // Forbidden
    case 401:   // Unauthorized: our credentials were refused
    case 407:
        return LINEDISCONNECTMODE_REJECT;
    case 488:   // Not Acceptable Here: no common media
    case 606:
    case 415:
        return LINEDISCONNECTMODE_INCOMPATIBLE;
    case 502:   // Bad Gateway
    case 503:   // Service Unavailable
        return LINEDISCONNECTMODE_CONGESTION;
    case 504:   // Server Time-out
        return LINEDISCONNECTMODE_UNREACHABLE;
    default:
        break;
    }
    if (Status >= 300 && Status < 400) return LINEDISCONNECTMODE_FORWARDED;
    if (Status >= 500 && Status < 600) return LINEDISCONNECTMODE_UNAVAIL;
    if (Status >= 600) return LINEDISCONNECTMODE_REJECT;
    return LINEDISCONNECTMODE_UNAVAIL;
}

uint32_t DisconnectModeOfError(int Error)
{
    switch (Error) {
    case ETIMEDOUT:
    case ECONNREFUSED:
    case EHOSTUNREACH:
    case ENETUNREACH:
        return LINEDISCONNECTMODE_UNREACHABLE;
    case ECONNRESET:   // the far end ended the call
    case 0:
        return LINEDISCONNECTMODE_NORMAL;
    default:
        return LINEDISCONNECTMODE_UNKNOWN;
    }
}

}  // namespace kxtapi::service::sip
