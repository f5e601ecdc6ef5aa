#include "kxtapi/tapi/config.h"
#include "service/service.h"
#include "service/service_lock.h"

namespace kxtapi {

std::string TelephonyStartError()
{
    service::TServiceLock Lock;
    return service::Service().StartError;
}

}  // namespace kxtapi
