#pragma once
// Calendar date and time of the local clock, with a clock that tests can set.

#include <optional>

namespace tv {

struct Date {
    int Year = 0;
    int Month = 0;     // 1 to 12
    int Day = 0;       // 1 to 31
    int Hour = 0;      // 0 to 23
    int Minute = 0;
    int Second = 0;
    int DayOfWeek = 0; // 1 for Sunday to 7 for Saturday

    bool operator==(const Date&) const = default;

    // The local time now, or the fixed time a test has set.
    static Date now();
    // Fixes the clock (tests), or gives it back to the system with nullopt.
    static void setFixedClock(std::optional<Date> fixed);
    // Fills DayOfWeek from Year, Month and Day.
    static int dayOfWeekFor(int year, int month, int day);
};

} // namespace tv
