// The real program on a real display: a workspace file given on the command
// line opens its window; a file is added through the add-file button and the
// real file dialog (its path typed in), the workspace saved with Ctrl+S, and
// the file compared byte for byte.

#include "support/Files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <string>

using tv::test::readFile;
using tv::test::writeFile;

namespace {

QString run(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

bool waitFor(const std::function<bool()>& condition, int ms = 20000)
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > ms)
            return false;
        QTest::qWait(100);
    }
    return true;
}

} // namespace

class TestWorkspaceDisplay : public QObject {
    Q_OBJECT

private slots:
    void aFileAddedThroughTheRealDialogIsSaved()
    {
        QTemporaryDir dir(QStringLiteral(TV_BUILD_DIR) + QStringLiteral("/tst_workspacedisplay-XXXXXX"));
        QVERIFY(dir.isValid());
        const std::string root = dir.path().toStdString();
        QDir().mkpath(dir.path() + "/app/Dictionary");
        QDir().mkpath(dir.path() + "/config");
        QDir().mkpath(dir.path() + "/in");
        QVERIFY(QFile::copy(QStringLiteral(TV_PROGRAM), dir.path() + "/app/tesvora"));
        QFile(dir.path() + "/app/tesvora").setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        writeFile(root + "/app/Dictionary/a.dict", "");
        writeFile(root + "/in/t.txt", "x");
        const std::string work = root + "/job.work";
        writeFile(work, "Tesvora Workspace,100,120,490,200\ra.dict\t\r");

        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path() + "/config");
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(dir.path());
        program.start(dir.path() + "/app/tesvora", {QString::fromStdString(work)});
        QVERIFY(program.waitForStarted());

        QString window;
        QVERIFY(waitFor([&] {
            window = run({"search", "--name", "ワークスペース \"job.work\""}).section('\n', 0, 0);
            return !window.isEmpty();
        }));
        QTest::qWait(500);
        run({"windowactivate", "--sync", window});
        // The add-file button: the fourth of the row, below the menu bar.
        run({"mousemove", "--window", window, "223", "48", "click", "1"});
        QTest::qWait(1500);
        const std::string path = root + "/in/t.txt";
        run({"type", "--delay", "20", QString::fromStdString(path)});
        run({"key", "Return"});
        QTest::qWait(800);
        run({"windowactivate", "--sync", window});
        run({"key", "ctrl+s"});
        const std::string expected = "Tesvora Workspace,100,120,490,200\ra.dict\t\rt.txt\t" + path + "\r";
        const bool saved = waitFor([&] { return readFile(work) != "Tesvora Workspace,100,120,490,200\ra.dict\t\r"; });
        if (!saved || readFile(work) != expected)
            QProcess::execute(QStringLiteral("import"),
                {"-window", "root", QStringLiteral(TV_BUILD_DIR) + "/tst_workspacedisplay.png"});
        QVERIFY(saved);
        QCOMPARE(readFile(work), expected);
        // Saved: the title has no mark, and the program quits without asking.
        program.terminate();
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(readFile(work), expected);
    }
};

QTEST_GUILESS_MAIN(TestWorkspaceDisplay)
#include "tst_workspacedisplay.moc"
