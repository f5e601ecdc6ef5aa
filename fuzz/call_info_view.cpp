// Block views under hostile blocks: the input becomes a LINEDEVCAPS,
// LINECALLINFO, LINEDEVSTATUS, LINEADDRESSCAPS or LINEADDRESSSTATUS buffer of
// its own size (header included, so dwTotalSize may lie), and a generator
// seeded from it rewrites the string pairs with sizes and offsets around the
// buffer's end, past it and wrapping. Every index and every published
// property is read; each result must equal what a direct, bounded reading
// of the buffer gives.

#include <kxtapi/kxtapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

using namespace kxtapi;

void Check(bool Ok)
{
    if (!Ok) std::abort();
}

uint32_t Word(const TVarBlock& B, uint32_t Offset)
{
    uint32_t v = 0;
    if (Offset <= B.Size() && B.Size() - Offset >= 4) std::memcpy(&v, B.Data() + Offset, 4);
    return v;
}

std::string Text(const TVarBlock& B, uint32_t SizeField)
{
    const uint32_t Size = Word(B, SizeField), Offset = Word(B, SizeField + 4);
    if (Size == 0 || Offset >= B.Size()) return std::string();
    const uint32_t n = std::min(Size, B.Size() - Offset);
    const char* p = reinterpret_cast<const char*>(B.Data() + Offset);
    return std::string(p, strnlen(p, n));
}

void Put(TVarBlock& B, uint32_t Offset, uint32_t Value)
{
    B.SetDword(Offset, Value);
}

// Rewrites one string pair with a value around an edge of the buffer.
void Aim(TVarBlock& B, uint32_t SizeField, std::minstd_rand& Rng)
{
    const uint32_t n = B.Size();
    const uint32_t k = Rng() % 16;
    switch (Rng() % 7) {
    case 0: return;  // keep the input's bytes
    case 1: Put(B, SizeField + 4, Rng() % (n + 1)); Put(B, SizeField, Rng() % (n + 1)); return;
    case 2: Put(B, SizeField + 4, n > k ? n - k : 0); Put(B, SizeField, 0xFFFFFFFFu - k); return;
    case 3: Put(B, SizeField + 4, n + k); Put(B, SizeField, 1 + k); return;
    case 4: Put(B, SizeField + 4, 0xFFFFFFFFu - k); Put(B, SizeField, k + 2); return;
    case 5: Put(B, SizeField + 4, Rng() % (n + 1)); Put(B, SizeField, 0); return;
    default: Put(B, SizeField + 4, Rng()); Put(B, SizeField, Rng()); return;
    }
}

void ReadAll(const TTapiBlockView& View, const TVarBlock& B)
{
    const auto Fields = View.DWordFields();
    const auto Strings = View.StringFields();
    for (int i = -2; i < static_cast<int>(Fields.size()) + 2; ++i) {
        const bool In = i >= 0 && i < static_cast<int>(Fields.size());
        Check(View.GetDWORD(i) == (In ? Word(B, Fields[i].Offset) : 0));
    }
    for (int i = -2; i < static_cast<int>(Strings.size()) + 2; ++i) {
        const bool In = i >= 0 && i < static_cast<int>(Strings.size());
        Check(View.GetString(i) == (In ? Text(B, Strings[i].Offset) : std::string()));
    }
    if (const TClassInfo* Class = TPropertyRegistry::ClassOf(&View)) {
        for (const TPropertyInfo* P : Class->Properties()) {
            if (P->Kind() == pkString) (void)P->GetString(&View);
            else (void)P->GetOrd(&View);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    if (Size < 3) return 0;
    const int Kind = Data[0] % 5;
    const uint32_t BlockSize = 12 + ((Data[1] | Data[2] << 8) % 1200);
    uint32_t Seed = 0;
    std::memcpy(&Seed, Data, std::min<size_t>(Size, 4));
    std::minstd_rand Rng(Seed + 1);

    TVarBlock B(BlockSize);  // exactly BlockSize bytes: a read past them is a sanitizer report
    std::memcpy(B.Data(), Data + 3, std::min<size_t>(Size - 3, BlockSize));

    TTapiLineCaps Caps(&B);
    TTapiCallInfo Info(&B);
    TTapiLineStatus Status(&B);
    TTapiAddressCaps AddressCaps(&B);
    TTapiAddressStatus AddressStatus(&B);
    const TTapiBlockView* Views[] = {&Caps, &Info, &Status, &AddressCaps, &AddressStatus};
    const TTapiBlockView& View = *Views[Kind];
    for (const TBlockField& s : View.StringFields()) Aim(B, s.Offset, Rng);

    ReadAll(View, B);
    if (Kind == 0) {
        const std::string Dump = Caps.TextDump();
        Check(Dump.rfind("DeviceCaps of " + Caps.GetString(2) + "\r\n", 0) == 0);
        Check(Dump.size() >= 45 * 2);
    }
    if (Kind == 1)
        for (int i = -1; i <= 8; ++i) (void)Info.GetCallInfoDW(i);
    return 0;
}
