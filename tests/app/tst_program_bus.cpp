// The real program on a session bus of its own, flooded with calls of every
// method with odd arguments while a pass runs: every call is answered,
// nothing outside the folder "Dictionary" is read as a dictionary, nothing
// outside "Script" is run as a script, and the pass ends with the output it
// would have had without the flood.

#include "support/Files.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <vector>

using tv::test::folderEntries;
using tv::test::readFile;
using tv::test::writeFile;

namespace {

const QString kService = QStringLiteral("org.tesvora.Tesvora");
const QString kPath = QStringLiteral("/org/tesvora/Tesvora");
const QString kInterface = QStringLiteral("org.tesvora.Tesvora");

bool within(const std::function<bool()>& condition, int ms = 30000)
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > ms)
            return false;
        QTest::qWait(50);
    }
    return true;
}

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

void makeExecutable(const std::string& path)
{
    QFile::setPermissions(QString::fromStdString(path),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace

class tst_program_bus : public QObject {
    Q_OBJECT

private slots:
    void floodWhileAPassRuns();
};

void tst_program_bus::floodWhileAPassRuns()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        QSKIP("no session bus");
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/tv-bus-XXXXXX"));
    QVERIFY(dir.isValid());
    const std::string root = dir.path().toStdString();
    for (const char* sub : {"app/Dictionary", "app/Script", "config", "in/sub"})
        QVERIFY(QDir().mkpath(QString::fromStdString(root + "/" + sub)));
    QVERIFY(QFile::copy(QStringLiteral(TV_PROGRAM), QString::fromStdString(root + "/app/tesvora")));

    // The dictionary of the pass, with a script rule whose script lies in
    // "Script"; beside them, dictionaries and a script that must never be
    // used, whose rules would leave their mark in the output.
    writeFile(root + "/app/Dictionary/技術.dict",
        "Tesvora Dictionary,10,10,400,300,UTF8\r出来る\tできる\t--------\t\r限り\ttool.sh\t---*----\t\r");
    const std::string evil = "Tesvora Dictionary,10,10,400,300,UTF8\r出来る\tEVIL\t--------\t\r";
    writeFile(root + "/app/evil.dict", evil);
    writeFile(root + "/evil.dict", evil);
    writeFile(root + "/app/Script/tool.sh", "#!/bin/sh\necho ran >> \"" + root + "/tool-ran\"\nprintf '<%s>' \"$1\"\n");
    makeExecutable(root + "/app/Script/tool.sh");
    writeFile(root + "/app/evil.sh", "#!/bin/sh\ntouch \"" + root + "/evil-ran\"\necho EVIL\n");
    makeExecutable(root + "/app/evil.sh");
    writeFile(root + "/app/tool.sh", "#!/bin/sh\ntouch \"" + root + "/evil-ran\"\necho EVIL\n");
    makeExecutable(root + "/app/tool.sh");
    std::string big;
    while (big.size() < 16'000'000)
        big += "明日は出来る。長い行を書いておく。\n";
    writeFile(root + "/in/big.txt", big);
    writeFile(root + "/in/sub/note.txt", "出来る限り\n");

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(root + "/config"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(QString::fromStdString(root + "/in/sub"));
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QString::fromStdString(root + "/app/tesvora"), {});
    QVERIFY(program.waitForStarted(10000));
    QVERIFY(within([&] { return bus.interface()->isServiceRegistered(kService).value(); }));
    QDBusInterface tesvora(kService, kPath, kInterface, bus);
    tesvora.setTimeout(60000);

    const QString in = QString::fromStdString(root + "/in");
    QDBusReply<bool> started = tesvora.call(QStringLiteral("HandleEvent"), QStringLiteral("Tv9x"),
        QStringLiteral("prof"), QStringLiteral("技術.dict"), in);
    QVERIFY(started.isValid() && started.value());

    // Names a careless handler would follow out of its folder, names that
    // are no paths at all, and text D-Bus carries that a file name rarely
    // holds. D-Bus strings are UTF-8 by the protocol, so bytes that are not
    // come as the nearest it allows: a replacement character, noncharacters,
    // a lone surrogate (sent as U+FFFD), controls.
    const QString r = QString::fromStdString(root);
    const QStringList odd {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("../../etc/passwd"),
        QStringLiteral("../evil.dict"), QStringLiteral("../../evil.dict"), QStringLiteral("evil.dict"),
        QStringLiteral("Dictionary/../../evil.dict"), QStringLiteral("../evil.sh"), QStringLiteral("tool.sh"),
        QStringLiteral("note.txt"), QStringLiteral("sub/note.txt"), QStringLiteral("技術.dict/.."),
        QStringLiteral("技術.dict\n"), QString(100000, QLatin1Char('a')), QString(4096, QChar(0x8a9e)),
        r + QStringLiteral("/app/evil.dict"), r + QStringLiteral("/evil.dict"), r + QStringLiteral("/app/evil.sh"),
        r + QStringLiteral("/none/../../../../etc/passwd"), r + QStringLiteral("/none/file.txt"),
        r + QStringLiteral("/app/Dictionary/../../evil.dict"), QStringLiteral("/nonexistent/\u65e5.txt"),
        QString(QChar(0xFFFD)) + QStringLiteral(".dict"), QString(QChar(0xFFFF)), QString(QChar(0xFDD0)),
        QString(QChar(0xD800)), QStringLiteral("\x01\x02\x7f"), QStringLiteral("%s%n%x"), QStringLiteral("'\";$(touch x)")};
    const QStringList classes {QStringLiteral("Tv9x"), QStringLiteral("XXXX"), QString(), QString(300, QLatin1Char('T'))};
    const QStringList ids {QStringLiteral("prof"), QStringLiteral("used"), QStringLiteral("quit"), QStringLiteral("zzzz"),
        QString(), QString(70000, QLatin1Char('p'))};

    std::vector<QDBusPendingCall> calls;
    for (const QString& a : odd) {
        for (const QString& id : ids) {
            calls.push_back(tesvora.asyncCall(QStringLiteral("HandleEvent"), QStringLiteral("Tv9x"), id, a, QString()));
            calls.push_back(tesvora.asyncCall(QStringLiteral("HandleEvent"), QStringLiteral("Tv9x"), id, QString(), a));
            calls.push_back(tesvora.asyncCall(QStringLiteral("HandleEvent"), QStringLiteral("Tv9x"), id, a, a));
        }
        for (const QString& cls : classes)
            calls.push_back(tesvora.asyncCall(QStringLiteral("HandleEvent"), cls, a, a, a));
        calls.push_back(tesvora.asyncCall(QStringLiteral("OpenDocuments"), QStringList {a}));
        calls.push_back(tesvora.asyncCall(QStringLiteral("OpenDocuments"), QStringList {a, a, QString()}));
    }
    calls.push_back(tesvora.asyncCall(QStringLiteral("OpenDocuments"), odd));
    calls.push_back(tesvora.asyncCall(QStringLiteral("OpenDocuments"), QStringList()));
    // Wrong argument types and counts, and a method there is not.
    calls.push_back(tesvora.asyncCall(QStringLiteral("HandleEvent"), 1, 2, 3, 4));
    calls.push_back(tesvora.asyncCall(QStringLiteral("HandleEvent"), QStringLiteral("Tv9x")));
    calls.push_back(tesvora.asyncCall(QStringLiteral("OpenDocuments"), QStringLiteral("/etc/passwd")));
    calls.push_back(tesvora.asyncCall(QStringLiteral("NoSuchMethod"), QStringLiteral("..")));
    const size_t wellFormed = calls.size() - 4;

    // Every call answered: with a value where it was well formed, with an
    // error where it named no method of the program.
    for (size_t i = 0; i < calls.size(); ++i) {
        QDBusPendingCall& call = calls[i];
        QVERIFY2(within([&] { return call.isFinished(); }, 60000), qPrintable(QString::number(i)));
        if (i < wellFormed)
            QVERIFY2(!call.isError(), qPrintable(QString::number(i) + QLatin1Char(' ') + call.error().message()));
        else
            QVERIFY(call.isError());
    }
    QCOMPARE(program.state(), QProcess::Running);
    qInfo("%zu calls answered; the pass %s", calls.size(),
        QFile::exists(QString::fromStdString(root + "/in/big[fixed].txt")) ? "had written its output" : "still ran");

    // The pass ends with the output of its own dictionary only; the script in
    // "Script" ran for its one match, the others never.
    const std::string bigOut = root + "/in/big[fixed].txt";
    const std::string noteOut = root + "/in/sub/note[fixed].txt";
    QVERIFY(within([&] { return readFile(noteOut).size() > 0 && readFile(bigOut).size() >= big.size() - 1000; }));
    QVERIFY(within([&] { return readFile(bigOut) == replaced(big, "出来る", "できる"); }));
    QCOMPARE(readFile(noteOut), std::string("できる<限り>\n"));
    QCOMPARE(readFile(root + "/tool-ran"), std::string("ran\n"));
    QVERIFY(!QFile::exists(QString::fromStdString(root + "/evil-ran")));
    QCOMPARE(readFile(root + "/in/big.txt"), big);
    QCOMPARE(folderEntries(root + "/in"), (std::vector<std::string> {"big.txt", "big[fixed].txt", "sub"}));
    QCOMPARE(folderEntries(root + "/in/sub"), (std::vector<std::string> {"note.txt", "note[fixed].txt"}));
    QCOMPARE(readFile(root + "/app/evil.dict"), evil);
    QVERIFY(!QFile::exists(QStringLiteral("/etc/passwd[fixed]")));

    // Still serving, with its own dictionary still the current one.
    QDBusReply<bool> used = tesvora.call(QStringLiteral("HandleEvent"), QStringLiteral("Tv9x"), QStringLiteral("used"),
        QStringLiteral("技術.dict"), QString());
    QVERIFY(used.isValid() && used.value());
    program.terminate();
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(readFile(root + "/config/Tesvora Prefs").find("evil"), std::string::npos);
}

QTEST_GUILESS_MAIN(tst_program_bus)
#include "tst_program_bus.moc"
