// The serial port's port-name and parity editors.

#include "kxtapi/design/tapi_editors.h"

#include "kxtapi/comm/comport.h"

namespace kxtapi {
namespace {

TComPort* EditedPort(TPersistent* Edited)
{
    auto* port = dynamic_cast<TComPort*>(Edited);
    if (port == nullptr) throw EInvalidCast("Invalid class typecast");
    return port;
}

} // namespace

TPropertyAttributes TComPortStringProperty::GetAttributes()
{
    return {paValueList, paSortList};
}

void TComPortStringProperty::GetValues(const TGetStrProc& Proc)
{
    TStringList* ports = EditedPort(GetComponent(0))->Get_Ports();
    // A copy: the handler may make the port enumerate again.
    const std::vector<std::string> names = ports->ToVector();
    for (const std::string& name : names) Proc(name);
}

TPropertyAttributes TComPortParityProperty::GetAttributes()
{
    return {paValueList};
}

void TComPortParityProperty::GetValues(const TGetStrProc& Proc)
{
    EditedPort(GetComponent(0));
    for (const char* letter : {"N", "O", "E", "M", "S"}) Proc(letter);
}

} // namespace kxtapi
