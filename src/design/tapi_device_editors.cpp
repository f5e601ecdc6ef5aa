// The device-name and provider-version editors.

#include "kxtapi/design/tapi_editors.h"

#include "kxtapi/session/device.h"

namespace kxtapi {

bool TTapiDeviceNameProperty::AutoFill()
{
    return false;
}

TPropertyAttributes TTapiDeviceNameProperty::GetAttributes()
{
    return {paValueList};
}

void TTapiDeviceNameProperty::GetValues(const TGetStrProc& Proc)
{
    TStringList list;
    GetValueList(&list);
    for (int i = 0; i < list.Count(); ++i) Proc(list.Strings(i));
}

void TTapiDeviceNameProperty::GetValueList(TStrings* List)
{
    if (List == nullptr) return;
    auto* device = dynamic_cast<TTapiDevice*>(GetComponent(0));
    if (device == nullptr) return;
    // Reading the list starts the telephony session if it is not running.
    List->Assign(*device->Get_DeviceList());
    Modified();
}

void TTapiTSPProperty::Edit()
{
    TClassProperty::Edit();
}

TPropertyAttributes TTapiTSPProperty::GetAttributes()
{
    return {paSubProperties, paReadOnly};
}

} // namespace kxtapi
