// The option check boxes over a rule's options text: what a change of one box
// writes, and what loading a row into the boxes shows and writes, depending on
// what the boxes showed for the previous row.

#include <QTest>

#include <array>
#include <string>

#include "dictionary/core/OptionBoxes.h"

using namespace tv;

namespace {

std::string str(const QByteArray& b) { return std::string(b.constData(), size_t(b.size())); }

// Eight ticks or enabled states as "10000100".
QByteArray bits(const std::array<bool, optionBoxCount>& a)
{
    QByteArray out;
    for (bool b : a)
        out += b ? '1' : '0';
    return out;
}

std::array<bool, optionBoxCount> fromBits(const QByteArray& s)
{
    std::array<bool, optionBoxCount> a{};
    for (int i = 0; i < optionBoxCount; ++i)
        a[size_t(i)] = s.at(i) == '1';
    return a;
}

const QByteArray unchanged("(unchanged)");

} // namespace

class TestOptionBoxes : public QObject {
    Q_OBJECT

private slots:
    void names();
    void ticks_data();
    void ticks();
    void boxChanged_data();
    void boxChanged();
    void noRowSelected();
    void load_data();
    void load();
    void selectingBackAndForthWritesNothing();
};

void TestOptionBoxes::names()
{
    QCOMPARE(optionBoxPosition("isGrepCheck"), 1);
    QCOMPARE(optionBoxPosition("isCaseSensitive"), 5);
    QCOMPARE(optionBoxPosition("isMatchEmpty"), 8);
    QCOMPARE(optionBoxPosition("findField"), 0);
    for (int p = 1; p <= optionBoxCount; ++p)
        QCOMPARE(isRegexOnlyPosition(p), p >= 6);
}

void TestOptionBoxes::ticks_data()
{
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<QByteArray>("ticked");
    QTest::newRow("new rule") << QByteArray("--------") << QByteArray("00000000");
    QTest::newRow("1 and 3") << QByteArray("*-*-----") << QByteArray("10100000");
    QTest::newRow("3 only") << QByteArray("--*-----") << QByteArray("00100000");
    QTest::newRow("four bytes") << QByteArray("----") << QByteArray("00000000");
    QTest::newRow("short, on") << QByteArray("**") << QByteArray("11000000");
    QTest::newRow("beyond eight not shown") << QByteArray("--------**") << QByteArray("00000000");
    QTest::newRow("foreign bytes") << QByteArray("x+*?") << QByteArray("00100000");
    QTest::newRow("multi-byte") << QByteArray("あ*") << QByteArray("00010000");
}

void TestOptionBoxes::ticks()
{
    QFETCH(QByteArray, options);
    QFETCH(QByteArray, ticked);
    std::array<bool, optionBoxCount> shown{};
    for (int p = 1; p <= optionBoxCount; ++p)
        shown[size_t(p) - 1] = optionBoxTicked(str(options), p);
    QCOMPARE(bits(shown), ticked);
}

void TestOptionBoxes::boxChanged_data()
{
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QByteArray>("stored"); // unchanged: nothing written, nothing marked
    QTest::addColumn<int>("regexBoxes");    // -1 untouched, 0 disabled, 1 enabled

    QTest::newRow("tick 1 on a new rule") << QByteArray("--------") << 1 << true << QByteArray("*-------") << 1;
    QTest::newRow("untick 1, 6 stays") << QByteArray("*----*--") << 1 << false << QByteArray("-----*--") << 0;
    QTest::newRow("tick 6 on four bytes") << QByteArray("----") << 6 << true << QByteArray("-----*--") << -1;
    QTest::newRow("tick 3 on two stars") << QByteArray("**") << 3 << true << QByteArray("***-----") << -1;
    QTest::newRow("untick 6 on four bytes") << QByteArray("----") << 6 << false << unchanged << -1;
    QTest::newRow("tick 2 on ten bytes") << QByteArray("--------xy") << 2 << true << QByteArray("-*------xy") << -1;
    QTest::newRow("untick 8 of seven bytes") << QByteArray("-------") << 8 << false << unchanged << -1;
    QTest::newRow("tick 8 of seven bytes") << QByteArray("-------") << 8 << true << QByteArray("-------*") << -1;
    QTest::newRow("tick 5 on empty") << QByteArray() << 5 << true << QByteArray("----*---") << -1;
    // Box 1 enables 6 to 8 before it finds its byte already in place.
    QTest::newRow("tick 1 already on") << QByteArray("*-------") << 1 << true << unchanged << 1;
    QTest::newRow("untick 1 already off") << QByteArray("-------*") << 1 << false << unchanged << 0;
    QTest::newRow("untick a foreign byte") << QByteArray("-x------") << 2 << false << QByteArray("--------") << -1;
    QTest::newRow("tick a foreign byte") << QByteArray("-x------") << 2 << true << QByteArray("-*------") << -1;
    QTest::newRow("stars beyond eight kept") << QByteArray("*-------**") << 1 << false << QByteArray("--------**")
                                              << 0;

    // A character of more than one byte is never split: it becomes "-" bytes
    // first, and that alone is written when the box's byte needs no change.
    QTest::newRow("tick inside a character") << QByteArray("あ-----") << 2 << true << QByteArray("-*------") << -1;
    QTest::newRow("untick inside a character") << QByteArray("あ-----") << 2 << false << QByteArray("--------")
                                                << -1;
    QTest::newRow("tick a character's lead byte") << QByteArray("-é------") << 2 << true
                                                   << QByteArray("-*-------") << -1;
    QTest::newRow("character past the eighth byte") << QByteArray("-------あ") << 8 << true
                                                     << QByteArray("-------*--") << -1;
    QTest::newRow("character elsewhere stays") << QByteArray("あ-----") << 5 << true << QByteArray("あ-*---")
                                                << -1;
    QTest::newRow("box 1 inside a character") << QByteArray("é------") << 1 << false << QByteArray("--------")
                                               << 0;
    // A malformed byte is a character of its own.
    QTest::newRow("stray byte") << QByteArray("-\x80------") << 2 << true << QByteArray("-*------") << -1;
    QTest::newRow("stray byte, untick") << QByteArray("-\x80------") << 2 << false << QByteArray("--------") << -1;
}

void TestOptionBoxes::boxChanged()
{
    QFETCH(QByteArray, options);
    QFETCH(int, position);
    QFETCH(bool, ticked);
    QFETCH(QByteArray, stored);
    QFETCH(int, regexBoxes);
    const std::string text = str(options);
    const OptionBoxChange change = optionBoxChanged(std::string_view(text), position, ticked);
    if (stored == unchanged) {
        QVERIFY(!change.stored);
        QVERIFY(!change.marksModified);
    } else {
        QVERIFY(change.stored);
        QCOMPARE(QByteArray::fromStdString(*change.stored), stored);
        QVERIFY(change.marksModified);
    }
    QCOMPARE(change.regexBoxesEnabled.has_value(), regexBoxes >= 0);
    if (regexBoxes >= 0)
        QCOMPARE(*change.regexBoxesEnabled, regexBoxes == 1);
}

void TestOptionBoxes::noRowSelected()
{
    // Clearing the selection unticks every box; nothing is written, marked,
    // enabled or disabled.
    for (int p = 1; p <= optionBoxCount; ++p) {
        for (bool ticked : {false, true}) {
            const OptionBoxChange change = optionBoxChanged(std::nullopt, p, ticked);
            QVERIFY(!change.stored);
            QVERIFY(!change.marksModified);
            QVERIFY(!change.regexBoxesEnabled);
        }
    }
    const OptionBoxStates cleared = clearedOptionBoxes();
    QCOMPARE(bits(cleared.ticked), QByteArray("00000000"));
    QCOMPARE(bits(cleared.enabled), QByteArray("00000000"));
}

void TestOptionBoxes::load_data()
{
    QTest::addColumn<QByteArray>("before"); // the ticks the previous row left
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<QByteArray>("ticked");
    QTest::addColumn<QByteArray>("enabled");
    QTest::addColumn<QByteArray>("changed");
    QTest::addColumn<QByteArray>("stored"); // unchanged: nothing written, nothing marked

    QTest::newRow("1 and 3") << QByteArray("00000000") << QByteArray("*-*-----") << QByteArray("10100000")
                             << QByteArray("11111111") << QByteArray("10100000") << unchanged;
    QTest::newRow("3 only") << QByteArray("10100000") << QByteArray("--*-----") << QByteArray("00100000")
                            << QByteArray("11111000") << QByteArray("10000000") << unchanged;
    QTest::newRow("four bytes") << QByteArray("11111111") << QByteArray("----") << QByteArray("00000000")
                                << QByteArray("11111000") << QByteArray("11111111") << unchanged;
    QTest::newRow("short, nothing changes") << QByteArray("00000000") << QByteArray("-") << QByteArray("00000000")
                                            << QByteArray("11111000") << QByteArray("00000000") << unchanged;
    // A foreign byte is rewritten only when its box was on for the previous
    // row, since only then does loading untick it.
    QTest::newRow("foreign byte under a ticked box") << QByteArray("01000000") << QByteArray("-x------")
                                                     << QByteArray("00000000") << QByteArray("11111000")
                                                     << QByteArray("01000000") << QByteArray("--------");
    QTest::newRow("foreign byte under an unticked box") << QByteArray("00000000") << QByteArray("-x------")
                                                        << QByteArray("00000000") << QByteArray("11111000")
                                                        << QByteArray("00000000") << unchanged;
    QTest::newRow("two foreign bytes, both boxes on") << QByteArray("00010001") << QByteArray("---?---+")
                                                      << QByteArray("00000000") << QByteArray("11111000")
                                                      << QByteArray("00010001") << QByteArray("--------");
    QTest::newRow("two foreign bytes, one box on") << QByteArray("00010000") << QByteArray("---?---+")
                                                   << QByteArray("00000000") << QByteArray("11111000")
                                                   << QByteArray("00010000") << QByteArray("-------+");
    QTest::newRow("foreign byte in a short text") << QByteArray("10000000") << QByteArray("x")
                                                         << QByteArray("00000000") << QByteArray("11111000")
                                                         << QByteArray("10000000") << QByteArray("--------");
    QTest::newRow("regex box 6 on for a rule without regex") << QByteArray("10000100") << QByteArray("-----*--")
                                                             << QByteArray("00000100") << QByteArray("11111000")
                                                             << QByteArray("10000000") << unchanged;
    // The whole character goes, whichever of its bytes the box owns.
    QTest::newRow("character under a ticked box") << QByteArray("00100000") << QByteArray("-あ----")
                                                  << QByteArray("00000000") << QByteArray("11111000")
                                                  << QByteArray("00100000") << QByteArray("--------");
    QTest::newRow("character under unticked boxes") << QByteArray("00000000") << QByteArray("-あ----")
                                                    << QByteArray("00000000") << QByteArray("11111000")
                                                    << QByteArray("00000000") << unchanged;
    QTest::newRow("bytes beyond eight kept") << QByteArray("10000000") << QByteArray("x-------ab")
                                             << QByteArray("00000000") << QByteArray("11111000")
                                             << QByteArray("10000000") << QByteArray("--------ab");
}

void TestOptionBoxes::load()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, options);
    QFETCH(QByteArray, ticked);
    QFETCH(QByteArray, enabled);
    QFETCH(QByteArray, changed);
    QFETCH(QByteArray, stored);
    const OptionBoxLoad load = loadOptionBoxes(str(options), fromBits(before));
    QCOMPARE(bits(load.boxes.ticked), ticked);
    QCOMPARE(bits(load.boxes.enabled), enabled);
    QCOMPARE(bits(load.changed), changed);
    if (stored == unchanged) {
        QVERIFY(!load.stored);
        QVERIFY(!load.marksModified);
    } else {
        QVERIFY(load.stored);
        QCOMPARE(QByteArray::fromStdString(*load.stored), stored);
        QVERIFY(load.marksModified);
    }
}

void TestOptionBoxes::selectingBackAndForthWritesNothing()
{
    // Rows of well-formed flags, visited in turn from an empty selection.
    const char* rows[] = {"*-*-----", "--------", "********", "-*-*-*-*", "*----***", "----", "*-*-"};
    std::array<bool, optionBoxCount> shown{};
    for (int round = 0; round < 2; ++round) {
        for (const char* row : rows) {
            const OptionBoxLoad load = loadOptionBoxes(row, shown);
            QVERIFY2(!load.stored, row);
            QVERIFY2(!load.marksModified, row);
            shown = load.boxes.ticked;
        }
    }
}

QTEST_GUILESS_MAIN(TestOptionBoxes)
#include "tst_optionboxes.moc"
