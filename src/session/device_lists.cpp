// TTapiDeviceList.

#include "kxtapi/session/device_lists.h"

#include "kxtapi/session/device.h"

namespace kxtapi {

int TTapiDeviceList::IndexOfDeviceID(int32_t DeviceID) const
{
    for (int i = 0; i < Count(); ++i)
        if (Get_Items(i)->Get_DeviceID() == DeviceID) return i;
    return -1;
}

} // namespace kxtapi
