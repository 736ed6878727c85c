// The trial palette's preview: hit counts, captions, marks and the replaced
// sample, on the engine and the expander of the pass.

#include <QTest>

#include <string>
#include <vector>

#include "trial/core/TrialSearch.h"

using tv::TextMark;
using tv::TrialEnding;
using tv::TrialOutcome;
using tv::TrialRequest;

namespace {

std::string str(const QByteArray& b) { return std::string(b.constData(), size_t(b.size())); }

// Flags: r regular expression, c case-sensitive, g greedy, d dot matches line ends.
tv::TrialOptions options(const QByteArray& flags)
{
    tv::TrialOptions o;
    o.regex = flags.contains('r');
    o.caseSensitive = flags.contains('c');
    o.greedy = flags.contains('g');
    o.dotMatchAll = flags.contains('d');
    return o;
}

// "start+length start+length ...", positions in characters.
QByteArray marksText(const std::vector<TextMark>& marks)
{
    QByteArrayList parts;
    for (const TextMark& m : marks)
        parts << QByteArray::number(qint64(m.start)) + '+' + QByteArray::number(qint64(m.length));
    return parts.join(' ');
}

QByteArray endingText(TrialEnding e)
{
    switch (e) {
    case TrialEnding::Done: return "done";
    case TrialEnding::EmptySearch: return "empty";
    case TrialEnding::InvalidPattern: return "invalid";
    case TrialEnding::Failed: return "failed";
    }
    return "?";
}

// In the table, a result or caption the run leaves as the palette showed it.
const QByteArray kept = QByteArray();

} // namespace

class TestTrialSearch : public QObject {
    Q_OBJECT

private slots:
    void run_data();
    void run();
    void stepsOncePerTurn_data();
    void stepsOncePerTurn();
    void failureKeepsWhatWasDone();
    void captions();
    void lineBreaks_data();
    void lineBreaks();
    void yenSign();
    void keepFrom();
};

void TestTrialSearch::run_data()
{
    QTest::addColumn<QByteArray>("sample");
    QTest::addColumn<QByteArray>("search");
    QTest::addColumn<QByteArray>("replacement");
    QTest::addColumn<QByteArray>("flags");
    QTest::addColumn<QByteArray>("ending");
    QTest::addColumn<QByteArray>("caption"); // kept: unchanged
    QTest::addColumn<QByteArray>("sourceMarks");
    QTest::addColumn<QByteArray>("result"); // kept: unchanged
    QTest::addColumn<QByteArray>("resultMarks");

    // An empty search text searches nothing, in either mode.
    QTest::newRow("empty search, literal") << QByteArray("abc") << QByteArray("") << QByteArray("x") << QByteArray("")
        << QByteArray("empty") << QByteArray("検索対象：-件ヒット") << QByteArray("") << kept << QByteArray("");
    QTest::newRow("empty search, regex") << QByteArray("abc") << QByteArray("") << QByteArray("x") << QByteArray("r")
        << QByteArray("empty") << QByteArray("検索対象：-件ヒット") << QByteArray("") << kept << QByteArray("");
    QTest::newRow("empty search, invalid replacement") << QByteArray("abc") << QByteArray("") << QByteArray("$")
        << QByteArray("r") << QByteArray("empty") << QByteArray("検索対象：-件ヒット") << QByteArray("") << kept
        << QByteArray("");
    // An empty sample: nothing found, the result emptied.
    QTest::newRow("empty sample, literal") << QByteArray("") << QByteArray("a") << QByteArray("x") << QByteArray("")
        << QByteArray("done") << QByteArray("検索対象：0件ヒット") << QByteArray("") << QByteArray("") << QByteArray("");
    QTest::newRow("empty sample, regex") << QByteArray("") << QByteArray("a") << QByteArray("x") << QByteArray("r")
        << QByteArray("done") << QByteArray("検索対象：0件ヒット") << QByteArray("") << QByteArray("") << QByteArray("");

    QTest::newRow("a deleted from banana") << QByteArray("banana") << QByteArray("a") << QByteArray("")
        << QByteArray("r") << QByteArray("done") << QByteArray("検索対象：3件ヒット") << QByteArray("1+1 3+1 5+1")
        << QByteArray("bnn") << QByteArray("");
    QTest::newRow("digit runs, greedy") << QByteArray("a12b345") << QByteArray("(¥d+)") << QByteArray("[$1]")
        << QByteArray("rg") << QByteArray("done") << QByteArray("検索対象：2件ヒット") << QByteArray("1+2 4+3")
        << QByteArray("a[12]b[345]") << QByteArray("1+4 6+5");
    QTest::newRow("digit runs, lazy") << QByteArray("a12b345") << QByteArray("(¥d+)") << QByteArray("[$1]")
        << QByteArray("r") << QByteArray("done") << QByteArray("検索対象：5件ヒット")
        << QByteArray("1+1 2+1 4+1 5+1 6+1") << QByteArray("a[1][2]b[3][4][5]") << QByteArray("1+3 4+3 8+3 11+3 14+3");
    QTest::newRow("a.*b lazy") << QByteArray("aXbYb") << QByteArray("a.*b") << QByteArray("R") << QByteArray("r")
        << QByteArray("done") << QByteArray("検索対象：1件ヒット") << QByteArray("0+3") << QByteArray("RYb")
        << QByteArray("0+1");
    QTest::newRow("a.*b greedy") << QByteArray("aXbYb") << QByteArray("a.*b") << QByteArray("R") << QByteArray("rg")
        << QByteArray("done") << QByteArray("検索対象：1件ヒット") << QByteArray("0+5") << QByteArray("R")
        << QByteArray("0+1");
    QTest::newRow("lazy marker under greedy") << QByteArray("aXbYb") << QByteArray("a.*?b") << QByteArray("R")
        << QByteArray("rg") << QByteArray("done") << QByteArray("検索対象：1件ヒット") << QByteArray("0+3")
        << QByteArray("RYb") << QByteArray("0+1");

    // An empty hit ends both loops: not counted, but replaced once.
    QTest::newRow("x* on abc") << QByteArray("abc") << QByteArray("x*") << QByteArray("R") << QByteArray("r")
        << QByteArray("done") << QByteArray("検索対象：0件ヒット") << QByteArray("") << QByteArray("Rabc")
        << QByteArray("0+1");
    QTest::newRow("x* on abc, greedy") << QByteArray("abc") << QByteArray("x*") << QByteArray("R") << QByteArray("rg")
        << QByteArray("done") << QByteArray("検索対象：0件ヒット") << QByteArray("") << QByteArray("Rabc")
        << QByteArray("0+1");
    QTest::newRow("x* after a hit") << QByteArray("xxa") << QByteArray("x*") << QByteArray("R") << QByteArray("rg")
        << QByteArray("done") << QByteArray("検索対象：1件ヒット") << QByteArray("0+2") << QByteArray("RRa")
        << QByteArray("0+1 1+1");
    // The stop test follows the search: the empty hit at the end is found,
    // then the start past the end stops the loop.
    QTest::newRow("x|$ on x") << QByteArray("x") << QByteArray("x|$") << QByteArray("R") << QByteArray("r")
        << QByteArray("done") << QByteArray("検索対象：1件ヒット") << QByteArray("0+1") << QByteArray("R")
        << QByteArray("0+1");
    QTest::newRow("x|$ on ab") << QByteArray("ab") << QByteArray("x|$") << QByteArray("R") << QByteArray("r")
        << QByteArray("done") << QByteArray("検索対象：0件ヒット") << QByteArray("") << QByteArray("abR")
        << QByteArray("2+1");
    QTest::newRow("$ on an empty sample") << QByteArray("") << QByteArray("$") << QByteArray("R") << QByteArray("r")
        << QByteArray("done") << QByteArray("検索対象：0件ヒット") << QByteArray("") << QByteArray("")
        << QByteArray("");

    // The replacement sees the hit's characters alone.
    QTest::newRow("look-ahead") << QByteArray("ab") << QByteArray("a(?=b)") << QByteArray("R") << QByteArray("r")
        << QByteArray("done") << QByteArray("検索対象：1件ヒット") << QByteArray("0+1") << QByteArray("ab")
        << QByteArray("0+1");
    QTest::newRow("look-behind") << QByteArray("ab") << QByteArray("(?<=a)b") << QByteArray("R") << QByteArray("r")
        << QByteArray("done") << QByteArray("検索対象：1件ヒット") << QByteArray("1+1") << QByteArray("ab")
        << QByteArray("1+1");
    QTest::newRow("text before and after") << QByteArray("abc") << QByteArray("b") << QByteArray("[$`|$'|$&]")
        << QByteArray("r") << QByteArray("done") << QByteArray("検索対象：1件ヒット") << QByteArray("1+1")
        << QByteArray("a[||b]c") << QByteArray("1+5");
    QTest::newRow("missing group") << QByteArray("ab") << QByteArray("(a)") << QByteArray("[$2$1]")
        << QByteArray("r") << QByteArray("done") << QByteArray("検索対象：1件ヒット") << QByteArray("0+1")
        << QByteArray("[a]b") << QByteArray("0+3");
    QTest::newRow("group that took no part") << QByteArray("b") << QByteArray("(a)?b") << QByteArray("<$1>")
        << QByteArray("r") << QByteArray("done") << QByteArray("検索対象：1件ヒット") << QByteArray("0+1")
        << QByteArray("<>") << QByteArray("0+2");
    // Each search begins after the inserted text, which is not searched again.
    QTest::newRow("replacement holding the hit, regex") << QByteArray("aa") << QByteArray("a") << QByteArray("aa")
        << QByteArray("r") << QByteArray("done") << QByteArray("検索対象：2件ヒット") << QByteArray("0+1 1+1")
        << QByteArray("aaaa") << QByteArray("0+2 2+2");
    // The replacement loop searches the text as replaced so far: the "a"
    // follows an inserted "x" and is found, though the count did not find it;
    // its own replacement sees "a" alone and leaves it.
    QTest::newRow("inserted text before a look-behind") << QByteArray("ba") << QByteArray("(?<=x)a|b")
        << QByteArray("x") << QByteArray("r") << QByteArray("done") << QByteArray("検索対象：1件ヒット")
        << QByteArray("0+1") << QByteArray("xa") << QByteArray("0+1 1+1");

    // Hits never overlap.
    QTest::newRow("aa on aaaa, literal") << QByteArray("aaaa") << QByteArray("aa") << QByteArray("b")
        << QByteArray("") << QByteArray("done") << QByteArray("検索対象：2件ヒット") << QByteArray("0+2 2+2")
        << QByteArray("bb") << QByteArray("0+1 1+1");
    QTest::newRow("aa on aaaa, regex") << QByteArray("aaaa") << QByteArray("aa") << QByteArray("b")
        << QByteArray("r") << QByteArray("done") << QByteArray("検索対象：2件ヒット") << QByteArray("0+2 2+2")
        << QByteArray("bb") << QByteArray("0+1 1+1");
    QTest::newRow("a to aa, literal") << QByteArray("aa") << QByteArray("a") << QByteArray("aa") << QByteArray("")
        << QByteArray("done") << QByteArray("検索対象：2件ヒット") << QByteArray("0+1 1+1") << QByteArray("aaaa")
        << QByteArray("0+2 2+2");
    QTest::newRow("literal deletion") << QByteArray("あいうい") << QByteArray("い") << QByteArray("")
        << QByteArray("") << QByteArray("done") << QByteArray("検索対象：2件ヒット") << QByteArray("1+1 3+1")
        << QByteArray("あう") << QByteArray("");

    // Literal mode: texts as typed, nothing special in them.
    QTest::newRow("literal, case-sensitive, Japanese") << QByteArray("あいbB") << QByteArray("b")
        << QByteArray("X") << QByteArray("c") << QByteArray("done") << QByteArray("検索対象：1件ヒット")
        << QByteArray("2+1") << QByteArray("あいXB") << QByteArray("2+1");
    QTest::newRow("literal $1 and yen") << QByteArray("a¥b\\c") << QByteArray("¥") << QByteArray("$1")
        << QByteArray("") << QByteArray("done") << QByteArray("検索対象：1件ヒット") << QByteArray("1+1")
        << QByteArray("a$1b\\c") << QByteArray("1+2");
    QTest::newRow("literal dot, regex boxes on") << QByteArray("a.b\rc") << QByteArray(".") << QByteArray("*")
        << QByteArray("gd") << QByteArray("done") << QByteArray("検索対象：1件ヒット") << QByteArray("1+1")
        << QByteArray("a*b\rc") << QByteArray("1+1");
    QTest::newRow("literal ignoring case") << QByteArray("aAａＡ") << QByteArray("A") << QByteArray("x")
        << QByteArray("") << QByteArray("done") << QByteArray("検索対象：2件ヒット") << QByteArray("0+1 1+1")
        << QByteArray("xxａＡ") << QByteArray("0+1 1+1");
    QTest::newRow("literal full-width ignoring case") << QByteArray("aAａＡ") << QByteArray("ａ")
        << QByteArray("x") << QByteArray("") << QByteArray("done") << QByteArray("検索対象：2件ヒット")
        << QByteArray("2+1 3+1") << QByteArray("aAxx") << QByteArray("2+1 3+1");

    // Case, in both modes.
    QTest::newRow("regex ignoring case") << QByteArray("aA") << QByteArray("A") << QByteArray("x")
        << QByteArray("r") << QByteArray("done") << QByteArray("検索対象：2件ヒット") << QByteArray("0+1 1+1")
        << QByteArray("xx") << QByteArray("0+1 1+1");
    QTest::newRow("regex case-sensitive") << QByteArray("aA") << QByteArray("A") << QByteArray("x")
        << QByteArray("rc") << QByteArray("done") << QByteArray("検索対象：1件ヒット") << QByteArray("1+1")
        << QByteArray("ax") << QByteArray("1+1");

    // The yen sign is a backslash in regular-expression mode, in the
    // replacement too, where a backslash is plain text: no escape decoding.
    QTest::newRow("yen finds a backslash") << QByteArray("a¥b\\c") << QByteArray("¥¥") << QByteArray("/")
        << QByteArray("r") << QByteArray("done") << QByteArray("検索対象：1件ヒット") << QByteArray("3+1")
        << QByteArray("a¥b/c") << QByteArray("3+1");
    QTest::newRow("yen escapes in the replacement stay") << QByteArray("ab") << QByteArray("b")
        << QByteArray("¥t¥r") << QByteArray("r") << QByteArray("done") << QByteArray("検索対象：1件ヒット")
        << QByteArray("1+1") << QByteArray("a\\t\\r") << QByteArray("1+4");
    QTest::newRow("typed backslash") << QByteArray("a\tb") << QByteArray("\\t") << QByteArray("_")
        << QByteArray("r") << QByteArray("done") << QByteArray("検索対象：1件ヒット") << QByteArray("1+1")
        << QByteArray("a_b") << QByteArray("1+1");

    // Dot and line ends.
    QTest::newRow("dot stops at a break") << QByteArray("a\nb") << QByteArray("a.b") << QByteArray("X")
        << QByteArray("r") << QByteArray("done") << QByteArray("検索対象：0件ヒット") << QByteArray("")
        << QByteArray("a\rb") << QByteArray("");
    QTest::newRow("dot matches a break") << QByteArray("a\nb") << QByteArray("a.b") << QByteArray("X")
        << QByteArray("rd") << QByteArray("done") << QByteArray("検索対象：1件ヒット") << QByteArray("0+3")
        << QByteArray("X") << QByteArray("0+1");
    QTest::newRow("blank line, greedy") << QByteArray("a\n\nb") << QByteArray("^¥s*$") << QByteArray("R")
        << QByteArray("rg") << QByteArray("done") << QByteArray("検索対象：0件ヒット") << QByteArray("")
        << QByteArray("a\rR\rb") << QByteArray("2+1");
    QTest::newRow("guide CR finds every break") << QByteArray("a\nb\r\nc\xE2\x80\xA8" "d\xE2\x80\xA9" "e\rf")
        << QByteArray("¥r") << QByteArray("|") << QByteArray("r") << QByteArray("done")
        << QByteArray("検索対象：5件ヒット") << QByteArray("1+1 3+1 5+1 7+1 9+1") << QByteArray("a|b|c|d|e|f")
        << QByteArray("1+1 3+1 5+1 7+1 9+1");
    QTest::newRow("guide x0D") << QByteArray("a\r\nb") << QByteArray("¥x0D") << QByteArray("|") << QByteArray("r")
        << QByteArray("done") << QByteArray("検索対象：1件ヒット") << QByteArray("1+1") << QByteArray("a|b")
        << QByteArray("1+1");
    QTest::newRow("guide x0A finds nothing") << QByteArray("a\nb\r\nc") << QByteArray("¥x0A") << QByteArray("|")
        << QByteArray("r") << QByteArray("done") << QByteArray("検索対象：0件ヒット") << QByteArray("")
        << QByteArray("a\rb\rc") << QByteArray("");
    QTest::newRow("guide CR LF finds nothing") << QByteArray("a\r\nb") << QByteArray("¥x0D¥x0A")
        << QByteArray("|") << QByteArray("r") << QByteArray("done") << QByteArray("検索対象：0件ヒット")
        << QByteArray("") << QByteArray("a\rb") << QByteArray("");

    // Positions are characters: kana, emoji (two UTF-16 units, four bytes)
    // and combining marks each count once.
    QTest::newRow("after emoji") << QByteArray("😀あい😀い") << QByteArray("い") << QByteArray("🎉")
        << QByteArray("r") << QByteArray("done") << QByteArray("検索対象：2件ヒット") << QByteArray("2+1 4+1")
        << QByteArray("😀あ🎉😀🎉") << QByteArray("2+1 4+1");
    QTest::newRow("emoji, literal") << QByteArray("a😀b😀") << QByteArray("😀") << QByteArray("xy")
        << QByteArray("") << QByteArray("done") << QByteArray("検索対象：2件ヒット") << QByteArray("1+1 3+1")
        << QByteArray("axybxy") << QByteArray("1+2 4+2");
    QTest::newRow("after a combining mark") << QByteArray("か\xE3\x82\x99xか\xE3\x82\x99") << QByteArray("x|か")
        << QByteArray("[$&]") << QByteArray("r") << QByteArray("done") << QByteArray("検索対象：3件ヒット")
        << QByteArray("0+1 2+1 3+1") << QByteArray("[か]\xE3\x82\x99[x][か]\xE3\x82\x99")
        << QByteArray("0+3 4+3 7+3");
    QTest::newRow("any character, emoji included") << QByteArray("😀\r😀") << QByteArray(".") << QByteArray("<$&>")
        << QByteArray("r") << QByteArray("done") << QByteArray("検索対象：2件ヒット") << QByteArray("0+1 2+1")
        << QByteArray("<😀>\r<😀>") << QByteArray("0+3 4+3");

    // A pattern that does not compile: nothing counted, caption and result kept.
    QTest::newRow("lone parenthesis") << QByteArray("abc") << QByteArray("(") << QByteArray("x")
        << QByteArray("r") << QByteArray("invalid") << kept << QByteArray("") << kept << QByteArray("");
    QTest::newRow("lone parenthesis on an empty sample") << QByteArray("") << QByteArray("a(")
        << QByteArray("x") << QByteArray("r") << QByteArray("invalid") << kept << QByteArray("") << kept
        << QByteArray("");
    QTest::newRow("lone yen") << QByteArray("a¥") << QByteArray("¥") << QByteArray("x") << QByteArray("r")
        << QByteArray("invalid") << kept << QByteArray("") << kept << QByteArray("");
    QTest::newRow("lone parenthesis, literal") << QByteArray("a(b") << QByteArray("(") << QByteArray("x")
        << QByteArray("") << QByteArray("done") << QByteArray("検索対象：1件ヒット") << QByteArray("1+1")
        << QByteArray("axb") << QByteArray("1+1");
}

void TestTrialSearch::run()
{
    QFETCH(QByteArray, sample);
    QFETCH(QByteArray, search);
    QFETCH(QByteArray, replacement);
    QFETCH(QByteArray, flags);
    QFETCH(QByteArray, ending);
    QFETCH(QByteArray, caption);
    QFETCH(QByteArray, sourceMarks);
    QFETCH(QByteArray, result);
    QFETCH(QByteArray, resultMarks);

    const TrialOutcome o = tv::trialSearch({str(sample), str(search), str(replacement), options(flags)});
    QCOMPARE(endingText(o.ending), ending);
    QCOMPARE(o.caption.has_value(), !caption.isNull());
    if (o.caption)
        QCOMPARE(QByteArray::fromStdString(*o.caption), caption);
    QCOMPARE(o.count.has_value(), ending == "done");
    QCOMPARE(marksText(o.sourceMarks), sourceMarks);
    QCOMPARE(o.result.has_value(), !result.isNull());
    if (o.result)
        QCOMPARE(QByteArray::fromStdString(*o.result), result);
    QCOMPARE(marksText(o.resultMarks), resultMarks);
    QCOMPARE(QByteArray::fromStdString(o.sample), QByteArray::fromStdString(tv::withCrBreaks(str(sample))));
    if (ending == "invalid")
        QVERIFY(!o.failure.empty());
}

void TestTrialSearch::stepsOncePerTurn_data()
{
    QTest::addColumn<QByteArray>("sample");
    QTest::addColumn<QByteArray>("search");
    QTest::addColumn<QByteArray>("flags");
    QTest::addColumn<int>("steps");

    // Three counted hits and three replacements.
    QTest::newRow("regex") << QByteArray("banana") << QByteArray("a") << QByteArray("r") << 6;
    QTest::newRow("literal") << QByteArray("banana") << QByteArray("a") << QByteArray("") << 6;
    // The empty hit ends each loop before its step.
    QTest::newRow("empty hit") << QByteArray("abc") << QByteArray("x*") << QByteArray("r") << 0;
    QTest::newRow("empty search") << QByteArray("abc") << QByteArray("") << QByteArray("r") << 0;
}

void TestTrialSearch::stepsOncePerTurn()
{
    QFETCH(QByteArray, sample);
    QFETCH(QByteArray, search);
    QFETCH(QByteArray, flags);
    QFETCH(int, steps);
    int taken = 0;
    tv::trialSearch({str(sample), str(search), "R", options(flags)}, [&] { ++taken; });
    QCOMPARE(taken, steps);
}

void TestTrialSearch::failureKeepsWhatWasDone()
{
    // Catastrophic backtracking runs into the engine's match limit on the
    // second line: the first hit is marked, nothing else is set.
    const std::string sample = "aa\r" + std::string(40, 'a') + "!";
    TrialOutcome o = tv::trialSearch({sample, "(a+)+$", "x", options("rg")});
    QCOMPARE(endingText(o.ending), QByteArray("failed"));
    QVERIFY(!o.failure.empty());
    QCOMPARE(marksText(o.sourceMarks), QByteArray("0+2"));
    QVERIFY(!o.caption);
    QVERIFY(!o.result);

    // Text that is not UTF-8 is refused before anything is done.
    o = tv::trialSearch({"a\xFF", "a", "x", options("r")});
    QCOMPARE(endingText(o.ending), QByteArray("failed"));
    QVERIFY(!o.caption);
    QVERIFY(!o.result);
    QVERIFY(o.sourceMarks.empty());
}

void TestTrialSearch::captions()
{
    QCOMPARE(QByteArray::fromStdString(tv::hitCaption(0)), QByteArray("検索対象：0件ヒット"));
    QCOMPARE(QByteArray::fromStdString(tv::hitCaption(1234567)), QByteArray("検索対象：1234567件ヒット"));
    QCOMPARE(QByteArray::fromStdString(tv::emptySearchCaption()), QByteArray("検索対象：-件ヒット"));
}

void TestTrialSearch::lineBreaks_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("none") << QByteArray("abc") << QByteArray("abc");
    QTest::newRow("LF") << QByteArray("a\nb\n") << QByteArray("a\rb\r");
    QTest::newRow("CR LF") << QByteArray("a\r\nb") << QByteArray("a\rb");
    QTest::newRow("CR stays") << QByteArray("a\r\rb") << QByteArray("a\r\rb");
    QTest::newRow("LF CR is two") << QByteArray("a\n\rb") << QByteArray("a\r\rb");
    QTest::newRow("line separator") << QByteArray("a\xE2\x80\xA8" "b") << QByteArray("a\rb");
    QTest::newRow("paragraph separator") << QByteArray("\xE2\x80\xA9") << QByteArray("\r");
    QTest::newRow("other three-byte characters") << QByteArray("\xE2\x80\xA7\xE2\x80\xAA") << QByteArray("\xE2\x80\xA7\xE2\x80\xAA");
    QTest::newRow("cut short") << QByteArray("a\xE2\x80") << QByteArray("a\xE2\x80");
}

void TestTrialSearch::lineBreaks()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, expected);
    QCOMPARE(QByteArray::fromStdString(tv::withCrBreaks(str(text))), expected);
}

void TestTrialSearch::yenSign()
{
    QCOMPARE(QByteArray::fromStdString(tv::yenAsBackslash("¥d+¥¥x¥")), QByteArray("\\d+\\\\x\\"));
    // The full-width yen and the backslash itself stay.
    QCOMPARE(QByteArray::fromStdString(tv::yenAsBackslash("￥\\")), QByteArray("￥\\"));
}

void TestTrialSearch::keepFrom()
{
    const TrialOutcome earlier = tv::trialSearch({"banana", "a", "", options("r")});
    TrialOutcome invalid = tv::trialSearch({"banana", "(", "", options("r")});
    invalid.keepFrom(earlier);
    QCOMPARE(*invalid.caption, std::string("検索対象：3件ヒット"));
    QCOMPARE(*invalid.count, int64_t(3));
    QCOMPARE(*invalid.result, std::string("bnn"));

    TrialOutcome empty = tv::trialSearch({"banana", "", "", options("r")});
    empty.keepFrom(earlier);
    QCOMPARE(*empty.caption, std::string("検索対象：-件ヒット"));
    QVERIFY(!empty.count);
    QCOMPARE(*empty.result, std::string("bnn"));

    TrialOutcome fresh = tv::trialSearch({"ab", "b", "c", options("r")});
    fresh.keepFrom(earlier);
    QCOMPARE(*fresh.result, std::string("ac"));
    QCOMPARE(fresh.resultMarks, (std::vector<TextMark>{{1, 1}}));
}

QTEST_GUILESS_MAIN(TestTrialSearch)
#include "tst_trial_search.moc"
