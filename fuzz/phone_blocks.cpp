// A phone's parts under hostile blocks: the input becomes the phone's
// PHONECAPS or PHONESTATUS buffer of its own size (header included, so the
// sizes may lie), a generator seeded from it aims the lists and strings
// around the buffer's end, past it and wrapping, and every part reads it:
// the caps and status views (each result compared with a direct, bounded
// reading), the hook switches, display, ringer and controls with their
// fallback lists.

#include <kxtapi/kxtapi.h>

#include <algorithm>
#include <cstddef>
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

// A phone whose blocks and state the target sets directly.
class TFuzzPhone : public TTapiPhone {
public:
    TFuzzPhone() : TTapiPhone(nullptr) {}
    ~TFuzzPhone() override { DeviceHandle = 0; }
    void Load(bool Status, const uint8_t* Data, uint32_t Size, uint32_t BlockSize, bool Open)
    {
        TVarBlock& B = Status ? FDevStatus : FDevCaps;
        B.Allocate(BlockSize);
        std::memcpy(B.Data(), Data, std::min(Size, BlockSize));
        Available = true;
        // A handle the service does not know: asking it for a lamp fails.
        DeviceHandle = Open ? 0x7FFFFFF0u : 0;
        FActive = Open;
    }
    TVarBlock& Block(bool Status) { return Status ? FDevStatus : FDevCaps; }
};

void Aim(TVarBlock& B, uint32_t SizeField, std::minstd_rand& Rng)
{
    const uint32_t n = B.Size();
    const uint32_t k = Rng() % 16;
    switch (Rng() % 6) {
    case 0: return;
    case 1: B.SetDword(SizeField + 4, Rng() % (n + 1)); B.SetDword(SizeField, Rng() % (n + 1)); return;
    case 2: B.SetDword(SizeField + 4, n > k ? n - k : 0); B.SetDword(SizeField, 0xFFFFFFFFu - k); return;
    case 3: B.SetDword(SizeField + 4, n + k); B.SetDword(SizeField, 4 * (1 + k)); return;
    case 4: B.SetDword(SizeField + 4, 0xFFFFFFFFu - k); B.SetDword(SizeField, 4 * (k + 2)); return;
    default: B.SetDword(SizeField + 4, Rng()); B.SetDword(SizeField, Rng()); return;
    }
}

void ReadView(const TTapiBlockView& View, const TVarBlock& B)
{
    const auto Fields = View.DWordFields();
    for (int i = -2; i < static_cast<int>(Fields.size()) + 2; ++i) {
        const bool In = i >= 0 && i < static_cast<int>(Fields.size());
        Check(View.GetDWORD(i) == (In ? Word(B, Fields[i].Offset) : 0));
    }
    for (int i = -2; i < static_cast<int>(View.StringFields().size()) + 2; ++i) (void)View.GetString(i);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    if (Size < 3) return 0;
    static TFuzzPhone* Phone = new TFuzzPhone;   // one for the whole run
    const bool Status = (Data[0] & 1) != 0;
    const bool Open = (Data[0] & 2) != 0;
    const uint32_t BlockSize = 12 + ((Data[1] | Data[2] << 8) % 600);
    uint32_t Seed = 0;
    std::memcpy(&Seed, Data, std::min<size_t>(Size, 4));
    std::minstd_rand Rng(Seed + 1);

    Phone->Load(Status, Data + 3, static_cast<uint32_t>(Size - 3), BlockSize, Open);
    TVarBlock& B = Phone->Block(Status);
    if (Status) {
        for (const TBlockField& s : TTapiPhoneStatus::Strings()) Aim(B, s.Offset, Rng);
        ReadView(*Phone->Get_Status(), B);
    } else {
        for (uint32_t Pair : {offsetof(PHONECAPS, dwButtonModesSize), offsetof(PHONECAPS, dwButtonFunctionsSize),
                              offsetof(PHONECAPS, dwLampModesSize), offsetof(PHONECAPS, dwPhoneNameSize)})
            Aim(B, static_cast<uint32_t>(Pair), Rng);
        ReadView(*Phone->Get_Caps(), B);
        (void)Phone->Get_DeviceName();
    }
    for (int i = -1; i < 25; ++i) (void)Phone->Get_StatusDW(i);
    for (TTapiPhoneHookSwitch* H : {Phone->Get_Handset(), Phone->Get_Speakerphone(), Phone->Get_Headset()}) {
        (void)H->Get_Available();
        (void)H->Get_OnHook();
        (void)H->Get_Speaker();
        (void)H->Get_Micro();
        (void)H->Get_Gain();
        (void)H->Get_Volume();
        (void)H->Get_Modes();
    }
    (void)Phone->Get_Display()->Get_Text();
    (void)Phone->Get_Display()->Get_Available();
    (void)Phone->Get_Ringer()->Get_Volume();
    const uint32_t IDs[] = {0u, 1u, static_cast<uint32_t>(Rng() % 64), static_cast<uint32_t>(Rng()), 0xFFFFFFFFu};
    for (uint32_t ID : IDs) {
        const TTapiPhoneControl Control(nullptr, ID);
        (void)Control.Get_ButtonMode();
        TTapiPhoneControl Bound(Phone, ID);
        (void)Bound.Get_ButtonMode();
        (void)Bound.Get_ButtonFunction();
        (void)Bound.Get_LampMode();
        (void)Bound.Get_ButtonText();
        (void)Bound.IsLamp();
    }
    return 0;
}
