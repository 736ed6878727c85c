// The dictionary editor in the real program on a real display, driven with
// xdotool as a person would: open, edit, save, close, reopen, and the window
// comes back where the file's header put it (no drift by the title bar); a
// real drag of a rule within the list moves it once.

#include "support/Desktop.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using tv::test::xdotool;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The first window whose name matches, waited for.
QString windowNamed(const QString& pattern)
{
    for (int i = 0; i < 100; ++i) {
        const QString ids = xdotool({"search", "--onlyvisible", "--name", pattern});
        if (!ids.isEmpty())
            return ids.split(QLatin1Char('\n')).first();
        QThread::msleep(100);
    }
    return {};
}

bool windowGone(const QString& pattern)
{
    for (int i = 0; i < 100; ++i) {
        if (xdotool({"search", "--onlyvisible", "--name", pattern}).isEmpty())
            return true;
        QThread::msleep(100);
    }
    return false;
}

// Waits until the file holds the bytes.
bool fileBecomes(const QString& path, const QByteArray& bytes)
{
    for (int i = 0; i < 100; ++i) {
        if (readAll(path) == bytes)
            return true;
        QThread::msleep(100);
    }
    return false;
}

// Where the window stands on the screen and its size, as the X server says.
QString placeOf(const QString& id)
{
    QStringList lines = xdotool({"getwindowgeometry", id}).split(QLatin1Char('\n'));
    if (!lines.isEmpty())
        lines.removeFirst(); // the window's id
    return lines.join(QLatin1Char('\n'));
}

// Ends the program however the test ends.
struct Running {
    QProcess& p;
    ~Running()
    {
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished();
        }
    }
};

void activate(const QString& id)
{
    xdotool({"windowactivate", "--sync", id});
    xdotool({"windowfocus", "--sync", id});
    QThread::msleep(300);
}

} // namespace

class TestDicEditDisplay : public QObject {
    Q_OBJECT

private slots:
    void openEditSaveReopen()
    {
        QTemporaryDir dir(QStringLiteral(TV_BUILD_DIR) + QStringLiteral("/tst_dicedit_display-XXXXXX"));
        QVERIFY(dir.isValid());
        const QString app = dir.path() + QStringLiteral("/app");
        QVERIFY(QDir().mkpath(app + QStringLiteral("/Dictionary")));
        QVERIFY(QDir().mkpath(dir.path() + QStringLiteral("/config")));
        QVERIFY(QFile::copy(QStringLiteral(TV_PROGRAM), app + QStringLiteral("/tesvora")));
        QFile::setPermissions(app + QStringLiteral("/tesvora"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString dict = app + QStringLiteral("/Dictionary/a.dict");
        const QByteArray header = "Tesvora Dictionary,200,150,600,420,UTF8\r";
        writeAll(dict, header + "K\tk\t--------\tc\r");

        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path() + QStringLiteral("/config"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(dir.path());
        program.start(app + QStringLiteral("/tesvora"), {});
        QVERIFY(program.waitForStarted());
        Running running {program};

        const QString frame = windowNamed(QStringLiteral("^Tesvora$"));
        QVERIFY2(!frame.isEmpty(), "the program's frame window did not show");
        activate(frame);
        // "選択中の辞書": the current dictionary is the only one, a.dict.
        xdotool({"key", "ctrl+e"});
        const QString title = QStringLiteral("a.dict");
        QString editor = windowNamed(title);
        QVERIFY2(!editor.isEmpty(), "the editor did not open");
        activate(editor);
        const QString firstPlace = placeOf(editor);

        // "新規" (content 10, 40, 79 x 20, below the menu bar), then type the
        // rule; Return moves on to the replacement field.
        const QString menuBottom = QStringLiteral("75");
        xdotool({"mousemove", "--window", editor, "45", menuBottom});
        xdotool({"click", "1"});
        QThread::msleep(300);
        xdotool({"type", "--delay", "50", "abc"});
        xdotool({"key", "Return"});
        xdotool({"type", "--delay", "50", "xyz"});
        QThread::msleep(300);
        xdotool({"key", "ctrl+s"});
        const QByteArray saved = header + "K\tk\t--------\tc\rabc\txyz\t--------\t\r";
        QVERIFY2(fileBecomes(dict, saved), readAll(dict).constData());

        // Closed without a question (saved), then opened again from the menu.
        xdotool({"key", "ctrl+w"});
        QVERIFY(windowGone(title));
        activate(frame);
        xdotool({"key", "ctrl+e"});
        editor = windowNamed(title);
        QVERIFY2(!editor.isEmpty(), "the editor did not open again");
        activate(editor);
        QCOMPARE(placeOf(editor), firstPlace);
        // Saving again writes the same frame: the window is where it was.
        writeAll(dict, QByteArray());
        xdotool({"key", "ctrl+s"});
        QVERIFY2(fileBecomes(dict, saved), readAll(dict).constData());

        // A real drag of the first rule below the last one moves it there,
        // once. Rows: the list's top is 251 below the content's, its heading
        // and rows each some 20 to 30 high, below a menu bar of some 20.
        const QString x = QStringLiteral("100");
        xdotool({"mousemove", "--window", editor, x, "305"});
        xdotool({"click", "1"});
        QThread::msleep(300);
        xdotool({"mousedown", "1"});
        for (const char* y : {"310", "320", "335", "350", "365", "375", "380"}) {
            xdotool({"mousemove", "--window", editor, x, y});
            QThread::msleep(60);
        }
        xdotool({"mouseup", "1"});
        QThread::msleep(500);
        xdotool({"key", "ctrl+s"});
        const QByteArray moved = header + "abc\txyz\t--------\t\rK\tk\t--------\tc\r";
        QVERIFY2(fileBecomes(dict, moved), readAll(dict).constData());

        program.terminate();
        QVERIFY(program.waitForFinished(20000));
    }
};

QTEST_GUILESS_MAIN(TestDicEditDisplay)
#include "tst_dicedit_display.moc"
