#include "app/ui/MenuItems.h"

#include "app/ui/Shell.h"
#include "platform/core/Errors.h"

namespace tv {

namespace {

MenuItem& named(const char* name)
{
    MenuItem* it = shell().MenuBar().item(name);
    if (!it)
        throw NilObjectException(std::string("no menu item ") + name);
    return *it;
}

MenuItem& member(const char* name, int index)
{
    MenuItem* it = shell().MenuBar().item(name, index);
    if (!it)
        throw NilObjectException(std::string("no menu item ") + name + "(" + std::to_string(index) + ")");
    return *it;
}

} // namespace

MenuItem& fileopen() { return named("fileopen"); }
MenuItem& openResent() { return named("openResent"); }
MenuItem& clearResent() { return named("clearResent"); }
MenuItem& resentListMenu(int index) { return member("resentListMenu", index); }
MenuItem& folderOpen() { return named("folderOpen"); }
MenuItem& winclose() { return named("winclose"); }
MenuItem& fileSave() { return named("fileSave"); }
MenuItem& openclip() { return named("openclip"); }
MenuItem& doclip() { return named("doclip"); }
MenuItem& saveClip() { return named("saveClip"); }
MenuItem& FileQuit() { return named("FileQuit"); }
MenuItem& selectAllMenu() { return named("selectAllMenu"); }
MenuItem& prefMenu() { return named("prefMenu"); }
MenuItem& newdic() { return named("newdic"); }
MenuItem& diceditMenu() { return named("diceditMenu"); }
MenuItem& dicSelectedEdit() { return named("dicSelectedEdit"); }
MenuItem& dicEditList(int index) { return member("dicEditList", index); }
MenuItem& dicList(int index) { return member("dicList", index); }
MenuItem& doProofread() { return named("doProofread"); }
MenuItem& newWorkspace() { return named("newWorkspace"); }
MenuItem& openWorkspace() { return named("openWorkspace"); }
MenuItem& addDictionary() { return named("addDictionary"); }
MenuItem& addFile() { return named("addFile"); }
MenuItem& addFolder() { return named("addFolder"); }
MenuItem& About() { return named("About"); }

} // namespace tv
