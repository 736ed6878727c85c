// A workspace without its window: titles and their numbering, opening,
// saving, the add commands and handing the lists to a pass.

#include "app/core/AppState.h"
#include "platform/core/FolderItem.h"
#include "workspace/core/Workspace.h"
#include "workspace/core/WorkspaceFile.h"
#include "workspace/core/WorkspaceStart.h"

#include "support/Files.h"
#include "support/TestServices.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace tv;
using tv::test::fixtureTemplate;
using tv::test::readFile;
using tv::test::writeFile;

namespace {

QStringList toList(const std::deque<std::string>& names)
{
    QStringList out;
    for (const std::string& n : names)
        out << QString::fromStdString(n);
    return out;
}

QStringList toList(const std::vector<std::string>& names)
{
    return toList(std::deque<std::string>(names.begin(), names.end()));
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

// What a pass found when it was started.
struct StartedPass {
    QStringList dictionaries;
    QStringList files;
};

} // namespace

class TestWorkspaceStart : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>(fixtureTemplate("tst_workspacestart"));
        QVERIFY(dir_->isValid());
        root_ = dir_->path().toStdString();
        // Files beside the program must never be queued by a row naming no path.
        appDir_ = root_ + "/app";
        QDir().mkpath(QString::fromStdString(appDir_));
        writeFile(appDir_ + "/beside the program.txt");
        FolderItem::overrideApplicationFolder(appDir_);
        services_ = std::make_unique<test::TestServices>();
        app_ = std::make_unique<AppState>();
        app_->setDefaultSettings();
        passes_.clear();
        AppState::setPassStarter([this](AppState& state) {
            StartedPass p;
            p.dictionaries = toList(state.dicChangeList);
            for (const FolderItem& f : state.dropItem)
                p.files << QString::fromStdString(f.path().substr(root_.size()));
            passes_.push_back(p);
        });
    }
    void cleanup()
    {
        AppState::setPassStarter(nullptr);
        app_.reset();
        services_.reset();
        FolderItem::overrideApplicationFolder("");
        dir_.reset();
    }

    void untitledNumber_data()
    {
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<int>("number");
        QTest::newRow("none listed") << QStringList() << 1;
        QTest::newRow("one listed") << QStringList {"新規ワークスペース 1"} << 2;
        QTest::newRow("in order") << QStringList {"新規ワークスペース 1", "新規ワークスペース 2"} << 3;
        QTest::newRow("2 then 1: one walk, not the lowest free")
            << QStringList {"新規ワークスペース 2", "新規ワークスペース 1"} << 2;
        QTest::newRow("a gap") << QStringList {"新規ワークスペース 2"} << 1;
        QTest::newRow("titled windows in between")
            << QStringList {"新規ワークスペース 1", "ワークスペース \"a.work\"", "新規ワークスペース 2"} << 3;
        QTest::newRow("closed windows count as listed")
            << QStringList {"新規ワークスペース 1", "新規ワークスペース 1"} << 2;
        QTest::newRow("layout title is no number") << QStringList {"新規ワークスペース"} << 1;
    }
    void untitledNumber()
    {
        QFETCH(QStringList, titles);
        QFETCH(int, number);
        std::vector<std::string> t;
        for (const QString& s : titles)
            t.push_back(s.toStdString());
        QCOMPARE(tv::untitledNumber(t), int64_t(number));
        Workspace w(*app_);
        w.openUntitled(t);
        QCOMPARE(w.title(), "新規ワークスペース " + std::to_string(number));
        QVERIFY(!w.workSpaceItem());
    }

    void titles()
    {
        QCOMPARE(untitledTitle(12), std::string("新規ワークスペース 12"));
        QCOMPARE(workspaceFileTitle("作業.work"), std::string("ワークスペース \"作業.work\""));
    }

    void startQueuesAndStarts()
    {
        fixtureFiles();
        const auto start = startPass(*app_, {"a.dict", "b.dict"}, rowPaths());
        QVERIFY(start.started);
        QVERIFY(app_->isWorking);
        QCOMPARE(int(start.namesLeft), 2);
        QCOMPARE(passes_.size(), size_t(1));
        QCOMPARE(passes_[0].dictionaries, (QStringList {"a.dict", "b.dict"}));
        // Folder walked, accepted file queued, twice when listed twice; refused,
        // missing, empty and relative rows skipped.
        QCOMPARE(passes_[0].files, (QStringList {"/in/sub/y.txt", "/in/x.txt", "/one.txt", "/one.txt"}));
    }

    void nothingHappensWithAnEmptyList_data()
    {
        QTest::addColumn<bool>("noDictionaries");
        QTest::newRow("no dictionaries") << true;
        QTest::newRow("no files") << false;
    }
    void nothingHappensWithAnEmptyList()
    {
        QFETCH(bool, noDictionaries);
        fixtureFiles();
        app_->dicChangeList = {"old.dict"};
        const std::vector<std::string> names = noDictionaries ? std::vector<std::string>() : std::vector<std::string> {"a.dict"};
        const std::vector<std::string> paths = noDictionaries ? rowPaths() : std::vector<std::string>();
        const auto start = startPass(*app_, names, paths);
        QVERIFY(!start.started);
        QCOMPARE(toList(app_->dicChangeList), QStringList {"old.dict"});
        QVERIFY(app_->dropItem.empty());
        QVERIFY(passes_.empty());
    }

    void namesAreTakenBackWhenNothingStarts()
    {
        fixtureFiles();
        app_->dicChangeList = {"left by someone.dict"};
        const auto start = startPass(*app_, {"a.dict", "b.dict"},
            {root_ + "/picture.png", root_ + "/missing.txt", "", "one.txt"});
        QVERIFY(!start.started);
        QCOMPARE(int(start.namesTakenBack), 2);
        QCOMPARE(int(start.namesLeft), 0);
        // Exactly what this start appended comes off; what was there stays.
        QCOMPARE(toList(app_->dicChangeList), QStringList {"left by someone.dict"});
        QVERIFY(!app_->isWorking);
        QVERIFY(passes_.empty());
    }

    void aRunningPassTakesTheFilesAndTheNamesWait()
    {
        fixtureFiles();
        app_->isWorking = true;
        const auto start = startPass(*app_, {"a.dict", "b.dict", "c.dict"}, {root_ + "/one.txt"});
        QVERIFY(!start.started);
        QVERIFY(passes_.empty());
        QCOMPARE(int(start.namesLeft), 3);
        QCOMPARE(toList(app_->dicChangeList), (QStringList {"a.dict", "b.dict", "c.dict"}));
        QCOMPARE(app_->dropItem.size(), size_t(1));
        // A running pass with nothing accepted still leaves the names for the next.
        startPass(*app_, {"d.dict"}, {root_ + "/missing.txt"});
        QCOMPARE(toList(app_->dicChangeList), (QStringList {"a.dict", "b.dict", "c.dict", "d.dict"}));
    }

    void aNameWaitingAlreadyIsNotAppendedAgain()
    {
        fixtureFiles();
        app_->isWorking = true;
        for (int click = 0; click < 3; ++click)
            startPass(*app_, {"a.dict", "B.dict", "a.dict"}, {root_ + "/one.txt"});
        // Compared as the program compares texts: ignoring case.
        startPass(*app_, {"b.DICT", "c.dict"}, {root_ + "/one.txt"});
        QCOMPARE(toList(app_->dicChangeList), (QStringList {"a.dict", "B.dict", "c.dict"}));
        QCOMPARE(app_->dropItem.size(), size_t(4));
    }

    void filesQueuedBeforeStartAPassEvenWhenNoRowIsAccepted()
    {
        fixtureFiles();
        app_->dropItem.push_back(FolderItem::fromPath(root_ + "/one.txt"));
        const auto start = startPass(*app_, {"a.dict"}, {root_ + "/missing.txt"});
        QVERIFY(start.started);
        QCOMPARE(passes_.size(), size_t(1));
        QCOMPARE(passes_[0].dictionaries, QStringList {"a.dict"});
    }

    void commandsBuildTheLists()
    {
        fixtureFiles();
        writeFile(root_ + "/a.dict", "Tesvora Dictionary,0,0,1,1,UTF8\r");
        writeFile(root_ + "/辞書.dict");
        writeFile(root_ + "/plain");
        Workspace w(*app_);
        w.openUntitled({});
        // Cancelled dialogs change nothing.
        QVERIFY(!w.addDicToList());
        QVERIFY(!w.addFileToList());
        QVERIFY(!w.addFolderToList());
        services_->openAnswers = {FolderItem::fromPath(root_ + "/a.dict"), FolderItem::fromPath(root_ + "/辞書.dict"),
            FolderItem::fromPath(root_ + "/plain"), FolderItem::fromPath(root_ + "/a.dict")};
        QVERIFY(w.addDicToList());
        QVERIFY(w.addDicToList());
        // Neither a dictionary by type nor by extension.
        QVERIFY(!w.addDicToList());
        // The same dictionary twice gives two rows.
        QVERIFY(w.addDicToList());
        QCOMPARE(toList(w.dicList().names()), (QStringList {"a.dict", "辞書.dict", "a.dict"}));

        services_->openAnswers = {FolderItem::fromPath(root_ + "/one.txt"), FolderItem::fromPath(root_ + "/picture.png")};
        QVERIFY(w.addFileToList());
        QVERIFY(!w.addFileToList());
        services_->folderAnswers = {FolderItem::fromPath(root_ + "/in")};
        QVERIFY(w.addFolderToList());
        QCOMPARE(w.fileList().count(), 2);
        QCOMPARE(w.fileList().row(0), (WorkspaceRow {"one.txt", root_ + "/one.txt", RowPicture::File}));
        QCOMPARE(w.fileList().row(1), (WorkspaceRow {"in", root_ + "/in", RowPicture::Folder}));
        QVERIFY(services_->messages.empty());
    }

    void commandsRefuseTextsThatCannotBeStored()
    {
        const std::string folder = root_ + "/tab\there";
        QDir().mkpath(QString::fromStdString(folder));
        writeFile(root_ + "/new\nline.txt");
        writeFile(root_ + "/cr\rname.dict");
        Workspace w(*app_);
        services_->folderAnswers = {FolderItem::fromPath(folder)};
        services_->openAnswers = {FolderItem::fromPath(root_ + "/new\nline.txt"), FolderItem::fromPath(root_ + "/cr\rname.dict")};
        QVERIFY(!w.addFolderToList());
        QVERIFY(!w.addFileToList());
        QVERIFY(!w.addDicToList());
        QCOMPARE(w.fileList().count(), 0);
        QCOMPARE(w.dicList().count(), 0);
        QCOMPARE(services_->messages.size(), size_t(3));
        QVERIFY(QString::fromStdString(services_->messages[0]).contains(QStringLiteral("tab here")));
    }

    void savingUntitledAsksThenTitlesOnlyAfterWriting()
    {
        Workspace w(*app_);
        w.openUntitled({});
        w.dicList().appendRow(dictionaryRow("a.dict"));
        w.dicList().appendRow(dictionaryRow("辞書.dict"));
        w.fileList().appendRow({"t.txt", "/home/u/t.txt", RowPicture::None});

        // Cancelled: nothing written, still untitled.
        QVERIFY(!w.save(frame(30, 40, 490, 200)));
        QCOMPARE(w.title(), std::string("新規ワークスペース 1"));
        QVERIFY(!w.workSpaceItem());

        // The dialog's folder is gone: a failed save, reported, still untitled.
        services_->saveAnswers = {FolderItem::fromPath(root_ + "/no such folder/w.work")};
        QVERIFY(!w.save(frame(30, 40, 490, 200)));
        QCOMPARE(services_->messages.size(), size_t(1));
        QCOMPARE(w.title(), std::string("新規ワークスペース 1"));
        QVERIFY(!w.workSpaceItem());

        const std::string path = root_ + "/作業.work";
        services_->saveAnswers = {FolderItem::fromPath(path)};
        QVERIFY(w.save(frame(30, 40, 490, 200)));
        QCOMPARE(w.title(), std::string("ワークスペース \"作業.work\""));
        QCOMPARE(w.workSpaceItem().path(), path);
        const std::string expected = "Tesvora Workspace,30,40,490,200\ra.dict\t辞書.dict\t\rt.txt\t/home/u/t.txt\r";
        QCOMPARE(readFile(path), expected);
        const FolderItem file = FolderItem::fromPath(path);
        if (file.setMacCreator("Tv9x")) {
            QCOMPARE(file.MacType(), std::string("wksp"));
            QCOMPARE(file.MacCreator(), std::string("Tv9x"));
            // A later save keeps the codes the file has; it asks nothing.
            file.setMacType("TEXT");
            file.setMacCreator("ttxt");
        }
        QVERIFY(w.save(frame(30, 40, 490, 200)));
        QCOMPARE(readFile(path), expected);
        if (file.MacCreator() == "ttxt")
            QCOMPARE(file.MacType(), std::string("TEXT"));
        QCOMPARE(services_->messages.size(), size_t(1));
    }

    void failedLaterSaveIsReported()
    {
        const std::string folder = root_ + "/place";
        QDir().mkpath(QString::fromStdString(folder));
        const std::string path = folder + "/w.work";
        writeFile(path, "Tesvora Workspace,0,0,490,200\ra.dict\t\r");
        Workspace w(*app_);
        w.openFile(FolderItem::fromPath(path), {});
        QDir(QString::fromStdString(folder)).removeRecursively();
        QVERIFY(!w.save(frame(0, 0, 490, 200)));
        QCOMPARE(services_->messages, std::vector<std::string> {"ワークスペース \"w.work\" を保存できませんでした。"});
        QCOMPARE(w.workSpaceItem().path(), path);
    }

    void openingReadsTheFile()
    {
        fixtureFiles();
        const std::string path = root_ + "/w.work";
        writeFile(path, "Tesvora Workspace,10,20,600,300\ra.dict\tb.dict\t\rin\t" + root_ + "/in\rone.txt\t" + root_
                + "/one.txt\rgone\t" + root_ + "/gone.txt\r");
        Workspace w(*app_);
        const auto opened = w.openFile(FolderItem::fromPath(path), {"新規ワークスペース 1"});
        QVERIFY(!opened.readFailed);
        QVERIFY(opened.frame);
        QCOMPARE(opened.frame->Left, 10);
        QCOMPARE(opened.frame->Height, 300);
        QVERIFY(!opened.start);
        QCOMPARE(w.title(), std::string("ワークスペース \"w.work\""));
        QCOMPARE(w.workSpaceItem().path(), path);
        QCOMPARE(toList(w.dicList().names()), (QStringList {"a.dict", "b.dict"}));
        QCOMPARE(w.dicList().row(0).picture, RowPicture::Dictionary);
        QCOMPARE(w.fileList().count(), 3);
        QCOMPARE(w.fileList().row(0).picture, RowPicture::Folder);
        QCOMPARE(w.fileList().row(1).picture, RowPicture::File);
        QCOMPARE(w.fileList().row(2).picture, RowPicture::None);
        QVERIFY(passes_.empty());

        // Saving what was read gives the same bytes.
        QVERIFY(w.save(*opened.frame));
        const std::string first = readFile(path);
        QVERIFY(w.save(*opened.frame));
        QCOMPARE(readFile(path), first);
        Workspace again(*app_);
        again.openFile(FolderItem::fromPath(path), {});
        QVERIFY(again.dicList().rows() == w.dicList().rows());
        QVERIFY(again.fileList().rows() == w.fileList().rows());
    }

    void openingStartsAPassWhenAutomatic_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<bool>("starts");
        QTest::newRow("both lists") << QStringLiteral("Tesvora Workspace,0,0,490,200\ra.dict\t\rone\tROOT/one.txt\r") << true;
        QTest::newRow("no dictionary") << QStringLiteral("Tesvora Workspace,0,0,490,200\r\rone\tROOT/one.txt\r") << false;
        QTest::newRow("no file") << QStringLiteral("Tesvora Workspace,0,0,490,200\ra.dict\t\r") << false;
    }
    void openingStartsAPassWhenAutomatic()
    {
        QFETCH(QString, content);
        QFETCH(bool, starts);
        fixtureFiles();
        app_->isAutoWorkFrow = true;
        const std::string path = root_ + "/w.work";
        writeFile(path, content.replace(QStringLiteral("ROOT"), QString::fromStdString(root_)).toStdString());
        Workspace w(*app_);
        const auto opened = w.openFile(FolderItem::fromPath(path), {});
        QVERIFY(opened.start);
        QCOMPARE(opened.start->started, starts);
        QCOMPARE(passes_.size(), size_t(starts ? 1 : 0));
        if (starts)
            QCOMPARE(passes_[0].files, QStringList {"/one.txt"});
        QVERIFY(services_->messages.empty());
    }

    void unreadableFileIsReportedAndNotTaken()
    {
        Workspace w(*app_);
        const auto opened = w.openFile(FolderItem::fromPath(root_ + "/missing.work"), {"新規ワークスペース 1"});
        QVERIFY(opened.readFailed);
        QVERIFY(!opened.frame);
        QVERIFY(!w.workSpaceItem());
        QCOMPARE(w.title(), std::string("新規ワークスペース 2"));
        QCOMPARE(services_->messages, std::vector<std::string> {"ワークスペース \"missing.work\" を読み込めませんでした。"});
    }

    void doProofHandsTheListsToAPass()
    {
        fixtureFiles();
        Workspace w(*app_);
        w.dicList().appendRow(dictionaryRow("a.dict"));
        w.fileList().appendRow(rowFromEntry("in", root_ + "/in"));
        w.fileList().appendRow(rowFromEntry("no path", ""));
        const auto start = w.doProof();
        QVERIFY(start.started);
        QCOMPARE(passes_.size(), size_t(1));
        QCOMPARE(passes_[0].dictionaries, QStringList {"a.dict"});
        QCOMPARE(passes_[0].files, (QStringList {"/in/sub/y.txt", "/in/x.txt"}));
        // The lists stay as they were.
        QCOMPARE(w.fileList().count(), 2);
    }

private:
    // one.txt, picture.png, in/x.txt, in/sub/y.txt, in/skip.doc; app/ holds
    // a text that a row without a path must not reach.
    void fixtureFiles()
    {
        writeFile(root_ + "/one.txt");
        writeFile(root_ + "/picture.png");
        QDir().mkpath(QString::fromStdString(root_ + "/in/sub"));
        writeFile(root_ + "/in/x.txt");
        writeFile(root_ + "/in/sub/y.txt");
        writeFile(root_ + "/in/skip.doc");
    }
    std::vector<std::string> rowPaths() const
    {
        return {root_ + "/in", root_ + "/picture.png", root_ + "/missing.txt", "", "app", root_ + "/one.txt",
            root_ + "/one.txt"};
    }

    std::unique_ptr<QTemporaryDir> dir_;
    std::string root_, appDir_;
    std::unique_ptr<test::TestServices> services_;
    std::unique_ptr<AppState> app_;
    std::vector<StartedPass> passes_;
};

QTEST_GUILESS_MAIN(TestWorkspaceStart)
#include "tst_workspacestart.moc"
