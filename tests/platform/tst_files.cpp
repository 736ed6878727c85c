// File items, streams and the safe write.

#include "platform/core/Errors.h"
#include "platform/core/FileTypes.h"
#include "platform/core/FolderItem.h"
#include "platform/core/Streams.h"

#include "support/Files.h"

#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace tv;
using tv::test::folderEntries;
using tv::test::readFile;
using tv::test::writeFile;

Q_DECLARE_METATYPE(std::string)

namespace {

// Extended attributes work under the build folder on the usual file systems,
// where /tmp may lack them.
QString fixtureRoot()
{
    return QStringLiteral(TV_BUILD_DIR) + QStringLiteral("/tst_files-XXXXXX");
}



// Entries that are no regular file, each named as an input file would be: a
// pipe, links to two devices, and a device node where we may make one.
std::vector<std::string> specialFiles(const std::string& root)
{
    std::vector<std::string> names {"pipe.txt", "zero.txt", "null.txt"};
    ::mkfifo((root + "/pipe.txt").c_str(), 0666);
    ::symlink("/dev/zero", (root + "/zero.txt").c_str());
    ::symlink("/dev/null", (root + "/null.txt").c_str());
    if (::mknod((root + "/device.txt").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        names.push_back("device.txt");
    return names;
}

bool xattrsWork(const std::string& folder)
{
    std::string probe = folder + "/.probe";
    writeFile(probe, "");
    bool ok = ::setxattr(probe.c_str(), "user.tesvora.probe", "x", 1, 0) == 0;
    ::unlink(probe.c_str());
    return ok;
}

} // namespace

class TestFiles : public QObject {
    Q_OBJECT

private slots:
    void readLine_data()
    {
        QTest::addColumn<std::string>("content");
        QTest::addColumn<bool>("anyLineEnd");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR lines") << std::string("a\rb\r") << false << QStringList {"a", "b", ""};
        QTest::newRow("CR keeps LF in the line") << std::string("a\nb\rc") << false << QStringList {"a\nb", "c", ""};
        QTest::newRow("CR reader on CR LF") << std::string("a\r\nb") << false << QStringList {"a", "\nb", ""};
        QTest::newRow("any: LF") << std::string("a\nb\n") << true << QStringList {"a", "b", ""};
        QTest::newRow("any: CR LF is one end") << std::string("a\r\n\r\nb") << true << QStringList {"a", "", "b", ""};
        QTest::newRow("any: mixed") << std::string("a\rb\nc\r\nd") << true << QStringList {"a", "b", "c", "d", ""};
        QTest::newRow("empty") << std::string() << false << QStringList {"", ""};
        QTest::newRow("no final end") << std::string("日本語") << false << QStringList {"日本語", ""};
    }
    void readLine()
    {
        QFETCH(std::string, content);
        QFETCH(bool, anyLineEnd);
        QFETCH(QStringList, lines);
        TextInputStream in(content, anyLineEnd ? TextInputStream::LineEnds::Any : TextInputStream::LineEnds::CR);
        for (const QString& expected : lines)
            QCOMPARE(QString::fromStdString(in.ReadLine()), expected);
        QVERIFY(in.EOF_());
    }

    void nilItemsThrow()
    {
        FolderItem nil;
        QVERIFY(nil.isNil());
        QVERIFY_THROWS_EXCEPTION(NilObjectException, nil.Exists());
        QVERIFY_THROWS_EXCEPTION(NilObjectException, nil.Child("x"));
        QVERIFY(FolderItem::fromPath("relative/path").isNil());
        QVERIFY(FolderItem::fromPath("").isNil());
    }

    void pathsAreNormalised()
    {
        FolderItem f = FolderItem::fromPath("/a//b/./c/");
        QCOMPARE(QString::fromStdString(f.path()), QStringLiteral("/a/b/c"));
        QCOMPARE(QString::fromStdString(f.Name()), QStringLiteral("c"));
        QCOMPARE(QString::fromStdString(f.Parent().path()), QStringLiteral("/a/b"));
        QCOMPARE(QString::fromStdString(FolderItem::fromPath("/a").Parent().path()), QStringLiteral("/"));
    }

    void displayNameOfUndecodableBytes()
    {
        FolderItem f = FolderItem::fromPath(std::string("/x/a\xff" "b"));
        QCOMPARE(f.Name(), std::string("a\xff" "b"));
        QCOMPARE(f.DisplayName(), std::string("a\xEF\xBF\xBD" "b"));
    }

    void listingAndLookup()
    {
        QTemporaryDir dir(fixtureRoot());
        std::string root = dir.path().toStdString();
        writeFile(root + "/b.txt", "b");
        writeFile(root + "/A.dict", "a");
        writeFile(root + "/._A.dict", "fork");
        writeFile(root + "/日本.txt", "j");
        ::mkdir((root + "/sub").c_str(), 0777);
        QVERIFY(::symlink((root + "/sub").c_str(), (root + "/link").c_str()) == 0);
        QVERIFY(::symlink((root + "/missing").c_str(), (root + "/dangling").c_str()) == 0);

        FolderItem folder = FolderItem::fromPath(root);
        QCOMPARE(folder.Count(), 5);
        QStringList names;
        for (int i = 1; i <= folder.Count(); ++i)
            names << QString::fromStdString(folder.Item(i).DisplayName());
        // Code-point order; no "._" copy, no dangling link.
        QCOMPARE(names, (QStringList {"A.dict", "b.txt", "link", "sub", "日本.txt"}));
        QVERIFY(folder.Item(0).isNil());
        QVERIFY(folder.Item(6).isNil());
        QVERIFY(folder.Child("link").Directory());

        // Exact name first, else the first entry equal ignoring case.
        QCOMPARE(QString::fromStdString(folder.Child("a.DICT").Name()), QStringLiteral("A.dict"));
        QVERIFY(folder.Child("a.DICT").Exists());
        QCOMPARE(QString::fromStdString(folder.Child("new.txt").Name()), QStringLiteral("new.txt"));
        QVERIFY(!folder.Child("new.txt").Exists());
        for (const char* bad : {"", ".", "..", "a/b"})
            QVERIFY2(folder.Child(bad).isNil(), bad);
        QVERIFY(folder.Child(std::string("a\0b", 3)).isNil());
    }

    void lookupPrefersExactCase()
    {
        QTemporaryDir dir(fixtureRoot());
        std::string root = dir.path().toStdString();
        writeFile(root + "/Memo.txt", "1");
        writeFile(root + "/memo.txt", "2");
        FolderItem folder = FolderItem::fromPath(root);
        QCOMPARE(folder.Child("memo.txt").readAll(), std::string("2"));
        QCOMPARE(folder.Child("Memo.txt").readAll(), std::string("1"));
        QCOMPARE(folder.Child("MEMO.TXT").readAll(), std::string("1"));
    }

    void typeCodes()
    {
        QTemporaryDir dir(fixtureRoot());
        std::string root = dir.path().toStdString();
        FolderItem folder = FolderItem::fromPath(root);
        writeFile(root + "/d.txt", "Tesvora Dictionary,1,2,3,4\rx\ty\r");
        writeFile(root + "/w", "\xEF\xBB\xBFTesvora Workspace,1,2\r");
        writeFile(root + "/note.txt", "hello");
        QCOMPARE(folder.MacType(), std::string("FOLD"));
        QCOMPARE(folder.Child("d.txt").MacType(), std::string("dict"));
        QCOMPARE(folder.Child("w").MacType(), std::string("wksp"));
        // A ".txt" name is no type.
        QCOMPARE(folder.Child("note.txt").MacType(), std::string());
        QCOMPARE(folder.Child("missing").MacType(), std::string());

        if (!xattrsWork(root))
            QSKIP("the build folder's file system has no extended attributes");
        FolderItem note = folder.Child("note.txt");
        QVERIFY(note.setMacType("TEXT"));
        QVERIFY(note.setMacCreator("ttxt"));
        QCOMPARE(note.MacType(), std::string("TEXT"));
        QCOMPARE(note.MacCreator(), std::string("ttxt"));
        // Stored codes win over the header; links are read through.
        FolderItem dict = folder.Child("d.txt");
        QVERIFY(dict.setMacType("ttro"));
        QCOMPARE(dict.MacType(), std::string("ttro"));
        QVERIFY(::symlink((root + "/note.txt").c_str(), (root + "/alias").c_str()) == 0);
        QCOMPARE(folder.Child("alias").MacType(), std::string("TEXT"));
    }

    void declaredTypes()
    {
        QCOMPARE(FileTypes::all().size(), size_t(6));
        QCOMPARE(FileTypes::pDict().MacType, std::string("dict"));
        QCOMPARE(FileTypes::pFolder().MacType, std::string("fold"));
        QCOMPARE(FileTypes::pText().Extensions, std::string("text,txt,html,shtml"));
        QVERIFY(FileTypes::byName("Tesvora ワークスペース") == &FileTypes::pWork());
        for (const char* free : {"Dict", "Pref", "text"})
            QVERIFY2(FileTypes::byName(free) == nullptr, free);
    }

    void safeWriteReplacesWhole()
    {
        QTemporaryDir dir(fixtureRoot());
        std::string root = dir.path().toStdString();
        writeFile(root + "/f", std::string(1000, 'x'));
        writeFileSafely(FolderItem::fromPath(root + "/f"), "short");
        QCOMPARE(readFile(root + "/f"), std::string("short"));
        // No temporary file stays behind.
        QCOMPARE(folderEntries(root), std::vector<std::string> {"f"});
    }

    void newFilePermissions_data()
    {
        QTest::addColumn<int>("asked");
        QTest::addColumn<int>("umask");
        QTest::addColumn<int>("mode");
        QTest::newRow("the usual ones") << -1 << 022 << 0644;
        QTest::newRow("a private source's") << 0600 << 022 << 0600;
        QTest::newRow("within the umask") << 0666 << 077 << 0600;
        QTest::newRow("permission bits only") << 04755 << 022 << 0755;
    }
    void newFilePermissions()
    {
        QFETCH(int, asked);
        QFETCH(int, umask);
        QFETCH(int, mode);
        QTemporaryDir dir(fixtureRoot());
        const std::string path = dir.path().toStdString() + "/new";
        const mode_t saved = ::umask(static_cast<mode_t>(umask));
        writeFileSafely(FolderItem::fromPath(path), "x", {}, {},
            asked < 0 ? std::nullopt : std::optional<unsigned>(static_cast<unsigned>(asked)));
        ::umask(saved);
        struct stat st;
        QCOMPARE(::stat(path.c_str(), &st), 0);
        QCOMPARE(int(st.st_mode & 07777), mode);
        QCOMPARE(FolderItem::fromPath(path).permissionBits().value_or(0), unsigned(mode));
        QVERIFY(!FolderItem::fromPath(path + "-missing").permissionBits());
    }

    void writersOnSeveralThreadsKeepTheUmask()
    {
        // Outputs are written on several threads at once. Learning the umask
        // by setting it would clear it, for a moment, for the whole program:
        // another writer could read the cleared one and keep it.
        QTemporaryDir dir(fixtureRoot());
        const std::string root = dir.path().toStdString();
        const mode_t saved = ::umask(027);
        std::vector<std::thread> writers;
        for (int t = 0; t < 8; ++t)
            writers.emplace_back([&root, t] {
                for (int i = 0; i < 200; ++i)
                    writeFileSafely(FolderItem::fromPath(root + "/" + std::to_string(t) + "-" + std::to_string(i)),
                        "x", {}, {}, 0666u);
            });
        for (std::thread& w : writers)
            w.join();
        const mode_t after = ::umask(saved);
        QCOMPARE(int(after), 027);
        for (int t = 0; t < 8; ++t)
            for (int i = 0; i < 200; ++i) {
                struct stat st;
                const std::string path = root + "/" + std::to_string(t) + "-" + std::to_string(i);
                QCOMPARE(::stat(path.c_str(), &st), 0);
                QCOMPARE(int(st.st_mode & 0777), 0640);
            }
    }

    void temporaryNames()
    {
        QCOMPARE(safeWriteTemporaryName("新規辞書.dict"), std::string(".新規辞書.dict.tvsave"));
        QVERIFY(isSafeWriteTemporaryName(safeWriteTemporaryName("Tesvora Prefs")));
        // The longest name still gives a name the file system takes.
        const std::string longest(NAME_MAX, 'n');
        QCOMPARE(safeWriteTemporaryName(longest).size(), size_t(NAME_MAX));
        QVERIFY(isSafeWriteTemporaryName(safeWriteTemporaryName(longest)));
        for (const char* other : {".bashrc", ".tvsave", "a.tvsave", ".a.dict.AbC123", "memo.txt"})
            QVERIFY2(!isSafeWriteTemporaryName(other), other);

        QTemporaryDir dir(fixtureRoot());
        std::string root = dir.path().toStdString();
        writeFile(root + "/" + longest, "old");
        writeFileSafely(FolderItem::fromPath(root + "/" + longest), "new");
        QCOMPARE(readFile(root + "/" + longest), std::string("new"));
        QCOMPARE(folderEntries(root), std::vector<std::string> {longest});
    }

    void listingsHideTemporaryFiles()
    {
        // What a write cut short by a kill leaves: never listed, so never
        // taken for a dictionary or an input file.
        QTemporaryDir dir(fixtureRoot());
        std::string root = dir.path().toStdString();
        writeFile(root + "/a.dict");
        writeFile(root + "/" + safeWriteTemporaryName("a.dict"), "Tesvora Dictionary,1,2,3,4,UTF8\r");
        writeFile(root + "/.hidden");
        FolderItem folder = FolderItem::fromPath(root);
        QCOMPARE(folder.Count(), 2);
        QCOMPARE(folder.Item(1).Name(), std::string(".hidden"));
        QCOMPARE(folder.Item(2).Name(), std::string("a.dict"));
    }

    void textOutputStreamWritesOnClose()
    {
        QTemporaryDir dir(fixtureRoot());
        std::string root = dir.path().toStdString();
        writeFile(root + "/t", "old");
        auto out = FolderItem::fromPath(root + "/t").CreateTextFile();
        // Nothing is touched before Close.
        QCOMPARE(readFile(root + "/t"), std::string("old"));
        out->WriteLine("new");
        out->Close();
        QCOMPARE(readFile(root + "/t"), std::string("new\r"));
        // An empty text makes an empty file.
        FolderItem::fromPath(root + "/empty").CreateTextFile()->Close();
        QCOMPARE(folderEntries(root), (std::vector<std::string> {"empty", "t"}));
        QCOMPARE(readFile(root + "/empty"), std::string());
    }

    void specialFilesAreNeverOpened()
    {
        tv::test::HangGuard guard;
        QTemporaryDir dir(fixtureRoot());
        std::string root = dir.path().toStdString();
        for (const std::string& name : specialFiles(root)) {
            FolderItem item = FolderItem::fromPath(root + "/" + name);
            QVERIFY2(item.Exists() && !item.isRegularFile(), name.c_str());
            // The type sniff does not wait on a pipe, nor read a device.
            QCOMPARE(item.MacType(), std::string());
            QVERIFY_THROWS_EXCEPTION(IOException, item.readAll());
            QVERIFY_THROWS_EXCEPTION(IOException, item.OpenAsBinaryFile(false));
            QVERIFY_THROWS_EXCEPTION(IOException, item.OpenAsTextFile());
            // Nor is one replaced by a write.
            QVERIFY_THROWS_EXCEPTION(IOException, writeFileSafely(item, "x"));
            QVERIFY2(FolderItem::fromPath(root + "/" + name).Exists(), name.c_str());
        }
        QVERIFY_THROWS_EXCEPTION(IOException, FolderItem::fromPath(root).readAll());
        writeFile(root + "/plain.txt", "plain");
        QVERIFY(FolderItem::fromPath(root + "/plain.txt").isRegularFile());
        QVERIFY(!FolderItem::fromPath(root + "/missing").isRegularFile());
        QCOMPARE(FolderItem::fromPath(root + "/plain.txt").readAll(), std::string("plain"));
    }

    void readOnlyFileIsNotReplaced()
    {
        QTemporaryDir dir(fixtureRoot());
        std::string root = dir.path().toStdString();
        writeFile(root + "/ro", "kept");
        ::chmod((root + "/ro").c_str(), 0444);
        try {
            writeFileSafely(FolderItem::fromPath(root + "/ro"), "new");
            QFAIL("a read-only file was replaced");
        } catch (const IOException& e) {
            QCOMPARE(e.errorNumber(), EACCES);
        }
        QCOMPARE(readFile(root + "/ro"), std::string("kept"));
        QCOMPARE(folderEntries(root), std::vector<std::string> {"ro"});
    }

    void safeWriteFollowsLinks()
    {
        QTemporaryDir dir(fixtureRoot());
        std::string root = dir.path().toStdString();
        writeFile(root + "/real", "old");
        QVERIFY(::symlink("real", (root + "/link").c_str()) == 0);
        writeFileSafely(FolderItem::fromPath(root + "/link"), "new");
        QVERIFY(FolderItem::fromPath(root + "/link").isSymlink());
        QCOMPARE(readFile(root + "/real"), std::string("new"));
    }

    void safeWriteFailureKeepsOldFile()
    {
        QTemporaryDir dir(fixtureRoot());
        std::string root = dir.path().toStdString();
        // A folder in the target's place cannot be replaced by a file.
        ::mkdir((root + "/target").c_str(), 0777);
        writeFile(root + "/target/keep", "kept");
        QVERIFY_THROWS_EXCEPTION(IOException, writeFileSafely(FolderItem::fromPath(root + "/target"), "x"));
        QCOMPARE(readFile(root + "/target/keep"), std::string("kept"));
        QCOMPARE(folderEntries(root), std::vector<std::string> {"target"});
        // A folder that does not exist.
        QVERIFY_THROWS_EXCEPTION(IOException, writeFileSafely(FolderItem::fromPath(root + "/no/such"), "x"));
    }

    void binaryStreamLength()
    {
        QTemporaryDir dir(fixtureRoot());
        std::string root = dir.path().toStdString();
        writeFile(root + "/b", "0123456789");
        auto s = FolderItem::fromPath(root + "/b").OpenAsBinaryFile(true);
        QCOMPARE(s->Length(), int64_t(10));
        s->setLength(0);
        s->setPosition(0);
        s->Write("ab");
        s->Close();
        QCOMPARE(readFile(root + "/b"), std::string("ab"));
        QVERIFY_THROWS_EXCEPTION(IOException, FolderItem::fromPath(root + "/none").OpenAsBinaryFile(false));
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
