// TTapiCallParams: values, assignment and packing into LINECALLPARAMS.

#include "kxtapi/line/call_params.h"

#include "kxtapi/line/call_parameters.h"
#include "kxtapi/rtl/object.h"

#include <cstddef>
#include <cstring>

namespace kxtapi {

TTapiCallParams::TTapiCallParams() : FDialParams(std::make_unique<TTapiDialParams>()) {}

TTapiCallParams::~TTapiCallParams() = default;

void TTapiCallParams::Default()
{
    FBearerMode = LINEBEARERMODE_VOICE;
    FMinRate = 0;
    FMaxRate = 0;
    FMediaMode = LINEMEDIAMODE_INTERACTIVEVOICE;
    FFlags = 0;
    FAddressMode = LINEADDRESSMODE_ADDRESSID;
    FAddressID = 0;
    FDialParams->Clear();
    FOrigAddress.clear();
    FDisplayableAddress.clear();
    FCalledParty.clear();
    FComment.clear();
    FTargetAddress.clear();
    FNoAnswerTimeout = 0;
    FCallingPartyID.clear();
}

void TTapiCallParams::Assign(const TPersistent* Source)
{
    if (auto* Other = dynamic_cast<const TTapiCallParams*>(Source)) {
        if (Other == this) return;
        FBearerMode = Other->FBearerMode;
        FMinRate = Other->FMinRate;
        FMaxRate = Other->FMaxRate;
        FMediaMode = Other->FMediaMode;
        FFlags = Other->FFlags;
        FAddressMode = Other->FAddressMode;
        FAddressID = Other->FAddressID;
        FDialParams->Assign(Other->FDialParams.get());
        FOrigAddress = Other->FOrigAddress;
        FDisplayableAddress = Other->FDisplayableAddress;
        FCalledParty = Other->FCalledParty;
        FComment = Other->FComment;
        FTargetAddress = Other->FTargetAddress;
        FNoAnswerTimeout = Other->FNoAnswerTimeout;
        FCallingPartyID = Other->FCallingPartyID;
        return;
    }
    if (auto* Defaults = dynamic_cast<const TTapiCallParameters*>(Source)) {
        Default();
        FMediaMode = Defaults->Get_MediaMode();
        FAddressID = Defaults->Get_AddressID();
        if (Defaults->Get_BlockID()) FFlags = LINECALLPARAMFLAGS_BLOCKID;
        FNoAnswerTimeout = Defaults->Get_NoAnswerTimeout();
        return;
    }
    TPersistent::Assign(Source);
}

LINECALLPARAMS* TTapiCallParams::GetParams()
{
    struct TPacked {
        const std::string* Text;
        uint32_t SizeField;
    };
    const TPacked Strings[] = {
        {&FCalledParty, offsetof(LINECALLPARAMS, dwCalledPartySize)},
        {&FCallingPartyID, offsetof(LINECALLPARAMS, dwCallingPartyIDSize)},
        {&FComment, offsetof(LINECALLPARAMS, dwCommentSize)},
        {&FDisplayableAddress, offsetof(LINECALLPARAMS, dwDisplayableAddressSize)},
        {&FOrigAddress, offsetof(LINECALLPARAMS, dwOrigAddressSize)},
        {&FTargetAddress, offsetof(LINECALLPARAMS, dwTargetAddressSize)},
    };
    constexpr uint64_t FixedSize = sizeof(LINECALLPARAMS);
    static_assert(FixedSize == 176);

    // Summed in 64 bits so that strings too long for a 32-bit block are
    // refused instead of wrapping into a short buffer.
    uint64_t Total = FixedSize;
    for (const TPacked& s : Strings)
        if (!s.Text->empty()) Total += s.Text->size() + 1;
    Total = (Total + 3) & ~uint64_t{3};
    if (Total > 0xFFFFFFFCu) throw Exception("Call parameters too large");

    // The new block is built before the old one is released, so the two
    // never share an address.
    TVarBlock Block(static_cast<uint32_t>(Total));
    LINECALLPARAMS* P = Block.As<LINECALLPARAMS>();
    P->dwBearerMode = FBearerMode;
    P->dwMinRate = FMinRate;
    P->dwMaxRate = FMaxRate;
    P->dwMediaMode = FMediaMode;
    P->dwCallParamFlags = FFlags;
    P->dwAddressMode = FAddressMode;
    P->dwAddressID = FAddressID;
    P->DialParams = *FDialParams->GetParams();
    P->dwNoAnswerTimeout = FNoAnswerTimeout;

    uint32_t Next = static_cast<uint32_t>(FixedSize);
    for (const TPacked& s : Strings) {
        if (s.Text->empty()) continue;
        const uint32_t Size = static_cast<uint32_t>(s.Text->size() + 1);
        Block.SetDword(s.SizeField, Size);
        Block.SetDword(s.SizeField + 4, Next);
        std::memcpy(Block.Data() + Next, s.Text->data(), s.Text->size());  // the zero is there already
        Next += Size;
    }

    FParams = std::move(Block);
    return FParams.As<LINECALLPARAMS>();
}

} // namespace kxtapi
