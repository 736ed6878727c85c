#include "app/ui/App.h"

#include "app/core/DictionaryFolder.h"
#include "platform/core/Dispatch.h"
#include "platform/core/Errors.h"
#include "platform/core/Services.h"
#include "platform/core/Streams.h"
#include "platform/core/Text.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QTimer>
#include <QWindow>

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

// The about box until its own window is built: made hidden at start-up.
class AboutBox : public Window {
public:
    AboutBox() : Window("aboutWin")
    {
        auto* dialog = new QDialog;
        dialog->setWindowTitle(QStringLiteral("Tesvora について"));
        auto* label = new QLabel(QString::fromUtf8(AppState::versionText()), dialog);
        label->setObjectName(QStringLiteral("version"));
        setWidget(dialog);
    }
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
    about_.reset();
    delete frame_.data();
    if (theApp == this)
        theApp = nullptr;
}

void App::bindMenuHandler(const std::string& itemName, std::function<bool(int)> handler)
{
    handlers_[itemName] = std::move(handler);
}

void App::bindApplicationHandlers()
{
    // The platform serves the quit item: it goes through the program's quit.
    bindMenuHandler("FileQuit", [this](int) {
        quitCommand();
        return true;
    });
    bindMenuHandler("fileopen", [this](int) { return _fileopen_Action(); });
    bindMenuHandler("doclip", [this](int) { return _doclip_Action(); });
    bindMenuHandler("openclip", [this](int) { return _openclip_Action(); });
    bindMenuHandler("saveClip", [this](int) { return _saveClip_Action(); });
    bindMenuHandler("folderOpen", [this](int) { return _folderOpen_Action(); });
    bindMenuHandler("resentListMenu", [this](int index) { return _resentListMenu_Action(index); });
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
        about_ = std::make_unique<AboutBox>();
        about_->Hide();
    } catch (...) {
        // Start-up stops at the failed step; what earlier steps did stays.
    }
    if (frame_ && !quitting_)
        frame_->show();
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
            choose->setChecked(true); // the Dock-tile menu has no stand-in
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
    for (int i = 0; i < 10; ++i) {
        MenuItem* it = menuBar_->item("resentListMenu", i + 1);
        if (!it)
            continue;
        const std::string& entry = resentFileList[static_cast<size_t>(i)];
        it->setText(entry.empty() ? std::string("(未使用)") : NthField(entry, "\t", 1));
    }
}

void App::Event_EnableMenuItems()
{
    bool idle = !isWorking;
    for (const char* name : {"fileopen", "folderOpen", "doclip", "openclip", "saveClip", "clearResent",
             "FileQuit"})
        if (MenuItem* it = menuBar_->item(name))
            it->setEnabled(idle);
    for (int i = 1; MenuItem* it = menuBar_->item("resentListMenu", i); ++i)
        it->setEnabled(idle);
    if (MenuItem* it = menuBar_->item("selectAllMenu"))
        it->setEnabled(editFieldNo != 0);
}

void App::EnableMenuItems()
{
    for (const auto& it : menuBar_->items())
        if (it->submenu() == nullptr || it->Index() >= 0 || !it->isSeparator())
            if (!(it->submenu() && it->Name() == menuBar_->menuTitles().front()->Name()))
                it->setEnabled(it->AutoEnable());
    for (MenuItem* title : menuBar_->menuTitles())
        title->setEnabled(true);
    Event_EnableMenuItems();
    if (Window* w = Window::front())
        w->Event_EnableMenuItems();
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
    window.setFilePath(file ? file.path() : std::string());
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
        if (w == about_.get() || !w->isOpen())
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
    if (b.Width > 0 && b.Height > 0)
        frame_->setGeometry(b.Left, b.Top, b.Width, b.Height);
    else
        frame_->move(b.Left, b.Top);
}

} // namespace tv
