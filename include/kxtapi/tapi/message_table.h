// Texts of the telephony error codes.
//
// Error texts are looked up by message identifier, not by code. The
// identifier of an error result is computed by TapiMessageIdentifier; two
// tables answer for it: the service's own table (TapiMessageText), which has
// a text for every LINEERR_, PHONEERR_ and TAPIERR_ code, and a table that
// providers fill at run time (TapiProviderMessageText), consulted when the
// first has nothing. Non-negative results are not errors; their text is the
// system's text for error 0 (SystemErrorText).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kxtapi {

/// Message identifier of a TAPI error result (bit 31 set):
/// - small negative values (above 0xFFFF0000, TAPIERR_): the low 16 bits;
/// - values with bit 0x10000000 set (PHONEERR_): Code - 0x90000000 + 0xF000;
/// - others (LINEERR_): Code - 0x80000000 + 0xE000.
/// For a result without bit 31 (success or a request identifier) the result
/// is 0, which names no text.
constexpr uint32_t TapiMessageIdentifier(uint32_t Code) noexcept
{
    if ((Code & 0x80000000u) == 0)
        return 0;
    if (Code > 0xFFFF0000u)
        return Code & 0xFFFFu;
    if (Code & 0x10000000u)
        return Code - 0x90000000u + 0xF000u;
    return Code - 0x80000000u + 0xE000u;
}

/// The service's text for a message identifier: one line, no trailing
/// blank. Empty when the identifier names no error code.
std::string_view TapiMessageText(uint32_t Identifier) noexcept;

/// The system's text for system error code Code; error 0 is "The operation
/// completed successfully.". Empty for codes without a text.
std::string_view SystemErrorText(uint32_t Code) noexcept;

/// Longest provider text kept, in bytes; the error-text lookup reads texts
/// into a buffer of this size plus the terminating zero.
inline constexpr size_t MaxTapiMessageTextLength = 512;

/// Lets a provider add a text for an identifier (typically one of its own
/// codes that the service table does not know; the service table is asked
/// first, so a provider text for a known code is never shown). Line breaks
/// become single blanks and trailing blanks are dropped, so the stored text
/// is one line; it is cut to MaxTapiMessageTextLength bytes. An empty text
/// removes the entry. Safe to call from any thread.
void SetTapiProviderMessageText(uint32_t Identifier, std::string_view Text);

/// The provider text for an identifier, or empty when none was added.
std::string TapiProviderMessageText(uint32_t Identifier);

/// Removes every provider text (for a provider that unloads, and for tests).
void ClearTapiProviderMessageTexts();

}  // namespace kxtapi
