// The confirmation window in the real program on a real display, through
// rules of every kind: a rule that asks opens it expanded, the rules after it
// that cannot match and ask nothing (set up together) bring it back to its
// compact form, and a rule whose script is missing shows its notice over it.
// Ctrl+. with the notice closed ends the pass.

#include "support/Desktop.h"
#include "support/Files.h"
#include "support/Wait.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using tv::test::StartedProgram;
using tv::test::waitFor;
using tv::test::windowsNamed;
using tv::test::writeFile;
using tv::test::xdotool;

namespace {

// Thirty CR-ended lines: outputs into `out`, no result notice, the
// dictionary "rules.dict", the default mode.
std::string preferences(const std::string& out)
{
    return tv::test::preferencesText({"TEXT,ttro", "txt,text,html,htm", "[fixed]", "ttxt", "absolutepath", out + "/",
        "both", "both", "none", "rules.dict", "", ""});
}

// The height of a window's client area, or -1.
int heightOf(const QString& id)
{
    const QString geometry = xdotool({QStringLiteral("getwindowgeometry"), id});
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Geometry: (\\d+)x(\\d+)")).match(geometry);
    return m.hasMatch() ? m.captured(2).toInt() : -1;
}

} // namespace

class TestPassRulesDisplay : public QObject {
    Q_OBJECT

private slots:
    void compactAgainAfterTheRuleThatAsked()
    {
        StartedProgram program(QStringLiteral("tst_pass_rules_display"));
        QVERIFY(QDir(program.dir.path()).mkpath(QStringLiteral("out")));
        QVERIFY(QDir(program.dir.path()).mkpath(QStringLiteral("config")));
        writeFile(program.path(QStringLiteral("config/Tesvora Prefs")).toStdString(),
            preferences(program.path(QStringLiteral("out")).toStdString()));
        // Asks about its match; five that cannot match; a missing script.
        std::string rules = "Tesvora Dictionary,10,10,400,300,UTF8\r出来る\tできる\t--*-----\t\r";
        for (int i = 1; i <= 5; ++i)
            rules += "無い語" + std::to_string(i) + "\t語\t--------\t\r";
        rules += "明日\tmissing.sh\t---*----\t\r";
        QVERIFY(QDir(program.dir.path()).mkpath(QStringLiteral("app/Dictionary")));
        writeFile(program.path(QStringLiteral("app/Dictionary/rules.dict")).toStdString(), rules);
        writeFile(program.path(QStringLiteral("memo.txt")).toStdString(), "明日は出来る。\n");
        QVERIFY(program.start({program.path(QStringLiteral("memo.txt"))}));
        QProcess& tesvora = program.process;

        // The question: the window expanded.
        QString pass;
        QVERIFY2(waitFor([&] {
            const QSet<QString> found = windowsNamed(QStringLiteral("校正中"));
            pass = found.isEmpty() ? QString() : *found.begin();
            return !pass.isEmpty() && heightOf(pass) > 121;
        }),
            qPrintable(tv::test::shownWindows()));
        const QSet<QString> before = windowsNamed(QStringLiteral("^Tesvora$"));
        // Esc skips the match; the pass goes on to the missing script.
        QString notice;
        for (int attempt = 0; attempt < 5 && notice.isEmpty(); ++attempt) {
            xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), pass});
            xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
            waitFor(
                [&] {
                    for (const QString& id : windowsNamed(QStringLiteral("^Tesvora$")))
                        if (!before.contains(id))
                            notice = id;
                    return !notice.isEmpty();
                },
                3000);
        }
        QVERIFY2(!notice.isEmpty(), qPrintable(tv::test::shownWindows()));
        QCOMPARE(heightOf(pass), 121);

        // Ctrl+. then the notice's OK ends the pass; a lost chord brings the
        // notice back for the same rule, and it is given again.
        bool ended = false;
        for (int attempt = 0; attempt < 5 && !ended; ++attempt) {
            xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), notice});
            QTest::qWait(150);
            xdotool({QStringLiteral("key"), QStringLiteral("ctrl+period")});
            tv::test::answerWithKey(notice, QStringLiteral("Return"));
            ended = waitFor([] { return windowsNamed(QStringLiteral("校正")).isEmpty(); }, 3000);
            if (!ended) {
                notice.clear();
                waitFor([&] {
                    for (const QString& id : windowsNamed(QStringLiteral("^Tesvora$")))
                        if (!before.contains(id))
                            notice = id;
                    return !notice.isEmpty();
                });
            }
        }
        QVERIFY2(ended, qPrintable(tv::test::shownWindows()));
        QCOMPARE(tesvora.state(), QProcess::Running);
        QVERIFY(QDir(program.path(QStringLiteral("out"))).isEmpty());

        tesvora.terminate();
        QVERIFY(tesvora.waitForFinished(20000));
        QCOMPARE(tesvora.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestPassRulesDisplay)
#include "tst_pass_rules_display.moc"
