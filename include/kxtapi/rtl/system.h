// Operating-system services: beeps, the user's language, the library's file
// name, and the date and time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kxtapi {

/// Receives every beep. Frequency and Duration are 0 for the system's
/// default sound (`Beep()`).
using TBeepHook = std::function<void(uint32_t Frequency, uint32_t Duration)>;

/// Replaces the beep hook (an empty hook restores the default) and returns
/// the previous one. The default writes the terminal bell (BEL) to standard
/// error when standard error is a terminal and does nothing otherwise; it
/// never waits for Duration. Thread-safe; the hook is called on the beeping
/// thread and must be thread-safe itself.
TBeepHook SetBeepHook(TBeepHook Hook);

/// A tone of Frequency Hz for Duration ms, through the hook.
void Beep(uint32_t Frequency, uint32_t Duration);
/// The system's default sound, through the hook (Frequency and Duration 0).
void Beep();

/// Language identifiers: the primary language in the low 10 bits, the
/// sublanguage above.
using LANGID = uint16_t;
using LCID = uint32_t;
inline constexpr uint16_t LANG_NEUTRAL = 0x00;
inline constexpr uint16_t LANG_ENGLISH = 0x09;
inline constexpr uint16_t LANG_GERMAN = 0x07;
inline constexpr uint16_t SUBLANG_DEFAULT = 0x01;
constexpr LANGID MAKELANGID(uint16_t Primary, uint16_t Sub) noexcept
{
    return static_cast<LANGID>((Sub << 10) | Primary);
}
constexpr uint16_t PRIMARYLANGID(uint32_t Id) noexcept { return static_cast<uint16_t>(Id & 0x3FF); }
constexpr uint16_t SUBLANGID(uint32_t Id) noexcept { return static_cast<uint16_t>((Id & 0xFFFF) >> 10); }

/// The language identifier of a POSIX locale name ("de_DE.UTF-8",
/// "en_GB@euro", "fr"). "C", "POSIX" and an empty name count as US English
/// (0x0409). Common languages are mapped (English 9, German 7, French 0x0C,
/// Spanish 0x0A, Italian 0x10, Dutch 0x13, Portuguese 0x16, and about thirty
/// more), with the sublanguage of the territory where one is known
/// (en_GB 0x0809, de_AT 0x0C07, de_CH 0x0807 ...) and SUBLANG_DEFAULT
/// otherwise. An unknown language gives LANG_NEUTRAL with sublanguage 0.
LANGID LangIDFromLocaleName(std::string_view Name) noexcept;

/// The user's language: the first non-empty of the environment variables
/// LC_ALL, LC_MESSAGES and LANG, read at each call, through
/// LangIDFromLocaleName (none set: US English).
LANGID GetUserDefaultLangID() noexcept;
/// The same as a locale identifier (default sort order).
LCID GetUserDefaultLCID() noexcept;

/// The absolute path of the shared library that contains the runtime layer
/// (the module the components live in), or "" when the system cannot tell.
std::string GetModuleFileName();
/// The absolute path of the module that contains Address (a function or
/// object of it), or "" when none does.
std::string GetModuleFileName(const void* Address);

/// A date and time as the component framework keeps it: days since
/// 30 December 1899 in the integral part, the time of day as the fraction
/// (before that day the fraction counts away from zero: -1.25 is
/// 29 December 1899, 06:00).
using TDateTime = double;

/// Broken-down local time.
struct TSystemTime {
    uint16_t Year = 0;
    uint16_t Month = 0;       // 1..12
    uint16_t DayOfWeek = 0;   // 0 = Sunday
    uint16_t Day = 0;         // 1..31
    uint16_t Hour = 0;
    uint16_t Minute = 0;
    uint16_t Second = 0;
    uint16_t Milliseconds = 0;
};

/// The current local date and time. While a test clock is installed it is the
/// date-time of installation plus the virtual milliseconds since.
TDateTime Now();
/// The current local date and time, broken down (follows the test clock as
/// Now does).
TSystemTime GetLocalTime();

/// The date-time of a calendar date and time of day; no range check beyond
/// what the arithmetic needs (month 1..12, day 1..31).
TDateTime EncodeDateTime(uint16_t Year, uint16_t Month, uint16_t Day, uint16_t Hour = 0,
                         uint16_t Minute = 0, uint16_t Second = 0,
                         uint16_t Milliseconds = 0) noexcept;
/// Breaks a date-time down (DayOfWeek included).
TSystemTime DecodeDateTime(TDateTime Value) noexcept;

} // namespace kxtapi
