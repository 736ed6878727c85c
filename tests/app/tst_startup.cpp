// Start-up, the dictionary menus built from the folder "Dictionary", and the
// quit sequence.

#include "app/ui/AboutBox.h"
#include "app/ui/App.h"
#include "support/Windows.h"
#include "platform/core/FolderItem.h"
#include "platform/core/Text.h"
#include "support/TestServices.h"

#include "support/Files.h"

#include <QApplication>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <sys/stat.h>
#include <sys/xattr.h>

using namespace tv;
using tv::test::readFile;
using tv::test::writeFile;

namespace {



bool setType(const std::string& path, const char* code)
{
    return ::setxattr(path.c_str(), "user.tesvora.type", code, 4, 0) == 0;
}

// A document window that answers its close question as the test says.
class DocWindow : public Window {
public:
    explicit DocWindow(bool refuse) : Window("docWindow"), refuse_(refuse)
    {
        setWidget(new QWidget);
        Show();
    }
    bool Event_CancelClose() override
    {
        ++asked;
        return refuse_;
    }
    int asked = 0;

private:
    bool refuse_;
};

// One start of the program in its own application and preferences folders.
struct Start {
    QTemporaryDir appDir {QStringLiteral(TV_BUILD_DIR) + QStringLiteral("/tst_startup-XXXXXX")};
    QTemporaryDir configDir {QStringLiteral(TV_BUILD_DIR) + QStringLiteral("/tst_startup-cfg-XXXXXX")};
    test::TestServices seam;

    Start()
    {
        FolderItem::overrideApplicationFolder(appDir.path().toStdString());
        qputenv("XDG_CONFIG_HOME", configDir.path().toUtf8());
    }
    ~Start() { FolderItem::overrideApplicationFolder(""); }
    std::string app() const { return appDir.path().toStdString(); }
    std::string dict() const { return app() + "/Dictionary"; }
    std::string prefs() const { return configDir.path().toStdString() + "/Tesvora Prefs"; }
    void prepareDictionaries(const QStringList& names)
    {
        ::mkdir(dict().c_str(), 0777);
        for (const QString& n : names)
            writeFile(dict() + "/" + n.toStdString(), "");
    }
};

QStringList texts(App& a, const char* array)
{
    QStringList out;
    for (int i = 1; MenuItem* it = a.MenuBar().item(array, i); ++i)
        out << QString::fromStdString(it->Text());
    return out;
}

QList<int> checkedMembers(App& a)
{
    QList<int> out;
    for (int i = 1; MenuItem* it = a.MenuBar().item("dicList", i); ++i)
        if (it->Checked())
            out << i;
    return out;
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void firstStart()
    {
        Start s;
        App a;
        a.Event_Open();
        QVERIFY(FolderItem::fromPath(s.app() + "/Script").Directory());
        FolderItem empty = FolderItem::fromPath(s.dict() + "/新規辞書.dict");
        QVERIFY(empty.Exists());
        QCOMPARE(empty.fileLength(), int64_t(0));
        QCOMPARE(texts(a, "dicList"), QStringList {"新規辞書.dict"});
        QCOMPARE(texts(a, "dicEditList"), QStringList {"新規辞書.dict"});
        QCOMPARE(checkedMembers(a), QList<int> {1});
        QCOMPARE(a.MenuBar().item("dicList", 1)->CommandKey(), std::string());
        QCOMPARE(a.prefDefaultDic, std::string("新規辞書.dict"));
        QCOMPARE(a.dicMenuNo, 1);
        QCOMPARE(texts(a, "resentListMenu"), QStringList(10, "(未使用)"));
        QVERIFY(aboutWin::existing() && !aboutWin::existing()->widget()->isVisible());
        QVERIFY(s.seam.messages.empty());
        if (::getxattr(empty.path().c_str(), "user.tesvora.type", nullptr, 0) > 0) {
            QCOMPARE(empty.MacType(), std::string("dict"));
            QCOMPARE(empty.MacCreator(), std::string("Tv9x"));
        }
        QVERIFY(a.quitCommand());
        std::string prefs = readFile(s.prefs());
        QCOMPARE(std::count(prefs.begin(), prefs.end(), '\r'), 30L);
        QVERIFY(prefs.rfind("新規辞書.dict\r") != std::string::npos);
    }

    void dictionaryFolder_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<int>("checked");
        QTest::newRow("sorted, current found")
            << QStringList {"b.dict", "a.dict", "notes.txt"} << "b.dict" << QStringList {"a.dict", "b.dict"} << 2;
        QTest::newRow("current missing: first becomes current")
            << QStringList {"b.dict", "a.dict"} << "gone.dict" << QStringList {"a.dict", "b.dict"} << 1;
        QTest::newRow("current empty") << QStringList {"x.dict"} << "" << QStringList {"x.dict"} << 1;
        QTest::newRow("name compared ignoring case")
            << QStringList {"A.dict", "B.DICT"} << "b.dict" << QStringList {"A.dict", "B.DICT"} << 2;
        QTest::newRow("two names equal ignoring case: only the first is marked")
            << QStringList {"Memo.dict", "memo.dict"} << "MEMO.dict" << QStringList {"Memo.dict", "memo.dict"} << 1;
        QTest::newRow("the byte-exact name before one equal ignoring case")
            << QStringList {"Memo.dict", "memo.dict"} << "memo.dict" << QStringList {"Memo.dict", "memo.dict"} << 2;
        QTest::newRow("resource-fork copies are no dictionaries")
            << QStringList {"._a.dict", "a.dict"} << "a.dict" << QStringList {"a.dict"} << 1;
        QTest::newRow("dictionary header without codes")
            << QStringList {"a.dict"} << "a.dict" << QStringList {"a.dict"} << 1;
    }
    void dictionaryFolder()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, current);
        QFETCH(QStringList, listed);
        QFETCH(int, checked);
        Start s;
        s.prepareDictionaries(files);
        writeFile(s.prefs(), std::string(9, '\r') + current.toStdString() + "\r");
        App a;
        a.Event_Open();
        QCOMPARE(texts(a, "dicList"), listed);
        QCOMPARE(texts(a, "dicEditList"), listed);
        QCOMPARE(checkedMembers(a), QList<int> {checked});
        // The current name stays as it was read where it equals the listed one.
        QVERIFY(textEquals(a.prefDefaultDic, listed[checked - 1].toStdString()));
        QCOMPARE(a.dicMenuNo, int(listed.size()));
        QVERIFY(!FolderItem::fromPath(s.dict() + "/新規辞書.dict").Exists());
    }

    // A file name that is not UTF-8 is listed under a caption with U+FFFD,
    // and the entry still finds its file: as the current dictionary, in the
    // preferences file, through an event and through the editor command.
    void nameThatIsNotUtf8StaysUsable()
    {
        Start s;
        const std::string raw = "\xff\xfe\x83\x65.dict"; // Latin-1 and Shift_JIS bytes
        s.prepareDictionaries({"a.dict"});
        writeFile(s.dict() + "/" + raw, "");
        writeFile(s.prefs(), std::string(9, '\r') + raw + "\r");
        App a;
        a.Event_Open();
        QCOMPARE(a.dicMenuNo, 2);
        QCOMPARE(checkedMembers(a), QList<int> {2});
        QCOMPARE(a.prefDefaultDic, raw);
        QVERIFY(a.dictionaryFolder().Child(a.prefDefaultDic).Exists());
        QVERIFY(a.MenuBar().item("dicList", 2)->action()->text().contains(QChar(0xFFFD)));

        a._dicList_Action(1);
        QVERIFY(a.Event_HandleAppleEvent("Tv9x", "used", raw, FolderItem()));
        QCOMPARE(a.prefDefaultDic, raw);
        QCOMPARE(checkedMembers(a), QList<int> {2});

        test::registerAllWindows();
        a._dicSelectedEdit_Action();
        QCOMPARE(int(a.dicEditWin.size()), 1);
        QCOMPARE(a.dicEditWin[0]->editDic, raw);
        QCOMPARE(a.dicEditWin[0]->filePath(), s.dict() + "/" + raw);

        QVERIFY(a.quitCommand());
        const std::string prefs = readFile(s.prefs());
        QVERIFY(prefs.find("\r" + raw + "\r") != std::string::npos);
    }

    // Names that differ only in case are both listed, and an event marks
    // only the one it names, byte for byte where there is one.
    void caseVariantsEachReachable()
    {
        Start s;
        s.prepareDictionaries({"D1.dict", "d1.dict"});
        App a;
        a.Event_Open();
        QVERIFY(a.Event_HandleAppleEvent("Tv9x", "used", "d1.dict", FolderItem()));
        QCOMPARE(checkedMembers(a), QList<int> {2});
        QCOMPARE(a.prefDefaultDic, std::string("d1.dict"));
        QVERIFY(a.Event_HandleAppleEvent("Tv9x", "used", "D1.dict", FolderItem()));
        QCOMPARE(checkedMembers(a), QList<int> {1});
        QVERIFY(a.Event_HandleAppleEvent("Tv9x", "used", "D1.DICT", FolderItem()));
        QCOMPARE(checkedMembers(a), QList<int> {1});
    }

    // Without a current dictionary the editor command opens nothing.
    void emptyCurrentNameOpensNoEditor()
    {
        Start s;
        s.prepareDictionaries({"a.dict"});
        App a;
        a.Event_Open();
        test::registerAllWindows();
        a.prefDefaultDic.clear();
        a._dicSelectedEdit_Action();
        a._dicSelectedEdit_Action();
        QVERIFY(a.dicEditWin.empty());
    }

    void typesDecideDictionaries()
    {
        Start s;
        s.prepareDictionaries({"plain", "rules.ttro", "words.dict"});
        if (!setType(s.dict() + "/plain", "TEXT") || !setType(s.dict() + "/rules.ttro", "ttro"))
            QSKIP("the build folder's file system has no extended attributes");
        ::mkdir((s.dict() + "/folder.dict").c_str(), 0777);
        App a;
        a.Event_Open();
        // TEXT whatever its name; ".dict" whatever its type, folders too.
        QCOMPARE(texts(a, "dicList"), (QStringList {"folder.dict", "plain", "words.dict"}));
    }

    void saveCutShortIsNotListed()
    {
        // What a kill during a save leaves beside the dictionary: a
        // dictionary by its content, but never one of the menu's.
        Start s;
        s.prepareDictionaries({"新規辞書.dict"});
        writeFile(s.dict() + "/" + safeWriteTemporaryName("新規辞書.dict"), "Tesvora Dictionary,1,2,3,4,UTF8\ra\tb\r");
        App a;
        a.Event_Open();
        QCOMPARE(texts(a, "dicList"), QStringList {"新規辞書.dict"});
        QCOMPARE(a.dicMenuNo, 1);
    }

    void twelveDictionaries()
    {
        Start s;
        QStringList names;
        for (int i = 1; i <= 12; ++i)
            names << QString::asprintf("d%02d.dict", i);
        s.prepareDictionaries(names);
        App a;
        a.Event_Open();
        QCOMPARE(a.dicMenuNo, 12);
        for (int i = 1; i <= 12; ++i) {
            std::string key = i < 10 ? std::to_string(i) : std::string();
            QCOMPARE(a.MenuBar().item("dicList", i)->CommandKey(), key);
            QCOMPARE(a.MenuBar().item("dicEditList", i)->CommandKey(), std::string());
        }
    }

    void systemCheck_data()
    {
        QTest::addColumn<qint64>("version");
        QTest::addColumn<bool>("fails");
        QTest::newRow("0x09FF") << qint64(0x09FF) << true;
        QTest::newRow("query fails") << qint64(-1) << true;
        QTest::newRow("0x0A00") << qint64(0x0A00) << false;
    }
    void systemCheck()
    {
        QFETCH(qint64, version);
        QFETCH(bool, fails);
        Start s;
        s.seam.systemVersion = version < 0 ? std::nullopt : std::optional<int64_t>(version);
        App a;
        a.Event_Open();
        QCOMPARE(s.seam.messages.size(), size_t(fails ? 1 : 0));
        if (fails)
            QCOMPARE(s.seam.messages[0], std::string("Mac OS X 上で実行して下さい"));
        // Start-up goes on after the message; the quit follows.
        QCOMPARE(a.dicMenuNo, 1);
        QCoreApplication::processEvents();
        QCOMPARE(a.isQuitting(), fails);
        QCOMPARE(a.exitStatus(), 0);
    }

    void quitRefusedWhileWorking()
    {
        Start s;
        App a;
        a.Event_Open();
        a.isWorking = true;
        a.EnableMenuItems();
        QVERIFY(!a.MenuBar().item("FileQuit")->Enabled());
        QVERIFY(!a.quitCommand());
        QVERIFY(!FolderItem::fromPath(s.prefs()).Exists());
        a.isWorking = false;
        a.EnableMenuItems();
        QVERIFY(a.MenuBar().item("FileQuit")->Enabled());
    }

    void quitStopsAtAWindowThatStaysOpen()
    {
        Start s;
        App a;
        a.Event_Open();
        auto first = std::make_unique<DocWindow>(false);
        auto keeps = std::make_unique<DocWindow>(true);
        auto last = std::make_unique<DocWindow>(false);
        QVERIFY(!a.quitCommand());
        // Newest first: the last window closed, then the one that refused
        // stopped the quit; the oldest was never asked.
        QVERIFY(!last->isOpen());
        QVERIFY(keeps->isOpen());
        QCOMPARE(first->asked, 0);
        QVERIFY(first->isOpen());
        QVERIFY(!a.isQuitting());
        QVERIFY(!FolderItem::fromPath(s.prefs()).Exists());
    }

    void quitClosesEveryWindowThenWrites()
    {
        Start s;
        App a;
        a.Event_Open();
        auto one = std::make_unique<DocWindow>(false);
        auto two = std::make_unique<DocWindow>(false);
        one->setTitle("kept title");
        QVERIFY(a.quitCommand());
        QVERIFY(!one->isOpen() && !two->isOpen());
        // A closed window's title stays readable.
        QCOMPARE(one->Title(), std::string("kept title"));
        QVERIFY(FolderItem::fromPath(s.prefs()).Exists());
    }

    void framePlacedFromLastLine()
    {
        Start s;
        writeFile(s.prefs(), std::string(29, '\r') + "40,30,500,150\r");
        App a;
        a.Event_Open();
        QCOMPARE(a.MDIWindow()->geometry(), QRect(30, 40, 500, 150));
        QVERIFY(a.quitCommand());
        std::string prefs = readFile(s.prefs());
        QVERIFY(prefs.size() > 14);
        QCOMPARE(prefs.substr(prefs.size() - 14), std::string("40,30,500,150\r"));
    }

    // A place from another screen layout is held to the screen, so that the
    // window with the menus stays in reach.
    void staleFrameHeldToTheScreen_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("far up and left") << "-5000,-5000,400,120";
        QTest::newRow("far down and right") << "90000,90000,400,120";
        QTest::newRow("wider than any screen") << "0,0,99999,120";
        QTest::newRow("half off the right edge") << "10,100000,400,120";
    }
    void staleFrameHeldToTheScreen()
    {
        QFETCH(QString, line);
        Start s;
        writeFile(s.prefs(), std::string(29, '\r') + line.toStdString() + "\r");
        App a;
        a.Event_Open();
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect g = a.MDIWindow()->geometry();
        QVERIFY2(area.contains(g), qPrintable(QStringLiteral("%1,%2 %3x%4 outside %5x%6")
                                                  .arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height())
                                                  .arg(area.width()).arg(area.height())));
    }

    void zeroSizeFrameIsKeptButNotApplied()
    {
        Start s;
        writeFile(s.prefs(), std::string(29, '\r') + "40,30,0,0\r");
        App a;
        a.Event_Open();
        QVERIFY(a.MDIWindow()->width() > 0 && a.MDIWindow()->height() > 0);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
