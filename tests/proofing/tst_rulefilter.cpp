// Which rules can match a text: the literal factors taken from patterns and
// plain search texts, the folding of caseless factors against the engine's
// and the plain search's, the counting automaton, and counts kept exact while
// rules edit the text.

#include <QTest>

#include <algorithm>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/Errors.h"
#include "platform/core/Text.h"
#include "proofing/core/PassRules.h"
#include "proofing/core/RegEx.h"
#include "proofing/core/RuleFilter.h"
#include "proofing/core/TextSearch.h"

using namespace tv;

namespace {

std::string str(const QString& s) { return s.toStdString(); }

PassRule regexRule(const std::string& pattern, bool caseSensitive, bool dotAll = false)
{
    PassRule r;
    r.regex = true;
    r.search = pattern;
    r.caseSensitive = caseSensitive;
    r.dotAll = dotAll;
    r.greedy = true;
    r.matchEmpty = true;
    return r;
}

PassRule plainRule(const std::string& text, bool caseSensitive)
{
    PassRule r;
    r.search = text;
    r.caseSensitive = caseSensitive;
    return r;
}

// "always", or the factors sorted, exact ones as "=x" and folded ones as "~x",
// joined by spaces.
std::string describe(const RuleFactors& f)
{
    if (f.always())
        return "always";
    std::vector<std::string> all;
    for (const std::string& s : f.exact)
        all.push_back("=" + s);
    for (const std::string& s : f.folded)
        all.push_back("~" + s);
    std::sort(all.begin(), all.end());
    std::string out;
    for (const std::string& s : all)
        out += (out.empty() ? "" : " ") + s;
    return out;
}

// A word of `length` letters drawn from `letters`.
std::string randomWord(std::mt19937& random, const std::vector<std::string>& letters, size_t length)
{
    std::string word;
    for (size_t k = 0; k < length; ++k)
        word += letters[random() % letters.size()];
    return word;
}

// Up to `count` words of 1 to `longest` letters, sorted, each once.
std::vector<std::string> randomLiterals(std::mt19937& random, const std::vector<std::string>& letters, int count,
                                        int longest)
{
    std::vector<std::string> set;
    for (int i = 0; i < count; ++i)
        set.push_back(randomWord(random, letters, 1 + random() % static_cast<unsigned>(longest)));
    std::sort(set.begin(), set.end());
    set.erase(std::unique(set.begin(), set.end()), set.end());
    return set;
}

std::string utf8(uint32_t cp)
{
    std::string s;
    appendCodePoint(s, cp);
    return s;
}

bool engineMatches(RegEx& re, const std::string& text)
{
    return re.Search(text, 0).has_value();
}

} // namespace

class TestRuleFilter : public QObject {
    Q_OBJECT

private slots:
    void factors_data();
    void factors();
    void foldingCoversTheEngine();
    void foldingCoversThePlainSearch();
    void foldingKeepsCharactersOneForOne();
    void counterCountsEveryOccurrence();
    void counterCountsAsASearchDoes_data();
    void counterCountsAsASearchDoes();
    void lanesCountAsEachReadAlone_data();
    void lanesCountAsEachReadAlone();
    void skippedOnlyWithoutFactors();
    void neverSkipsAMatch();
    void countsStayExactThroughEdits();
    void editsReachAsFarBackAsAFoldedFactor();
    void longestMatch_data();
    void longestMatch();
    void startsSpansFindWhatTheWholeSearchFinds();
    void startSpansFollowEdits();
    void caselessRulesHoldToEverySpelling_data();
    void caselessRulesHoldToEverySpelling();
    void longFactorsHoldTheirMatches();
    void aLongTextCountsAsOneCountedInOnePiece();
    void textsCountedAsideAreTakenInWhole();
};

void TestRuleFilter::factors_data()
{
    QTest::addColumn<bool>("regex");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("expected");

    // Plain rules: the search text itself, folded when caseless.
    QTest::newRow("plain, bytes") << false << true << "Debianの" << "=Debianの";
    QTest::newRow("plain, caseless kana") << false << false << "サーバ" << "=サーバ";
    QTest::newRow("plain, caseless letters") << false << false << "DebianのＡ" << "~debianのａ";
    QTest::newRow("plain, caseless KELVIN") << false << false << "\u212Aey" << "~key";
    QTest::newRow("plain, caseless LONG S") << false << false << "ſet" << "~set";
    QTest::newRow("plain, unknown letter breaks") << false << false << "ab\u00C9cde" << "~cde";
    QTest::newRow("plain, only unknown letters") << false << false << "\u00C9\u00E9" << "always";

    // Regular expressions.
    QTest::newRow("literal") << true << true << "設定" << "=設定";
    QTest::newRow("caseless literal") << true << false << "Ab" << "~ab";
    QTest::newRow("inline caseless") << true << true << "x(?i)AB" << "~ab";
    QTest::newRow("inline caseless group") << true << true << "(?i:AB)cd" << "~ab";
    QTest::newRow("inline case back on") << true << false << "(?-i)ABC" << "=ABC";
    QTest::newRow("longest run wins") << true << true << "a.bcd" << "=bcd";
    QTest::newRow("optional char") << true << true << "abc?de" << "=ab";
    QTest::newRow("plus keeps both sides") << true << true << "ab+cd" << "=bcd";
    QTest::newRow("counted repeat") << true << true << "xyz{0,2}w" << "=xy";
    QTest::newRow("star") << true << true << "a*" << "always";
    QTest::newRow("dot plus") << true << true << ".+" << "always";
    QTest::newRow("digits") << true << true << "\\d+" << "always";
    QTest::newRow("alternation") << true << true << "(?:受け付け|受付)" << "=受け付け =受付";
    QTest::newRow("alternation beside a short run") << true << true << "(?:受け付け|受付)る" << "=受け付ける =受付る";
    QTest::newRow("run beside a short alternation") << true << true << "(?:あ|い)設定する" << "=あ設定する =い設定する";
    QTest::newRow("top-level alternation") << true << true << "abc|de" << "=abc =de";
    QTest::newRow("alternation with an empty branch") << true << true << "abc|" << "always";
    QTest::newRow("alternation with an unknown branch") << true << true << "abc|\\w" << "always";
    QTest::newRow("optional group") << true << true << "(abc)?de" << "=de";
    QTest::newRow("group repeated") << true << true << "(abc)+" << "=abc";
    QTest::newRow("group joins the run") << true << true << "x(bc)de" << "=xbcde";
    QTest::newRow("named group") << true << true << "(?<n>ab)c" << "=abc";
    QTest::newRow("class") << true << true << "[あい]うえ" << "=あうえ =いうえ";
    QTest::newRow("class with bracket") << true << true << "[]a]bc" << "=]bc =abc";
    QTest::newRow("small class joins the run") << true << true << "要[らりるれろっ]" << "=要っ =要ら =要り =要る =要れ =要ろ";
    QTest::newRow("negated class") << true << true << "要[^ら]" << "=要";
    QTest::newRow("caseless class") << true << false << "[a-cA]x" << "~ax ~bx ~cx";
    QTest::newRow("long range") << true << true << "[あ-ん]xy" << "=xy";
    QTest::newRow("class with an escape") << true << true << "[\\d]xy" << "=xy";
    QTest::newRow("optional class") << true << true << "ab[cd]?" << "=ab";
    QTest::newRow("too many texts") << true << true << "[abcdefgh][abcdefgh]x" << "=ax =bx =cx =dx =ex =fx =gx =hx";
    QTest::newRow("posix class") << true << true << "[[:alpha:]]bc" << "always";
    QTest::newRow("look-ahead") << true << true << "いう(?=する)" << "=いう";
    QTest::newRow("negative look-behind") << true << true << "(?<!で)きる" << "=きる";
    QTest::newRow("word boundary") << true << true << "\\bgit\\b" << "=git";
    QTest::newRow("escapes") << true << true << "a\\.b\\tc" << "=a.b\tc";
    QTest::newRow("line end escape") << true << true << "。\\r\\r" << "=。\r\r";
    QTest::newRow("hex escape") << true << true << "\\x{3042}\\x41" << "=あA";
    QTest::newRow("quoted") << true << true << "\\Qa+b\\E?c" << "=a+";
    QTest::newRow("anchors") << true << true << "^abc$" << "=abc";
    QTest::newRow("back reference") << true << true << "(.)\\1xy" << "=xy";
    QTest::newRow("caseless unknown letter") << true << false << "ab\u00E9" << "~ab";
    QTest::newRow("caseless kana stays exact") << true << false << "(?:です|ます)" << "=です =ます";
    QTest::newRow("recursion") << true << true << "a(?R)?b" << "always";
    QTest::newRow("condition") << true << true << "(a)?(?(1)b|c)" << "always";
    QTest::newRow("extended mode") << true << true << "(?x) a b" << "always";
    QTest::newRow("leading verb") << true << true << "(*UCP)abc" << "always";
    QTest::newRow("literal brace") << true << true << "a{b" << "always";
    QTest::newRow("unbalanced") << true << true << "abc(" << "always";
    QTest::newRow("a parenthesis too many") << true << true << "abc)" << "always";
    QTest::newRow("nothing to repeat") << true << true << "*abc" << "always";
    QTest::newRow("octal or reference") << true << true << "abc\\12" << "always";
    QTest::newRow("comment") << true << true << "ab(?#note)cd" << "=abcd";
}

void TestRuleFilter::factors()
{
    QFETCH(bool, regex);
    QFETCH(bool, caseSensitive);
    QFETCH(QString, search);
    QFETCH(QString, expected);
    const PassRule rule = regex ? regexRule(str(search), caseSensitive) : plainRule(str(search), caseSensitive);
    QCOMPARE(QString::fromStdString(describe(ruleFactors(rule))), expected);
}

// Every character that a caseless pattern character of the filter's classes
// matches is one the filter folds alike.
void TestRuleFilter::foldingCoversTheEngine()
{
    std::vector<uint32_t> folded, caseFree;
    for (uint32_t cp = 0; cp <= 0xFFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            continue;
        const FoldClass c = filterFoldClass(cp);
        if (c == FoldClass::Folded)
            folded.push_back(cp);
        else if (c == FoldClass::CaseFree)
            caseFree.push_back(cp);
    }
    // Case-free characters: the caseless class of all of them matches
    // exactly what the case-sensitive one does.
    std::string cls = "[";
    for (size_t i = 0; i < caseFree.size();) {
        size_t j = i;
        while (j + 1 < caseFree.size() && caseFree[j + 1] == caseFree[j] + 1)
            ++j;
        cls += "\\x{" + QString::number(caseFree[i], 16).toStdString() + "}-\\x{" +
               QString::number(caseFree[j], 16).toStdString() + "}";
        i = j + 1;
    }
    cls += "]";
    RegEx caseless, exact;
    caseless.Options.CaseSensitive = false;
    caseless.SearchPattern = cls;
    exact.Options.CaseSensitive = true;
    exact.SearchPattern = cls;
    for (uint32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            continue;
        const std::string s = utf8(cp);
        if (engineMatches(caseless, s) != engineMatches(exact, s))
            QFAIL(qPrintable(QStringLiteral("U+%1 has another case").arg(cp, 4, 16, QChar('0'))));
    }
    // Folded letters: whatever one matches caseless folds as it does.
    for (uint32_t w : folded) {
        RegEx re;
        re.Options.CaseSensitive = false;
        re.SearchPattern = "\\x{" + QString::number(w, 16).toStdString() + "}";
        for (uint32_t cp = 0; cp <= 0x10FFFF; ++cp) {
            if (cp >= 0xD800 && cp <= 0xDFFF)
                continue;
            const std::string s = utf8(cp);
            if (engineMatches(re, s) && filterFold(s) != filterFold(utf8(w)))
                QFAIL(qPrintable(QStringLiteral("U+%1 matches U+%2 caseless but folds apart")
                                     .arg(cp, 4, 16, QChar('0'))
                                     .arg(w, 4, 16, QChar('0'))));
        }
    }
    // The two the engine is known to put with ASCII letters.
    QCOMPARE(filterFold("\u212A\u017F"), std::string("ks"));
}

// Characters the plain search takes as equal the filter folds alike.
void TestRuleFilter::foldingCoversThePlainSearch()
{
    std::map<uint32_t, std::string> byFold; // foldCase of a known character: its filter fold
    for (uint32_t cp = 0; cp <= 0xFFFF; ++cp) {
        if ((cp >= 0xD800 && cp <= 0xDFFF) || filterFoldClass(cp) == FoldClass::Unknown)
            continue;
        auto [it, added] = byFold.try_emplace(foldCase(cp), filterFold(utf8(cp)));
        QVERIFY2(added || it->second == filterFold(utf8(cp)), qPrintable(QString::number(cp, 16)));
    }
    for (uint32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            continue;
        auto it = byFold.find(foldCase(cp));
        if (it != byFold.end() && it->second != filterFold(utf8(cp)))
            QFAIL(qPrintable(QStringLiteral("U+%1 equals a known character but folds apart")
                                 .arg(cp, 4, 16, QChar('0'))));
    }
}

// Folding maps each character to one character, whatever stands beside it:
// the update's reach and the places of occurrences rely on it.
void TestRuleFilter::foldingKeepsCharactersOneForOne()
{
    std::string all, each;
    for (uint32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            continue;
        const std::string c = utf8(cp);
        const std::string f = filterFold(c);
        if (Len(f) != 1 || !isValidUtf8(f))
            QFAIL(qPrintable(QStringLiteral("U+%1 folds to %2 bytes").arg(cp, 4, 16, QChar('0')).arg(f.size())));
        all += c;
        each += f;
    }
    QVERIFY(filterFold(all) == each);
    QCOMPARE(filterFold("ＡＢＺ\u212A\u017F Ａz"), std::string("ａｂｚks ａz"));
}

void TestRuleFilter::counterCountsEveryOccurrence()
{
    const LiteralCounter counter({"aa", "a", "ab", "あい", "い", "xyz"});
    std::vector<int64_t> counts(6, 0);
    counter.count("aaab あいい xy", counts, 1);
    QCOMPARE(counts, (std::vector<int64_t>{2, 3, 1, 1, 2, 0}));
    counter.count("aa", counts, -1);
    QCOMPARE(counts, (std::vector<int64_t>{1, 1, 1, 1, 2, 0}));
    QCOMPARE(counter.longest(), size_t(6));
}

// The counter finds what a search for each literal in turn finds, for a
// small set and for one whose automaton has well over 65,535 states.
void TestRuleFilter::counterCountsAsASearchDoes_data()
{
    QTest::addColumn<int>("literals");
    QTest::addColumn<int>("longest");
    QTest::newRow("small set") << 200 << 12;
    QTest::newRow("large set") << 6000 << 40;
}

void TestRuleFilter::counterCountsAsASearchDoes()
{
    QFETCH(int, literals);
    QFETCH(int, longest);
    std::mt19937 random(11);
    const std::vector<std::string> letters = {"a", "b", "c", "の", "\r"};
    const std::vector<std::string> set = randomLiterals(random, letters, literals, longest);
    const LiteralCounter counter(set);
    const std::string text = randomWord(random, letters, 6000);
    std::vector<int64_t> counts(set.size(), 0);
    int32_t state = 0;
    // In two pieces, the second going on from where the first ended.
    counter.count(std::string_view(text).substr(0, 2501), counts, 1, state);
    counter.count(std::string_view(text).substr(2501), counts, 1, state);
    for (size_t i = 0; i < set.size(); ++i) {
        int64_t expected = 0;
        for (size_t at = text.find(set[i]); at != std::string::npos; at = text.find(set[i], at + 1))
            ++expected;
        if (counts[i] != expected)
            QFAIL(qPrintable(QStringLiteral("literal %1: %2 against %3").arg(i).arg(counts[i]).arg(expected)));
    }
}

// Lanes read side by side give what each lane read alone gives: its counts,
// its occurrences at their places and the state it ends in, also when the
// lanes differ in length and the longer ones go on alone.
void TestRuleFilter::lanesCountAsEachReadAlone_data()
{
    QTest::addColumn<std::vector<size_t>>("lengths");
    const size_t k = LiteralCounter::kSideBySide;
    std::vector<size_t> equal(k, 300), unequal, oneEmpty(k, 300);
    for (size_t j = 0; j < k; ++j)
        unequal.push_back(300 + (j * 37) % 11);
    unequal[k / 2] = 700;
    oneEmpty[1] = 0;
    QTest::newRow("equal lanes") << equal;
    QTest::newRow("lanes of several lengths") << unequal;
    QTest::newRow("an empty lane") << oneEmpty;
    QTest::newRow("fewer lanes") << std::vector<size_t>{300, 200, 100};
}

void TestRuleFilter::lanesCountAsEachReadAlone()
{
    QFETCH(std::vector<size_t>, lengths);
    std::mt19937 random(23);
    const std::vector<std::string> letters = {"a", "b", "の", "\r"};
    auto word = [&](size_t length) { return randomWord(random, letters, length); };
    const std::vector<std::string> set = randomLiterals(random, letters, 300, 8);
    const LiteralCounter counter(set);
    std::vector<uint8_t> wanted(set.size());
    for (uint8_t& w : wanted)
        w = random() % 2;
    std::vector<std::string> pieces;
    std::vector<std::vector<LiteralCounter::Occurrence>> found(lengths.size()), alone(lengths.size());
    std::vector<LiteralCounter::Lane> lanes;
    std::vector<int64_t> counts(set.size(), 0), expected(set.size(), 0);
    std::vector<int32_t> ends;
    size_t base = 0;
    for (size_t j = 0; j < lengths.size(); ++j) {
        pieces.push_back(word(lengths[j]));
        // Each lane goes on from where some text before it left the automaton.
        const int32_t start = counter.advance(word(12), 0);
        int32_t state = start;
        counter.count(pieces.back(), expected, 1, state, wanted, base, alone[j]);
        ends.push_back(state);
        lanes.push_back({{}, start, base, &found[j]});
        base += pieces.back().size();
    }
    for (size_t j = 0; j < lanes.size(); ++j)
        lanes[j].piece = pieces[j];
    counter.countSideBySide(lanes, counts, 1, &wanted);
    QCOMPARE(counts, expected);
    for (size_t j = 0; j < lanes.size(); ++j) {
        QCOMPARE(lanes[j].state, ends[j]);
        QCOMPARE(found[j].size(), alone[j].size());
        for (size_t n = 0; n < found[j].size(); ++n) {
            QCOMPARE(found[j][n].literal, alone[j][n].literal);
            QCOMPARE(found[j][n].start, alone[j][n].start);
        }
    }
}

void TestRuleFilter::skippedOnlyWithoutFactors()
{
    const std::vector<PassRule> rules = {regexRule("設定", true), regexRule("\\d+", true),
                                         plainRule("KEY", false), regexRule("(?:です|ます)。", false)};
    RuleFilter filter(rules);
    QCOMPARE(filter.filteredRules(), size_t(3));
    filter.scan("これは\u212Aeyです。");
    QCOMPARE(filter.mayMatch(0), false);
    QCOMPARE(filter.mayMatch(1), true); // no factors: always runs
    QCOMPARE(filter.mayMatch(2), true); // KELVIN SIGN, e, y
    QCOMPARE(filter.mayMatch(3), true);
    filter.scan("");
    QCOMPARE(filter.mayMatch(0), false);
    QCOMPARE(filter.mayMatch(1), true);
    QCOMPARE(filter.mayMatch(2), false);
    QCOMPARE(filter.mayMatch(3), false);
}

// Generated patterns and texts: whenever the engine finds a match, the filter
// lets the rule run.
void TestRuleFilter::neverSkipsAMatch()
{
    const std::vector<std::string> pieces = {
        "a", "k", "K", "\u212A", "s", "S", "\u017F", "の", "ａ", "Ａ", "ab", "(?i)", "(?-i)", "(", ")",
        "(?:", "|", "?", "*", "+", "{2}", "{1,}", ".", "\\b", "(?=", "(?<=", "(?!", "[a-c]", "\\Q.\\E",
        "\\r", "^", "$", "\\s", "\\x{212a}", "\\.", "(?i:", "\\1", "[kK]", "[あの]", "[^の]",
        "[\u212As]", "[a\\-c]", "[]a]"};
    const std::vector<std::string> letters = {"a", "k", "K", "\u212A", "s", "S", "\u017F", "の",
                                              "ａ", "Ａ", "\r", ".", "b", "c", " "};
    std::mt19937 random(19);
    RegEx re;
    int compiled = 0, matched = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string pattern;
        const int n = 1 + int(random() % 7);
        for (int k = 0; k < n; ++k)
            pattern += pieces[random() % pieces.size()];
        const bool caseSensitive = random() % 2;
        const PassRule rule = regexRule(pattern, caseSensitive, random() % 2);
        re.Options.CaseSensitive = rule.caseSensitive;
        re.Options.DotMatchAll = rule.dotAll;
        re.SearchPattern = pattern;
        try {
            re.compile();
        } catch (const RegExException&) {
            continue;
        }
        ++compiled;
        RuleFilter filter({rule});
        for (int t = 0; t < 20; ++t) {
            std::string text;
            const int len = int(random() % 9);
            for (int k = 0; k < len; ++k)
                text += letters[random() % letters.size()];
            if (!engineMatches(re, text))
                continue;
            ++matched;
            filter.scan(text);
            if (!filter.mayMatch(0))
                QFAIL(qPrintable(QStringLiteral("/%1/ (case %2) matches \"%3\" but was skipped")
                                     .arg(QString::fromStdString(pattern))
                                     .arg(caseSensitive)
                                     .arg(QString::fromStdString(text))));
        }
    }
    QVERIFY(compiled > 1000);
    QVERIFY(matched > 1000);
}

// Counts updated from each replacement agree with a fresh count of the text.
void TestRuleFilter::countsStayExactThroughEdits()
{
    // Characters of every length in bytes, ones whose fold is shorter, and
    // four-byte ones beside letters in caseless factors.
    const std::vector<std::string> letters = {"a", "b", "K", "\u212A", "ſ", "s", "の", "ａ", "Ａ", "😀", "\r"};
    std::vector<PassRule> rules;
    std::mt19937 random(7);
    auto word = [&](int maxLen) {
        std::string s;
        const int len = 1 + int(random() % unsigned(maxLen));
        for (int k = 0; k < len; ++k)
            s += letters[random() % letters.size()];
        return s;
    };
    for (int r = 0; r < 60; ++r)
        rules.push_back(plainRule(word(3), random() % 2));
    RuleFilter kept(rules);
    for (int round = 0; round < 50; ++round) {
        std::string text;
        for (int k = 0; k < 200; ++k)
            text += letters[random() % letters.size()];
        kept.scan(text);
        for (int step = 0; step < 30; ++step) {
            TextEdits edits;
            const PassRule& r = rules[random() % rules.size()];
            replaceAllText(text, r.search, random() % 3 == 0 ? std::string() : word(4), r.caseSensitive, &edits);
            kept.update(text, edits);
            RuleFilter fresh(rules);
            fresh.scan(text);
            for (size_t i = 0; i < rules.size(); ++i)
                if (kept.mayMatch(i) != fresh.mayMatch(i))
                    QFAIL(qPrintable(QStringLiteral("rule %1 after round %2 step %3").arg(i).arg(round).arg(step)));
        }
    }
}

void TestRuleFilter::editsReachAsFarBackAsAFoldedFactor()
{
    // A caseless factor of seven "k" is seven KELVIN SIGNs in the text, three
    // bytes each: an edit that completes it at its end still finds where it
    // begins, eighteen bytes before.
    const std::string kelvin = "\u212A";
    const std::vector<PassRule> rules{plainRule("kkkkkkk", false)};
    RuleFilter filter(rules);
    std::string text = "x";
    for (int k = 0; k < 6; ++k)
        text += kelvin;
    text += "Q";
    filter.scan(text);
    QVERIFY(!filter.mayMatch(0));
    TextEdits edits;
    replaceAllText(text, "Q", kelvin, true, &edits);
    filter.update(text, edits);
    QVERIFY(filter.mayMatch(0));
}

void TestRuleFilter::longestMatch_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("chars"); // -1: not known
    QTest::newRow("literal") << "設定する" << 4;
    QTest::newRow("alternation") << "(?:受け付け|受付)" << 4;
    QTest::newRow("top-level alternation") << "ab|cde|f" << 3;
    QTest::newRow("class and dot") << "[あい].x" << 3;
    QTest::newRow("negated class with bracket") << "[^]a]b" << 2;
    QTest::newRow("optional") << "ab?c" << 3;
    QTest::newRow("counted") << "a{2,5}b{3}" << 8;
    QTest::newRow("counted group") << "(ab|c){2}" << 4;
    QTest::newRow("lazy and possessive") << "a??b?+" << 2;
    QTest::newRow("look-arounds take nothing") << "(?<=設定)ファイル(?!名.*)" << 4;
    QTest::newRow("anchors and boundaries") << "^\\bgit\\b$" << 3;
    QTest::newRow("line end escape") << "。\\R" << 3;
    QTest::newRow("escapes") << "\\x{3042}\\x41\\t\\.\\d\\p{Han}\\pL" << 7;
    QTest::newRow("quoted, repeat on the last") << "\\Qab\\E?c" << 3;
    QTest::newRow("options") << "(?i)ab(?-i:c)" << 3;
    QTest::newRow("named group") << "(?<n>ab)c" << 3;
    QTest::newRow("comment") << "ab(?#note)c" << 3;
    QTest::newRow("star") << "ab*" << -1;
    QTest::newRow("plus in a look-ahead only") << "a(?=b+)" << 1;
    QTest::newRow("open repeat") << "a{2,}" << -1;
    QTest::newRow("back reference") << "(a)\\1" << -1;
    QTest::newRow("keep out") << "ab\\Kc" << -1;
    QTest::newRow("start of search") << "\\Gab" << -1;
    QTest::newRow("extended mode") << "(?x) a b" << -1;
    QTest::newRow("recursion") << "a(?R)?b" << -1;
    QTest::newRow("verb") << "(*SKIP)ab" << -1;
    QTest::newRow("literal brace") << "a{b" << -1;
    QTest::newRow("posix class") << "[[:alpha:]]" << -1;
    QTest::newRow("a parenthesis too many") << "ab)" << -1;
    QTest::newRow("unbalanced") << "(ab" << -1;
    QTest::newRow("repeated assertion") << "\\b+a" << -1;
}

void TestRuleFilter::longestMatch()
{
    QFETCH(QString, pattern);
    QFETCH(int, chars);
    const std::optional<size_t> n = maxMatchChars(str(pattern));
    QCOMPARE(n ? int(*n) : -1, chars);
}

namespace {

// Patterns of which many have a known longest match, texts of their pieces.
const std::vector<std::string> spanPieces = {
    "の", "行", "key", "K", "s", "ａ", "(?i)", "(", ")", "(?:", "|", "?", "{2}", "{1,3}", ".", "\\b",
    "(?=", "(?<=", "(?!", "[あの]", "[^の]", "\\r", "^", "$", "\\s", "ます", "。", "ファ", "イル", "\\R", "*"};
// Other spellings too, for rules that ignore case: capitals, KELVIN SIGN,
// LONG S, a full-width capital.
const std::vector<std::string> spanWords = {"の", "行", "key", "K", "s", "ａ", "\r", "\n", "ます", "。",
                                            "ファ", "イル", " ", "あ", "b", "KEY", "\u212Aey", "kE\u212A",
                                            "\u017F", "S", "Ａ"};

std::vector<PassRule> spanRules(std::mt19937& random, size_t count)
{
    std::vector<PassRule> rules;
    RegEx re;
    while (rules.size() < count) {
        std::string pattern;
        const int n = 1 + int(random() % 5);
        for (int k = 0; k < n; ++k)
            pattern += spanPieces[random() % spanPieces.size()];
        PassRule rule = regexRule(pattern, random() % 4 != 0, random() % 2);
        rule.greedy = random() % 2;
        prepareEngine(re, rule);
        try {
            re.compile();
        } catch (const RegExException&) {
            continue;
        }
        rules.push_back(rule);
    }
    return rules;
}

std::string spanText(std::mt19937& random, int words)
{
    std::string text;
    for (int k = 0; k < words; ++k)
        text += spanWords[random() % spanWords.size()];
    return text;
}

// For a search from every character of the text: the restricted engine finds
// what the whole search finds. Empty when they agree, else what differs.
std::string restrictedDiffers(const PassRule& rule, const std::vector<RegEx::StartSpan>& spans,
                              const std::string& text)
{
    RegEx whole, held;
    prepareEngine(whole, rule);
    prepareEngine(held, rule);
    held.restrictStarts(&spans);
    for (size_t at = 0; at <= text.size(); ++at) {
        if (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
            continue;
        const auto a = whole.Search(text, at);
        const auto b = held.Search(text, at);
        if (a.has_value() != b.has_value() || (a && (a->startB() != b->startB() || a->endB() != b->endB())))
            return "/" + rule.search + "/ from byte " + std::to_string(at) + " of \"" + text + "\"";
    }
    return {};
}

} // namespace

// Searches held to a rule's start spans find, from anywhere in the text, what
// the search of the whole text finds; rules that ignore case among them.
void TestRuleFilter::startsSpansFindWhatTheWholeSearchFinds()
{
    std::mt19937 random(23);
    int held = 0, heldCaseless = 0;
    for (int round = 0; round < 300; ++round) {
        const std::vector<PassRule> rules = spanRules(random, 10);
        RuleFilter filter(rules);
        const std::string text = spanText(random, 40);
        filter.scan(text);
        for (size_t i = 0; i < rules.size(); ++i) {
            const std::vector<RegEx::StartSpan>* spans = filter.startSpans(i);
            if (!spans)
                continue;
            ++held;
            if (!rules[i].caseSensitive || rules[i].search.find("(?i)") != std::string::npos)
                ++heldCaseless;
            const std::vector<RegEx::StartSpan> copy = *spans;
            const std::string differs = restrictedDiffers(rules[i], copy, text);
            QVERIFY2(differs.empty(), differs.c_str());
        }
    }
    QVERIFY(held > 500);
    QVERIFY(heldCaseless > 100);
}

// A rule that ignores case is held to the places of every spelling of its
// factors' first characters, and finds there what the whole search finds;
// a factor too short to spell out gives no spans.
void TestRuleFilter::caselessRulesHoldToEverySpelling_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("spans");
    QTest::newRow("capitals") << "\\bsun\\b" << "The SUN and the Sun rise." << true;
    QTest::newRow("full-width capitals") << "ａｂｃ" << "前のＡｂＣと後のａＢｃ" << true;
    QTest::newRow("kelvin sign") << "key" << "a \u212Aey and a KEY" << true;
    QTest::newRow("long s") << "ssh" << "\u017FSH or sSh" << true;
    QTest::newRow("factor begun in a capital") << "Socket\\.IO" << "socket.io と SOCKET.IO と \u017Focket.io"
                                               << true;
    QTest::newRow("exact and folded factors") << "(?:設定|key)値" << "設定値と\u212AEY値" << true;
    QTest::newRow("too short to spell out") << "ab" << "AB ab" << false;
}

void TestRuleFilter::caselessRulesHoldToEverySpelling()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, spans);
    const std::vector<PassRule> rules = {regexRule(str(pattern), false)};
    RuleFilter filter(rules);
    const std::string t = str(text);
    filter.scan(t);
    QVERIFY(filter.mayMatch(0));
    const std::vector<RegEx::StartSpan>* held = filter.startSpans(0);
    QCOMPARE(held != nullptr, spans);
    if (!held)
        return;
    const std::vector<RegEx::StartSpan> copy = *held;
    const std::string differs = restrictedDiffers(rules[0], copy, t);
    QVERIFY2(differs.empty(), differs.c_str());
}

// The places of the factors, brought up to date from each replacement, give
// the spans a fresh scan of the edited text gives, and searches held to them
// still find every match.
void TestRuleFilter::startSpansFollowEdits()
{
    std::mt19937 random(41);
    const std::vector<std::string> replacements = {"", "の", "ます", "key", "\r", "$0$0", "ファイル", "。", "イルファ"};
    int compared = 0;
    for (int round = 0; round < 60; ++round) {
        const std::vector<PassRule> rules = spanRules(random, 30);
        RuleFilter kept(rules);
        std::string text = spanText(random, 150);
        kept.scan(text);
        RegEx engine;
        for (int step = 0; step < 20; ++step) {
            const PassRule& r = rules[random() % rules.size()];
            TextEdits edits;
            prepareEngine(engine, r);
            engine.replaceAllIn(text, replacements[random() % replacements.size()], &edits);
            kept.update(text, edits);
            // A rule matching the empty text puts its replacement everywhere.
            if (text.size() > 3000)
                break;
            RuleFilter fresh(rules);
            fresh.scan(text);
            for (size_t i = 0; i < rules.size(); ++i) {
                // Asked only now and then, so that places are brought up to
                // date over several edits at once.
                if (random() % 3 != 0)
                    continue;
                const std::vector<RegEx::StartSpan>* a = kept.startSpans(i);
                const std::vector<RegEx::StartSpan>* b = fresh.startSpans(i);
                QCOMPARE(a != nullptr, b != nullptr);
                if (!a)
                    continue;
                ++compared;
                QCOMPARE(a->size(), b->size());
                for (size_t k = 0; k < a->size(); ++k) {
                    QCOMPARE((*a)[k].first, (*b)[k].first);
                    QCOMPARE((*a)[k].last, (*b)[k].last);
                }
                const std::vector<RegEx::StartSpan> copy = *a;
                const std::string differs = restrictedDiffers(rules[i], copy, text);
                QVERIFY2(differs.empty(), differs.c_str());
            }
        }
    }
    QVERIFY(compared > 1000);
}

// Factors far longer than a few characters: their rules are searched
// wherever a match may be, before and after edits that complete a match at
// its far end, and searches held to their spans find every match.
void TestRuleFilter::longFactorsHoldTheirMatches()
{
    const std::vector<PassRule> rules = {plainRule("ファイルシステムのマウントポイント", true),
                                         regexRule("ファイルシステムの(?:マウント|アンマウント)を行う", true),
                                         plainRule("keyboard-layout-switching", false),
                                         regexRule("(?<=。)ファイルシステムのマウン.", true)};
    std::string text = "。ファイルシステムのマウントポイントQ。ファイルシステムのアンマウントを行Q"
                       "KEYBOARD-LAYOUT-SWITCHINZ。ファイルシステムの設定";
    RuleFilter filter(rules);
    filter.scan(text);
    auto holds = [&](const char* when) {
        RuleFilter fresh(rules);
        fresh.scan(text);
        for (size_t i = 0; i < rules.size(); ++i) {
            RegEx engine;
            prepareEngine(engine, rules[i]);
            const bool matches = engine.Search(text, 0).has_value();
            QVERIFY2(!matches || (filter.mayMatch(i) && fresh.mayMatch(i)),
                     qPrintable(QStringLiteral("rule %1 %2").arg(i).arg(when)));
            if (const std::vector<RegEx::StartSpan>* spans = filter.startSpans(i)) {
                const std::vector<RegEx::StartSpan> copy = *spans;
                const std::string differs = restrictedDiffers(rules[i], copy, text);
                QVERIFY2(differs.empty(), differs.c_str());
            }
        }
    };
    holds("as scanned");
    const std::pair<std::string, std::string> completions[] = {{"Q", "う"}, {"Z", "G"}};
    for (const auto& [marker, last] : completions) {
        TextEdits edits;
        replaceAllText(text, marker, last, true, &edits);
        filter.update(text, edits);
        holds(last.c_str());
    }
    QVERIFY(filter.mayMatch(0) && filter.mayMatch(1) && filter.mayMatch(2) && filter.mayMatch(3));
}

// A long text is counted in parts at once. Its counts and places are those of
// the same text counted in one piece (inserted by an edit), however its parts
// fall: occurrences across every byte offset of a seven-byte factor and of a
// caseless one of LONG S and KELVIN SIGNs, and four-byte characters. Taking every
// occurrence out, then putting one back, shows a count off by any number.
void TestRuleFilter::aLongTextCountsAsOneCountedInOnePiece()
{
    const std::vector<PassRule> rules = {plainRule("abcdefg", true), plainRule("skk", false),
                                         regexRule("設定(?:する|した)", true), plainRule("😀x", true),
                                         plainRule("zz", true)};
    const std::string plants[] = {"SKk", "設定する", "😀x"};
    // Every offset of the seven-byte factor against the parts' edges, and a
    // text whose parts are each folded in several pieces.
    std::vector<std::pair<int, size_t>> texts;
    for (int shift = 0; shift < 7; ++shift)
        texts.emplace_back(shift, 400000);
    texts.emplace_back(3, 9000000);
    for (const auto& [shift, size] : texts) {
        std::string text(static_cast<size_t>(shift), 'y');
        for (int k = 0; text.size() < size; ++k) {
            text += k % 2 ? "abcdefg" : "\u017F\u212A\u212A";
            if (k % 37 == 0)
                text += plants[static_cast<size_t>(k / 37) % 3];
        }
        RuleFilter parts(rules);
        parts.scan(text);
        RuleFilter whole(rules);
        std::string marker = "Q";
        whole.scan(marker);
        TextEdits inserted;
        inserted.add(0, text.size(), marker);
        whole.update(text, inserted);
        auto same = [&](const char* when) {
            for (size_t i = 0; i < rules.size(); ++i) {
                const QString where = QStringLiteral("shift %1, rule %2, %3").arg(shift).arg(i).arg(when);
                QVERIFY2(parts.mayMatch(i) == whole.mayMatch(i), qPrintable(where));
                const std::vector<RegEx::StartSpan>* a = parts.startSpans(i);
                const std::vector<RegEx::StartSpan>* b = whole.startSpans(i);
                QVERIFY2((a != nullptr) == (b != nullptr), qPrintable(where));
                if (!a)
                    continue;
                QVERIFY2(a->size() == b->size(), qPrintable(where));
                for (size_t k = 0; k < a->size(); ++k)
                    QVERIFY2((*a)[k].first == (*b)[k].first && (*a)[k].last == (*b)[k].last, qPrintable(where));
            }
        };
        same("as scanned");
        QVERIFY(parts.mayMatch(0) && parts.mayMatch(1) && parts.mayMatch(2) && parts.mayMatch(3));
        QVERIFY(!parts.mayMatch(4));
        for (const auto& [search, caseSensitive] : {std::pair<std::string, bool>{"abcdefg", true}, {"skk", false},
                                                    {"設定する", true}, {"😀x", true}}) {
            TextEdits edits;
            replaceAllText(text, search, "", caseSensitive, &edits);
            parts.update(text, edits);
            whole.update(text, edits);
            same(("without " + search).c_str());
            edits.clear();
            text.insert(0, search);
            edits.add(0, search.size(), "");
            parts.update(text, edits);
            whole.update(text, edits);
            same(("with " + search + " again").c_str());
        }
        QVERIFY(parts.mayMatch(0) && parts.mayMatch(1) && parts.mayMatch(2) && parts.mayMatch(3));
    }
}

// The next text is counted on another thread while the filter goes on with
// the current one (its counts and places updated and asked for); once taken
// in, the filter answers for the next text as a fresh scan of it does, also
// after edits. The counts' storage passes from text to text.
void TestRuleFilter::textsCountedAsideAreTakenInWhole()
{
    std::mt19937 random(59);
    const std::vector<std::string> replacements = {"", "の", "ます", "key", "\r", "$0$0", "ファイル", "イルファ"};
    const std::vector<PassRule> rules = spanRules(random, 40);
    RuleFilter kept(rules);
    auto differs = [&](const std::string& text, const char* when) -> std::string {
        RuleFilter fresh(rules);
        fresh.scan(text);
        for (size_t i = 0; i < rules.size(); ++i) {
            const std::string where = "rule " + std::to_string(i) + " " + when;
            if (kept.mayMatch(i) != fresh.mayMatch(i))
                return where;
            const std::vector<RegEx::StartSpan>* a = kept.startSpans(i);
            const std::vector<RegEx::StartSpan>* b = fresh.startSpans(i);
            if ((a != nullptr) != (b != nullptr) || (a && a->size() != b->size()))
                return where + ": spans";
            for (size_t k = 0; a && k < a->size(); ++k)
                if ((*a)[k].first != (*b)[k].first || (*a)[k].last != (*b)[k].last)
                    return where + ": span " + std::to_string(k);
        }
        return {};
    };
    auto edit = [&](std::string& text, RegEx& engine) {
        const PassRule& r = rules[random() % rules.size()];
        TextEdits edits;
        prepareEngine(engine, r);
        engine.replaceAllIn(text, replacements[random() % replacements.size()], &edits);
        kept.update(text, edits);
    };
    std::string text = spanText(random, 300);
    kept.scan(text);
    RuleFilter::Counted counted;
    RegEx engine;
    for (int round = 0; round < 40; ++round) {
        // Longer and shorter texts by turns, so that storage left from a
        // text with more occurrences is counted into again.
        const std::string next = spanText(random, round % 2 ? 40 : 400);
        std::thread aside([&] { kept.count(next, counted); });
        // Some texts are left with their factors' places not brought up to
        // date, as a pass leaves those of rules it never searches.
        for (int step = 0; step < 5 && text.size() < 6000; ++step) {
            edit(text, engine);
            for (size_t i = 0; i < rules.size() && round % 3 != 0; ++i)
                kept.startSpans(i);
        }
        aside.join();
        kept.take(counted);
        text = next;
        std::string d = differs(text, "as taken in");
        QVERIFY2(d.empty(), d.c_str());
        for (int step = 0; step < 3 && text.size() < 6000; ++step) {
            edit(text, engine);
            d = differs(text, "after an edit");
            QVERIFY2(d.empty(), d.c_str());
        }
    }
}

QTEST_APPLESS_MAIN(TestRuleFilter)
#include "tst_rulefilter.moc"
