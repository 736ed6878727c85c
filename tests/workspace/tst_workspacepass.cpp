// A workspace built through its commands, saved, reopened and proofread by a
// real pass (its windows faked).

#include "proofing/tst_pass_fake.h"

#include "app/core/AppState.h"
#include "platform/core/FolderItem.h"
#include "workspace/core/Workspace.h"

#include "support/Files.h"
#include "support/TestServices.h"
#include "support/Wait.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace tv;
using tv::test::FakePassView;
using tv::test::readFile;
using tv::test::writeFile;

class TestWorkspacePass : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>(test::fixtureTemplate("tst_workspacepass"));
        QVERIFY(dir_->isValid());
        root_ = dir_->path().toStdString();
        const std::string appDir = root_ + "/app";
        QDir().mkpath(QString::fromStdString(appDir + "/Dictionary"));
        QDir().mkpath(QString::fromStdString(root_ + "/in/sub"));
        FolderItem::overrideApplicationFolder(appDir);
        services_ = std::make_unique<test::TestServices>();
        app_ = std::make_unique<AppState>();
        registerAppState(app_.get());
        app_->setDefaultSettings();
        app_->prefAlarmType = "none";
        app_->prefDefaultDic = "default.dict";
        view_ = std::make_shared<FakePassView>(*app_);
        AppState::setPassStarter([this](AppState& state) { startProof(state, view_); });
        dictionary("a.dict", "x\ty\t--------\t\r");
        dictionary("b.dict", "y\tz\t--------\t\r");
        dictionary("c.dict", "x\tq\t--------\t\r");
        dictionary("default.dict", "x\td\t--------\t\r");
        writeFile(root_ + "/in/t.txt", "x1");
        writeFile(root_ + "/in/sub/u.txt", "x2");
        writeFile(root_ + "/in/v.txt", "x3");
    }
    void cleanup()
    {
        AppState::setPassStarter(nullptr);
        view_.reset();
        registerAppState(nullptr);
        app_.reset();
        services_.reset();
        FolderItem::overrideApplicationFolder("");
        dir_.reset();
    }

    void builtSavedReopenedAndProofread()
    {
        {
            Workspace w(*app_);
            w.openUntitled({});
            services_->openAnswers = {dictionaryItem("a.dict"), dictionaryItem("b.dict"),
                FolderItem::fromPath(root_ + "/in/t.txt")};
            services_->folderAnswers = {FolderItem::fromPath(root_ + "/in/sub")};
            QVERIFY(w.addDicToList());
            QVERIFY(w.addDicToList());
            QVERIFY(w.addFileToList());
            QVERIFY(w.addFolderToList());
            services_->saveAnswers = {FolderItem::fromPath(root_ + "/job.work")};
            FrameBounds f;
            f.Left = 30;
            f.Top = 40;
            f.Width = 490;
            f.Height = 200;
            QVERIFY(w.save(f));
        }
        QCOMPARE(readFile(root_ + "/job.work"),
            "Tesvora Workspace,30,40,490,200\ra.dict\tb.dict\t\rt.txt\t" + root_ + "/in/t.txt\rsub\t" + root_
                + "/in/sub\r");

        Workspace w(*app_);
        w.openFile(FolderItem::fromPath(root_ + "/job.work"), {});
        const PassStart start = w.doProof();
        QVERIFY(start.started);
        QVERIFY(test::waitFor([this] { return !app_->isWorking; }));
        // Both of the workspace's dictionaries, in order; not the current one.
        QCOMPARE(readFile(root_ + "/in/t[fixed].txt"), std::string("z1"));
        QCOMPARE(readFile(root_ + "/in/sub/u[fixed].txt"), std::string("z2"));
        QVERIFY(app_->dicChangeList.empty());
        QVERIFY(services_->messages.empty());
    }

    void aRunningPassTakesTheFilesWithItsOwnDictionaries()
    {
        Workspace first(*app_);
        first.dicList().appendRow(dictionaryRow("a.dict"));
        first.fileList().appendRow(fileRow(FolderItem::fromPath(root_ + "/in/t.txt")));
        Workspace second(*app_);
        second.dicList().appendRow(dictionaryRow("c.dict"));
        second.fileList().appendRow(fileRow(FolderItem::fromPath(root_ + "/in/v.txt")));

        std::optional<PassStart> during;
        view_->onTitle = [&](const std::string& title) {
            if (!during && title == "\"t.txt\" を校正中...")
                during = second.doProof();
        };
        QVERIFY(first.doProof().started);
        QVERIFY(test::waitFor([this] { return !app_->isWorking; }));
        QVERIFY(during);
        QVERIFY(!during->started);
        QCOMPARE(readFile(root_ + "/in/t[fixed].txt"), std::string("y1"));
        QCOMPARE(readFile(root_ + "/in/v[fixed].txt"), std::string("y3"));
        // The second workspace's dictionary waits for the next pass.
        QCOMPARE(app_->dicChangeList, std::deque<std::string> {"c.dict"});

        QVERIFY(second.doProof().started);
        QVERIFY(test::waitFor([this] { return !app_->isWorking; }));
        QCOMPARE(readFile(root_ + "/in/v[fixed].txt"), std::string("q3"));
        QVERIFY(app_->dicChangeList.empty());
    }

    void aStartThatQueuesNothingLeavesNothingForTheNextPass()
    {
        Workspace w(*app_);
        w.dicList().appendRow(dictionaryRow("c.dict"));
        w.fileList().appendRow(rowFromEntry("gone", root_ + "/in/gone.txt"));
        QVERIFY(!w.doProof().started);
        // The next pass, started elsewhere, uses the current dictionary.
        app_->dropItem.push_back(FolderItem::fromPath(root_ + "/in/t.txt"));
        app_->startProof();
        QVERIFY(test::waitFor([this] { return !app_->isWorking; }));
        QCOMPARE(readFile(root_ + "/in/t[fixed].txt"), std::string("d1"));
    }

private:
    void dictionary(const std::string& name, const std::string& rules)
    {
        writeFile(root_ + "/app/Dictionary/" + name, "Tesvora Dictionary,100,100,573,502,UTF8\r" + rules);
    }
    FolderItem dictionaryItem(const std::string& name) const
    {
        return FolderItem::fromPath(root_ + "/app/Dictionary/" + name);
    }

    std::unique_ptr<QTemporaryDir> dir_;
    std::string root_;
    std::unique_ptr<test::TestServices> services_;
    std::unique_ptr<AppState> app_;
    std::shared_ptr<FakePassView> view_;
};

QTEST_GUILESS_MAIN(TestWorkspacePass)
#include "tst_workspacepass.moc"
