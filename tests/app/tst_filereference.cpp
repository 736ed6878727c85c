// File references by device and inode, and the compiled-script runner that
// cannot run here.

#include "app/core/FileReference.h"
#include "app/core/ScriptRunner.h"
#include "platform/core/Errors.h"

#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace tv;

namespace {

void touch(const std::string& path)
{
    std::ofstream out(path, std::ios::binary);
    out << "x";
}

} // namespace

class TestFileReference : public QObject {
    Q_OBJECT

    QTemporaryDir dir_ {QStringLiteral(TV_BUILD_DIR) + QStringLiteral("/tst_fsref-XXXXXX")};
    std::string root() const { return dir_.path().toStdString(); }
    FolderItem at(const std::string& relative) const { return FolderItem::fromPath(root() + "/" + relative); }

private slots:
    void initTestCase()
    {
        ::mkdir((root() + "/一/二/三").c_str(), 0777); // fails: parents first
        for (const char* d : {"/一", "/一/二", "/一/二/三"})
            ::mkdir((root() + d).c_str(), 0777);
        touch(root() + "/一/二/三/校正.txt");
        touch(root() + "/a.txt");
        touch(root() + "/b.txt");
        QVERIFY(::link((root() + "/a.txt").c_str(), (root() + "/hard.txt").c_str()) == 0);
        QVERIFY(::symlink((root() + "/a.txt").c_str(), (root() + "/soft.txt").c_str()) == 0);
    }

    void sameObject_data()
    {
        QTest::addColumn<QString>("one");
        QTest::addColumn<QString>("other");
        QTest::addColumn<bool>("same");
        QTest::newRow("one file twice") << "a.txt" << "a.txt" << true;
        QTest::newRow("a hard link") << "a.txt" << "hard.txt" << true;
        QTest::newRow("a symbolic link leads to its file") << "soft.txt" << "a.txt" << true;
        QTest::newRow("two files") << "a.txt" << "b.txt" << false;
        QTest::newRow("a folder and a file in it") << "一" << "一/二/三/校正.txt" << false;
        QTest::newRow("a missing file") << "a.txt" << "gone.txt" << false;
    }
    void sameObject()
    {
        QFETCH(QString, one);
        QFETCH(QString, other);
        QFETCH(bool, same);
        QCOMPARE(sameFile(at(one.toStdString()), at(other.toStdString())), same);
    }

    void readingBack()
    {
        FSRef ref(at("一/二/三/校正.txt"));
        QVERIFY(ref.IsValid());
        QCOMPARE(ref.Path(), root() + "/一/二/三/校正.txt");
        QCOMPARE(ref.Name(), std::string("校正.txt"));
        QCOMPARE(ref.toFolderItem().path(), ref.Path());
        std::optional<FSRef> parent = ref.Parent();
        QVERIFY(parent);
        QCOMPARE(parent->Name(), std::string("三"));
        QVERIFY(parent->Equals(FSRef(at("一/二/三"))));
        QVERIFY(!FSRef().IsValid());
        QVERIFY(!ref.Equals(FSRef()));
        // The root folder has no parent.
        FSRef top(FolderItem::fromPath("/"));
        QVERIFY(top.IsValid());
        QVERIFY(!top.Parent());
    }

    void aMovedFileIsNoLongerWhereItWas()
    {
        touch(root() + "/moving.txt");
        FSRef ref(at("moving.txt"));
        QVERIFY(std::rename((root() + "/moving.txt").c_str(), (root() + "/moved.txt").c_str()) == 0);
        QVERIFY(!ref.IsValid());
        QCOMPARE(ref.Path(), std::string());
        QCOMPARE(ref.Name(), std::string());
        QVERIFY(!ref.toFolderItem());
        QVERIFY(!ref.Parent());
        // Another file that takes the old name is another file.
        touch(root() + "/moving.txt");
        QVERIFY(!ref.IsValid());
    }

    void failures_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("function");
        QTest::addColumn<int>("status");
        QTest::newRow("missing file") << "/missing.txt" << "FSMakeFSRefUnicode" << ENOENT;
        QTest::newRow("missing folder on the way") << "/nowhere/file.txt" << "FSMakeFSRefUnicode" << ENOENT;
        QTest::newRow("a file taken for a folder") << "/a.txt/inner" << "FSMakeFSRefUnicode" << ENOTDIR;
    }
    void failures()
    {
        QFETCH(QString, path);
        QFETCH(QString, function);
        QFETCH(int, status);
        try {
            FSRef ref(FolderItem::fromPath(root() + path.toStdString()));
            QFAIL("no exception");
        } catch (const MacOSException& e) {
            QCOMPARE(QString::fromStdString(e.function()), function);
            QCOMPARE(e.status(), status);
        }
    }

    void aNilItemIsTheApplicationFolder()
    {
        FSRef ref {FolderItem()};
        QVERIFY(ref.Equals(FSRef(FolderItem::applicationFolder())));
    }

    void compiledScriptsCannotRun_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("no parameters") << 0;
        QTest::newRow("the pass's six") << 6;
    }
    void compiledScriptsCannotRun()
    {
        QFETCH(int, count);
        std::vector<ScriptValue> values;
        if (count == 6)
            values = {std::string("/Script/a.scpt"), std::string("語"), std::string("クリップボード"), int64_t(3),
                int64_t(0), int64_t(1)};
        QVERIFY_THROWS_EXCEPTION(RuntimeException, applescriptKick(values));
    }
};

QTEST_APPLESS_MAIN(TestFileReference)
#include "tst_filereference.moc"
