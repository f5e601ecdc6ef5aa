// Call parameters packed from arbitrary values: the input is split at 0xFF
// bytes into six strings (zero bytes included) and a run of numbers. The
// packed block must hold every value at its place, every non-empty string
// with its zero inside the block, back to back in packing order, and a size
// that is the sum rounded up to four.

#include <kxtapi/kxtapi.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace kxtapi;

void Check(bool Ok)
{
    if (!Ok) std::abort();
}

uint32_t Word(const uint8_t* Block, uint32_t Offset)
{
    uint32_t v;
    std::memcpy(&v, Block + Offset, 4);
    return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    std::vector<std::string> Parts(7);
    size_t Part = 0;
    for (size_t i = 0; i < Size; ++i) {
        if (Data[i] == 0xFF && Part < 6) ++Part;
        else Parts[Part] += static_cast<char>(Data[i]);
    }
    auto Number = [&](size_t i) {
        uint32_t v = 0;
        const std::string& s = Parts[6];
        for (size_t b = 0; b < 4 && 4 * i + b < s.size(); ++b) v |= uint32_t(uint8_t(s[4 * i + b])) << (8 * b);
        return v;
    };

    TTapiCallParams P;
    P.Set_CalledParty(Parts[0]);
    P.Set_CallingPartyID(Parts[1]);
    P.Set_Comment(Parts[2]);
    P.Set_DisplayableAddress(Parts[3]);
    P.Set_OrigAddress(Parts[4]);
    P.Set_TargetAddress(Parts[5]);
    P.Set_BearerMode(Number(0));
    P.Set_MediaMode(Number(1));
    P.Set_Flags(Number(2));
    P.Set_AddressID(Number(3));
    P.Get_DialParams()->Set_DigitDuration(Number(4));
    P.Set_NoAnswerTimeout(Number(5));

    const uint8_t* B = reinterpret_cast<const uint8_t*>(P.GetParams());
    const uint32_t Total = P.Get_ParamsBlock().Size();
    Check(Word(B, 0) == Total);
    Check(Word(B, 4) == Number(0) && Word(B, 16) == Number(1) && Word(B, 20) == Number(2));
    Check(Word(B, 28) == Number(3) && Word(B, 40) == Number(4) && Word(B, 164) == Number(5));

    const uint32_t SizeFields[] = {64, 168, 72, 56, 48, 116};  // in packing order
    uint32_t Next = 176;
    for (size_t i = 0; i < 6; ++i) {
        const std::string& s = Parts[i];
        const uint32_t Len = Word(B, SizeFields[i]), Off = Word(B, SizeFields[i] + 4);
        if (s.empty()) {
            Check(Len == 0 && Off == 0);
            continue;
        }
        Check(Len == s.size() + 1 && Off == Next);
        Check(Off + Len <= Total);
        Check(std::memcmp(B + Off, s.data(), s.size()) == 0 && B[Off + s.size()] == 0);
        Next += Len;
    }
    Check(Total == ((Next + 3) & ~3u));
    for (uint32_t o = Next; o < Total; ++o) Check(B[o] == 0);
    return 0;
}
