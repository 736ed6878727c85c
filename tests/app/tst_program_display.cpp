// The real program on a real display, driven as a person would with xdotool:
// a pass that saves through the save dialog (save place "dialog") shows the
// dialog and stays alive while it waits, saves where a typed name says, and
// takes the failed-save road when the dialog is left with Escape.

#include "support/Desktop.h"
#include "support/Wait.h"
#include "support/Files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using tv::test::readFile;
using tv::test::writeFile;

using tv::test::waitFor;
using tv::test::windowsNamed;
using tv::test::xdotool;

namespace {

// The preferences file: thirty CR-ended lines; the save place is the
// dialog, and no result notice comes at the end.
std::string preferences()
{
    return tv::test::preferencesText({"TEXT,ttro", "txt,text,html,htm", "[fixed]", "ttxt", "dialog", "", "both", "both",
        "none", "技術.dict", "", ""});
}

} // namespace

class tst_program_display : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_{QDir::tempPath() + QStringLiteral("/tv-display-XXXXXX")};
    QProcess program_;
    QProcessEnvironment env_;

    QString path(const QString& relative) const { return dir_.filePath(relative); }
    std::string spath(const QString& relative) const { return path(relative).toStdString(); }

    // A document handed to the program (the first start runs it; later ones
    // pass it to the running program).
    bool openDocument(const QString& document)
    {
        if (program_.state() == QProcess::NotRunning) {
            program_.setProcessEnvironment(env_);
            program_.setProcessChannelMode(QProcess::ForwardedChannels);
            program_.start(path(QStringLiteral("app/tesvora")), {document});
            return program_.waitForStarted(10000);
        }
        QProcess second;
        second.setProcessEnvironment(env_);
        second.start(path(QStringLiteral("app/tesvora")), {document});
        return second.waitForFinished(20000) && second.exitCode() == 0;
    }

    // Waits for the save dialog and gives it the keys.
    QString saveDialog()
    {
        QString id;
        waitFor([&] {
            const QSet<QString> found = windowsNamed(QStringLiteral("^名前を付けて保存"));
            if (!found.isEmpty())
                id = *found.begin();
            return !id.isEmpty();
        });
        if (!id.isEmpty())
            xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), id});
        return id;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        for (const char* sub : {"app/Dictionary", "config", "in", "out"})
            QVERIFY(QDir().mkpath(path(QString::fromUtf8(sub))));
        QVERIFY(QFile::copy(QStringLiteral(TV_PROGRAM), path(QStringLiteral("app/tesvora"))));
        writeFile(spath(QStringLiteral("app/Dictionary/技術.dict")),
            "Tesvora Dictionary,10,10,400,300,UTF8\r出来る\tできる\t--------\t\r");
        writeFile(spath(QStringLiteral("config/Tesvora Prefs")), preferences());
        writeFile(spath(QStringLiteral("in/memo.txt")), "明日は出来る。\r\n");
        writeFile(spath(QStringLiteral("in/note.txt")), "出来る限り\n");
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
    }

    void cleanupTestCase()
    {
        if (program_.state() != QProcess::NotRunning) {
            program_.terminate();
            if (!program_.waitForFinished(10000))
                program_.kill();
        }
    }

    void typedNameSaves()
    {
        QVERIFY(openDocument(path(QStringLiteral("in/memo.txt"))));
        const QString dialog = saveDialog();
        QVERIFY2(!dialog.isEmpty(), "the save dialog did not show");
        // The pass waits for the answer with the program alive and serving.
        QTest::qWait(2000);
        QCOMPARE(program_.state(), QProcess::Running);
        QVERIFY(!windowsNamed(QStringLiteral("^名前を付けて保存")).isEmpty());

        const QString target = path(QStringLiteral("out/chosen.txt"));
        xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("ctrl+a")});
        xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), target});
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        QVERIFY2(waitFor([&] { return readFile(target.toStdString()) == "明日はできる。\r\n"; }),
            readFile(target.toStdString()).c_str());
        QVERIFY(waitFor([] { return windowsNamed(QStringLiteral("^名前を付けて保存")).isEmpty(); }));
        QCOMPARE(program_.state(), QProcess::Running);
        QCOMPARE(readFile(spath(QStringLiteral("in/memo.txt"))), std::string("明日は出来る。\r\n"));
    }

    void escapeIsTheFailedSave()
    {
        QVERIFY(program_.state() == QProcess::Running);
        // Wait until the last pass has ended and its windows are gone.
        QVERIFY2(waitFor([] { return windowsNamed(QStringLiteral("校正")).isEmpty(); }),
            qPrintable(tv::test::shownWindows()));
        const QSet<QString> before = windowsNamed(QStringLiteral("^Tesvora$"));
        QVERIFY(openDocument(path(QStringLiteral("in/note.txt"))));
        const QString dialog = saveDialog();
        QVERIFY2(!dialog.isEmpty(), "the save dialog did not show");
        QVERIFY2(tv::test::answerWithKey(dialog, QStringLiteral("Escape")), qPrintable(tv::test::shownWindows()));

        // The notice "ファイルの保存ができませんでした。" (titled "Tesvora")
        // comes and holds the pass until its OK.
        QString notice;
        QVERIFY2(waitFor([&] {
            for (const QString& id : windowsNamed(QStringLiteral("^Tesvora$")))
                if (!before.contains(id))
                    notice = id;
            return !notice.isEmpty();
        }), "no notice after the cancelled dialog");
        QTest::qWait(500);
        QCOMPARE(program_.state(), QProcess::Running);
        QVERIFY(!windowsNamed(QStringLiteral("校正中")).isEmpty());
        QVERIFY2(tv::test::answerWithKey(notice, QStringLiteral("Return")),
            qPrintable(tv::test::shownWindows()));
        QVERIFY2(waitFor([] { return windowsNamed(QStringLiteral("校正")).isEmpty(); }),
            qPrintable(tv::test::shownWindows()));
        QCOMPARE(program_.state(), QProcess::Running);
        QVERIFY(!QFile::exists(path(QStringLiteral("in/note[fixed].txt"))));
        QCOMPARE(QDir(path(QStringLiteral("out"))).entryList(QDir::Files), QStringList{QStringLiteral("chosen.txt")});

        program_.terminate();
        QVERIFY(program_.waitForFinished(20000));
        QCOMPARE(program_.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program_.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_program_display)
#include "tst_program_display.moc"
