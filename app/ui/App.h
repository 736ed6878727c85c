#pragma once
// The application object: the settings and run-time state of AppState, the
// menu bar and every application-level menu command, the frame window, the
// window registries, start-up and shut-down.

#include "app/ui/Shell.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include <QMainWindow>

namespace tv {

class App;
App& app();

// The five menus, as data.
const std::vector<MenuBar::ItemSpec>& menuTable();

class App : public QObject, public Shell {
    Q_OBJECT
public:
    App();
    ~App() override;

    tv::MenuBar& MenuBar() override { return *menuBar_; }
    // The frame window that carries the menu bar.
    QMainWindow* MDIWindow() const { return frame_.data(); }

    // Work from outside the menus (defined in AppCommands.cpp): an
    // application event (class, ID, the parameter "dict", the direct object
    // or nil) and a desktop document.
    bool Event_HandleAppleEvent(const std::string& eventClass, const std::string& eventID,
        const std::string& dict, const FolderItem& directObject);
    void Event_OpenDocument(const FolderItem& item);

    // Makes a new workspace window, which takes App.openFolderItem when it
    // opens; the caller appends it to workSpaceWin.
    std::shared_ptr<WorkspaceWindow> newWorkSpace();

    // The start-up of the event loop's first turn, and the shut-down.
    void Event_Open();
    void Event_Close();
    // The application's enabling step.
    void Event_EnableMenuItems();

    // Menu handlers, bound by item name at start; an array's handler gets the
    // chosen member's index. The pass-starting and clipboard commands of the
    // File menu are in AppCommands.cpp.
    bool _dicList_Action(int index);
    bool _fileopen_Action();
    bool _doclip_Action();
    bool _openclip_Action();
    bool _newdic_Action();
    bool _saveClip_Action();
    bool _About_Action();
    bool _folderOpen_Action();
    bool _dummy_Action(int index);
    bool _newWorkspace_Action();
    bool _dicSelectedEdit_Action();
    bool _dicEditList_Action(int index);
    bool _clearResent_Action();
    bool _resentListMenu_Action(int index);
    bool _openWorkspace_Action();
    bool _prefMenu_Action();
    bool _helpWizardMenu_Action();

    void makeResentList() override;
    void SetWindowModified(Window& window, bool modified) override;
    bool IsWindowModified(Window& window) override;
    void DocumentFile(Window& window, const FolderItem& file) override;
    FolderItem dictionaryFolder() const override;
    FolderItem scriptFolder() const override;
    void EnableMenuItems() override;

    // The quit command (FileQuit, or closing the frame window). Refused while
    // a pass runs; every window is asked to close through its own question,
    // and a window that stays open stops the quit. True when the quit went
    // through.
    bool quitCommand();
    // The desktop's request to end (SIGTERM, Ctrl+C in a terminal): the quit
    // command, and while a pass runs, the end of that pass first, wherever
    // it waits, then the quit.
    void terminationRequest();
    // Asks for the quit with an exit status, once the current event is done.
    void Quit(int status);
    bool isQuitting() const { return quitting_; }
    int exitStatus() const { return exitStatus_; }

    // Binds an application handler to a menu item's name.
    void bindMenuHandler(const std::string& itemName, std::function<bool(int)> handler) override;
    bool handlesMenu(const std::string& itemName) const { return handlers_.count(itemName) != 0; }
    // Runs a chosen menu item: the application's handler when it binds the
    // name, else the front window's.
    void dispatchMenu(const std::string& itemName, int index);

    std::optional<FrameBounds> frameWindowBounds() const override;
    void placeFrameWindow(const FrameBounds& bounds) override;

private:
    void buildDictionaryMenus();
    void holdFrameToScreen();
    // カット, コピー, ペースト and 消去 follow the front window's text field.
    void enableEditCommands();
    // Queues a chosen file that the filter accepts, and starts a pass unless
    // one runs.
    void queueFileAndStart(const FolderItem& file);
    void bindApplicationHandlers();
    // Raises the open editor of App.editDic, or makes one. True when one was
    // open.
    bool openEditor(const std::string& name);

    std::unique_ptr<tv::MenuBar> menuBar_;
    QPointer<QMainWindow> frame_;
    std::map<std::string, std::function<bool(int)>> handlers_;
    bool quitting_ = false;
    bool tearingDown_ = false;
    int exitStatus_ = 0;
};

} // namespace tv
