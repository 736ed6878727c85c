// The strict converters: what each encoding reads, the characters Shift_JIS
// shares with EUC-JP and ISO-2022-JP (the Windows ones too), what is refused
// both ways, that a text comes back unchanged, and that with the forms noted
// on reading its bytes come back unchanged too.

#include "encoding/core/TextEncoding.h"
#include "platform/core/Errors.h"
#include "platform/core/Text.h"

#include "support/EncodingNames.h"

#include <QRandomGenerator>
#include <QTest>

#include <string>
#include <string_view>

using tv::TextEncoding;
namespace Encodings = tv::Encodings;

Q_DECLARE_METATYPE(const TextEncoding*)

using namespace tv::test;

namespace {

std::string_view sv(const QByteArray& b)
{
    return {b.constData(), size_t(b.size())};
}

QByteArray ba(const std::string& s)
{
    return QByteArray(s.data(), qsizetype(s.size()));
}

QByteArray hex(const char* h)
{
    return QByteArray::fromHex(h);
}

QByteArray utf8Of(uint32_t cp)
{
    std::string s;
    tv::appendCodePoint(s, cp);
    return ba(s);
}


QString label(const TextEncoding* e)
{
    return QString::fromStdString(e->name()) + (e->hasByteOrderMark() ? "+mark" : "");
}

// Where CP932 names a character that EUC-JP and ISO-2022-JP name otherwise,
// Shift_JIS reads the JIS one.
uint32_t jisFormOf(uint32_t cp)
{
    switch (cp) {
    case 0xFF5E: return 0x301C;
    case 0x2225: return 0x2016;
    case 0xFF0D: return 0x2212;
    case 0xFFE0: return 0x00A2;
    case 0xFFE1: return 0x00A3;
    case 0xFFE2: return 0x00AC;
    case 0xFFE4: return 0x00A6;
    }
    return cp;
}

// A text with something of everything the Japanese encodings hold.
const QByteArray kJapanese = "日本語の文章、ＡＢＣと（全角）。〜‖−¢£¬―＼ ASCII \\ ~ +-!\r次の行\n";

} // namespace

class TestTextEncoding : public QObject {
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void sameCharacterEverywhere_data();
    void sameCharacterEverywhere();
    void undecodable_data();
    void undecodable();
    void unencodable_data();
    void unencodable();
    void roundTrip_data();
    void roundTrip();
    void formsKept_data();
    void formsKept();
    void formsInPieces();
    void everyCharacter_data();
    void everyCharacter();
    void shiftJisWholeTable();
    void eucJpWholeTable();
    void iso2022jpForms();
    void utf16Forms();
    void largeInputs();
    void textsInParts();
    void sharedObjects();
};

void TestTextEncoding::decode_data()
{
    QTest::addColumn<const TextEncoding*>("encoding");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("SJIS backslash and tilde") << sjis() << QByteArray("a\\b~c") << QByteArray("a\\b~c");
    QTest::newRow("SJIS hiragana") << sjis() << hex("82a082a2") << QByteArray("あい");
    QTest::newRow("SJIS half-width katakana") << sjis() << hex("b1dfa1") << QByteArray("ｱﾟ｡");
    QTest::newRow("SJIS NEC row 13") << sjis() << hex("8740") << QByteArray("①");
    QTest::newRow("SJIS IBM not sign") << sjis() << hex("fa54") << QByteArray("¬");
    QTest::newRow("SJIS IBM broken bar") << sjis() << hex("fa55") << QByteArray("¦");
    QTest::newRow("SJIS user-defined") << sjis() << hex("f040") << utf8Of(0xE000);
    QTest::newRow("SJIS empty") << sjis() << QByteArray() << QByteArray();

    QTest::newRow("EUC hiragana") << euc() << hex("a4a2") << QByteArray("あ");
    QTest::newRow("EUC half-width katakana") << euc() << hex("8eb1") << QByteArray("ｱ");
    QTest::newRow("EUC JIS X 0212") << euc() << hex("8fb0a9") << QByteArray("丨");
    QTest::newRow("EUC fullwidth tilde") << euc() << hex("8fa2b7") << QByteArray("～");
    QTest::newRow("EUC NEC row 13") << euc() << hex("41ada1ade2a4a2") << QByteArray("A①№あ");
    QTest::newRow("EUC IBM extension") << euc() << hex("8ff3f38ff4ab") << QByteArray("ⅰ㈱");
    QTest::newRow("EUC user-defined") << euc() << hex("f5a18ff5a1") << utf8Of(0xE000) + utf8Of(0xE3AC);

    QTest::newRow("JIS X 0208") << jis() << QByteArray("\x1b$B$\"$$\x1b(B") << QByteArray("あい");
    QTest::newRow("JIS 1978 set") << jis() << QByteArray("\x1b$@$\"\x1b(B") << QByteArray("あ");
    QTest::newRow("JIS Roman reads as ASCII") << jis() << QByteArray("\x1b(J\\~\x1b(B") << QByteArray("\\~");
    QTest::newRow("JIS katakana") << jis() << QByteArray("\x1b(I1_\x1b(B") << QByteArray("ｱﾟ");
    QTest::newRow("JIS X 0212, detector form") << jis() << QByteArray("\x1b$D0)\x1b(B") << QByteArray("丨");
    QTest::newRow("JIS X 0212, -2 form") << jis() << QByteArray("\x1b$(D0)\x1b(B") << QByteArray("丨");
    QTest::newRow("JIS line ends") << jis() << QByteArray("\x1b$B$\"\x1b(B\r\n") << QByteArray("あ\r\n");
    QTest::newRow("JIS NEC row 13") << jis() << QByteArray("\x1b$B$\"-!-j\x1b(B-!") << QByteArray("あ①㈱-!");
    QTest::newRow("JIS IBM extensions") << jis() << QByteArray("\x1b$By!|q\x1b(B") << QByteArray("纊ⅰ");
    QTest::newRow("JIS row 13 under the 1978 set") << jis() << QByteArray("\x1b$@-!\x1b(B") << QByteArray("①");
    QTest::newRow("JIS row 13 after the -2 sets") << jis() << QByteArray("\x1b$A\"Y\x1b$B-!\x1b(B")
                                                  << QByteArray("①①");

    QTest::newRow("UTF-16BE with mark") << utf16(true, true) << hex("feff30420041") << QByteArray("あA");
    QTest::newRow("UTF-16BE later line") << utf16(true, true) << hex("30420041") << QByteArray("あA");
    QTest::newRow("UTF-16LE with mark") << utf16(false, true) << hex("fffe42304100") << QByteArray("あA");
    QTest::newRow("UTF-16LE without mark") << utf16(false, false) << hex("42304100") << QByteArray("あA");
    QTest::newRow("UTF-16BE surrogate pair") << utf16(true, false) << hex("d83dde00") << QByteArray("😀");
    // Only a value that carries a mark drops one.
    QTest::newRow("UTF-16BE mark as text") << utf16(true, false) << hex("feff0041") << QByteArray("\uFEFFA");

    QTest::newRow("UTF-7 Japanese") << utf7() << QByteArray("+ZeVnLIqe-") << QByteArray("日本語");
    QTest::newRow("UTF-7 plus") << utf7() << QByteArray("a+-b") << QByteArray("a+b");
    QTest::newRow("UTF-7 run closed by the end") << utf7() << QByteArray("x+AGE") << QByteArray("xa");
    QTest::newRow("UTF-7 run closed by a space") << utf7() << QByteArray("+AGE x") << QByteArray("a x");
    QTest::newRow("UTF-7 minus after text") << utf7() << QByteArray("a-") << QByteArray("a-");

    QTest::newRow("UTF-8 as is") << utf8() << QByteArray("日本\r") << QByteArray("日本\r");
}

void TestTextEncoding::decode()
{
    QFETCH(const TextEncoding*, encoding);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, text);
    QCOMPARE(ba(encoding->decode(sv(bytes))), text);
}

void TestTextEncoding::sameCharacterEverywhere_data()
{
    QTest::addColumn<QByteArray>("shiftJis");
    QTest::addColumn<QByteArray>("eucJp");
    QTest::addColumn<QByteArray>("jis"); // the two bytes under ESC $ B

    QTest::newRow("wave dash") << hex("8160") << hex("a1c1") << QByteArray("!A");
    QTest::newRow("double vertical line") << hex("8161") << hex("a1c2") << QByteArray("!B");
    QTest::newRow("minus sign") << hex("817c") << hex("a1dd") << QByteArray("!]");
    QTest::newRow("cent sign") << hex("8191") << hex("a1f1") << QByteArray("!q");
    QTest::newRow("pound sign") << hex("8192") << hex("a1f2") << QByteArray("!r");
    QTest::newRow("not sign") << hex("81ca") << hex("a2cc") << QByteArray("\"L");
    QTest::newRow("fullwidth reverse solidus") << hex("815f") << hex("a1c0") << QByteArray("!@");
    QTest::newRow("horizontal bar") << hex("815c") << hex("a1bd") << QByteArray("!=");
    QTest::newRow("hiragana a") << hex("82a0") << hex("a4a2") << QByteArray("$\"");
    // The Windows characters, in NEC row 13 and in the IBM extensions.
    QTest::newRow("circled one") << hex("8740") << hex("ada1") << QByteArray("-!");
    QTest::newRow("roman numeral one") << hex("8754") << hex("adb5") << QByteArray("-5");
    QTest::newRow("parenthesised kabushiki") << hex("878a") << hex("adea") << QByteArray("-j");
    QTest::newRow("numero sign") << hex("8782") << hex("8fa2f1") << QByteArray("-b");
    QTest::newRow("small roman numeral one") << hex("fa40") << hex("8ff3f3") << QByteArray("|q");
    QTest::newRow("IBM kanji") << hex("fa5c") << hex("8fd4e3") << QByteArray("y!");
    QTest::newRow("IBM broken bar") << hex("fa55") << hex("8fa2c3") << QByteArray("||");
    QTest::newRow("fullwidth apostrophe") << hex("fa56") << hex("8ff4a9") << QByteArray("|}");
}

// One rule matches a text whatever its encoding, and each goes back to its
// own bytes.
void TestTextEncoding::sameCharacterEverywhere()
{
    QFETCH(QByteArray, shiftJis);
    QFETCH(QByteArray, eucJp);
    QFETCH(QByteArray, jis);
    const QByteArray jisBytes = "\x1b$B" + jis + "\x1b(B";
    const std::string fromSjis = sjis()->decode(sv(shiftJis));
    QCOMPARE(ba(euc()->decode(sv(eucJp))), ba(fromSjis));
    QCOMPARE(ba(::jis()->decode(sv(jisBytes))), ba(fromSjis));
    QCOMPARE(ba(sjis()->encode(fromSjis)), shiftJis);
    QCOMPARE(ba(euc()->encode(fromSjis)), eucJp);
    QCOMPARE(ba(::jis()->encode(fromSjis)), jisBytes);
}

void TestTextEncoding::undecodable_data()
{
    QTest::addColumn<const TextEncoding*>("encoding");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("SJIS lead at the end") << sjis() << hex("4181");
    QTest::newRow("SJIS bad trail") << sjis() << hex("8120");
    QTest::newRow("SJIS 0x80") << sjis() << hex("80");
    QTest::newRow("SJIS 0xA0") << sjis() << hex("a0");
    QTest::newRow("SJIS 0xFD") << sjis() << hex("fd");
    QTest::newRow("SJIS unassigned") << sjis() << hex("8540");

    QTest::newRow("EUC cut pair") << euc() << hex("41a4");
    QTest::newRow("EUC bad single shift 2") << euc() << hex("8ee0");
    QTest::newRow("EUC cut single shift 3") << euc() << hex("8fb0");
    QTest::newRow("EUC unassigned") << euc() << hex("a9a1");
    QTest::newRow("EUC 0xFF") << euc() << hex("ff");

    QTest::newRow("JIS unknown ESC ( A") << jis() << QByteArray("a\x1b(Ab");
    QTest::newRow("JIS unknown ESC $ ( B") << jis() << QByteArray("\x1b$(B$\"\x1b(B");
    QTest::newRow("JIS lone ESC at the end") << jis() << QByteArray("ab\x1b");
    QTest::newRow("JIS escape cut short") << jis() << QByteArray("ab\x1b$");
    QTest::newRow("JIS cut pair") << jis() << QByteArray("\x1b$B$");
    QTest::newRow("JIS bad second byte") << jis() << QByteArray("\x1b$B!\x7f");
    QTest::newRow("JIS eight-bit byte") << jis() << hex("41a4a2");

    QTest::newRow("UTF-16 odd length") << utf16(true, false) << hex("004100");
    QTest::newRow("UTF-16 lone high surrogate") << utf16(true, false) << hex("d8000041");
    QTest::newRow("UTF-16 lone low surrogate") << utf16(false, false) << hex("00dc4100");
    QTest::newRow("UTF-16 high surrogate at the end") << utf16(true, true) << hex("feffd83d");

    QTest::newRow("UTF-7 stray bits") << utf7() << QByteArray("+AAAAAAAAAA-");
    QTest::newRow("UTF-7 one letter") << utf7() << QByteArray("+1-555");
    QTest::newRow("UTF-7 stray bits at the end") << utf7() << QByteArray("a+AGEA");
    QTest::newRow("UTF-7 lone plus at the end") << utf7() << QByteArray("a+");
    QTest::newRow("UTF-7 tilde") << utf7() << QByteArray("a~b");
    QTest::newRow("UTF-7 eight-bit byte") << utf7() << hex("4180");

    QTest::newRow("UTF-8 overlong") << utf8() << hex("c080");
    QTest::newRow("UTF-8 surrogate") << utf8() << hex("eda080");
    QTest::newRow("UTF-8 cut") << utf8() << hex("41e381");
    QTest::newRow("UTF-8 beyond U+10FFFF") << utf8() << hex("f4908080");
}

void TestTextEncoding::undecodable()
{
    QFETCH(const TextEncoding*, encoding);
    QFETCH(QByteArray, bytes);
    QVERIFY_THROWS_EXCEPTION(tv::EncodingException, encoding->decode(sv(bytes)));
}

void TestTextEncoding::unencodable_data()
{
    QTest::addColumn<const TextEncoding*>("encoding");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("SJIS Hangul") << sjis() << QByteArray("a한");
    QTest::newRow("SJIS e acute") << sjis() << QByteArray("café");
    QTest::newRow("SJIS yen sign") << sjis() << QByteArray("¥100");
    QTest::newRow("SJIS overline") << sjis() << QByteArray("‾");
    QTest::newRow("SJIS em dash") << sjis() << QByteArray("a—b");
    QTest::newRow("SJIS language tag") << sjis() << utf8Of(0xE0041);
    QTest::newRow("SJIS emoji") << sjis() << QByteArray("😀");

    // The CP932 forms of the characters that EUC-JP-MS writes at JIS codes
    // would read back as the JIS characters.
    QTest::newRow("EUC parallel to") << euc() << QByteArray("∥");
    QTest::newRow("EUC fullwidth hyphen-minus") << euc() << QByteArray("－");
    QTest::newRow("EUC fullwidth not sign") << euc() << QByteArray("￢");
    QTest::newRow("EUC fullwidth broken bar") << euc() << QByteArray("￤");
    QTest::newRow("EUC yen sign") << euc() << QByteArray("¥");
    QTest::newRow("EUC overline") << euc() << QByteArray("‾");
    QTest::newRow("EUC language tag") << euc() << utf8Of(0xE007F);

    QTest::newRow("JIS raw ESC") << jis() << QByteArray("a\x1b(Bb");
    QTest::newRow("JIS yen sign") << jis() << QByteArray("¥");
    QTest::newRow("JIS overline") << jis() << QByteArray("‾");
    QTest::newRow("JIS language tag") << jis() << utf8Of(0xE0001);
    QTest::newRow("JIS emoji") << jis() << QByteArray("あ😀");
    QTest::newRow("JIS Thai") << jis() << QByteArray("ก");

    for (const TextEncoding* e : {sjis(), euc(), jis(), utf8(), utf7(), utf16(true, true), utf16(false, false)}) {
        QTest::addRow("%s not UTF-8", qPrintable(label(e))) << e << hex("41c080");
        QTest::addRow("%s cut UTF-8", qPrintable(label(e))) << e << hex("41e381");
    }
}

void TestTextEncoding::unencodable()
{
    QFETCH(const TextEncoding*, encoding);
    QFETCH(QByteArray, text);
    QVERIFY_THROWS_EXCEPTION(tv::EncodingException, encoding->encode(sv(text)));
}

void TestTextEncoding::roundTrip_data()
{
    QTest::addColumn<const TextEncoding*>("encoding");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("sameBytes"); // whether the bytes are written one way only

    const QByteArray halfWidth = "ｱｲｳｴｵﾞﾟ｡｢｣";
    const QByteArray supplementary = "丨é";
    const QByteArray unicode = "Ünïcödé 한국어 😀 ¥‾—\x1b\t";
    for (const TextEncoding* e : {sjis(), euc(), jis()}) {
        QTest::addRow("%s Japanese", qPrintable(label(e))) << e << kJapanese << (e != jis());
        QTest::addRow("%s half-width", qPrintable(label(e))) << e << halfWidth + "x" << (e != jis());
        QTest::addRow("%s empty", qPrintable(label(e))) << e << QByteArray() << true;
    }
    QTest::newRow("EUC JIS X 0212") << euc() << supplementary << true;
    QTest::newRow("JIS JIS X 0212") << jis() << supplementary << false;
    for (const TextEncoding* e : {utf16(true, false), utf16(true, true), utf16(false, false), utf16(false, true), utf8()}) {
        QTest::addRow("%s Japanese", qPrintable(label(e))) << e << kJapanese << true;
        QTest::addRow("%s beyond", qPrintable(label(e))) << e << unicode << true;
        QTest::addRow("%s empty", qPrintable(label(e))) << e << QByteArray() << true;
    }
    QTest::newRow("UTF-7 Japanese") << utf7() << kJapanese << false;
    QTest::newRow("UTF-7 beyond") << utf7() << unicode << false;
    QTest::newRow("UTF-7 plus and minus") << utf7() << QByteArray("a+b-c+-d\\e~") << false;
    QTest::newRow("UTF-7 run before a newline") << utf7() << QByteArray("日本\nx") << false;
}

// Text -> bytes -> text gives the text; bytes that this program wrote read
// back and are written again the same, byte for byte where the encoding has
// one way of writing a text.
void TestTextEncoding::roundTrip()
{
    QFETCH(const TextEncoding*, encoding);
    QFETCH(QByteArray, text);
    QFETCH(bool, sameBytes);
    const std::string bytes = encoding->encode(sv(text));
    const std::string back = encoding->decode(bytes);
    QCOMPARE(ba(back), text);
    const std::string again = encoding->encode(back);
    if (sameBytes)
        QCOMPARE(ba(again), ba(bytes));
    else
        QCOMPARE(ba(encoding->decode(again)), text);
}

// What a text reads back as, written again with the forms noted on reading.
std::string throughForms(const TextEncoding* encoding, std::string_view bytes)
{
    tv::TextForms forms;
    const std::string text = encoding->decode(bytes, &forms);
    encoding->noteForms(bytes, forms);
    return encoding->encode(text, &forms);
}

void TestTextEncoding::formsKept_data()
{
    QTest::addColumn<const TextEncoding*>("encoding");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("written"); // with the forms noted on reading

    // CP932 holds these characters at two or three codes; each comes back in
    // the form the text used first, whichever the converter writes.
    const auto same = [](const char* name, const TextEncoding* e, const QByteArray& b) {
        QTest::newRow(name) << e << b << b;
    };
    same("SJIS NEC-selected kanji", sjis(), hex("93fa ed40 93fa"));
    same("SJIS IBM kanji", sjis(), hex("93fa fa5c 93fa"));
    same("SJIS NEC row 13 approximately", sjis(), hex("8790"));
    same("SJIS row 2 approximately", sjis(), hex("81e0"));
    same("SJIS IBM roman numeral", sjis(), hex("fa4a"));
    same("SJIS NEC roman numeral", sjis(), hex("8754"));
    same("SJIS NEC-selected small roman numeral", sjis(), hex("eeef"));
    same("SJIS because, row 2", sjis(), hex("81e6"));
    same("SJIS because, NEC row 13", sjis(), hex("879a"));
    same("SJIS because, IBM", sjis(), hex("fa5b"));
    same("SJIS not sign, NEC-selected", sjis(), hex("eef9"));
    same("SJIS NEC-selected broken bar", sjis(), hex("eefa"));
    same("SJIS each character its own form", sjis(), hex("ed40 fa5d 8790 81e6 ed40 fa5d 8790 81e6"));
    // 0x87, 0xED, 0xEE and 0xFA as second bytes, before a first byte.
    same("SJIS candidate bytes as second bytes", sjis(), hex("88ed89ee8afa8287 8790 8181 8790"));
    same("SJIS plain JIS", sjis(), hex("93fa967b8cea 0d0a 41"));
    QTest::newRow("SJIS because, first of three") << sjis() << hex("879a 81e6 fa5b") << hex("879a 879a 879a");
    QTest::newRow("SJIS not sign, first of three") << sjis() << hex("fa54 81ca eef9") << hex("fa54 fa54 fa54");
    QTest::newRow("SJIS first form the converter's") << sjis() << hex("fa5c ed40") << hex("fa5c fa5c");

    same("EUC NEC row 13 approximately", euc(), hex("adf0"));
    same("EUC row 2 approximately", euc(), hex("a2e2"));
    same("EUC numero sign, NEC row 13", euc(), hex("ade2"));
    same("EUC numero sign, IBM", euc(), hex("8ff4ac"));
    same("EUC numero sign, JIS X 0212", euc(), hex("8fa2f1"));
    same("EUC IBM roman numeral", euc(), hex("8ff3fd"));
    same("EUC IBM kabushiki", euc(), hex("a4a2 8ff4ab a4a2"));
    QTest::newRow("EUC numero sign, first of three") << euc() << hex("ade2 8ff4ac 8fa2f1") << hex("ade2 ade2 ade2");

    // UTF-7 writes directly what the text wrote directly.
    same("UTF-7 quotation mark", utf7(), "\"Z");
    same("UTF-7 after a run", utf7(), "+ZeVnLIqe\"!");
    same("UTF-7 all optional characters", utf7(), "!\"#$%&*;<=>@[]^_`{|}");
    same("UTF-7 plus sign after one", utf7(), "\"+-\"");
    same("UTF-7 one direct, one encoded", utf7(), "\"+ACE-");

    same("JIS Windows characters", jis(), "\x1b$B$\"-!y!\x1b(B");
    same("UTF-8", utf8(), "\xe2\x91\xa0\"Z");
    same("UTF-16BE", utf16(true, true), hex("feff 2460 0022"));
}

void TestTextEncoding::formsKept()
{
    QFETCH(const TextEncoding*, encoding);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, written);
    QCOMPARE(ba(throughForms(encoding, sv(bytes))), written);
}

// A text read in pieces through one set of forms keeps the form it used
// first, in whichever piece, and a large one read in parts on several
// threads notes its forms all the same.
void TestTextEncoding::formsInPieces()
{
    const QByteArray filler = QByteArray("\x93\xfa\x96\x7b\r\n").repeated(1000);
    for (const auto& [first, later] : {std::pair(hex("81e6"), hex("879a")), std::pair(hex("879a"), hex("81e6"))}) {
        const QByteArray one = first + filler;
        const QByteArray two = filler + later;
        tv::TextForms forms;
        const std::string text = sjis()->decode(sv(one), &forms) + sjis()->decode(sv(two), &forms);
        sjis()->noteForms(sv(one + two), forms);
        QCOMPARE(ba(sjis()->encode(text, &forms)), first + filler + filler + first);
    }

    QByteArray big = QByteArray("\x93\xfa\x96\x7b\x8c\xea\r\n").repeated(1 << 20);
    big.insert(big.size() / 2 + 1, hex("ed40"));
    big.insert(big.size() * 3 / 4 + 1, hex("adf0")); // 0xAD 0xF0: two half-width katakana
    QCOMPARE(ba(throughForms(sjis(), sv(big))), big);
    QByteArray bigEuc = QByteArray("\xc6\xfc\xcb\xdc\r\n").repeated(1 << 20);
    bigEuc.insert(bigEuc.size() / 2 + 2, hex("adf0"));
    QCOMPARE(ba(throughForms(euc(), sv(bigEuc))), bigEuc);
}

void TestTextEncoding::everyCharacter_data()
{
    QTest::addColumn<const TextEncoding*>("encoding");
    for (const TextEncoding* e : {sjis(), euc(), jis(), utf7(), utf16(true, true), utf16(false, false)})
        QTest::addRow("%s", qPrintable(label(e))) << e;
}

// Every character is either refused or read back as itself (Shift_JIS: as
// the JIS form of the few that CP932 names otherwise); nothing is written as
// a look-alike or left out.
void TestTextEncoding::everyCharacter()
{
    QFETCH(const TextEncoding*, encoding);
    const bool allOfThem = encoding->kind() == TextEncoding::Kind::UTF16 || encoding->kind() == TextEncoding::Kind::UTF7;
    int written = 0;
    auto check = [&](uint32_t cp) {
        const QByteArray c = utf8Of(cp);
        std::string bytes;
        try {
            bytes = encoding->encode(sv(c));
        } catch (const tv::EncodingException&) {
            if (allOfThem)
                QFAIL(qPrintable(QString("U+%1 refused").arg(cp, 4, 16, QChar('0'))));
            return;
        }
        ++written;
        const uint32_t expected = encoding == sjis() ? jisFormOf(cp) : cp;
        if (ba(encoding->decode(bytes)) != utf8Of(expected))
            QFAIL(qPrintable(QString("U+%1 does not read back").arg(cp, 4, 16, QChar('0'))));
    };
    for (uint32_t cp = 0; cp < 0x10000; ++cp)
        if (cp < 0xD800 || cp > 0xDFFF)
            check(cp);
    for (uint32_t cp = 0xE0000; cp <= 0xE007F; ++cp)
        check(cp);
    for (uint32_t cp = 0x10000; cp <= 0x10FFFF; cp += 997)
        check(cp);
    QVERIFY(written > 7000); // the Japanese sets at least
}

// Every byte sequence of up to two bytes that reads as Shift_JIS is written
// back the same with the forms noted on reading; without them too, except
// where CP932 has one character at two codes: there the text read back is
// the same.
void TestTextEncoding::shiftJisWholeTable()
{
    auto isDuplicateArea = [](int code) {
        return (code >= 0x8790 && code <= 0x879C)     // NEC row 13 copies of row 2
               || (code >= 0xED40 && code <= 0xEEFC)  // NEC-selected IBM extensions
               || (code >= 0xFA40 && code <= 0xFA5B); // IBM copies of NEC symbols
    };
    int readable = 0, moved = 0;
    for (int code = 0; code <= 0xFFFF; ++code) {
        QByteArray bytes;
        if (code < 0x100)
            bytes.append(char(code));
        else if (code >> 8 < 0x81)
            continue;
        else
            bytes.append(char(code >> 8)).append(char(code & 0xFF));
        std::string text;
        try {
            text = sjis()->decode(sv(bytes));
        } catch (const tv::EncodingException&) {
            continue;
        }
        if (code >= 0x100 && tv::Len(text) != 1)
            continue; // a lead byte that reads alone, and the byte after it
        ++readable;
        if (ba(throughForms(sjis(), sv(bytes))) != bytes)
            QFAIL(qPrintable(QString("0x%1 not written back with its forms").arg(code, 4, 16)));
        const std::string back = sjis()->encode(text);
        if (ba(back) == bytes)
            continue;
        ++moved;
        if (!isDuplicateArea(code))
            QFAIL(qPrintable(QString("0x%1 written back as %2").arg(code, 4, 16).arg(QString(ba(back).toHex()))));
        QCOMPARE(ba(sjis()->decode(back)), ba(text));
    }
    QVERIFY(readable > 7000);
    QVERIFY(moved < 400);
}

// Every character of EUC-JP that reads is written back the same with the
// forms noted on reading; without them too, but for the Windows characters
// that have a JIS code or a code of NEC row 13 beside theirs.
void TestTextEncoding::eucJpWholeTable()
{
    int readable = 0, moved = 0;
    auto check = [&](const QByteArray& bytes) {
        std::string text;
        try {
            text = euc()->decode(sv(bytes));
        } catch (const tv::EncodingException&) {
            return;
        }
        ++readable;
        if (ba(throughForms(euc(), sv(bytes))) != bytes)
            QFAIL(qPrintable("not written back with its forms: " + bytes.toHex()));
        const QByteArray back = ba(euc()->encode(text));
        if (back == bytes)
            return;
        ++moved;
        const bool otherForm = bytes.startsWith("\xad") || bytes.startsWith("\x8f\xf3") || bytes.startsWith("\x8f\xf4");
        if (!otherForm || ba(euc()->decode(sv(back))) != ba(text))
            QFAIL(qPrintable("written back differently: " + bytes.toHex()));
    };
    for (int a = 0; a < 0x80; ++a)
        check(QByteArray(1, char(a)));
    for (int b = 0xA1; b <= 0xFE; ++b) {
        check(QByteArray("\x8e").append(char(b)));
        for (int c = 0xA1; c <= 0xFE; ++c) {
            check(QByteArray().append(char(b)).append(char(c)));
            check(QByteArray("\x8f").append(char(b)).append(char(c)));
        }
    }
    QVERIFY(readable > 12000);
    QVERIFY(moved < 40);
}

void TestTextEncoding::iso2022jpForms()
{
    // Plain ISO-2022-JP where the text allows.
    const std::string plain = jis()->encode("あいう ABC 漢字");
    QCOMPARE(ba(plain), QByteArray("\x1b$B$\"$$$&\x1b(B ABC \x1b$B4A;z\x1b(B"));
    // The -2 form for the rest; what it writes reads back.
    const std::string halfWidth = jis()->encode("ｱあ");
    QVERIFY(ba(halfWidth).contains("\x1b(I"));
    QCOMPARE(ba(jis()->decode(halfWidth)), QByteArray("ｱあ"));
    const std::string supplementary = jis()->encode("丂");
    QVERIFY(ba(supplementary).contains("\x1b$(D"));
    // What the detector calls ISO-2022-JP may use the older JIS X 0212 escape.
    QCOMPARE(ba(jis()->decode("\x1b$D0!\x1b(B")), ba(jis()->decode(supplementary)));
    // Windows characters in their Windows form, in a run of the two-byte set,
    // rather than in a Chinese or JIS X 0212 form.
    QCOMPARE(ba(jis()->encode("①")), QByteArray("\x1b$B-!\x1b(B"));
    QCOMPARE(ba(jis()->encode("あ①い丨")), QByteArray("\x1b$B$\"-!$$y-\x1b(B"));
    QCOMPARE(ba(jis()->encode("①\n②")), QByteArray("\x1b$B-!\x1b(B\n\x1b$B-\"\x1b(B"));
    // The -2 form only for what has none, with no escape that changes nothing.
    QCOMPARE(ba(jis()->encode("ｱｲ①ｳ")), QByteArray("\x1b(I12\x1b$B-!\x1b(I3\x1b(B"));
    const std::string mixed = jis()->encode("한①丂あ");
    QVERIFY(ba(mixed).contains("\x1b$(C"));
    QVERIFY(ba(mixed).contains("\x1b$B-!"));
    QCOMPARE(ba(jis()->decode(mixed)), QByteArray("한①丂あ"));
}

void TestTextEncoding::utf16Forms()
{
    QCOMPARE(ba(utf16(true, false)->encode("Aあ")), hex("00413042"));
    QCOMPARE(ba(utf16(true, true)->encode("Aあ")), hex("feff00413042"));
    QCOMPARE(ba(utf16(false, false)->encode("Aあ")), hex("41004230"));
    QCOMPARE(ba(utf16(false, true)->encode("Aあ")), hex("fffe41004230"));
    QCOMPARE(ba(utf16(false, true)->encode("")), hex("fffe"));
    QCOMPARE(ba(utf16(true, false)->encode("😀")), hex("d83dde00"));
}

// Texts of several megabytes go through in slices with the output grown as
// needed; characters cut by a slice end and the Shift_JIS fix-up across slice
// ends come out whole.
void TestTextEncoding::largeInputs()
{
    QByteArray sjisBytes, eucBytes, text;
    const int slice = 64 << 10;
    for (int round = 1; round <= 40; ++round) {
        // Slices of 64 KB, each taking up the lead byte that the one before
        // left: the pair here starts at its slice's last byte.
        const int pad = round * slice - round - int(sjisBytes.size());
        sjisBytes += QByteArray(pad, 'a') + hex("8191") + hex("8160") + hex("82a0");
        eucBytes += QByteArray(pad, 'a') + hex("a1f1") + hex("a1c1") + hex("a4a2");
        text += QByteArray(pad, 'a') + "¢〜あ";
    }
    QCOMPARE(ba(sjis()->decode(sv(sjisBytes))), text);
    QCOMPARE(ba(euc()->decode(sv(eucBytes))), text);
    QCOMPARE(ba(sjis()->encode(sv(text))), sjisBytes);
    QCOMPARE(ba(euc()->encode(sv(text))), eucBytes);

    // Half-width katakana: one byte of Shift_JIS, three of UTF-8.
    const QByteArray kana = hex("b1").repeated(3 << 20);
    const QByteArray kanaText = QByteArray("ｱ").repeated(3 << 20);
    QCOMPARE(ba(sjis()->decode(sv(kana))), kanaText);
    const QByteArray jisKana = "\x1b(I" + QByteArray("1").repeated(3 << 20) + "\x1b(B";
    QCOMPARE(ba(jis()->decode(sv(jisKana))), kanaText);
    QCOMPARE(ba(jis()->decode(jis()->encode(sv(kanaText)))), kanaText);

    QVERIFY_THROWS_EXCEPTION(tv::EncodingException, sjis()->decode(sv(sjisBytes + hex("81"))));
}

// Texts of several megabytes are converted in parts on several threads: the
// result is the same as for the whole, wherever the parts are cut.
void TestTextEncoding::textsInParts()
{
    struct Piece {
        const char* shiftJis;
        const char* eucJp;
        const char* text;
    };
    const Piece pieces[] = {
        {"8160", "a1c1", "〜"}, {"8191", "a1f1", "¢"}, {"82a0", "a4a2", "あ"}, {"93fa967b", "c6fccbdc", "日本"},
        {"20", "20", " "},     {"0a", "0a", "\n"},   {"41", "41", "A"},
    };
    QByteArray sjisBytes, eucBytes, text;
    QRandomGenerator rng(4);
    while (sjisBytes.size() < (6 << 20)) {
        const Piece& p = pieces[rng.bounded(int(std::size(pieces)))];
        sjisBytes += hex(p.shiftJis);
        eucBytes += hex(p.eucJp);
        text += p.text;
    }
    QCOMPARE(ba(sjis()->decode(sv(sjisBytes))), text);
    QCOMPARE(ba(euc()->decode(sv(eucBytes))), text);

    // A bad byte far into the text is reported where it stands.
    const qsizetype at = sjisBytes.indexOf(' ', 5 << 20);
    QByteArray bad = sjisBytes;
    bad[at] = char(0x80);
    try {
        (void)sjis()->decode(sv(bad));
        QFAIL("decoded");
    } catch (const tv::EncodingException& e) {
        QVERIFY2(QByteArray(e.what()).contains("offset " + QByteArray::number(at) + " "), e.what());
    }

    // Without a byte to cut after (all of them 0x80 or above), and with
    // katakana that outgrow the room of a part, the text goes through whole.
    QCOMPARE(ba(sjis()->decode(sv(hex("82a0").repeated(3 << 20)))), QByteArray("あ").repeated(3 << 20));
    const QByteArray kana = (hex("b1").repeated(999) + " ").repeated(6000);
    QCOMPARE(ba(euc()->decode(sv(hex("a4a2").repeated(3 << 20)))), QByteArray("あ").repeated(3 << 20));
    const QByteArray kanaText = (QByteArray("ｱ").repeated(999) + " ").repeated(6000);
    QCOMPARE(ba(sjis()->decode(sv(kana))), kanaText);
}

void TestTextEncoding::sharedObjects()
{
    QCOMPARE(Encodings::UTF8().get(), Encodings::UTF8().get());
    QCOMPARE(Encodings::UTF8()->kind(), TextEncoding::Kind::UTF8);
    for (bool bigEndian : {false, true}) {
        for (bool mark : {false, true}) {
            const auto& e = Encodings::UTF16(bigEndian, mark);
            QCOMPARE(e.get(), Encodings::UTF16(bigEndian, mark).get());
            QCOMPARE(e->kind(), TextEncoding::Kind::UTF16);
            QCOMPARE(e->bigEndian(), bigEndian);
            QCOMPARE(e->hasByteOrderMark(), mark);
        }
    }
    QCOMPARE(sjis()->name(), std::string("Shift_JIS"));
    QCOMPARE(utf16(false, true)->name(), std::string("UTF-16LE"));
}

QTEST_GUILESS_MAIN(TestTextEncoding)
#include "tst_textencoding.moc"
