#pragma once
// The workspace window: gathers dictionaries, files and folders for a pass.
// This form holds the window's two lists, its title and file, its menu
// commands, its modified mark and its close question; it neither reads nor
// writes workspace files.

#include "app/ui/DocumentWindow.h"
#include "platform/core/FolderItem.h"

#include <string>

namespace tv {

class workSpace : public WorkspaceWindow {
public:
    // Makes the window, which opens on App.openFolderItem and shows itself.
    workSpace();

    void Event_Open();
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

protected:
    bool saveDocument() override { return doWorkSave(); }
};

// Lets the shell open workspace windows (class "workSpace").
void registerWorkspaceWindow();

} // namespace tv
