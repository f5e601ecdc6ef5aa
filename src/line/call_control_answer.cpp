// TTapiLine: accepting, answering and dropping calls.

#include "kxtapi/line/line.h"

#include "kxtapi/rtl/format.h"
#include "kxtapi/tapi/line_functions.h"

namespace kxtapi {
namespace {

// User-user information travels as bytes with its length; none is a null
// pointer.
const char* UserUserBytes(const std::string& Info)
{
    return Info.empty() ? nullptr : Info.data();
}

} // namespace

void TTapiLine::Accept(TTapiCall* Call, const std::string& UserUserInfo)
{
    TEventScope Scope(*this);
    CheckLineActive();
    CheckCallListed(Call, Format("Unable to accept call. No valid call of %s.", Get_DeviceName()));
    const uint32_t r = CheckTapiResult(lineAccept(Call->Get_Handle(), UserUserBytes(UserUserInfo),
                                                  static_cast<uint32_t>(UserUserInfo.size())));
    FileRequest(r, lrkAccept, Call);
}

void TTapiLine::Answer(TTapiCall* Call, const std::string& UserUserInfo)
{
    TEventScope Scope(*this);
    CheckLineActive();
    CheckCallListed(Call, Format("Unable to answer call. No valid call of %s.", Get_DeviceName()));
    const uint32_t r = CheckTapiResult(lineAnswer(Call->Get_Handle(), UserUserBytes(UserUserInfo),
                                                  static_cast<uint32_t>(UserUserInfo.size())));
    FileRequest(r, lrkAnswer, Call);
}

void TTapiLine::Drop(TTapiCall* Call, const std::string& UserUserInfo)
{
    TEventScope Scope(*this);
    if (!HasCall(Call) || !Call->Valid()) throw Exception("Drop failed! Invalid call.");
    const uint32_t r = CheckTapiResult(lineDrop(Call->Get_Handle(), UserUserBytes(UserUserInfo),
                                                static_cast<uint32_t>(UserUserInfo.size())));
    FileRequest(r, lrkDrop, Call);
}

} // namespace kxtapi
