#pragma once
// The application object: the settings and run-time state of AppState, the
// menu bar, the frame window, the window registries, start-up and shut-down.

#include "app/core/AppState.h"
#include "platform/ui/MenuBar.h"
#include "platform/ui/Window.h"

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

class App : public QObject, public AppState {
    Q_OBJECT
public:
    App();
    ~App() override;

    tv::MenuBar& MenuBar() { return *menuBar_; }
    // The frame window that carries the menu bar.
    QMainWindow* MDIWindow() const { return frame_.data(); }

    std::vector<std::shared_ptr<Window>> workSpaceWin;
    std::vector<std::shared_ptr<Window>> dicEditWin;

    // Work from outside the menus: an application event (class, ID, the
    // parameter "dict", the direct object or nil) and a desktop document.
    bool Event_HandleAppleEvent(const std::string& eventClass, const std::string& eventID,
        const std::string& dict, const FolderItem& directObject);
    void Event_OpenDocument(const FolderItem& item);

    // The pass-starting and clipboard commands of the File menu (defined in
    // AppCommands.cpp).
    bool _fileopen_Action();
    bool _folderOpen_Action();
    bool _resentListMenu_Action(int index);
    bool _doclip_Action();
    bool _openclip_Action();
    bool _saveClip_Action();

    // Makes a new workspace window, which takes App.openFolderItem when it
    // opens; the caller appends it to workSpaceWin.
    std::shared_ptr<Window> newWorkSpace();

    // The start-up of the event loop's first turn, and the shut-down.
    void Event_Open();
    void Event_Close();
    void Event_EnableMenuItems();

    void makeResentList();
    void SetWindowModified(Window& window, bool modified);
    bool IsWindowModified(Window& window);
    void DocumentFile(Window& window, const FolderItem& file);

    // The folder "Dictionary" and "Script" beside the application.
    FolderItem dictionaryFolder() const;
    FolderItem scriptFolder() const;

    // The menu refresh: every item usable exactly when its AutoEnable is on,
    // then the application's enabling step, then the front window's.
    void EnableMenuItems();

    // The quit command (FileQuit, or closing the frame window). Refused while
    // a pass runs; every window is asked to close through its own question,
    // and a window that stays open stops the quit. True when the quit went
    // through.
    bool quitCommand();
    // Asks for the quit with an exit status, once the current event is done.
    void Quit(int status);
    bool isQuitting() const { return quitting_; }
    int exitStatus() const { return exitStatus_; }

    // Binds an application handler to a menu item's name.
    void bindMenuHandler(const std::string& itemName, std::function<bool(int)> handler);
    // Runs a chosen menu item: the application's handler when it binds the
    // name, else the front window's.
    void dispatchMenu(const std::string& itemName, int index);

    // The about box, made hidden at start-up.
    Window* aboutWin() const { return about_.get(); }

    std::optional<FrameBounds> frameWindowBounds() const override;
    void placeFrameWindow(const FrameBounds& bounds) override;

private:
    void buildDictionaryMenus();
    void bindApplicationHandlers();

    std::unique_ptr<tv::MenuBar> menuBar_;
    QPointer<QMainWindow> frame_;
    std::unique_ptr<Window> about_;
    std::map<std::string, std::function<bool(int)>> handlers_;
    bool quitting_ = false;
    int exitStatus_ = 0;
};

} // namespace tv
