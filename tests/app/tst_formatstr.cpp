// The output-name template: the sixteen tokens, their fixed order, and one
// reading of the clock per expansion.

#include "app/core/FormatStr.h"

#include <QTest>

#include <string>

using tv::Date;

Q_DECLARE_METATYPE(Date)

namespace {

Date at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    Date d;
    d.Year = year;
    d.Month = month;
    d.Day = day;
    d.Hour = hour;
    d.Minute = minute;
    d.Second = second;
    d.DayOfWeek = Date::dayOfWeekFor(year, month, day);
    return d;
}

} // namespace

class TestFormatStr : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { Date::setFixedClock(std::nullopt); }
    void expand_data();
    void expand();
    void unsetWeekday();
    void expansionsOneAfterAnother();
};

void TestFormatStr::expand_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<Date>("now");
    QTest::addColumn<QByteArray>("expected");

    const Date wednesday = at(2008, 3, 5, 13, 7, 9);
    QTest::newRow("empty") << QByteArray() << wednesday << QByteArray();
    QTest::newRow("default") << QByteArray("[fixed]") << wednesday << QByteArray("[fixed]");
    QTest::newRow("three fields") << QByteArray("[fixed]\t\t") << wednesday << QByteArray("[fixed]\t\t");
    QTest::newRow("sample file name") << QByteArray("pre_+[元ファイル名]+_[hour].txt") << wednesday
                                      << QByteArray("pre_+[元ファイル名]+_13.txt");

    QTest::newRow("date") << QByteArray("[年]/[00年]/[月]/[00月]/[日]/[00日]/[mon]/[month]") << wednesday
                          << QByteArray("2008/08/3/03/5/05/Mar/March");
    QTest::newRow("two digits of the year 2000") << QByteArray("[00年]") << at(2000, 1, 1) << QByteArray("00");
    QTest::newRow("December the 31st") << QByteArray("[00月][00日] [mon] [month]") << at(2011, 12, 31)
                                       << QByteArray("1231 Dec December");
    QTest::newRow("Wednesday") << QByteArray("[曜] [day] [longday]") << wednesday << QByteArray("水 Wed Wednesday");
    QTest::newRow("Sunday") << QByteArray("[曜] [day] [longday]") << at(2008, 3, 2) << QByteArray("日 Sun Sunday");
    QTest::newRow("Saturday") << QByteArray("[曜] [day] [longday]") << at(2008, 3, 8) << QByteArray("土 Sat Saturday");

    QTest::newRow("midnight") << QByteArray("[ampm] [12hour] [hour]") << at(2008, 3, 5, 0, 0, 0)
                              << QByteArray("AM 00 00");
    QTest::newRow("noon") << QByteArray("[ampm] [12hour] [hour]") << at(2008, 3, 5, 12, 0, 0)
                          << QByteArray("PM 00 12");
    QTest::newRow("one o'clock") << QByteArray("[ampm] [12hour] [hour]") << at(2008, 3, 5, 13, 0, 0)
                                 << QByteArray("PM 01 13");
    QTest::newRow("before noon") << QByteArray("[ampm] [12hour]") << at(2008, 3, 5, 11, 0, 0) << QByteArray("AM 11");
    QTest::newRow("time") << QByteArray("[hour]:[min]:[sec]") << at(2008, 3, 5, 9, 5, 7) << QByteArray("09:05:07");
    QTest::newRow("last second") << QByteArray("[hour][min][sec]") << at(2008, 3, 5, 23, 59, 59)
                                 << QByteArray("235959");

    QTest::newRow("every occurrence") << QByteArray("[hour]x[hour]") << wednesday << QByteArray("13x13");
    QTest::newRow("longer tokens stay whole") << QByteArray("[12hour] [longday] [month] [00年] [00月] [00日]")
                                              << wednesday << QByteArray("01 Wednesday March 08 03 05");
    QTest::newRow("no tokens") << QByteArray("[元ファイル名] [hour [ ] [] hour]") << wednesday
                               << QByteArray("[元ファイル名] [hour [ ] [] hour]");
    QTest::newRow("tokens ignore case") << QByteArray("[MONTH] [Day] [AMPM]") << wednesday
                                        << QByteArray("March Wed PM");

    // Each step sees what the steps before it left.
    QTest::newRow("formed before its step stays") << QByteArray("[[曜]]") << at(2008, 3, 2) << QByteArray("[日]");
    QTest::newRow("formed before its step, Monday") << QByteArray("[[day]th]") << at(2008, 3, 3)
                                                     << QByteArray("[Month]");
    QTest::newRow("formed ahead of its step") << QByteArray("[[00月]hour]") << at(2011, 12, 31, 13, 0, 0)
                                              << QByteArray("01");
}

void TestFormatStr::expand()
{
    QFETCH(QByteArray, format);
    QFETCH(Date, now);
    QFETCH(QByteArray, expected);
    Date::setFixedClock(now);
    const std::string got = tv::makeFormatStr(std::string_view(format.constData(), size_t(format.size())), Date::now());
    QCOMPARE(QByteArray::fromStdString(got), expected);
}

// A date made by hand without its weekday still names the right day.
void TestFormatStr::unsetWeekday()
{
    Date d = at(2008, 3, 2);
    d.DayOfWeek = 0;
    QCOMPARE(QByteArray::fromStdString(tv::makeFormatStr("[longday]", d)), QByteArray("Sunday"));
}

// File after file named with one template: each expansion follows its own
// reading of the clock and its own template, however close the last one was.
void TestFormatStr::expansionsOneAfterAnother()
{
    const struct {
        const char* format;
        Date now;
        const char* expected;
    } steps[] = {
        {"[min][sec]", at(2008, 3, 5, 13, 7, 9), "0709"},
        {"[min][sec]", at(2008, 3, 5, 13, 7, 9), "0709"},
        {"[min][sec]", at(2008, 3, 5, 13, 7, 10), "0710"},
        {"[sec]", at(2008, 3, 5, 13, 7, 10), "10"},
        {"[min][sec]", at(2008, 3, 5, 13, 7, 9), "0709"},
        {"[longday]", at(2008, 3, 2), "Sunday"},
        {"[longday]", at(2008, 3, 3), "Monday"},
    };
    for (const auto& step : steps)
        QCOMPARE(QByteArray::fromStdString(tv::makeFormatStr(step.format, step.now)), QByteArray(step.expected));
}

QTEST_GUILESS_MAIN(TestFormatStr)
#include "tst_formatstr.moc"
