// The menu bar: its items and their order, the arrays that grow behind their
// last member, the accessors, the dispatch of a chosen item, and the enabling
// matrix by running pass, focused field and front window.

#include "ShellFixture.h"

#include "app/ui/AboutBox.h"
#include "app/ui/HelpWindow.h"
#include "app/ui/MenuItems.h"
#include "dictionary/ui/dicEdit.h"
#include "platform/core/Errors.h"
#include "trial/ui/grepWizardWindow.h"
#include "workspace/ui/workSpace.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTest>

using namespace tv;
using tv::test::StartedShell;

namespace {

// The menus as the user sees them, top to bottom: one line per entry, a
// submenu's entries indented under its title.
QStringList onScreen(QMenu* menu, const QString& indent)
{
    QStringList out;
    for (QAction* a : menu->actions()) {
        out << indent + a->objectName();
        if (a->menu())
            out << onScreen(a->menu(), indent + QStringLiteral("  "));
    }
    return out;
}

QStringList usable(StartedShell& s, const QStringList& probes)
{
    QStringList out;
    for (const QString& p : probes) {
        QString name = p;
        int index = -1;
        if (name.back().isDigit()) {
            index = name.back().digitValue();
            name.chop(1);
        }
        MenuItem* it = index < 0 ? s.app->MenuBar().item(name.toStdString())
                                 : s.app->MenuBar().item(name.toStdString(), index);
        if (it && it->Enabled())
            out << p;
    }
    out.sort();
    return out;
}

const QStringList kProbes = {"About", "fileopen", "folderOpen", "openResent", "clearResent", "doclip", "openclip",
    "saveClip", "FileQuit", "selectAllMenu", "newdic", "diceditMenu", "dicSelectedEdit", "dicList1",
    "dicEditList1", "dicList3", "prefMenu", "newWorkspace", "openWorkspace", "resentListMenu1",
    "resentListMenu2", "winclose", "fileSave", "addDictionary", "addFile", "addFolder", "doProofread",
    "helpManual", "helpGrep", "helpWizardMenu", "EditCut", "EditCopy", "dummy0", "resentListMenu0"};

// A window class that answers its own menu item.
class Probe : public Window {
public:
    Probe() : Window("probe")
    {
        setWidget(new QWidget);
        bindMenuHandler("winclose", [this](int) {
            ++closes;
            return true;
        });
        bindMenuHandler("newdic", [this](int) {
            ++newdics;
            return true;
        });
        Show();
    }
    void Event_EnableMenuItems() override { winclose().setEnabled(true); }
    int closes = 0;
    int newdics = 0;
};

// A window with a one-line and a several-line text field, for the Edit
// menu's text commands.
class Fields : public Window {
public:
    Fields() : Window("fields")
    {
        auto* w = new QWidget;
        line = new QLineEdit(w);
        area = new QPlainTextEdit(w);
        area->move(0, 40);
        setWidget(w);
        Show();
    }
    QLineEdit* line;
    QPlainTextEdit* area;
};

} // namespace

class TestMenus : public QObject {
    Q_OBJECT

private slots:
    void fiveMenusInOrder()
    {
        StartedShell s {QStringList()};
        QStringList seen;
        for (MenuItem* title : s.app->MenuBar().menuTitles()) {
            seen << QString::fromStdString(title->Name());
            seen << onScreen(title->submenu(), QStringLiteral("  "));
        }
        // Start-up has added the ten recent documents and one dictionary.
        QStringList expected = {"UntitledMenu3", "  fileopen", "  openResent", "    clearResent",
            "    resentListMenu"};
        for (int i = 0; i < 10; ++i)
            expected << "    resentListMenu";
        expected << QStringList {"  folderOpen", "  UntitledMenu6", "  winclose", "  fileSave", "  UntitledMenu5",
            "  openclip", "  doclip", "  saveClip", "  UntitledMenu4", "  FileQuit", "EditMenu", "  EditCut",
            "  EditCopy", "  EditPaste", "  EditClear", "  selectAllMenu", "  dummy", "  prefMenu", "dicMenu",
            "  newdic", "  diceditMenu", "    dicSelectedEdit", "    dicEditList", "    dicEditList", "  dicList",
            "  dicList", "UntitledMenu0", "  doProofread", "  UntitledMenu2", "  newWorkspace", "  openWorkspace",
            "  UntitledMenu1", "  addDictionary", "  addFile", "  addFolder", "helpMenu", "  About", "  helpManual",
            "  helpGrep", "  helpWizardMenu"};
        QCOMPARE(seen, expected);
        // 43 made by the menu bar, 10 + 2 added at start-up.
        QCOMPARE(int(s.app->MenuBar().items().size()), 43 + 12);
    }

    void itemsAsBuilt_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shortcut");
        QTest::addColumn<bool>("autoEnable");
        QTest::addColumn<QString>("keys"); // as Qt acts on it
        auto row = [](const char* n, const char* t, const char* sc, bool ae, const char* keys) {
            QTest::newRow(n) << QString(n) << QString::fromUtf8(t) << QString(sc) << ae << QString(keys);
        };
        row("UntitledMenu3", "ファイル", "", false, "");
        row("fileopen", "開く...", "Cmd+O", false, "Ctrl+O");
        row("openResent", "最近校正した書類", "", false, "");
        row("clearResent", "このメニューを消去", "", false, "");
        row("folderOpen", "フォルダを開く...", "", false, "");
        row("winclose", "閉じる", "Cmd+W", false, "Ctrl+W");
        row("fileSave", "保存", "Cmd+S", false, "Ctrl+S");
        row("openclip", "クリップボードに読み込む...", "", false, "");
        row("doclip", "クリップボードを校正", "Cmd+B", false, "Ctrl+B");
        row("saveClip", "クリップボードを保存", "Cmd+Option+S", false, "Ctrl+Alt+S");
        row("FileQuit", "Tesvora を終了", "Cmd+Q", true, "Ctrl+Q");
        row("EditMenu", "編集", "", false, "");
        row("EditCut", "カット", "Cmd+X", false, "Ctrl+X");
        row("EditCopy", "コピー", "Cmd+C", false, "Ctrl+C");
        row("EditPaste", "ペースト", "Cmd+V", false, "Ctrl+V");
        row("EditClear", "消去", "", false, "");
        row("selectAllMenu", "すべてを選択", "Cmd+A", false, "Ctrl+A");
        row("prefMenu", "環境設定...", "Cmd+,", true, "Ctrl+,");
        row("dicMenu", "辞書", "", false, "");
        row("newdic", "新規辞書作成...", "Cmd+N", false, "Ctrl+N");
        row("diceditMenu", "辞書編集", "", false, "");
        row("dicSelectedEdit", "選択中の辞書", "Cmd+E", false, "Ctrl+E");
        row("UntitledMenu0", "ワークスペース", "", false, "");
        row("doProofread", "校正開始", "Cmd+R", false, "Ctrl+R");
        row("newWorkspace", "新規ワークスペース", "Cmd+Option+N", false, "Ctrl+Alt+N");
        row("openWorkspace", "ワークスペースを開く...", "Cmd+Option+O", false, "Ctrl+Alt+O");
        row("addDictionary", "辞書を追加...", "", false, "");
        row("addFile", "ファイルを追加...", "", false, "");
        row("addFolder", "フォルダを追加...", "", false, "");
        row("helpMenu", "Help", "", true, "");
        row("About", "Tesvora について...", "", false, "");
        row("helpManual", "Tesvora マニュアル", "", true, "");
        row("helpGrep", "正規表現マニュアル", "", true, "");
        row("helpWizardMenu", "お試し検索パレット", "", true, "");
        for (const char* sep : {"UntitledMenu6", "UntitledMenu5", "UntitledMenu4", "UntitledMenu2", "UntitledMenu1"})
            row(sep, "-", "", false, "");
    }
    void itemsAsBuilt()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, shortcut);
        QFETCH(bool, autoEnable);
        QFETCH(QString, keys);
        MenuBar bar;
        bar.build(menuTable());
        MenuItem* it = bar.item(name.toStdString());
        QVERIFY(it);
        QCOMPARE(QString::fromStdString(it->Text()), text);
        QCOMPARE(QString::fromStdString(it->KeyboardShortcut()), shortcut);
        QCOMPARE(it->AutoEnable(), autoEnable);
        QCOMPARE(it->Index(), -1);
        // Building touches neither the enabling nor the check marks.
        QVERIFY(it->Enabled());
        QVERIFY(!it->Checked());
        QCOMPARE(it->action()->shortcut(), QKeySequence(keys));
        QCOMPARE(it->action()->isSeparator(), text == "-");
        if (!keys.isEmpty())
            QCOMPARE(it->action()->shortcutContext(), Qt::ApplicationShortcut);
    }

    void captionsAreShownHarmlessly_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("shown");
        QTest::newRow("ampersand is no mnemonic") << "A&B.dict" << "A&&B.dict";
        QTest::newRow("TAB is no shortcut") << "name\t/path" << "name /path";
        QTest::newRow("plain") << "辞書.dict" << "辞書.dict";
        QTest::newRow("a lone dash is a separator, drawn without text") << "-" << "";
    }
    void captionsAreShownHarmlessly()
    {
        QFETCH(QString, raw);
        QFETCH(QString, shown);
        StartedShell s;
        MenuItem& it = s.menu("dicList", 1);
        it.setText(raw.toStdString());
        QCOMPARE(QString::fromStdString(it.Text()), raw);
        QCOMPARE(it.action()->text(), shown);
        QCOMPARE(it.action()->isSeparator(), raw == "-");
    }

    void arraysGrowBehindTheirLastMember()
    {
        StartedShell s {QStringList()};
        tv::MenuBar& bar = s.app->MenuBar();
        // Member 0 of each array is the separator the menu bar made.
        for (const char* array : {"dicList", "dicEditList", "resentListMenu", "dummy"}) {
            MenuItem* zero = bar.item(array, 0);
            QVERIFY(zero);
            QVERIFY(zero->isSeparator());
        }
        QCOMPARE(bar.arrayCount("dummy"), 1);
        MenuItem* added = bar.addArrayMember("dicEditList");
        QCOMPARE(added->Index(), 2);
        // Until it has a caption a new member shows as a separator line.
        QVERIFY(added->action()->isSeparator());
        added->setText("x.dict");
        QVERIFY(!added->action()->isSeparator());
        QCOMPARE(&dicEditList(2), added);
        // It stands in the editing submenu, right behind member 1.
        QList<QAction*> actions = diceditMenu().submenu()->actions();
        QCOMPARE(actions.size(), 4);
        QCOMPARE(actions[3], added->action());
        QCOMPARE(actions[2], dicEditList(1).action());
    }

    void accessorsReachSubmenusAndRaiseForMissingMembers()
    {
        StartedShell s;
        QCOMPARE(clearResent().Name(), std::string("clearResent"));
        QCOMPARE(resentListMenu(10).Index(), 10);
        QCOMPARE(dicSelectedEdit().Text(), std::string("選択中の辞書"));
        QCOMPARE(dicEditList(3).Text(), std::string("c.dict"));
        QCOMPARE(dicList(2).Text(), std::string("b.dict"));
        QVERIFY_THROWS_EXCEPTION(NilObjectException, dicList(4));
        QVERIFY_THROWS_EXCEPTION(NilObjectException, resentListMenu(11));
    }

    void enablingMatrix_data()
    {
        QTest::addColumn<QString>("front");
        QTest::addColumn<bool>("working");
        QTest::addColumn<int>("field");
        QTest::addColumn<QStringList>("enabled");
        const QStringList always = {"About", "newdic", "diceditMenu", "dicSelectedEdit", "dicList1", "dicEditList1",
            "dicList3", "prefMenu", "newWorkspace", "openWorkspace", "helpManual", "helpGrep", "helpWizardMenu"};
        const QStringList idle = {"fileopen", "folderOpen", "openResent", "clearResent", "doclip", "openclip",
            "saveClip", "FileQuit", "resentListMenu1"};
        auto sorted = [](QStringList l) {
            l.sort();
            return l;
        };
        QTest::newRow("no window, idle") << "" << false << 0 << sorted(always + idle);
        QTest::newRow("no window, pass running") << "" << true << 0 << sorted(always);
        QTest::newRow("no window, a field has the focus") << "" << false << 11 << sorted(always + idle + QStringList {"selectAllMenu"});
        QTest::newRow("editor in front") << "dicEdit" << false << 0 << sorted(always + idle + QStringList {"winclose", "fileSave"});
        QTest::newRow("editor in front, pass running, field focused")
            << "dicEdit" << true << 1 << sorted(always + QStringList {"winclose", "fileSave", "selectAllMenu"});
        QTest::newRow("workspace in front")
            << "workSpace" << false << 0
            << sorted(always + idle + QStringList {"winclose", "fileSave", "addDictionary", "addFile", "addFolder", "doProofread"});
        QTest::newRow("workspace in front, pass running")
            << "workSpace" << true << 0
            << sorted(always + QStringList {"winclose", "fileSave", "addDictionary", "addFile", "addFolder"});
        QTest::newRow("preferences in front: it closes by winclose")
            << "prefWindow" << false << 0 << sorted(always + idle + QStringList {"winclose"});
        QTest::newRow("preferences in front, field focused")
            << "prefWindow" << false << 4 << sorted(always + idle + QStringList {"winclose", "selectAllMenu"});
        QTest::newRow("palette in front") << "grepWizardWindow" << false << 0 << sorted(always + idle + QStringList {"winclose"});
        QTest::newRow("about box in front") << "aboutWin" << true << 0 << sorted(always);
    }
    void enablingMatrix()
    {
        QFETCH(QString, front);
        QFETCH(bool, working);
        QFETCH(int, field);
        QFETCH(QStringList, enabled);
        StartedShell s;
        s.app->resentFileList[0] = "memo.txt\t/tmp/memo.txt";
        s.app->makeResentList();
        const char* command = front == "dicEdit" ? "dicSelectedEdit"
            : front == "workSpace"               ? "newWorkspace"
            : front == "prefWindow"              ? "prefMenu"
            : front == "grepWizardWindow"        ? "helpWizardMenu"
            : front == "aboutWin"                ? "About"
                                                 : nullptr;
        if (command) {
            s.choose(command);
            QApplication::processEvents();
            QVERIFY(Window::front());
            QCOMPARE(QString::fromStdString(Window::front()->className()), front);
        } else {
            QVERIFY(!Window::front());
        }
        s.app->isWorking = working;
        s.app->editFieldNo = field;
        s.app->EnableMenuItems();
        QCOMPARE(usable(s, kProbes), enabled);
    }

    void aWindowStepDoesNotOutliveItsWindow()
    {
        StartedShell s;
        s.choose("helpWizardMenu");
        QApplication::processEvents();
        s.app->EnableMenuItems();
        QVERIFY(winclose().Enabled());
        grepWizardWindow::instance().Close();
        QApplication::processEvents();
        s.app->EnableMenuItems();
        // Every refresh starts from AutoEnable: nothing enables it now.
        QVERIFY(!winclose().Enabled());
        QVERIFY(s.menu("helpManual").Enabled());
    }

    void refreshBeforeAMenuShows()
    {
        StartedShell s;
        s.app->isWorking = true;
        QVERIFY(fileopen().Enabled());
        QMetaObject::invokeMethod(s.app->MenuBar().menuTitles()[0]->submenu(), "aboutToShow");
        QVERIFY(!fileopen().Enabled());
    }

    void refreshWhenTheActiveWindowChanges()
    {
        StartedShell s;
        s.choose("helpWizardMenu");
        s.app->EnableMenuItems();
        QVERIFY(!fileSave().Enabled());
        s.choose("dicSelectedEdit");
        QApplication::processEvents();
        // The editor's own step ran once it became the active window.
        QVERIFY(fileSave().Enabled());
    }

    // カット, コピー, ペースト and 消去 follow the focused field: cut and clear
    // want a selection in an editable field, copy a selection, paste an
    // editable field and text on the clipboard.
    void editCommandsFollowTheFocusedField_data()
    {
        QTest::addColumn<bool>("several");  // the several-line field, else the one-line one
        QTest::addColumn<bool>("selected");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("clipboard");
        QTest::addColumn<QString>("enabled"); // of X C V D: cut, copy, paste, clear
        for (bool several : {false, true}) {
            const char* f = several ? "area" : "line";
            QTest::addRow("%s, nothing selected", f) << several << false << false << false << "";
            QTest::addRow("%s, selection", f) << several << true << false << false << "XCD";
            QTest::addRow("%s, selection, clipboard", f) << several << true << false << true << "XCVD";
            QTest::addRow("%s, clipboard only", f) << several << false << false << true << "V";
            QTest::addRow("%s, read-only with selection", f) << several << true << true << true << "C";
        }
    }
    void editCommandsFollowTheFocusedField()
    {
        QFETCH(bool, several);
        QFETCH(bool, selected);
        QFETCH(bool, readOnly);
        QFETCH(bool, clipboard);
        QFETCH(QString, enabled);
        StartedShell s;
        Fields w;
        QVERIFY(QTest::qWaitForWindowActive(w.widget()));
        if (clipboard)
            s.seam.clipboard = "貼る";
        if (several) {
            w.area->setPlainText(QStringLiteral("校正"));
            w.area->setReadOnly(readOnly);
            w.area->setFocus();
            if (selected)
                w.area->selectAll();
        } else {
            w.line->setText(QStringLiteral("校正"));
            w.line->setReadOnly(readOnly);
            w.line->setFocus();
            if (selected)
                w.line->selectAll();
        }
        s.app->EnableMenuItems();
        QString got;
        for (auto [name, key] : {std::pair {"EditCut", 'X'}, {"EditCopy", 'C'}, {"EditPaste", 'V'}, {"EditClear", 'D'}})
            if (s.menu(name).Enabled())
                got += QLatin1Char(key);
        QCOMPARE(got, enabled);
    }

    void editCommandsActOnTheFieldThroughTheClipboardSeam()
    {
        StartedShell s;
        Fields w;
        QVERIFY(QTest::qWaitForWindowActive(w.widget()));
        w.area->setPlainText(QStringLiteral("一行目\n二行目"));
        w.area->setFocus();
        w.area->selectAll();
        s.choose("EditCopy");
        QCOMPARE(s.seam.clipboard.value_or(""), std::string("一行目\n二行目"));
        s.choose("EditCut");
        QCOMPARE(w.area->toPlainText(), QString());
        s.seam.clipboard = "校正";
        s.choose("EditPaste");
        s.choose("EditPaste");
        QCOMPARE(w.area->toPlainText(), QStringLiteral("校正校正"));
        w.line->setText(QStringLiteral("消す"));
        w.line->setFocus();
        w.line->selectAll();
        s.choose("EditClear");
        QCOMPARE(w.line->text(), QString());
        QCOMPARE(s.seam.clipboard.value_or(""), std::string("校正"));
    }

    // The two manuals open one help window, compiled into the program.
    void manualsShowTheirPages()
    {
        StartedShell s;
        s.choose("helpManual");
        helpWindow* w = helpWindow::existing();
        QVERIFY(w && w->widget()->isVisible());
        QCOMPARE(w->Title(), std::string("Tesvora マニュアル"));
        QVERIFY(w->shownText().find("辞書の編集") != std::string::npos);
        s.choose("helpGrep");
        QCOMPARE(helpWindow::existing(), w);
        QCOMPARE(w->Title(), std::string("正規表現マニュアル"));
        // Each option box's effect on a pattern is told.
        for (const char* box : {"英大小文字を区別", "貪欲な最長マッチ", "改行を . にマッチ", "空文字列にマッチ"})
            QVERIFY2(w->shownText().find(box) != std::string::npos, box);
        QVERIFY(QTest::qWaitForWindowActive(w->widget()));
        s.choose("winclose");
        QVERIFY(!helpWindow::existing());
    }

    void refreshBeforeAShortcutActs()
    {
        StartedShell s;
        Probe probe;
        QApplication::processEvents();
        QVERIFY(QTest::qWaitForWindowActive(probe.widget()));
        // The state changed behind the menus' back: Cmd+W was unusable.
        winclose().setEnabled(false);
        QTest::keyClick(probe.widget(), Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(probe.closes, 1);
    }

    void shortcutsReachAWindowWithoutAMenuBar()
    {
        StartedShell s;
        s.choose("helpWizardMenu");
        grepWizardWindow& palette = grepWizardWindow::instance();
        QApplication::processEvents();
        QVERIFY(QTest::qWaitForWindowActive(palette.widget()));
        QTest::keyClick(palette.widget(), Qt::Key_W, Qt::ControlModifier);
        QVERIFY(!palette.isOpen());
    }

    void dispatch_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("toWindow");
        // The application binds newdic: its handler runs, not the window's.
        QTest::newRow("application's item") << "newdic" << false;
        QTest::newRow("window's item") << "winclose" << true;
    }
    void dispatch()
    {
        QFETCH(QString, item);
        QFETCH(bool, toWindow);
        StartedShell s;
        s.seam.saveAnswers.push_back(FolderItem()); // newdic's dialog: cancelled
        Probe probe;
        QApplication::processEvents();
        s.choose(item.toLatin1().constData());
        QCOMPARE(probe.closes + probe.newdics, toWindow ? 1 : 0);
    }

    void anUnusableItemIsNotDispatched()
    {
        StartedShell s;
        Probe probe;
        QApplication::processEvents();
        s.app->isWorking = true;
        int before = int(s.seam.saveAnswers.size());
        s.seam.saveAnswers.push_back(s.item("never.txt"));
        s.choose("saveClip");
        QCOMPARE(int(s.seam.saveAnswers.size()), before + 1);
        QVERIFY(!s.item("never.txt").Exists());
    }

    void frameWindowKeepsTheFrontWindow()
    {
        StartedShell s;
        s.choose("dicSelectedEdit");
        QApplication::processEvents();
        Window* editor = Window::front();
        QVERIFY(editor);
        // Using the frame window's menus does not change the front window.
        s.app->MDIWindow()->activateWindow();
        QApplication::processEvents();
        QCOMPARE(Window::front(), editor);
        s.app->EnableMenuItems();
        QVERIFY(fileSave().Enabled());
    }

    void recentCaptions_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QList<bool>>("usable");
        QStringList tenEmpty(10, QString());
        QStringList unusedCaptions(10, QStringLiteral("(未使用)"));
        QTest::newRow("all empty") << tenEmpty << unusedCaptions << QList<bool>(10, false);
        QStringList some = tenEmpty;
        some[0] = "a.txt\t/x/a.txt";
        some[1] = "no tab";
        some[2] = "(未使用)\t/x/(未使用)";
        QStringList someCaptions = unusedCaptions;
        someCaptions[0] = "a.txt";
        someCaptions[1] = "no tab";
        QList<bool> someUsable(10, false);
        someUsable[0] = someUsable[1] = true;
        QTest::newRow("name before the TAB, a whole entry without one, a name that reads like an empty entry")
            << some << someCaptions << someUsable;
    }
    void recentCaptions()
    {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, captions);
        QFETCH(QList<bool>, usable);
        StartedShell s;
        for (int i = 0; i < 10; ++i)
            s.app->resentFileList[size_t(i)] = entries[i].toStdString();
        s.app->makeResentList();
        s.app->EnableMenuItems();
        for (int n = 1; n <= 10; ++n) {
            QCOMPARE(QString::fromStdString(resentListMenu(n).Text()), captions[n - 1]);
            QCOMPARE(resentListMenu(n).Enabled(), usable[n - 1]);
        }
    }

    void clearingTheRecentList()
    {
        StartedShell s;
        for (int i = 0; i < 3; ++i)
            s.app->resentFileList[size_t(i)] = "f" + std::to_string(i) + "\t/x/f" + std::to_string(i);
        s.app->makeResentList();
        s.app->EnableMenuItems();
        QVERIFY(resentListMenu(1).Enabled());
        s.choose("clearResent");
        for (int n = 1; n <= 10; ++n) {
            QCOMPARE(resentListMenu(n).Text(), std::string("(未使用)"));
            QVERIFY(!resentListMenu(n).Enabled());
            QVERIFY(s.app->resentFileList[size_t(n - 1)].empty());
        }
        QVERIFY(clearResent().Enabled());
        // The emptied list reaches the file with the next save only.
        QVERIFY(!FolderItem::fromPath(s.prefsPath()).Exists());
    }

    void focusedFieldCodes_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("code");
        QTest::newRow("search field") << "dicSelectedEdit" << "findField" << 1;
        QTest::newRow("replacement field") << "dicSelectedEdit" << "repField" << 2;
        QTest::newRow("comment field") << "dicSelectedEdit" << "guideField" << 7;
        QTest::newRow("type field") << "prefMenu" << "typeField" << 3;
        QTest::newRow("extension field") << "prefMenu" << "extensionField" << 4;
        QTest::newRow("suffix field") << "prefMenu" << "appendField" << 5;
        QTest::newRow("creator field") << "prefMenu" << "creatorField" << 6;
        QTest::newRow("sample text") << "helpWizardMenu" << "source" << 10;
        QTest::newRow("trial search") << "helpWizardMenu" << "find" << 11;
        QTest::newRow("trial replacement") << "helpWizardMenu" << "replace" << 12;
    }
    void focusedFieldCodes()
    {
        QFETCH(QString, command);
        QFETCH(QString, field);
        QFETCH(int, code);
        StartedShell s;
        s.choose(command.toLatin1().constData());
        QApplication::processEvents();
        Window* w = Window::front();
        QVERIFY(w);
        QVERIFY(QTest::qWaitForWindowActive(w->widget()));
        QWidget* f = w->control(field.toStdString());
        QVERIFY(f);
        // A field on a page not shown takes no focus: show its page.
        if (auto* pages = w->widget()->findChild<QStackedWidget*>(QStringLiteral("prefPagePanel")))
            pages->setCurrentWidget(f->parentWidget());
        // The editor's fields edit a rule: add one.
        if (command == "dicSelectedEdit")
            QTest::mouseClick(w->control("AddButton"), Qt::LeftButton);
        f->setFocus(Qt::MouseFocusReason);
        QCOMPARE(s.app->editFieldNo, code);
        // The focus handler refreshed the menus.
        QVERIFY(selectAllMenu().Enabled());
        // Going to the frame window's menus keeps the field's code.
        s.app->MDIWindow()->activateWindow();
        QApplication::processEvents();
        QCOMPARE(s.app->editFieldNo, code);
        // Closing the window takes it away (its new rule unsaved).
        s.app->SetWindowModified(*w, false);
        w->Close();
        QApplication::processEvents();
        QCOMPARE(s.app->editFieldNo, 0);
    }

    void selectAllActsOnTheNamedField()
    {
        StartedShell s;
        s.choose("dicSelectedEdit");
        QApplication::processEvents();
        Window* editor = Window::front();
        // The fields edit a rule: add one.
        QTest::mouseClick(editor->control("AddButton"), Qt::LeftButton);
        auto* rep = editor->controlAs<QPlainTextEdit>("repField");
        rep->setPlainText("置換後");
        rep->setFocus(Qt::MouseFocusReason);
        s.choose("selectAllMenu");
        QCOMPARE(rep->textCursor().selectedText(), QStringLiteral("置換後"));
    }
};

QTEST_MAIN(TestMenus)
#include "tst_menus.moc"
