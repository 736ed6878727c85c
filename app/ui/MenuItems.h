#pragma once
// The menu items other code reaches by name, each from the application's
// menu bar. An item that is not there raises NilObjectException; the fixed
// items exist from the menu bar's creation, an array member once that many
// members have been added.

#include "platform/ui/MenuBar.h"

namespace tv {

MenuItem& fileopen();
MenuItem& openResent();
MenuItem& clearResent();
MenuItem& resentListMenu(int index);
MenuItem& folderOpen();
MenuItem& winclose();
MenuItem& fileSave();
MenuItem& openclip();
MenuItem& doclip();
MenuItem& saveClip();
MenuItem& FileQuit();
MenuItem& selectAllMenu();
MenuItem& prefMenu();
MenuItem& newdic();
MenuItem& diceditMenu();
MenuItem& dicSelectedEdit();
MenuItem& dicEditList(int index);
MenuItem& dicList(int index);
MenuItem& doProofread();
MenuItem& newWorkspace();
MenuItem& openWorkspace();
MenuItem& addDictionary();
MenuItem& addFile();
MenuItem& addFolder();
MenuItem& About();

} // namespace tv
