// Text functions on UTF-8: character and byte positions, the case-ignoring
// comparison rule, fields, replacing, numbers and malformed input.

#include "platform/core/Text.h"

#include <QList>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// U+212A KELVIN SIGN: three bytes, folds to the one byte "k".
#define KELVIN "\xE2\x84\xAA"
#define REPLACEMENT_CHAR "\xEF\xBF\xBD"

namespace {

std::string_view sv(const QByteArray& b)
{
    return {b.constData(), size_t(b.size())};
}

QByteArray ba(const std::string& s)
{
    return QByteArray(s.data(), qsizetype(s.size()));
}

constexpr qint64 kMax64 = std::numeric_limits<qint64>::max();
constexpr qint64 kMin64 = std::numeric_limits<qint64>::min();
constexpr int32_t kMax32 = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin32 = std::numeric_limits<int32_t>::min();

} // namespace

class TestText : public QObject {
    Q_OBJECT

private slots:
    // First: the table of other cases is not made yet.
    void caseFoldingMadeAsideAnswersAsAlways();
    void length_data();
    void length();
    void slice_data();
    void slice();
    void inStr_data();
    void inStr();
    void inStrB_data();
    void inStrB();
    void fields_data();
    void fields();
    void fieldsB_data();
    void fieldsB();
    void replaceAll_data();
    void replaceAll();
    void compare_data();
    void compare();
    void foldText_data();
    void foldText();
    void foldCodePoint_data();
    void foldCodePoint();
    void val_data();
    void val();
    void toInteger_data();
    void toInteger();
    void strDouble_data();
    void strDouble();
    void strInteger();
    void chr_data();
    void chr();
    void utf8_data();
    void utf8();
    void invalidByteAtEveryAlignment();
    void positions_data();
    void positions();
    void positionsRoundTrip();
    void searchAgreesWithCharacterReference();
};

// --- Characters and bytes --------------------------------------------------

// The table of other cases made on a thread of its own while comparisons on
// other threads already need it: each waits for it and answers as always.
void TestText::caseFoldingMadeAsideAnswersAsAlways()
{
    tv::prepareCaseFolding();
    std::vector<std::thread> threads;
    std::atomic<int> wrong {0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            if (tv::InStr("5" KELVIN " later", "k") != 2 || tv::InStr("x\u017Fy", "S") != 2 ||
                !tv::textEquals("\u01C4", "\u01C6") || tv::InStr("日本", "本") != 2)
                ++wrong;
        });
    tv::prepareCaseFolding();
    for (std::thread& t : threads)
        t.join();
    QCOMPARE(wrong.load(), 0);
}

void TestText::length_data()
{
    QTest::addColumn<QByteArray>("s");
    QTest::addColumn<qint64>("chars");

    QTest::newRow("empty") << QByteArray() << qint64(0);
    QTest::newRow("ascii") << QByteArray("hello") << qint64(5);
    QTest::newRow("long ascii") << QByteArray("abcdefghijklmnopqrstuvwxyz0123456789") << qint64(36);
    QTest::newRow("japanese") << QByteArray("日本語テキスト") << qint64(7);
    QTest::newRow("ascii then japanese") << QByteArray("abcdefghij日klmnopqrstu") << qint64(22);
    QTest::newRow("emoji") << QByteArray("a😀b😀") << qint64(4);
    QTest::newRow("nul byte") << QByteArray("a\0b", 3) << qint64(3);
    QTest::newRow("invalid byte in ascii run") << QByteArray("abcdefgh\xFFijk") << qint64(12);
    QTest::newRow("lone continuation") << QByteArray("\x80") << qint64(1);
    QTest::newRow("truncated 3-byte") << QByteArray("\xE6\x97") << qint64(2);
    QTest::newRow("truncated 4-byte then ascii") << QByteArray("\xF0\x9F\x98" "a") << qint64(4);
    QTest::newRow("overlong") << QByteArray("\xC0\x80") << qint64(2);
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << qint64(3);
    QTest::newRow("past U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << qint64(4);
}

void TestText::length()
{
    QFETCH(QByteArray, s);
    QFETCH(qint64, chars);
    QCOMPARE(tv::Len(sv(s)), chars);
    QCOMPARE(tv::LenB(sv(s)), qint64(s.size()));
}

void TestText::slice_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QByteArray>("s");
    QTest::addColumn<qint64>("a");
    QTest::addColumn<qint64>("b");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray hello("hello");
    QTest::newRow("Left ascii") << "Left" << hello << qint64(2) << qint64(0) << QByteArray("he");
    QTest::newRow("Left 0") << "Left" << hello << qint64(0) << qint64(0) << QByteArray();
    QTest::newRow("Left negative") << "Left" << hello << qint64(-1) << qint64(0) << QByteArray();
    QTest::newRow("Left past end") << "Left" << hello << qint64(99) << qint64(0) << hello;
    QTest::newRow("Right ascii") << "Right" << hello << qint64(3) << qint64(0) << QByteArray("llo");
    QTest::newRow("Right 0") << "Right" << hello << qint64(0) << qint64(0) << QByteArray();
    QTest::newRow("Right past start") << "Right" << hello << qint64(99) << qint64(0) << hello;
    QTest::newRow("Mid ascii") << "Mid" << hello << qint64(2) << qint64(0) << QByteArray("ello");
    QTest::newRow("Mid start 0") << "Mid" << hello << qint64(0) << qint64(0) << hello;
    QTest::newRow("Mid negative start") << "Mid" << hello << qint64(-5) << qint64(0) << hello;
    QTest::newRow("Mid last") << "Mid" << hello << qint64(5) << qint64(0) << QByteArray("o");
    QTest::newRow("Mid just past end") << "Mid" << hello << qint64(6) << qint64(0) << QByteArray();
    QTest::newRow("Mid far past end") << "Mid" << hello << qint64(99) << qint64(0) << QByteArray();
    QTest::newRow("Mid3 ascii") << "Mid3" << hello << qint64(2) << qint64(3) << QByteArray("ell");
    QTest::newRow("Mid3 start 0") << "Mid3" << hello << qint64(0) << qint64(2) << QByteArray("he");
    QTest::newRow("Mid3 count clipped") << "Mid3" << hello << qint64(4) << qint64(99) << QByteArray("lo");
    QTest::newRow("Mid3 count 0") << "Mid3" << hello << qint64(2) << qint64(0) << QByteArray();
    QTest::newRow("Mid3 negative count") << "Mid3" << hello << qint64(2) << qint64(-1) << QByteArray();
    QTest::newRow("Mid3 past end") << "Mid3" << hello << qint64(6) << qint64(1) << QByteArray();

    const QByteArray jp("日本語テキスト");
    QTest::newRow("Left japanese") << "Left" << jp << qint64(2) << qint64(0) << QByteArray("日本");
    QTest::newRow("Right japanese") << "Right" << jp << qint64(3) << qint64(0) << QByteArray("キスト");
    QTest::newRow("Mid japanese") << "Mid" << jp << qint64(3) << qint64(0) << QByteArray("語テキスト");
    QTest::newRow("Mid3 japanese") << "Mid3" << jp << qint64(2) << qint64(2) << QByteArray("本語");

    const QByteArray emoji("a😀b😀");
    QTest::newRow("Left emoji") << "Left" << emoji << qint64(2) << qint64(0) << QByteArray("a😀");
    QTest::newRow("Mid3 emoji") << "Mid3" << emoji << qint64(2) << qint64(1) << QByteArray("😀");
    QTest::newRow("Right emoji") << "Right" << emoji << qint64(1) << qint64(0) << QByteArray("😀");

    const QByteArray mixed("abcdefghij日klmnopqrstu");
    QTest::newRow("Mid3 after ascii run") << "Mid3" << mixed << qint64(11) << qint64(1) << QByteArray("日");
    QTest::newRow("Right across ascii run") << "Right" << mixed << qint64(12) << qint64(0) << QByteArray("日klmnopqrstu");
    QTest::newRow("Left inside ascii run") << "Left" << mixed << qint64(9) << qint64(0) << QByteArray("abcdefghi");

    QTest::newRow("Left empty") << "Left" << QByteArray() << qint64(3) << qint64(0) << QByteArray();
    QTest::newRow("Right empty") << "Right" << QByteArray() << qint64(1) << qint64(0) << QByteArray();
    QTest::newRow("Mid empty") << "Mid" << QByteArray() << qint64(1) << qint64(0) << QByteArray();
    QTest::newRow("Mid3 empty") << "Mid3" << QByteArray() << qint64(1) << qint64(1) << QByteArray();

    // A malformed byte is one character of its own and comes out unchanged.
    QTest::newRow("Mid3 invalid byte") << "Mid3" << QByteArray("a\xFF" "b") << qint64(2) << qint64(1) << QByteArray("\xFF");
    QTest::newRow("Left truncated sequence") << "Left" << QByteArray("\xE6\x97") << qint64(1) << qint64(0) << QByteArray("\xE6");
    QTest::newRow("Right after invalid") << "Right" << QByteArray("\xFF日") << qint64(1) << qint64(0) << QByteArray("日");

    const QByteArray two("日本");
    QTest::newRow("LeftB whole char") << "LeftB" << two << qint64(3) << qint64(0) << QByteArray("日");
    QTest::newRow("LeftB cuts char") << "LeftB" << two << qint64(4) << qint64(0) << QByteArray("日\xE6");
    QTest::newRow("LeftB past end") << "LeftB" << two << qint64(99) << qint64(0) << two;
    QTest::newRow("LeftB negative") << "LeftB" << two << qint64(-2) << qint64(0) << QByteArray();
    QTest::newRow("RightB") << "RightB" << two << qint64(3) << qint64(0) << QByteArray("本");
    QTest::newRow("RightB past start") << "RightB" << two << qint64(7) << qint64(0) << two;
    QTest::newRow("RightB 0") << "RightB" << two << qint64(0) << qint64(0) << QByteArray();
    QTest::newRow("MidB") << "MidB" << two << qint64(4) << qint64(0) << QByteArray("本");
    QTest::newRow("MidB start 0") << "MidB" << two << qint64(0) << qint64(0) << two;
    QTest::newRow("MidB past end") << "MidB" << two << qint64(7) << qint64(0) << QByteArray();
    QTest::newRow("MidB3 inside char") << "MidB3" << two << qint64(2) << qint64(2) << QByteArray("\x97\xA5");
    QTest::newRow("MidB3 negative start") << "MidB3" << two << qint64(-3) << qint64(2) << QByteArray("\xE6\x97");
    QTest::newRow("MidB3 clipped") << "MidB3" << two << qint64(5) << qint64(99) << QByteArray("\x9C\xAC");
    QTest::newRow("MidB3 negative count") << "MidB3" << two << qint64(1) << qint64(-1) << QByteArray();
    QTest::newRow("MidB3 empty") << "MidB3" << QByteArray() << qint64(1) << qint64(1) << QByteArray();
}

void TestText::slice()
{
    QFETCH(QString, op);
    QFETCH(QByteArray, s);
    QFETCH(qint64, a);
    QFETCH(qint64, b);
    QFETCH(QByteArray, expected);

    std::string got;
    if (op == "Left")
        got = tv::Left(sv(s), a);
    else if (op == "Right")
        got = tv::Right(sv(s), a);
    else if (op == "Mid")
        got = tv::Mid(sv(s), a);
    else if (op == "Mid3")
        got = tv::Mid(sv(s), a, b);
    else if (op == "LeftB")
        got = tv::LeftB(sv(s), a);
    else if (op == "RightB")
        got = tv::RightB(sv(s), a);
    else if (op == "MidB")
        got = tv::MidB(sv(s), a);
    else if (op == "MidB3")
        got = tv::MidB(sv(s), a, b);
    else
        QFAIL("unknown operation");
    QCOMPARE(ba(got), expected);
}

// --- Searching -------------------------------------------------------------

void TestText::inStr_data()
{
    QTest::addColumn<qint64>("start");
    QTest::addColumn<QByteArray>("s");
    QTest::addColumn<QByteArray>("find");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("ascii") << qint64(1) << QByteArray("hello") << QByteArray("l") << qint64(3);
    QTest::newRow("from start") << qint64(4) << QByteArray("hello") << QByteArray("l") << qint64(4);
    QTest::newRow("after last") << qint64(5) << QByteArray("hello") << QByteArray("l") << qint64(0);
    QTest::newRow("upper find") << qint64(1) << QByteArray("hello") << QByteArray("LL") << qint64(3);
    QTest::newRow("mixed text") << qint64(1) << QByteArray("HeLLo") << QByteArray("ll") << qint64(3);
    QTest::newRow("start below 1") << qint64(-3) << QByteArray("abc") << QByteArray("b") << qint64(2);
    QTest::newRow("start past end") << qint64(10) << QByteArray("abc") << QByteArray("a") << qint64(0);
    QTest::newRow("find longer than text") << qint64(1) << QByteArray("ab") << QByteArray("abc") << qint64(0);
    QTest::newRow("partial at end") << qint64(2) << QByteArray("abca") << QByteArray("ab") << qint64(0);
    QTest::newRow("empty text") << qint64(1) << QByteArray() << QByteArray("a") << qint64(0);
    QTest::newRow("long ascii run") << qint64(1) << QByteArray("abcdefghijklmnopqrstuvwxyz") << QByteArray("XYZ") << qint64(24);

    QTest::newRow("empty find") << qint64(1) << QByteArray("abc") << QByteArray() << qint64(1);
    QTest::newRow("empty find at end") << qint64(4) << QByteArray("abc") << QByteArray() << qint64(4);
    QTest::newRow("empty find past end") << qint64(5) << QByteArray("abc") << QByteArray() << qint64(0);
    QTest::newRow("empty find start 0") << qint64(0) << QByteArray("abc") << QByteArray() << qint64(1);
    QTest::newRow("empty find, empty text") << qint64(1) << QByteArray() << QByteArray() << qint64(1);
    QTest::newRow("empty find, multibyte") << qint64(3) << QByteArray("日本") << QByteArray() << qint64(3);
    QTest::newRow("empty find past multibyte end") << qint64(4) << QByteArray("日本") << QByteArray() << qint64(0);

    QTest::newRow("japanese") << qint64(1) << QByteArray("日本語") << QByteArray("語") << qint64(3);
    QTest::newRow("japanese from 2") << qint64(2) << QByteArray("日本語の日本") << QByteArray("日本") << qint64(5);
    QTest::newRow("emoji") << qint64(3) << QByteArray("a😀b😀") << QByteArray("😀") << qint64(4);
    QTest::newRow("ascii after japanese") << qint64(1) << QByteArray("日本KELVIN") << QByteArray("kelvin") << qint64(3);
    QTest::newRow("full-width") << qint64(1) << QByteArray("ＡＢＣ") << QByteArray("ｂ") << qint64(2);
    QTest::newRow("greek") << qint64(1) << QByteArray("ΟΔΥΣΣΕΥΣ") << QByteArray("σσ") << qint64(4);
    QTest::newRow("greek final sigma") << qint64(1) << QByteArray("λόγος") << QByteArray("Σ") << qint64(5);
    QTest::newRow("cyrillic") << qint64(1) << QByteArray("Привет") << QByteArray("ВЕТ") << qint64(4);
    QTest::newRow("deseret (4-byte case pair)") << qint64(1) << QByteArray("x𐐀") << QByteArray("𐐨") << qint64(2);
    QTest::newRow("sharp s is not ss") << qint64(1) << QByteArray("straße") << QByteArray("SS") << qint64(0);
    QTest::newRow("capital sharp s") << qint64(1) << QByteArray("STRAẞE") << QByteArray("ß") << qint64(5);

    // Folding shortens the Kelvin sign from three bytes to one; positions
    // still count the searched text's own characters.
    QTest::newRow("kelvin found by k") << qint64(1) << QByteArray("5" KELVIN " later") << QByteArray("k") << qint64(2);
    QTest::newRow("after kelvin") << qint64(2) << QByteArray(KELVIN "xK") << QByteArray("k") << qint64(3);
    QTest::newRow("kelvin finds K") << qint64(1) << QByteArray("Kelvin " KELVIN) << QByteArray(KELVIN) << qint64(1);
    QTest::newRow("two kelvins then word") << qint64(1) << QByteArray(KELVIN KELVIN "abc") << QByteArray("KABC") << qint64(2);

    QTest::newRow("invalid byte") << qint64(1) << QByteArray("a\xFF" "b") << QByteArray("\xFF") << qint64(2);
    QTest::newRow("different invalid bytes") << qint64(1) << QByteArray("a\xFE" "b") << QByteArray("\xFF") << qint64(0);
    QTest::newRow("invalid byte is not U+FFFD") << qint64(1) << QByteArray(REPLACEMENT_CHAR) << QByteArray("\xFF") << qint64(0);
    QTest::newRow("continuation byte inside a char") << qint64(1) << QByteArray("日") << QByteArray("\x97") << qint64(0);
    QTest::newRow("lone continuation byte") << qint64(1) << QByteArray("x日\x97") << QByteArray("\x97") << qint64(3);
    QTest::newRow("after invalid byte") << qint64(1) << QByteArray("\xFF\xFF" "ab") << QByteArray("B") << qint64(4);
}

void TestText::inStr()
{
    QFETCH(qint64, start);
    QFETCH(QByteArray, s);
    QFETCH(QByteArray, find);
    QFETCH(qint64, expected);
    QCOMPARE(tv::InStr(start, sv(s), sv(find)), expected);
    if (start == 1)
        QCOMPARE(tv::InStr(sv(s), sv(find)), expected);
}

void TestText::inStrB_data()
{
    QTest::addColumn<qint64>("start");
    QTest::addColumn<QByteArray>("s");
    QTest::addColumn<QByteArray>("find");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("ascii") << qint64(1) << QByteArray("Hello") << QByteArray("l") << qint64(3);
    QTest::newRow("exact case") << qint64(1) << QByteArray("Hello") << QByteArray("h") << qint64(0);
    QTest::newRow("byte position") << qint64(1) << QByteArray("日本") << QByteArray("本") << qint64(4);
    QTest::newRow("from start") << qint64(4) << QByteArray("abcabc") << QByteArray("a") << qint64(4);
    QTest::newRow("start below 1") << qint64(0) << QByteArray("abc") << QByteArray("a") << qint64(1);
    QTest::newRow("start past end") << qint64(5) << QByteArray("abc") << QByteArray("c") << qint64(0);
    QTest::newRow("empty find") << qint64(1) << QByteArray("ab") << QByteArray() << qint64(1);
    QTest::newRow("empty find at end") << qint64(3) << QByteArray("ab") << QByteArray() << qint64(3);
    QTest::newRow("empty find past end") << qint64(4) << QByteArray("ab") << QByteArray() << qint64(0);
    QTest::newRow("inside a char") << qint64(1) << QByteArray("日本") << QByteArray("\x97") << qint64(2);
    QTest::newRow("kelvin is not k") << qint64(1) << QByteArray(KELVIN "k") << QByteArray("k") << qint64(4);
}

void TestText::inStrB()
{
    QFETCH(qint64, start);
    QFETCH(QByteArray, s);
    QFETCH(QByteArray, find);
    QFETCH(qint64, expected);
    QCOMPARE(tv::InStrB(start, sv(s), sv(find)), expected);
}

// --- Fields and replacing --------------------------------------------------

void TestText::fields_data()
{
    QTest::addColumn<QByteArray>("s");
    QTest::addColumn<QByteArray>("separator");
    QTest::addColumn<QList<QByteArray>>("fields");

    using L = QList<QByteArray>;
    QTest::newRow("commas") << QByteArray("a,b,c") << QByteArray(",") << L {"a", "b", "c"};
    QTest::newRow("empty fields") << QByteArray("a,,b,") << QByteArray(",") << L {"a", "", "b", ""};
    QTest::newRow("only a separator") << QByteArray(",") << QByteArray(",") << L {"", ""};
    QTest::newRow("empty text") << QByteArray() << QByteArray(",") << L {};
    QTest::newRow("empty text, empty separator") << QByteArray() << QByteArray() << L {};
    QTest::newRow("no separator in text") << QByteArray("abc") << QByteArray(",") << L {"abc"};
    QTest::newRow("empty separator") << QByteArray("a,b") << QByteArray() << L {"a,b"};
    QTest::newRow("multi-char separator") << QByteArray("a<>b<>c") << QByteArray("<>") << L {"a", "b", "c"};
    QTest::newRow("part of separator") << QByteArray("a<><b>") << QByteArray("<>") << L {"a", "<b>"};
    QTest::newRow("separators side by side") << QByteArray("aXYXYb") << QByteArray("xy") << L {"a", "", "b"};
    QTest::newRow("overlapping separator") << QByteArray("aaa") << QByteArray("aa") << L {"", "a"};
    QTest::newRow("case-insensitive separator") << QByteArray("oneANDtwoandthree") << QByteArray("and") << L {"one", "two", "three"};
    QTest::newRow("kelvin separator") << QByteArray("1" KELVIN "2k3") << QByteArray("K") << L {"1", "2", "3"};
    QTest::newRow("japanese separator") << QByteArray("東京、大阪、名古屋") << QByteArray("、") << L {"東京", "大阪", "名古屋"};
    QTest::newRow("tab") << QByteArray("name\tpath") << QByteArray("\t") << L {"name", "path"};
    QTest::newRow("greek separator") << QByteArray("αΣβσγς") << QByteArray("σ") << L {"α", "β", "γ", ""};
}

void TestText::fields()
{
    QFETCH(QByteArray, s);
    QFETCH(QByteArray, separator);
    QFETCH(QList<QByteArray>, fields);

    QCOMPARE(tv::CountFields(sv(s), sv(separator)), qint64(fields.size()));
    for (qsizetype i = 0; i < fields.size(); ++i)
        QCOMPARE(ba(tv::NthField(sv(s), sv(separator), i + 1)), fields[i]);
    QCOMPARE(ba(tv::NthField(sv(s), sv(separator), fields.size() + 1)), QByteArray());
    QCOMPARE(ba(tv::NthField(sv(s), sv(separator), 0)), QByteArray());
    QCOMPARE(ba(tv::NthField(sv(s), sv(separator), -1)), QByteArray());
}

void TestText::fieldsB_data()
{
    QTest::addColumn<QByteArray>("s");
    QTest::addColumn<char>("separator");
    QTest::addColumn<QList<QByteArray>>("fields");

    using L = QList<QByteArray>;
    QTest::newRow("rule line") << QByteArray("検索\t置換\t*---*---\tメモ") << '\t' << L {"検索", "置換", "*---*---", "メモ"};
    QTest::newRow("more than four") << QByteArray("1\t2\t3\t4\t5") << '\t' << L {"1", "2", "3", "4", "5"};
    QTest::newRow("fewer than four") << QByteArray("a\tb") << '\t' << L {"a", "b"};
    QTest::newRow("empty fields") << QByteArray("\t\tx\t") << '\t' << L {"", "", "x", ""};
    QTest::newRow("only a separator") << QByteArray("\t") << '\t' << L {"", ""};
    QTest::newRow("empty text") << QByteArray() << '\t' << L {};
    QTest::newRow("no separator in text") << QByteArray("a b") << '\t' << L {"a b"};
    QTest::newRow("space") << QByteArray("one two  three") << ' ' << L {"one", "two", "", "three"};
    QTest::newRow("header") << QByteArray("Tesvora Dictionary,-5,20,573,502,UTF8") << ','
                            << L {"Tesvora Dictionary", "-5", "20", "573", "502", "UTF8"};
    QTest::newRow("NUL") << QByteArray("a\0b\0", 4) << '\0' << L {"a", "b", ""};
    QTest::newRow("letter case counts") << QByteArray("aXbxc") << 'x' << L {"aXb", "c"};
}

// The byte-exact splitter: views into the text, and the same fields as
// NthField wherever letter case cannot matter.
void TestText::fieldsB()
{
    QFETCH(QByteArray, s);
    QFETCH(char, separator);
    QFETCH(QList<QByteArray>, fields);

    auto inside = [&](std::string_view field) {
        return field.empty() || (field.data() >= s.constData() && field.data() + field.size() <= s.constEnd());
    };
    const std::vector<std::string_view> all = tv::splitFieldsB(sv(s), separator);
    QCOMPARE(qsizetype(all.size()), fields.size());
    for (size_t i = 0; i < all.size(); ++i) {
        QCOMPARE(QByteArray(all[i].data(), qsizetype(all[i].size())), fields[qsizetype(i)]);
        QVERIFY(inside(all[i]));
    }

    const auto four = tv::firstFieldsB<4>(sv(s), separator);
    for (qsizetype i = 0; i < 4; ++i)
        QCOMPARE(QByteArray(four[size_t(i)].data(), qsizetype(four[size_t(i)].size())), fields.value(i));

    std::string_view two[2] = {"untouched", "untouched"};
    const size_t filled = tv::splitFieldsB(sv(s), separator, two);
    QCOMPARE(qsizetype(filled), std::min<qsizetype>(2, fields.size()));
    for (size_t i = filled; i < 2; ++i)
        QCOMPARE(two[i], std::string_view("untouched"));

    if (!std::isalpha(static_cast<unsigned char>(separator))) {
        const std::string_view sep(&separator, 1);
        QCOMPARE(tv::CountFields(sv(s), sep), qint64(fields.size()));
        for (qsizetype i = 0; i < fields.size(); ++i)
            QCOMPARE(ba(tv::NthField(sv(s), sep, i + 1)), fields[i]);
    }
}

void TestText::replaceAll_data()
{
    QTest::addColumn<QByteArray>("s");
    QTest::addColumn<QByteArray>("find");
    QTest::addColumn<QByteArray>("replacement");
    QTest::addColumn<QByteArray>("ignoringCase");
    QTest::addColumn<QByteArray>("exact");

    QTest::newRow("no overlap") << QByteArray("aaa") << QByteArray("aa") << QByteArray("b") << QByteArray("ba") << QByteArray("ba");
    QTest::newRow("back to back") << QByteArray("aaaa") << QByteArray("aa") << QByteArray("b") << QByteArray("bb") << QByteArray("bb");
    QTest::newRow("case") << QByteArray("Hello hello HELLO") << QByteArray("hello") << QByteArray("hi")
                          << QByteArray("hi hi hi") << QByteArray("Hello hi HELLO");
    QTest::newRow("inserted text not searched") << QByteArray("abab") << QByteArray("a") << QByteArray("aa")
                                                << QByteArray("aabaab") << QByteArray("aabaab");
    QTest::newRow("delete") << QByteArray("abcb") << QByteArray("B") << QByteArray() << QByteArray("ac") << QByteArray("abcb");
    QTest::newRow("no match") << QByteArray("abc") << QByteArray("x") << QByteArray("y") << QByteArray("abc") << QByteArray("abc");
    QTest::newRow("empty find") << QByteArray("abc") << QByteArray() << QByteArray("x") << QByteArray("abc") << QByteArray("abc");
    QTest::newRow("empty text") << QByteArray() << QByteArray("a") << QByteArray("x") << QByteArray() << QByteArray();
    QTest::newRow("whole text") << QByteArray("Ab") << QByteArray("aB") << QByteArray("日本") << QByteArray("日本") << QByteArray("Ab");
    QTest::newRow("kelvin by k") << QByteArray(KELVIN "-k-K") << QByteArray("k") << QByteArray("m")
                                 << QByteArray("m-m-m") << QByteArray(KELVIN "-m-K");
    QTest::newRow("k by kelvin") << QByteArray("kK" KELVIN) << QByteArray(KELVIN) << QByteArray("x")
                                 << QByteArray("xxx") << QByteArray("kKx");
    QTest::newRow("kelvin inside japanese") << QByteArray("日" KELVIN "本語") << QByteArray("K本") << QByteArray("X")
                                            << QByteArray("日X語") << QByteArray("日" KELVIN "本語");
    QTest::newRow("full-width") << QByteArray("ＡａＡ") << QByteArray("ａ") << QByteArray("b")
                                << QByteArray("bbb") << QByteArray("ＡbＡ");
    QTest::newRow("greek sigmas") << QByteArray("ΣΊΣΥΦΟς") << QByteArray("σ") << QByteArray("s")
                                  << QByteArray("sΊsΥΦΟs") << QByteArray("ΣΊΣΥΦΟς");
    QTest::newRow("cyrillic") << QByteArray("Да да ДА") << QByteArray("да") << QByteArray("нет")
                              << QByteArray("нет нет нет") << QByteArray("Да нет ДА");
    QTest::newRow("emoji") << QByteArray("😀a😀") << QByteArray("😀") << QByteArray(":)")
                           << QByteArray(":)a:)") << QByteArray(":)a:)");
    QTest::newRow("japanese") << QByteArray("ですです。です") << QByteArray("です") << QByteArray("だ")
                              << QByteArray("だだ。だ") << QByteArray("だだ。だ");
    QTest::newRow("invalid bytes") << QByteArray("a\xFF" "b\xFF") << QByteArray("\xFF") << QByteArray("?")
                                   << QByteArray("a?b?") << QByteArray("a?b?");
    // Ignoring case compares characters, so a byte inside one never matches;
    // the exact form compares bytes.
    QTest::newRow("byte inside a char") << QByteArray("日") << QByteArray("\x97") << QByteArray("x")
                                        << QByteArray("日") << QByteArray("\xE6x\xA5");
}

void TestText::replaceAll()
{
    QFETCH(QByteArray, s);
    QFETCH(QByteArray, find);
    QFETCH(QByteArray, replacement);
    QFETCH(QByteArray, ignoringCase);
    QFETCH(QByteArray, exact);
    QCOMPARE(ba(tv::ReplaceAll(sv(s), sv(find), sv(replacement))), ignoringCase);
    QCOMPARE(ba(tv::ReplaceAllB(sv(s), sv(find), sv(replacement))), exact);
}

// --- The comparison rule ---------------------------------------------------

void TestText::compare_data()
{
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<int>("order");

    QTest::newRow("same") << QByteArray("abc") << QByteArray("abc") << 0;
    QTest::newRow("case") << QByteArray("abc") << QByteArray("ABC") << 0;
    QTest::newRow("both empty") << QByteArray() << QByteArray() << 0;
    QTest::newRow("empty first") << QByteArray() << QByteArray("a") << -1;
    QTest::newRow("prefix") << QByteArray("ab") << QByteArray("ABC") << -1;
    QTest::newRow("differs") << QByteArray("abc") << QByteArray("abd") << -1;
    QTest::newRow("order ignores case") << QByteArray("B") << QByteArray("a") << 1;
    QTest::newRow("order ignores case 2") << QByteArray("a") << QByteArray("B") << -1;
    QTest::newRow("full-width") << QByteArray("ＡＢ") << QByteArray("ａｂ") << 0;
    QTest::newRow("greek") << QByteArray("ΑΒΓ") << QByteArray("αβγ") << 0;
    QTest::newRow("final sigma") << QByteArray("ς") << QByteArray("Σ") << 0;
    QTest::newRow("cyrillic") << QByteArray("ПРИВЕТ") << QByteArray("привет") << 0;
    QTest::newRow("kelvin and k") << QByteArray(KELVIN) << QByteArray("k") << 0;
    QTest::newRow("kelvin and K") << QByteArray("1" KELVIN "2") << QByteArray("1K2") << 0;
    QTest::newRow("kelvin then more") << QByteArray(KELVIN "a") << QByteArray("k") << 1;
    QTest::newRow("japanese") << QByteArray("日本") << QByteArray("日本") << 0;
    QTest::newRow("japanese differs") << QByteArray("日本") << QByteArray("日木") << 1; // U+672C > U+6728
    QTest::newRow("emoji") << QByteArray("😀") << QByteArray("😁") << -1;
    QTest::newRow("sharp s and ss") << QByteArray("straße") << QByteArray("STRASSE") << 1;
    QTest::newRow("capital sharp s") << QByteArray("ẞ") << QByteArray("ß") << 0;
    QTest::newRow("invalid bytes differ") << QByteArray("\xFF") << QByteArray("\xFE") << 1;
    QTest::newRow("invalid byte and U+FFFD") << QByteArray("\xFF") << QByteArray(REPLACEMENT_CHAR) << 1;
    QTest::newRow("same invalid byte") << QByteArray("a\xFF") << QByteArray("A\xFF") << 0;
    QTest::newRow("nul inside") << QByteArray("a\0b", 3) << QByteArray("A\0B", 3) << 0;
}

void TestText::compare()
{
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(int, order);
    const auto sign = [](int v) { return (v > 0) - (v < 0); };
    QCOMPARE(sign(tv::compareText(sv(a), sv(b))), order);
    QCOMPARE(sign(tv::compareText(sv(b), sv(a))), -order);
    QCOMPARE(tv::textEquals(sv(a), sv(b)), order == 0);
    QCOMPARE(tv::textEquals(sv(b), sv(a)), order == 0);
}

void TestText::foldText_data()
{
    QTest::addColumn<QByteArray>("s");
    QTest::addColumn<QByteArray>("folded");

    QTest::newRow("ascii") << QByteArray("ABC xyz 123") << QByteArray("abc xyz 123");
    QTest::newRow("full-width") << QByteArray("ＡＢＣ") << QByteArray("ａｂｃ");
    QTest::newRow("greek") << QByteArray("ΣΑΣ ς") << QByteArray("σασ σ");
    QTest::newRow("cyrillic") << QByteArray("ДА") << QByteArray("да");
    QTest::newRow("kelvin gets shorter") << QByteArray("a" KELVIN "b") << QByteArray("akb");
    QTest::newRow("japanese unchanged") << QByteArray("日本語") << QByteArray("日本語");
    QTest::newRow("emoji unchanged") << QByteArray("😀") << QByteArray("😀");
    QTest::newRow("capital sharp s") << QByteArray("ẞ") << QByteArray("ß");
    QTest::newRow("invalid bytes kept") << QByteArray("A\xFF" "B\xE6\x97") << QByteArray("a\xFF" "b\xE6\x97");
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void TestText::foldText()
{
    QFETCH(QByteArray, s);
    QFETCH(QByteArray, folded);
    QCOMPARE(ba(tv::foldCase(sv(s))), folded);
    QCOMPARE(tv::Len(sv(folded)), tv::Len(sv(s)));
}

void TestText::foldCodePoint_data()
{
    QTest::addColumn<uint>("cp");
    QTest::addColumn<uint>("folded");

    QTest::newRow("A") << uint('A') << uint('a');
    QTest::newRow("z") << uint('z') << uint('z');
    QTest::newRow("@ just before A") << uint('@') << uint('@');
    QTest::newRow("[ just after Z") << uint('[') << uint('[');
    QTest::newRow("kelvin") << 0x212Au << uint('k');
    QTest::newRow("long s") << 0x17Fu << uint('s');
    QTest::newRow("sigma") << 0x3A3u << 0x3C3u;
    QTest::newRow("final sigma") << 0x3C2u << 0x3C3u;
    QTest::newRow("full-width A") << 0xFF21u << 0xFF41u;
    QTest::newRow("deseret") << 0x10400u << 0x10428u;
    QTest::newRow("hiragana") << 0x3042u << 0x3042u;
    QTest::newRow("past U+10FFFF") << 0x110041u << 0x110041u;
}

void TestText::foldCodePoint()
{
    QFETCH(uint, cp);
    QFETCH(uint, folded);
    QCOMPARE(uint(tv::foldCase(uint32_t(cp))), folded);
}

// --- Numbers ---------------------------------------------------------------

void TestText::val_data()
{
    QTest::addColumn<QByteArray>("s");
    QTest::addColumn<double>("expected");

    QTest::newRow("empty") << QByteArray() << 0.0;
    QTest::newRow("blanks") << QByteArray("   ") << 0.0;
    QTest::newRow("letters") << QByteArray("abc") << 0.0;
    QTest::newRow("integer") << QByteArray("42") << 42.0;
    QTest::newRow("leading zeros") << QByteArray("007") << 7.0;
    QTest::newRow("trailing letters") << QByteArray("12abc") << 12.0;
    QTest::newRow("leading spaces") << QByteArray("  42") << 42.0;
    QTest::newRow("leading tab") << QByteArray("\t7") << 7.0;
    QTest::newRow("leading newline") << QByteArray("\n7") << 0.0;
    QTest::newRow("minus") << QByteArray("-5") << -5.0;
    QTest::newRow("plus") << QByteArray("+5") << 5.0;
    QTest::newRow("sign alone") << QByteArray("-") << 0.0;
    QTest::newRow("blank after sign") << QByteArray("- 5") << 0.0;
    QTest::newRow("two signs") << QByteArray("+-5") << 0.0;
    QTest::newRow("minus zero") << QByteArray("-0") << 0.0;
    QTest::newRow("fraction") << QByteArray("3.25") << 3.25;
    QTest::newRow("point first") << QByteArray(".5") << 0.5;
    QTest::newRow("negative point first") << QByteArray("-.5") << -0.5;
    QTest::newRow("point last") << QByteArray("5.") << 5.0;
    QTest::newRow("point alone") << QByteArray(".") << 0.0;
    QTest::newRow("two points") << QByteArray("1.2.3") << 1.2;
    QTest::newRow("exponent") << QByteArray("1e3") << 1000.0;
    QTest::newRow("capital exponent") << QByteArray("1E3") << 1000.0;
    QTest::newRow("negative exponent") << QByteArray("2.5e-2") << 0.025;
    QTest::newRow("signed exponent") << QByteArray("-2e+2x") << -200.0;
    QTest::newRow("bare e") << QByteArray("1e") << 1.0;
    QTest::newRow("bare e and sign") << QByteArray("1e+") << 1.0;
    QTest::newRow("e then letter") << QByteArray("7ex") << 7.0;
    QTest::newRow("comma stops") << QByteArray("1,5") << 1.0;
    QTest::newRow("blank stops") << QByteArray("1 2") << 1.0;
    QTest::newRow("hex prefix not read") << QByteArray("&h10") << 0.0;
    QTest::newRow("0x not read") << QByteArray("0x10") << 0.0;
    QTest::newRow("inf not read") << QByteArray("inf") << 0.0;
    QTest::newRow("nan not read") << QByteArray("nan") << 0.0;
    QTest::newRow("full-width digits not read") << QByteArray("１２") << 0.0;
    QTest::newRow("huge exponent") << QByteArray("1e400") << DBL_MAX;
    QTest::newRow("huge negative") << QByteArray("-1e400") << -DBL_MAX;
    QTest::newRow("very huge exponent") << QByteArray("1e99999999999999999999") << DBL_MAX;
    QTest::newRow("400 digits") << QByteArray(400, '9') << DBL_MAX;
    QTest::newRow("huge with fraction") << QByteArray("0.0001e313") << DBL_MAX;
    QTest::newRow("tiny") << QByteArray("1e-400") << 0.0;
    QTest::newRow("tiny with digits") << QByteArray("123e-500") << 0.0;
    QTest::newRow("zero with huge exponent") << QByteArray("0e99999") << 0.0;
    QTest::newRow("largest double") << QByteArray("1.7976931348623157e308") << DBL_MAX;
}

void TestText::val()
{
    QFETCH(QByteArray, s);
    QFETCH(double, expected);
    const double v = tv::Val(sv(s));
    QVERIFY(std::isfinite(v));
    QCOMPARE(v, expected);
    if (expected == 0)
        QVERIFY2(!std::signbit(v), "no negative zero");
}

void TestText::toInteger_data()
{
    QTest::addColumn<double>("d");
    QTest::addColumn<qint64>("i64");
    QTest::addColumn<int>("i32");

    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("2.9") << 2.9 << qint64(2) << 2;
    QTest::newRow("-2.9") << -2.9 << qint64(-2) << -2;
    QTest::newRow("0.5") << 0.5 << qint64(0) << 0;
    QTest::newRow("-0.5") << -0.5 << qint64(0) << 0;
    QTest::newRow("-0") << -0.0 << qint64(0) << 0;
    QTest::newRow("NaN") << std::nan("") << qint64(0) << 0;
    QTest::newRow("1e300") << 1e300 << kMax64 << kMax32;
    QTest::newRow("-1e300") << -1e300 << kMin64 << kMin32;
    QTest::newRow("inf") << inf << kMax64 << kMax32;
    QTest::newRow("-inf") << -inf << kMin64 << kMin32;
    QTest::newRow("1e18") << 1e18 << qint64(1000000000000000000LL) << kMax32;
    QTest::newRow("2^63") << 9223372036854775808.0 << kMax64 << kMax32;
    QTest::newRow("-2^63") << -9223372036854775808.0 << kMin64 << kMin32;
    QTest::newRow("below 2^31") << 2147483647.9 << qint64(2147483647) << kMax32;
    QTest::newRow("2^31") << 2147483648.0 << qint64(2147483648LL) << kMax32;
    QTest::newRow("just above -2^31 - 1") << -2147483648.9 << qint64(-2147483648LL) << kMin32;
    QTest::newRow("-2^31 - 1") << -2147483649.0 << qint64(-2147483649LL) << kMin32;
    QTest::newRow("-2147483647.5") << -2147483647.5 << qint64(-2147483647) << -2147483647;
}

void TestText::toInteger()
{
    QFETCH(double, d);
    QFETCH(qint64, i64);
    QFETCH(int, i32);
    QCOMPARE(qint64(tv::toInteger(d)), i64);
    QCOMPARE(int(tv::toInt32(d)), i32);
}

void TestText::strDouble_data()
{
    QTest::addColumn<double>("d");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("zero") << 0.0 << QByteArray("0");
    QTest::newRow("minus zero") << -0.0 << QByteArray("0");
    QTest::newRow("integer") << 3.0 << QByteArray("3");
    QTest::newRow("negative") << -2.5 << QByteArray("-2.5");
    QTest::newRow("tenth") << 0.1 << QByteArray("0.1");
    QTest::newRow("third") << 1.0 / 3 << QByteArray("0.333333333333333");
    QTest::newRow("large integer") << 123456.0 << QByteArray("123456");
    QTest::newRow("15 digits") << 999999999999999.0 << QByteArray("999999999999999");
    QTest::newRow("1e15") << 1e15 << QByteArray("1e+15");
    QTest::newRow("1e20") << 1e20 << QByteArray("1e+20");
    QTest::newRow("small") << 1e-7 << QByteArray("1e-07");
}

void TestText::strDouble()
{
    QFETCH(double, d);
    QFETCH(QByteArray, text);
    QCOMPARE(ba(tv::Str(d)), text);
}

void TestText::strInteger()
{
    QCOMPARE(tv::Str(int64_t(-42)), std::string("-42"));
    QCOMPARE(tv::Str(int64_t(kMin64)), std::string("-9223372036854775808"));
    QCOMPARE(tv::Str(int64_t(kMax64)), std::string("9223372036854775807"));
    // Plain int and size_t pick the integer form, not the double one.
    QCOMPARE(tv::Str(12), std::string("12"));
    QCOMPARE(tv::Str(size_t(18446744073709551615ULL)), std::string("18446744073709551615"));
    QCOMPARE(tv::Str(tv::Val("-0")), std::string("0"));
}

void TestText::chr_data()
{
    QTest::addColumn<bool>("isByte");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("ChrB tab") << true << qint64(9) << QByteArray("\t");
    QTest::newRow("ChrB nul") << true << qint64(0) << QByteArray("\0", 1);
    QTest::newRow("ChrB 255") << true << qint64(255) << QByteArray("\xFF");
    QTest::newRow("ChrB 256") << true << qint64(256) << QByteArray();
    QTest::newRow("ChrB -1") << true << qint64(-1) << QByteArray();
    QTest::newRow("Chr ascii") << false << qint64('A') << QByteArray("A");
    QTest::newRow("Chr nul") << false << qint64(0) << QByteArray("\0", 1);
    QTest::newRow("Chr U+00E9") << false << qint64(0xE9) << QByteArray("é");
    QTest::newRow("Chr U+07FF") << false << qint64(0x7FF) << QByteArray("\xDF\xBF");
    QTest::newRow("Chr U+0800") << false << qint64(0x800) << QByteArray("\xE0\xA0\x80");
    QTest::newRow("Chr japanese") << false << qint64(0x65E5) << QByteArray("日");
    QTest::newRow("Chr U+FFFF") << false << qint64(0xFFFF) << QByteArray("\xEF\xBF\xBF");
    QTest::newRow("Chr U+10000") << false << qint64(0x10000) << QByteArray("\xF0\x90\x80\x80");
    QTest::newRow("Chr emoji") << false << qint64(0x1F600) << QByteArray("😀");
    QTest::newRow("Chr U+10FFFF") << false << qint64(0x10FFFF) << QByteArray("\xF4\x8F\xBF\xBF");
    QTest::newRow("Chr surrogate") << false << qint64(0xD800) << QByteArray(REPLACEMENT_CHAR);
    QTest::newRow("Chr past U+10FFFF") << false << qint64(0x110000) << QByteArray(REPLACEMENT_CHAR);
}

void TestText::chr()
{
    QFETCH(bool, isByte);
    QFETCH(qint64, value);
    QFETCH(QByteArray, expected);
    const std::string got = isByte ? tv::ChrB(int(value)) : tv::Chr(uint32_t(value));
    QCOMPARE(ba(got), expected);
}

// --- UTF-8 -----------------------------------------------------------------

void TestText::utf8_data()
{
    QTest::addColumn<QByteArray>("s");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QList<uint>>("codePoints");

    using L = QList<uint>;
    const uint R = 0xFFFD;
    QTest::newRow("empty") << QByteArray() << true << L {};
    QTest::newRow("ascii") << QByteArray("ab") << true << L {'a', 'b'};
    QTest::newRow("nul") << QByteArray("\0", 1) << true << L {0};
    QTest::newRow("U+0080") << QByteArray("\xC2\x80") << true << L {0x80};
    QTest::newRow("U+07FF") << QByteArray("\xDF\xBF") << true << L {0x7FF};
    QTest::newRow("U+0800") << QByteArray("\xE0\xA0\x80") << true << L {0x800};
    QTest::newRow("japanese") << QByteArray("日本") << true << L {0x65E5, 0x672C};
    QTest::newRow("U+D7FF") << QByteArray("\xED\x9F\xBF") << true << L {0xD7FF};
    QTest::newRow("U+E000") << QByteArray("\xEE\x80\x80") << true << L {0xE000};
    QTest::newRow("U+FFFD itself") << QByteArray(REPLACEMENT_CHAR) << true << L {R};
    QTest::newRow("U+10000") << QByteArray("\xF0\x90\x80\x80") << true << L {0x10000};
    QTest::newRow("emoji") << QByteArray("😀") << true << L {0x1F600};
    QTest::newRow("U+10FFFF") << QByteArray("\xF4\x8F\xBF\xBF") << true << L {0x10FFFF};

    QTest::newRow("overlong 2-byte C0") << QByteArray("\xC0\xAF") << false << L {R, R};
    QTest::newRow("overlong 2-byte C1") << QByteArray("\xC1\xBF") << false << L {R, R};
    QTest::newRow("overlong 3-byte") << QByteArray("\xE0\x80\xAF") << false << L {R, R, R};
    QTest::newRow("overlong 3-byte top") << QByteArray("\xE0\x9F\xBF") << false << L {R, R, R};
    QTest::newRow("overlong 4-byte") << QByteArray("\xF0\x80\x80\xAF") << false << L {R, R, R, R};
    QTest::newRow("overlong 4-byte top") << QByteArray("\xF0\x8F\xBF\xBF") << false << L {R, R, R, R};
    QTest::newRow("surrogate low end") << QByteArray("\xED\xA0\x80") << false << L {R, R, R};
    QTest::newRow("surrogate high end") << QByteArray("\xED\xBF\xBF") << false << L {R, R, R};
    QTest::newRow("past U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << false << L {R, R, R, R};
    QTest::newRow("F5 lead") << QByteArray("\xF5\x80\x80\x80") << false << L {R, R, R, R};
    QTest::newRow("FF") << QByteArray("a\xFF" "b") << false << L {'a', R, 'b'};
    QTest::newRow("lone continuation") << QByteArray("\x80") << false << L {R};
    QTest::newRow("truncated at end") << QByteArray("a\xE6\x97") << false << L {'a', R, R};
    QTest::newRow("continuation missing") << QByteArray("\xE6\x97" "a") << false << L {R, R, 'a'};
    QTest::newRow("lead then lead") << QByteArray("\xE6\xE6\x97\xA5") << false << L {R, 0x65E5};
    QTest::newRow("truncated 4-byte before emoji") << QByteArray("\xF0\x9F\x98😀") << false << L {R, R, R, 0x1F600};
}

void TestText::utf8()
{
    QFETCH(QByteArray, s);
    QFETCH(bool, valid);
    QFETCH(QList<uint>, codePoints);

    QCOMPARE(tv::isValidUtf8(sv(s)), valid);

    QList<uint> got;
    size_t i = 0;
    while (i < size_t(s.size())) {
        const size_t before = i;
        got.append(tv::nextCodePoint(sv(s), i));
        QVERIFY(i > before && i <= size_t(s.size()));
    }
    QCOMPARE(got, codePoints);
    QCOMPARE(tv::Len(sv(s)), qint64(codePoints.size()));

    // Reading at the end gives U+FFFD and stays there.
    QCOMPARE(tv::nextCodePoint(sv(s), i), 0xFFFDu);
    QCOMPARE(i, size_t(s.size()));

    if (valid) {
        std::string encoded;
        for (uint cp : codePoints)
            tv::appendCodePoint(encoded, cp);
        QCOMPARE(ba(encoded), s);
    }
}

// The validity check reads ASCII in whole words; a bad byte must be seen at
// every offset and at every length of the run before it.
void TestText::invalidByteAtEveryAlignment()
{
    for (int len = 1; len <= 40; ++len) {
        QByteArray text(len, 'a');
        QVERIFY(tv::isValidUtf8(sv(text)));
        for (int at = 0; at < len; ++at) {
            QByteArray bad = text;
            bad[at] = '\x80';
            QVERIFY2(!tv::isValidUtf8(sv(bad)), qPrintable(QString("len %1 at %2").arg(len).arg(at)));
            QCOMPARE(tv::Len(sv(bad)), qint64(len));

            QByteArray good = text;
            good.insert(at, "日");
            QVERIFY(tv::isValidUtf8(sv(good)));
            QCOMPARE(tv::Len(sv(good)), qint64(len + 1));

            QByteArray cut = text;
            cut.insert(at, "\xE6\x97"); // a character missing its last byte
            QVERIFY(!tv::isValidUtf8(sv(cut)));
            QCOMPARE(tv::Len(sv(cut)), qint64(len + 2));
        }
    }
}

// --- Positions -------------------------------------------------------------

void TestText::positions_data()
{
    QTest::addColumn<qint64>("pos");
    QTest::addColumn<qint64>("offset");

    // "aé日😀\xFFb": characters begin at bytes 0, 1, 3, 6, 10, 11; 12 bytes.
    QTest::newRow("pos -1") << qint64(-1) << qint64(0);
    QTest::newRow("pos 0") << qint64(0) << qint64(0);
    QTest::newRow("pos 1") << qint64(1) << qint64(0);
    QTest::newRow("pos 2") << qint64(2) << qint64(1);
    QTest::newRow("pos 3") << qint64(3) << qint64(3);
    QTest::newRow("pos 4") << qint64(4) << qint64(6);
    QTest::newRow("pos 5") << qint64(5) << qint64(10);
    QTest::newRow("pos 6") << qint64(6) << qint64(11);
    QTest::newRow("pos 7 (end)") << qint64(7) << qint64(12);
    QTest::newRow("pos 8") << qint64(8) << qint64(12);
}

void TestText::positions()
{
    QFETCH(qint64, pos);
    QFETCH(qint64, offset);
    const std::string_view s = "a\xC3\xA9日😀\xFF" "b";
    QCOMPARE(qint64(tv::byteOffsetOfChar(s, pos)), offset);

    // Going back: the characters before the offset, and a character cut by
    // the byte count counts.
    const qint64 before = std::clamp<qint64>(pos - 1, 0, 6);
    QCOMPARE(tv::charCountOfBytes(s, size_t(offset)), before);
    if (before < 6)
        QCOMPARE(tv::charCountOfBytes(s, size_t(offset) + 1), before + 1);
}

void TestText::positionsRoundTrip()
{
    // Long enough that the word-at-a-time paths run between multi-byte characters.
    std::string s;
    for (int i = 0; i < 30; ++i) {
        s += std::string(size_t(i % 11), 'x');
        s += i % 3 == 0 ? "日" : i % 3 == 1 ? "😀" : "\xFF";
    }
    const int64_t len = tv::Len(s);
    QCOMPARE(tv::charCountOfBytes(s, s.size()), len);
    QCOMPARE(tv::charCountOfBytes(s, s.size() + 100), len);
    size_t expectedOffset = 0;
    for (int64_t pos = 1; pos <= len + 1; ++pos) {
        const size_t offset = tv::byteOffsetOfChar(s, pos);
        QCOMPARE(offset, expectedOffset);
        QCOMPARE(tv::charCountOfBytes(s, offset), pos - 1);
        QCOMPARE(tv::Left(s, pos - 1).size(), offset);
        QCOMPARE(tv::Mid(s, pos), s.substr(offset));
        if (pos <= len)
            tv::nextCodePoint(s, expectedOffset);
    }
}

// Searching against a plain reference over random texts built from single
// characters whose case classes are known: a, A; k, K, Kelvin; three sigmas;
// caseless Japanese and emoji; two different malformed bytes.
void TestText::searchAgreesWithCharacterReference()
{
    struct Token {
        const char* bytes;
        int cls;
    };
    static const Token tokens[] = {
        {"a", 1}, {"A", 1}, {"b", 2}, {"k", 3}, {"K", 3}, {KELVIN, 3}, {"Σ", 4}, {"σ", 4}, {"ς", 4},
        {"あ", 5}, {"😀", 6}, {"\xFF", 7}, {"\x80", 8},
    };
    constexpr int tokenCount = int(sizeof tokens / sizeof tokens[0]);

    QRandomGenerator rng(20240611);
    const auto randomText = [&](int maxLen, std::string& bytes, std::vector<int>& classes) {
        const int len = int(rng.bounded(maxLen + 1));
        for (int i = 0; i < len; ++i) {
            const Token& t = tokens[rng.bounded(tokenCount)];
            bytes += t.bytes;
            classes.push_back(t.cls);
        }
    };
    const auto matchesAt = [](const std::vector<int>& text, const std::vector<int>& find, size_t at) {
        if (at + find.size() > text.size())
            return false;
        for (size_t k = 0; k < find.size(); ++k) {
            if (text[at + k] != find[k])
                return false;
        }
        return true;
    };

    for (int round = 0; round < 3000; ++round) {
        std::string text, find;
        std::vector<int> textClasses, findClasses;
        randomText(16, text, textClasses);
        randomText(3, find, findClasses);
        if (findClasses.empty())
            continue;
        // Character starts, to rebuild the replaced text from the reference.
        std::vector<std::string> chars;
        for (size_t i = 0; i < text.size();) {
            const size_t begin = i;
            tv::nextCodePoint(text, i);
            chars.push_back(text.substr(begin, i - begin));
        }
        QCOMPARE(chars.size(), textClasses.size());
        QCOMPARE(tv::Len(text), int64_t(textClasses.size()));

        const int64_t start = int64_t(rng.bounded(int(textClasses.size()) + 2)) + 1;
        int64_t expected = 0;
        for (size_t at = size_t(start - 1); at < textClasses.size(); ++at) {
            if (matchesAt(textClasses, findClasses, at)) {
                expected = int64_t(at) + 1;
                break;
            }
        }
        QCOMPARE(tv::InStr(start, text, find), expected);

        std::string replaced;
        int64_t count = 0;
        for (size_t at = 0; at < textClasses.size();) {
            if (matchesAt(textClasses, findClasses, at)) {
                replaced += "|";
                at += findClasses.size();
                ++count;
            } else {
                replaced += chars[at];
                ++at;
            }
        }
        QCOMPARE(tv::ReplaceAll(text, find, "|"), replaced);
        QCOMPARE(tv::CountFields(text, find), text.empty() ? 0 : count + 1);
    }
}

QTEST_GUILESS_MAIN(TestText)
#include "tst_text.moc"
