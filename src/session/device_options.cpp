// TTapiDeviceOptions.

#include "kxtapi/session/device_options.h"

namespace kxtapi {

void TTapiDeviceOptions::Assign(const TPersistent* Source)
{
    if (auto* Other = dynamic_cast<const TTapiDeviceOptions*>(Source)) {
        ReplyTimeout = Other->ReplyTimeout;
        SyncMode = Other->SyncMode;
        return;
    }
    TPersistent::Assign(Source);
}

} // namespace kxtapi
