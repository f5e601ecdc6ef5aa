// Published properties of the token FIFO. The declared streaming default
// (4096) is not the size a new FIFO has (2048): a FIFO that keeps its
// initial size still writes it, and one of 4096 bytes does not.
#include "kxtapi/comm/fifo.h"
#include "kxtapi/rtl/properties.h"

namespace kxtapi {

namespace {

const bool Registered = [] {
    RegisterClass<TkxFifo, TComponent>("TkxFifo")
        .Cardinal("Size", &TkxFifo::Get_Size, &TkxFifo::SetSize, 4096);
    return true;
}();

} // namespace

} // namespace kxtapi
