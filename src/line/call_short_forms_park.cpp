// TTapiCall: parking a call by its short form, with the address block of a
// non-directed park kept by the call.

#include "kxtapi/line/call.h"

#include "kxtapi/line/line.h"

#include <algorithm>
#include <cstring>

namespace kxtapi {
namespace {

// Room for any park address a switch hands out.
constexpr uint32_t ParkBlockSize = sizeof(VARSTRING) + 256;

} // namespace

std::string TTapiCall::Park(const std::string& DirAddress)
{
    if (!DirAddress.empty()) {
        FLine->Park(this, LINEPARKMODE_DIRECTED, DirAddress, nullptr);
        return DirAddress;
    }
    auto Block = std::make_unique<uint8_t[]>(ParkBlockSize);
    std::memset(Block.get(), 0, ParkBlockSize);
    auto* Where = reinterpret_cast<VARSTRING*>(Block.get());
    Where->dwTotalSize = ParkBlockSize;
    FParkBlocks.push_back(std::move(Block));
    FLine->Park(this, LINEPARKMODE_NONDIRECTED, "", Where);
    // In SyncMode the reply has been handled: the address is in the block.
    return FLine->Get_SyncMode() ? Get_ParkedAddress() : std::string();
}

std::string TTapiCall::Get_ParkedAddress() const
{
    if (FParkBlocks.empty()) return {};
    const uint8_t* Bytes = FParkBlocks.back().get();
    const auto* Where = reinterpret_cast<const VARSTRING*>(Bytes);
    if (Where->dwStringSize == 0 || Where->dwStringOffset < sizeof(VARSTRING) ||
        Where->dwStringOffset >= ParkBlockSize)
        return {};
    const uint32_t Size = std::min(Where->dwStringSize, ParkBlockSize - Where->dwStringOffset);
    std::string s(reinterpret_cast<const char*>(Bytes + Where->dwStringOffset), Size);
    return s.substr(0, s.find('\0'));
}

} // namespace kxtapi
