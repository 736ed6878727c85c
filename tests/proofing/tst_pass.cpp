// Real passes on real files in a temporary folder, with the windows faked:
// encodings and line ends round trip, a file's bytes change only where a rule
// changed its text, fast and default mode agree where they
// must and differ where they may, the queue, missing dictionaries, failures,
// cancels, saving to every place and the clipboard.

#include "tst_pass_fake.h"

#include "encoding/core/TextEncoding.h"
#include "encoding/core/detectKanji.h"
#include "platform/core/Date.h"
#include "platform/core/FileCalls.h"
#include "platform/core/Text.h"
#include "proofing/core/PassOutput.h"
#include "support/TestServices.h"

#include "support/EncodingNames.h"
#include "support/Files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <mutex>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace tv;
using tv::test::FakePassView;

using tv::test::encodingNamed;

namespace {

struct Rule {
    std::string search, replace, options, comment;
};

std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

QByteArray q(const std::string& s)
{
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

// Every line end of a UTF-8 text as `end`.
std::string withLineEnds(std::string_view text, std::string_view end)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n')
            out += end;
        else
            out += text[i];
    }
    return out;
}

// A disk on which the flush of a file whose name holds `slow` takes its
// time, and the rename onto a name holding `failing` fails: the saves of a
// pass are still under way, or fail late, while it goes on.
// The path of the file an open descriptor stands for.
std::string pathOf(int fd)
{
    char path[4096] = {};
    const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path - 1);
    return n > 0 ? std::string(path, size_t(n)) : std::string();
}

class SlowDisk : public FileCalls {
public:
    std::string slow, failing;

    SlowDisk() { setFileCalls(this); }
    ~SlowDisk() override { setFileCalls(nullptr); }

    int fsync(int fd) override
    {
        if (!slow.empty() && pathOf(fd).find(slow) != std::string::npos)
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        return FileCalls::fsync(fd);
    }
    int rename(const char* from, const char* to) override
    {
        if (!failing.empty() && std::string(to).find(failing) != std::string::npos) {
            errno = EIO;
            return -1;
        }
        return FileCalls::rename(from, to);
    }
};

} // namespace

class TestPass : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void roundTrip_data();
    void roundTrip();
    void bytesKept_data();
    void bytesKept();
    void sameRuleEveryEncoding_data();
    void sameRuleEveryEncoding();
    void mixedLineEndsBecomeTheFirstForm();
    void folderOfMixedFiles();
    void modesAgree_data();
    void modesAgree();
    void matchPathSeesItsOwnEdits_data();
    void matchPathSeesItsOwnEdits();
    void matchPathMakesReplacementLineEndsCR();
    void fastModeSavesWhatARuleReached();
    void rulesShowStoredTextsAndCounts();
    void queueTakenFileByFile();
    void missingDictionary_data();
    void missingDictionary();
    void failureEndsThePass_data();
    void failureEndsThePass();
    void unconvertibleTextWritesNothing_data();
    void unconvertibleTextWritesNothing();
    void cancel_data();
    void cancel();
    void cancelOnlyWhereTested();
    void saving_data();
    void saving();
    void savingFailures_data();
    void savingFailures();
    void saveOverTheInputIsSafe();
    void failedWriteCountsNothing();
    void outputIsNoMoreReadableThanItsSource_data();
    void outputIsNoMoreReadableThanItsSource();
    void noRegularFileEndsThePass_data();
    void noRegularFileEndsThePass();
    void clipboard_data();
    void clipboard();
    void endStepsAlwaysRun();
    void lostWorkIsReported();
    void noticeThroughAPass();
    void anOutputQueuedAsAnInputIsReadAsWritten_data();
    void anOutputQueuedAsAnInputIsReadAsWritten();
    void outputsToOneFileKeepTheQueueOrder();
    void lateSaveFailureNamesItsFile();
    void questionsWaitForEarlierSaves();
    void everyOutputsFolderIsSyncedAfterItsRename();

private:
    void writeDictionary(const std::vector<Rule>& rules, const std::string& name = "test.dict");
    FolderItem input(const std::string& name, const std::string& bytes);
    std::string output(const std::string& name) const { return inDir_ + "/" + name; }
    std::shared_ptr<proof> run();

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<AppState> app_;
    std::unique_ptr<test::TestServices> services_;
    std::shared_ptr<FakePassView> view_;
    std::string appDir_, inDir_;
};

void TestPass::init()
{
    dir_ = std::make_unique<QTemporaryDir>(QStringLiteral(TV_BUILD_DIR "/tst_pass-XXXXXX"));
    QVERIFY(dir_->isValid());
    appDir_ = dir_->path().toStdString() + "/app";
    inDir_ = dir_->path().toStdString() + "/in";
    QDir().mkpath(QString::fromStdString(appDir_ + "/Dictionary"));
    QDir().mkpath(QString::fromStdString(appDir_ + "/Script"));
    QDir().mkpath(QString::fromStdString(inDir_));
    FolderItem::overrideApplicationFolder(appDir_);
    services_ = std::make_unique<test::TestServices>();
    app_ = std::make_unique<AppState>();
    registerAppState(app_.get());
    app_->setDefaultSettings();
    app_->prefAlarmType = "none";
    app_->prefDefaultDic = "test.dict";
    view_ = std::make_shared<FakePassView>(*app_);
}

void TestPass::cleanup()
{
    view_.reset();
    app_.reset();
    services_.reset();
    FolderItem::overrideApplicationFolder("");
    Date::setFixedClock(std::nullopt);
    dir_.reset();
}

void TestPass::writeDictionary(const std::vector<Rule>& rules, const std::string& name)
{
    std::string bytes = "Tesvora Dictionary,100,100,573,502,UTF8\r";
    for (const Rule& r : rules)
        bytes += r.search + "\t" + r.replace + "\t" + r.options + "\t" + r.comment + "\r";
    std::ofstream(appDir_ + "/Dictionary/" + name, std::ios::binary) << bytes;
}

FolderItem TestPass::input(const std::string& name, const std::string& bytes)
{
    const std::string path = inDir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    FolderItem item = FolderItem::fromPath(path);
    app_->dropItem.push_back(item);
    return item;
}

std::shared_ptr<proof> TestPass::run()
{
    auto pass = test::runPass(*app_, view_);
    [&] { QVERIFY(pass->isFinished()); }();
    return pass;
}

// ---------------------------------------------------------------------------

void TestPass::roundTrip_data()
{
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<QString>("lineEnd");
    for (const char* e : {"UTF-8", "Shift_JIS", "EUC-JP", "ISO-2022-JP", "UTF-16BE+BOM", "UTF-16LE+BOM"})
        for (const char* l : {"CR", "LF", "CRLF"})
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(e, l))) << e << l;
}

void TestPass::roundTrip()
{
    QFETCH(QString, encoding);
    QFETCH(QString, lineEnd);
    const std::string end = lineEnd == "CR" ? "\r" : lineEnd == "LF" ? "\n" : "\r\n";
    // 上 is 0x4E0A: in UTF-16 one of its bytes is LF.
    const std::string text = "上の設定でサーバを再起動します。\n"
                             "Debian のサーバは安定しています。\n"
                             "最後の行、改行なし";
    const std::string expected = "上の設定でサーバーを再起動します。\n"
                                 "Debian のサーバーは安定しています。\n"
                                 "最後の行、改行なし";
    const TextEncodingRef enc = encodingNamed(encoding.toStdString());
    input("memo.txt", enc->encode(withLineEnds(text, end)));
    writeDictionary({{"サーバ", "サーバー", "", ""}});
    for (bool fast : {false, true}) {
        app_->isFastProof = fast;
        if (app_->dropItem.empty())
            app_->dropItem.push_back(FolderItem::fromPath(inDir_ + "/memo.txt"));
        run();
        const std::string saved = readBytes(output("memo[fixed].txt"));
        const std::string want = enc->encode(withLineEnds(expected, end));
        if (encoding == "ISO-2022-JP")
            QCOMPARE(q(enc->decode(saved)), q(enc->decode(want)));
        else
            QCOMPARE(q(saved), q(want));
        QVERIFY(services_->messages.empty());
    }
}

void TestPass::bytesKept_data()
{
    QTest::addColumn<QString>("encoding"); // as the file is detected
    QTest::addColumn<QByteArray>("bytes"); // written between two lines of Japanese text

    const auto row = [](const char* name, const char* encoding, const QByteArray& bytes) {
        QTest::newRow(name) << encoding << bytes;
    };
    const auto hex = [](const char* h) { return QByteArray::fromHex(h); };
    for (const char* e : {"UTF-8", "Shift_JIS", "EUC-JP", "ISO-2022-JP", "UTF-7", "UTF-16BE+BOM", "UTF-16LE+BOM"})
        row(e, e, QByteArray());

    // Characters that CP932 holds at two or three codes come back as the
    // file wrote them; one written two ways comes back in its first form.
    row("SJIS NEC-selected IBM kanji", "Shift_JIS", hex("ed40ed41"));
    row("SJIS IBM kanji", "Shift_JIS", hex("fa5cfa5d"));
    row("SJIS NEC row 13 approximately", "Shift_JIS", hex("8790"));
    row("SJIS row 2 approximately", "Shift_JIS", hex("81e0"));
    row("SJIS IBM roman numeral", "Shift_JIS", hex("fa4a"));
    row("SJIS NEC roman numeral", "Shift_JIS", hex("8754"));
    row("SJIS NEC-selected small roman numeral", "Shift_JIS", hex("eeef"));
    row("SJIS because, row 2", "Shift_JIS", hex("81e6"));
    row("SJIS because, NEC row 13", "Shift_JIS", hex("879a"));
    row("SJIS because, IBM", "Shift_JIS", hex("fa5b"));
    row("SJIS not sign, row 2", "Shift_JIS", hex("81ca"));
    row("SJIS not sign, NEC-selected", "Shift_JIS", hex("eef9"));
    row("SJIS not sign, IBM", "Shift_JIS", hex("fa54"));
    row("SJIS broken bar, NEC-selected", "Shift_JIS", hex("eefa"));
    row("SJIS every character its first form", "Shift_JIS", hex("879a ed40 fa54 879a ed40 fa54"));

    // Windows characters in EUC-JP and ISO-2022-JP.
    row("EUC circled one", "EUC-JP", hex("ada1"));
    row("EUC parenthesised kabushiki", "EUC-JP", hex("adea"));
    row("EUC roman numeral one", "EUC-JP", hex("adb5"));
    row("EUC numero sign, NEC row 13", "EUC-JP", hex("ade2"));
    row("EUC numero sign, JIS X 0212", "EUC-JP", hex("8fa2f1"));
    row("EUC NEC row 13 approximately", "EUC-JP", hex("adf0"));
    row("EUC IBM small roman numeral", "EUC-JP", hex("8ff3f3"));
    row("EUC user-defined", "EUC-JP", hex("f5a1"));
    row("JIS circled one", "ISO-2022-JP", "\x1b$B-!\x1b(B");
    row("JIS Windows characters among kana", "ISO-2022-JP", "\x1b$B$\"-!-j-5y!$$\x1b(B");

    // UTF-7 writes directly what the file wrote directly.
    row("UTF-7 quotation mark", "UTF-7", "\"Z");
    row("UTF-7 optional characters", "UTF-7", "!#$%&*;<=>@[]^_`{|}");
}

// A rule that matches nothing leaves a file as it was, byte for byte, when
// fast mode writes it anyway; a rule that changes one word changes those
// bytes and no others.
void TestPass::bytesKept()
{
    QFETCH(QString, encoding);
    QFETCH(QByteArray, bytes);
    const TextEncodingRef enc = encodingNamed(encoding.toStdString());
    const TextEncoding& later = *Encodings::UTF16(enc->bigEndian(), false); // UTF-16 after its mark
    const TextEncoding& rest = enc->kind() == TextEncoding::Kind::UTF16 ? later : *enc;
    // The bytes stand alone, so that an ISO-2022-JP or UTF-7 piece starts
    // and ends as it is written; UTF-7 runs end in "-" for the detector.
    const QByteArray file = q(enc->encode("日本語の文章です。MARK\r\n")) + bytes +
                            q(rest.encode("\r\n次の行もあります。END\r\n"));
    QCOMPARE(QString::fromStdString(detectKanji().JudgeCode(file.left(1000).toStdString())->name()),
             QString::fromStdString(enc->name()));

    struct Pass {
        bool fast;
        Rule rule;
        QByteArray written;
    };
    QByteArray changed = file;
    changed.replace(q(rest.encode("MARK")), q(rest.encode("mark")));
    const Pass passes[] = {{true, {"該当しない語", "x", "", ""}, file}, {false, {"MARK", "mark", "----*---", ""}, changed}};
    for (const Pass& p : passes) {
        writeDictionary({p.rule});
        app_->isFastProof = p.fast;
        app_->dropItem.clear();
        input("memo.txt", file.toStdString());
        run();
        QVERIFY(services_->messages.empty());
        QCOMPARE(q(readBytes(output("memo[fixed].txt"))).toHex(' '), p.written.toHex(' '));
    }
}

void TestPass::sameRuleEveryEncoding_data()
{
    QTest::addColumn<QString>("search");
    for (const char* c : {"−", "‖", "〜", "¢", "£", "¬", "¦", "①", "纊"})
        QTest::newRow(c) << c;
}

// A rule finds its character in a file of any Japanese encoding, whichever
// code the file used for it.
void TestPass::sameRuleEveryEncoding()
{
    QFETCH(QString, search);
    writeDictionary({{search.toStdString(), "【置換】", "", ""}});
    const std::string text = "文章の中の" + search.toStdString() + "です。\r\n";
    for (const char* e : {"Shift_JIS", "EUC-JP", "ISO-2022-JP"}) {
        const TextEncodingRef enc = encodingNamed(e);
        app_->dropItem.clear();
        input("memo.txt", enc->encode(text));
        run();
        QVERIFY(services_->messages.empty());
        QCOMPARE(QString::fromStdString(enc->decode(readBytes(output("memo[fixed].txt")))),
                 QString::fromStdString("文章の中の【置換】です。\r\n"));
    }
}

void TestPass::mixedLineEndsBecomeTheFirstForm()
{
    input("mixed.txt", "one\r\ntwo\nthree\rfour");
    writeDictionary({{"o", "0", "", ""}});
    run();
    QCOMPARE(q(readBytes(output("mixed[fixed].txt"))), QByteArray("0ne\r\ntw0\r\nthree\r\nf0ur"));
}

void TestPass::folderOfMixedFiles()
{
    // Files as a folder holds them. Only the rules' matches may change bytes:
    // a UTF-8 file whose first 1000 bytes are ASCII (its 凛 and と read as
    // Shift_JIS too), UTF-16 with a big-endian mark and no ASCII, Shift_JIS,
    // and ASCII holding UTF-7's "+-".
    const std::string head = QByteArray("<html><head><title>Debian</title></head>\n").repeated(30).toStdString();
    struct File {
        std::string name;
        TextEncodingRef encoding;
        std::string text, expected;
    };
    const std::vector<File> files = {
        {"head.html", Encodings::UTF8(), head + "凛とサーバを設定します。\n", head + "凛とサーバーを設定します。\n"},
        {"readme.txt", Encodings::UTF8(), head + "日本語のサーバです。\n", head + "日本語のサーバーです。\n"},
        {"utf16.txt", Encodings::UTF16(true, true), "日本語のサーバ。", "日本語のサーバー。"},
        {"sjis.txt", Encodings::ShiftJIS(), "上のサーバを再起動します。\r\n", "上のサーバーを再起動します。\r\n"},
        {"plus.txt", Encodings::ShiftJIS(), "Tolerance +-5%\nVoltage 5V +- 10%\n", "Tolerance +/-5%\nVoltage 5V +/- 10%\n"},
    };
    writeDictionary({{"サーバ", "サーバー", "", ""}, {"+-", "+/-", "", ""}});
    for (bool fast : {false, true}) {
        app_->isFastProof = fast;
        for (const File& f : files)
            input(f.name, f.encoding->encode(f.text));
        auto pass = run();
        QVERIFY(services_->messages.empty());
        QCOMPARE(pass->filesDone(), int(files.size()));
        QCOMPARE(pass->savedCount(), int(files.size()));
        for (const File& f : files) {
            const std::string out = output(f.name.substr(0, f.name.find('.')) + "[fixed]" + f.name.substr(f.name.find('.')));
            QCOMPARE(q(readBytes(out)), q(f.encoding->encode(f.expected)));
            QFile::remove(QString::fromStdString(out));
        }
    }
}

// ---------------------------------------------------------------------------

void TestPass::modesAgree_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("replace");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain ignoring case") << "ABC" << "x" << "" << "abc ABC Abc aBd" << "x x x aBd";
    QTest::newRow("plain case-sensitive") << "ABC" << "x" << "----*---" << "abc ABC Abc" << "abc x Abc";
    QTest::newRow("plain Japanese") << "ください" << "下さい" << "--------" << "見てください。ください" << "見て下さい。下さい";
    QTest::newRow("plain escapes") << "a\\tb" << "x\\ry" << "" << "a\tb a\\tb" << "x\ry a\\tb";
    QTest::newRow("plain escaped backslash") << "\\\\t" << "T" << "" << "a\\tb a\tb" << "aTb a\tb";
    QTest::newRow("plain no overlap") << "aa" << "b" << "" << "aaaaa" << "bba";
    QTest::newRow("plain replacement not searched again") << "a" << "aa" << "" << "aaa" << "aaaaaa";
    QTest::newRow("plain full-width case") << "ＡＢＣ" << "x" << "" << "ａｂｃ ＡＢＣ" << "x x";
    QTest::newRow("plain options 6-8 change nothing") << "a.b" << "x" << "-----***" << "a.b axb" << "x axb";
    QTest::newRow("regex group") << "(\\d+)円" << "[$1]" << "*---*---" << "100円と20円" << "[100]と[20]";
    QTest::newRow("regex no dollar keeps backslash") << "(\\d+)円" << "[\\1]" << "*---*---" << "100円" << "[\\1]";
    QTest::newRow("regex ignoring case") << "abc" << "x" << "*-------" << "ABC abc" << "x x";
    QTest::newRow("regex case-sensitive") << "abc" << "x" << "*---*---" << "ABC abc" << "ABC x";
    QTest::newRow("regex lazy by default") << "a.+b" << "x" << "*---*---" << "a1b a2b" << "x x";
    QTest::newRow("regex greedy") << "a.+b" << "x" << "*---**--" << "a1b a2b" << "x";
    QTest::newRow("regex dot stops at line end") << "a.b" << "x" << "*---*---" << "a\rb a-b" << "a\rb x";
    QTest::newRow("regex dot matches line end") << "a.b" << "x" << "*---*-*-" << "a\rb a-b" << "x x";
    QTest::newRow("regex empty matches") << "x*" << "-" << "*---*--*" << "ab" << "-a-b-";
    QTest::newRow("regex empty after a match") << "a*" << "-" << "*---**-*" << "baac" << "-b--c-";
    QTest::newRow("regex empty lazy") << "a*?" << "-" << "*---*--*" << "ab" << "---b-";
    QTest::newRow("regex no empty without option 8") << "x*" << "-" << "*---**--" << "axxb" << "a-b";
    QTest::newRow("regex whole match") << "[0-9]+" << "<$&|$0>" << "*---**--" << "a12b3" << "a<12|12>b<3|3>";
    QTest::newRow("regex after match") << "b" << "[$']" << "*---*---" << "abcd" << "a[cd]cd";
    QTest::newRow("regex two-digit group") << "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)" << "$11$10$1" << "*---*---" << "abcdefghijk" << "kja";
    QTest::newRow("regex missing group is empty") << "(a)|(b)" << "[$2]" << "*---*---" << "ab" << "[][b]";
    QTest::newRow("regex stored escape reaches engine") << "a\\tb" << "x" << "*---*---" << "a\tb" << "x";
    QTest::newRow("regex replacement escape") << "a" << "x\\ry" << "*---*---" << "a" << "x\ry";
    QTest::newRow("regex look-ahead") << "(\\d+)(?=円)" << "<$1>" << "*---*---" << "100円 200ドル" << "<100>円 200ドル";
    QTest::newRow("regex look-behind on the text") << "(?<=円)(\\d+)" << "<$1>" << "*---**--" << "円100 ドル200" << "円<100> ドル200";
    QTest::newRow("regex word boundary") << "\\bcat\\b" << "dog" << "*---*---" << "cat concat cat." << "dog concat dog.";
    QTest::newRow("regex line start") << "^a" << "x" << "*---*---" << "ab\rab\nab" << "xb\rxb\nxb";
    QTest::newRow("regex case folding non-ASCII") << "ä" << "x" << "*-------" << "Ä ä" << "x x";
    QTest::newRow("regex lazy repeat") << "[ぁ-ん]+" << "(かな)" << "*---*---" << "漢字かな" << "漢字(かな)(かな)";
    QTest::newRow("regex greedy repeat") << "[ぁ-ん]+" << "(かな)" << "*---**--" << "漢字かな漢字かな" << "漢字(かな)漢字(かな)";
}

void TestPass::modesAgree()
{
    QFETCH(QString, search);
    QFETCH(QString, replace);
    QFETCH(QString, options);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    writeDictionary({{search.toStdString(), replace.toStdString(), options.toStdString(), ""}});
    for (bool fast : {true, false}) {
        app_->isFastProof = fast;
        services_->clipboard = text.toStdString();
        app_->isClip = true;
        run();
        QVERIFY(services_->messages.empty());
        QCOMPARE(QString::fromStdString(services_->clipboard.value_or("")), expected);
    }
}

void TestPass::matchPathSeesItsOwnEdits_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("replace");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("fast");
    QTest::addColumn<QString>("matchByMatch");

    // The match path searches the text as edited so far.
    QTest::newRow("look-behind next to inserted text") << "(?<!b)a" << "b" << "aaa" << "bbb" << "bab";
    QTest::newRow("look-behind sees an insertion") << "(?<=x)a" << "x" << "xaaa" << "xxaa" << "xxxx";
    QTest::newRow("word boundary after inserted text") << "\\ba" << "-" << "aa" << "-a" << "--";
    QTest::newRow("text before the match") << "b" << "[$`]" << "abab" << "a[a]a[aba]" << "a[a]a[a[a]a]";
    QTest::newRow("look-behind over several inserted characters")
        << "(?<=ぜ{5})a" << "ぜ" << "ぜぜぜぜぜaaaa" << "ぜぜぜぜぜぜaaa" << "ぜぜぜぜぜぜぜぜぜ";
}

void TestPass::matchPathSeesItsOwnEdits()
{
    QFETCH(QString, search);
    QFETCH(QString, replace);
    QFETCH(QString, text);
    QFETCH(QString, fast);
    QFETCH(QString, matchByMatch);
    writeDictionary({{search.toStdString(), replace.toStdString(), "*---*---", ""}});
    for (bool isFast : {true, false}) {
        app_->isFastProof = isFast;
        services_->clipboard = text.toStdString();
        app_->isClip = true;
        run();
        QVERIFY(services_->messages.empty());
        QCOMPARE(QString::fromStdString(services_->clipboard.value_or("")), isFast ? fast : matchByMatch);
    }
}

void TestPass::matchPathMakesReplacementLineEndsCR()
{
    // The clipboard keeps its own line ends; a replacement's become CR on the
    // match path only.
    writeDictionary({{"a(\\r\\n|\\n)b", "x$1y", "*---*---", ""}});
    for (bool fast : {true, false}) {
        app_->isFastProof = fast;
        services_->clipboard = "a\r\nb a\nb";
        app_->isClip = true;
        run();
        QCOMPARE(q(services_->clipboard.value_or("")), fast ? QByteArray("x\r\ny x\ny") : QByteArray("x\ry x\ry"));
    }
}

void TestPass::fastModeSavesWhatARuleReached()
{
    // Fast mode marks a text changed by every rule it applies, matching or not.
    input("a.txt", "nothing to change\n");
    writeDictionary({{"zzz", "y", "", ""}});
    app_->isFastProof = true;
    auto pass = run();
    QCOMPARE(pass->savedCount(), 1);
    QCOMPARE(q(readBytes(output("a[fixed].txt"))), QByteArray("nothing to change\n"));

    input("b.txt", "nothing to change\n");
    app_->isFastProof = false;
    pass = run();
    QCOMPARE(pass->savedCount(), 0);
    QCOMPARE(pass->filesDone(), 1);
    QVERIFY(!exists(output("b[fixed].txt")));
}

void TestPass::rulesShowStoredTextsAndCounts()
{
    writeDictionary({{"a", "aa", "", ""}, {"x\\ty", "p\\rq", "", ""}});
    services_->clipboard = "aaa";
    app_->isClip = true;
    auto pass = run();
    QCOMPARE(q(services_->clipboard.value_or("")), QByteArray("aaaaaa"));
    QCOMPARE(pass->passReplaceCount(), 3);
    // Labels as stored, escapes and all.
    QCOMPARE(view_->searchTexts, (std::vector<std::string>{"", "a", "x\\ty", ""}));
    QCOMPARE(view_->replaceTexts, (std::vector<std::string>{"", "aa", "p\\rq", ""}));
    QCOMPARE(view_->replaceCounts, (std::vector<std::string>{"0", "1", "2", "3", "0"}));
    QCOMPARE(view_->progressMaximum, 1); // the end steps fill the bar
    QCOMPARE(view_->progressValues, (std::vector<int>{0, 0, 0, 1, 1}));
    QCOMPARE(view_->titles, (std::vector<std::string>{"校正準備中...", "\"クリップボード\" を校正中...", "校正終了"}));

    app_->isFastProof = true;
    services_->clipboard = "aaa";
    app_->isClip = true;
    view_->replaceCounts.clear();
    pass = run();
    QCOMPARE(view_->replaceCounts, (std::vector<std::string>{"-", "-"}));
    QCOMPARE(pass->passReplaceCount(), 0);
}

void TestPass::queueTakenFileByFile()
{
    writeDictionary({{"x", "y", "", ""}});
    input("1.txt", "x1");
    input("2.txt", "x2");
    // A starter appends a file while the pass works on the first.
    bool appended = false;
    view_->onTitle = [&](const std::string& title) {
        if (!appended && title == "\"1.txt\" を校正中...") {
            appended = true;
            std::ofstream(inDir_ + "/3.txt", std::ios::binary) << "x3";
            app_->dropItem.push_back(FolderItem::fromPath(inDir_ + "/3.txt"));
        }
    };
    auto pass = run();
    QVERIFY(appended);
    QCOMPARE(pass->filesDone(), 3);
    QCOMPARE(pass->savedCount(), 3);
    QVERIFY(pass->manyFiles());
    QVERIFY(app_->dropItem.empty());
    for (const char* n : {"1", "2", "3"})
        QCOMPARE(q(readBytes(output(std::string(n) + "[fixed].txt"))), q("y" + std::string(n)));
    QCOMPARE(app_->resentFileList[0], "3.txt\t" + inDir_ + "/3.txt");
    QCOMPARE(app_->resentFileList[2], "1.txt\t" + inDir_ + "/1.txt");
    QVERIFY(app_->resentFileList[3].empty());
    QCOMPARE(view_->recentRefreshes, 3);
    QVERIFY(!app_->isWorking);
}

void TestPass::missingDictionary_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("notice");
    // No item can be formed for an empty name: the pass's own notice. A file
    // that does not exist fails like any other file.
    QTest::newRow("no name") << "" << true;
    QTest::newRow("no such file") << "gone.dict" << false;
}

void TestPass::missingDictionary()
{
    QFETCH(QString, name);
    QFETCH(bool, notice);
    writeDictionary({{"x", "y", "", ""}}, "b.dict");
    app_->dicChangeList = {name.toStdString(), "b.dict"};
    app_->prefAlarmType = "dialog";
    input("a.txt", "x");
    auto pass = run();
    QVERIFY(!exists(output("a[fixed].txt")));
    QVERIFY(app_->dropItem.empty());
    QCOMPARE(pass->filesDone(), 0);
    QCOMPARE(app_->dicChangeList, std::deque<std::string>{"b.dict"});
    QVERIFY(app_->resentFileList[0].empty());
    if (notice) {
        QCOMPARE(view_->notices.size(), size_t(2));
        QCOMPARE(view_->notices[0].message, "辞書が見つかりません。");
        QCOMPARE(view_->notices[0].summary.value_or("?"), "");
        QVERIFY(services_->messages.empty());
    } else {
        QCOMPARE(services_->messages, std::vector<std::string>{kPassFailureMessage});
        QCOMPARE(QString::fromStdString(services_->informativeTexts.at(0)),
                 QStringLiteral("辞書: gone.dict\nファイルを読み書きできません。"));
        QCOMPARE(view_->notices.size(), size_t(1));
    }
    QCOMPARE(view_->notices.back().message, "校正箇所はありませんでした。");
    QCOMPARE(view_->notices.back().summary.value_or(""), "0 ファイルを検索しました");
}

void TestPass::failureEndsThePass_data()
{
    QTest::addColumn<bool>("fast");
    QTest::addColumn<bool>("badPattern");
    QTest::newRow("bad pattern, default mode") << false << true;
    QTest::newRow("bad pattern, fast mode") << true << true;
    QTest::newRow("third of five files gone") << false << false;
}

void TestPass::failureEndsThePass()
{
    QFETCH(bool, fast);
    QFETCH(bool, badPattern);
    app_->isFastProof = fast;
    app_->prefAlarmType = "dialog";
    writeDictionary({{"x", "y", "", ""}}, "first.dict");
    if (badPattern)
        writeDictionary({{"z", "w", "", ""}, {"(\\t", "z", "*-------", ""}}, "second.dict");
    else
        writeDictionary({}, "second.dict");
    app_->dicChangeList = {"first.dict", "second.dict"};
    for (int i = 1; i <= 5; ++i)
        input(std::to_string(i) + ".txt", "x");
    if (!badPattern)
        QFile::remove(QString::fromStdString(inDir_ + "/3.txt"));
    auto pass = run();
    QCOMPARE(services_->messages, std::vector<std::string>{kPassFailureMessage});
    // The box says where: the file, and the rule with its dictionary and its
    // search text as stored.
    const std::string where = badPattern
        ? "ファイル: " + inDir_ + "/1.txt\n辞書: second.dict\n検索文字列: (\\t\n正規表現のエラーです。"
        : "ファイル: " + inDir_ + "/3.txt\nファイルを読み書きできません。";
    QCOMPARE(QString::fromStdString(services_->informativeTexts.at(0)), QString::fromStdString(where));
    const int done = badPattern ? 0 : 2;
    QCOMPARE(pass->filesDone(), done);
    for (int i = 1; i <= 5; ++i)
        QCOMPARE(exists(output(std::to_string(i) + "[fixed].txt")), i <= done);
    QVERIFY(app_->dropItem.empty());
    QVERIFY(!app_->isWorking);
    QCOMPARE(view_->notices.size(), size_t(1));
    QCOMPARE(view_->notices[0].message,
             done ? std::string("ファイルの校正を行いました。") : std::string("校正箇所はありませんでした。"));
}

void TestPass::unconvertibleTextWritesNothing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("replace");
    const std::string sjis = Encodings::ShiftJIS()->encode("日本語のテキストです。\n");
    QTest::newRow("replacement Shift_JIS cannot hold") << q(sjis) << "😀";
    QTest::newRow("input that does not decode") << q(sjis + "\x81") << "y";
    QTest::newRow("invalid UTF-8") << QByteArray("\xEF\xBB\xBF" "abc\xE3\x81" "def") << "y";
}

void TestPass::unconvertibleTextWritesNothing()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, replace);
    writeDictionary({{"。", replace.toStdString(), "", ""}, {"c", "y", "", ""}});
    input("a.txt", bytes.toStdString());
    for (bool fast : {false, true}) {
        app_->isFastProof = fast;
        if (app_->dropItem.empty())
            app_->dropItem.push_back(FolderItem::fromPath(inDir_ + "/a.txt"));
        services_->messages.clear();
        run();
        QCOMPARE(services_->messages, std::vector<std::string>{kPassFailureMessage});
        QVERIFY(!exists(output("a[fixed].txt")));
        QCOMPARE(QDir(QString::fromStdString(inDir_)).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
}

void TestPass::cancel_data()
{
    QTest::addColumn<bool>("byButton");
    QTest::newRow("cancel button") << true;
    QTest::newRow("cancel chord") << false;
}

void TestPass::cancel()
{
    QFETCH(bool, byButton);
    app_->prefAlarmType = "dialog";
    writeDictionary({{"x", "y", "", ""}});
    input("1.txt", "x");
    input("2.txt", "xxxxx");
    input("3.txt", "x");
    view_->onReplaceCount = [&](const std::string& count) {
        if (view_->titles.back() == "\"2.txt\" を校正中..." && count == "2") {
            if (byButton)
                app_->grepCancel = true;
            else
                view_->cancelChord = true;
        }
    };
    auto pass = run();
    QVERIFY(services_->messages.empty());
    QVERIFY(exists(output("1[fixed].txt")));
    QVERIFY(!exists(output("2[fixed].txt")));
    QVERIFY(!exists(output("3[fixed].txt")));
    QCOMPARE(pass->filesDone(), 1);
    QVERIFY(app_->dropItem.empty());
    QCOMPARE(view_->notices.back().summary.value_or(""), "1 ファイル中 1 ファイルの 3 ヶ所を校正");

    // The next pass starts afresh.
    view_->onReplaceCount = nullptr;
    input("2.txt", "xxxxx");
    pass = run();
    QVERIFY(exists(output("2[fixed].txt")));
}

void TestPass::cancelOnlyWhereTested()
{
    // Fast-path rules test no cancel: the pass runs to its end.
    writeDictionary({{"x", "y", "", ""}, {"y", "z", "", ""}});
    app_->isFastProof = true;
    input("1.txt", "x");
    view_->onTitle = [&](const std::string& t) {
        if (t.find("1.txt") != std::string::npos)
            app_->grepCancel = true;
    };
    run();
    QCOMPARE(q(readBytes(output("1[fixed].txt"))), QByteArray("z"));
}

void TestPass::saving_data()
{
    QTest::addColumn<QString>("saveType");
    QTest::addColumn<QString>("place");       // relative to the temporary folder
    QTest::addColumn<QString>("templ");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("expected");    // relative to the temporary folder

    QTest::newRow("beside the source") << "sameplace" << "" << "[fixed]" << "memo.txt" << "in/memo[fixed].txt";
    QTest::newRow("fixed folder") << "absolutepath" << "out" << "[fixed]" << "memo.txt" << "out/memo[fixed].txt";
    QTest::newRow("fixed folder with slash") << "absolutepath" << "out/" << "[fixed]" << "memo.txt" << "out/memo[fixed].txt";
    QTest::newRow("fixed folder with slashes") << "absolutepath" << "out//" << "[fixed]" << "memo.txt" << "out/memo[fixed].txt";
    QTest::newRow("save dialog") << "dialog" << "" << "[fixed]" << "memo.txt" << "out/chosen.txt";
    QTest::newRow("prefix and new extension") << "sameplace" << "" << "_ok\tnew_\thtml" << "memo.txt" << "in/new_memo_ok.html";
    QTest::newRow("name without extension") << "sameplace" << "" << "[fixed]" << "memo" << "in/memo[fixed]";
    QTest::newRow("two dots") << "sameplace" << "" << "[fixed]" << "a.b.txt" << "in/a.b.txt[fixed]";
    QTest::newRow("date tokens") << "sameplace" << "" << "_[年][00月][00日]-[hour][min]" << "memo.txt"
                                 << "in/memo_20260307-0905.txt";
}

void TestPass::saving()
{
    QFETCH(QString, saveType);
    QFETCH(QString, place);
    QFETCH(QString, templ);
    QFETCH(QString, source);
    QFETCH(QString, expected);
    const std::string root = dir_->path().toStdString() + "/";
    QDir().mkpath(QString::fromStdString(root + "out"));
    Date::setFixedClock(Date{2026, 3, 7, 9, 5, 30, 0});
    app_->prefSaveType = saveType.toStdString();
    app_->prefSavePlace = place.isEmpty() ? "" : root + place.toStdString();
    app_->prefExtension = templ.toStdString();
    app_->prefCreator = "ttxt";
    if (saveType == "dialog")
        services_->saveAnswers.push_back(FolderItem::fromPath(root + "out/chosen.txt"));
    writeDictionary({{"x", "y", "", ""}});
    FolderItem src = input(source.toStdString(), "x");
    src.setMacType("TEXT");
    auto pass = run();
    QCOMPARE(pass->savedCount(), 1);
    const std::string out = root + expected.toStdString();
    QCOMPARE(q(readBytes(out)), QByteArray("y"));
    QCOMPARE(q(readBytes(inDir_ + "/" + source.toStdString())), QByteArray("x"));
    // The path a file's output is looked up at ahead of its save is the one
    // saved to; a dialog's answer is not known ahead.
    const std::string ahead =
        expectedOutputPath(*app_, src, outputName(src.Name(), app_->makeFormatStr(app_->prefExtension)));
    QCOMPARE(ahead, saveType == "dialog" ? std::string() : out);
    FolderItem saved = FolderItem::fromPath(out);
    if (src.MacType() == "TEXT") { // the file system keeps codes
        QCOMPARE(saved.MacType(), std::string("TEXT"));
        QCOMPARE(saved.MacCreator(), std::string("ttxt"));
    }
    // Nothing but the output was written, no temporary file left.
    QCOMPARE(QDir(QString::fromStdString(root + "out")).entryList(QDir::Files | QDir::Hidden).size(),
             expected.startsWith("out/") ? 1 : 0);
    QCOMPARE(QDir(QString::fromStdString(inDir_)).entryList(QDir::Files | QDir::Hidden).size(),
             expected.startsWith("in/") ? 2 : 1);
}

void TestPass::savingFailures_data()
{
    QTest::addColumn<QString>("saveType");
    QTest::addColumn<QString>("place");
    QTest::addColumn<QString>("templ");

    QTest::newRow("dialog cancelled") << "dialog" << "" << "[fixed]";
    QTest::newRow("unknown keyword") << "elsewhere" << "" << "[fixed]";
    QTest::newRow("empty fixed folder") << "absolutepath" << "" << "[fixed]";
    QTest::newRow("relative fixed folder") << "absolutepath" << "relative/out" << "[fixed]";
    QTest::newRow("fixed folder that does not exist") << "absolutepath" << "/nonexistent-tesvora/" << "[fixed]";
    QTest::newRow("name holding a slash") << "sameplace" << "" << "\t../";
}

void TestPass::savingFailures()
{
    QFETCH(QString, saveType);
    QFETCH(QString, place);
    QFETCH(QString, templ);
    app_->prefSaveType = saveType.toStdString();
    app_->prefSavePlace = place.toStdString();
    app_->prefExtension = templ.toStdString();
    writeDictionary({{"x", "y", "", ""}});
    input("1.txt", "x");
    input("2.txt", "x");
    auto pass = run();
    // Both files are counted and the pass goes on after each notice.
    QCOMPARE(pass->savedCount(), 0);
    QCOMPARE(pass->filesDone(), 2);
    QCOMPARE(view_->notices.size(), size_t(2));
    for (const auto& n : view_->notices) {
        QCOMPARE(n.message, "ファイルの保存ができませんでした。");
        QCOMPARE(n.summary.value_or(""), "保存場所を確認して下さい。");
    }
    QVERIFY(services_->messages.empty());
    QCOMPARE(QDir(QString::fromStdString(inDir_)).entryList(QDir::Files | QDir::Hidden).size(), 2);
    QCOMPARE(QDir(QString::fromStdString(dir_->path().toStdString())).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 2);
}

void TestPass::saveOverTheInputIsSafe()
{
    // An empty template names the input itself: it is replaced through the
    // same temporary file and rename.
    app_->prefExtension = "";
    writeDictionary({{"x", "y", "", ""}});
    FolderItem src = input("same.txt", "xx\n");
    const bool codes = src.setMacType("TEXT") && src.setMacCreator("abcd");
    app_->prefCreator = "";
    auto pass = run();
    QCOMPARE(pass->savedCount(), 1);
    QCOMPARE(q(readBytes(inDir_ + "/same.txt")), QByteArray("yy\n"));
    QCOMPARE(QDir(QString::fromStdString(inDir_)).entryList(QDir::Files | QDir::Hidden).size(), 1);
    if (codes) {
        QCOMPARE(src.MacType(), std::string("TEXT"));
        QCOMPARE(src.MacCreator(), std::string("abcd"));
    }
}

void TestPass::failedWriteCountsNothing()
{
    // The output name is taken by a folder: the write fails, the pass ends
    // with its message, and nothing counts as saved.
    QDir().mkpath(QString::fromStdString(inDir_ + "/memo[fixed].txt"));
    app_->prefAlarmType = "dialog";
    writeDictionary({{"x", "y", "", ""}});
    input("memo.txt", "x");
    auto pass = run();
    QCOMPARE(services_->messages, std::vector<std::string>{kPassFailureMessage});
    QCOMPARE(pass->savedCount(), 0);
    QCOMPARE(view_->notices.back().message, "校正箇所はありませんでした。");
    QCOMPARE(QDir(QString::fromStdString(inDir_)).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void TestPass::outputIsNoMoreReadableThanItsSource_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("mode");
    QTest::newRow("private") << 0600 << 0600;
    QTest::newRow("group may read") << 0640 << 0640;
    QTest::newRow("everyone may read") << 0644 << 0644;
    QTest::newRow("within the umask") << 0666 << 0644;
}

void TestPass::outputIsNoMoreReadableThanItsSource()
{
    QFETCH(int, source);
    QFETCH(int, mode);
    writeDictionary({{"x", "y", "", ""}});
    FolderItem src = input("memo.txt", "x");
    ::chmod(src.path().c_str(), static_cast<mode_t>(source));
    const mode_t saved = ::umask(022);
    run();
    ::umask(saved);
    struct stat st;
    QCOMPARE(::stat(output("memo[fixed].txt").c_str(), &st), 0);
    QCOMPARE(int(st.st_mode & 07777), mode);
    QCOMPARE(q(readBytes(output("memo[fixed].txt"))), QByteArray("y"));
}

void TestPass::noRegularFileEndsThePass_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("link to /dev/zero") << "zero";
    QTest::newRow("pipe") << "pipe";
}

void TestPass::noRegularFileEndsThePass()
{
    // Queued as a path arrives from outside: the intake reads no device
    // without end and waits on no pipe; the pass ends with its message.
    QFETCH(QString, kind);
    tv::test::HangGuard guard;
    writeDictionary({{"x", "y", "", ""}});
    const std::string path = inDir_ + "/special.txt";
    if (kind == "zero")
        QVERIFY(::symlink("/dev/zero", path.c_str()) == 0);
    else
        QVERIFY(::mkfifo(path.c_str(), 0666) == 0);
    app_->dropItem.push_back(FolderItem::fromPath(path));
    input("after.txt", "x");
    auto pass = run();
    QCOMPARE(services_->messages, std::vector<std::string>{kPassFailureMessage});
    QCOMPARE(pass->filesDone(), 0);
    QVERIFY(app_->dropItem.empty());
    QVERIFY(!exists(output("special[fixed].txt")));
}

void TestPass::clipboard_data()
{
    QTest::addColumn<bool>("hasText");
    QTest::newRow("text on the clipboard") << true;
    QTest::newRow("no text on the clipboard") << false;
}

void TestPass::clipboard()
{
    QFETCH(bool, hasText);
    writeDictionary({{"x", "y", "", ""}});
    if (hasText)
        services_->clipboard = "xax";
    else
        services_->clipboard.reset();
    app_->isClip = true;
    input("queued.txt", "x"); // queued meanwhile: dropped, not saved
    app_->prefAlarmType = "dialog";
    auto pass = run();
    QCOMPARE(services_->clipboard.has_value(), hasText);
    if (hasText)
        QCOMPARE(*services_->clipboard, std::string("yay"));
    QVERIFY(!exists(output("queued[fixed].txt")));
    QVERIFY(app_->dropItem.empty());
    QVERIFY(!app_->isClip);
    QCOMPARE(pass->filesDone(), 0);
    QVERIFY(app_->resentFileList[0].empty());
    QCOMPARE(view_->notices.back().message,
             hasText ? std::string("クリップボードの校正を行いました。") : std::string("校正箇所はありませんでした。"));
}

void TestPass::endStepsAlwaysRun()
{
    // The notice fails: the queue is still emptied, clipboard mode and
    // App.isWorking cleared, the window closed and the menus refreshed.
    writeDictionary({{"x", "y", "", ""}});
    app_->prefAlarmType = "dialog";
    view_->failNotices = true;
    app_->isClip = true;
    services_->clipboard = "x";
    input("queued.txt", "x");
    run();
    QVERIFY(app_->dropItem.empty());
    QVERIFY(!app_->isClip);
    QVERIFY(!app_->isWorking);
    QVERIFY(!view_->windowOpen);
    QCOMPARE(view_->closeRefusals, 0);
    QCOMPARE(view_->menuRefreshes, 2);
    QCOMPARE(app_->prefGrepWinPos, std::string("100,80,351,338"));
    QCOMPARE(view_->titles.back(), std::string("校正終了"));
}

void TestPass::lostWorkIsReported()
{
    // Every save found no place: the end notice says the work is lost,
    // never that nothing was found.
    app_->prefSaveType = "dialog";
    app_->prefAlarmType = "dialog";
    writeDictionary({{"x", "y", "", ""}});
    input("1.txt", "x x");
    input("2.txt", "x");
    input("3.txt", "a");
    auto pass = run();
    QCOMPARE(pass->savedCount(), 0);
    QCOMPARE(pass->unsavedCount(), 2);
    QCOMPARE(view_->notices.size(), size_t(3));
    QCOMPARE(view_->notices[2].message, "校正したファイルを保存できませんでした。");
    QCOMPARE(view_->notices[2].summary.value_or(""), "3 ファイル中 2 ファイルは保存できませんでした（3 ヶ所の校正）");
}

void TestPass::noticeThroughAPass()
{
    // The result notice waits for the user; App.isWorking stays set meanwhile.
    writeDictionary({{"x", "y", "", ""}});
    app_->prefAlarmType = "dialog";
    view_->closeNoticesAtOnce = false;
    bool workingDuringNotice = false;
    view_->onNotice = [&](const FakePassView::Notice&) {
        workingDuringNotice = app_->isWorking;
        QTimer::singleShot(150, [this] { app_->notifyClose = true; });
    };
    input("1.txt", "x");
    input("2.txt", "a");
    auto pass = run();
    QVERIFY(workingDuringNotice);
    QVERIFY(!app_->isWorking);
    QCOMPARE(view_->notices.size(), size_t(1));
    QCOMPARE(view_->notices[0].message, "ファイルの校正を行いました。");
    QCOMPARE(view_->notices[0].summary.value_or(""), "2 ファイル中 1 ファイルの 1 ヶ所を校正");

    app_->prefAlarmType = "systembeep";
    view_->notices.clear();
    input("3.txt", "x");
    run();
    QCOMPARE(services_->beeps, 1);
    QVERIFY(view_->notices.empty());
}

void TestPass::anOutputQueuedAsAnInputIsReadAsWritten_data()
{
    QTest::addColumn<bool>("fileBetween");
    QTest::newRow("right after its source") << false;
    QTest::newRow("a file later") << true;
}

void TestPass::anOutputQueuedAsAnInputIsReadAsWritten()
{
    // A folder proofread again holds the last pass's output: it comes after
    // its source in the queue and is read as this pass has just written it,
    // however long its flush to the disk takes.
    QFETCH(bool, fileBetween);
    SlowDisk disk;
    disk.slow = "a[fixed].txt";
    app_->isFastProof = true; // every file read is saved
    writeDictionary({{"x", "y", "", ""}});
    input("a.txt", "xx");
    std::string title;
    bool waited = false;
    if (fileBetween) {
        input("b.txt", "x");
        // The first file's save ends while the one between is worked on.
        view_->onTitle = [&](const std::string& t) { title = t; };
        view_->onReplaceCount = [&](const std::string&) {
            if (!waited && title.find("b.txt") != std::string::npos) {
                waited = true;
                QTest::qSleep(300);
            }
        };
    }
    input("a[fixed].txt", "x");
    auto pass = run();
    QCOMPARE(waited, fileBetween);
    QCOMPARE(pass->savedCount(), fileBetween ? 3 : 2);
    QCOMPARE(q(readBytes(output("a[fixed].txt"))), QByteArray("yy"));
    QCOMPARE(q(readBytes(output("a[fixed][fixed].txt"))), QByteArray("yy"));
}

void TestPass::outputsToOneFileKeepTheQueueOrder()
{
    // Two sources of one name saved to one fixed folder: the one queued last
    // is the one the folder keeps, though the first one's flush is slow.
    SlowDisk disk;
    disk.slow = "memo[fixed].txt";
    const std::string root = dir_->path().toStdString();
    for (const char* sub : {"/out", "/in/one", "/in/two"})
        QDir().mkpath(QString::fromStdString(root + sub));
    app_->prefSaveType = "absolutepath";
    app_->prefSavePlace = root + "/out";
    writeDictionary({{"x", "y", "", ""}});
    input("one/memo.txt", "x1");
    input("two/memo.txt", "x2");
    auto pass = run();
    QCOMPARE(pass->savedCount(), 2);
    QCOMPARE(q(readBytes(root + "/out/memo[fixed].txt")), QByteArray("y2"));
    QCOMPARE(QDir(QString::fromStdString(root + "/out")).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void TestPass::lateSaveFailureNamesItsFile()
{
    // The second file's save fails after the pass has gone on: the failure
    // message names that file, not the one at hand, and every save counted is
    // a whole file on the disk.
    SlowDisk disk;
    disk.slow = disk.failing = "2[fixed].txt";
    app_->prefAlarmType = "dialog";
    writeDictionary({{"x", "y", "", ""}});
    for (int i = 1; i <= 4; ++i)
        input(std::to_string(i) + ".txt", "x");
    auto pass = run();
    QCOMPARE(services_->messages, std::vector<std::string>{kPassFailureMessage});
    QCOMPARE(QString::fromStdString(services_->informativeTexts.at(0)),
             QString::fromStdString("ファイル: " + inDir_ + "/2.txt\nファイルを読み書きできません。"));
    QCOMPARE(q(readBytes(output("1[fixed].txt"))), QByteArray("y"));
    QVERIFY(!exists(output("2[fixed].txt")));
    int written = 0;
    for (int i = 1; i <= 4; ++i) {
        const std::string out = output(std::to_string(i) + "[fixed].txt");
        if (exists(out)) {
            ++written;
            QCOMPARE(q(readBytes(out)), QByteArray("y"));
        }
    }
    QCOMPARE(pass->savedCount(), written);
    // No temporary file is left: the folder holds the inputs and the outputs.
    QCOMPARE(QDir(QString::fromStdString(inDir_)).entryList(QDir::Files | QDir::Hidden).size(), 4 + written);
    QVERIFY(app_->dropItem.empty());
    QVERIFY(!app_->isWorking);
}

void TestPass::questionsWaitForEarlierSaves()
{
    // The first file's save fails late; the second file's rule would ask the
    // user. The failure ends the pass before any question is shown, as it
    // would had the save ended before the second file was read.
    SlowDisk disk;
    disk.slow = disk.failing = "1[fixed].txt";
    app_->prefAlarmType = "dialog";
    writeDictionary({{"a", "b", "", ""}, {"x", "y", "*-*-----", ""}});
    input("1.txt", "a");
    input("2.txt", "x");
    run();
    QCOMPARE(services_->messages, std::vector<std::string>{kPassFailureMessage});
    QCOMPARE(QString::fromStdString(services_->informativeTexts.at(0)),
             QString::fromStdString("ファイル: " + inDir_ + "/1.txt\nファイルを読み書きできません。"));
    QVERIFY(view_->marks.empty());
    QVERIFY(!exists(output("2[fixed].txt")));
}

void TestPass::everyOutputsFolderIsSyncedAfterItsRename()
{
    // The outputs' names reach the disk before the pass reports them, though
    // outputs written together share their folder's sync.
    struct Journal : FileCalls {
        std::mutex mutex;
        std::vector<std::string> lines;
        Journal() { setFileCalls(this); }
        ~Journal() override { setFileCalls(nullptr); }
        void note(std::string line)
        {
            std::lock_guard<std::mutex> lock(mutex);
            lines.push_back(std::move(line));
        }
        int fsync(int fd) override
        {
            struct stat st;
            if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode))
                note("sync " + pathOf(fd));
            return FileCalls::fsync(fd);
        }
        int rename(const char* from, const char* to) override
        {
            const int done = FileCalls::rename(from, to);
            note(std::string("rename ") + to);
            return done;
        }
    } journal;
    app_->isFastProof = true;
    writeDictionary({{"x", "y", "", ""}});
    for (int i = 1; i <= 12; ++i)
        input(std::to_string(i) + ".txt", "x");
    std::vector<std::string> notices;
    view_->onNotice = [&](const FakePassView::Notice&) {
        std::lock_guard<std::mutex> lock(journal.mutex);
        notices = journal.lines;
    };
    app_->prefAlarmType = "dialog";
    auto pass = run();
    QCOMPARE(pass->savedCount(), 12);
    // As the result notice came up: each rename followed by a sync of its folder.
    QCOMPARE(std::count_if(notices.begin(), notices.end(),
                           [](const std::string& l) { return l.rfind("rename ", 0) == 0; }),
             std::ptrdiff_t(12));
    std::string lastSync;
    for (auto it = notices.rbegin(); it != notices.rend(); ++it) {
        if (it->rfind("sync ", 0) == 0 && lastSync.empty())
            lastSync = it->substr(5);
        if (it->rfind("rename ", 0) == 0) {
            QVERIFY2(!lastSync.empty(), it->c_str());
            QCOMPARE(it->substr(7, it->rfind('/') - 7), lastSync);
        }
    }
}

QTEST_GUILESS_MAIN(TestPass)
#include "tst_pass.moc"

