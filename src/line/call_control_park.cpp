// TTapiLine: parking calls and taking them back.

#include "kxtapi/line/line.h"

#include "call_control_new_call.h"
#include "kxtapi/tapi/extensions.h"
#include "kxtapi/tapi/line_functions.h"

#include <algorithm>
#include <memory>

namespace kxtapi {
namespace {

// A non-directed park whose address the service writes into the caller's
// block when the reply is fetched. However the request leaves the line
// (reply, time-out, its call freed, the line closed or destroyed), the write
// is cancelled with it, so the service never writes into a block the caller
// may have freed by then; after a reply it has been written already.
class TParkRequest final : public TTapiRequest {
public:
    // Size is read before the block goes to the service: the event thread
    // may write into it as soon as the reply is fetched.
    TParkRequest(int32_t AID, uint32_t ATimeout, const VARSTRING* Block, uint32_t Size)
        : TTapiRequest(AID, ATimeout),
          FBlock(Block),
          FSize(std::max<uint32_t>(Size, sizeof(VARSTRING)))
    {
    }
    ~TParkRequest() override { kxtapiCancelWriteBack(FBlock, FSize); }

private:
    const VARSTRING* FBlock;
    uint32_t FSize;
};

} // namespace

void TTapiLine::Park(TTapiCall* Call, uint32_t ParkMode, const std::string& DirAddress, LPVARSTRING NonDirAddress)
{
    TEventScope Scope(*this);
    if (Call == nullptr || !Call->Valid()) throw Exception("Park faild! Invalid all.");
    const uint32_t BlockSize = NonDirAddress != nullptr ? NonDirAddress->dwTotalSize : 0;
    const uint32_t r = CheckTapiResult(lineParkA(Call->Get_Handle(), ParkMode, DirAddress.c_str(), NonDirAddress));
    if (static_cast<int32_t>(r) <= 0 || NonDirAddress == nullptr || ParkMode != LINEPARKMODE_NONDIRECTED) {
        FileRequest(r, lrkPark, Call);
        return;
    }
    {
        TListLock Lock(Requests, INFINITE);
        auto Request = std::make_unique<TParkRequest>(static_cast<int32_t>(r), Get_ReplyTimeout(), NonDirAddress, BlockSize);
        Request->Kind = lrkPark;
        Request->Objects[0] = Call;
        Requests.Add(Request.get());
        Request.release();
    }
    AwaitRequest(r);
}

TTapiCall* TTapiLine::Unpark(uint32_t AddressID, const std::string& DestAddress)
{
    TEventScope Scope(*this);
    // No check of its own: on a closed line the service refuses the zero
    // line handle.
    line_detail::TNewCalls<1> New(*this);
    const uint32_t r = New.Check(lineUnparkA(DeviceHandle, AddressID, New.Slot(0), DestAddress.c_str()));
    FileRequest(r, lrkUnpark, New[0]);
    return New.Result(0);
}

} // namespace kxtapi
