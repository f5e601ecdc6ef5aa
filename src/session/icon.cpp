// TTapiIcon.

#include "kxtapi/session/icon.h"

namespace kxtapi {

void TTapiIcon::Assign(const TPersistent* Source)
{
    if (auto* Other = dynamic_cast<const TTapiIcon*>(Source)) {
        FHandle = Other->FHandle;
        return;
    }
    TPersistent::Assign(Source);
}

} // namespace kxtapi
