#include "platform/core/Date.h"

#include <ctime>

namespace tv {

namespace {
std::optional<Date>& fixedClock()
{
    static std::optional<Date> fixed;
    return fixed;
}
} // namespace

Date Date::now()
{
    if (fixedClock())
        return *fixedClock();
    std::time_t t = std::time(nullptr);
    std::tm local {};
    localtime_r(&t, &local);
    Date d;
    d.Year = local.tm_year + 1900;
    d.Month = local.tm_mon + 1;
    d.Day = local.tm_mday;
    d.Hour = local.tm_hour;
    d.Minute = local.tm_min;
    d.Second = local.tm_sec;
    d.DayOfWeek = local.tm_wday + 1;
    return d;
}

void Date::setFixedClock(std::optional<Date> fixed)
{
    if (fixed && fixed->DayOfWeek == 0)
        fixed->DayOfWeek = dayOfWeekFor(fixed->Year, fixed->Month, fixed->Day);
    fixedClock() = fixed;
}

int Date::dayOfWeekFor(int year, int month, int day)
{
    // Sakamoto's method: 0 is Sunday.
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3)
        year -= 1;
    int w = (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
    return w + 1;
}

} // namespace tv
