// Rule loading of a pass: the dictionary queue, several dictionaries into one
// list with each rule's dictionary, the progress maximum, and the ways a
// dictionary can be missing.

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>

#include "platform/core/Errors.h"
#include "platform/core/Text.h"
#include "proofing/core/RuleLoading.h"

using namespace tv;

namespace {

// Stands in for the detector: UTF-8 when the sample is, else Shift_JIS.
TextEncodingRef judge(std::string_view sample)
{
    return isValidUtf8(sample) ? Encodings::UTF8() : Encodings::ShiftJIS();
}

QStringList searches(const PassRuleList& rules)
{
    QStringList out;
    for (const auto& s : rules.searchList)
        out << QString::fromStdString(s);
    return out;
}

} // namespace

class TestRuleLoading : public QObject {
    Q_OBJECT

private slots:
    void init();
    void queue_data();
    void queue();
    void namesAppendedWhileLoading();
    void missingFile_data();
    void missingFile();
    void noItemForTheName();
    void textsStayAsStored();

private:
    void write(const std::string& name, const std::string& bytes);
    RuleLoadingInput input(std::deque<std::string>& queue, std::string defaultDic = "default.dict");

    std::unique_ptr<QTemporaryDir> dir_;
    FolderItem folder_;
    std::vector<int> maxima_;
};

void TestRuleLoading::write(const std::string& name, const std::string& bytes)
{
    std::ofstream(folder_.path() + "/" + name, std::ios::binary) << bytes;
}

RuleLoadingInput TestRuleLoading::input(std::deque<std::string>& queue, std::string defaultDic)
{
    return {queue, std::move(defaultDic), folder_, judge, [this](int max) { maxima_.push_back(max); }};
}

void TestRuleLoading::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(dir_->path()).mkdir("Dictionary"));
    folder_ = FolderItem::fromPath(dir_->path().toStdString() + "/Dictionary");
    maxima_.clear();
    write("A.dict", "Tesvora Dictionary,0,0,573,502,UTF8\ra1\tx\t*---**--\t\ra2\ty\r");
    write("B.dict", "b1\tz\r\tskipped\r\r");
    write("empty.dict", "");
    write("sjis.dict", "\x8d\x5a\x90\xb3\t\x8c\xeb\x82\xe8\r"); // 校正 TAB 誤り
    write("default.dict", "d1\r");
    std::ofstream(dir_->path().toStdString() + "/outside.dict", std::ios::binary) << "o1\r";
}

void TestRuleLoading::queue_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QList<int>>("maxima");
    QTest::addColumn<QStringList>("sources"); // each rule's dictionary

    QTest::newRow("empty queue: the current dictionary") << QStringList{} << QStringList{"d1"} << QList<int>{1}
                                                         << QStringList{"default.dict"};
    QTest::newRow("A, B and A again") << QStringList{"A.dict", "B.dict", "A.dict"}
                                      << QStringList{"a1", "a2", "b1", "a1", "a2"} << QList<int>{2, 3, 5}
                                      << QStringList{"A.dict", "A.dict", "B.dict", "A.dict", "A.dict"};
    QTest::newRow("an empty dictionary between") << QStringList{"A.dict", "empty.dict", "B.dict"}
                                                 << QStringList{"a1", "a2", "b1"} << QList<int>{2, 2, 3}
                                                 << QStringList{"A.dict", "A.dict", "B.dict"};
    QTest::newRow("name ignoring case") << QStringList{"a.DICT"} << QStringList{"a1", "a2"} << QList<int>{2}
                                        << QStringList{"a.DICT", "a.DICT"};
    QTest::newRow("Shift_JIS") << QStringList{"sjis.dict"} << QStringList{"校正"} << QList<int>{1}
                               << QStringList{"sjis.dict"};
}

void TestRuleLoading::queue()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, expected);
    QFETCH(QList<int>, maxima);
    QFETCH(QStringList, sources);
    std::deque<std::string> queue;
    for (const QString& n : names)
        queue.push_back(n.toStdString());
    PassRuleList rules;
    QCOMPARE(loadPassRules(input(queue), rules), RuleLoadingOutcome::Loaded);
    QCOMPARE(searches(rules), expected);
    QCOMPARE(QList<int>(maxima_.begin(), maxima_.end()), maxima);
    QVERIFY(queue.empty());
    QStringList from;
    for (size_t i = 0; i < rules.size(); ++i)
        from << QString::fromStdString(rules.dictionaryOf(i));
    QCOMPARE(from, sources);
}

// A workspace that starts while the rules load appends its names: this pass
// loads them too.
void TestRuleLoading::namesAppendedWhileLoading()
{
    std::deque<std::string> queue{"A.dict"};
    RuleLoadingInput in = input(queue);
    bool appended = false;
    in.setProgressMaximum = [&](int) {
        if (!appended)
            queue.push_back("B.dict");
        appended = true;
    };
    PassRuleList rules;
    QCOMPARE(loadPassRules(in, rules), RuleLoadingOutcome::Loaded);
    QCOMPARE(searches(rules), (QStringList{"a1", "a2", "b1"}));
}

void TestRuleLoading::missingFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("no such file") << "none.dict";
    QTest::newRow("outside the folder") << "../outside.dict";
    QTest::newRow("an absolute path") << "/etc/passwd";
    QTest::newRow("the folder itself") << ".";
    QTest::newRow("the folder above") << "..";
    QTest::newRow("a NUL inside") << QString("A.dict") + QChar(0) + "x";
    QTest::newRow("a folder") << "sub";
}

// A dictionary file that does not exist goes to the pass's catch-all; the
// names after it stay queued for the next pass.
void TestRuleLoading::missingFile()
{
    QFETCH(QString, name);
    QVERIFY(QDir(QString::fromStdString(folder_.path())).mkdir("sub"));
    std::deque<std::string> queue{"A.dict", name.toStdString(), "B.dict"};
    PassRuleList rules;
    QVERIFY_THROWS_EXCEPTION(IOException, loadPassRules(input(queue), rules));
    QCOMPARE(searches(rules), (QStringList{"a1", "a2"}));
    QCOMPARE(queue, (std::deque<std::string>{"B.dict"}));
    // The last dictionary taken up is the one that failed.
    QCOMPARE(QString::fromStdString(rules.dictionaries.back().first), name);
}

// No item can be formed for an empty name: the pass's notice.
void TestRuleLoading::noItemForTheName()
{
    std::deque<std::string> queue;
    PassRuleList rules;
    QCOMPARE(loadPassRules(input(queue, ""), rules), RuleLoadingOutcome::DictionaryMissing);
    QCOMPARE(rules.size(), size_t(0));

    std::deque<std::string> later{"A.dict", "", "B.dict"};
    QCOMPARE(loadPassRules(input(later), rules), RuleLoadingOutcome::DictionaryMissing);
    QCOMPARE(searches(rules), (QStringList{"a1", "a2"}));
    QCOMPARE(later, (std::deque<std::string>{"B.dict"}));
}

void TestRuleLoading::textsStayAsStored()
{
    write("stored.dict", "a\\tb\tx\\ry\t*-*-\tnote\tfifth\rword only\r");
    std::deque<std::string> queue{"stored.dict"};
    PassRuleList rules;
    QCOMPARE(loadPassRules(input(queue), rules), RuleLoadingOutcome::Loaded);
    QCOMPARE(rules.searchList, (std::vector<std::string>{"a\\tb", "word only"}));
    QCOMPARE(rules.replaceList, (std::vector<std::string>{"x\\ry", ""}));
    QCOMPARE(rules.optionList, (std::vector<std::string>{"*-*-", ""}));
    QCOMPARE(rules.commentList, (std::vector<std::string>{"note", ""}));
}

QTEST_GUILESS_MAIN(TestRuleLoading)
#include "tst_ruleloading.moc"
