// Running the script of a script rule: the values it is handed, what of its
// output counts and in which encoding, how it fails, and that the event loop
// goes on while it runs and a cancel ends it.

#include "encoding/core/TextEncoding.h"
#include "encoding/core/detectKanji.h"
#include "platform/core/Errors.h"
#include "platform/core/Thread.h"
#include "proofing/core/ScriptRule.h"
#include "support/Files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>
#include <functional>
#include <memory>
#include <optional>

using namespace tv;
using tv::test::readFile;
using tv::test::writeFile;

namespace {

struct Cancelled {};

class Worker : public Thread {
public:
    explicit Worker(std::function<void()> body) : body_(std::move(body)) {}
    void Event_Run() override { body_(); }

private:
    std::function<void()> body_;
};

// Runs the body on a worker and serves the event loop until it is done.
bool onWorker(std::function<void()> body)
{
    auto w = std::make_shared<Worker>(std::move(body));
    w->Run();
    QElapsedTimer guard;
    guard.start();
    while (!w->isFinished() && guard.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return w->isFinished();
}

// The most memory this process has held so far, in bytes.
long long peakResident()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<long long>(usage.ru_maxrss) * 1024;
}

bool alive(pid_t pid)
{
    return pid > 0 && ::kill(pid, 0) == 0;
}

} // namespace

class TestScript : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void valuesArriveAsTheyAre_data();
    void valuesArriveAsTheyAre();
    void standardOutputOnly();
    void output_data();
    void output();
    void failures_data();
    void failures();
    void eventLoopGoesOn();
    void cancelEndsTheScriptAndWhatItStarted();
    void outputBeyondTheLimit_data();
    void outputBeyondTheLimit();
    void outputAtTheLimit();
    void missingScripts_data();
    void missingScripts();
    void compiledScriptsGoToTheirRunner();

private:
    std::string script(const std::string& name, const std::string& body, bool executable = true);

    std::unique_ptr<QTemporaryDir> dir_;
    std::string root_;
    detectKanji detector_;
};

void TestScript::init()
{
    dir_ = std::make_unique<QTemporaryDir>(test::fixtureTemplate("tst_script"));
    root_ = dir_->path().toStdString();
}

void TestScript::cleanup()
{
    dir_.reset();
}

std::string TestScript::script(const std::string& name, const std::string& body, bool executable)
{
    std::string path = root_ + "/" + name;
    writeFile(path, "#!/bin/sh\n" + body);
    QFile::setPermissions(QString::fromStdString(path),
        executable ? QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                   : QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return path;
}

void TestScript::valuesArriveAsTheyAre_data()
{
    QTest::addColumn<QString>("matchText");
    QTest::addColumn<QString>("itemName");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("endLess");
    QTest::addColumn<int>("count");
    QTest::newRow("plain") << "abc" << "memo.txt" << 1 << 0 << 0;
    QTest::newRow("spaces") << "a b  c" << "my memo.txt" << 12 << 5 << 2;
    QTest::newRow("quotes") << "\"q\" 'x'" << "it's \"so\".txt" << 3 << 6 << 1;
    QTest::newRow("shell characters") << "$(touch pwned) `id` ; | & > *" << "$HOME" << 7 << 28 << 0;
    QTest::newRow("line ends and kana") << "行\r末\n" << "クリップボード" << 2 << 3 << 9;
    QTest::newRow("empty match") << "" << "x" << 4 << -1 << 0;
}

void TestScript::valuesArriveAsTheyAre()
{
    QFETCH(QString, matchText);
    QFETCH(QString, itemName);
    QFETCH(int, start);
    QFETCH(int, endLess);
    QFETCH(int, count);
    // Each argument between brackets, with the number of arguments first.
    const std::string path = script("args.sh", "printf '%s' \"$#\"; for a in \"$@\"; do printf '[%s]' \"$a\"; done\n");
    ScriptValues v{matchText.toStdString(), itemName.toStdString(), start, endLess, count};
    std::string out;
    QVERIFY(onWorker([&] { out = runScriptRule(FolderItem::fromPath(path), v, detector_, {}); }));
    const std::string expected = "5[" + v.matchText + "][" + v.itemName + "][" + std::to_string(start) + "][" +
                                 std::to_string(endLess) + "][" + std::to_string(count) + "]";
    QCOMPARE(QString::fromStdString(out), QString::fromStdString(expected));
    QVERIFY(!QFile::exists(QStringLiteral("pwned")));
}

void TestScript::standardOutputOnly()
{
    const std::string path = script("err.sh", "echo out; echo err >&2; echo more\n");
    std::string out;
    QVERIFY(onWorker([&] { out = runScriptFile(path, {}, {}); }));
    QCOMPARE(out, std::string("out\nmore\n"));
}

void TestScript::output_data()
{
    QTest::addColumn<QByteArray>("printed");
    QTest::addColumn<QString>("text");
    QTest::newRow("UTF-8") << QByteArray("置換後\n") << QStringLiteral("置換後\n");
    QTest::newRow("Shift_JIS") << QByteArray("\x92\x75\x8A\xB7\x8C\xE3") << QStringLiteral("置換後");
    QTest::newRow("EUC-JP") << QByteArray("\xC3\xD6\xB4\xB9\xB8\xE5\xA4\xC7\xA4\xB9") << QStringLiteral("置換後です");
    // The first bytes read as Shift_JIS too; all of it is valid UTF-8.
    QTest::newRow("UTF-8 mixing ASCII and kana") << QByteArray("ろ|my file.txt|2|0|0\n")
                                                  << QStringLiteral("ろ|my file.txt|2|0|0\n");
    QTest::newRow("UTF-16 with a big-endian mark") << QByteArray("\xFE\xFF\x7F\x6E\x63\xDB", 6)
                                                    << QStringLiteral("置換");
    QTest::newRow("nothing") << QByteArray() << QString();
    // A long output is detected over the whole of it, and taken whole.
    QTest::newRow("long UTF-8") << QByteArray("置換後です。\n").repeated(2000) << QStringLiteral("置換後です。\n").repeated(2000);
}

void TestScript::output()
{
    QFETCH(QByteArray, printed);
    QFETCH(QString, text);
    writeFile(root_ + "/printed", printed.toStdString());
    const std::string path = script("cat.sh", "cat \"$(dirname \"$0\")/printed\"\n");
    std::string out;
    QVERIFY(onWorker([&] { out = runScriptRule(FolderItem::fromPath(path), {"m", "n", 1, 0, 0}, detector_, {}); }));
    QCOMPARE(QString::fromStdString(out), text);
    if (text.toUtf8() == printed)
        QCOMPARE(QByteArray::fromStdString(out), printed); // byte for byte
}

void TestScript::failures_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("executable");
    QTest::addColumn<bool>("fails");
    QTest::addColumn<QByteArray>("output");
    QTest::newRow("status without output") << "exit 3\n" << true << true << QByteArray();
    QTest::newRow("status with output") << "echo x; exit 3\n" << true << false << QByteArray("x\n");
    QTest::newRow("error output only") << "echo oops >&2; exit 1\n" << true << true << QByteArray();
    QTest::newRow("success without output") << "exit 0\n" << true << false << QByteArray();
    QTest::newRow("killed by a signal") << "echo x; kill -9 $$\n" << true << true << QByteArray();
    QTest::newRow("not executable") << "echo x\n" << false << true << QByteArray();
}

void TestScript::failures()
{
    QFETCH(QString, body);
    QFETCH(bool, executable);
    QFETCH(bool, fails);
    QFETCH(QByteArray, output);
    const std::string path = script("s.sh", body.toStdString(), executable);
    bool failed = false;
    std::string out;
    QVERIFY(onWorker([&] {
        try {
            out = runScriptFile(path, {}, {});
        } catch (const ScriptFailure&) {
            failed = true;
        }
    }));
    QCOMPARE(failed, fails);
    if (!fails)
        QCOMPARE(QByteArray::fromStdString(out), output);
}

void TestScript::eventLoopGoesOn()
{
    // The script ends only once the main side has made the file, which it
    // can do only while the event loop runs.
    const std::string flag = root_ + "/go";
    const std::string path = script("wait.sh", "while [ ! -e \"$1\" ]; do sleep 0.01; done; echo done\n");
    QTimer::singleShot(0, this, [&] { writeFile(flag); });
    std::string out;
    QVERIFY(onWorker([&] { out = runScriptFile(path, {flag}, {}); }));
    QCOMPARE(out, std::string("done\n"));
}

void TestScript::cancelEndsTheScriptAndWhatItStarted()
{
    const std::string pids = root_ + "/pids";
    const std::string path = script("forever.sh", "sleep 100000 & echo $$ $! > \"$1\"; wait\n");
    bool cancelled = false;
    QVERIFY(onWorker([&] {
        try {
            runScriptFile(path, {pids}, [&] {
                if (!readFile(pids).empty())
                    throw Cancelled{};
            });
        } catch (const Cancelled&) {
            cancelled = true;
        }
    }));
    QVERIFY(cancelled);
    const QStringList ids = QString::fromStdString(readFile(pids)).split(QLatin1Char(' '));
    QCOMPARE(ids.size(), 2);
    const pid_t shell = ids[0].toInt(), child = ids[1].trimmed().toInt();
    QTRY_VERIFY_WITH_TIMEOUT(!alive(shell) && !alive(child), 20000);
}

void TestScript::outputBeyondTheLimit_data()
{
    QTest::addColumn<QString>("body");
    // Each writes its pid first, then prints far more than a replacement may
    // hold; the second never ends by itself, and prints through a child.
    QTest::newRow("100 MB") << "echo $$ > \"$1\"; head -c 100000000 /dev/zero | tr '\\0' a\n";
    QTest::newRow("without end") << "echo $$ > \"$1\"; exec yes 0123456789abcdef\n";
    QTest::newRow("without end, from a child") << "echo $$ > \"$1\"; (while :; do echo abcdefghijklmnop; done)\n";
}

void TestScript::outputBeyondTheLimit()
{
    QFETCH(QString, body);
    const std::string pidFile = root_ + "/pid";
    const std::string path = script("loud.sh", body.toStdString());
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(10);
    const long long before = peakResident();
    bool failed = false;
    QVERIFY(onWorker([&] {
        try {
            runScriptFile(path, {pidFile}, {});
        } catch (const ScriptFailure&) {
            failed = true;
        }
    }));
    ticker.stop();
    QVERIFY(failed);
    // The event loop went on, and the output was never held whole (the 100
    // MB one would be, 100 MB and more).
    QVERIFY(ticks > 0);
    const long long grown = peakResident() - before;
    QVERIFY2(grown < 3 * static_cast<long long>(kScriptOutputLimit), std::to_string(grown).c_str());
    const pid_t pid = QString::fromStdString(readFile(pidFile)).trimmed().toInt();
    QTRY_VERIFY_WITH_TIMEOUT(!alive(pid), 20000);
}

void TestScript::outputAtTheLimit()
{
    // Exactly the limit is still an output.
    const std::string path = script("full.sh", "head -c " + std::to_string(kScriptOutputLimit) + " /dev/zero | tr '\\0' b\n");
    std::string out;
    QVERIFY(onWorker([&] { out = runScriptFile(path, {}, {}); }));
    QCOMPARE(out.size(), kScriptOutputLimit);
    QCOMPARE(out.find_first_not_of('b'), std::string::npos);
}

void TestScript::missingScripts_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("found");
    QTest::newRow("present") << QByteArray("tool.sh") << true;
    QTest::newRow("present, other case") << QByteArray("TOOL.SH") << true;
    QTest::newRow("no such file") << QByteArray("none.sh") << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("dot") << QByteArray(".") << false;
    QTest::newRow("dot dot") << QByteArray("..") << false;
    QTest::newRow("a path") << QByteArray("../bin/sh") << false;
    QTest::newRow("an absolute path") << QByteArray("/bin/sh") << false;
    QTest::newRow("NUL") << QByteArray("tool.sh\0x", 9) << false;
}

void TestScript::missingScripts()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, found);
    QDir().mkpath(QString::fromStdString(root_ + "/Script"));
    writeFile(root_ + "/Script/tool.sh", "#!/bin/sh\n");
    const FolderItem folder = FolderItem::fromPath(root_ + "/Script");
    const FolderItem item = findScript(folder, std::string_view(name.constData(), size_t(name.size())));
    QCOMPARE(bool(item), found);
    if (found)
        QCOMPARE(item.Name(), std::string("tool.sh"));
    QVERIFY(!findScript(FolderItem(), "tool.sh"));
}

void TestScript::compiledScriptsGoToTheirRunner()
{
    const std::string marker = root_ + "/ran";
    const std::string path = script("compiled.scpt", "touch \"" + marker + "\"; echo x\n");
    if (!FolderItem::fromPath(path).setMacType("osas"))
        QSKIP("no extended attributes here");
    bool refused = false;
    QVERIFY(onWorker([&] {
        try {
            runScriptRule(FolderItem::fromPath(path), {"m", "n", 1, 0, 0}, detector_, {});
        } catch (const RuntimeException&) {
            refused = true;
        }
    }));
    QVERIFY(refused);
    QVERIFY(!QFile::exists(QString::fromStdString(marker)));
}

QTEST_MAIN(TestScript)
#include "tst_script.moc"
