// Real passes over real files with the windows faked: what the pass shows
// for each question and what it does with each answer, counted where the
// real windows would hide it (how often the text is loaded, what a script is
// handed for every match, empty matches).

#include "tst_pass_fake.h"

#include "platform/core/Text.h"
#include "support/Files.h"
#include "support/TestServices.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace tv;
using tv::test::FakePassView;
using tv::test::readFile;
using tv::test::writeFile;

class TestInteractivePass : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void textLoadedOncePerRulePerText();
    void answersAndWhatTheWindowShows_data();
    void answersAndWhatTheWindowShows();
    void stopConfirming();
    void candidatesFromTheProposal();
    void scriptRunsForEveryMatch();
    void emptyMatchesComeToAnEnd_data();
    void emptyMatchesComeToAnEnd();
    void caseAfterARuleThatWorksMatchByMatch_data();
    void caseAfterARuleThatWorksMatchByMatch();
    void theNextFileIsReadInItsTurn_data();
    void theNextFileIsReadInItsTurn();

private:
    void dictionary(const std::string& rules);
    void queue(const std::string& name, const std::string& bytes);
    void run();
    // Answers the questions in turn: "s" skips, any other text replaces
    // with it ("=" the proposal as it stands).
    void answer(std::vector<std::string> answers);

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<test::TestServices> services_;
    std::unique_ptr<AppState> app_;
    std::shared_ptr<FakePassView> view_;
    std::string root_;
    std::vector<std::string> answers_;
};

void TestInteractivePass::init()
{
    dir_ = std::make_unique<QTemporaryDir>(test::fixtureTemplate("tst_interactive_pass"));
    root_ = dir_->path().toStdString();
    for (const char* sub : {"/app/Dictionary", "/app/Script", "/in"})
        QDir().mkpath(QString::fromStdString(root_ + sub));
    FolderItem::overrideApplicationFolder(root_ + "/app");
    services_ = std::make_unique<test::TestServices>();
    app_ = std::make_unique<AppState>();
    registerAppState(app_.get());
    app_->setDefaultSettings();
    app_->prefAlarmType = "none";
    app_->prefDefaultDic = "test.dict";
    view_ = std::make_shared<FakePassView>(*app_);
    answers_.clear();
}

void TestInteractivePass::cleanup()
{
    view_.reset();
    app_.reset();
    services_.reset();
    FolderItem::overrideApplicationFolder("");
    dir_.reset();
}

void TestInteractivePass::dictionary(const std::string& rules)
{
    writeFile(root_ + "/app/Dictionary/test.dict", "Tesvora Dictionary,100,100,573,502,UTF8\r" + rules);
}

void TestInteractivePass::queue(const std::string& name, const std::string& bytes)
{
    writeFile(root_ + "/in/" + name, bytes);
    app_->dropItem.push_back(FolderItem::fromPath(root_ + "/in/" + name));
}

void TestInteractivePass::run()
{
    auto pass = test::runPass(*app_, view_);
    QVERIFY(pass->isFinished());
}

void TestInteractivePass::answer(std::vector<std::string> answers)
{
    answers_ = std::move(answers);
    view_->onQuestion = [this] {
        QVERIFY(!answers_.empty());
        const std::string a = answers_.front();
        answers_.erase(answers_.begin());
        app_->manualCancel = a == "s";
        if (a != "s" && a != "=")
            app_->manualRepStr = a;
        app_->notifyClose = true;
    };
}

void TestInteractivePass::textLoadedOncePerRulePerText()
{
    // Fast mode too: a confirming rule is still asked match by match.
    app_->isFastProof = true;
    dictionary("a\tA\t--*-----\t\rb\tB\t--*-----\t\r");
    queue("one.txt", "a b a b a\n");
    queue("two.txt", "b a\n");
    run();
    // Once for each rule in each text, in the text as earlier rules left it.
    QCOMPARE(view_->loadedTexts,
        (std::vector<std::string>{"a b a b a\r", "A b A b A\r", "b a\r", "b A\r"}));
    QCOMPARE(view_->marks.size(), size_t(3 + 2 + 1 + 1));
    QCOMPARE(view_->marks[1], (std::pair<int64_t, std::string>(4, "a")));
    QCOMPARE(view_->marks[4], (std::pair<int64_t, std::string>(6, "b")));
    QCOMPARE(readFile(root_ + "/in/one[fixed].txt"), std::string("A B A B A\n"));
    QCOMPARE(readFile(root_ + "/in/two[fixed].txt"), std::string("B A\n"));
    QCOMPARE(view_->replaceCounts.front(), std::string("-"));
}

void TestInteractivePass::answersAndWhatTheWindowShows_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("settled");
    QTest::addColumn<QByteArray>("result");
    QTest::addColumn<int>("replacements");
    QTest::newRow("as proposed") << QStringList{"=", "="} << QStringList{"y", "y"} << QByteArray("y-y\n") << 2;
    QTest::newRow("skipped") << QStringList{"s", "="} << QStringList{"x", "y"} << QByteArray("x-y\n") << 1;
    QTest::newRow("line ends become CR") << QStringList{"1\n2", "3\r\n4"} << QStringList{"1\r2", "3\r4"}
                                         << QByteArray("1\n2-3\n4\n") << 2;
    QTest::newRow("emptied") << QStringList{"", "s"} << QStringList{"", "x"} << QByteArray("-x\n") << 1;
}

void TestInteractivePass::answersAndWhatTheWindowShows()
{
    QFETCH(QStringList, answers);
    QFETCH(QStringList, settled);
    QFETCH(QByteArray, result);
    QFETCH(int, replacements);
    dictionary("x\ty\t--*-----\tthe note\r");
    queue("memo.txt", "x-x\n");
    std::vector<std::string> a;
    for (const QString& s : answers)
        a.push_back(s.toStdString());
    answer(a);
    app_->prefAlarmType = "dialog";
    run();
    QCOMPARE(view_->offers, (std::vector<std::string>{"y", "y"}));
    QCOMPARE(view_->helpTags, std::vector<std::string>{"the note"});
    std::vector<std::string> s;
    for (const QString& t : settled)
        s.push_back(t.toStdString());
    QCOMPARE(view_->settled, s);
    QCOMPARE(QByteArray::fromStdString(readFile(root_ + "/in/memo[fixed].txt")), result);
    QCOMPARE(view_->notices.back().summary.value_or(""),
        "1 ファイル中 1 ファイルの " + std::to_string(replacements) + " ヶ所を校正");
}

void TestInteractivePass::stopConfirming()
{
    dictionary("x\ty\t--*-----\t\r");
    queue("memo.txt", "x x x\n");
    view_->manualTicked = true;
    answer({"z"});
    run();
    QCOMPARE(view_->marks.size(), size_t(1));
    QVERIFY(view_->compact);
    QVERIFY(!app_->isManualRep);
    QCOMPARE(readFile(root_ + "/in/memo[fixed].txt"), std::string("z y y\n"));
}

void TestInteractivePass::candidatesFromTheProposal()
{
    // The candidates are the proposal, "$" filled in; the comment goes as
    // stored, and the field's help tag is never the comment.
    dictionary("(\\d+)円\t$1 円|$1円|\\$1\t**------\tspace|none|backslash\\tmore\r");
    queue("memo.txt", "100円 20円\n");
    view_->candidateRow = 1;
    run();
    QCOMPARE(view_->selectLists.size(), size_t(2));
    const SelectList& first = view_->selectLists[0];
    QCOMPARE(first.rows.size(), size_t(4));
    QCOMPARE(first.rows[0].text, std::string("100円"));
    QCOMPARE(first.rows[0].note, std::string(kKeepMatchCaption));
    QCOMPARE(first.rows[1].text, std::string("100 円"));
    QCOMPARE(first.rows[3].text, std::string("\\100"));
    QCOMPARE(first.rows[3].note, std::string("backslash\\tmore"));
    QCOMPARE(view_->helpTags, std::vector<std::string>{"置換する文字列です。"});
    QCOMPARE(view_->paletteCloses >= 2, true);
    QCOMPARE(readFile(root_ + "/in/memo[fixed].txt"), std::string("100 円 20 円\n"));
}

void TestInteractivePass::scriptRunsForEveryMatch()
{
    // The script logs what it is handed; every match is asked about after
    // the script has run for it.
    const std::string log = root_ + "/log";
    const std::string path = root_ + "/app/Script/log.sh";
    writeFile(path, "#!/bin/sh\nprintf '%s %s %s %s\\n' \"$2\" \"$3\" \"$4\" \"$5\" >> \"" + log + "\"\nprintf '<%s>' \"$1\"\n");
    QFile::setPermissions(QString::fromStdString(path),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    dictionary("ab\tlog.sh\t--**----\t\r");
    app_->isClip = true;
    services_->clipboard = "ab ab ab";
    answer({"s", "=", "s"});
    run();
    QCOMPARE(view_->offers, (std::vector<std::string>{"<ab>", "<ab>", "<ab>"}));
    QCOMPARE(readFile(log), std::string("クリップボード 1 1 0\nクリップボード 4 1 0\nクリップボード 9 1 1\n"));
    QCOMPARE(services_->clipboard.value_or(""), std::string("ab <ab> ab"));
}

void TestInteractivePass::emptyMatchesComeToAnEnd_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QByteArray>("result");
    QTest::newRow("every empty match skipped") << "s" << QByteArray();
    QTest::newRow("every empty match replaced") << "-" << QByteArray("-a-b-\n-");
}

void TestInteractivePass::emptyMatchesComeToAnEnd()
{
    QFETCH(QString, answer);
    QFETCH(QByteArray, result);
    dictionary("x*\t-\t*-*-*--*\t\r");
    queue("memo.txt", "ab\n");
    view_->onQuestion = [&] {
        app_->manualCancel = answer == "s";
        app_->manualRepStr = answer.toStdString();
        app_->notifyClose = true;
    };
    run();
    QVERIFY(view_->marks.size() >= 3);
    for (const auto& m : view_->marks)
        QCOMPARE(m.second, std::string());
    QCOMPARE(QByteArray::fromStdString(readFile(root_ + "/in/memo[fixed].txt")), result);
}

void TestInteractivePass::caseAfterARuleThatWorksMatchByMatch_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<bool>("fast");
    QTest::addColumn<QByteArray>("expected");
    // Case-sensitive rules whose matches take a "$" expansion or a script
    // between two searches, then case-insensitive regular-expression rules.
    const QByteArray firsts[][2] = {
        {"candidates with $", "(B)\t<$1>|$1\t**--*---\t\r"},
        {"confirmed with $", "(B)\t<$1>\t*-*-*---\t\r"},
        {"script with $ in its name", "(B)\tsame$.sh\t*-***---\t\r"},
    };
    const QByteArray seconds[][3] = {
        {"all at once", "a\tx\t*-------\t\r", "B xxx b B\n"},
        {"confirmed with $", "(a)\t[$1]\t*-*-----\t\r", "B [a][A][a] b B\n"},
    };
    for (const auto& first : firsts) {
        for (const auto& second : seconds) {
            for (bool fast : {false, true}) {
                QTest::addRow("%s, then %s%s", first[0].constData(), second[0].constData(),
                              fast ? ", fast mode" : "")
                    << first[1] << second[1] << fast << second[2];
            }
        }
    }
}

// What the first rule does between its searches leaves the engine to the
// second: that one still ignores case and gives what it gives alone.
void TestInteractivePass::caseAfterARuleThatWorksMatchByMatch()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(bool, fast);
    QFETCH(QByteArray, expected);
    const std::string path = root_ + "/app/Script/same$.sh";
    writeFile(path, "#!/bin/sh\nprintf '%s' \"$1\"\n");
    QFile::setPermissions(QString::fromStdString(path),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    app_->isFastProof = fast;
    // Every match of the first rule is left as it is, every one of the
    // second takes what it proposes.
    auto answerByMatch = [this] {
        view_->onQuestion = [this] {
            app_->manualCancel = view_->marks.back().second == "B";
            app_->notifyClose = true;
        };
    };
    const std::string text = "B aAa b B\n";

    dictionary(first.toStdString() + second.toStdString());
    queue("both.txt", text);
    answerByMatch();
    run();
    size_t firstRuleQuestions = 0;
    for (const auto& mark : view_->marks)
        firstRuleQuestions += mark.second == "B";
    QCOMPARE(firstRuleQuestions, size_t(2));
    const std::string both = readFile(root_ + "/in/both[fixed].txt");

    view_ = std::make_shared<FakePassView>(*app_);
    dictionary(second.toStdString());
    queue("alone.txt", text);
    answerByMatch();
    run();
    const std::string alone = readFile(root_ + "/in/alone[fixed].txt");

    QCOMPARE(alone, expected.toStdString());
    QCOMPARE(both, alone);
}

void TestInteractivePass::theNextFileIsReadInItsTurn_data()
{
    QTest::addColumn<bool>("byScript");
    QTest::newRow("changed while a question is open") << false;
    QTest::newRow("changed by a rule's script") << true;
}

void TestInteractivePass::theNextFileIsReadInItsTurn()
{
    // The second file changes while the pass works on the first: its output
    // comes from what it holds when its turn comes.
    QFETCH(bool, byScript);
    const std::string second = root_ + "/in/two.txt";
    if (byScript) {
        const std::string path = root_ + "/app/Script/change.sh";
        writeFile(path, "#!/bin/sh\nprintf 'x more' > \"" + second + "\"\nprintf '%s' \"$1\"\n");
        QFile::setPermissions(QString::fromStdString(path),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        dictionary("a\tchange.sh\t---*----\t\rx\ty\t--------\t\r");
    } else {
        dictionary("a\tb\t--*-----\t\rx\ty\t--------\t\r");
        view_->onQuestion = [&] {
            // Long enough for a read of the second file begun meanwhile.
            QTest::qSleep(100);
            writeFile(second, "x more");
            app_->manualCancel = false;
            app_->notifyClose = true;
        };
    }
    queue("one.txt", "a x");
    queue("two.txt", "x");
    run();
    QCOMPARE(readFile(root_ + "/in/one[fixed].txt"), std::string(byScript ? "a y" : "b y"));
    QCOMPARE(readFile(root_ + "/in/two[fixed].txt"), std::string("y more"));
}

QTEST_MAIN(TestInteractivePass)
#include "tst_interactive_pass.moc"
