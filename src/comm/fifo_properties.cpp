// Published properties of the token FIFO (Name and Tag come from
// TComponent).
//
// Size has no streaming default, so it is written to every form. A declared
// default of 4096 would leave a 4096-byte FIFO's size out of its form, and
// reading the form back would give the 2048 bytes a new FIFO starts with.
#include "kxtapi/comm/fifo.h"
#include "kxtapi/rtl/properties.h"

namespace kxtapi {

namespace {

const bool Registered = [] {
    RegisterClass<TkxFifo, TComponent>("TkxFifo")
        .Cardinal("Size", &TkxFifo::Get_Size, &TkxFifo::SetSize);
    return true;
}();

} // namespace

} // namespace kxtapi
