// The help window in the real program on a real display: the Help menu's
// "正規表現マニュアル" and "Tesvora マニュアル" open one window with the page
// chosen, and Cmd+W closes it.

#include "support/Desktop.h"
#include "support/Wait.h"

#include <QProcess>
#include <QTest>

using tv::test::StartedProgram;
using tv::test::waitFor;
using tv::test::windowsNamed;
using tv::test::xdotool;

class TestHelpDisplay : public QObject {
    Q_OBJECT
private:
    // Opens the Help menu of the frame window with the keyboard and
    // chooses the item that many rows above its end; true when a window of
    // that title showed.
    static bool chooseFromHelp(const QString& frame, int fromEnd, const QString& title)
    {
        for (int attempt = 0; attempt < 5; ++attempt) {
            xdotool({"windowactivate", "--sync", frame});
            QTest::qWait(150);
            // Help is the last menu: Left from the first one wraps to it.
            for (const char* key : {"alt", "Left", "Down"}) {
                xdotool({"key", key});
                QTest::qWait(300);
            }
            for (int i = 0; i < fromEnd; ++i)
                xdotool({"key", "Up"});
            xdotool({"key", "Return"});
            if (waitFor([&] { return !windowsNamed(title).isEmpty(); }, 5000))
                return true;
            for (int i = 0; i < 3; ++i)
                xdotool({"key", "Escape"});
        }
        return false;
    }

private slots:
    void manualsOpenOneHelpWindow()
    {
        StartedProgram program(QStringLiteral("tst_help_display"));
        QVERIFY(program.start());
        QProcess& tesvora = program.process;
        QString frame;
        QVERIFY(waitFor([&] {
            const QSet<QString> found = windowsNamed(QStringLiteral("^Tesvora$"));
            frame = found.isEmpty() ? QString() : *found.begin();
            return !frame.isEmpty();
        }));

        // The menu ends with 正規表現マニュアル and お試し検索パレット.
        QVERIFY(chooseFromHelp(frame, 2, QStringLiteral("^正規表現マニュアル$")));
        QVERIFY(chooseFromHelp(frame, 3, QStringLiteral("^Tesvora マニュアル$")));
        // The same window, now on the other page.
        QVERIFY(windowsNamed(QStringLiteral("^正規表現マニュアル$")).isEmpty());
        const QString help = *windowsNamed(QStringLiteral("^Tesvora マニュアル$")).begin();
        xdotool({"windowactivate", "--sync", help});
        QTest::qWait(150);
        xdotool({"key", "ctrl+w"});
        QVERIFY(waitFor([&] { return windowsNamed(QStringLiteral("^Tesvora マニュアル$")).isEmpty(); }));
        QCOMPARE(tesvora.state(), QProcess::Running);

        tesvora.terminate();
        QVERIFY(tesvora.waitForFinished(20000));
        QCOMPARE(tesvora.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestHelpDisplay)
#include "tst_help_display.moc"
