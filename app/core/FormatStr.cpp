#include "app/core/FormatStr.h"

#include "platform/core/Text.h"

#include <optional>
#include <utility>

namespace tv {

namespace {

constexpr const char* kWeekdaySigns[7] = {"日", "月", "火", "水", "木", "金", "土"};
constexpr const char* kWeekdayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
constexpr const char* kMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                         "July",    "August",   "September", "October", "November", "December"};

// "00" in front, the last two characters kept: 5 gives "05", 2008 gives "08".
std::string twoDigits(int n)
{
    return RightB("00" + Str(n), 2);
}

std::string threeLetters(const char* name)
{
    return LeftB(name, 3);
}

} // namespace

std::string makeFormatStr(std::string_view format, const Date& now)
{
    // A pass names file after file with one template, many in the same
    // second: the last expansion serves again.
    struct Last {
        std::string format;
        Date date;
        std::string text;
    };
    thread_local std::optional<Last> last;
    if (last && last->date == now && last->format == format)
        return last->text;
    // A date made by hand may leave the weekday unset.
    const int dayOfWeek = now.DayOfWeek >= 1 && now.DayOfWeek <= 7
                              ? now.DayOfWeek
                              : Date::dayOfWeekFor(now.Year, now.Month, now.Day);
    const char* weekdaySign = kWeekdaySigns[dayOfWeek - 1];
    const char* weekdayName = kWeekdayNames[dayOfWeek - 1];
    const char* monthName = now.Month >= 1 && now.Month <= 12 ? kMonthNames[now.Month - 1] : "";

    // In this order, each step on the result of the one before: a token that
    // the replacements and the template's own text form together is replaced
    // only when its step comes later.
    const std::pair<const char*, std::string> steps[] = {
        {"[年]", Str(now.Year)},
        {"[00年]", twoDigits(now.Year)},
        {"[月]", Str(now.Month)},
        {"[00月]", twoDigits(now.Month)},
        {"[mon]", threeLetters(monthName)},
        {"[month]", monthName},
        {"[日]", Str(now.Day)},
        {"[00日]", twoDigits(now.Day)},
        {"[曜]", weekdaySign},
        {"[day]", threeLetters(weekdayName)},
        {"[longday]", weekdayName},
        {"[ampm]", now.Hour < 12 ? "AM" : "PM"},
        {"[hour]", twoDigits(now.Hour)},
        {"[12hour]", twoDigits(now.Hour % 12)},
        {"[min]", twoDigits(now.Minute)},
        {"[sec]", twoDigits(now.Second)},
    };

    std::string text(format);
    for (const auto& [token, value] : steps)
        text = ReplaceAll(text, token, value);
    last = Last{std::string(format), now, text};
    return text;
}

} // namespace tv
