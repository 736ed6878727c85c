// The encoding detector: single detector scores, the sure signs and their
// order, the choice by score with its tie-breaks, and the 1000-byte window;
// and the encoding a whole text is finally read in, as a file of a pass and
// as a script's output.

#include "encoding/core/detectKanji.h"
#include "encoding/core/JudgedText.h"
#include "platform/core/Errors.h"

#include "support/EncodingNames.h"

#include <QRandomGenerator>
#include <QTest>

#include <string>
#include <string_view>

namespace tv {

// Reads single scores, which the detector keeps to itself.
struct DetectKanjiProbe {
    enum Detector { JIS, UNI, UTF8, UTF7, SJIS, EUC };
    static int score(Detector d, std::string_view s)
    {
        const detectKanji k;
        switch (d) {
        case JIS: return k.JudgeJIS(s, true);
        case UNI: return k.JudgeUNI(s, true);
        case UTF8: return k.JudgeUTF8(s, true);
        case UTF7: return k.JudgeUTF7(s, true);
        case SJIS: return k.JudgeSJIS(s, true);
        case EUC: return k.JudgeEUC(s, true);
        }
        return -1;
    }
};

} // namespace tv

using tv::DetectKanjiProbe;
using tv::TextEncoding;
using tv::TextEncodingRef;
namespace Encodings = tv::Encodings;

Q_DECLARE_METATYPE(DetectKanjiProbe::Detector)
Q_DECLARE_METATYPE(const TextEncoding*)

using namespace tv::test;

namespace {

constexpr int kSure = tv::detectKanji::sureSign;

std::string_view sv(const QByteArray& b)
{
    return {b.constData(), size_t(b.size())};
}

QByteArray hex(const char* h)
{
    return QByteArray::fromHex(h);
}

QByteArray ascii(int n)
{
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(char('a' + i % 26));
    return b;
}

// n bytes of ASCII with `insert` placed at position at.
QByteArray asciiWith(int n, int at, const QByteArray& insert)
{
    QByteArray b = ascii(n);
    b.replace(at, insert.size(), insert);
    return b;
}


} // namespace

class TestDetectKanji : public QObject {
    Q_OBJECT

private slots:
    void scores_data();
    void scores();
    void sureSigns_data();
    void sureSigns();
    void choice_data();
    void choice();
    void utf7Like_data();
    void utf7Like();
    void onlyTheWindowCounts_data();
    void onlyTheWindowCounts();
    void wholeText_data();
    void wholeText();
};

void TestDetectKanji::scores_data()
{
    QTest::addColumn<DetectKanjiProbe::Detector>("detector");
    QTest::addColumn<QByteArray>("sample");
    QTest::addColumn<int>("expected");
    using D = DetectKanjiProbe;

    for (D::Detector d : {D::JIS, D::UNI, D::UTF8, D::UTF7, D::SJIS, D::EUC})
        QTest::addRow("empty sample %d", int(d)) << d << QByteArray() << 0;

    // Escapes: both bytes after ESC are tested, and both must exist.
    QTest::newRow("JIS ESC $ B at 0") << D::JIS << hex("1b2442") << kSure;
    QTest::newRow("JIS ESC ( A") << D::JIS << QByteArray("\x1b(A") << 33;
    QTest::newRow("JIS ESC $ A") << D::JIS << QByteArray("\x1b$A") << 33;
    QTest::newRow("JIS ESC $ ( D") << D::JIS << QByteArray("\x1b$(D") << 37;
    QTest::newRow("JIS ESC second to last") << D::JIS << QByteArray("abc\x1b$") << 40;
    QTest::newRow("JIS ESC last") << D::JIS << QByteArray("abc\x1b") << 37;
    QTest::newRow("JIS bytes 0x80 and up weigh nothing") << D::JIS << hex("8182") << 0;
    QTest::newRow("JIS escape at 997 of 1000") << D::JIS << asciiWith(1000, 997, "\x1b$B") << kSure;
    QTest::newRow("JIS escape at 998 of 1000") << D::JIS << asciiWith(1000, 998, "\x1b$") << 49;

    // UTF-16: units of two bytes, three after 0xD8-0xDF; a zero never pairs.
    QTest::newRow("UNI little-endian mark") << D::UNI << hex("fffe4100") << kSure;
    QTest::newRow("UNI big-endian mark is no sign") << D::UNI << hex("feff3042") << 100;
    QTest::newRow("UNI zero at 0") << D::UNI << hex("0041") << kSure;
    QTest::newRow("UNI zero after a byte stands alone") << D::UNI << hex("4100") << kSure;
    QTest::newRow("UNI zero reached on the walk") << D::UNI << hex("41424300") << kSure;
    QTest::newRow("UNI mark inside a unit") << D::UNI << hex("41fffe") << 66;
    QTest::newRow("UNI zeros inside a three-byte unit") << D::UNI << hex("d800004142") << 100;
    QTest::newRow("UNI 0xD8 with one byte after") << D::UNI << hex("4142d841") << 50;

    // The UTF-7-like score.
    QTest::newRow("UTF7 abc") << D::UTF7 << QByteArray("abc") << 50;
    QTest::newRow("UTF7 +AGE-") << D::UTF7 << QByteArray("+AGE-") << 100;
    QTest::newRow("UTF7 a-b") << D::UTF7 << QByteArray("a-b") << 33;
    QTest::newRow("UTF7 unclosed run") << D::UTF7 << QByteArray("+abc") << 0;
    QTest::newRow("UTF7 plus restarts the run") << D::UTF7 << QByteArray("+ab+cd-") << 57;
    QTest::newRow("UTF7 space inside a run") << D::UTF7 << QByteArray("+a b-") << 80;
    QTest::newRow("UTF7 high bytes outside a run") << D::UTF7 << hex("8090a0ff") << 0;
    QTest::newRow("UTF7 lone minus after ASCII") << D::UTF7 << QByteArray("ab-") << 33;

    // Shift_JIS, EUC-JP and UTF-8 tables.
    for (D::Detector d : {D::UTF8, D::SJIS, D::EUC}) {
        for (const char* b : {"80", "a0", "ff"})
            QTest::addRow("byte %s alone in %d", b, int(d)) << d << hex(b) << 0;
        for (const char* b : {"41", "0d", "7f"})
            QTest::addRow("byte %s alone in %d", b, int(d)) << d << hex(b) << 50;
    }
    QTest::newRow("SJIS hiragana") << D::SJIS << hex("82a0") << 100;
    QTest::newRow("EUC on SJIS hiragana") << D::EUC << hex("82a0") << 0;
    QTest::newRow("UTF8 on SJIS hiragana") << D::UTF8 << hex("82a0") << 0;
    QTest::newRow("EUC hiragana") << D::EUC << hex("a4a2a4a4") << 100;
    QTest::newRow("SJIS on EUC hiragana") << D::SJIS << hex("a4a2a4a4") << 50;
    QTest::newRow("UTF8 on EUC hiragana") << D::UTF8 << hex("a4a2a4a4") << 0;
    QTest::newRow("EUC on three katakana bytes") << D::EUC << hex("b1b2b3") << 66;
    QTest::newRow("EUC on one katakana byte") << D::EUC << hex("b1") << 0;
    QTest::newRow("SJIS E0-EF lead") << D::SJIS << hex("e8a1") << 100;
    QTest::newRow("EUC E0-EF lead") << D::EUC << hex("e8a1") << 100;
    QTest::newRow("UTF8 on UTF-8 hiragana") << D::UTF8 << hex("e38182e38184") << 100;
    QTest::newRow("SJIS on UTF-8 hiragana") << D::SJIS << hex("e38182e38184") << 100;
    QTest::newRow("EUC on UTF-8 hiragana") << D::EUC << hex("e38182e38184") << 0;
    QTest::newRow("EUC single shift 2") << D::EUC << hex("8ea1") << 100;
    QTest::newRow("SJIS on single shift 2") << D::SJIS << hex("8ea1") << 100;
    QTest::newRow("EUC single shift 2 out of range") << D::EUC << hex("8ee0") << 0;
    QTest::newRow("EUC single shift 3 broken") << D::EUC << hex("8fa141") << 16;
    QTest::newRow("SJIS lead at the end") << D::SJIS << hex("4182") << 25;
    QTest::newRow("SJIS lead before 0x7F") << D::SJIS << hex("827f") << 25;
    QTest::newRow("EUC single shift 3 at the end") << D::EUC << hex("8fa1") << 0;
    QTest::newRow("UTF8 cut at the end") << D::UTF8 << hex("41e381") << 16;
    QTest::newRow("UTF8 C0 80") << D::UTF8 << hex("c080") << 100;
    QTest::newRow("UTF8 FE and five") << D::UTF8 << hex("fe8080808080") << 100;
    QTest::newRow("UTF8 FF and five") << D::UTF8 << hex("ffbfbfbfbfbf") << 100;
    QTest::newRow("UTF8 F8 and four") << D::UTF8 << hex("f880808080") << 100;
    QTest::newRow("UTF8 lead, short, continuation alone") << D::UTF8 << hex("e38141") << 16;
    QTest::newRow("UTF8 mark cut short") << D::UTF8 << hex("41efbb") << 16;

    // Positions 0 to 999 are visited; a sequence starting at 999 reads on.
    QByteArray sjisLong = "a" + hex("82a0").repeated(500); // 2001 points over 2000
    QTest::newRow("SJIS pair at 999-1000") << D::SJIS << sjisLong << 100;
    QByteArray eucLong = hex("8fa1a1").repeated(334); // 333 whole + one from 999: 2004 over 2000
    QTest::newRow("EUC triple from 999") << D::EUC << eucLong << 100;
    // 166 six-byte and one three-byte sequence fill 0-998; one more from 999:
    // 2010 points over 2000, 100.5, which the conversion truncates.
    QByteArray utf8Long = hex("fc8080808080").repeated(166) + hex("e38182") + hex("fc8080808080");
    QTest::newRow("UTF8 six bytes from 999") << D::UTF8 << utf8Long << 100;
    QTest::newRow("SJIS cut at 1000 by the sample") << D::SJIS << ascii(999) + hex("82") << 49;
}

void TestDetectKanji::scores()
{
    QFETCH(DetectKanjiProbe::Detector, detector);
    QFETCH(QByteArray, sample);
    QFETCH(int, expected);
    QCOMPARE(DetectKanjiProbe::score(detector, sv(sample)), expected);
}

void TestDetectKanji::sureSigns_data()
{
    QTest::addColumn<QByteArray>("sample");
    QTest::addColumn<const TextEncoding*>("expected");

    QTest::newRow("escape beats zero and UTF-8 mark") << hex("1b2442242200efbbbf") << jis();
    QTest::newRow("escape in plain ASCII") << QByteArray("abc\x1b(Jdef") << jis();
    QTest::newRow("escape at 999-1001 of 1002") << asciiWith(1002, 999, "\x1b$B") << jis();
    QTest::newRow("ESC $ ( D is no escape") << QByteArray("abc\x1b$(Ddef") << sjis();
    QTest::newRow("escape cut by the sample end") << QByteArray("abc\x1b$") << sjis();

    QTest::newRow("zero beats UTF-8 mark") << hex("efbbbf4100") << utf16(true, false);
    QTest::newRow("zero at 999") << asciiWith(1000, 999, QByteArray(1, '\0')) << utf16(false, false);
    QTest::newRow("zero at 1000 unseen") << asciiWith(1001, 1000, QByteArray(1, '\0')) << sjis();
    QTest::newRow("little-endian mark") << hex("fffe41004200") << utf16(false, true);
    QTest::newRow("big-endian mark with zeros") << hex("feff00410042") << utf16(true, true);
    QTest::newRow("big-endian mark without zeros is no sign") << hex("feff30423044") << sjis();
    QTest::newRow("big-endian by its zeros") << hex("004100420043") << utf16(true, false);
    QTest::newRow("little-endian by its zeros") << hex("410042004300") << utf16(false, false);
    QTest::newRow("little-endian Japanese by its zeros") << hex("42300a0044300a00") << utf16(false, false);
    QTest::newRow("little-endian mark after text") << hex("4142fffe4344") << utf16(false, false);

    QTest::newRow("UTF-8 mark at 0") << hex("efbbbf") << utf8();
    QTest::newRow("UTF-8 mark after 500 ASCII") << ascii(500) + hex("efbbbf") + ascii(100) << utf8();
    QTest::newRow("UTF-8 mark breaks a sequence") << hex("e381efbbbf") + "\x82\xa0" << utf8();
    QTest::newRow("UTF-8 mark from 999 of 1002") << asciiWith(1002, 999, hex("efbbbf")) << utf8();
    QTest::newRow("UTF-8 mark at 1000 unseen") << asciiWith(1003, 1000, hex("efbbbf")) << sjis();
}

void TestDetectKanji::sureSigns()
{
    QFETCH(QByteArray, sample);
    QFETCH(const TextEncoding*, expected);
    const QByteArray before = sample; // NOLINT(performance-unnecessary-copy-initialization): what the sample was
    const TextEncodingRef got = tv::detectKanji().JudgeCode(sv(sample));
    QVERIFY(got);
    QCOMPARE(got->name(), expected->name());
    QCOMPARE(got->hasByteOrderMark(), expected->hasByteOrderMark());
    QCOMPARE(got.get(), expected); // the shared objects themselves
    QCOMPARE(sample, before);
    // Where a sign was found the answer is sure; the rows without one fall
    // back on the scores.
    const tv::detectKanji::Judgement judged = tv::detectKanji().Judge(sv(sample));
    QCOMPARE(judged.encoding, got);
    QCOMPARE(judged.sure, expected != sjis());
}

void TestDetectKanji::choice_data()
{
    QTest::addColumn<QByteArray>("sample");
    QTest::addColumn<const TextEncoding*>("expected");

    QTest::newRow("empty") << QByteArray() << sjis();
    QTest::newRow("plain ASCII") << QByteArray("The quick brown fox\rjumps over\r") << sjis();
    QTest::newRow("ASCII with hyphens") << QByteArray("well-known e-mail") << sjis();
    QTest::newRow("Shift_JIS text") << hex("93fa967b8cea82cc95b68f91") << sjis();
    QTest::newRow("UTF-8 text") << QByteArray("日本語の文章です。") << utf8();
    QTest::newRow("UTF-8 beats Shift_JIS by a wide margin") << hex("e381820d") << utf8();
    QTest::newRow("EUC-JP text") << hex("c6fccbdcb8eca4cecab8bdf1") << euc();
    QTest::newRow("half-width katakana, even") << hex("b1b2b3b4") << euc();
    QTest::newRow("half-width katakana, one") << hex("b1") << sjis();

    // Ties and near ties.
    QTest::newRow("UTF-8 ties Shift_JIS") << hex("e38182e38184") << sjis();
    QTest::newRow("UTF-8 ties Shift_JIS at 60") << hex("a4a2e38182") << sjis();
    QTest::newRow("UTF-8 ties EUC-JP") << hex("c2a1c2a1") << sjis();
    QTest::newRow("EUC-JP ties Shift_JIS at 100") << hex("e0a1e0a1") << sjis();
    QTest::newRow("EUC-JP ties Shift_JIS at 61") << hex("82a00da4a20da4a20d") << sjis();
    // 62 over 61, 40 and 22.
    QTest::newRow("UTF-8 one point above")
        << hex("e381820d").repeated(4) + hex("c3a90d").repeated(5) + hex("82a00d").repeated(4) + ascii(11)
        << utf8();
    // 51 over 50 and 25.
    QTest::newRow("EUC-JP one point above")
        << hex("82a00d") + hex("a4a20d").repeated(2) + hex("8fa1a10d") + hex("800d").repeated(4) + ascii(5)
        << euc();
}

void TestDetectKanji::choice()
{
    QFETCH(QByteArray, sample);
    QFETCH(const TextEncoding*, expected);
    const tv::detectKanji::Judgement judged = tv::detectKanji().Judge(sv(sample));
    QVERIFY(judged.encoding);
    QCOMPARE(judged.encoding->name(), expected->name());
    QCOMPARE(judged.encoding.get(), expected);
    // Of the answers by score only UTF-7 is sure: it rests on a run.
    QCOMPARE(judged.sure, expected == utf7());
}

void TestDetectKanji::utf7Like_data()
{
    QTest::addColumn<QByteArray>("sample");
    QTest::addColumn<const TextEncoding*>("expected");

    // A run that forms a unit beyond ASCII.
    QTest::newRow("Japanese") << QByteArray("+ZeVnLIqe-") << utf7();
    QTest::newRow("ten letters, stray bits left") << QByteArray("+ZeVnLIqeZe-") << utf7();
    QTest::newRow("one such run among ASCII ones") << QByteArray("+AGE- +ZeV- +AGI-") << utf7();
    QTest::newRow("tilde after the run") << QByteArray("+ZeVn-~") << utf7();
    // Score above 50, but no run forms anything beyond ASCII.
    QTest::newRow("plus minus") << QByteArray("Tolerance +-5%") << sjis();
    QTest::newRow("plus minus in a sentence") << QByteArray("Voltage 5V +- 10%") << sjis();
    QTest::newRow("phone number") << QByteArray("+1-555-1234") << sjis();
    QTest::newRow("run of ASCII units") << QByteArray("+AGE-") << sjis();
    QTest::newRow("eight letters of ASCII units") << QByteArray("+AGEAYgBj-") << sjis();
    QTest::newRow("ten letters of NUL units") << QByteArray("+AAAAAAAAAA-") << sjis();
    QTest::newRow("letters after a space are no unit") << QByteArray("C++ is fun- really") << sjis();
    QTest::newRow("run open at the end of a whole text") << QByteArray("+AGEAYgBj-+ZeVnLIqe") << sjis();
    // A sample of 1000 bytes or more may be cut inside a run.
    const QByteArray cutRun = QByteArray("+AGEAYgBj-").repeated(99) + "+ZeVnLIqeZeVnLIqe-";
    QTest::newRow("run cut at the sample end") << cutRun.left(1000) << utf7();
    QTest::newRow("run cut inside a longer script output") << cutRun << utf7();
    // Truncation: 50.98 is not above 50, 51.02 is.
    QTest::newRow("just below the threshold") << ascii(250) + "+ZeV-" << sjis();
    QTest::newRow("just above the threshold") << ascii(240) + "+ZeV-" << utf7();
    // UTF-7 is 7-bit, so neither a tie with a Shift_JIS score above 50 (66
    // each here) nor a lead over it makes Shift_JIS bytes UTF-7.
    QTest::newRow("tie with Shift_JIS above 50") << hex("82a0") + "+AB-" << sjis();
    QTest::newRow("ahead of Shift_JIS bytes") << hex("82a0") + "+ZeVnLIqe-" << sjis();
}

void TestDetectKanji::utf7Like()
{
    choice();
}

void TestDetectKanji::onlyTheWindowCounts_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::newRow("ASCII") << ascii(1006);
    QTest::newRow("Shift_JIS") << hex("82a0").repeated(503);
    QTest::newRow("EUC-JP") << hex("a4a2").repeated(503);
    QTest::newRow("UTF-8") << QByteArray("日本語").repeated(112);
    QTest::newRow("UTF-7") << QByteArray("+AGEAYgBj-").repeated(101);
}

// Bytes from 1006 on (beyond the longest look-ahead from 999) never change
// the answer.
void TestDetectKanji::onlyTheWindowCounts()
{
    QFETCH(QByteArray, head);
    head.truncate(1006);
    const tv::detectKanji detector;
    const TextEncodingRef plain = detector.JudgeCode(sv(head));
    QRandomGenerator rng(1006);
    for (int round = 0; round < 20; ++round) {
        QByteArray tail(int(rng.bounded(1, 3000)), '\0');
        for (char& c : tail)
            c = char(rng.bounded(256));
        const QByteArray sample = head + tail;
        QCOMPARE(detector.JudgeCode(sv(sample))->name(), plain->name());
    }
}

Q_DECLARE_METATYPE(tv::TextEvidence)

void TestDetectKanji::wholeText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<const TextEncoding*>("detected"); // the detector's answer on the first 1000 bytes
    QTest::addColumn<const TextEncoding*>("file");     // what a pass reads a file in and writes it back in
    QTest::addColumn<const TextEncoding*>("script");   // what a script's output is read in
    const TextEncoding* fails = nullptr;               // nothing decodes the text
    auto enc = [](const TextEncoding* e, const char* utf8) { return QByteArray::fromStdString(e->encode(utf8)); };
    const QByteArray head = QByteArray("<html><head><title>Reference</title></head>\n").repeated(25);
    QVERIFY(head.size() > 1000);

    QTest::newRow("plus minus") << QByteArray("Tolerance +-5%\n") << sjis() << sjis() << sjis();
    QTest::newRow("plus minus in a sentence") << QByteArray("Voltage 5V +- 10%") << sjis() << sjis() << sjis();
    QTest::newRow("UTF-7 run") << QByteArray("+ZeVnLIqe-") << utf7() << utf7() << utf7();
    QTest::newRow("UTF-7 run, stray bits") << QByteArray("+ZeVnLIqeZe-") << utf7() << fails << fails;
    // The sample sees ASCII only; the rest is UTF-8 that Shift_JIS cannot
    // read, or reads into other characters (凛 E5 87 9B and と).
    QTest::newRow("UTF-8 after an ASCII head") << head + "日本語の説明です。\n" << sjis() << utf8() << utf8();
    QTest::newRow("UTF-8 after an ASCII head, Shift_JIS reads it") << head + "凛と" << sjis() << utf8() << utf8();
    QTest::newRow("Shift_JIS after an ASCII head") << head + enc(sjis(), "日本語の説明です。") << sjis() << sjis() << sjis();
    QTest::newRow("EUC-JP after an ASCII head") << head + enc(euc(), "凛と") << sjis() << sjis() << sjis();
    QTest::newRow("EUC-JP after an ASCII head, Shift_JIS fails") << head + enc(euc(), "日本語の説明です。")
                                                                 << sjis() << fails << fails;
    QTest::newRow("ASCII only") << head << sjis() << sjis() << sjis();
    // A big-endian mark is no sure sign, and Japanese alone has no zero byte.
    QTest::newRow("UTF-16BE with a mark, no ASCII") << enc(utf16(true, true), "日本語の説明です。")
                                                    << sjis() << utf16(true, true) << utf16(true, true);
    // The first bytes read as Shift_JIS: the guess stands for a file, while a
    // script's output, all of it seen, is UTF-8 where it is valid UTF-8.
    QTest::newRow("UTF-8 hiragana tying Shift_JIS") << QByteArray("あい") << sjis() << sjis() << utf8();
    QTest::newRow("UTF-8 mixing ASCII and kana") << QByteArray("ろ|my file.txt|2|0|0") << sjis() << sjis() << utf8();
    QTest::newRow("Shift_JIS") << enc(sjis(), "日本語の説明です。") << sjis() << sjis() << sjis();
    QTest::newRow("EUC-JP") << enc(euc(), "日本語の説明です。") << euc() << euc() << euc();
    QTest::newRow("Shift_JIS cut short") << enc(sjis(), "日本語") + "\x82" << sjis() << fails << fails;
    // Sure signs are never overruled.
    QTest::newRow("UTF-8 mark") << QByteArray("\xEF\xBB\xBF日本語") << utf8() << utf8() << utf8();
    QTest::newRow("ISO-2022-JP") << enc(jis(), "日本語") << jis() << jis() << jis();
    QTest::newRow("UTF-16LE with a mark") << enc(utf16(false, true), "日本語") << utf16(false, true)
                                          << utf16(false, true) << utf16(false, true);
    QTest::newRow("empty") << QByteArray() << sjis() << sjis() << sjis();
}

void TestDetectKanji::wholeText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(const TextEncoding*, detected);
    QFETCH(const TextEncoding*, file);
    QFETCH(const TextEncoding*, script);
    const tv::detectKanji detector;
    const std::string all = bytes.toStdString();
    const TextEncodingRef guess = detector.JudgeCode(all.substr(0, 1000));
    QCOMPARE(QString::fromStdString(guess->name()), QString::fromStdString(detected->name()));
    QCOMPARE(guess.get(), detected);
    for (auto [evidence, expected] : {std::pair{tv::TextEvidence::WhereGuessFails, file},
                                      std::pair{tv::TextEvidence::WhereNotSure, script}}) {
        const size_t sample = evidence == tv::TextEvidence::WhereGuessFails ? 1000 : std::string::npos;
        if (!expected) {
            QVERIFY_THROWS_EXCEPTION(tv::EncodingException, tv::decodeJudged(detector, all, sample, evidence));
            continue;
        }
        const tv::JudgedText judged = tv::decodeJudged(detector, all, sample, evidence);
        QCOMPARE(QString::fromStdString(judged.encoding->name()), QString::fromStdString(expected->name()));
        QCOMPARE(judged.encoding.get(), expected);
        QCOMPARE(QByteArray::fromStdString(judged.text), QByteArray::fromStdString(expected->decode(all)));
        // What is read is written back byte for byte.
        QCOMPARE(QByteArray::fromStdString(judged.encoding->encode(judged.text)), bytes);
    }
}

QTEST_GUILESS_MAIN(TestDetectKanji)
#include "tst_detectkanji.moc"
