// Published properties of the control base: where the control sits, its
// size and whether it shows.
#include "kxtapi/rtl/controls.h"
#include "kxtapi/rtl/properties.h"

namespace kxtapi {

namespace {

const bool Registered = [] {
    RegisterEnum<TBevelStyle>("TBevelStyle", {"bsLowered", "bsRaised"});
    RegisterClass<TCustomControl, TComponent>("TCustomControl")
        .Integer("Left", &TCustomControl::Get_Left, &TCustomControl::Set_Left)
        .Integer("Top", &TCustomControl::Get_Top, &TCustomControl::Set_Top)
        .Integer("Width", &TCustomControl::Get_Width, &TCustomControl::Set_Width)
        .Integer("Height", &TCustomControl::Get_Height, &TCustomControl::Set_Height)
        .Boolean("Visible", &TCustomControl::Get_Visible, &TCustomControl::Set_Visible, true);
    return true;
}();

} // namespace

} // namespace kxtapi
