// The workspace window driven as the user drives it: its buttons, keys and
// menu commands, synthetic drops on its lists, the close question, saving,
// reopening and the pass it starts.

#include "app/ShellFixture.h"

#include "app/ui/SharedDialogs.h"
#include "platform/ui/QtServices.h"
#include "proofing/ui/PassWindows.h"
#include "workspace/core/WorkspaceDrops.h"
#include "workspace/ui/workSpace.h"

#include "support/Wait.h"

#include <QAbstractProxyModel>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QFile>
#include <QHeaderView>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <sys/stat.h>
#include <unistd.h>

using namespace tv;
using tv::test::readFile;
using tv::test::StartedShell;
using tv::test::writeFile;

namespace {

const char* const kDictHeader = "Tesvora Dictionary,100,100,573,502,UTF8\r";

void answerWith(const std::string& button)
{
    QTimer::singleShot(0, [button] {
        QVERIFY(isSaveSheet::isShown());
        QTest::mouseClick(isSaveSheet::instance().control(button), Qt::LeftButton);
    });
}

std::string hexBytes(const std::string& bytes)
{
    static const char* const hex = "0123456789abcdef";
    std::string out;
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        if (!out.empty())
            out += ' ';
        out += hex[c >> 4];
        out += hex[c & 15];
    }
    return out;
}

// A drop as the desktop or another window delivers it, at a row of a list
// (the row count: below the last row). True when the list took the drag.
bool dropAt(QTreeView* list, const QByteArray& format, const QByteArray& bytes, int row)
{
    QMimeData data;
    data.setData(QString::fromLatin1(format), bytes);
    QPoint at(10, 2);
    const int rows = list->model()->rowCount();
    if (row < rows)
        at = list->visualRect(list->model()->index(row, 0)).center();
    else if (rows > 0)
        at = list->visualRect(list->model()->index(rows - 1, 0)).bottomLeft() + QPoint(10, 4);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &drop);
    return drop.isAccepted();
}

std::vector<std::string> names(const WorkspaceListModel& m)
{
    return m.names();
}

} // namespace

class TestWorkspaceWindow : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<StartedShell> s;

    // The new window comes to the front, where its menu commands reach it,
    // once a pass its opening started has ended: until then the pass's own
    // window may come and go in front of it.
    workSpace& front(Window& w)
    {
        [&] { QVERIFY(test::waitFor([this] { return !s->app->isWorking; })); }();
        w.widget()->activateWindow();
        [&] { QVERIFY(QTest::qWaitForWindowActive(w.widget())); }();
        return static_cast<workSpace&>(w);
    }
    workSpace& newWorkspace()
    {
        s->choose("newWorkspace");
        return front(*s->app->workSpaceWin.back());
    }
    workSpace& openWorkspaceFile(const std::string& path)
    {
        s->seam.openAnswers = {FolderItem::fromPath(path)};
        s->choose("openWorkspace");
        return front(*s->app->workSpaceWin.back());
    }
    QTreeView* dicList(workSpace& w) { return w.controlAs<QTreeView>("dicListBox"); }
    QTreeView* fileList(workSpace& w) { return w.controlAs<QTreeView>("fileListBox"); }
    void click(workSpace& w, const char* button)
    {
        QTest::mouseClick(w.controlAs<QToolButton>(button), Qt::LeftButton);
    }
    void select(QTreeView* list, int row)
    {
        list->selectionModel()->select(list->model()->index(row, 0),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    bool marked(workSpace& w) { return s->app->IsWindowModified(w); }
    std::string dictPath(const std::string& name) { return s->dictFolder() + "/" + name; }

private slots:
    void init()
    {
        s = std::make_unique<StartedShell>(QStringList {"a.dict", "b.dict", "辞書.dict"});
        installPassStarter();
        s->app->prefAlarmType = "none";
        ::mkdir((s->root() + "/in").c_str(), 0777);
        ::mkdir((s->root() + "/in/sub").c_str(), 0777);
    }
    void cleanup()
    {
        QVERIFY(test::waitFor([this] { return !s->app->isWorking; }));
        s.reset();
    }

    void theWindowAsLaidOut()
    {
        workSpace& w = newWorkspace();
        QVERIFY(w.isOpen());
        QCOMPARE(w.Title(), std::string("新規ワークスペース 1"));
        QVERIFY(!marked(w));
        QVERIFY(!w.workSpaceItem);
        QCOMPARE(dicList(w)->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("校正に使う辞書"));
        QCOMPARE(fileList(w)->model()->headerData(0, Qt::Horizontal).toString(),
            QStringLiteral("校正待ちファイル／フォルダ"));
        QVERIFY(!fileList(w)->header()->isHidden());
        QVERIFY(fileList(w)->header()->isSectionHidden(1));
        QCOMPARE(dicList(w)->model()->columnCount(), 1);
        const std::pair<const char*, const char*> buttons[] = {{"doProofButton", "校正開始"},
            {"addDictButton", "辞書追加"}, {"addFileButton", "ファイル追加"}, {"addFolderButton", "フォルダ追加"}};
        for (const auto& [name, caption] : buttons) {
            auto* b = w.controlAs<QToolButton>(name);
            QVERIFY2(b, name);
            QCOMPARE(b->text(), QString::fromUtf8(caption));
            QCOMPARE(b->focusPolicy(), Qt::NoFocus);
        }
        QCOMPARE(w.workspaceFrame().Width, 490);
        QCOMPARE(w.workspaceFrame().Height, 200);
    }

    // Two dictionaries by dialog and a file row dropped from another window,
    // saved: the file is the 72 bytes below; reopened it gives the same rows,
    // and a second save the same bytes.
    void builtSavedAndReopened()
    {
        workSpace& w = newWorkspace();
        s->seam.openAnswers = {FolderItem::fromPath(dictPath("a.dict")), FolderItem::fromPath(dictPath("辞書.dict"))};
        click(w, "addDictButton");
        s->choose("addDictionary");
        QCOMPARE(names(w.document().dicList()), (std::vector<std::string> {"a.dict", "辞書.dict"}));
        QVERIFY(marked(w));
        dropAt(fileList(w), kFilePayloadMime, QByteArray("other\rt.txt\t/home/u/t.txt"), 0);
        QCOMPARE(w.document().fileList().count(), 1);
        QCOMPARE(w.document().fileList().row(0).path, std::string("/home/u/t.txt"));
        w.applyWorkspaceFrame({40, 30, 490, 200});

        const std::string path = s->root() + "/job";
        s->seam.saveAnswers = {FolderItem::fromPath(path)};
        s->choose("fileSave");
        QCOMPARE(hexBytes(readFile(path)),
            std::string("54 65 73 76 6f 72 61 20 57 6f 72 6b 73 70 61 63 65 2c 33 30 2c 34 30 2c 34 39 30 2c 32 30 "
                        "30 0d 61 2e 64 69 63 74 09 e8 be 9e e6 9b b8 2e 64 69 63 74 09 0d 74 2e 74 78 74 09 2f 68 "
                        "6f 6d 65 2f 75 2f 74 2e 74 78 74 0d"));
        QCOMPARE(w.Title(), std::string("ワークスペース \"job\""));
        QVERIFY(!marked(w));
        QCOMPARE(w.workSpaceItem.path(), path);
        const FolderItem saved = FolderItem::fromPath(path);
        if (!saved.storedMacType().empty()) {
            QCOMPARE(saved.storedMacType(), std::string("wksp"));
            QCOMPARE(saved.MacCreator(), std::string("Tv9x"));
        }
        const std::string first = readFile(path);
        s->choose("fileSave");
        QCOMPARE(readFile(path), first);
        QVERIFY(w.Close());

        workSpace& again = openWorkspaceFile(path);
        QVERIFY(&again != &w);
        QCOMPARE(again.Title(), std::string("ワークスペース \"job\""));
        QVERIFY(!marked(again));
        QCOMPARE(again.filePath(), path);
        QCOMPARE(names(again.document().dicList()), (std::vector<std::string> {"a.dict", "辞書.dict"}));
        QCOMPARE(again.document().fileList().count(), 1);
        QCOMPARE(again.document().fileList().row(0).name, std::string("t.txt"));
        QCOMPARE(again.workspaceFrame().Left, 30);
        QCOMPARE(again.workspaceFrame().Top, 40);
        s->choose("fileSave");
        QCOMPARE(readFile(path), first);
    }

    void aLaterSaveKeepsTheFilesCodes()
    {
        const std::string path = s->root() + "/keep.work";
        writeFile(path, "Tesvora Workspace,30,40,490,200\ra.dict\t\r");
        const FolderItem file = FolderItem::fromPath(path);
        if (!file.setMacType("TEXT"))
            QSKIP("the build folder's file system has no extended attributes");
        file.setMacCreator("ttxt");
        workSpace& w = openWorkspaceFile(path);
        s->seam.openAnswers = {FolderItem::fromPath(dictPath("b.dict"))};
        click(w, "addDictButton");
        s->choose("fileSave");
        QCOMPARE(readFile(path), std::string("Tesvora Workspace,30,40,490,200\ra.dict\tb.dict\t\r"));
        QCOMPARE(file.storedMacType(), std::string("TEXT"));
        QCOMPARE(file.MacCreator(), std::string("ttxt"));
    }

    void backspace_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("rowsAfter");
        QTest::addColumn<bool>("markedAfter");
        QTest::newRow("empty list: marked all the same") << 0 << -1 << int(Qt::Key_Backspace) << 0 << true;
        QTest::newRow("nothing selected: nothing removed, marked") << 3 << -1 << int(Qt::Key_Backspace) << 3 << true;
        QTest::newRow("one selected: removed") << 3 << 1 << int(Qt::Key_Backspace) << 2 << true;
        QTest::newRow("forward delete: nothing") << 3 << 1 << int(Qt::Key_Delete) << 3 << false;
        QTest::newRow("a letter: nothing") << 3 << 1 << int(Qt::Key_A) << 3 << false;
        QTest::newRow("an arrow: nothing") << 3 << 1 << int(Qt::Key_Up) << 3 << false;
    }
    void backspace()
    {
        QFETCH(int, rows);
        QFETCH(int, selected);
        QFETCH(int, key);
        QFETCH(int, rowsAfter);
        QFETCH(bool, markedAfter);
        for (bool files : {false, true}) {
            workSpace& w = newWorkspace();
            QTreeView* list = files ? fileList(w) : dicList(w);
            WorkspaceListModel& model = files ? w.document().fileList() : w.document().dicList();
            for (int i = 0; i < rows; ++i)
                model.appendRow({"r" + std::to_string(i), files ? "/p/r" + std::to_string(i) : "", RowPicture::None});
            if (selected >= 0)
                select(list, selected);
            if (files)
                QCOMPARE(list->toolTip().isEmpty(), selected < 0);
            QTest::keyClick(list, Qt::Key(key));
            QCOMPARE(model.count(), rowsAfter);
            QCOMPARE(marked(w), markedAfter);
            if (key == Qt::Key_Backspace) {
                QVERIFY(selectedRows(list).empty());
                if (files)
                    QVERIFY(list->toolTip().isEmpty());
            }
            if (rowsAfter == 2)
                QCOMPARE(model.names(), (std::vector<std::string> {"r0", "r2"}));
            s->app->SetWindowModified(w, false);
            QVERIFY(w.Close());
        }
    }

    void theHelpTagShowsTheSelectedRowsPath()
    {
        workSpace& w = newWorkspace();
        const std::string path = s->root() + "/in/t.txt";
        writeFile(path, "x");
        s->seam.openAnswers = {FolderItem::fromPath(path)};
        click(w, "addFileButton");
        select(fileList(w), 0);
        QCOMPARE(fileList(w)->toolTip(), QString::fromStdString(path));
        fileList(w)->selectionModel()->clearSelection();
        QVERIFY(fileList(w)->toolTip().isEmpty());
        QVERIFY(dicList(w)->toolTip().isEmpty());
    }

    void addingThroughDialogs_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("answer"); // relative to the test's folder; empty: cancelled
        QTest::addColumn<QString>("row");    // empty: no row
        QTest::addColumn<bool>("told");
        QTest::newRow("dictionary") << "addDictionary" << "app/Dictionary/a.dict" << "a.dict" << false;
        QTest::newRow("dictionary outside the folder") << "addDictionary" << "in/own.dict" << "own.dict" << false;
        QTest::newRow("not a dictionary") << "addDictionary" << "in/t.txt" << "" << false;
        QTest::newRow("dictionary cancelled") << "addDictionary" << "" << "" << false;
        QTest::newRow("file") << "addFile" << "in/t.txt" << "t.txt" << false;
        QTest::newRow("file the filter refuses") << "addFile" << "in/t.bak" << "" << false;
        QTest::newRow("file cancelled") << "addFile" << "" << "" << false;
        QTest::newRow("file with a TAB in its name") << "addFile" << "in/a\tb.txt" << "" << true;
        QTest::newRow("folder") << "addFolder" << "in/sub" << "sub" << false;
        QTest::newRow("folder cancelled") << "addFolder" << "" << "" << false;
    }
    void addingThroughDialogs()
    {
        QFETCH(QString, command);
        QFETCH(QString, answer);
        QFETCH(QString, row);
        QFETCH(bool, told);
        for (const char* name : {"t.txt", "t.bak", "own.dict", "a\tb.txt"})
            writeFile(s->root() + "/in/" + name, "x");
        workSpace& w = newWorkspace();
        // The new row goes to the end, whatever row is selected.
        w.document().dicList().appendRow(dictionaryRow("z.dict"));
        w.document().fileList().appendRow({"z", "/z", RowPicture::None});
        select(dicList(w), 0);
        select(fileList(w), 0);
        FolderItem item = answer.isEmpty() ? FolderItem() : s->item(answer.toStdString());
        if (command == "addFolder")
            s->seam.folderAnswers = {item};
        else
            s->seam.openAnswers = {item};
        s->choose(command.toLatin1().constData());
        WorkspaceListModel& list = command == "addDictionary" ? w.document().dicList() : w.document().fileList();
        QCOMPARE(list.count(), row.isEmpty() ? 1 : 2);
        QCOMPARE(marked(w), !row.isEmpty());
        QCOMPARE(s->seam.messages.size(), size_t(told ? 1 : 0));
        if (!row.isEmpty()) {
            QCOMPARE(QString::fromStdString(list.row(1).name), row);
            if (command != "addDictionary")
                QCOMPARE(list.row(1).path, item.path());
            const RowPicture picture = command == "addDictionary" ? RowPicture::Dictionary
                : command == "addFile"                            ? RowPicture::File
                                                                  : RowPicture::Folder;
            QCOMPARE(list.row(1).picture, picture);
        }
    }

    void desktopDropsOnTheDictionaryList()
    {
        workSpace& w = newWorkspace();
        for (const char* n : {"w.dict", "x.dict", "y.dict", "z.dict"})
            w.document().dicList().appendRow(dictionaryRow(n));
        const std::string in = s->root() + "/in/";
        for (const char* n : {"p.dict", "q.dict", "t.txt"})
            writeFile(in + n, "x");
        // A folder and a text are no dictionaries: passed over.
        const std::string uris = uriListOf({in + "p.dict", in + "sub", in + "t.txt", in + "q.dict"});
        dropAt(dicList(w), kUriListMime, QByteArray::fromStdString(uris), 1);
        QCOMPARE(names(w.document().dicList()),
            (std::vector<std::string> {"w.dict", "p.dict", "q.dict", "x.dict", "y.dict", "z.dict"}));
        QVERIFY(marked(w));
        // Below the last row: appended.
        dropAt(dicList(w), kUriListMime, QByteArray::fromStdString(uriListOf({in + "p.dict"})), 6);
        QCOMPARE(w.document().dicList().row(6).name, std::string("p.dict"));
    }

    // A drop on the heading goes before the first row shown.
    void dropsOnTheHeading()
    {
        workSpace& w = newWorkspace();
        WorkspaceListModel& model = w.document().dicList();
        for (int i = 0; i < 40; ++i)
            model.appendRow(dictionaryRow("d" + std::to_string(i) + ".dict"));
        QTreeView* list = dicList(w);
        QMimeData data;
        data.setData(QString::fromLatin1(kDictPayloadMime), QByteArray("other\rnew.dict"));
        auto dropOnHeading = [&] {
            const QPoint at(10, list->header()->height() / 2);
            QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(list->header()->viewport(), &enter);
            QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(list->header()->viewport(), &drop);
        };
        dropOnHeading();
        QCOMPARE(model.row(0).name, std::string("new.dict"));
        list->scrollTo(model.index(30, 0), QAbstractItemView::PositionAtTop);
        const int first = list->indexAt(QPoint(1, 1)).row();
        QVERIFY(first > 0);
        dropOnHeading();
        QCOMPARE(model.row(first).name, std::string("new.dict"));
        QCOMPARE(model.count(), 42);
    }

    void desktopDropsOnTheFileListGoToTheEnd()
    {
        workSpace& w = newWorkspace();
        w.document().fileList().appendRow({"first", "/first", RowPicture::None});
        w.document().fileList().appendRow({"second", "/second", RowPicture::None});
        const std::string in = s->root() + "/in/";
        writeFile(in + "t.txt", "x");
        writeFile(in + "t.bak", "x");
        ::mkdir((in + "dir.txt").c_str(), 0777);
        const std::string uris = uriListOf({in + "t.txt", in + "t.bak", in + "sub", in + "dir.txt"})
            + "http://example.org/x.txt\r\n";
        dropAt(fileList(w), kUriListMime, QByteArray::fromStdString(uris), 0);
        const std::vector<WorkspaceRow>& rows = w.document().fileList().rows();
        QCOMPARE(int(rows.size()), 5);
        QCOMPARE(rows[2], (WorkspaceRow {"t.txt", in + "t.txt", RowPicture::File}));
        QCOMPARE(rows[3], (WorkspaceRow {"sub", in + "sub", RowPicture::Folder}));
        // The filter takes regular files only: a folder is a folder row,
        // whatever its name.
        QCOMPARE(rows[4], (WorkspaceRow {"dir.txt", in + "dir.txt", RowPicture::Folder}));
        QVERIFY(marked(w));
    }

    void dropsRefuseTextsTheFileCannotKeep()
    {
        workSpace& w = newWorkspace();
        const std::string in = s->root() + "/in/";
        writeFile(in + "a\tb.txt", "x");
        writeFile(in + "ok.txt", "x");
        dropAt(fileList(w), kUriListMime, QByteArray::fromStdString(uriListOf({in + "a\tb.txt", in + "ok.txt"})), 0);
        QCOMPARE(names(w.document().fileList()), (std::vector<std::string> {"ok.txt"}));
        QCOMPARE(s->seam.messages.size(), size_t(1));
        dropAt(fileList(w), kFilePayloadMime, QByteArray("other\rn\t/p\nq"), 0);
        QCOMPARE(w.document().fileList().count(), 1);
        QCOMPARE(s->seam.messages.size(), size_t(2));
    }

    void payloadDrops()
    {
        workSpace& w = newWorkspace();
        for (const char* n : {"a.dict", "b.dict", "c.dict"})
            w.document().dicList().appendRow(dictionaryRow(n));
        select(dicList(w), 2);
        // From another window, even one of the same title: copied in at the
        // drop row, never moved (the drag did not start in this list).
        dropAt(dicList(w), kDictPayloadMime, QByteArray::fromStdString(w.Title() + "\rx.dict\ry.dict"), 1);
        QCOMPARE(names(w.document().dicList()),
            (std::vector<std::string> {"a.dict", "x.dict", "y.dict", "b.dict", "c.dict"}));
        QVERIFY(marked(w));
        // A "file" payload makes rows whose pictures come from their paths;
        // an empty or relative path names nothing.
        const std::string in = s->root() + "/in/";
        writeFile(in + "t.txt", "x");
        dropAt(fileList(w), kFilePayloadMime,
            QByteArray::fromStdString("other\rt.txt\t" + in + "t.txt\tmore\rsub\t" + in + "sub\rrel\tin/t.txt\rgone\t"),
            0);
        const std::vector<WorkspaceRow>& rows = w.document().fileList().rows();
        QCOMPARE(int(rows.size()), 4);
        QCOMPARE(rows[0], (WorkspaceRow {"t.txt", in + "t.txt", RowPicture::File}));
        QCOMPARE(rows[1], (WorkspaceRow {"sub", in + "sub", RowPicture::Folder}));
        QCOMPARE(rows[2].picture, RowPicture::None);
        QCOMPARE(rows[3], (WorkspaceRow {"gone", "", RowPicture::None}));
        // A list takes no payload of the other list.
        QVERIFY(!dropAt(dicList(w), kFilePayloadMime, QByteArray("other\rn\t/p"), 0));
        QCOMPARE(w.document().dicList().count(), 5);
    }

    void reorderingCarriesWholeRowsInsideItsOwnList()
    {
        workSpace& w = newWorkspace();
        const std::string in = s->root() + "/in/";
        writeFile(in + "t.txt", "x");
        WorkspaceListModel& files = w.document().fileList();
        files.appendRow(fileRow(FolderItem::fromPath(in + "t.txt")));
        files.appendRow(folderRow(FolderItem::fromPath(in + "sub")));
        files.appendRow({"gone", "/gone", RowPicture::None});
        std::unique_ptr<QMimeData> drag(files.mimeData({files.index(0, 0)}));
        QVERIFY(drag);
        const QByteArray rowsFormat = QByteArray(kListRowsMime);
        QVERIFY(dropAt(fileList(w), rowsFormat, drag->data(QString::fromLatin1(kListRowsMime)), 3));
        QCOMPARE(files.rows()[2], (WorkspaceRow {"t.txt", in + "t.txt", RowPicture::File}));
        QCOMPARE(files.rows()[0].name, std::string("sub"));
        QVERIFY(marked(w));

        // Another list, of this window or another, takes none of its rows.
        s->app->SetWindowModified(w, false);
        QVERIFY(!dropAt(dicList(w), rowsFormat, drag->data(QString::fromLatin1(kListRowsMime)), 0));
        workSpace& other = newWorkspace();
        QVERIFY(!dropAt(fileList(other), rowsFormat, drag->data(QString::fromLatin1(kListRowsMime)), 0));
        QCOMPARE(w.document().dicList().count(), 0);
        QCOMPARE(other.document().fileList().count(), 0);
        QVERIFY(!marked(w));
        QVERIFY(!marked(other));
    }

    void closing_data()
    {
        QTest::addColumn<bool>("modified");
        QTest::addColumn<bool>("titled");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("saveAs"); // "": cancelled; "locked": a folder that cannot be written
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("written");
        QTest::newRow("unmodified: no question") << false << true << "" << "" << true << false;
        QTest::newRow("cancel") << true << true << "cancelButton" << "" << false << false;
        QTest::newRow("don't save") << true << true << "docloseButton" << "" << true << false;
        QTest::newRow("save") << true << true << "saveButton" << "" << true << true;
        QTest::newRow("save, untitled") << true << false << "saveButton" << "new.work" << true << true;
        QTest::newRow("save, dialog cancelled") << true << false << "saveButton" << "" << false << false;
        QTest::newRow("save fails") << true << false << "saveButton" << "locked/new.work" << false << false;
    }
    void closing()
    {
        QFETCH(bool, modified);
        QFETCH(bool, titled);
        QFETCH(QString, button);
        QFETCH(QString, saveAs);
        QFETCH(bool, closed);
        QFETCH(bool, written);
        const std::string original = "Tesvora Workspace,30,40,490,200\ra.dict\t\r";
        const std::string path = s->root() + "/job.work";
        writeFile(path, original);
        // A file stands where the folder of the chosen path would be.
        writeFile(s->root() + "/locked", "x");
        workSpace& w = titled ? openWorkspaceFile(path) : newWorkspace();
        const std::string title = w.Title();
        if (modified) {
            s->seam.openAnswers = {FolderItem::fromPath(s->dictFolder() + "/b.dict")};
            s->choose("addDictionary");
        }
        if (!saveAs.isEmpty())
            s->seam.saveAnswers = {s->item(saveAs.toStdString())};
        if (!button.isEmpty())
            answerWith(button.toStdString());
        QCOMPARE(w.Close(), closed);
        QCOMPARE(!w.isOpen(), closed);
        if (titled) {
            QCOMPARE(readFile(path) != original, written);
        } else {
            QStringList made = QDir(s->dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
            for (const char* there : {"app", "config", "in", "job.work", "locked"})
                made.removeAll(QString::fromUtf8(there));
            QCOMPARE(made, written ? QStringList {saveAs} : QStringList {});
        }
        if (!closed) {
            // Kept open with its changes, its title and its file as they were.
            QVERIFY(marked(w));
            QCOMPARE(w.Title(), title);
            QCOMPARE(bool(w.workSpaceItem), titled);
            QCOMPARE(s->seam.messages.size(), size_t(saveAs.startsWith("locked") ? 1 : 0));
            if (button == "saveButton") {
                // And a quit stops there too.
                answerWith("saveButton");
                QVERIFY(!s->app->quitCommand());
                QVERIFY(w.isOpen());
            }
            s->app->SetWindowModified(w, false);
        }
    }

    void untitledWindowsAreNumberedInOneWalk()
    {
        workSpace& one = newWorkspace();
        workSpace& two = newWorkspace();
        QCOMPARE(two.Title(), std::string("新規ワークスペース 2"));
        // Closed windows still count.
        QVERIFY(one.Close());
        QCOMPARE(newWorkspace().Title(), std::string("新規ワークスペース 3"));
        // A single walk in list order: 2 and then 1 give 2 again.
        std::swap(s->app->workSpaceWin[0], s->app->workSpaceWin[1]);
        s->app->workSpaceWin.pop_back();
        QCOMPARE(newWorkspace().Title(), std::string("新規ワークスペース 2"));
    }

    void theStartButtonStartsAPassWithTheWorkspacesDictionaries()
    {
        writeFile(dictPath("a.dict"), std::string(kDictHeader) + "x\ty\t--------\t\r");
        writeFile(dictPath("b.dict"), std::string(kDictHeader) + "y\tz\t--------\t\r");
        const std::string in = s->root() + "/in/";
        writeFile(in + "t.txt", "x1");
        writeFile(in + "sub/u.txt", "x2");
        writeFile(in + "sub/u.bak", "x3");
        workSpace& w = newWorkspace();
        s->seam.openAnswers = {FolderItem::fromPath(dictPath("a.dict")), FolderItem::fromPath(dictPath("b.dict")),
            FolderItem::fromPath(in + "t.txt")};
        s->seam.folderAnswers = {FolderItem::fromPath(in + "sub")};
        click(w, "addDictButton");
        click(w, "addDictButton");
        click(w, "addFileButton");
        click(w, "addFolderButton");
        s->app->SetWindowModified(w, false);
        click(w, "doProofButton");
        QVERIFY(w.lastStart() && w.lastStart()->started);
        QVERIFY(test::waitFor([this] { return !s->app->isWorking; }));
        QCOMPARE(readFile(in + "t[fixed].txt"), std::string("z1"));
        QCOMPARE(readFile(in + "sub/u[fixed].txt"), std::string("z2"));
        QVERIFY(!FolderItem::fromPath(in + "sub/u[fixed].bak").Exists());
        QVERIFY(s->app->dicChangeList.empty());
        QVERIFY(!marked(w));
        QVERIFY(s->seam.messages.empty());
    }

    void aStartThatStartsNothingLeavesNoNames()
    {
        workSpace& w = newWorkspace();
        w.document().dicList().appendRow(dictionaryRow("a.dict"));
        w.document().fileList().appendRow({"gone", s->root() + "/in/gone.txt", RowPicture::None});
        w.document().fileList().appendRow({"empty", "", RowPicture::None});
        click(w, "doProofButton");
        QVERIFY(w.lastStart() && !w.lastStart()->started);
        QVERIFY(!s->app->isWorking);
        QVERIFY(s->app->dicChangeList.empty());
        QVERIFY(s->app->dropItem.empty());
        // With a list empty nothing happens at all.
        workSpace& empty = newWorkspace();
        empty.document().dicList().appendRow(dictionaryRow("a.dict"));
        click(empty, "doProofButton");
        QVERIFY(empty.lastStart() && !empty.lastStart()->started);
        QVERIFY(s->app->dicChangeList.empty());
    }

    void openingStartsAPassWhenAutomatic_data()
    {
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<bool>("withFile");
        QTest::newRow("automatic") << true << true;
        QTest::newRow("automatic, no file rows") << true << false;
        QTest::newRow("manual") << false << true;
    }
    void openingStartsAPassWhenAutomatic()
    {
        QFETCH(bool, automatic);
        QFETCH(bool, withFile);
        writeFile(dictPath("a.dict"), std::string(kDictHeader) + "x\ty\t--------\t\r");
        const std::string in = s->root() + "/in/";
        writeFile(in + "t.txt", "x1");
        const std::string path = s->root() + "/auto.work";
        writeFile(path, "Tesvora Workspace,30,40,490,200\ra.dict\t\r" + (withFile ? "t.txt\t" + in + "t.txt\r" : ""));
        s->app->isAutoWorkFrow = automatic;
        workSpace& w = openWorkspaceFile(path);
        QCOMPARE(w.lastStart() && w.lastStart()->started, automatic && withFile);
        QCOMPARE(bool(w.lastStart()), automatic);
        QVERIFY(!marked(w));
        QVERIFY(test::waitFor([this] { return !s->app->isWorking; }));
        QCOMPARE(FolderItem::fromPath(in + "t[fixed].txt").Exists(), automatic && withFile);
        if (automatic && withFile)
            QCOMPARE(readFile(in + "t[fixed].txt"), std::string("y1"));
        QVERIFY(s->app->dicChangeList.empty());
    }

    void aWorkspaceFileThatCannotBeReadIsNotTaken()
    {
        const std::string path = s->root() + "/folder.work";
        ::mkdir(path.c_str(), 0777);
        workSpace& w = openWorkspaceFile(path);
        QVERIFY(w.isOpen());
        QVERIFY(!w.workSpaceItem);
        QCOMPARE(w.Title(), std::string("新規ワークスペース 1"));
        QCOMPARE(s->seam.messages.size(), size_t(1));
    }

    // The real open dialog: workspace files by extension or by their type,
    // and folders; nothing else.
    void theOpenDialogOffersWorkspaceFilesByTheirType()
    {
        const std::string in = s->root() + "/in/";
        writeFile(in + "a.work", "");
        writeFile(in + "untyped", "Tesvora Workspace,0,0,490,200\r\r");
        writeFile(in + "notes.txt", "x");
        QtServices real;
        QStringList shown;
        QTimer::singleShot(0, [&] {
            QFileDialog* dialog = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible())
                    dialog = d;
            QVERIFY(dialog);
            const QString folder = QString::fromStdString(s->root() + "/in");
            dialog->setDirectory(folder);
            auto* proxy = qobject_cast<QAbstractProxyModel*>(dialog->proxyModel());
            QVERIFY(proxy);
            auto* files = qobject_cast<QFileSystemModel*>(proxy->sourceModel());
            QVERIFY(files);
            // The dialog goes whatever is found, so that the call returns.
            struct Closer {
                QFileDialog* d;
                ~Closer()
                {
                    QTimer::singleShot(0, d, [d = d] {
                        if (d->isVisible())
                            QMetaObject::invokeMethod(d, "reject");
                    });
                }
            } closer {dialog};
            auto parentIndex = [&] { return proxy->mapFromSource(files->index(folder)); };
            QTRY_VERIFY_WITH_TIMEOUT(proxy->rowCount(parentIndex()) >= 3, 10000);
            QTest::qWait(50);
            const QModelIndex parent = parentIndex();
            for (int r = 0; r < proxy->rowCount(parent); ++r)
                shown << proxy->index(r, 0, parent).data().toString();
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setText(QStringLiteral("untyped"));
            QTest::keyClick(name, Qt::Key_Return);
        });
        const FolderItem chosen = real.getOpenFolderItem("Tesvora ワークスペース");
        shown.sort();
        QCOMPARE(shown, (QStringList {"a.work", "sub", "untyped"}));
        QVERIFY(chosen);
        QCOMPARE(chosen.path(), in + "untyped");
    }

    void theStartCommandActsOnlyForAFrontWorkspace()
    {
        writeFile(dictPath("a.dict"), std::string(kDictHeader) + "x\ty\t--------\t\r");
        const std::string in = s->root() + "/in/";
        writeFile(in + "t.txt", "x1");
        workSpace& w = newWorkspace();
        w.document().dicList().appendRow(dictionaryRow("a.dict"));
        w.document().fileList().appendRow(fileRow(FolderItem::fromPath(in + "t.txt")));
        w.widget()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.widget()));
        QCOMPARE(Window::front(), &w);
        s->app->EnableMenuItems();
        QVERIFY(s->menu("doProofread").Enabled());
        QTest::keyClick(w.widget(), Qt::Key_R, Qt::ControlModifier);
        QVERIFY(w.lastStart() && w.lastStart()->started);
        QVERIFY(test::waitFor([this] { return !s->app->isWorking; }));
        QCOMPARE(readFile(in + "t[fixed].txt"), std::string("y1"));
        // The pass window has just closed; which window the system activates
        // next, and when, is up to it. Bring the workspace to the front again.
        w.widget()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.widget()));
        QCOMPARE(Window::front(), &w);
        // While a pass runs the command is off; the others stay on.
        s->app->isWorking = true;
        s->app->EnableMenuItems();
        QVERIFY(!s->menu("doProofread").Enabled());
        for (const char* name : {"winclose", "fileSave", "addDictionary", "addFile", "addFolder"})
            QVERIFY2(s->menu(name).Enabled(), name);
        s->app->isWorking = false;
        QFile::remove(QString::fromStdString(in + "t[fixed].txt"));
        QVERIFY(w.Close());
        s->app->EnableMenuItems();
        QVERIFY(!s->menu("doProofread").Enabled());
        s->choose("doProofread");
        QVERIFY(!s->app->isWorking);
    }
};

QTEST_MAIN(TestWorkspaceWindow)
#include "tst_workspacewindow.moc"
