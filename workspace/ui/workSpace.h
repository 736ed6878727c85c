#pragma once
// The workspace window: gathers dictionaries, files and folders for a pass.
// This form holds the window's two lists, its title and file, its menu
// commands, its modified mark and its close question; it neither reads nor
// writes workspace files.

#include "platform/core/FolderItem.h"
#include "platform/ui/Window.h"

#include <string>

namespace tv {

class workSpace : public Window {
public:
    // Makes the window, which opens on App.openFolderItem and shows itself.
    workSpace();

    // The workspace file; nil while the workspace is untitled.
    FolderItem workSpaceItem;

    void Event_Open();
    bool Event_CancelClose() override;
    void Event_EnableMenuItems() override;

    bool _winclose_Action();
    bool _addFile_Action();
    bool _addFolder_Action();
    bool _addDictionary_Action();
    bool _fileSave_Action();

    void addFileToList();
    void addFolderToList();
    void addDicToList();
    // Writes the workspace file; true when it has been saved.
    virtual bool doWorkSave();
    // Hands the lists to a pass.
    void doProof();
};

} // namespace tv
