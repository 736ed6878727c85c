#include "app/ui/App.h"

#include "app/core/DictionaryFolder.h"
#include "app/core/FileReference.h"
#include "app/ui/AboutBox.h"
#include "app/ui/HelpWindow.h"
#include "app/ui/MenuItems.h"
#include "platform/core/Dispatch.h"
#include "platform/core/Errors.h"
#include "platform/core/Services.h"
#include "platform/core/Streams.h"
#include "platform/core/Text.h"
#include "platform/core/Thread.h"
#include "platform/ui/Screens.h"
#include "platform/ui/TextEditing.h"

#include <QApplication>
#include <QGuiApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>

namespace tv {

namespace {

App* theApp = nullptr;

// The system version from which the window modified mark exists.
const int64_t kModifiedMarkVersion = 0x0850;
// The lowest system version the program runs on.
const int64_t kRequiredVersion = 0x0A00;

bool systemAtLeast(int64_t version)
{
    std::optional<int64_t> v = services().gestalt("sysv");
    return v && *v >= version;
}

// Stands in for the desktop's global menu bar: a small window that carries the
// menus. Closing it is the quit command.
class FrameWindow : public QMainWindow {
public:
    explicit FrameWindow(App& app) : app_(app)
    {
        setWindowTitle(QStringLiteral("Tesvora"));
        setObjectName(QStringLiteral("MDIWindow"));
        auto* label = new QLabel(QStringLiteral("Tesvora"), this);
        label->setAlignment(Qt::AlignCenter);
        setCentralWidget(label);
        resize(480, 120);
    }

    bool allowClose = false;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        if (allowClose) {
            event->accept();
            return;
        }
        event->ignore();
        // The quit may ask questions; let this close event finish first.
        QTimer::singleShot(0, &app_, [this] { guarded([this] { app_.quitCommand(); }); });
    }

private:
    App& app_;
};

} // namespace

App& app()
{
    if (!theApp)
        throw NilObjectException("no application object");
    return *theApp;
}

App::App()
{
    theApp = this;
    registerAppState(this);
    registerShell(this);
    menuBar_ = std::make_unique<tv::MenuBar>();
    menuBar_->build(menuTable());
    menuBar_->setDispatcher([this](const std::string& name, int index) { dispatchMenu(name, index); });
    menuBar_->setRefresher([this] { EnableMenuItems(); });
    auto* frame = new FrameWindow(*this);
    menuBar_->attachTo(frame->menuBar());
    frame_ = frame;
    bindApplicationHandlers();
    if (auto* qapp = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        qapp->setQuitOnLastWindowClosed(false);
        connect(qapp, &QApplication::focusWindowChanged, this, [this] { guarded([this] { EnableMenuItems(); }); });
    }
}

App::~App()
{
    // The windows go with the application: registries, single instances and
    // the windows that keep themselves alive while open. Their fields may
    // hand the focus on as they go; the menus are past refreshing by then.
    tearingDown_ = true;
    dicEditWin.clear();
    workSpaceWin.clear();
    Window::releaseAll();
    delete frame_.data();
    if (theApp == this) {
        theApp = nullptr;
        registerShell(nullptr);
    }
}

void App::bindMenuHandler(const std::string& itemName, std::function<bool(int)> handler)
{
    handlers_[itemName] = std::move(handler);
}

void App::bindApplicationHandlers()
{
    bindMenuHandler("dicList", [this](int i) { return _dicList_Action(i); });
    bindMenuHandler("fileopen", [this](int) { return _fileopen_Action(); });
    bindMenuHandler("doclip", [this](int) { return _doclip_Action(); });
    bindMenuHandler("openclip", [this](int) { return _openclip_Action(); });
    bindMenuHandler("newdic", [this](int) { return _newdic_Action(); });
    bindMenuHandler("saveClip", [this](int) { return _saveClip_Action(); });
    bindMenuHandler("About", [this](int) { return _About_Action(); });
    bindMenuHandler("folderOpen", [this](int) { return _folderOpen_Action(); });
    bindMenuHandler("dummy", [this](int i) { return _dummy_Action(i); });
    bindMenuHandler("newWorkspace", [this](int) { return _newWorkspace_Action(); });
    bindMenuHandler("dicSelectedEdit", [this](int) { return _dicSelectedEdit_Action(); });
    bindMenuHandler("dicEditList", [this](int i) { return _dicEditList_Action(i); });
    bindMenuHandler("clearResent", [this](int) { return _clearResent_Action(); });
    bindMenuHandler("resentListMenu", [this](int i) { return _resentListMenu_Action(i); });
    bindMenuHandler("openWorkspace", [this](int) { return _openWorkspace_Action(); });
    bindMenuHandler("prefMenu", [this](int) { return _prefMenu_Action(); });
    bindMenuHandler("helpWizardMenu", [this](int) { return _helpWizardMenu_Action(); });
    bindMenuHandler("helpManual", [](int) {
        helpWindow::show(helpWindow::Manual);
        return true;
    });
    bindMenuHandler("helpGrep", [](int) {
        helpWindow::show(helpWindow::Patterns);
        return true;
    });
    // The Edit menu's text commands act on the front window's text field.
    const std::pair<const char*, EditCommand> editCommands[] = {{"EditCut", EditCommand::Cut},
        {"EditCopy", EditCommand::Copy}, {"EditPaste", EditCommand::Paste}, {"EditClear", EditCommand::Clear}};
    for (const auto& entry : editCommands) {
        const EditCommand command = entry.second;
        bindMenuHandler(entry.first, [command](int) {
            if (Window* w = Window::front())
                performEdit(focusedTextField(w->widget()), command);
            return true;
        });
    }
    // The platform serves the quit item: it goes through the program's quit.
    bindMenuHandler("FileQuit", [this](int) {
        quitCommand();
        return true;
    });
}

void App::dispatchMenu(const std::string& itemName, int index)
{
    auto it = handlers_.find(itemName);
    if (it != handlers_.end()) {
        it->second(index);
        return;
    }
    if (Window* w = Window::front())
        w->runMenuHandler(itemName, index);
}

FolderItem App::dictionaryFolder() const
{
    FolderItem appFolder = FolderItem::applicationFolder();
    if (!appFolder)
        throw NilObjectException("no application folder");
    return appFolder.Child("Dictionary");
}

FolderItem App::scriptFolder() const
{
    FolderItem appFolder = FolderItem::applicationFolder();
    if (!appFolder)
        throw NilObjectException("no application folder");
    return appFolder.Child("Script");
}

void App::Event_Open()
{
    try {
        editFieldNo = 0;
        isWorking = false;
        version = versionText();
        if (!systemAtLeast(kRequiredVersion)) {
            MsgBox("Mac OS X 上で実行して下さい");
            Quit(0);
        }
        readPreferences();
        for (int i = 0; i < 10; ++i)
            menuBar_->addArrayMember("resentListMenu");
        makeResentList();
        scriptFolder().CreateAsFolder();
        dictionaryFolder().CreateAsFolder();
        buildDictionaryMenus();
        aboutWin::makeHidden();
    } catch (...) {
        // Start-up stops at the failed step; what earlier steps did stays.
    }
    if (frame_ && !quitting_) {
        frame_->show();
        holdFrameToScreen();
    }
}

void App::buildDictionaryMenus()
{
    dicMenuNo = 0;
    FolderItem folder = dictionaryFolder();
    DictionaryListing listing = listDictionaries(folder, prefDefaultDic);
    for (size_t i = 0; i < listing.names.size(); ++i) {
        const std::string& name = listing.names[i];
        MenuItem* choose = menuBar_->addArrayMember("dicList");
        choose->setText(name);
        MenuItem* edit = menuBar_->addArrayMember("dicEditList");
        edit->setText(name);
        ++dicMenuNo;
        if (dicMenuNo < 10)
            choose->setCommandKey(Str(static_cast<int64_t>(dicMenuNo)));
        if (listing.current == dicMenuNo)
            choose->setChecked(true); // this desktop has no Dock-tile menu to mark
    }
    if (dicMenuNo == 0) {
        FolderItem empty = folder.Child("新規辞書.dict");
        empty.CreateTextFile()->Close();
        empty.setMacCreator("Tv9x");
        empty.setMacType("dict");
        menuBar_->addArrayMember("dicList")->setText("新規辞書.dict");
        menuBar_->addArrayMember("dicEditList")->setText("新規辞書.dict");
        menuBar_->item("dicList", 1)->setChecked(true);
        prefDefaultDic = "新規辞書.dict";
        dicMenuNo = 1;
        listing.current = 1;
    }
    if (listing.current == 0) {
        MenuItem* first = menuBar_->item("dicList", 1);
        first->setChecked(true);
        prefDefaultDic = first->Text();
    }
}

void App::Event_Close()
{
    doPrefSave();
}

void App::makeResentList()
{
    for (int n = 1; n <= 10; ++n) {
        const std::string& entry = resentFileList[static_cast<size_t>(n - 1)];
        resentListMenu(n).setText(entry.empty() ? std::string("(未使用)") : NthField(entry, "\t", 1));
        yieldToOthers();
    }
}

void App::Event_EnableMenuItems()
{
    try {
        bool idle = !isWorking;
        About().setEnabled(true);
        for (MenuItem* it : {&fileopen(), &folderOpen(), &openResent(), &clearResent(), &doclip(), &openclip(),
                 &saveClip(), &FileQuit()})
            it->setEnabled(idle);
        selectAllMenu().setEnabled(editFieldNo != 0);
        newdic().setEnabled(true);
        diceditMenu().setEnabled(true);
        dicSelectedEdit().setEnabled(true);
        for (int n = 1; n <= dicMenuNo; ++n) {
            dicList(n).setEnabled(true);
            dicEditList(n).setEnabled(true);
            yieldToOthers();
        }
        prefMenu().setEnabled(true);
        newWorkspace().setEnabled(true);
        openWorkspace().setEnabled(true);
        for (int n = 1; n <= 10; ++n) {
            MenuItem& recent = resentListMenu(n);
            recent.setEnabled(!textEquals(recent.Text(), "(未使用)") && idle);
            yieldToOthers();
        }
    } catch (...) {
        // The step stops where an item was missing; the rest keep their state.
    }
}

void App::EnableMenuItems()
{
    if (tearingDown_)
        return;
    // Menu titles are never disabled: no enabling step touches them.
    std::vector<MenuItem*> titles = menuBar_->menuTitles();
    for (const auto& it : menuBar_->items())
        if (std::find(titles.begin(), titles.end(), it.get()) == titles.end())
            it->setEnabled(it->AutoEnable());
    Event_EnableMenuItems();
    enableEditCommands();
    if (Window* w = Window::front())
        w->Event_EnableMenuItems();
}

void App::enableEditCommands()
{
    try {
        Window* w = Window::front();
        QWidget* field = w ? focusedTextField(w->widget()) : nullptr;
        const bool clipboard = field && services().clipboardHasText();
        const std::pair<const char*, EditCommand> editCommands[] = {{"EditCut", EditCommand::Cut},
            {"EditCopy", EditCommand::Copy}, {"EditPaste", EditCommand::Paste}, {"EditClear", EditCommand::Clear}};
        for (const auto& [name, command] : editCommands)
            if (MenuItem* it = menuBar_->item(name))
                it->setEnabled(canEdit(field, command, clipboard));
    } catch (...) {
        // The items keep the state the earlier steps gave them.
    }
}

void App::SetWindowModified(Window& window, bool modified)
{
    if (systemAtLeast(kModifiedMarkVersion))
        window.setModifiedMark(modified);
}

bool App::IsWindowModified(Window& window)
{
    return systemAtLeast(kModifiedMarkVersion) && window.modifiedMark();
}

void App::DocumentFile(Window& window, const FolderItem& file)
{
    if (!file) {
        window.setFilePath(std::string());
        return;
    }
    try {
        FSRef ref(file);
        window.setFilePath(ref.Path());
    } catch (const MacOSException&) {
        // A file that cannot be referenced gives no proxy icon; the window
        // opens as usual.
    }
}

bool App::quitCommand()
{
    if (isWorking || quitting_)
        return false;
    quitting_ = true;
    // Newest windows first, as they stand in front.
    std::vector<Window*> windows = Window::all();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        Window* w = *it;
        // A question asked on the way lets the event loop run, and window
        // objects closed before may go meanwhile.
        std::vector<Window*> live = Window::all();
        if (std::find(live.begin(), live.end(), w) == live.end())
            continue;
        if (w == aboutWin::existing() || !w->isOpen())
            continue;
        if (!w->Close()) {
            quitting_ = false;
            return false;
        }
    }
    Event_Close();
    if (auto* frame = static_cast<FrameWindow*>(frame_.data())) {
        frame->allowClose = true;
        frame->close();
    }
    QCoreApplication::exit(exitStatus_);
    return true;
}

void App::terminationRequest()
{
    if (!isWorking) {
        quitCommand();
        return;
    }
    if (quitRequested)
        return;
    quitRequested = true;
    grepCancel = true;
    // The pass sees the request at its next yield; the quit follows once its
    // end steps have run.
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this, poll] {
        if (isWorking)
            return;
        poll->deleteLater();
        guarded([this] {
            if (!quitCommand())
                quitRequested = false;
        });
    });
    poll->start(20);
}

void App::Quit(int status)
{
    exitStatus_ = status;
    QTimer::singleShot(0, this, [this] { guarded([this] { quitCommand(); }); });
}

std::optional<FrameBounds> App::frameWindowBounds() const
{
    if (!frame_)
        return std::nullopt;
    QRect g = frame_->geometry();
    return FrameBounds {g.y(), g.x(), g.width(), g.height()};
}

void App::placeFrameWindow(const FrameBounds& b)
{
    if (!frame_)
        return;
    // A size of zero or less stays in the file but is not applied.
    // Held to the screens first: a damaged size must never reach the window.
    const QRect current = frame_->geometry();
    const bool sized = b.Width > 0 && b.Height > 0;
    frame_->setGeometry(holdToScreens({b.Left, b.Top, sized ? b.Width : current.width(),
                                          sized ? b.Height : current.height()},
        QSize(1, 1)));
    holdFrameToScreen();
}

void App::holdFrameToScreen()
{
    // The frame window carries the only menu bar: a stale place from another
    // screen layout must not put it out of reach. It is held to the screen it
    // lies on, else the primary one, decoration included where the desktop
    // already tells it.
    if (!frame_)
        return;
    QRect wanted = frame_->geometry();
    QScreen* screen = QGuiApplication::screenAt(wanted.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect outer = frame_->frameGeometry();
    const QRect area = screen->availableGeometry().adjusted(wanted.left() - outer.left(),
        wanted.top() - outer.top(), wanted.right() - outer.right(), wanted.bottom() - outer.bottom());
    wanted.setWidth(std::min(wanted.width(), area.width()));
    wanted.setHeight(std::min(wanted.height(), area.height()));
    wanted.moveLeft(std::clamp(wanted.left(), area.left(), area.right() + 1 - wanted.width()));
    wanted.moveTop(std::clamp(wanted.top(), area.top(), area.bottom() + 1 - wanted.height()));
    if (wanted != frame_->geometry())
        frame_->setGeometry(wanted);
}

// ---- Recent documents

bool App::_clearResent_Action()
{
    for (size_t i = 0; i < resentFileList.size(); ++i) {
        resentFileList[i].clear();
        yieldToOthers();
    }
    makeResentList();
    EnableMenuItems();
    return false;
}

// ---- Dictionary menu

bool App::_dicList_Action(int index)
{
    // This desktop has no Dock-tile menu: the marks go to the Dictionary
    // menu only.
    for (int i = 1; i <= dicMenuNo; ++i) {
        dicList(i).setChecked(false);
        yieldToOthers();
    }
    MenuItem& chosen = dicList(index);
    chosen.setChecked(true);
    prefDefaultDic = chosen.Text();
    return false;
}

bool App::_newdic_Action()
{
    FolderItem proposed = dictionaryFolder().Child("新規辞書.dict");
    FolderItem file = services().getSaveFolderItem("Dict", proposed ? proposed.path() : std::string("新規辞書.dict"));
    if (!file || file.Exists())
        return false;
    // The file comes first: a dictionary that cannot be created is neither
    // listed nor made current.
    writeFileSafely(file, "", "dict", "Tv9x");
    std::string name = file.Name();
    MenuItem* choose = menuBar_->addArrayMember("dicList");
    MenuItem* edit = menuBar_->addArrayMember("dicEditList");
    if (!choose || !edit)
        throw NilObjectException("no dictionary menu");
    choose->setText(name);
    edit->setText(name);
    ++dicMenuNo;
    for (int i = 1; i <= dicMenuNo; ++i) {
        dicList(i).setChecked(false);
        yieldToOthers();
    }
    if (dicMenuNo < 10)
        choose->setCommandKey(Str(static_cast<int64_t>(dicMenuNo)));
    prefDefaultDic = choose->Text();
    choose->setChecked(true);
    return false;
}

bool App::openEditor(const std::string& name)
{
    editDic = name;
    for (size_t i = 0; i < dicEditWin.size();) {
        if (dicEditWin[i]->editDic.empty())
            dicEditWin.erase(dicEditWin.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
        yieldToOthers();
    }
    for (size_t i = 0; i < dicEditWin.size(); ++i) {
        if (dicEditWin[i]->editDic == editDic) {
            dicEditWin[i]->Show();
            return true;
        }
        yieldToOthers();
    }
    dicEditWin.push_back(makeWindowAs<DictionaryEditorWindow>("dicEdit"));
    return false;
}

bool App::_dicSelectedEdit_Action()
{
    // No current dictionary names no editor.
    if (prefDefaultDic.empty())
        return false;
    return openEditor(prefDefaultDic);
}

bool App::_dicEditList_Action(int index)
{
    return openEditor(dicEditList(index).Text());
}

// ---- Window-opening commands

std::shared_ptr<WorkspaceWindow> App::newWorkSpace()
{
    return makeWindowAs<WorkspaceWindow>("workSpace");
}

bool App::_newWorkspace_Action()
{
    openFolderItem = FolderItem();
    workSpaceWin.push_back(newWorkSpace());
    return false;
}

bool App::_openWorkspace_Action()
{
    openFolderItem = services().getOpenFolderItem("Tesvora ワークスペース");
    if (!openFolderItem)
        return false;
    for (size_t i = 0; i < workSpaceWin.size();) {
        if (!workSpaceWin[i]->workSpaceItem)
            workSpaceWin.erase(workSpaceWin.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
        yieldToOthers();
    }
    // The same file is the same file system object, whatever path led to it.
    for (size_t i = 0; i < workSpaceWin.size(); ++i) {
        WorkspaceWindow& w = *workSpaceWin[i];
        if (w.isOpen() && sameFile(w.workSpaceItem, openFolderItem)) {
            w.Show();
            return true;
        }
        yieldToOthers();
    }
    workSpaceWin.push_back(newWorkSpace());
    return false;
}

bool App::_prefMenu_Action()
{
    makeWindow("prefWindow");
    return false;
}

bool App::_dummy_Action(int)
{
    return _prefMenu_Action();
}

bool App::_helpWizardMenu_Action()
{
    makeWindow("grepWizardWindow")->Show();
    return false;
}

bool App::_About_Action()
{
    aboutWin::instance().Show();
    return false;
}

} // namespace tv
