#include "call_numbers.h"

#include <string>

namespace kxphone {

namespace {
constexpr const char* NoteName = "kxphone.number";
}

int TCallNumbers::NumberOf(kxtapi::TTapiCall* Call)
{
    if (Call == nullptr) return 0;
    const std::string Known = Call->Get_Notes(NoteName);
    if (!Known.empty()) return std::stoi(Known);
    const int n = FNext++;
    Call->Set_Notes(NoteName, std::to_string(n));
    return n;
}

kxtapi::TTapiCall* TCallNumbers::Find(int Number, const std::vector<kxtapi::TTapiLine*>& Lines)
{
    const std::string Wanted = std::to_string(Number);
    for (kxtapi::TTapiLine* Line : Lines) {
        for (kxtapi::TTapiCallList* List : {Line->Get_Calls(), Line->Get_UnboundCalls()})
            for (int i = 0; i < List->Count(); ++i)
                if (kxtapi::TTapiCall* c = List->Get(i); c != nullptr && c->Get_Notes(NoteName) == Wanted) return c;
    }
    return nullptr;
}

} // namespace kxphone
