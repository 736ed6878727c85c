// A pass that skips the rules that cannot match gives exactly what a pass
// that searches every rule gives, in the same mode: the same output bytes,
// the same files written, the same counts in the result notice, the same
// failure. Run on the benchmark dictionaries over real Japanese text, and on
// rule sets made to trip the filter.

#include "tst_pass_fake.h"

#include "platform/core/Date.h"
#include "platform/core/Errors.h"
#include "proofing/core/RegEx.h"
#include "support/TestServices.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

using namespace tv;
using tv::test::FakePassView;

namespace {

struct Rule {
    std::string search, replace, options;
};

std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The Debian Reference in Japanese when the package is installed, else empty.
std::string debianReference()
{
    const char* path = "/usr/share/debian-reference/debian-reference.ja.txt.gz";
    if (!QFile::exists(path))
        return {};
    std::string out;
    if (FILE* p = ::popen((std::string("gzip -dc ") + path).c_str(), "r")) {
        char buffer[65536];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, p)) > 0)
            out.append(buffer, n);
        ::pclose(p);
    }
    return out;
}

std::string benchDictionary(const std::string& name)
{
    return readBytes(std::string(TV_TEST_DATA "/../../../shared/bench/") + name);
}

// Pieces of `text` of about `size` bytes, cut after a line end.
std::vector<std::string> slices(const std::string& text, size_t count, size_t size)
{
    std::vector<std::string> out;
    size_t at = 0;
    for (size_t k = 0; k < count && at < text.size(); ++k) {
        size_t end = std::min(text.size(), at + size);
        const size_t nl = text.find('\n', end);
        end = nl == std::string::npos ? text.size() : nl + 1;
        out.push_back(text.substr(at, end - at));
        // Spread the pieces over the whole text.
        at = std::max(end, text.size() / count * (k + 1));
    }
    return out;
}

std::string options(bool regex, bool caseSensitive, bool greedy, bool dotAll, bool empty,
                    bool confirm = false)
{
    std::string o = "--------";
    o[0] = regex ? '*' : '-';
    o[2] = confirm ? '*' : '-';
    o[4] = caseSensitive ? '*' : '-';
    o[5] = greedy ? '*' : '-';
    o[6] = dotAll ? '*' : '-';
    o[7] = empty ? '*' : '-';
    return o;
}

std::string dictionaryOf(const std::vector<Rule>& rules)
{
    std::string bytes = "Tesvora Dictionary,100,100,573,502,UTF8\r";
    for (const Rule& r : rules)
        bytes += r.search + "\t" + r.replace + "\t" + r.options + "\t\r";
    return bytes;
}

struct Outcome {
    std::map<std::string, std::string> files; // every file of the input folder afterwards
    int filesDone = 0, savedCount = 0, replaceCount = 0;
    bool itemChanged = false, manyFiles = false;
    std::vector<std::string> messages;
    std::vector<std::string> searchTexts; // what each rule showed
    std::vector<std::string> replaceTexts, replaceCounts;
    std::vector<int> progressValues;
    int paletteCloses = 0;
    std::vector<std::pair<int64_t, std::string>> marks; // every question, where and what
    std::vector<std::string> offers, loadedTexts;
    size_t candidateLists = 0;
    int64_t applied = 0, searched = 0;
};

Outcome runPass(const std::string& dictionary, const std::vector<std::string>& inputs, bool fast,
                bool filtered)
{
    Outcome o;
    QTemporaryDir dir(QStringLiteral(TV_BUILD_DIR "/tst_pass_filter-XXXXXX"));
    const std::string appDir = dir.path().toStdString() + "/app";
    const std::string inDir = dir.path().toStdString() + "/in";
    QDir().mkpath(QString::fromStdString(appDir + "/Dictionary"));
    QDir().mkpath(QString::fromStdString(appDir + "/Script"));
    QDir().mkpath(QString::fromStdString(inDir));
    std::ofstream(appDir + "/Dictionary/test.dict", std::ios::binary) << dictionary;
    FolderItem::overrideApplicationFolder(appDir);
    Date::setFixedClock(Date{2026, 3, 7, 9, 5, 30, 0});
    test::TestServices services;
    AppState app;
    registerAppState(&app);
    app.setDefaultSettings();
    app.prefAlarmType = "none";
    app.prefDefaultDic = "test.dict";
    app.isFastProof = fast;
    for (size_t k = 0; k < inputs.size(); ++k) {
        const std::string path = inDir + "/text" + std::to_string(k) + ".txt";
        std::ofstream(path, std::ios::binary) << inputs[k];
        app.dropItem.push_back(FolderItem::fromPath(path));
    }
    auto view = std::make_shared<FakePassView>(app);
    view->closeNoticesAtOnce = true;
    proof::filterRules = filtered;
    auto pass = test::runPass(app, view);
    proof::filterRules = true;
    if (pass->isFinished()) {
        o.filesDone = pass->filesDone();
        o.savedCount = pass->savedCount();
        o.replaceCount = pass->passReplaceCount();
        o.itemChanged = pass->itemChanged();
        o.manyFiles = pass->manyFiles();
        o.applied = pass->rulesApplied();
        o.searched = pass->rulesSearched();
    } else {
        o.messages.push_back("the pass did not end");
    }
    QDirIterator it(QString::fromStdString(inDir), QDir::Files);
    while (it.hasNext()) {
        const QString path = it.next();
        o.files[it.fileName().toStdString()] = readBytes(path.toStdString());
    }
    o.messages.insert(o.messages.end(), services.messages.begin(), services.messages.end());
    o.searchTexts = view->searchTexts;
    o.replaceTexts = view->replaceTexts;
    o.replaceCounts = view->replaceCounts;
    o.progressValues = view->progressValues;
    o.paletteCloses = view->paletteCloses;
    o.marks = view->marks;
    o.offers = view->offers;
    o.loadedTexts = view->loadedTexts;
    o.candidateLists = view->selectLists.size();
    FolderItem::overrideApplicationFolder("");
    Date::setFixedClock(std::nullopt);
    return o;
}

// Rules meant to trip the filter: caseless letters of every width and the
// folds that change a character's length, dot-all and multi-line rules,
// look-arounds, alternations, optional and empty-matching parts, \b,
// classes, replacements that make or unmake later rules' text, plain rules,
// and rules across line ends.
std::vector<Rule> stressRules()
{
    const bool R = true, P = false;
    return {
        {"key", "KEY", options(R, false, true, false, false)},
        {"KEY", "ſet", options(P, false, false, false, false)},
        {"set", "\u212Aelvin", options(R, false, true, false, false)},
        {"kelvin", "ケルビン", options(P, false, false, false, false)},
        {"ＡＢＣ", "ａｂ", options(R, false, true, false, false)},
        {"ａｂ", "済", options(P, false, false, false, false)},
        {"ssl", "SSL", options(P, true, false, false, false)},
        {"(?i)Debian", "デビアン", options(R, true, true, false, false)},
        {"。\\r(です)", "。$1", options(R, true, true, false, false)},
        {"行.*?末", "[$0]", options(R, true, false, true, false)},
        {"^コマンド", "＞コマンド", options(R, true, true, false, false)},
        {"する$", "します", options(R, true, true, false, false)},
        {"(?<=設定)ファイル", "ﾌｧｲﾙ", options(R, true, true, false, false)},
        {"パッケージ(?!管理)", "package", options(R, true, true, false, false)},
        {"(?:インストール|導入)(?:する|します)", "入れる", options(R, true, true, false, false)},
        {"package", "パッケージ管理", options(P, true, false, false, false)},
        {"パッケージ管理", "PM", options(R, true, true, false, false)},
        {"x?", "", options(R, true, true, false, true)},
        {"(?:で)?きる", "ける", options(R, true, true, false, true)},
        {"\\bapt\\b", "APT", options(R, true, true, false, false)},
        {"[０-９]+", "#", options(R, true, true, false, false)},
        {"#\\\\t", "番号\\t", options(P, true, false, false, false)},
        {"\\t", " ", options(R, true, true, false, false)},
        {"の\\r", "の", options(P, true, false, false, false)},
        {"(ファ|フ)イル", "file$1", options(R, false, true, false, false)},
        {"fileフ", "FILE", options(R, false, true, false, false)},
        {"FILE", "", options(P, false, false, false, false)},
        {"ます。", "る。", options(R, true, true, false, false, true)},
        {"コマンド", "命令", "-*--*---"},
        {"存在しない", "なし", "**--*---"},
        {"\\r\\r", "\\r", options(R, true, true, false, false)},
    };
}

std::string stressText()
{
    return "Debian の KEY と key と \u212Aey、ſET と SET。\n"
           "ＡＢＣ と ａｂｃ と ABC。ssl と SSL と Ssl。\n"
           "行の途中から\n次の行末まで。\n"
           "コマンドを実行する\n"
           "設定ファイルを開きます。\n"
           "パッケージ管理とパッケージを導入します。\n"
           "ここでできる、ここできる。\n"
           "apt と aptitude と apt-get。\n"
           "番号 １２３\tと\t４５。\n"
           "ファイルとフイルの\n\n\n"
           "最後の行";
}

// Random patterns from pieces that the filter reads in different ways, kept
// when the engine takes them.
std::vector<Rule> generatedRules(unsigned seed, size_t count)
{
    const std::vector<std::string> pieces = {
        "の", "行", "key", "K", "\u212A", "s", "ſ", "ａ", "Ａ", "(?i)", "(?-i)", "(", ")", "(?:", "|",
        "?", "*", "+", "{2}", ".", "\\b", "(?=", "(?<=", "(?!", "[あ-ん]", "\\r", "^", "$", "\\s",
        "ます", "する", "。", "ファイル", "パッケージ"};
    const std::vector<std::string> replacements = {"", "の", "ます", "key", "K", "\\r", "$0$0",
                                                   "ファイル", "。", "パッケージ"};
    std::mt19937 random(seed);
    std::vector<Rule> rules;
    RegEx re;
    while (rules.size() < count) {
        std::string pattern;
        const int n = 1 + int(random() % 6);
        for (int k = 0; k < n; ++k)
            pattern += pieces[random() % pieces.size()];
        const bool regex = random() % 4 != 0;
        const bool caseSensitive = random() % 2;
        const bool dotAll = random() % 2;
        const bool empty = random() % 3 == 0;
        if (regex) {
            re.Options.CaseSensitive = caseSensitive;
            re.Options.DotMatchAll = dotAll;
            re.SearchPattern = pattern;
            try {
                re.compile();
            } catch (const RegExException&) {
                continue;
            }
        } else if (pattern.find('\\') != std::string::npos) {
            continue;
        }
        rules.push_back({pattern, replacements[random() % replacements.size()],
                         options(regex, caseSensitive, random() % 2, dotAll, empty)});
    }
    return rules;
}

} // namespace

class TestPassFilter : public QObject {
    Q_OBJECT

private slots:
    void sameOutcome_data();
    void sameOutcome();
    void rejectedPatternStillEndsThePass_data();
    void rejectedPatternStillEndsThePass();

private:
    void compare(const std::string& dictionary, const std::vector<std::string>& inputs, bool fast,
                 bool expectSkips);
};

void TestPassFilter::compare(const std::string& dictionary, const std::vector<std::string>& inputs,
                             bool fast, bool expectSkips)
{
    const Outcome all = runPass(dictionary, inputs, fast, false);
    const Outcome filtered = runPass(dictionary, inputs, fast, true);
    QCOMPARE(filtered.messages, all.messages);
    QCOMPARE(filtered.files.size(), all.files.size());
    for (const auto& [name, bytes] : all.files) {
        auto it = filtered.files.find(name);
        QVERIFY2(it != filtered.files.end(), name.c_str());
        QVERIFY2(it->second == bytes, name.c_str());
    }
    QCOMPARE(filtered.filesDone, all.filesDone);
    QCOMPARE(filtered.savedCount, all.savedCount);
    QCOMPARE(filtered.replaceCount, all.replaceCount);
    QCOMPARE(filtered.itemChanged, all.itemChanged);
    QCOMPARE(filtered.manyFiles, all.manyFiles);
    // Skipped rules still show themselves; the questions stay the same.
    QCOMPARE(filtered.searchTexts, all.searchTexts);
    QCOMPARE(filtered.replaceTexts, all.replaceTexts);
    QCOMPARE(filtered.replaceCounts, all.replaceCounts);
    QCOMPARE(filtered.progressValues, all.progressValues);
    QCOMPARE(filtered.paletteCloses, all.paletteCloses);
    QCOMPARE(filtered.marks, all.marks);
    QCOMPARE(filtered.offers, all.offers);
    QCOMPARE(filtered.loadedTexts, all.loadedTexts);
    QCOMPARE(filtered.candidateLists, all.candidateLists);
    QCOMPARE(all.searched, all.applied);
    QCOMPARE(filtered.applied, all.applied);
    if (expectSkips)
        QVERIFY(filtered.searched < filtered.applied);
}

void TestPassFilter::sameOutcome_data()
{
    QTest::addColumn<QString>("set");
    QTest::addColumn<bool>("fast");
    for (const char* set : {"webdb", "techbooster", "stress", "stress, large", "generated 1", "generated 2", "generated 3"}) {
        QTest::newRow(qPrintable(QStringLiteral("%1, fast").arg(set))) << set << true;
        QTest::newRow(qPrintable(QStringLiteral("%1, default").arg(set))) << set << false;
    }
}

void TestPassFilter::sameOutcome()
{
    QFETCH(QString, set);
    QFETCH(bool, fast);
    if (set == "webdb" || set == "techbooster") {
        const std::string text = debianReference();
        if (text.empty())
            QSKIP("the Debian Reference in Japanese (debian-reference-ja) is not installed");
        const std::string dictionary = benchDictionary(set.toStdString() + ".dict");
        QVERIFY(!dictionary.empty());
        compare(dictionary, slices(text, 4, 40000), fast, true);
    } else if (set == "stress") {
        const std::string text = stressText();
        compare(dictionaryOf(stressRules()), {text, text + "\nkey\n", "何もない", ""}, fast, true);
    } else if (set == "stress, large") {
        // Large enough to be searched aside while the windows go on.
        std::string text = stressText() + "\n";
        while (text.size() < (size_t(5) << 20))
            text += std::string(200, 'z') + "\n";
        text += stressText();
        // Empty matches at every character would only make it slow.
        std::vector<Rule> rules;
        for (const Rule& r : stressRules())
            if (r.options[7] != '*')
                rules.push_back(r);
        compare(dictionaryOf(rules), {text}, fast, true);
    } else {
        const auto seed = static_cast<unsigned>(set.back().digitValue());
        std::string text;
        const std::vector<std::string> words = {"の", "行", "key", "K", "\u212A", "s", "ſ", "S", "ａ",
                                                "Ａ", "\n", "ます", "する", "。", "ファイル", " "};
        std::mt19937 random(seed * 31);
        for (int k = 0; k < 600; ++k)
            text += words[random() % words.size()];
        compare(dictionaryOf(generatedRules(seed, 150)), {text, text.substr(0, 300), "行"}, fast, false);
    }
}

void TestPassFilter::rejectedPatternStillEndsThePass_data()
{
    QTest::addColumn<bool>("fast");
    QTest::addColumn<int>("size");
    QTest::newRow("fast") << true << 0;
    QTest::newRow("default") << false << 0;
    // Searched aside: the failure comes back to the pass all the same.
    QTest::newRow("fast, large") << true << (5 << 20);
    QTest::newRow("default, large") << false << (5 << 20);
}

// A bad pattern whose literal part the text lacks is still handed to the
// engine, which ends the pass at that rule.
void TestPassFilter::rejectedPatternStillEndsThePass()
{
    QFETCH(bool, fast);
    QFETCH(int, size);
    const std::string padding(size_t(size), 'x');
    const std::vector<Rule> rules = {
        {"の", "ノ", options(true, true, true, false, false)},
        {"存在しない[z-a]", "x", options(true, true, true, false, false)},
        {"ノ", "の", options(true, true, true, false, false)},
    };
    compare(dictionaryOf(rules), {"あのね" + padding, "そのほか"}, fast, false);
    const Outcome o = runPass(dictionaryOf(rules), {"あのね" + padding}, fast, true);
    QCOMPARE(o.messages.size(), size_t(1));
    QCOMPARE(o.savedCount, 0);
    QCOMPARE(o.searched, int64_t(1));
    // A pattern the analysis gives up on is searched, and rejected there.
    const std::vector<Rule> unread = {
        {"の", "ノ", options(true, true, true, false, false)},
        {"(abc", "x", options(true, true, true, false, false)},
    };
    compare(dictionaryOf(unread), {"あのね" + padding}, fast, false);
    const Outcome u = runPass(dictionaryOf(unread), {"あのね" + padding}, fast, true);
    QCOMPARE(u.messages.size(), size_t(1));
    QCOMPARE(u.searched, int64_t(2));
}

QTEST_MAIN(TestPassFilter)
#include "tst_pass_filter.moc"
