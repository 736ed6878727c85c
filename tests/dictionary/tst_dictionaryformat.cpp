// The dictionary format: the editor's reader and the pass's reader on a table
// of small files (forms, line ends, encodings, malformed lines), the writer's
// bytes, and a round trip.

#include "support/EncodingNames.h"

#include <QTest>

#include <algorithm>
#include <string>
#include <vector>

#include "dictionary/core/DictionaryFormat.h"
#include "platform/core/Errors.h"
#include "proofing/core/RuleLoading.h"

using namespace tv;

using tv::test::encodingNamed;

namespace {

std::string str(const QByteArray& b) { return std::string(b.constData(), size_t(b.size())); }


QByteArray shown(const std::string& s)
{
    std::string out;
    for (char c : s) {
        if (c == '\n')
            out += "<LF>";
        else
            out += c;
    }
    return QByteArray::fromStdString(out);
}

// Rules as "search|replacement|options|comment", one per line.
QByteArray shown(const std::vector<DictionaryRule>& rules)
{
    QByteArrayList lines;
    for (const auto& r : rules)
        lines << shown(r.search) + '|' + shown(r.replacement) + '|' + shown(r.options) + '|' + shown(r.comment);
    return lines.join('\n');
}

QByteArray shown(const PassRuleList& rules)
{
    QByteArrayList lines;
    for (size_t i = 0; i < rules.size(); ++i)
        lines << shown(rules.searchList[i]) + '|' + shown(rules.replaceList[i]) + '|' +
                     shown(rules.optionList[i]) + '|' + shown(rules.commentList[i]);
    return lines.join('\n');
}

QByteArray shown(const std::optional<DictionaryFrame>& f)
{
    if (!f)
        return "none";
    return QByteArray::number(f->left) + ',' + QByteArray::number(f->top) + ',' + QByteArray::number(f->width) +
           ',' + QByteArray::number(f->height);
}

const QByteArray sjisKosei("\x8d\x5a\x90\xb3");         // 校正
const QByteArray sjisAyamari("\x8c\xeb\x82\xe8");       // 誤り
const QByteArray eucKosei("\xb9\xbb\xc0\xb5");          // 校正
const QByteArray eucAyamari("\xb8\xed\xa4\xea");        // 誤り
const QByteArray header("Tesvora Dictionary,10,20,300,400,UTF8\r");

} // namespace

class TestDictionaryFormat : public QObject {
    Q_OBJECT

private slots:
    void readers_data();
    void readers();
    void undecodableLine_data();
    void undecodableLine();
    void ruleOptions_data();
    void ruleOptions();
    void storedForm();
    void writerBytes();
    void writerKeepsEachRuleOnItsLine();
    void roundTrip();
    void emptyFileSavedAgain();
};

void TestDictionaryFormat::readers_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("encoding");
    QTest::addColumn<QByteArray>("editorRules");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("malformed"); // -1: the editor's reader finds a line that does not decode
    QTest::addColumn<QByteArray>("passRules");

    // Forms.
    QTest::newRow("empty file") << QByteArray() << QByteArray("UTF-8") << QByteArray() << QByteArray("none") << 0
                                << QByteArray();
    QTest::newRow("header only") << header << QByteArray("UTF-8") << QByteArray() << QByteArray("10,20,300,400")
                                 << 0 << QByteArray();
    QTest::newRow("as written") << header + "a\tb\t*-------\tnote\rc\td\t--------\t\r" << QByteArray("UTF-8")
                                << QByteArray("a|b|*-------|note\nc|d|--------|") << QByteArray("10,20,300,400")
                                << 0 << QByteArray("a|b|*-------|note\nc|d|--------|");
    QTest::newRow("no header") << QByteArray("a\tb\r") << QByteArray("UTF-8") << QByteArray("a|b|--------|")
                               << QByteArray("none") << 0 << QByteArray("a|b||");
    QTest::newRow("split at space") << QByteArray("foo bar *--- x y\r") << QByteArray("UTF-8")
                                    << QByteArray("foo|bar|*-------|x") << QByteArray("none") << 0
                                    << QByteArray("foo bar *--- x y|||");
    QTest::newRow("split at comma") << QByteArray("foo,bar\r") << QByteArray("UTF-8")
                                    << QByteArray("foo|bar|--------|") << QByteArray("none") << 0
                                    << QByteArray("foo,bar|||");
    QTest::newRow("TAB before space") << QByteArray("a b\tc d\r") << QByteArray("UTF-8")
                                      << QByteArray("a b|c d|--------|") << QByteArray("none") << 0
                                      << QByteArray("a b|c d||");
    QTest::newRow("five fields") << QByteArray("a\tb\t*\tc\td\r") << QByteArray("UTF-8")
                                 << QByteArray("a|b|*|c") << QByteArray("none") << 0 << QByteArray("a|b|*|c");
    QTest::newRow("option widths") << QByteArray("a\tb\t*-*-\rc\td\t*********\re\tf\t\r") << QByteArray("UTF-8")
                                   << QByteArray("a|b|*-*-----|\nc|d|*********|\ne|f|--------|")
                                   << QByteArray("none") << 0 << QByteArray("a|b|*-*-|\nc|d|*********|\ne|f||");
    QTest::newRow("stored escapes stay") << QByteArray("a\\rb\tc\\td\r") << QByteArray("UTF-8")
                                         << QByteArray("a\\rb|c\\td|--------|") << QByteArray("none") << 0
                                         << QByteArray("a\\rb|c\\td||");
    QTest::newRow("two headers first") << QByteArray("Tesvora Dictionary,1,2,3,4\rtesvora dictionary,5,6,7,8,utf8\ra\tb\r")
                                       << QByteArray("UTF-8") << QByteArray("a|b|--------|") << QByteArray("5,6,7,8")
                                       << 0 << QByteArray("a|b||");
    QTest::newRow("header after a rule") << QByteArray("a\tb\rTesvora Dictionary,1,2,3,4,UTF8\r") << QByteArray("UTF-8")
                                         << QByteArray("a|b|--------|\nTesvora|Dictionary,1,2,3,4,UTF8|--------|")
                                         << QByteArray("none") << 0 << QByteArray("a|b||");
    QTest::newRow("header without commas") << QByteArray("TESVORA DICTIONARY\ra\tb\r") << QByteArray("UTF-8")
                                           << QByteArray("a|b|--------|") << QByteArray("0,0,0,0") << 0
                                           << QByteArray("a|b||");
    QTest::newRow("header with bad numbers") << QByteArray("Tesvora Dictionary,x,-5, 7px\r") << QByteArray("UTF-8")
                                             << QByteArray() << QByteArray("0,-5,7,0") << 0 << QByteArray();

    // Malformed and skipped lines.
    QTest::newRow("no separator") << QByteArray("word\ra\tb\r") << QByteArray("UTF-8")
                                  << QByteArray("||--------|\na|b|--------|") << QByteArray("none") << 1
                                  << QByteArray("word|||\na|b||");
    QTest::newRow("empty lines") << QByteArray("a\tb\r\r\rc\td\r") << QByteArray("UTF-8")
                                 << QByteArray("a|b|--------|\n||--------|\n||--------|\nc|d|--------|")
                                 << QByteArray("none") << 2 << QByteArray("a|b||\nc|d||");
    QTest::newRow("empty search text") << QByteArray("\tb\t*\r\t\t\t\r") << QByteArray("UTF-8")
                                       << QByteArray("|b|*|\n||--------|") << QByteArray("none") << 0
                                       << QByteArray();

    // Line ends.
    QTest::newRow("CR LF") << header.left(header.size() - 1) + "\r\na\tb\r\nc\td\r\n" << QByteArray("UTF-8")
                           << QByteArray("a|b|--------|\nc|d|--------|") << QByteArray("10,20,300,400") << 0
                           << QByteArray("a|b||\nc|d||");
    QTest::newRow("LF only") << QByteArray("a\tb\nc\td\n") << QByteArray("UTF-8")
                             << QByteArray("a|b|--------|\nc|d|--------|") << QByteArray("none") << 0
                             << QByteArray("a|b||\nc|d||");
    QTest::newRow("lone LF kept") << QByteArray("a\nb\tc\rd\te\n\r") << QByteArray("UTF-8")
                                  << QByteArray("a<LF>b|c|--------|\nd|e<LF>|--------|") << QByteArray("none") << 0
                                  << QByteArray("a<LF>b|c||\nd|e<LF>||");
    QTest::newRow("CR LF only where every CR has its LF") << QByteArray("a\tb\r\nc\td\r") << QByteArray("UTF-8")
                                                         << QByteArray("a|b|--------|\n<LF>c|d|--------|")
                                                         << QByteArray("none") << 0 << QByteArray("a|b||\n<LF>c|d||");
    QTest::newRow("no final line end") << QByteArray("a\tb\rc\td") << QByteArray("UTF-8")
                                       << QByteArray("a|b|--------|\nc|d|--------|") << QByteArray("none") << 0
                                       << QByteArray("a|b||\nc|d||");

    // Encodings.
    QTest::newRow("UTF-8 mark skipped") << QByteArray("\xEF\xBB\xBF") + header + "a\tb\r" << QByteArray("UTF-8")
                                        << QByteArray("a|b|--------|") << QByteArray("10,20,300,400") << 0
                                        << QByteArray("a|b||");
    QTest::newRow("Shift_JIS without header") << sjisKosei + '\t' + sjisAyamari + '\r' << QByteArray("Shift_JIS")
                                              << QByteArray("校正|誤り|--------|") << QByteArray("none") << 0
                                              << QByteArray("校正|誤り||");
    QTest::newRow("Shift_JIS, header without UTF8")
        << "Tesvora Dictionary,1,2,3,4\r" + sjisKosei + '\t' + sjisAyamari + '\r' << QByteArray("Shift_JIS")
        << QByteArray("校正|誤り|--------|") << QByteArray("1,2,3,4") << 0 << QByteArray("校正|誤り||");
    QTest::newRow("Shift_JIS, header with another word")
        << "Tesvora Dictionary,1,2,3,4,SJIS\r" + sjisKosei + "\tx\r" << QByteArray("Shift_JIS")
        << QByteArray("校正|x|--------|") << QByteArray("1,2,3,4") << 0 << QByteArray("校正|x||");
    QTest::newRow("UTF8 header over a Shift_JIS guess") << header + "校正\t誤り\r" << QByteArray("Shift_JIS")
                                                        << QByteArray("校正|誤り|--------|")
                                                        << QByteArray("10,20,300,400") << 0 << QByteArray("校正|誤り||");
    // The editor takes the second header for a rule and goes on converting
    // from Shift_JIS, which the UTF-8 line after it is not.
    QTest::newRow("UTF8 header in the middle") << sjisKosei + "\tx\r" + header + "誤り\ty\r" << QByteArray("Shift_JIS")
                                               << QByteArray() << QByteArray() << -1
                                               << QByteArray("校正|x||\n誤り|y||");
    QTest::newRow("EUC-JP") << eucKosei + '\t' + eucAyamari + '\r' << QByteArray("EUC-JP")
                            << QByteArray("校正|誤り|--------|") << QByteArray("none") << 0
                            << QByteArray("校正|誤り||");
    QTest::newRow("ISO-2022-JP") << QByteArray("\x1b$B9;@5\x1b(B\tx\r") << QByteArray("ISO-2022-JP")
                                 << QByteArray("校正|x|--------|") << QByteArray("none") << 0
                                 << QByteArray("校正|x||");
    // 」 is U+300D: its low byte 0x0D is no line end.
    QTest::newRow("UTF-16LE with mark") << QByteArray::fromHex("fffe0c302168636b0d300900a48a8a300d00")
                                        << QByteArray("UTF-16LE+BOM") << QByteArray("「校正」|誤り|--------|")
                                        << QByteArray("none") << 0 << QByteArray("「校正」|誤り||");
    // A zero byte in a rule of a file this program wrote makes the detector
    // guess UTF-16; the header in single bytes says otherwise.
    QTest::newRow("header in single bytes over a UTF-16 guess")
        << header + QByteArray("校正\t誤り\0\r", 15) << QByteArray("UTF-16LE")
        << QByteArray("校正|誤り\0|--------|", 24) << QByteArray("10,20,300,400") << 0
        << QByteArray("校正|誤り\0||", 16);
    QTest::newRow("UTF-16BE, UTF8 header changes nothing")
        << QByteArray::fromHex("0054006500730076006f00720061002000440069006300740069006f006e006100720079"
                               "002c0031002c0032002c0033002c0034002c0055005400460038000d682100090078000d")
        << QByteArray("UTF-16BE") << QByteArray("校|x|--------|") << QByteArray("1,2,3,4") << 0
        << QByteArray("校|x||");
}

void TestDictionaryFormat::readers()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, encoding);
    QFETCH(QByteArray, editorRules);
    QFETCH(QByteArray, frame);
    QFETCH(int, malformed);
    QFETCH(QByteArray, passRules);

    const std::string file = str(bytes);
    if (malformed < 0) {
        QVERIFY_THROWS_EXCEPTION(EncodingException, parseDictionary(file, encodingNamed(encoding.toStdString())));
    } else {
        EditorDictionary d = parseDictionary(file, encodingNamed(encoding.toStdString()));
        QCOMPARE(shown(d.rules), editorRules);
        QCOMPARE(shown(d.frame), frame);
        QCOMPARE(d.malformedLines, malformed);
    }
    PassRuleList rules;
    parsePassDictionary(file, encodingNamed(encoding.toStdString()), rules);
    QCOMPARE(shown(rules), passRules);
}

void TestDictionaryFormat::undecodableLine_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("encoding");
    QTest::newRow("not UTF-8") << QByteArray("a\tb\r\xe6\xa0\tc\r") << QByteArray("UTF-8");
    QTest::newRow("not UTF-8 after a UTF8 header") << "Tesvora Dictionary,0,0,0,0,UTF8\r" + sjisKosei + "\tx\r"
                                                   << QByteArray("Shift_JIS");
    QTest::newRow("not Shift_JIS") << QByteArray("\x81\tx\r") << QByteArray("Shift_JIS");
    QTest::newRow("odd UTF-16 length") << QByteArray("\xff\xfe\x61\x00\x62", 5) << QByteArray("UTF-16LE+BOM");
}

// A line that does not decode is an error, never a rule cut short.
void TestDictionaryFormat::undecodableLine()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, encoding);
    const std::string file = str(bytes);
    QVERIFY_THROWS_EXCEPTION(EncodingException, parseDictionary(file, encodingNamed(encoding.toStdString())));
    PassRuleList rules;
    QVERIFY_THROWS_EXCEPTION(EncodingException, parsePassDictionary(file, encodingNamed(encoding.toStdString()), rules));
}

void TestDictionaryFormat::ruleOptions_data()
{
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<QByteArray>("on"); // digits of the positions that are on
    QTest::newRow("new rule") << QByteArray(RuleOptions::newRule.data()) << QByteArray("");
    QTest::newRow("empty") << QByteArray("") << QByteArray("");
    QTest::newRow("benchmark rule") << QByteArray("*---**--") << QByteArray("156");
    QTest::newRow("short") << QByteArray("*-*") << QByteArray("13");
    QTest::newRow("other characters are off") << QByteArray("x+*o----") << QByteArray("3");
    QTest::newRow("beyond eight ignored") << QByteArray("-------**") << QByteArray("8");
}

void TestDictionaryFormat::ruleOptions()
{
    QFETCH(QByteArray, options);
    QFETCH(QByteArray, on);
    // Read from a text that is gone (a temporary, and one overwritten in
    // place), the flags stay as they were read: the object keeps nothing of
    // the text (a view would read freed or changed bytes here).
    const RuleOptions fromTemporary(str(options));
    std::string text = str(options);
    const RuleOptions fromOverwritten(text);
    std::fill(text.begin(), text.end(), '*');
    for (const RuleOptions& o : {fromTemporary, fromOverwritten}) {
        for (int p = 1; p <= 8; ++p) {
            QCOMPARE(o.isOn(p), on.contains(char('0' + p)));
            QCOMPARE(RuleOptions::isOn(str(options), p), o.isOn(p));
        }
        QVERIFY(!o.isOn(0));
        QVERIFY(!o.isOn(9));
        QVERIFY(!o.isOn(-1));
    }
}

void TestDictionaryFormat::storedForm()
{
    QCOMPARE(toStoredForm("a\rb\tc\\r\n|"), std::string("a\\rb\\tc\\r\n|"));
    QCOMPARE(toStoredForm("漢字"), std::string("漢字"));
}

void TestDictionaryFormat::writerBytes()
{
    const std::vector<DictionaryRule> rules = {
        {"(?:結び|むすび)", "結び$1", "*---**--", "メモ"},
        {"", "", "", ""},
        {"a\\rb", "c\nd", "--------", ""},
    };
    QCOMPARE(QByteArray::fromStdString(serializeDictionary({-5, 20, 573, 502}, rules)),
             QByteArray("Tesvora Dictionary,-5,20,573,502,UTF8\r"
                        "(?:結び|むすび)\t結び$1\t*---**--\tメモ\r"
                        "\t\t\t\r"
                        "a\\rb\tc\nd\t--------\t\r"));
}

void TestDictionaryFormat::writerKeepsEachRuleOnItsLine()
{
    // Texts that came in with a raw CR or TAB are written in stored form.
    const std::vector<DictionaryRule> rules = {{"a\rb", "c\td", "--------", "\r"}};
    const std::string bytes = serializeDictionary({1, 2, 3, 4}, rules);
    QCOMPARE(QByteArray::fromStdString(bytes),
             QByteArray("Tesvora Dictionary,1,2,3,4,UTF8\ra\\rb\tc\\td\t--------\t\\r\r"));
    const EditorDictionary read = parseDictionary(bytes, Encodings::UTF8());
    QCOMPARE(read.rules.size(), size_t(1));
    QCOMPARE(read.rules[0], (DictionaryRule {"a\\rb", "c\\td", "--------", "\\r"}));
}

void TestDictionaryFormat::roundTrip()
{
    const DictionaryFrame frame{100, 100, 573, 502};
    const std::vector<DictionaryRule> rules = {
        {"(?:結び|むすび)", "結び$1", "*---**--", "メモ"},
        {"", "", "--------", ""},
        {"a\\rb", "c\nd", "*-*-", "x y,z"},
        {"Tesvora Dictionary,1,2,3,4,UTF8", "header-like", "--------", ""},
        // An LF right after the line end before it is no part of that end.
        {"\nbegins with LF", "\n\n", "--------", "ends with LF\n"},
        {"\n", "", "--------", ""},
    };
    const std::string bytes = serializeDictionary(frame, rules);
    EditorDictionary read = parseDictionary(bytes, Encodings::UTF8());
    QCOMPARE(read.frame, std::optional<DictionaryFrame>(frame));
    QCOMPARE(read.malformedLines, 0);
    // Read back as written, but for the four-position options, which the
    // reader completes.
    std::vector<DictionaryRule> expected = rules;
    expected[2].options = "*-*-----";
    QCOMPARE(shown(read.rules), shown(expected));
    // Written again with the same frame: the same bytes once completed.
    const std::string again = serializeDictionary(*read.frame, read.rules);
    QCOMPARE(parseDictionary(again, Encodings::UTF8()).rules, read.rules);
    QCOMPARE(serializeDictionary(*read.frame, parseDictionary(again, Encodings::UTF8()).rules), again);
}

void TestDictionaryFormat::emptyFileSavedAgain()
{
    EditorDictionary read = parseDictionary("", Encodings::UTF8());
    QVERIFY(read.rules.empty());
    QVERIFY(!read.frame);
    QCOMPARE(serializeDictionary({1, 2, 3, 4}, read.rules), std::string("Tesvora Dictionary,1,2,3,4,UTF8\r"));
}

QTEST_GUILESS_MAIN(TestDictionaryFormat)
#include "tst_dictionaryformat.moc"
