#include "service/blocks.h"

#include <algorithm>
#include <cstddef>

namespace kxtapi::service {

namespace {

constexpr uint32_t OffTotal = 0, OffNeeded = 4, OffUsed = 8;

void WriteDword(void* Block, uint32_t Offset, uint32_t Value)
{
    std::memcpy(static_cast<uint8_t*>(Block) + Offset, &Value, 4);
}

uint32_t ReadDword(const void* Block, uint32_t Offset)
{
    uint32_t v;
    std::memcpy(&v, static_cast<const uint8_t*>(Block) + Offset, 4);
    return v;
}

}  // namespace

TBlockImage::TBlockImage(uint32_t FixedSize) : FFixedSize(FixedSize), FBytes(FixedSize, 0) {}

void TBlockImage::SetFixed(const void* Fixed, uint32_t Size)
{
    std::memcpy(FBytes.data(), Fixed, std::min(Size, FFixedSize));
}

void TBlockImage::PutDword(uint32_t Offset, uint32_t Value)
{
    if (Offset + 4 <= FBytes.size()) WriteDword(FBytes.data(), Offset, Value);
}

uint32_t TBlockImage::GetDword(uint32_t Offset) const
{
    return Offset + 4 <= FBytes.size() ? ReadDword(FBytes.data(), Offset) : 0;
}

uint32_t TBlockImage::Append(const void* Bytes, uint32_t Count, bool Align)
{
    if (Align)
        while (FBytes.size() % 4) FBytes.push_back(0);
    uint32_t Offset = static_cast<uint32_t>(FBytes.size());
    const uint8_t* p = static_cast<const uint8_t*>(Bytes);
    if (p)
        FBytes.insert(FBytes.end(), p, p + Count);
    else
        FBytes.insert(FBytes.end(), Count, 0);
    return Offset;
}

void TBlockImage::PutData(uint32_t PairOffset, const void* Bytes, uint32_t Count, bool Align)
{
    if (PairOffset + 8 <= FFixedSize &&
        std::find(FPairs.begin(), FPairs.end(), PairOffset) == FPairs.end())
        FPairs.push_back(PairOffset);
    if (Count == 0) {
        PutDword(PairOffset, 0);
        PutDword(PairOffset + 4, 0);
        return;
    }
    uint32_t Offset = Append(Bytes, Count, Align);
    PutDword(PairOffset, Count);
    PutDword(PairOffset + 4, Offset);
}

void TBlockImage::PutString(uint32_t PairOffset, const std::string& Text)
{
    if (Text.empty()) {
        PutData(PairOffset, nullptr, 0);
        return;
    }
    PutData(PairOffset, Text.c_str(), static_cast<uint32_t>(Text.size() + 1));
}

void TBlockImage::PutMultiString(uint32_t PairOffset, const std::vector<std::string>& Texts)
{
    if (Texts.empty()) {
        PutData(PairOffset, nullptr, 0);
        return;
    }
    std::string All;
    for (const std::string& t : Texts) {
        All += t;
        All.push_back('\0');
    }
    All.push_back('\0');
    PutData(PairOffset, All.data(), static_cast<uint32_t>(All.size()));
}

void TBlockImage::PutDwords(uint32_t PairOffset, const std::vector<uint32_t>& Values)
{
    PutData(PairOffset, Values.data(), static_cast<uint32_t>(Values.size() * 4), true);
}

uint32_t TBlockImage::PutList(uint32_t PairOffset, uint32_t Count)
{
    PutData(PairOffset, nullptr, Count, true);
    return GetDword(PairOffset + 4);
}

void TBlockImage::MarkCount(uint32_t Offset)
{
    if (Offset + 4 <= FFixedSize) FCounts.push_back(Offset);
}

void TBlockImage::WriteTo(void* Block, uint32_t TotalSize, THostileBlock Hostile) const
{
    uint32_t Needed = NeededSize();
    uint32_t Written;
    if (TotalSize >= Needed) {
        std::memcpy(Block, FBytes.data(), Needed);
        Written = Needed;
    } else {
        std::memcpy(Block, FBytes.data(), FFixedSize);
        for (uint32_t p : FPairs) {
            WriteDword(Block, p, 0);
            WriteDword(Block, p + 4, 0);
        }
        for (uint32_t c : FCounts) WriteDword(Block, c, 0);
        Written = FFixedSize;
    }
    WriteDword(Block, OffTotal, TotalSize);
    WriteDword(Block, OffNeeded, Needed);
    WriteDword(Block, OffUsed, Written);

    switch (Hostile) {
    case hbNone:
        break;
    case hbPairsPastEnd:
        for (uint32_t p : FPairs) {
            WriteDword(Block, p, 64);
            WriteDword(Block, p + 4, TotalSize > 2 ? TotalSize - 2 : 0);
        }
        break;
    case hbPairsWrap:
        for (uint32_t p : FPairs) {
            WriteDword(Block, p, 0x20);
            WriteDword(Block, p + 4, 0xFFFFFFF0u);
        }
        break;
    case hbNeededHuge:
        WriteDword(Block, OffNeeded, 0xFFFFFFF0u);
        break;
    case hbUsedBeyondTotal:
        WriteDword(Block, OffUsed, TotalSize + 4096);
        break;
    case hbCountsHuge:
        for (uint32_t c : FCounts) WriteDword(Block, c, 0x7FFFFFFF);
        break;
    }
}

uint32_t BlockTotalSize(const void* Block)
{
    return Block ? ReadDword(Block, OffTotal) : 0;
}

std::string BlockString(const void* Block, uint32_t TotalSize, uint32_t PairOffset, bool CutAtZero)
{
    if (!Block || PairOffset + 8 > TotalSize) return {};
    uint32_t Size = ReadDword(Block, PairOffset);
    uint32_t Offset = ReadDword(Block, PairOffset + 4);
    // Compared as 64-bit so that a huge offset cannot wrap into the block.
    if (Size == 0 || uint64_t(Offset) + Size > TotalSize) return {};
    const char* p = static_cast<const char*>(Block) + Offset;
    std::string s(p, Size);
    if (CutAtZero) {
        size_t z = s.find('\0');
        if (z != std::string::npos) s.resize(z);
    }
    return s;
}

bool ReadCallParams(const LINECALLPARAMS* Block, TCallParamsData& Params)
{
    Params = TCallParamsData{};
    if (!Block) return true;
    uint32_t Total = BlockTotalSize(Block);
    if (Total < sizeof(LINECALLPARAMS)) return false;
    LINECALLPARAMS p;
    std::memcpy(&p, Block, sizeof p);
    // Every string pair must lie inside the block; a pair that does not is a
    // caller's error, not something to read around.
    const uint32_t Pairs[] = {
        offsetof(LINECALLPARAMS, dwOrigAddressSize),    offsetof(LINECALLPARAMS, dwDisplayableAddressSize),
        offsetof(LINECALLPARAMS, dwCalledPartySize),    offsetof(LINECALLPARAMS, dwCommentSize),
        offsetof(LINECALLPARAMS, dwUserUserInfoSize),   offsetof(LINECALLPARAMS, dwTargetAddressSize),
        offsetof(LINECALLPARAMS, dwCallingPartyIDSize),
    };
    for (uint32_t Pair : Pairs) {
        uint32_t Size = ReadDword(Block, Pair), Offset = ReadDword(Block, Pair + 4);
        if (Size != 0 && uint64_t(Offset) + Size > Total) return false;
    }
    Params.Given = true;
    Params.BearerMode = p.dwBearerMode ? p.dwBearerMode : LINEBEARERMODE_VOICE;
    Params.MinRate = p.dwMinRate;
    Params.MaxRate = p.dwMaxRate;
    Params.MediaMode = p.dwMediaMode ? p.dwMediaMode : LINEMEDIAMODE_INTERACTIVEVOICE;
    Params.CallParamFlags = p.dwCallParamFlags;
    Params.AddressMode = p.dwAddressMode ? p.dwAddressMode : LINEADDRESSMODE_ADDRESSID;
    Params.AddressID = p.dwAddressID;
    Params.DialParams = p.DialParams;
    Params.NoAnswerTimeout = p.dwNoAnswerTimeout;
    Params.OrigAddress = BlockString(Block, Total, offsetof(LINECALLPARAMS, dwOrigAddressSize));
    Params.DisplayableAddress = BlockString(Block, Total, offsetof(LINECALLPARAMS, dwDisplayableAddressSize));
    Params.CalledParty = BlockString(Block, Total, offsetof(LINECALLPARAMS, dwCalledPartySize));
    Params.Comment = BlockString(Block, Total, offsetof(LINECALLPARAMS, dwCommentSize));
    Params.TargetAddress = BlockString(Block, Total, offsetof(LINECALLPARAMS, dwTargetAddressSize));
    Params.CallingPartyID = BlockString(Block, Total, offsetof(LINECALLPARAMS, dwCallingPartyIDSize));
    Params.UserUserInfo = BlockString(Block, Total, offsetof(LINECALLPARAMS, dwUserUserInfoSize), false);
    return true;
}

TBlockImage VarStringImage(uint32_t Format, const void* Bytes, uint32_t Count)
{
    TBlockImage Image(sizeof(VARSTRING));
    Image.PutDword(offsetof(VARSTRING, dwStringFormat), Format);
    Image.PutData(offsetof(VARSTRING, dwStringSize), Bytes, Count);
    return Image;
}

}  // namespace kxtapi::service
