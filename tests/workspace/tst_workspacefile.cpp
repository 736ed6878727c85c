// The workspace file: its bytes, reading them back, and writing them safely
// with the right type and creator codes.

#include "platform/core/Errors.h"
#include "platform/core/FolderItem.h"
#include "workspace/core/WorkspaceFile.h"

#include "support/Files.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace tv;
using tv::test::fixtureTemplate;
using tv::test::readFile;
using tv::test::writeFile;

Q_DECLARE_METATYPE(std::string)

namespace {

// Content at 30,40, 490 x 200; dictionaries "a.dict" and "辞書.dict"; the file
// "t.txt" at /home/u/t.txt.
const char* const kExampleHex =
    "54 65 73 76 6f 72 61 20 57 6f 72 6b 73 70 61 63 65 2c 33 30 2c 34 30 2c 34 39 30 2c 32 30 30 0d"
    " 61 2e 64 69 63 74 09 e8 be 9e e6 9b b8 2e 64 69 63 74 09 0d 74 2e 74 78 74 09 2f 68 6f 6d 65 2f"
    " 75 2f 74 2e 74 78 74 0d";

std::string exampleBytes()
{
    QByteArray b = QByteArray::fromHex(QByteArray(kExampleHex).replace(' ', ""));
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

FrameBounds frame(int left, int top, int width, int height)
{
    FrameBounds f;
    f.Left = left;
    f.Top = top;
    f.Width = width;
    f.Height = height;
    return f;
}

QString frameText(const std::optional<FrameBounds>& f)
{
    if (!f)
        return QStringLiteral("none");
    return QStringLiteral("%1,%2,%3,%4").arg(f->Left).arg(f->Top).arg(f->Width).arg(f->Height);
}

QStringList rowTexts(const std::vector<WorkspaceRow>& rows)
{
    QStringList out;
    for (const WorkspaceRow& r : rows)
        out << QString::fromStdString(r.name + "|" + r.path);
    return out;
}

QStringList toList(const std::vector<std::string>& names)
{
    QStringList out;
    for (const std::string& n : names)
        out << QString::fromStdString(n);
    return out;
}

} // namespace

class TestWorkspaceFile : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>(fixtureTemplate("tst_workspacefile"));
        QVERIFY(dir_->isValid());
        root_ = dir_->path().toStdString();
    }
    void cleanup() { dir_.reset(); }

    void writesTheExampleByteForByte()
    {
        const std::vector<std::string> dictionaries = {"a.dict", "辞書.dict"};
        const std::vector<WorkspaceRow> files = {{"t.txt", "/home/u/t.txt", RowPicture::File}};
        const std::string bytes = serializeWorkspace(frame(30, 40, 490, 200), dictionaries, files);
        QCOMPARE(bytes.size(), size_t(72));
        QCOMPARE(bytes, exampleBytes());

        const FolderItem file = FolderItem::fromPath(root_ + "/example.work");
        writeWorkspaceFile(file, frame(30, 40, 490, 200), dictionaries, files, workspaceFileCodes());
        QCOMPARE(readFile(file.path()), exampleBytes());
    }

    void readsTheExampleBack()
    {
        const WorkspaceContent c = parseWorkspace(exampleBytes());
        QCOMPARE(frameText(c.frame), QStringLiteral("30,40,490,200"));
        QCOMPARE(toList(c.dictionaries), (QStringList {"a.dict", "辞書.dict"}));
        // No extra row from the final CR.
        QCOMPARE(rowTexts(c.files), QStringList {"t.txt|/home/u/t.txt"});
    }

    void parse_data()
    {
        QTest::addColumn<std::string>("bytes");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QStringList>("dictionaries");
        QTest::addColumn<QStringList>("rows");
        const std::string h = "Tesvora Workspace,1,2,3,4\r";
        QTest::newRow("empty file") << std::string() << "none" << QStringList() << QStringList();
        QTest::newRow("empty lists") << h + "\r" << "1,2,3,4" << QStringList() << QStringList();
        QTest::newRow("header only, no line end") << std::string("Tesvora Workspace,1,2,3,4") << "1,2,3,4"
                                                  << QStringList() << QStringList();
        QTest::newRow("negative left edge") << std::string("Tesvora Workspace,-12,20,600,300\r\r") << "-12,20,600,300"
                                            << QStringList() << QStringList();
        QTest::newRow("foreign line 1 still takes line 2") << std::string("Other,10,20,30,40\ra\tb\t\rx\t/p\r")
                                                           << "none" << QStringList {"a", "b"} << QStringList {"x|/p"};
        QTest::newRow("header word compared ignoring case") << std::string("tesvora workspace,5,6,7,8\r\r") << "5,6,7,8"
                                                            << QStringList() << QStringList();
        QTest::newRow("missing frame fields read as 0") << std::string("Tesvora Workspace,5\r\r") << "5,0,0,0"
                                                        << QStringList() << QStringList();
        QTest::newRow("field not a number reads as 0") << std::string("Tesvora Workspace,x,7px,8.9,\r\r") << "0,7,8,0"
                                                       << QStringList() << QStringList();
        QTest::newRow("last name without TAB is dropped") << h + "a\tb\r" << "1,2,3,4" << QStringList {"a"}
                                                          << QStringList();
        QTest::newRow("name line without TAB adds none") << h + "a\r" << "1,2,3,4" << QStringList() << QStringList();
        QTest::newRow("empty name between TABs is a name") << h + "a\t\tb\t\r" << "1,2,3,4"
                                                           << QStringList {"a", "", "b"} << QStringList();
        QTest::newRow("three TAB fields keep two") << h + "\rn\t/p\textra\r" << "1,2,3,4" << QStringList()
                                                   << QStringList {"n|/p"};
        QTest::newRow("row without TAB has no path") << h + "\rname\r" << "1,2,3,4" << QStringList()
                                                     << QStringList {"name|"};
        QTest::newRow("empty line after line 2 is a row") << h + "\r\rx\t/p\r" << "1,2,3,4" << QStringList()
                                                          << QStringList {"|", "x|/p"};
        QTest::newRow("last row without line end") << h + "\rx\t/p" << "1,2,3,4" << QStringList()
                                                   << QStringList {"x|/p"};
        QTest::newRow("LF line ends") << std::string("Tesvora Workspace,1,2,3,4\na\t\nx\t/p\n") << "1,2,3,4"
                                      << QStringList {"a"} << QStringList {"x|/p"};
        QTest::newRow("CR LF line ends") << std::string("Tesvora Workspace,1,2,3,4\r\na\t\r\nx\t/p\r\n") << "1,2,3,4"
                                         << QStringList {"a"} << QStringList {"x|/p"};
        QTest::newRow("byte-order mark passed over") << "\xEF\xBB\xBF" + h + "a\t\r" << "1,2,3,4" << QStringList {"a"}
                                                     << QStringList();
        QTest::newRow("one line only") << std::string("Tesvora Workspace,1,2,3,4\r") << "1,2,3,4" << QStringList()
                                       << QStringList();
    }
    void parse()
    {
        QFETCH(std::string, bytes);
        QFETCH(QString, frame);
        QFETCH(QStringList, dictionaries);
        QFETCH(QStringList, rows);
        const WorkspaceContent c = parseWorkspace(bytes);
        QCOMPARE(frameText(c.frame), frame);
        QCOMPARE(toList(c.dictionaries), dictionaries);
        QCOMPARE(rowTexts(c.files), rows);
    }

    void picturesComeFromThePaths()
    {
        QDir().mkpath(QString::fromStdString(root_ + "/folder"));
        writeFile(root_ + "/file.txt");
        const std::string bytes = "Tesvora Workspace,0,0,490,200\r\r"
            "folder\t" + root_ + "/folder\r"
            "file.txt\t" + root_ + "/file.txt\r"
            "gone\t" + root_ + "/gone.txt\r"
            "relative\tfile.txt\r"
            "no path\r";
        const WorkspaceContent c = parseWorkspace(bytes);
        QCOMPARE(c.files.size(), size_t(5));
        QCOMPARE(c.files[0].picture, RowPicture::Folder);
        QCOMPARE(c.files[1].picture, RowPicture::File);
        // Rows whose item is gone, or whose path is relative or empty, stay,
        // without a picture.
        QCOMPARE(c.files[2].picture, RowPicture::None);
        QCOMPARE(c.files[3].picture, RowPicture::None);
        QCOMPARE(c.files[4].picture, RowPicture::None);
    }

    void roundTrip()
    {
        QDir().mkpath(QString::fromStdString(root_ + "/書類"));
        writeFile(root_ + "/メモ.txt");
        const std::vector<std::string> dictionaries = {"新規辞書.dict", "a.dict", "a.dict", ""};
        const std::vector<WorkspaceRow> files = {
            {"書類", root_ + "/書類", RowPicture::Folder},
            {"メモ.txt", root_ + "/メモ.txt", RowPicture::File},
            {"メモ.txt", root_ + "/メモ.txt", RowPicture::File},
            {"", "", RowPicture::None},
        };
        const FrameBounds f = frame(-5, 22, 700, 321);
        const std::string bytes = serializeWorkspace(f, dictionaries, files);
        const WorkspaceContent c = parseWorkspace(bytes);
        QCOMPARE(frameText(c.frame), QStringLiteral("-5,22,700,321"));
        QCOMPARE(c.dictionaries, dictionaries);
        QVERIFY(c.files == files);
        QCOMPARE(serializeWorkspace(*c.frame, c.dictionaries, c.files), bytes);
    }

    void emptyWorkspaceWritesHeaderAndLoneCR()
    {
        QCOMPARE(serializeWorkspace(frame(1, 2, 490, 200), {}, {}), std::string("Tesvora Workspace,1,2,490,200\r\r"));
    }

    void unstorableTextIsRefused_data()
    {
        QTest::addColumn<std::string>("dictionary");
        QTest::addColumn<std::string>("name");
        QTest::addColumn<std::string>("path");
        QTest::newRow("TAB in a dictionary name") << std::string("a\tb.dict") << std::string("n") << std::string("/p");
        QTest::newRow("CR in a dictionary name") << std::string("a\rb.dict") << std::string("n") << std::string("/p");
        QTest::newRow("LF in a file name") << std::string("a.dict") << std::string("n\nm") << std::string("/p");
        QTest::newRow("TAB in a path") << std::string("a.dict") << std::string("n") << std::string("/p\tq");
        QTest::newRow("CR in a path") << std::string("a.dict") << std::string("n") << std::string("/p\rq");
    }
    void unstorableTextIsRefused()
    {
        QFETCH(std::string, dictionary);
        QFETCH(std::string, name);
        QFETCH(std::string, path);
        const std::string target = root_ + "/w.work";
        writeFile(target, "old");
        QVERIFY_THROWS_EXCEPTION(RuntimeException,
            writeWorkspaceFile(FolderItem::fromPath(target), frame(0, 0, 490, 200), {dictionary},
                {{name, path, RowPicture::File}}, workspaceFileCodes()));
        QCOMPARE(readFile(target), std::string("old"));
    }

    void firstSaveGivesWorkspaceCodes()
    {
        const FolderItem file = FolderItem::fromPath(root_ + "/w.work");
        writeFile(file.path(), "");
        if (!file.setMacType("TEXT"))
            QSKIP("the build folder's file system has no extended attributes");
        file.setMacCreator("ttxt");
        // A first save over a file that was there makes it a workspace file.
        writeWorkspaceFile(file, frame(0, 0, 490, 200), {}, {}, workspaceFileCodes());
        QCOMPARE(file.MacType(), std::string("wksp"));
        QCOMPARE(file.MacCreator(), std::string("Tv9x"));
    }

    void laterSaveKeepsTheFilesCodes()
    {
        const FolderItem file = FolderItem::fromPath(root_ + "/w.work");
        writeWorkspaceFile(file, frame(0, 0, 490, 200), {"a.dict"}, {}, workspaceFileCodes());
        if (!file.setMacType("TEXT"))
            QSKIP("the build folder's file system has no extended attributes");
        file.setMacCreator("ttxt");
        const FileCodes codes = existingFileCodes(file);
        QCOMPARE(codes.type, std::string("TEXT"));
        QCOMPARE(codes.creator, std::string("ttxt"));
        writeWorkspaceFile(file, frame(0, 0, 490, 200), {"b.dict"}, {}, codes);
        QCOMPARE(file.MacType(), std::string("TEXT"));
        QCOMPARE(file.MacCreator(), std::string("ttxt"));
        QCOMPARE(readFile(file.path()), std::string("Tesvora Workspace,0,0,490,200\rb.dict\t\r"));
    }

    void aFileWithoutStoredCodesGetsNoneOnALaterSave()
    {
        // Its first line reads as a workspace, but nothing is stored on it.
        const FolderItem file = FolderItem::fromPath(root_ + "/copied.work");
        writeFile(file.path(), "Tesvora Workspace,0,0,490,200\r\r");
        QCOMPARE(file.MacType(), std::string("wksp"));
        const FileCodes codes = existingFileCodes(file);
        QVERIFY(codes.type.empty());
        QVERIFY(codes.creator.empty());
        writeWorkspaceFile(file, frame(0, 0, 490, 200), {"b.dict"}, {}, codes);
        QVERIFY(file.storedMacType().empty());
        QVERIFY(file.MacCreator().empty());
    }

    void existingCodesOfAMissingFileAreNone()
    {
        const FileCodes codes = existingFileCodes(FolderItem::fromPath(root_ + "/none.work"));
        QVERIFY(codes.type.empty());
        QVERIFY(codes.creator.empty());
    }

    void savingTwiceGivesTheSameBytesAndNoTraceOfLongerContent()
    {
        const FolderItem file = FolderItem::fromPath(root_ + "/w.work");
        const std::vector<WorkspaceRow> many = {{"a", "/a", RowPicture::None}, {"b", "/b", RowPicture::None}};
        writeWorkspaceFile(file, frame(1, 1, 490, 200), {"x.dict"}, many, workspaceFileCodes());
        const std::string first = readFile(file.path());
        writeWorkspaceFile(file, frame(1, 1, 490, 200), {"x.dict"}, many, existingFileCodes(file));
        QCOMPARE(readFile(file.path()), first);
        writeWorkspaceFile(file, frame(1, 1, 490, 200), {}, {}, existingFileCodes(file));
        QCOMPARE(readFile(file.path()), std::string("Tesvora Workspace,1,1,490,200\r\r"));
    }

    void failedWriteLeavesTheOldFileWhole()
    {
        const std::string folder = root_ + "/locked";
        QDir().mkpath(QString::fromStdString(folder));
        const std::string target = folder + "/w.work";
        writeFile(target, "old content");
        ::chmod(folder.c_str(), 0555);
        if (::access(folder.c_str(), W_OK) == 0) {
            ::chmod(folder.c_str(), 0755);
            QSKIP("running with rights that ignore folder permissions");
        }
        bool raised = false;
        try {
            writeWorkspaceFile(FolderItem::fromPath(target), frame(0, 0, 490, 200), {"a.dict"}, {},
                workspaceFileCodes());
        } catch (const IOException&) {
            raised = true;
        }
        ::chmod(folder.c_str(), 0755);
        QVERIFY(raised);
        QCOMPARE(readFile(target), std::string("old content"));
        QCOMPARE(QDir(QString::fromStdString(folder)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList {"w.work"});
    }

    void writingOverAFolderFailsAndLeavesNoTemporaryFile()
    {
        const std::string target = root_ + "/taken.work";
        QDir().mkpath(QString::fromStdString(target));
        writeFile(target + "/inside", "kept");
        QVERIFY_THROWS_EXCEPTION(IOException,
            writeWorkspaceFile(FolderItem::fromPath(target), frame(0, 0, 490, 200), {}, {}, workspaceFileCodes()));
        QCOMPARE(readFile(target + "/inside"), std::string("kept"));
        QCOMPARE(QDir(QString::fromStdString(root_)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList {"taken.work"});
    }

    void readingRaisesForWhatIsNoFile()
    {
        QVERIFY_THROWS_EXCEPTION(IOException, readWorkspaceFile(FolderItem::fromPath(root_ + "/none.work")));
        QVERIFY_THROWS_EXCEPTION(IOException, readWorkspaceFile(FolderItem::fromPath(root_)));
        QVERIFY_THROWS_EXCEPTION(IOException, readWorkspaceFile(FolderItem()));
    }

    void readsAFileFromDisk()
    {
        const std::string path = root_ + "/w.work";
        writeFile(path, exampleBytes());
        const WorkspaceContent c = readWorkspaceFile(FolderItem::fromPath(path));
        QCOMPARE(toList(c.dictionaries), (QStringList {"a.dict", "辞書.dict"}));
        QCOMPARE(rowTexts(c.files), QStringList {"t.txt|/home/u/t.txt"});
    }

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::string root_;
};

QTEST_GUILESS_MAIN(TestWorkspaceFile)
#include "tst_workspacefile.moc"
