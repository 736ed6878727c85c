// The regular-expression engine: options, lazy repeats, empty matches, line
// ends, replacement patterns and failures, on small texts.

#include <QTest>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/Errors.h"
#include "proofing/core/RegEx.h"
#include "proofing/core/TextEdits.h"

using tv::RegEx;
using tv::TextEdits;

namespace {

std::string str(const QByteArray& b) { return std::string(b.constData(), size_t(b.size())); }

// "C" case-sensitive, "G" greedy, "D" dot matches line ends, "E" match empty;
// a letter that is missing is off, as for a rule's options.
void setOptions(RegEx& re, const QByteArray& flags)
{
    re.Options.CaseSensitive = flags.contains('C');
    re.Options.Greedy = flags.contains('G');
    re.Options.DotMatchAll = flags.contains('D');
    re.Options.MatchEmpty = flags.contains('E');
}

} // namespace

class TestRegEx : public QObject {
    Q_OBJECT

private slots:
    void replaceAll_data();
    void replaceAll();
    void replaceFirstOnly();
    void search_data();
    void search();
    void emptyMatchesEndEveryLoop_data();
    void emptyMatchesEndEveryLoop();
    void expandSeesTheWholeText();
    void groupsOfAMatch();
    void longTag_data();
    void longTag();
    void badPattern_data();
    void badPattern();
    void patternsAreCompiledOncePerOptions();
    void lookBehind_data();
    void lookBehind();
    void lazyMarkers_data();
    void lazyMarkers();
    void entryCheck();
    void compiledAheadSearchesAsCompiledAtUse();
    void compiledAheadEndsWithItsEngine();
};

void TestRegEx::replaceAll_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<QByteArray>("flags");
    QTest::addColumn<QByteArray>("replacement");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("count");

    // Case.
    QTest::newRow("ignore case") << QByteArray("ABC abc Abc") << QByteArray("abc") << QByteArray("G")
                                 << QByteArray("x") << QByteArray("x x x") << 3;
    QTest::newRow("case-sensitive") << QByteArray("ABC abc Abc") << QByteArray("abc") << QByteArray("CG")
                                    << QByteArray("x") << QByteArray("ABC x Abc") << 1;
    QTest::newRow("full-width ignore case") << QByteArray("ＡＢＣとａｂｃ") << QByteArray("ａｂｃ")
                                            << QByteArray("G") << QByteArray("x") << QByteArray("xとx") << 2;
    QTest::newRow("full-width case-sensitive") << QByteArray("ＡＢＣとａｂｃ") << QByteArray("ａｂｃ")
                                               << QByteArray("CG") << QByteArray("x") << QByteArray("ＡＢＣとx") << 1;
    QTest::newRow("\\d is ASCII") << QByteArray("１2") << QByteArray("\\d") << QByteArray("G")
                                  << QByteArray("x") << QByteArray("１x") << 1;
    QTest::newRow("\\w is ASCII") << QByteArray("ａa") << QByteArray("\\w") << QByteArray("G")
                                  << QByteArray("x") << QByteArray("ａx") << 1;

    // Greed.
    QTest::newRow("greedy") << QByteArray("aXbYb") << QByteArray("a.*b") << QByteArray("G")
                            << QByteArray("<$&>") << QByteArray("<aXbYb>") << 1;
    QTest::newRow("not greedy") << QByteArray("aXbYb") << QByteArray("a.*b") << QByteArray("")
                                << QByteArray("<$&>") << QByteArray("<aXb>Yb") << 1;
    QTest::newRow("greedy, written lazy") << QByteArray("aXbYb") << QByteArray("a.*?b") << QByteArray("G")
                                          << QByteArray("<$&>") << QByteArray("<aXb>Yb") << 1;
    QTest::newRow("not greedy, written lazy") << QByteArray("aXbYb") << QByteArray("a.*?b") << QByteArray("")
                                              << QByteArray("<$&>") << QByteArray("<aXb>Yb") << 1;
    QTest::newRow("digits greedy") << QByteArray("a12b345") << QByteArray("(\\d+)") << QByteArray("G")
                                   << QByteArray("[$1]") << QByteArray("a[12]b[345]") << 2;
    QTest::newRow("digits not greedy") << QByteArray("a12b345") << QByteArray("(\\d+)") << QByteArray("")
                                       << QByteArray("[$1]") << QByteArray("a[1][2]b[3][4][5]") << 5;
    QTest::newRow("counted repeat not greedy") << QByteArray("aaaa") << QByteArray("a{2,}") << QByteArray("")
                                               << QByteArray("x") << QByteArray("xx") << 2;
    QTest::newRow("counted repeat lazy, not greedy") << QByteArray("aaaa") << QByteArray("a{2,}?")
                                                     << QByteArray("") << QByteArray("x") << QByteArray("xx") << 2;
    QTest::newRow("group repeat lazy, not greedy") << QByteArray("ababab") << QByteArray("(?:ab)+?")
                                                   << QByteArray("") << QByteArray("x") << QByteArray("xxx") << 3;
    QTest::newRow("possessive stays possessive") << QByteArray("12345") << QByteArray("\\d*+5")
                                                 << QByteArray("") << QByteArray("x") << QByteArray("12345") << 0;
    QTest::newRow("escaped ? is an item") << QByteArray("a?a") << QByteArray("a\\??") << QByteArray("")
                                          << QByteArray("x") << QByteArray("x?x") << 2;
    QTest::newRow("? inside a class") << QByteArray("*?*") << QByteArray("[*?]+") << QByteArray("")
                                      << QByteArray("x") << QByteArray("xxx") << 3;
    QTest::newRow("? inside \\Q..\\E") << QByteArray("a*?") << QByteArray("\\Qa*?\\E") << QByteArray("")
                                        << QByteArray("x") << QByteArray("x") << 1;
    QTest::newRow("braced escape before a lazy repeat") << QByteArray("aaa") << QByteArray("\\x{61}+?")
                                                        << QByteArray("") << QByteArray("x") << QByteArray("xxx") << 3;
    QTest::newRow("extended comment holding [") << QByteArray("cc") << QByteArray("(?x)a+?#[\n|c+?")
                                                << QByteArray("") << QByteArray("x") << QByteArray("xx") << 2;
    QTest::newRow("extended space before the lazy marker") << QByteArray("aaa") << QByteArray("(?x)a+ ?")
                                                           << QByteArray("") << QByteArray("x") << QByteArray("xxx") << 3;

    // Line ends: CR, LF and CR LF end a line.
    QTest::newRow("dot stops at CR") << QByteArray("a\rb") << QByteArray("a.b") << QByteArray("G")
                                     << QByteArray("x") << QByteArray("a\rb") << 0;
    QTest::newRow("dot matches CR") << QByteArray("a\rb") << QByteArray("a.b") << QByteArray("GD")
                                    << QByteArray("x") << QByteArray("x") << 1;
    QTest::newRow("dot-all not greedy") << QByteArray("<a\r>\r<b>") << QByteArray("<.+>") << QByteArray("D")
                                        << QByteArray("T") << QByteArray("T\rT") << 2;
    QTest::newRow("anchors at CR lines") << QByteArray("ab\rcd\rab") << QByteArray("^ab$") << QByteArray("G")
                                         << QByteArray("x") << QByteArray("x\rcd\rx") << 2;
    QTest::newRow("line start after CR") << QByteArray("ab\rcd") << QByteArray("^c") << QByteArray("G")
                                         << QByteArray("x") << QByteArray("ab\rxd") << 1;
    QTest::newRow("line end before CR LF") << QByteArray("ab\r\ncd") << QByteArray("b$") << QByteArray("G")
                                           << QByteArray("x") << QByteArray("ax\r\ncd") << 1;
    QTest::newRow("\\r and \\t are escapes") << QByteArray("a\tb\rc") << QByteArray("\\t|\\r")
                                             << QByteArray("G") << QByteArray("_") << QByteArray("a_b_c") << 2;

    // Look-around.
    QTest::newRow("look-ahead") << QByteArray("10円 20ドル") << QByteArray("\\d+(?=円)") << QByteArray("G")
                                << QByteArray("[$&]") << QByteArray("[10]円 20ドル") << 1;
    QTest::newRow("negative look-ahead") << QByteArray("10円 20ドル") << QByteArray("\\d+(?!\\d|円)")
                                         << QByteArray("G") << QByteArray("[$&]") << QByteArray("10円 [20]ドル") << 1;
    QTest::newRow("look-behind") << QByteArray("$5 5") << QByteArray("(?<=\\$)\\d") << QByteArray("G")
                                 << QByteArray("[$&]") << QByteArray("$[5] 5") << 1;
    QTest::newRow("negative look-behind") << QByteArray("$5 6") << QByteArray("(?<!\\$)\\d") << QByteArray("G")
                                          << QByteArray("[$&]") << QByteArray("$5 [6]") << 1;

    // Empty matches.
    QTest::newRow("empty matches replaced") << QByteArray("abc") << QByteArray("x*") << QByteArray("GE")
                                            << QByteArray("-") << QByteArray("-a-b-c-") << 4;
    QTest::newRow("empty matches refused") << QByteArray("abc") << QByteArray("x*") << QByteArray("G")
                                           << QByteArray("-") << QByteArray("abc") << 0;
    QTest::newRow("empty after a match") << QByteArray("baaac") << QByteArray("a*") << QByteArray("GE")
                                         << QByteArray("-") << QByteArray("-b--c-") << 4;
    QTest::newRow("empty look-ahead") << QByteArray("abcb") << QByteArray("(?=b)") << QByteArray("GE")
                                      << QByteArray("-") << QByteArray("a-bc-b") << 2;
    QTest::newRow("empty look-ahead refused") << QByteArray("abcb") << QByteArray("(?=b)") << QByteArray("G")
                                              << QByteArray("-") << QByteArray("abcb") << 0;
    QTest::newRow("line ends") << QByteArray("ab\rcd") << QByteArray("$") << QByteArray("GE")
                               << QByteArray("!") << QByteArray("ab!\rcd!") << 2;
    QTest::newRow("line ends at CR LF") << QByteArray("a\r\nb") << QByteArray("$") << QByteArray("GE")
                                        << QByteArray("!") << QByteArray("a!\r\nb!") << 2;
    QTest::newRow("line starts at CR LF") << QByteArray("a\r\nb") << QByteArray("^") << QByteArray("GE")
                                          << QByteArray("!") << QByteArray("!a\r\n!b") << 2;
    QTest::newRow("empty match in Japanese") << QByteArray("あい") << QByteArray("") << QByteArray("GE")
                                             << QByteArray("|") << QByteArray("|あ|い|") << 3;

    // Replacement patterns.
    QTest::newRow("$0 and $&") << QByteArray("abc") << QByteArray("b") << QByteArray("G")
                               << QByteArray("[$0$&]") << QByteArray("a[bb]c") << 1;
    QTest::newRow("$` and $'") << QByteArray("abc") << QByteArray("b") << QByteArray("G")
                               << QByteArray("[$`|$']") << QByteArray("a[a|c]c") << 1;
    QTest::newRow("groups") << QByteArray("100円") << QByteArray("(\\d+)(円)") << QByteArray("G")
                            << QByteArray("$2[$1]") << QByteArray("円[100]") << 1;
    QTest::newRow("two digits when that group exists")
        << QByteArray("abcdefghijkl") << QByteArray("(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)") << QByteArray("G")
        << QByteArray("$12|$10|$1") << QByteArray("l|j|a") << 1;
    QTest::newRow("one digit when it does not") << QByteArray("ab") << QByteArray("(a)(b)") << QByteArray("G")
                                                << QByteArray("$12") << QByteArray("a2") << 1;
    QTest::newRow("group that does not exist") << QByteArray("ab") << QByteArray("(a)b") << QByteArray("G")
                                               << QByteArray("[$7]") << QByteArray("[]") << 1;
    QTest::newRow("group that took no part") << QByteArray("b") << QByteArray("(a)|(b)") << QByteArray("G")
                                             << QByteArray("[$1|$2]") << QByteArray("[|b]") << 1;
    QTest::newRow("other $ is literal") << QByteArray("price") << QByteArray("price") << QByteArray("G")
                                        << QByteArray("US$ $x $") << QByteArray("US$ $x $") << 1;
    QTest::newRow("$$") << QByteArray("a") << QByteArray("a") << QByteArray("G")
                        << QByteArray("$$") << QByteArray("$$") << 1;
    QTest::newRow("backslash is literal") << QByteArray("100円") << QByteArray("(\\d+)円") << QByteArray("G")
                                          << QByteArray("[\\1]\\n") << QByteArray("[\\1]\\n") << 1;

    // Every match replaced by text of its own length (written over in place).
    QTest::newRow("same length") << QByteArray("出来る出来た") << QByteArray("出来") << QByteArray("G")
                                 << QByteArray("でき") << QByteArray("できるできた") << 2;
    QTest::newRow("same length from the text before each match")
        << QByteArray("abcd") << QByteArray("(?<=(.)).") << QByteArray("G") << QByteArray("$1")
        << QByteArray("aabc") << 3;
    QTest::newRow("same length from the text after each match")
        << QByteArray("abcd") << QByteArray(".(?=(.))") << QByteArray("G") << QByteArray("$1")
        << QByteArray("bcdd") << 3;
    QTest::newRow("same length but one") << QByteArray("a-b-cc") << QByteArray("[a-c]+") << QByteArray("G")
                                         << QByteArray("x") << QByteArray("x-x-x") << 3;
}

void TestRegEx::replaceAll()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, pattern);
    QFETCH(QByteArray, flags);
    QFETCH(QByteArray, replacement);
    QFETCH(QByteArray, expected);
    QFETCH(int, count);

    RegEx re;
    setOptions(re, flags);
    re.SearchPattern = str(pattern);
    auto outcome = re.replaceAll(str(text), str(replacement));
    QCOMPARE(QByteArray::fromStdString(outcome.text), expected);
    QCOMPARE(int(outcome.count), count);

    // The in-place form and Replace with ReplaceAllMatches agree, and the
    // in-place form's edits lead back to the text it was given.
    std::string inPlace = str(text);
    TextEdits edits;
    QCOMPARE(int(re.replaceAllIn(inPlace, str(replacement), &edits)), count);
    QCOMPARE(QByteArray::fromStdString(inPlace), expected);
    std::string back;
    size_t copied = 0;
    for (const TextEdits::Span& span : edits.spans) {
        QVERIFY(span.start >= copied && span.end >= span.start && span.end <= inPlace.size());
        back.append(inPlace, copied, span.start - copied);
        back.append(edits.removedOf(span));
        copied = span.end;
    }
    back.append(inPlace, copied);
    QCOMPARE(QByteArray::fromStdString(back), text);
    re.Options.ReplaceAllMatches = true;
    re.ReplacementPattern = str(replacement);
    QCOMPARE(QByteArray::fromStdString(re.Replace(str(text))), expected);
}

void TestRegEx::replaceFirstOnly()
{
    RegEx re;
    re.SearchPattern = "a";
    re.ReplacementPattern = "[$&]";
    QCOMPARE(re.Replace("banana"), std::string("b[a]nana"));
    QCOMPARE(re.Replace("xyz"), std::string("xyz"));
}

void TestRegEx::search_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<QByteArray>("flags");
    QTest::addColumn<int>("startByte");
    QTest::addColumn<bool>("notEmptyAtStart");
    QTest::addColumn<int>("matchByte"); // -1: no match
    QTest::addColumn<QByteArray>("matched");

    QTest::newRow("kana from the start") << QByteArray("いろは") << QByteArray("ろ") << QByteArray("G")
                                         << 0 << false << 3 << QByteArray("ろ");
    QTest::newRow("kana after the match") << QByteArray("いろは") << QByteArray("ろ") << QByteArray("G")
                                          << 6 << false << -1 << QByteArray();
    QTest::newRow("at the very end") << QByteArray("abc") << QByteArray("c") << QByteArray("G")
                                     << 3 << false << -1 << QByteArray();
    QTest::newRow("beyond the end") << QByteArray("abc") << QByteArray("c") << QByteArray("GE")
                                    << 9 << false << -1 << QByteArray();
    QTest::newRow("empty at the start") << QByteArray("abc") << QByteArray("x*") << QByteArray("GE")
                                        << 0 << false << 0 << QByteArray();
    QTest::newRow("after an empty match") << QByteArray("abc") << QByteArray("x*") << QByteArray("GE")
                                          << 0 << true << 1 << QByteArray();
    QTest::newRow("after an empty match, a longer one there") << QByteArray("aab") << QByteArray("a*")
                                                              << QByteArray("GE") << 0 << true << 0 << QByteArray("aa");
    QTest::newRow("empty refused") << QByteArray("abc") << QByteArray("x*|c") << QByteArray("G")
                                   << 0 << false << 2 << QByteArray("c");
    QTest::newRow("empty at the end") << QByteArray("abc") << QByteArray("x*") << QByteArray("GE")
                                      << 3 << false << 3 << QByteArray();
    QTest::newRow("nothing after the end") << QByteArray("abc") << QByteArray("x*") << QByteArray("GE")
                                           << 3 << true << -1 << QByteArray();
    QTest::newRow("look-behind sees the text before the start") << QByteArray("ab") << QByteArray("(?<=a)b")
                                                                << QByteArray("G") << 1 << false << 1 << QByteArray("b");
}

void TestRegEx::search()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, pattern);
    QFETCH(QByteArray, flags);
    QFETCH(int, startByte);
    QFETCH(bool, notEmptyAtStart);
    QFETCH(int, matchByte);
    QFETCH(QByteArray, matched);

    RegEx re;
    setOptions(re, flags);
    re.SearchPattern = str(pattern);
    const std::string subject = str(text);
    auto m = re.Search(subject, size_t(startByte), notEmptyAtStart);
    QCOMPARE(m.has_value(), matchByte >= 0);
    if (m) {
        QCOMPARE(int(m->SubExpressionStartB(0)), matchByte);
        QCOMPARE(QByteArray::fromStdString(m->SubExpressionString(0)), matched);
    }
}

void TestRegEx::emptyMatchesEndEveryLoop_data()
{
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<QByteArray>("replacement");
    QTest::addColumn<bool>("replace");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("matches");

    QTest::newRow("skipped") << QByteArray("x*") << QByteArray("R") << false << QByteArray("aあ") << 3;
    QTest::newRow("replaced") << QByteArray("x*") << QByteArray("R") << true << QByteArray("RaRあR") << 3;
    QTest::newRow("replaced with nothing") << QByteArray("x*") << QByteArray("") << true << QByteArray("aあ") << 3;
    QTest::newRow("look-ahead replaced") << QByteArray("(?=あ)") << QByteArray("R") << true << QByteArray("aRあ") << 1;
    QTest::newRow("look-ahead skipped") << QByteArray("(?=あ)") << QByteArray("R") << false << QByteArray("aあ") << 1;
}

// The match-by-match loop of a pass: skip (search on after the match) or
// replace (search on after the inserted text), with the rule that the search
// after an empty match refuses another one at its start.
void TestRegEx::emptyMatchesEndEveryLoop()
{
    QFETCH(QByteArray, pattern);
    QFETCH(QByteArray, replacement);
    QFETCH(bool, replace);
    QFETCH(QByteArray, expected);
    QFETCH(int, matches);

    RegEx re;
    setOptions(re, "GE");
    re.SearchPattern = str(pattern);
    std::string text = "aあ";
    size_t start = 0;
    bool afterEmpty = false;
    int found = 0;
    while (auto m = re.Search(text, start, afterEmpty)) {
        QVERIFY2(++found <= 10, "the loop does not end");
        const size_t s = m->startB(), e = m->endB();
        afterEmpty = m->isEmpty();
        if (replace) {
            const std::string r = m->expand(str(replacement));
            text = text.substr(0, s) + r + text.substr(e);
            start = s + r.size();
        } else {
            start = e;
        }
    }
    QCOMPARE(QByteArray::fromStdString(text), expected);
    QCOMPARE(found, matches);
}

void TestRegEx::expandSeesTheWholeText()
{
    RegEx re;
    re.SearchPattern = "(?<=a)(b)";
    const std::string text = "abc";
    auto m = re.Search(text, 0);
    QVERIFY(m);
    QCOMPARE(m->expand("[$`|$&|$'|$1|$2]"), std::string("[a|b|c|b|]"));
}

void TestRegEx::groupsOfAMatch()
{
    RegEx re;
    re.SearchPattern = "(い)(x)?(ろ)";
    const std::string text = "あいろは";
    auto m = re.Search(text, 0);
    QVERIFY(m);
    QCOMPARE(m->SubExpressionCount(), 4);
    QCOMPARE(m->SubExpressionStartB(0), int64_t(3));
    QCOMPARE(m->SubExpressionStartB(1), int64_t(3));
    QCOMPARE(m->SubExpressionStartB(2), int64_t(-1));
    QCOMPARE(m->SubExpressionString(2), std::string());
    QCOMPARE(m->SubExpressionStartB(3), int64_t(6));
    QCOMPARE(m->SubExpressionString(3), std::string("ろ"));
    QCOMPARE(m->SubExpressionStartB(4), int64_t(-1));
}

void TestRegEx::longTag_data()
{
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<QByteArray>("flags");
    QTest::newRow("tag guide, not greedy") << QByteArray("<(\".*?\"|'.*?'|[^'\"])*?>") << QByteArray("");
    QTest::newRow("tag guide, greedy") << QByteArray("<(\".*?\"|'.*?'|[^'\"])*?>") << QByteArray("G");
    QTest::newRow("classes, greedy") << QByteArray("<(\"[^\"]*\"|'[^']*'|[^'\">])*>") << QByteArray("G");
}

// A tag so long that matching it overflows even the enlarged JIT stack still
// matches (on the interpreter).
void TestRegEx::longTag()
{
    QFETCH(QByteArray, pattern);
    QFETCH(QByteArray, flags);
    std::string tag = "<a";
    for (int i = 0; i < 200000; ++i)
        tag += " k='v' x";
    tag += ">";
    const std::string text = "前" + tag + "後<b>";

    RegEx re;
    setOptions(re, flags);
    re.SearchPattern = str(pattern);
    auto m = re.Search(text, 0);
    QVERIFY(m);
    QCOMPARE(m->SubExpressionStartB(0), int64_t(3));
    QCOMPARE(m->SubExpressionString(0).size(), tag.size());
    QCOMPARE(re.replaceAll(text, "T").text, std::string("前T後T"));
}

void TestRegEx::badPattern_data()
{
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<QByteArray>("flags");
    QTest::newRow("open parenthesis") << QByteArray("(") << QByteArray("G");
    QTest::newRow("open parenthesis, not greedy") << QByteArray("(") << QByteArray("");
    QTest::newRow("open class") << QByteArray("[a") << QByteArray("");
    QTest::newRow("nothing to repeat") << QByteArray("?") << QByteArray("");
    QTest::newRow("range out of order") << QByteArray("a{2,1}") << QByteArray("G");
    QTest::newRow("bad escape") << QByteArray("\\") << QByteArray("");
    QTest::newRow("not UTF-8") << QByteArray("\xff") << QByteArray("G");
}

void TestRegEx::badPattern()
{
    QFETCH(QByteArray, pattern);
    QFETCH(QByteArray, flags);
    RegEx re;
    setOptions(re, flags);
    re.SearchPattern = str(pattern);
    QVERIFY_THROWS_EXCEPTION(tv::RegExException, re.Search("text", 0));
    QVERIFY_THROWS_EXCEPTION(tv::RegExException, re.replaceAll("text", "x"));
    QVERIFY_THROWS_EXCEPTION(tv::RegExException, re.compile());
    QVERIFY_THROWS_EXCEPTION(tv::RegExException, re.maxLookBehind());
    QCOMPARE(int(re.compiledCount()), 0);
}

void TestRegEx::patternsAreCompiledOncePerOptions()
{
    RegEx re;
    re.SearchPattern = "a+";
    std::string text = "aaa";
    for (int i = 0; i < 3; ++i)
        re.Search(text, 0);
    QCOMPARE(int(re.compiledCount()), 1);
    re.Options.Greedy = false;
    re.Search(text, 0);
    QCOMPARE(int(re.compiledCount()), 2);
    re.Options.MatchEmpty = false; // a match option: no new compilation
    re.Search(text, 0);
    QCOMPARE(int(re.compiledCount()), 2);
    re.Options.Greedy = true;
    QCOMPARE(re.Search(text, 0)->SubExpressionString(0), std::string("aaa"));
    QCOMPARE(int(re.compiledCount()), 2);
    // The look-behind is read from the pattern already compiled.
    QCOMPARE(re.maxLookBehind(), 0);
    QCOMPARE(int(re.compiledCount()), 2);
}

void TestRegEx::lookBehind_data()
{
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<int>("chars");
    QTest::newRow("none") << QByteArray("abc") << 0;
    QTest::newRow("ASCII") << QByteArray("(?<=abc)x") << 3;
    QTest::newRow("characters, not bytes") << QByteArray("(?<=あい)x") << 2;
    QTest::newRow("negative") << QByteArray("(?<!ab)x") << 2;
    QTest::newRow("longest branch") << QByteArray("(?<=a|bcd)x") << 3;
    QTest::newRow("longest of several") << QByteArray("(?<=a)(?<=[^b]{4})x") << 4;
    QTest::newRow("word boundary") << QByteArray("\\bx") << 1;
    QTest::newRow("look-ahead is not behind") << QByteArray("x(?=abcd)") << 0;
}

// The same length whatever the options the pattern is compiled with.
void TestRegEx::lookBehind()
{
    QFETCH(QByteArray, pattern);
    QFETCH(int, chars);
    for (const QByteArray flags : {"", "C", "G", "CGDE"}) {
        RegEx re;
        setOptions(re, flags);
        re.SearchPattern = str(pattern);
        QCOMPARE(re.maxLookBehind(), chars);
        QCOMPARE(int(re.compiledCount()), 1);
    }
}

void TestRegEx::lazyMarkers_data()
{
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("star") << QByteArray("a*?b") << QByteArray("a*b");
    QTest::newRow("optional") << QByteArray("a??") << QByteArray("a?");
    QTest::newRow("counted") << QByteArray("a{2,3}?") << QByteArray("a{2,3}");
    QTest::newRow("brace that is no repeat") << QByteArray("a{x}?") << QByteArray("a{x}?");
    QTest::newRow("possessive") << QByteArray("a*+b?+") << QByteArray("a*+b?+");
    QTest::newRow("greedy stays") << QByteArray("a*b+c?") << QByteArray("a*b+c?");
    QTest::newRow("escaped") << QByteArray("\\*?\\??") << QByteArray("\\*?\\??");
    QTest::newRow("escaped, lazy") << QByteArray("\\d+?") << QByteArray("\\d+");
    QTest::newRow("control escape") << QByteArray("\\c???") << QByteArray("\\c??");
    QTest::newRow("braced escape") << QByteArray("\\x{41}??\\p{L}+?") << QByteArray("\\x{41}?\\p{L}+");
    QTest::newRow("class") << QByteArray("[*?]+?") << QByteArray("[*?]+");
    QTest::newRow("class with ] first") << QByteArray("[]*?]*?") << QByteArray("[]*?]*");
    QTest::newRow("class with POSIX name") << QByteArray("[[:alpha:]*?]+?") << QByteArray("[[:alpha:]*?]+");
    QTest::newRow("quoted") << QByteArray("\\Qa*?\\E+?") << QByteArray("\\Qa*?\\E+");
    QTest::newRow("comment") << QByteArray("(?#*?)a(?#x)*?") << QByteArray("(?#*?)a(?#x)*");
    QTest::newRow("groups") << QByteArray("(?:a)*?(?<n>b)+?(?=c)??") << QByteArray("(?:a)*(?<n>b)+(?=c)?");
    QTest::newRow("group syntax is no repeat") << QByteArray("(?=a)(?!b)(?<=c)(?<!d)")
                                               << QByteArray("(?=a)(?!b)(?<=c)(?<!d)");
    QTest::newRow("extended space and comment") << QByteArray("(?x)a* ?b+#c\n?") << QByteArray("(?x)a* b+#c\n");
    QTest::newRow("extended ends with its group") << QByteArray("((?x)a* ?)b* ?") << QByteArray("((?x)a* )b* ?");
    QTest::newRow("verb argument") << QByteArray("(*MARK:a*?)b*?") << QByteArray("(*MARK:a*?)b*");
    QTest::newRow("Japanese") << QByteArray("(?:結び|むすび)+?") << QByteArray("(?:結び|むすび)+");
}

void TestRegEx::lazyMarkers()
{
    QFETCH(QByteArray, pattern);
    QFETCH(QByteArray, expected);
    QCOMPARE(QByteArray::fromStdString(tv::withoutLazyMarkers(str(pattern))), expected);
}

void TestRegEx::entryCheck()
{
    tv::requireValidUtf8("校正 text", "clipboard");
    QVERIFY_THROWS_EXCEPTION(tv::EncodingException, tv::requireValidUtf8("ab\xe3\x81", "clipboard"));
    QVERIFY_THROWS_EXCEPTION(tv::EncodingException, tv::requireValidUtf8("\xc0\xaf", "script output"));
}

// Patterns compiled ahead on other threads search as the same patterns
// compiled at their first use: options, lazy markers, line ends, the form
// held to start spans. One that does not compile fails at its use, not when
// it is asked for.
void TestRegEx::compiledAheadSearchesAsCompiledAtUse()
{
    struct Case {
        const char* pattern;
        QByteArray flags;
        bool held;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"ab", "CG", false, "xAbab"},
        {"ab", "G", false, "xAbab"},
        {"a.c", "GD", false, "a\nc abc"},
        {"a.c", "G", true, "a\nc abc"},
        {"a+?b", "G", false, "aaab"},
        {"a+?", "", false, "aaab"},
        {"^b$", "G", false, "a\rb\r\nb\nc"},
        {"\\R", "G", true, "a\r\nb\rc"},
        {"(?<=の)設定", "CG", true, "設定の設定"},
        {"x*", "GE", false, "axxb"},
    };
    std::vector<RegEx::Ahead> asked;
    for (size_t i = 0; i < cases.size(); ++i) {
        RegEx options;
        setOptions(options, cases[i].flags);
        asked.push_back({cases[i].pattern, options.Options, cases[i].held, i % 2 == 0});
    }
    asked.push_back({"(", {}, false, true});
    RegEx ahead;
    ahead.compileAhead(asked);
    // Time for the threads to be done, so that the searches below take what
    // they made.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    for (const Case& c : cases) {
        RegEx atUse;
        for (RegEx* re : {&ahead, &atUse}) {
            setOptions(*re, c.flags);
            re->SearchPattern = c.pattern;
        }
        const std::vector<RegEx::StartSpan> spans{{0, c.text.size()}};
        if (c.held) {
            ahead.restrictStarts(&spans);
            atUse.restrictStarts(&spans);
        }
        for (size_t at = 0; at <= c.text.size(); ++at) {
            if (at < c.text.size() && (static_cast<unsigned char>(c.text[at]) & 0xC0) == 0x80)
                continue;
            const auto a = ahead.Search(c.text, at);
            const auto b = atUse.Search(c.text, at);
            QVERIFY2(a.has_value() == b.has_value(), c.pattern);
            if (a)
                QVERIFY2(a->startB() == b->startB() && a->endB() == b->endB(), c.pattern);
        }
        ahead.restrictStarts(nullptr);
        atUse.restrictStarts(nullptr);
        QCOMPARE(ahead.replaceAll(c.text, "<$0>").text, atUse.replaceAll(c.text, "<$0>").text);
    }
    ahead.SearchPattern = "(";
    ahead.Options = {};
    QVERIFY_THROWS_EXCEPTION(tv::RegExException, ahead.compile());
}

// An engine ends while its threads still compile, and a later request
// replaces an earlier one; what was compiled at use stays.
void TestRegEx::compiledAheadEndsWithItsEngine()
{
    std::vector<RegEx::Ahead> many;
    for (int i = 0; i < 2000; ++i)
        many.push_back({"(?:語" + std::to_string(i) + "|[あ-ん]{2,}?x)+y", {}, i % 3 == 0, true});
    for (int round = 0; round < 3; ++round) {
        RegEx re;
        re.SearchPattern = "の";
        QVERIFY(re.Search("設定の", 0).has_value());
        re.compileAhead(many);
        re.compileAhead(std::vector<RegEx::Ahead>(many.begin(), many.begin() + 10));
        re.SearchPattern = many[5].pattern;
        QCOMPARE(re.Search("語5語5y", 0)->startB(), size_t(0));
        re.compileAhead(many);
        QCOMPARE(int(re.compiledCount()), 2);
    }
}

QTEST_GUILESS_MAIN(TestRegEx)
#include "tst_regex.moc"
