// Telephony errors: the exception that carries a TAPI result, the checks
// that raise it, and the text of a result code.
#pragma once

#include "kxtapi/rtl/object.h"

#include <cstdint>
#include <string>

namespace kxtapi {

/// A TAPI function failed. `ErrorCode` is the result exactly as the function
/// returned it: a LINEERR_ value (0x8000xxxx), a PHONEERR_ value
/// (0x9000xxxx) or a small negative TAPIERR_ value.
class ETapiError : public Exception {
public:
    /// A non-empty Msg is the message; an empty one gives
    /// TapiErrorText(ErrorCode).
    explicit ETapiError(uint32_t AErrorCode, const std::string& Msg = std::string());
    std::string ClassName() const override { return "ETapiError"; }

    uint32_t ErrorCode;
};

/// Raises ETapiError(Result) when Result, read as a signed 32-bit value, is
/// negative; otherwise returns Result unchanged (0, or a request identifier
/// of an asynchronous function).
uint32_t CheckTapiResult(uint32_t Result);

/// Raises the base Exception with Msg when Condition is false (for the fixed
/// precondition messages; Msg is already formatted).
void CheckCondition(bool Condition, const std::string& Msg);

/// The text of a TAPI result code:
/// - a code that is not negative (success, a request identifier): the
///   system's text for a successful operation;
/// - an error: the service's message-table text for its message identifier
///   (TapiMessageIdentifier), else a text a provider added for it, else
///   "TAPI-Error 0x<code in upper-case hexadecimal>".
/// The text is one line and never longer than 512 bytes. Never raises.
std::string TapiErrorText(uint32_t Code) noexcept;

} // namespace kxtapi
