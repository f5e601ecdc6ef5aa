#include "kxtapi/rtl/system.h"
#include "kxtapi/rtl/tick.h"
#include "runtime_internal.h"

#include <cmath>
#include <ctime>

namespace kxtapi {

namespace {

constexpr double MsPerDay = 86400000.0;

// Days from 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's
// civil-date algorithm).
int64_t DaysFromCivil(int64_t Y, unsigned M, unsigned D) noexcept
{
    Y -= M <= 2;
    const int64_t Era = (Y >= 0 ? Y : Y - 399) / 400;
    const unsigned Yoe = static_cast<unsigned>(Y - Era * 400);
    const unsigned Doy = (153 * (M + (M > 2 ? -3 : 9)) + 2) / 5 + D - 1;
    const unsigned Doe = Yoe * 365 + Yoe / 4 - Yoe / 100 + Doy;
    return Era * 146097 + static_cast<int64_t>(Doe) - 719468;
}

void CivilFromDays(int64_t Z, int64_t& Y, unsigned& M, unsigned& D) noexcept
{
    Z += 719468;
    const int64_t Era = (Z >= 0 ? Z : Z - 146096) / 146097;
    const unsigned Doe = static_cast<unsigned>(Z - Era * 146097);
    const unsigned Yoe = (Doe - Doe / 1460 + Doe / 36524 - Doe / 146096) / 365;
    const unsigned Doy = Doe - (365 * Yoe + Yoe / 4 - Yoe / 100);
    const unsigned Mp = (5 * Doy + 2) / 153;
    D = Doy - (153 * Mp + 2) / 5 + 1;
    M = Mp < 10 ? Mp + 3 : Mp - 9;
    Y = static_cast<int64_t>(Yoe) + Era * 400 + (M <= 2);
}

// 1899-12-30, the framework's day 0, counted from 1970-01-01.
constexpr int64_t EpochOffset = -25569;

} // namespace

double detail::RealDateTime() noexcept
{
    timespec Ts{};
    clock_gettime(CLOCK_REALTIME, &Ts);
    time_t Secs = Ts.tv_sec;
    tm Local{};
    localtime_r(&Secs, &Local);
    return EncodeDateTime(static_cast<uint16_t>(Local.tm_year + 1900),
                          static_cast<uint16_t>(Local.tm_mon + 1), static_cast<uint16_t>(Local.tm_mday),
                          static_cast<uint16_t>(Local.tm_hour), static_cast<uint16_t>(Local.tm_min),
                          static_cast<uint16_t>(Local.tm_sec > 59 ? 59 : Local.tm_sec),
                          static_cast<uint16_t>(Ts.tv_nsec / 1000000));
}

TDateTime EncodeDateTime(uint16_t Year, uint16_t Month, uint16_t Day, uint16_t Hour,
                         uint16_t Minute, uint16_t Second, uint16_t Milliseconds) noexcept
{
    int64_t Days = DaysFromCivil(Year, Month, Day) - EpochOffset;
    double Ms = ((Hour * 60.0 + Minute) * 60.0 + Second) * 1000.0 + Milliseconds;
    // Before the epoch the framework keeps the time of day as a positive
    // fraction subtracted from the negative day: -1.25 is 29 Dec 1899 06:00.
    return Days < 0 ? static_cast<double>(Days) - Ms / MsPerDay
                    : static_cast<double>(Days) + Ms / MsPerDay;
}

TSystemTime DecodeDateTime(TDateTime Value) noexcept
{
    double WholeDays = std::trunc(Value);
    int64_t Days = static_cast<int64_t>(WholeDays);
    int64_t Ms = std::llround(std::fabs(Value - WholeDays) * MsPerDay);
    if (Ms >= 86400000) {
        ++Days;
        Ms -= 86400000;
    }
    int64_t Y;
    unsigned M, D;
    CivilFromDays(Days + EpochOffset, Y, M, D);
    TSystemTime T;
    T.Year = static_cast<uint16_t>(Y);
    T.Month = static_cast<uint16_t>(M);
    T.Day = static_cast<uint16_t>(D);
    // 1970-01-01 was a Thursday (4).
    int64_t Dow = (Days + EpochOffset + 4) % 7;
    T.DayOfWeek = static_cast<uint16_t>(Dow < 0 ? Dow + 7 : Dow);
    T.Hour = static_cast<uint16_t>(Ms / 3600000);
    T.Minute = static_cast<uint16_t>(Ms / 60000 % 60);
    T.Second = static_cast<uint16_t>(Ms / 1000 % 60);
    T.Milliseconds = static_cast<uint16_t>(Ms % 1000);
    return T;
}

TDateTime Now()
{
    uint32_t StartTick = 0;
    double StartDateTime = 0;
    if (detail::TestClockBase(StartTick, StartDateTime))
        return StartDateTime + static_cast<uint32_t>(GetTickCount() - StartTick) / MsPerDay;
    return detail::RealDateTime();
}

TSystemTime GetLocalTime() { return DecodeDateTime(Now()); }

} // namespace kxtapi
