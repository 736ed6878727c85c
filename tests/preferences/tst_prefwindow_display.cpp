// The preferences window through the real program on a real display: opened
// from the menu, a field changed on a page, Return as "終了", Escape as
// "キャンセル" and the window manager's close, each checked in the
// preferences file it writes.

#include "support/Desktop.h"
#include "support/Files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <string>
#include <vector>

using tv::test::xdotool;

namespace {

// Runs xdotool (or another tool) and answers what it printed.
QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The first window whose name matches, waiting for it (empty after 20 s).
QString waitForWindow(const QString& name)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20000) {
        const QString found = xdotool({"search", "--onlyvisible", "--name", name});
        if (!found.isEmpty())
            return found.split(QLatin1Char('\n')).first();
        QTest::qWait(100);
    }
    return {};
}

bool waitForNoWindow(const QString& name)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20000) {
        if (xdotool({"search", "--onlyvisible", "--name", name}).isEmpty())
            return true;
        QTest::qWait(100);
    }
    return false;
}

std::vector<std::string> lines(const std::string& path)
{
    std::vector<std::string> out;
    std::string content = tv::test::readFile(path);
    size_t start = 0;
    for (size_t i = 0; i < content.size(); ++i)
        if (content[i] == '\r') {
            out.push_back(content.substr(start, i - start));
            start = i + 1;
        }
    return out;
}

bool waitForFile(const std::string& path)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20000) {
        if (lines(path).size() == 30)
            return true;
        QTest::qWait(100);
    }
    return false;
}

} // namespace

class TestPrefWindowDisplay : public QObject {
    Q_OBJECT

    QTemporaryDir dir_ {tv::test::fixtureTemplate("tst_prefwindow_display")};
    QProcess program_;
    std::string prefs_;

    // A picture of the screen, kept where TV_SHOTS names a folder.
    void shot(const char* name)
    {
        const QString folder = qEnvironmentVariable("TV_SHOTS");
        if (!folder.isEmpty())
            run(QStringLiteral("import"), {"-window", "root", QDir(folder).filePath(QString("%1.png").arg(name))});
    }

private slots:
    void initTestCase()
    {
        QVERIFY(qEnvironmentVariableIsSet("DISPLAY"));
        QVERIFY(QDir().mkpath(dir_.filePath("app/Dictionary")));
        QVERIFY(QDir().mkpath(dir_.filePath("config")));
        QVERIFY(QFile::copy(QStringLiteral(TV_PROGRAM), dir_.filePath("app/tesvora")));
        QFile::setPermissions(dir_.filePath("app/tesvora"), QFile::ExeOwner | QFile::ReadOwner | QFile::WriteOwner);
        prefs_ = dir_.filePath("config/Tesvora Prefs").toStdString();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
        program_.setProcessEnvironment(env);
        program_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program_.start(dir_.filePath("app/tesvora"), {});
        QVERIFY(program_.waitForStarted());
        QVERIFY(!waitForWindow("^Tesvora$").isEmpty());
    }

    void cleanupTestCase()
    {
        if (program_.state() != QProcess::NotRunning) {
            program_.terminate();
            if (!program_.waitForFinished(20000))
                program_.kill();
        }
    }

    void returnStoresFromTheMenu()
    {
        const QString frame = waitForWindow("^Tesvora$");
        xdotool({"windowactivate", "--sync", frame});
        // "編集" in the frame window's menu bar, then its last item, "環境設定...".
        xdotool({"mousemove", "--window", frame, "85", "10", "click", "1"});
        QTest::qWait(500);
        xdotool({"key", "Up", "Return"});
        const QString prefs = waitForWindow("^環境設定$");
        QVERIFY2(!prefs.isEmpty(), "no preferences window");
        xdotool({"windowactivate", "--sync", prefs});
        QTest::qWait(300);
        // The page "フィルタ": the second toolbar button, under the menu bar.
        xdotool({"mousemove", "--window", prefs, "100", "45", "click", "1"});
        QTest::qWait(300);
        // Its first field has the focus now that the page before is hidden.
        xdotool({"key", "ctrl+a"});
        xdotool({"type", "--delay", "20", "TEXT,memo"});
        shot("filter-page");
        xdotool({"key", "Return"});
        QVERIFY2(waitForNoWindow("^環境設定$"), "Return did not close the window");
        QVERIFY(waitForFile(prefs_));
        std::vector<std::string> l = lines(prefs_);
        QCOMPARE(l[0], std::string("TEXT,memo"));
        QCOMPARE(l[2], std::string("[fixed]\t\t"));
        QCOMPARE(l[22], std::string("Osaka,12"));
        QCOMPARE(l[26], std::string("NormalProof"));
    }

    void escapeStoresNothing()
    {
        QFile::remove(QString::fromStdString(prefs_));
        const QString frame = waitForWindow("^Tesvora$");
        xdotool({"windowactivate", "--sync", frame});
        xdotool({"key", "ctrl+comma"});
        const QString prefs = waitForWindow("^環境設定$");
        QVERIFY2(!prefs.isEmpty(), "no preferences window");
        xdotool({"windowactivate", "--sync", prefs});
        QTest::qWait(300);
        // Fast mode, the page's first box, ticked and then dropped.
        xdotool({"key", "space"});
        shot("escape");
        xdotool({"key", "Escape"});
        QVERIFY2(waitForNoWindow("^環境設定$"), "Escape did not close the window");
        QVERIFY(waitForFile(prefs_));
        std::vector<std::string> l = lines(prefs_);
        QCOMPARE(l[0], std::string("TEXT,memo"));
        QCOMPARE(l[26], std::string("NormalProof"));
    }

    void closeBoxStoresNothing()
    {
        QFile::remove(QString::fromStdString(prefs_));
        const QString frame = waitForWindow("^Tesvora$");
        xdotool({"windowactivate", "--sync", frame});
        xdotool({"key", "ctrl+comma"});
        const QString prefs = waitForWindow("^環境設定$");
        QVERIFY2(!prefs.isEmpty(), "no preferences window");
        xdotool({"windowactivate", "--sync", prefs});
        QTest::qWait(300);
        xdotool({"key", "space"});
        // The window manager's close, as the close box asks for it.
        xdotool({"key", "alt+F4"});
        QVERIFY2(waitForNoWindow("^環境設定$"), "the window manager's close did not close the window");
        QVERIFY(waitForFile(prefs_));
        QCOMPARE(lines(prefs_)[26], std::string("NormalProof"));
        // The program goes on.
        QVERIFY(!waitForWindow("^Tesvora$").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPrefWindowDisplay)
#include "tst_prefwindow_display.moc"
