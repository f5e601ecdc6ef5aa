// TTapiPhoneDisplay: the display read from the phone's blocks, written
// through the phone.

#include "kxtapi/phone/display.h"

#include "kxtapi/phone/phone.h"
#include "kxtapi/tapi/phone_structs.h"

#include <cstddef>

namespace kxtapi {

bool TTapiPhoneDisplay::Get_Available() const
{
    return Get_NumRows() != 0 && Get_NumColumns() != 0;
}

uint32_t TTapiPhoneDisplay::Get_NumRows() const
{
    return FPhone != nullptr ? FPhone->Get_DevCapsBlock().Dword(offsetof(PHONECAPS, dwDisplayNumRows)) : 0;
}

uint32_t TTapiPhoneDisplay::Get_NumColumns() const
{
    return FPhone != nullptr ? FPhone->Get_DevCapsBlock().Dword(offsetof(PHONECAPS, dwDisplayNumColumns)) : 0;
}

std::string TTapiPhoneDisplay::Get_Text() const
{
    if (FPhone == nullptr) return std::string();
    return FPhone->Get_DevStatusBlock().String(offsetof(PHONESTATUS, dwDisplaySize),
                                               offsetof(PHONESTATUS, dwDisplayOffset));
}

void TTapiPhoneDisplay::Set_Text(const std::string& Value)
{
    if (FPhone == nullptr) throw Exception("No phone device");
    FPhone->Set_Display(this, Value);
}

} // namespace kxtapi
