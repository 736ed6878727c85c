// The input filter and the folder walk.

#include "app/core/AppState.h"
#include "platform/core/FolderItem.h"
#include "platform/core/Thread.h"

#include "support/Files.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace tv;
using tv::test::readFile;
using tv::test::writeFile;

namespace {


QString fixture()
{
    return QStringLiteral(TV_BUILD_DIR) + QStringLiteral("/tst_intake-XXXXXX");
}

QStringList queuedNames(const AppState& s, const std::string& root)
{
    QStringList out;
    for (const FolderItem& f : s.dropItem)
        out << QString::fromStdString(f.path().substr(root.size() + 1));
    return out;
}

// Saves a file into a folder each time it runs, as a pass saving its outputs
// "sameplace" would while the walk goes on.
class Saver : public Thread {
public:
    explicit Saver(std::string folder) : folder_(std::move(folder)) {}
    int saved = 0;
    bool stop = false;

protected:
    void Event_Run() override
    {
        while (!stop && saved < 50) {
            writeFile(folder_ + "/out" + std::to_string(saved++) + "[fixed].txt");
            yieldToOthers();
        }
    }

private:
    std::string folder_;
};

} // namespace

class TestIntake : public QObject {
    Q_OBJECT

private slots:
    void filter_data()
    {
        QTest::addColumn<QString>("types");
        QTest::addColumn<QString>("extensions");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("type without extension") << "TEXT,ttro" << "txt,text,html,htm" << "readme" << "TEXT" << true;
        QTest::newRow("other type, .htm") << "TEXT,ttro" << "txt,text,html,htm" << "page.htm" << "XXXX" << true;
        QTest::newRow(".html.bak") << "TEXT,ttro" << "txt,text,html,htm" << "page.html.bak" << "" << false;
        QTest::newRow("both settings empty") << "" << "" << "memo.txt" << "TEXT" << false;
        QTest::newRow("blank after comma is part of the field") << "" << "txt, html" << "a.html" << "" << false;
        QTest::newRow("blank field kept") << "" << "txt, html" << "a. html" << "" << true;
        QTest::newRow("empty extension field matches a final dot") << "" << "txt," << "name." << "" << true;
        QTest::newRow("empty type field matches no code") << "TEXT," << "" << "plain" << "" << true;
        QTest::newRow("extension compared ignoring case") << "" << "txt" << "MEMO.TXT" << "" << true;
        QTest::newRow("Japanese name by characters") << "" << "txt" << "日本語のメモ.txt" << "" << true;
        QTest::newRow("Japanese extension") << "" << "テキスト" << "メモ.テキスト" << "" << true;
        QTest::newRow("name shorter than the extension") << "" << "text" << "t" << "" << false;
        QTest::newRow("type compared ignoring case") << "text" << "" << "x" << "TEXT" << true;
    }
    void filter()
    {
        QFETCH(QString, types);
        QFETCH(QString, extensions);
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(bool, accepted);
        QTemporaryDir dir(fixture());
        std::string path = dir.path().toStdString() + "/" + name.toStdString();
        writeFile(path);
        FolderItem item = FolderItem::fromPath(path);
        if (!type.isEmpty() && !item.setMacType(type.toStdString()))
            QSKIP("the build folder's file system has no extended attributes");
        AppState s;
        s.prefFileType = types.toStdString();
        s.prefFileExtension = extensions.toStdString();
        QCOMPARE(s.fileFilter(item), accepted);
    }

    void walkIsDepthFirstInListingOrder()
    {
        QTemporaryDir dir(fixture());
        std::string root = dir.path().toStdString();
        ::mkdir((root + "/b").c_str(), 0777);
        ::mkdir((root + "/b/inner").c_str(), 0777);
        ::mkdir((root + "/empty").c_str(), 0777);
        ::mkdir((root + "/folder.txt").c_str(), 0777);
        writeFile(root + "/a.txt");
        writeFile(root + "/b/x.txt");
        writeFile(root + "/b/inner/y.text");
        writeFile(root + "/b/skip.doc");
        writeFile(root + "/c.htm");
        writeFile(root + "/folder.txt/z.txt");
        writeFile(root + "/._c.txt");
        AppState s;
        s.setDefaultSettings();
        s.openFolder(FolderItem::fromPath(root));
        // Folders are walked, never queued, whatever their names.
        QCOMPARE(queuedNames(s, root), (QStringList {"a.txt", "b/inner/y.text", "b/x.txt", "c.htm", "folder.txt/z.txt"}));
    }

    void onlyRegularFilesAreInput()
    {
        // A pipe, links to devices and a device node, named as input files:
        // neither queued by the walk nor accepted by the filter, and never
        // opened (the pipe would wait for a writer for ever).
        tv::test::HangGuard guard;
        QTemporaryDir dir(fixture());
        std::string root = dir.path().toStdString();
        writeFile(root + "/a.txt");
        ::mkfifo((root + "/pipe.txt").c_str(), 0666);
        QVERIFY(::symlink("/dev/zero", (root + "/zero.txt").c_str()) == 0);
        QVERIFY(::symlink("/dev/null", (root + "/null.txt").c_str()) == 0);
        QVERIFY(::symlink("a.txt", (root + "/link.txt").c_str()) == 0);
        ::mknod((root + "/device.txt").c_str(), S_IFCHR | 0666, makedev(1, 3)); // where we may
        writeFile(root + "/" + safeWriteTemporaryName("b.txt"), "cut short");
        ::setxattr((root + "/" + safeWriteTemporaryName("b.txt")).c_str(), "user.tesvora.type", "TEXT", 4, 0);
        AppState s;
        s.setDefaultSettings();
        s.openFolder(FolderItem::fromPath(root));
        QCOMPARE(queuedNames(s, root), (QStringList {"a.txt", "link.txt"}));
        for (const char* name : {"pipe.txt", "zero.txt", "null.txt", "device.txt"})
            QVERIFY2(!s.fileFilter(FolderItem::fromPath(root + "/" + name)), name);
        // A folder is walked by its callers, never accepted as a file; a file
        // that is gone still is, by its name.
        QVERIFY(!s.fileFilter(FolderItem::fromPath(root)));
        QVERIFY(s.fileFilter(FolderItem::fromPath(root + "/gone.txt")));
    }

    void walkEndsOnLinksThatLoop()
    {
        QTemporaryDir dir(fixture());
        std::string root = dir.path().toStdString();
        ::mkdir((root + "/d").c_str(), 0777);
        writeFile(root + "/d/a.txt");
        QVERIFY(::symlink("..", (root + "/d/up").c_str()) == 0);
        QVERIFY(::symlink(".", (root + "/d/self").c_str()) == 0);
        AppState s;
        s.setDefaultSettings();
        s.openFolder(FolderItem::fromPath(root));
        QCOMPARE(queuedNames(s, root), QStringList {"d/a.txt"});
        // Each walk starts afresh.
        s.openFolder(FolderItem::fromPath(root + "/d"));
        QCOMPARE(s.dropItem.size(), size_t(2));
    }

    void outputsSavedDuringTheWalkAreNotTaken()
    {
        QTemporaryDir dir(fixture());
        std::string root = dir.path().toStdString();
        for (int i = 0; i < 20; ++i)
            writeFile(root + "/memo" + std::to_string(i) + ".txt");
        auto saver = std::make_shared<Saver>(root);
        saver->Run();
        AppState s;
        s.setDefaultSettings();
        s.openFolder(FolderItem::fromPath(root));
        saver->stop = true;
        while (saver->isRunning())
            doEvents(5);
        QVERIFY(saver->saved > 0);
        QCOMPARE(s.dropItem.size(), size_t(20));
        for (const FolderItem& f : s.dropItem)
            QVERIFY(f.Name().find("[fixed]") == std::string::npos);
    }

    void startProofMarksThePassAndStartsIt()
    {
        AppState s;
        int started = 0;
        AppState::setPassStarter([&](AppState& state) {
            QVERIFY(state.isWorking);
            ++started;
        });
        s.startProof();
        QVERIFY(s.isWorking);
        QCOMPARE(started, 1);
        AppState::setPassStarter(nullptr);
    }
};

QTEST_GUILESS_MAIN(TestIntake)
#include "tst_intake.moc"
