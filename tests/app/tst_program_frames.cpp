// The real program on a real display, started with a damaged confirmation
// window frame in its preferences file (absurdly large, or off every
// screen): the pass that confirms shows its window held to the screen, the
// program lives through it, and what it stores at quit is the held frame.

#include "support/Files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using tv::test::readFile;
using tv::test::writeFile;

namespace {

// The screen of with-display.sh.
constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;

QString xdotool(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    if (!p.waitForFinished(10000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

bool within(const std::function<bool()>& condition, int ms = 20000)
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

// Thirty CR-ended lines: the output beside its source, no notices, the
// confirmation window's frame as given.
std::string preferences(const std::string& grepFrame)
{
    return tv::test::preferencesText({"TEXT,ttro", "txt,text,html,htm", "[fixed]", "ttxt", "sameplace", "", "none",
        "none", "none", "技術.dict", "", grepFrame});
}

// Line n (1-based) of a CR-ended file.
QString line(const std::string& content, int n)
{
    return QString::fromStdString(content).split(QLatin1Char('\r')).value(n - 1);
}

} // namespace

class tst_program_frames : public QObject {
    Q_OBJECT

private slots:
    void heldToTheScreen_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::newRow("widest int") << QStringLiteral("100,80,2147483647,500");
        QTest::newRow("widest and tallest") << QStringLiteral("0,0,2147483647,2147483647");
        QTest::newRow("off every screen") << QStringLiteral("-2147483647,2147483647,400,500");
        QTest::newRow("far right, huge") << QStringLiteral("2147483647,2147483647,2147483647,2147483647");
    }

    void heldToTheScreen()
    {
        QFETCH(QString, stored);
        QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/tv-frames-XXXXXX"));
        QVERIFY(dir.isValid());
        const auto path = [&dir](const char* relative) { return dir.filePath(QString::fromUtf8(relative)); };
        const auto spath = [&path](const char* relative) { return path(relative).toStdString(); };
        for (const char* sub : {"app/Dictionary", "config", "in"})
            QVERIFY(QDir().mkpath(path(sub)));
        QVERIFY(QFile::copy(QStringLiteral(TV_PROGRAM), path("app/tesvora")));
        // A rule that confirms each match.
        writeFile(spath("app/Dictionary/技術.dict"),
            "Tesvora Dictionary,10,10,400,300,UTF8\r出来る\tできる\t--*-----\t\r");
        writeFile(spath("config/Tesvora Prefs"), preferences(stored.toStdString()));
        writeFile(spath("in/memo.txt"), "明日は出来る。\r\n");

        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path("config"));
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(path("app/tesvora"), {path("in/memo.txt")});
        QVERIFY(program.waitForStarted(10000));

        // The confirmation window shows, on the screen, and the program lives.
        QString id;
        QVERIFY2(within([&] {
            id = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                          QStringLiteral("校正中")}).section(QLatin1Char('\n'), 0, 0);
            return !id.isEmpty() || program.state() == QProcess::NotRunning;
        }), "no confirmation window");
        QCOMPARE(program.state(), QProcess::Running);
        QVERIFY(!id.isEmpty());
        QTest::qWait(500);
        QCOMPARE(program.state(), QProcess::Running);
        const QString shape = xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id});
        int x = 0, y = 0, width = 0, height = 0;
        for (const QString& l : shape.split(QLatin1Char('\n'))) {
            const int value = l.section(QLatin1Char('='), 1).toInt();
            if (l.startsWith(QLatin1String("X=")))
                x = value;
            else if (l.startsWith(QLatin1String("Y=")))
                y = value;
            else if (l.startsWith(QLatin1String("WIDTH=")))
                width = value;
            else if (l.startsWith(QLatin1String("HEIGHT=")))
                height = value;
        }
        QVERIFY2(width > 0 && width <= kScreenWidth && height > 0 && height <= kScreenHeight, qPrintable(shape));
        QVERIFY2(x >= 0 && y >= 0 && x < kScreenWidth && y < kScreenHeight, qPrintable(shape));

        // Esc skips the match ("次を検索"): the pass ends with nothing to
        // change.
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), id});
        xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
        QVERIFY(within([&] {
            return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                            QStringLiteral("校正中")}).isEmpty();
        }));
        QCOMPARE(program.state(), QProcess::Running);

        program.terminate();
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(readFile(spath("in/memo.txt")), std::string("明日は出来る。\r\n"));

        // The frame stored again is the held one: on the screen, its size
        // within the screen's (the window manager's title bar may push the
        // place down by its height).
        const QStringList frame = line(readFile(spath("config/Tesvora Prefs")), 12).split(QLatin1Char(','));
        QCOMPARE(frame.size(), 4);
        const int left = frame[0].toInt(), top = frame[1].toInt();
        const int storedWidth = frame[2].toInt(), storedHeight = frame[3].toInt();
        QVERIFY2(left >= 0 && top >= 0 && left < kScreenWidth && top < kScreenHeight, qPrintable(frame.join(',')));
        QVERIFY2(storedWidth > 0 && left + storedWidth <= kScreenWidth, qPrintable(frame.join(',')));
        QVERIFY2(storedHeight > 0 && storedHeight <= kScreenHeight, qPrintable(frame.join(',')));
    }
};

QTEST_GUILESS_MAIN(tst_program_frames)
#include "tst_program_frames.moc"
