#pragma once
// What the windows of every subsystem need of the application shell, behind
// one narrow interface: the settings and run-time state (AppState), the menu
// bar and its refresh, window marks and file ties, the folders beside the
// program, the registries of open editors and workspaces, and the factories
// through which the shell opens each subsystem's windows. The application
// object implements it; windows never reach for the application object
// itself.

#include "app/core/AppState.h"
#include "app/ui/DocumentWindow.h"
#include "platform/ui/MenuBar.h"
#include "platform/ui/Window.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tv {

class Shell : public AppState {
public:
    virtual tv::MenuBar& MenuBar() = 0;
    // The menu refresh: every item usable exactly when its AutoEnable is on,
    // then the application's enabling step, then the front window's.
    virtual void EnableMenuItems() = 0;
    virtual void SetWindowModified(Window& window, bool modified) = 0;
    virtual bool IsWindowModified(Window& window) = 0;
    // Ties the window to its file (a nil file unties it). A file that cannot
    // be referenced leaves the window as it was.
    virtual void DocumentFile(Window& window, const FolderItem& file) = 0;
    // The folders "Dictionary" and "Script" beside the application.
    virtual FolderItem dictionaryFolder() const = 0;
    virtual FolderItem scriptFolder() const = 0;
    // Rewrites the ten recent-document captions from resentFileList.
    virtual void makeResentList() = 0;
    // Binds an application-wide handler to a menu item's name.
    virtual void bindMenuHandler(const std::string& itemName, std::function<bool(int)> handler) = 0;

    // The workspace windows opened so far, in the order they were opened.
    std::vector<std::shared_ptr<WorkspaceWindow>> workSpaceWin;
    // The dictionary editors opened so far; closed ones stay until the next
    // editor command.
    std::vector<std::shared_ptr<DictionaryEditorWindow>> dicEditWin;
};

// The registered shell (the application object); NilObjectException when
// there is none.
Shell& shell();
void registerShell(Shell* s);

// How the shell opens a subsystem's window: each window library registers a
// factory under the window's class name at start-up, and the shell makes the
// window by that name. The factory makes and shows the window (or raises the
// single instance of its class) and hands it back.
using WindowFactory = std::function<std::shared_ptr<Window>()>;
void registerWindowFactory(const std::string& className, WindowFactory factory);
// Throws NilObjectException when no factory is registered under the name or
// the window it makes is not a T.
std::shared_ptr<Window> makeWindow(const std::string& className);
[[noreturn]] void throwWrongWindowKind(const std::string& className);
template <class T>
std::shared_ptr<T> makeWindowAs(const std::string& className)
{
    std::shared_ptr<T> w = std::dynamic_pointer_cast<T>(makeWindow(className));
    if (!w)
        throwWrongWindowKind(className);
    return w;
}

} // namespace tv
