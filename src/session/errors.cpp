// ETapiError, the result checks and the texts of TAPI result codes.

#include "kxtapi/session/errors.h"

#include "kxtapi/rtl/format.h"
#include "kxtapi/tapi/message_table.h"

namespace kxtapi {
namespace {

// Error texts come from two tables that stand in for the two telephony
// message modules: the service's own table first, then the texts providers
// added. A text is cut to the size of the message buffer the lookup uses.
std::string ModuleText(int Module, uint32_t Identifier)
{
    std::string Text = Module == 0 ? std::string(TapiMessageText(Identifier))
                                   : TapiProviderMessageText(Identifier);
    if (Text.size() > MaxTapiMessageTextLength) Text.resize(MaxTapiMessageTextLength);
    return Text;
}

} // namespace

ETapiError::ETapiError(uint32_t AErrorCode, const std::string& Msg)
    : Exception(Msg.empty() ? TapiErrorText(AErrorCode) : Msg), ErrorCode(AErrorCode)
{
}

uint32_t CheckTapiResult(uint32_t Result)
{
    if (static_cast<int32_t>(Result) < 0) throw ETapiError(Result);
    return Result;
}

void CheckCondition(bool Condition, const std::string& Msg)
{
    if (!Condition) throw Exception(Msg);
}

std::string TapiErrorText(uint32_t Code) noexcept
{
    try {
        if (static_cast<int32_t>(Code) >= 0) return std::string(SystemErrorText(0));
        const uint32_t Identifier = TapiMessageIdentifier(Code);
        std::string Text = ModuleText(0, Identifier);
        if (Text.empty()) Text = ModuleText(1, Identifier);
        if (Text.empty()) Text = Format("TAPI-Error 0x%x", Code);
        return Text;
    } catch (...) {
        return std::string();
    }
}

} // namespace kxtapi
