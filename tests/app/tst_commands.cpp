// The dictionary menu's commands, the editor registry, and the commands that
// open workspaces, preferences windows, the trial palette and the about box.

#include "ShellFixture.h"

#include "app/ui/AboutBox.h"
#include "app/ui/MenuItems.h"
#include "dictionary/ui/dicEdit.h"
#include "preferences/ui/prefWindow.h"
#include "trial/ui/grepWizardWindow.h"
#include "workspace/ui/workSpace.h"

#include <QLabel>
#include <QTest>

#include <unistd.h>

using namespace tv;
using tv::test::StartedShell;

namespace {

QList<int> checkedMembers(StartedShell& s)
{
    QList<int> out;
    for (int i = 1; MenuItem* it = s.app->MenuBar().item("dicList", i); ++i)
        if (it->Checked())
            out << i;
    return out;
}

QStringList names(StartedShell& s, const char* array)
{
    QStringList out;
    for (int i = 1; MenuItem* it = s.app->MenuBar().item(array, i); ++i)
        out << QString::fromStdString(it->Text());
    return out;
}

QStringList dictionaries(int n)
{
    QStringList out;
    for (int i = 1; i <= n; ++i)
        out << QString::asprintf("d%02d.dict", i);
    return out;
}

int openWindowsOf(const char* className)
{
    int n = 0;
    for (Window* w : Window::all())
        if (w->className() == className && w->isOpen())
            ++n;
    return n;
}

} // namespace

class TestCommands : public QObject {
    Q_OBJECT

private slots:
    void choosingTheCurrentDictionary_data()
    {
        QTest::addColumn<int>("chosen");
        QTest::newRow("another one") << 3;
        QTest::newRow("the current one again") << 1;
    }
    void choosingTheCurrentDictionary()
    {
        QFETCH(int, chosen);
        StartedShell s;
        QCOMPARE(checkedMembers(s), QList<int> {1});
        s.choose("dicList", chosen);
        QCOMPARE(checkedMembers(s), QList<int> {chosen});
        QCOMPARE(s.app->prefDefaultDic, dicList(chosen).Text());
        // No editor opens.
        QCOMPARE(openWindowsOf("dicEdit"), 0);
    }

    void newDictionary_data()
    {
        QTest::addColumn<int>("listed");
        QTest::addColumn<QString>("answer"); // relative to the test folder; empty: cancelled
        QTest::addColumn<bool>("listedNew");
        QTest::addColumn<QString>("commandKey");
        QTest::newRow("cancelled") << 3 << "" << false << "";
        QTest::newRow("an existing file is left alone") << 3 << "app/Dictionary/d02.dict" << false << "";
        QTest::newRow("five listed: the new one gets Cmd+6") << 5 << "app/Dictionary/新規辞書.dict" << true << "6";
        QTest::newRow("nine listed: the tenth gets none") << 9 << "app/Dictionary/z.dict" << true << "";
        QTest::newRow("in another folder, listed by its name") << 2 << "elsewhere.dict" << true << "3";
    }
    void newDictionary()
    {
        QFETCH(int, listed);
        QFETCH(QString, answer);
        QFETCH(bool, listedNew);
        QFETCH(QString, commandKey);
        StartedShell s(dictionaries(listed));
        s.choose("dicList", 2);
        std::string before = test::readFile(s.dictFolder() + "/d02.dict");
        s.seam.saveAnswers.push_back(answer.isEmpty() ? FolderItem() : s.item(answer.toStdString()));
        s.choose("newdic");
        QCOMPARE(s.app->dicMenuNo, listed + (listedNew ? 1 : 0));
        QCOMPARE(names(s, "dicList"), names(s, "dicEditList"));
        if (!listedNew) {
            QCOMPARE(checkedMembers(s), QList<int> {2});
            QCOMPARE(s.app->prefDefaultDic, std::string("d02.dict"));
            QCOMPARE(test::readFile(s.dictFolder() + "/d02.dict"), before);
            return;
        }
        int n = listed + 1;
        FolderItem file = s.item(answer.toStdString());
        QVERIFY(file.Exists());
        QCOMPARE(file.fileLength(), int64_t(0));
        QCOMPARE(dicList(n).Text(), file.DisplayName());
        QCOMPARE(dicEditList(n).Text(), file.DisplayName());
        QCOMPARE(QString::fromStdString(dicList(n).CommandKey()), commandKey);
        QCOMPARE(dicEditList(n).CommandKey(), std::string());
        QCOMPARE(checkedMembers(s), QList<int> {n});
        QCOMPARE(s.app->prefDefaultDic, file.DisplayName());
        if (file.setMacType("dict")) { // the file system keeps codes
            QCOMPARE(file.MacCreator(), std::string("Tv9x"));
        }
        QCOMPARE(openWindowsOf("dicEdit"), 0);
    }

    void editorRegistry()
    {
        StartedShell s;
        // The current dictionary and its own item reach the same window.
        s.choose("dicSelectedEdit");
        QCOMPARE(int(s.app->dicEditWin.size()), 1);
        QCOMPARE(s.app->dicEditWin[0]->editDic, std::string("a.dict"));
        QVERIFY(s.app->_dicEditList_Action(1));
        QVERIFY(s.app->_dicSelectedEdit_Action());
        QCOMPARE(openWindowsOf("dicEdit"), 1);
        // A second dictionary gets a window of its own.
        QVERIFY(!s.app->_dicEditList_Action(2));
        QCOMPARE(int(s.app->dicEditWin.size()), 2);
        // A closed editor stays listed until the next editor command, which
        // drops it and makes a new window for its name.
        std::shared_ptr<DictionaryEditorWindow> first = s.app->dicEditWin[0];
        first->Close();
        QCOMPARE(first->editDic, std::string());
        QCOMPARE(int(s.app->dicEditWin.size()), 2);
        QVERIFY(!s.app->_dicEditList_Action(1));
        QCOMPARE(int(s.app->dicEditWin.size()), 2);
        QVERIFY(s.app->dicEditWin[0]->editDic == "b.dict");
        QVERIFY(s.app->dicEditWin[1] != first);
        QCOMPARE(s.app->editDic, std::string("a.dict"));
    }

    void editorNamesCompareExactly()
    {
        // Two files whose names differ in case only are two dictionaries.
        StartedShell s({"a.dict", "A.dict"});
        s.app->prefDefaultDic = "A.dict";
        QVERIFY(!s.app->_dicSelectedEdit_Action());
        s.app->prefDefaultDic = "a.dict";
        QVERIFY(!s.app->_dicSelectedEdit_Action());
        QCOMPARE(int(s.app->dicEditWin.size()), 2);
        QCOMPARE(s.app->dicEditWin[0]->editDic, std::string("A.dict"));
        QCOMPARE(s.app->dicEditWin[1]->editDic, std::string("a.dict"));
        QCOMPARE(openWindowsOf("dicEdit"), 2);
        // Each name raises its own editor again.
        QVERIFY(s.app->_dicSelectedEdit_Action());
        s.app->prefDefaultDic = "A.dict";
        QVERIFY(s.app->_dicSelectedEdit_Action());
        QCOMPARE(int(s.app->dicEditWin.size()), 2);
    }

    void raisingOneEditorDropsTheClosedOnes()
    {
        StartedShell s;
        s.app->_dicEditList_Action(1);
        s.app->_dicEditList_Action(2);
        std::shared_ptr<DictionaryEditorWindow> b = s.app->dicEditWin[1];
        s.app->dicEditWin[0]->Close();
        QVERIFY(s.app->_dicEditList_Action(2));
        QCOMPARE(int(s.app->dicEditWin.size()), 1);
        QCOMPARE(s.app->dicEditWin[0], b);
    }

    void editorOfAMissingFileOpensEmpty()
    {
        StartedShell s;
        ::unlink((s.dictFolder() + "/b.dict").c_str());
        s.app->_dicEditList_Action(2);
        DictionaryEditorWindow& editor = *s.app->dicEditWin[0];
        QVERIFY(editor.isOpen());
        QCOMPARE(editor.Title(), std::string());
        QCOMPARE(editor.filePath(), std::string());
        s.app->_dicEditList_Action(3);
        DictionaryEditorWindow& other = *s.app->dicEditWin[1];
        QCOMPARE(other.Title(), std::string("辞書 \"c.dict\" の編集"));
        QCOMPARE(other.filePath(), s.dictFolder() + "/c.dict");
    }

    void untitledWorkspacesAreNumbered()
    {
        StartedShell s;
        s.choose("newWorkspace");
        s.choose("newWorkspace");
        QCOMPARE(s.app->workSpaceWin[0]->Title(), std::string("新規ワークスペース 1"));
        QCOMPARE(s.app->workSpaceWin[1]->Title(), std::string("新規ワークスペース 2"));
        // A closed one still counts: it stays listed.
        s.app->workSpaceWin[0]->Close();
        s.choose("newWorkspace");
        QCOMPARE(s.app->workSpaceWin[2]->Title(), std::string("新規ワークスペース 3"));
    }

    void openingAWorkspaceFile()
    {
        StartedShell s;
        test::writeFile(s.root() + "/job.work", "Tesvora Workspace,0,0,300,200\r\r");
        QVERIFY(::link((s.root() + "/job.work").c_str(), (s.root() + "/same.work").c_str()) == 0);
        test::writeFile(s.root() + "/other.work", "Tesvora Workspace,0,0,300,200\r\r");
        s.choose("newWorkspace");
        s.seam.openAnswers.push_back(s.item("job.work"));
        QVERIFY(!s.app->_openWorkspace_Action());
        // The untitled workspace is no longer listed, though still open.
        QCOMPARE(int(s.app->workSpaceWin.size()), 1);
        QCOMPARE(openWindowsOf("workSpace"), 2);
        WorkspaceWindow& job = *s.app->workSpaceWin[0];
        QCOMPARE(job.Title(), std::string("ワークスペース \"job.work\""));
        QCOMPARE(job.filePath(), s.root() + "/job.work");
        // The same file by another name raises the open window.
        s.seam.openAnswers.push_back(s.item("same.work"));
        QVERIFY(s.app->_openWorkspace_Action());
        QCOMPARE(int(s.app->workSpaceWin.size()), 1);
        s.seam.openAnswers.push_back(s.item("other.work"));
        QVERIFY(!s.app->_openWorkspace_Action());
        QCOMPARE(int(s.app->workSpaceWin.size()), 2);
        // A closed window's file makes a new window.
        job.Close();
        s.seam.openAnswers.push_back(s.item("job.work"));
        QVERIFY(!s.app->_openWorkspace_Action());
        QCOMPARE(int(s.app->workSpaceWin.size()), 3);
        // The next untitled workspace is numbered as if the first were gone.
        s.choose("newWorkspace");
        QCOMPARE(s.app->workSpaceWin[3]->Title(), std::string("新規ワークスペース 1"));
    }

    void cancelledOpenDialogChangesNothing()
    {
        StartedShell s;
        s.choose("newWorkspace");
        QVERIFY(!s.app->_openWorkspace_Action());
        QCOMPARE(int(s.app->workSpaceWin.size()), 1);
        QVERIFY(!s.app->openFolderItem);
    }

    void preferencesWindowsEachTime_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("index");
        QTest::newRow("環境設定...") << "prefMenu" << -1;
        QTest::newRow("the separator before it") << "dummy" << 0;
    }
    void preferencesWindowsEachTime()
    {
        QFETCH(QString, item);
        QFETCH(int, index);
        StartedShell s;
        s.app->prefFileType = "TEXT";
        QByteArray name = item.toLatin1();
        s.app->dispatchMenu(name.toStdString(), index);
        s.app->dispatchMenu(name.toStdString(), index);
        QCOMPARE(openWindowsOf("prefWindow"), 2);
        prefWindow* w = nullptr;
        for (Window* each : Window::all())
            if (each->className() == "prefWindow" && each->isOpen())
                w = static_cast<prefWindow*>(each);
        // Every close writes the preferences file.
        QVERIFY(!FolderItem::fromPath(s.prefsPath()).Exists());
        w->Close();
        QVERIFY(FolderItem::fromPath(s.prefsPath()).Exists());
    }

    void onePalette()
    {
        StartedShell s;
        s.choose("helpWizardMenu");
        grepWizardWindow* first = &grepWizardWindow::instance();
        s.choose("helpWizardMenu");
        QCOMPARE(&grepWizardWindow::instance(), first);
        QCOMPARE(openWindowsOf("grepWizardWindow"), 1);
        first->Close();
        s.choose("helpWizardMenu");
        QVERIFY(grepWizardWindow::existing() && grepWizardWindow::existing() != first);
    }

    void aboutBox()
    {
        StartedShell s;
        aboutWin* box = aboutWin::existing();
        QVERIFY(box);
        QVERIFY(!box->widget()->isVisible());
        s.choose("About");
        QCOMPARE(aboutWin::existing(), box);
        QVERIFY(box->widget()->isVisible());
        QCOMPARE(box->Title(), std::string("Tesvora について"));
        QCOMPARE(box->widget()->size(), QSize(315, 207));
        auto* link = box->controlAs<QLabel>("StaticText2");
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor("#1822CD"));
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(link, &enter);
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(link, &leave);
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(s.seam.urls, std::vector<std::string> {aboutWin::webAddress()});
        QVERIFY(box->isOpen());
        // "OK" closes it; the next command shows a freshly made box.
        QTest::mouseClick(box->controlAs<QWidget>("PushButton1"), Qt::LeftButton);
        QVERIFY(!box->isOpen());
        s.choose("About");
        aboutWin* fresh = aboutWin::existing();
        QVERIFY(fresh && fresh != box);
        QVERIFY(fresh->widget()->isVisible());
        QCOMPARE(fresh->controlAs<QLabel>("verStr1")->text().toStdString(), s.app->version);
        QCOMPARE(fresh->controlAs<QLabel>("verStr2")->text(), fresh->controlAs<QLabel>("verStr1")->text());
        QCOMPARE(fresh->controlAs<QLabel>("StaticText2")->palette().color(QPalette::WindowText), QColor("#1822CD"));
        QVERIFY(!s.app->version.empty());
    }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
