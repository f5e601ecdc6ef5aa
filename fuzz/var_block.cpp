// A provider that writes whatever the input says into the blocks it is
// handed, and readers that look at the result with whatever sizes, offsets
// and counts the input names. Checked:
// - the fetch loop ends within its round limit, with the buffer's size equal
//   to its dwTotalSize and never above the size limit;
// - every string, field and entry list read lies inside the buffer and
//   equals the bytes there;
// - related-device answers count and index only values inside the answer.
#include <kxtapi/kxtapi.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace kxtapi;

namespace {

void Check(bool Ok, const char* What)
{
    if (!Ok) {
        std::fprintf(stderr, "var block fuzz: %s\n", What);
        std::abort();
    }
}

class TInput {
public:
    TInput(const uint8_t* Data, size_t Size) : FData(Data), FSize(Size) {}
    bool More() const { return FPos < FSize; }
    uint8_t Byte() { return FPos < FSize ? FData[FPos++] : 0; }
    uint32_t Dword()
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= uint32_t{Byte()} << (8 * i);
        return v;
    }
    // Sizes and offsets: mostly near the block, sometimes anywhere.
    uint32_t Number(uint32_t Near)
    {
        switch (Byte() % 4) {
        case 0: return Byte() % (Near + 8);
        case 1: return Near - (Byte() % 16);
        case 2: return 0xFFFFFFFF - (Byte() % 16);
        default: return Dword();
        }
    }

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FPos = 0;
};

uint32_t PickResult(TInput& In)
{
    static const uint32_t Results[] = {0, 0, 0, LINEERR_STRUCTURETOOSMALL, PHONEERR_STRUCTURETOOSMALL,
                                       LINEERR_NODEVICE};
    return Results[In.Byte() % (sizeof Results / sizeof Results[0])];
}

void CheckString(const TVarBlock& B, uint32_t Offset, uint32_t Length, const std::string& S)
{
    Check(S.size() <= Length, "string longer than its size");
    if (S.empty()) return;
    Check(B.View().Contains(Offset, static_cast<uint32_t>(S.size())), "string outside the block");
    Check(std::memcmp(B.Data() + Offset, S.data(), S.size()) == 0, "string differs from the block");
    Check(S.find('\0') == std::string::npos, "string holds its terminator");
}

void ReadEverything(TInput& In, const TVarBlock& B)
{
    for (int i = 0; i < 8 && In.More(); ++i) {
        const uint32_t Offset = In.Number(B.Size()), Length = In.Number(B.Size());
        CheckString(B, Offset, Length, B.StringAt(Offset, Length));
        const uint32_t SizeField = In.Number(B.Size());
        const std::string Pair = VarBlockString(B, SizeField);
        if (!Pair.empty()) CheckString(B, B.Dword(SizeField + 4), B.Dword(SizeField), Pair);
        const uint32_t At = In.Number(B.Size());
        const uint32_t v = B.Dword(At);
        if (!B.View().Contains(At, 4)) Check(v == 0, "field outside the block not 0");
        const uint32_t Count = In.Number(64);
        const auto Entries = B.Entries<LINEMONITORTONE>(Count, Offset);
        Check(Entries.size() <= Count, "more entries than asked");
        Check(Entries.empty() || B.View().Contains(Offset, static_cast<uint32_t>(Entries.size() * sizeof(LINEMONITORTONE))),
              "entries outside the block");
    }
}

// A related device whose answer comes from the input.
struct TAnswered : TTapiRelatedDevice {
    TAnswered() : TTapiRelatedDevice(nullptr, "tapi/phone") {}
    void Put(TVarBlock&& B) { FAnswer = std::move(B); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    TInput In(Data, Size);
    static const uint32_t Fixed[] = {sizeof(VARSTRING), sizeof(LINEDEVCAPS), sizeof(PHONECAPS), 12, 3000};
    TVarBlock B(Fixed[In.Byte() % 5]);
    int Calls = 0;
    const uint32_t r = FetchVarBlock(
        B,
        [&]() -> uint32_t {
            ++Calls;
            Check(B.Size() == B.Get_TotalSize(), "dwTotalSize differs from the buffer");
            Check(B.Get_NeededSize() == 0 && B.Get_UsedSize() == 0, "header not cleared before the call");
            // The provider writes a few body bytes and its header.
            for (int i = 0, n = In.Byte() % 16; i < n; ++i) {
                const uint32_t At = In.Number(B.Size());
                if (At < B.Size()) B.Data()[At] = In.Byte();
            }
            for (uint32_t At = 12; At + 4 <= B.Size() && At < 64; At += 4) B.SetDword(At, In.Number(B.Size()));
            B.Set_NeededSize(In.Number(B.Size() * 2));
            B.Set_UsedSize(In.Number(B.Size()));
            if (In.Byte() & 1) B.SetDword(0, In.Dword());
            return PickResult(In);
        },
        (In.Byte() & 1) ? frLineOrPhoneTooSmall : frLineTooSmall);
    Check(Calls >= 1 && Calls <= MaxVarBlockRounds, "fetch rounds out of bounds");
    Check(B.Size() <= MaxVarBlockSize, "buffer above the limit");
    Check(B.Size() == B.Get_TotalSize(), "dwTotalSize differs after the fetch");
    (void)r;
    ReadEverything(In, B);

    TAnswered Related;
    const uint32_t AnswerSize = B.Size();
    Related.Put(std::move(B));
    const int n = Related.Get_DeviceIDCount();
    Check(n >= 0 && static_cast<uint64_t>(n) * 4 <= AnswerSize, "identifier count beyond the answer");
    for (int i = 0; i < n && i < 64; ++i) (void)Related.Get_DeviceID2(i);
    (void)Related.Get_DeviceID();
    return 0;
}
