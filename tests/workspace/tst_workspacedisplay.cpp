// The real program on a real display: a workspace file given on the command
// line opens its window; a file is added through the add-file button and the
// real file dialog (its path typed in), the workspace saved with Ctrl+S, and
// the file compared byte for byte. Then a new workspace gets a dictionary
// through the real open dialog and its file through the real save dialog.

#include "support/Desktop.h"
#include "support/Wait.h"
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

using tv::test::waitFor;
using tv::test::xdotool;

namespace {

// Answers the modal dialog that a click or a key opens over a window: waits
// for it to take the focus, types the path into it, and waits for the
// window to have the focus again.
bool answerDialog(const QString& window, const std::string& path)
{
    if (!waitFor([&] {
            const QString active = xdotool({"getactivewindow"});
            return !active.isEmpty() && active != window;
        }))
        return false;
    QTest::qWait(300);
    xdotool({"type", "--delay", "20", QString::fromStdString(path)});
    xdotool({"key", "Return"});
    if (!waitFor([&] { return xdotool({"getactivewindow"}) == window; }))
        return false;
    // The program takes the focus back before the next key reaches it.
    QTest::qWait(300);
    return true;
}

void screenshot()
{
    QProcess::execute(QStringLiteral("import"),
        {"-window", "root", QStringLiteral(TV_BUILD_DIR) + "/tst_workspacedisplay.png"});
}

} // namespace

class TestWorkspaceDisplay : public QObject {
    Q_OBJECT

private slots:
    void workspacesBuiltThroughTheRealDialogsAreSaved()
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
            window = xdotool({"search", "--name", "ワークスペース \"job.work\""}).section('\n', 0, 0);
            return !window.isEmpty();
        }));
        QTest::qWait(500);
        xdotool({"windowactivate", "--sync", window});
        // The add-file button: the fourth of the row, below the menu bar.
        xdotool({"mousemove", "--window", window, "223", "48", "click", "1"});
        const std::string path = root + "/in/t.txt";
        QVERIFY(answerDialog(window, path));
        xdotool({"key", "ctrl+s"});
        const std::string expected = "Tesvora Workspace,100,120,490,200\ra.dict\t\rt.txt\t" + path + "\r";
        const bool saved = waitFor([&] { return readFile(work) != "Tesvora Workspace,100,120,490,200\ra.dict\t\r"; });
        if (!saved || readFile(work) != expected)
            QProcess::execute(QStringLiteral("import"),
                {"-window", "root", QStringLiteral(TV_BUILD_DIR) + "/tst_workspacedisplay.png"});
        QVERIFY(saved);
        QCOMPARE(readFile(work), expected);

        // A new workspace: a dictionary through the real open dialog, then
        // the real save dialog names its file, and the window its title.
        xdotool({"key", "ctrl+alt+n"});
        QString untitled;
        QVERIFY(waitFor([&] {
            untitled = xdotool({"search", "--name", "新規ワークスペース 1"}).section('\n', 0, 0);
            return !untitled.isEmpty();
        }));
        QTest::qWait(500);
        xdotool({"windowactivate", "--sync", untitled});
        xdotool({"mousemove", "--window", untitled, "137", "48", "click", "1"});
        QVERIFY(answerDialog(untitled, root + "/app/Dictionary/a.dict"));
        xdotool({"key", "ctrl+s"});
        const std::string second = root + "/second.work";
        const bool answered = answerDialog(untitled, second);
        if (!answered)
            screenshot();
        QVERIFY(answered);
        const bool written = waitFor([&] { return QFile::exists(QString::fromStdString(second)); });
        if (!written)
            QProcess::execute(QStringLiteral("import"),
                {"-window", "root", QStringLiteral(TV_BUILD_DIR) + "/tst_workspacedisplay.png"});
        QVERIFY(written);
        QVERIFY(waitFor([&] { return !xdotool({"search", "--name", "ワークスペース \"second.work\""}).isEmpty(); }));
        const QString bytes = QString::fromStdString(readFile(second));
        QVERIFY2(QRegularExpression(QStringLiteral("\\ATesvora Workspace,-?[0-9]+,-?[0-9]+,490,200\ra\\.dict\t\r\\z"))
                     .match(bytes)
                     .hasMatch(),
            qPrintable(bytes));
        // Saved: the title has no mark, and the program quits without asking.
        program.terminate();
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(readFile(work), expected);
    }
};

QTEST_GUILESS_MAIN(TestWorkspaceDisplay)
#include "tst_workspacedisplay.moc"
