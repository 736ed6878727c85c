// The pieces of a pass that work on text alone: line ends, conversion in
// pieces, output names, rule decoding, the edit cursor of the match path
// against a plain re-implementation, the recent-documents list and the texts
// of the result notice.

#include "app/core/AppState.h"
#include "platform/core/FolderItem.h"
#include "platform/core/Text.h"
#include "proofing/core/PassChunks.h"
#include "proofing/core/PassIntake.h"
#include "proofing/core/PassMatch.h"
#include "proofing/core/PassNotice.h"
#include "proofing/core/PassOutput.h"
#include "proofing/core/PassRules.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <random>

using namespace tv;

namespace {

QByteArray q(std::string_view s)
{
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

// The match path in its plainest form: the whole text rebuilt at every
// replacement, positions counted in characters from 1, the search going on
// right after the inserted text or the skipped match (an empty match is not
// taken again where the last one stood). The edit cursor must agree with it
// match for match and in the final text.
struct Step {
    int64_t matchStart;
    std::string matchText;
};

std::string naiveMatchPath(RegEx* engine, const std::string& find, bool regex, std::string text,
                           const std::vector<bool>& replaceEach, const std::string& replacement,
                           std::vector<Step>& steps)
{
    int64_t searchStart = 1;
    size_t decision = 0;
    bool afterEmpty = false;
    for (;;) {
        int64_t matchStart = 0;
        int64_t length = 0;
        std::string expanded = replacement;
        const size_t startByte = byteOffsetOfChar(text, searchStart);
        if (regex) {
            auto m = engine->Search(text, startByte, afterEmpty);
            if (!m)
                break;
            matchStart = charCountOfBytes(text, m->startB()) + 1;
            length = Len(m->SubExpressionString(0));
            expanded = m->expand(replacement);
        } else {
            const int64_t at = InStr(searchStart, text, find);
            if (at == 0)
                break;
            matchStart = at;
            length = Len(find);
        }
        steps.push_back({matchStart, Mid(text, matchStart, length)});
        const bool replace = replaceEach[decision++ % replaceEach.size()];
        afterEmpty = length == 0;
        if (replace) {
            text = Left(text, matchStart - 1) + expanded + Mid(text, matchStart + length);
            searchStart = matchStart + Len(expanded);
        } else {
            searchStart = matchStart + length;
        }
    }
    return text;
}

// A decider that answers from a list and records what it was shown.
class ListDecider : public MatchDecider {
public:
    ListDecider(std::vector<bool> answers) : answers_(std::move(answers)) {}
    std::vector<Step> steps;
    void cancelTest() override {}
    std::string scriptOutput(EditCursor&, const EditCursor::Found&, int) override { return {}; }
    std::optional<std::string> decide(EditCursor& cursor, const EditCursor::Found& found,
                                      std::string proposed) override
    {
        steps.push_back({cursor.charsBefore(found) + 1, std::string(cursor.matchedText(found))});
        if (answers_[next_++ % answers_.size()])
            return proposed;
        return std::nullopt;
    }
    void replaced(int) override {}

private:
    std::vector<bool> answers_;
    size_t next_ = 0;
};

} // namespace

class TestPassText : public QObject {
    Q_OBJECT

private slots:
    void lineEnds_data();
    void lineEnds();
    void restore_data();
    void restore();
    void readingInPieces_data();
    void readingInPieces();
    void conversionInPieces_data();
    void conversionInPieces();
    void formsOverPieces_data();
    void formsOverPieces();
    void outputName_data();
    void outputName();
    void ruleDecoding_data();
    void ruleDecoding();
    void options_data();
    void options();
    void cursorAgreesWithTheWholeText_data();
    void cursorAgreesWithTheWholeText();
    void recentDocuments_data();
    void recentDocuments();
    void notice_data();
    void notice();
    void noticeOfUnsavedWork_data();
    void noticeOfUnsavedWork();
};

void TestPassText::lineEnds_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("form");
    QTest::addColumn<QByteArray>("normalised");
    const int CR = int(LineEnd::CR), CRLF = int(LineEnd::CRLF), LF = int(LineEnd::LF);
    QTest::newRow("none") << QByteArray("abc") << CR << QByteArray("abc");
    QTest::newRow("empty") << QByteArray("") << CR << QByteArray("");
    QTest::newRow("CR") << QByteArray("a\rb\r") << CR << QByteArray("a\rb\r");
    QTest::newRow("LF") << QByteArray("a\nb\n") << LF << QByteArray("a\rb\r");
    QTest::newRow("LF LF") << QByteArray("\n\na\n\n") << LF << QByteArray("\r\ra\r\r");
    QTest::newRow("CRLF") << QByteArray("a\r\nb\r\n") << CRLF << QByteArray("a\rb\r");
    QTest::newRow("CRLF and a lone LF") << QByteArray("a\r\nb\nc") << CRLF << QByteArray("a\rb\rc");
    QTest::newRow("LF and CR") << QByteArray("a\nb\rc") << LF << QByteArray("a\rb\rc");
    QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << CRLF << QByteArray("a\r\rb");
    QTest::newRow("LF CR") << QByteArray("a\n\rb") << LF << QByteArray("a\r\rb");
}

void TestPassText::lineEnds()
{
    QFETCH(QByteArray, text);
    QFETCH(int, form);
    QFETCH(QByteArray, normalised);
    std::string s = text.toStdString();
    QCOMPARE(int(detectLineEnd(s)), form);
    normaliseLineEnds(s);
    QCOMPARE(q(s), normalised);
}

void TestPassText::restore_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("form");
    QTest::addColumn<QByteArray>("restored");
    QTest::newRow("CR stays") << QByteArray("a\rb\nc") << int(LineEnd::CR) << QByteArray("a\rb\nc");
    QTest::newRow("CRLF") << QByteArray("a\rb\r\nc\nd\r") << int(LineEnd::CRLF) << QByteArray("a\r\nb\r\nc\r\nd\r\n");
    QTest::newRow("LF") << QByteArray("a\rb\r\nc\nd\r") << int(LineEnd::LF) << QByteArray("a\nb\nc\nd\n");
    QTest::newRow("CR CR") << QByteArray("\r\r") << int(LineEnd::CRLF) << QByteArray("\r\n\r\n");
}

void TestPassText::restore()
{
    QFETCH(QByteArray, text);
    QFETCH(int, form);
    QFETCH(QByteArray, restored);
    std::string s = text.toStdString();
    restoreLineEnds(s, LineEnd(form));
    QCOMPARE(q(s), restored);
}

// A file is read whole, byte for byte, whatever its size against the piece
// read at a time.
void TestPassText::readingInPieces_data()
{
    QTest::addColumn<qint64>("size");
    const auto piece = static_cast<qint64>(kPassChunk);
    for (qint64 size : {qint64(0), qint64(1), piece - 1, piece, piece + 1, 2 * piece, 2 * piece + 5})
        QTest::newRow(qPrintable(QString::number(size))) << size;
}

void TestPassText::readingInPieces()
{
    QFETCH(qint64, size);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    std::string bytes(static_cast<size_t>(size), '\0');
    std::mt19937 random(static_cast<unsigned>(size));
    for (char& c : bytes)
        c = static_cast<char>(random());
    const QString path = dir.filePath(QStringLiteral("in.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(q(bytes)), size);
    file.close();
    const std::string read = readFileBytes(FolderItem::fromPath(path.toStdString()));
    QCOMPARE(read.size(), bytes.size());
    QVERIFY(read == bytes);
}

void TestPassText::conversionInPieces_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("bigEndian");
    QTest::addColumn<bool>("mark");
    using K = TextEncoding::Kind;
    QTest::newRow("UTF-8") << int(K::UTF8) << true << false;
    QTest::newRow("Shift_JIS") << int(K::ShiftJIS) << true << false;
    QTest::newRow("EUC-JP") << int(K::EUCJP) << true << false;
    QTest::newRow("ISO-2022-JP") << int(K::ISO2022JP) << true << false;
    QTest::newRow("UTF-16BE with mark") << int(K::UTF16) << true << true;
    QTest::newRow("UTF-16LE with mark") << int(K::UTF16) << false << true;
    QTest::newRow("UTF-16LE") << int(K::UTF16) << false << false;
}

void TestPassText::conversionInPieces()
{
    QFETCH(int, kind);
    QFETCH(bool, bigEndian);
    QFETCH(bool, mark);
    using K = TextEncoding::Kind;
    TextEncodingRef enc;
    switch (K(kind)) {
    case K::UTF8: enc = Encodings::UTF8(); break;
    case K::ShiftJIS: enc = Encodings::ShiftJIS(); break;
    case K::EUCJP: enc = Encodings::EUCJP(); break;
    case K::ISO2022JP: enc = Encodings::ISO2022JP(); break;
    default: enc = Encodings::UTF16(bigEndian, mark); break;
    }
    // Several pieces' worth, with lines of every length so that cuts fall
    // everywhere, and 上 (whose UTF-16 holds the byte 0x0A).
    std::string text;
    for (int i = 0; text.size() < 3 * kPassChunk + 777; ++i)
        text += std::string(static_cast<size_t>(i % 7), 'a') + "上の漢字かなEnglish" + Str(i) + "\r";
    const std::string whole = enc->encode(text);
    QCOMPARE(q(encodeFromUtf8(text, enc)), q(whole));
    QCOMPARE(q(decodeToUtf8(whole, enc)), q(text));
}

void TestPassText::formsOverPieces_data()
{
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<QByteArray>("first");  // the form in the first piece
    QTest::addColumn<QByteArray>("later");  // another form of it pieces later
    QTest::newRow("Shift_JIS, the converter's form first") << "Shift_JIS" << QByteArray("\x81\xe6") << QByteArray("\x87\x9a");
    QTest::newRow("Shift_JIS, another form first") << "Shift_JIS" << QByteArray("\xfa\x5b") << QByteArray("\x81\xe6");
    QTest::newRow("EUC-JP, the converter's form first") << "EUC-JP" << QByteArray("\xa2\xe2") << QByteArray("\xad\xf0");
    QTest::newRow("EUC-JP, another form first") << "EUC-JP" << QByteArray("\xad\xf0") << QByteArray("\xa2\xe2");
}

// A file converted in pieces writes a character back in the form of its first
// piece that holds it, for every piece.
void TestPassText::formsOverPieces()
{
    QFETCH(QString, encoding);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, later);
    const TextEncodingRef enc = encoding == "Shift_JIS" ? Encodings::ShiftJIS() : Encodings::EUCJP();
    const std::string line = enc->encode("日本語の文章です。\r");
    std::string bytes = first.toStdString() + "\r";
    while (bytes.size() < 3 * kPassChunk)
        bytes += line;
    bytes += later.toStdString() + "\r";
    TextForms forms;
    const std::string text = decodeToUtf8(bytes, enc, &forms);
    std::string expected = bytes;
    expected.replace(expected.size() - 3, 2, first.toStdString());
    QCOMPARE(q(encodeFromUtf8(text, enc, &forms)), q(expected));
}

void TestPassText::outputName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("templ");
    QTest::addColumn<QString>("expected");
    QTest::newRow("default") << "memo.txt" << "[fixed]" << "memo[fixed].txt";
    QTest::newRow("no dot") << "memo" << "[fixed]" << "memo[fixed]";
    QTest::newRow("ends in a dot") << "memo." << "[fixed]" << "memo[fixed]";
    QTest::newRow("two dots") << "a.b.txt" << "[fixed]" << "a.b.txt[fixed]";
    QTest::newRow("all three fields") << "memo.txt" << "_ok\tnew_\thtml" << "new_memo_ok.html";
    QTest::newRow("new extension after two dots") << "a.b.txt" << "\t\thtml" << "a.b.txt.html";
    QTest::newRow("new extension added") << "memo" << "\t\thtml" << "memo.html";
    QTest::newRow("all empty") << "memo.txt" << "" << "memo.txt";
    QTest::newRow("Japanese") << "メモ.txt" << "_校正済" << "メモ_校正済.txt";
}

void TestPassText::outputName()
{
    QFETCH(QString, name);
    QFETCH(QString, templ);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdString(tv::outputName(name.toStdString(), templ.toStdString())), expected);
}

void TestPassText::ruleDecoding_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("decoded");
    QTest::newRow("plain") << "abc" << "abc";
    QTest::newRow("tab") << "a\\tb" << "a\tb";
    QTest::newRow("cr") << "x\\ry" << "x\ry";
    QTest::newRow("capital escapes") << "x\\Ry\\Tz" << "x\ry\tz";
    QTest::newRow("escaped backslash") << "\\\\t" << "\\t";
    QTest::newRow("escaped backslash r") << "\\\\r" << "\\r";
    QTest::newRow("other escapes stay") << "\\n\\d" << "\\n\\d";
}

void TestPassText::ruleDecoding()
{
    QFETCH(QString, stored);
    QFETCH(QString, decoded);
    QCOMPARE(QString::fromStdString(decodeRuleText(stored.toStdString())), decoded);
}

void TestPassText::options_data()
{
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("on"); // the positions on, as digits
    QTest::newRow("new rule") << "--------" << "";
    QTest::newRow("all") << "********" << "12345678";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("four") << "*-*-" << "13";
    QTest::newRow("other characters") << "x*+ *---" << "25";
    QTest::newRow("beyond eight ignored") << "-------**" << "8";
}

// Each position of the option text reaches the rule flag it stands for.
void TestPassText::options()
{
    QFETCH(QString, options);
    QFETCH(QString, on);
    PassRuleList list;
    list.searchList = {"a"};
    list.replaceList = {"$1"};
    list.optionList = {options.toStdString()};
    list.commentList = {""};
    const PassRule r = prepareRules(list).front();
    const bool flags[] = {r.regex, r.candidates, r.confirm, r.script,
                          r.caseSensitive, r.greedy, r.dotAll, r.matchEmpty};
    for (int p = 1; p <= 8; ++p)
        QCOMPARE(flags[p - 1], on.contains(QString::number(p)));
    QCOMPARE(r.hasDollar, r.regex);
}

void TestPassText::cursorAgreesWithTheWholeText_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<bool>("regex");
    QTest::addColumn<QString>("replace");
    QTest::addColumn<QString>("options");
    QTest::newRow("plain") << "あい" << false << "x" << "";
    QTest::newRow("plain growing") << "a" << false << "aaあ" << "";
    QTest::newRow("look-behind") << "(?<=あa)a" << true << "あ" << "*---*---";
    QTest::newRow("long look-behind") << "(?<=[^b]{4})b" << true << "ぜ" << "*---*---";
    QTest::newRow("boundary") << "\\bb" << true << "-" << "*---*---";
    QTest::newRow("line start") << "^b" << true << "b\r" << "*---*---";
    QTest::newRow("empty matches") << "b*" << true << "あ" << "*---**-*";
    QTest::newRow("deleting") << "(?<=a)b" << true << "" << "*---*---";
    QTest::newRow("groups") << "(a)(b)" << true << "$2$1$2" << "*---*---";
    // Replacements as long as their matches, alone and among others.
    QTest::newRow("plain, as long") << "あ" << false << "ぜ" << "";
    QTest::newRow("as long, seen by the look-behind") << "(?<=a)b" << true << "a" << "*---*---";
    QTest::newRow("as long, then longer") << "ab|あ" << true << "ぜ" << "*---*---";
    QTest::newRow("as long, then shorter") << "ぜ|b" << true << "a" << "*---*---";
    QTest::newRow("as long in bytes, fewer characters") << "ab" << false << "é" << "";
    // What the engine is shown of the edited text before the cursor.
    QTest::newRow("the text before the match") << "a\\rb" << true << "[$`]" << "*---*---";
    QTest::newRow("a group in the look-behind") << "(?<=(a|あ))b" << true << "$1$1" << "*---*---";
    QTest::newRow("a look-behind over several replacements") << "(?<=..)a" << true << "" << "*---*---";
    QTest::newRow("a growing match at the start") << "^(a|あ)" << true << "ぜぜ$1" << "*---*---";
}

void TestPassText::cursorAgreesWithTheWholeText()
{
    QFETCH(QString, search);
    QFETCH(bool, regex);
    QFETCH(QString, replace);
    QFETCH(QString, options);
    std::mt19937 random(7);
    const char* pieces[] = {"a", "b", "あ", "\r", " ", "ab", "ぜ"};
    for (int round = 0; round < 40; ++round) {
        std::string text;
        const int n = 1 + static_cast<int>(random() % 300);
        for (int i = 0; i < n; ++i)
            text += pieces[random() % 7];
        std::vector<bool> answers;
        for (int i = 0; i < 1 + static_cast<int>(random() % 5); ++i)
            answers.push_back(random() % 3 != 0);

        PassRuleList list;
        list.searchList = {search.toStdString()};
        list.replaceList = {replace.toStdString()};
        list.optionList = {options.toStdString()};
        list.commentList = {""};
        PassRule rule = prepareRules(list).front();
        RegEx engine;
        prepareEngine(engine, rule);

        std::vector<Step> expectedSteps;
        const std::string expected =
            naiveMatchPath(&engine, rule.search, regex, text, answers, rule.replace, expectedSteps);
        // With replacements held to the end of the rule, and with the text
        // before the cursor built aside every few of them.
        for (const size_t heldBytes : {EditCursor::kHeldBytes, size_t(0)}) {
            ListDecider decider(answers);
            std::string edited = text;
            TextEdits edits;
            runMatchLoop(engine, rule, edited, decider, &edits, heldBytes);
            QCOMPARE(q(edited), q(expected));
            QCOMPARE(decider.steps.size(), expectedSteps.size());
            for (size_t i = 0; i < expectedSteps.size(); ++i) {
                QCOMPARE(decider.steps[i].matchStart, expectedSteps[i].matchStart);
                QCOMPARE(q(decider.steps[i].matchText), q(expectedSteps[i].matchText));
            }
            // Each edit names the place of its replacement in the edited text
            // and what it took out: undone from the last, they give the text
            // back.
            std::string undone = edited;
            for (size_t i = edits.spans.size(); i-- > 0;) {
                const TextEdits::Span& span = edits.spans[i];
                undone.replace(span.start, span.end - span.start, edits.removedOf(span));
            }
            QCOMPARE(q(undone), q(text));
        }
    }
}

void TestPassText::recentDocuments_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QStringList>("after");
    const QStringList full = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    QTest::newRow("newest again") << full << "0" << full;
    QTest::newRow("oldest to the front") << full << "9" << QStringList{"9", "0", "1", "2", "3", "4", "5", "6", "7", "8"};
    QTest::newRow("new in a full list") << full << "x" << QStringList{"x", "0", "1", "2", "3", "4", "5", "6", "7", "8"};
    QTest::newRow("new with free places") << QStringList{"a", "b", "", "", "", "", "", "", "", ""} << "x"
                                          << QStringList{"x", "a", "b", "", "", "", "", "", "", ""};
    QTest::newRow("same but for case") << QStringList{"a", "Memo", "", "", "", "", "", "", "", ""} << "memo"
                                       << QStringList{"memo", "a", "", "", "", "", "", "", "", ""};
}

void TestPassText::recentDocuments()
{
    QFETCH(QStringList, before);
    QFETCH(QString, entry);
    QFETCH(QStringList, after);
    std::array<std::string, 10> list;
    for (int i = 0; i < 10; ++i)
        list[static_cast<size_t>(i)] = before[i].toStdString();
    addRecentDocument(list, entry.toStdString());
    for (int i = 0; i < 10; ++i)
        QCOMPARE(QString::fromStdString(list[static_cast<size_t>(i)]), after[i]);
}

void TestPassText::notice_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("byFiles");
    QTest::addColumn<QString>("byChange");
    QTest::addColumn<bool>("clip");
    QTest::addColumn<bool>("fast");
    QTest::addColumn<bool>("many");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("saved");
    QTest::addColumn<int>("replacements");
    QTest::addColumn<QString>("kind"); // none, beep, or the message
    QTest::addColumn<QString>("summary"); // "-" for none

    const QString done = "ファイルの校正を行いました。", clipDone = "クリップボードの校正を行いました。",
                  nothing = "校正箇所はありませんでした。";
    QTest::newRow("none") << "none" << "both" << "both" << false << false << false << true << 1 << 1 << 1 << "none" << "-";
    QTest::newRow("beep") << "systembeep" << "both" << "both" << false << false << false << true << 1 << 1 << 1 << "beep" << "-";
    QTest::newRow("beep filtered") << "systembeep" << "many" << "both" << false << false << false << true << 1 << 1 << 1 << "none" << "-";
    QTest::newRow("one, two files") << "dialog" << "one" << "both" << false << false << true << true << 2 << 2 << 2 << "none" << "-";
    QTest::newRow("one, one file") << "dialog" << "one" << "both" << false << false << false << true << 1 << 1 << 2 << done << "1 ファイル中 1 ファイルの 2 ヶ所を校正";
    QTest::newRow("many, one file") << "dialog" << "many" << "both" << false << false << false << true << 1 << 1 << 2 << "none" << "-";
    QTest::newRow("many, clipboard") << "dialog" << "many" << "both" << true << false << false << true << 0 << 0 << 2 << "none" << "-";
    QTest::newRow("many, three files") << "dialog" << "many" << "both" << false << false << true << false << 3 << 2 << 5 << done << "3 ファイル中 2 ファイルの 5 ヶ所を校正";
    QTest::newRow("changed, last unchanged") << "dialog" << "both" << "changed" << false << false << true << false << 3 << 2 << 5 << "none" << "-";
    QTest::newRow("nochange, last unchanged") << "dialog" << "both" << "nochange" << false << false << true << false << 3 << 2 << 5 << done << "3 ファイル中 2 ファイルの 5 ヶ所を校正";
    QTest::newRow("nochange, changed") << "dialog" << "both" << "nochange" << false << false << false << true << 1 << 1 << 1 << "none" << "-";
    QTest::newRow("unknown file keyword") << "dialog" << "some" << "both" << false << false << false << true << 1 << 1 << 1 << "none" << "-";
    QTest::newRow("unknown change keyword") << "dialog" << "both" << "" << false << false << false << true << 1 << 1 << 1 << "none" << "-";
    QTest::newRow("other type is the sheet") << "sheet?" << "both" << "both" << false << false << false << false << 3 << 0 << 0 << nothing << "3 ファイルを検索しました";
    QTest::newRow("fast, saved") << "dialog" << "both" << "both" << false << true << false << true << 1 << 1 << 0 << done << "-";
    QTest::newRow("fast, nothing saved") << "dialog" << "both" << "both" << false << true << true << false << 3 << 0 << 0 << nothing << "3 ファイルを検索しました";
    QTest::newRow("clipboard changed") << "dialog" << "both" << "both" << true << false << false << true << 0 << 0 << 4 << clipDone << "クリップボード内のテキストの 4 ヶ所を校正";
    QTest::newRow("clipboard changed, fast") << "dialog" << "both" << "both" << true << true << false << true << 0 << 0 << 0 << clipDone << "-";
    QTest::newRow("clipboard unchanged") << "dialog" << "both" << "both" << true << false << false << false << 0 << 0 << 0 << nothing << "クリップボード内のテキストを検索しました";
    QTest::newRow("clipboard unchanged, fast") << "dialog" << "both" << "both" << true << true << false << false << 0 << 0 << 0 << nothing << "クリップボード内のテキストを検索しました";
}

void TestPassText::notice()
{
    QFETCH(QString, type);
    QFETCH(QString, byFiles);
    QFETCH(QString, byChange);
    QFETCH(bool, clip);
    QFETCH(bool, fast);
    QFETCH(bool, many);
    QFETCH(bool, changed);
    QFETCH(int, files);
    QFETCH(int, saved);
    QFETCH(int, replacements);
    QFETCH(QString, kind);
    QFETCH(QString, summary);
    AppState app;
    app.prefAlarmType = type.toStdString();
    app.prefAlarmFile = byFiles.toStdString();
    app.prefAlarmChange = byChange.toStdString();
    app.isClip = clip;
    app.isFastProof = fast;
    const ResultNotice n = resultNotice(app, many, changed, files, saved, replacements);
    if (kind == "none") {
        QCOMPARE(int(n.kind), int(ResultNotice::Kind::None));
    } else if (kind == "beep") {
        QCOMPARE(int(n.kind), int(ResultNotice::Kind::Beep));
    } else {
        QCOMPARE(int(n.kind), int(ResultNotice::Kind::Sheet));
        QCOMPARE(QString::fromStdString(n.message), kind);
        QCOMPARE(n.summary ? QString::fromStdString(*n.summary) : QStringLiteral("-"), summary);
    }
}

void TestPassText::noticeOfUnsavedWork_data()
{
    QTest::addColumn<bool>("clip");
    QTest::addColumn<bool>("fast");
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("saved");
    QTest::addColumn<int>("unsaved");
    QTest::addColumn<int>("replacements");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("summary");
    const QString done = "ファイルの校正を行いました。", lost = "校正したファイルを保存できませんでした。";
    QTest::newRow("every save failed") << false << false << 10 << 0 << 10 << 16178 << lost
                                       << "10 ファイル中 10 ファイルは保存できませんでした（16178 ヶ所の校正）";
    QTest::newRow("every save failed, fast") << false << true << 10 << 0 << 10 << 0 << lost
                                             << "10 ファイル中 10 ファイルは保存できませんでした";
    QTest::newRow("some saves failed") << false << false << 3 << 1 << 2 << 5 << done
                                       << "3 ファイル中 1 ファイルの 5 ヶ所を校正、2 ファイルは保存できませんでした";
    QTest::newRow("some saves failed, fast") << false << true << 3 << 1 << 2 << 0 << done
                                             << "2 ファイルは保存できませんでした";
    QTest::newRow("none failed") << false << false << 3 << 0 << 0 << 0 << "校正箇所はありませんでした。"
                                 << "3 ファイルを検索しました";
}

void TestPassText::noticeOfUnsavedWork()
{
    QFETCH(bool, clip);
    QFETCH(bool, fast);
    QFETCH(int, files);
    QFETCH(int, saved);
    QFETCH(int, unsaved);
    QFETCH(int, replacements);
    QFETCH(QString, message);
    QFETCH(QString, summary);
    AppState app;
    app.prefAlarmType = "dialog";
    app.prefAlarmFile = app.prefAlarmChange = "both";
    app.isClip = clip;
    app.isFastProof = fast;
    const ResultNotice n = resultNotice(app, files > 1, true, files, saved, replacements, unsaved);
    QCOMPARE(int(n.kind), int(ResultNotice::Kind::Sheet));
    QCOMPARE(QString::fromStdString(n.message), message);
    QVERIFY(n.summary);
    QCOMPARE(QString::fromStdString(*n.summary), summary);
}

QTEST_GUILESS_MAIN(TestPassText)
#include "tst_pass_text.moc"
