// TTapiDataObject.

#include "kxtapi/session/data_object.h"

#include "kxtapi/session/errors.h"

namespace kxtapi {

bool TTapiDataObject::Get_Available() const { return false; }
bool TTapiDataObject::Get_Enabled() const { return false; }
bool TTapiDataObject::Get_Valid() const { return FValid; }
uint32_t TTapiDataObject::UpdateData() { return 0; }
void TTapiDataObject::Invalidate() { FValid = false; }
void TTapiDataObject::Init() { Update(); }

uint32_t TTapiDataObject::Done()
{
    if (Get_Enabled()) Close();
    FValid = false;
    return 0;
}

uint32_t TTapiDataObject::Open()
{
    Update();
    return 0;
}

uint32_t TTapiDataObject::Close()
{
    Update();
    return 0;
}

uint32_t TTapiDataObject::Update()
{
    const uint32_t r = UpdateData();
    FValid = r == 0;
    return r;
}

uint32_t TTapiDataObject::Refresh()
{
    return CheckTapiResult(Update());
}

} // namespace kxtapi
