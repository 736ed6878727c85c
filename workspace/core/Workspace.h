#pragma once
// One workspace as its window holds it, without the window: the two lists,
// the workspace file and the title, with the commands that change them
// (opening, saving, the three add commands, the pass start). Each command
// tells whether the window is to be marked modified; the window keeps the
// mark, its frame, its proxy icon and its controls.

#include "app/core/AppState.h"
#include "platform/core/FolderItem.h"
#include "workspace/core/WorkspaceList.h"
#include "workspace/core/WorkspaceStart.h"

#include <optional>
#include <string>
#include <vector>

namespace tv {

// The messages of a workspace file that cannot be read or written.
std::string workspaceReadFailure(const FolderItem& file);
std::string workspaceSaveFailure(const FolderItem& file);

class Workspace {
public:
    explicit Workspace(AppState& app);
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    WorkspaceListModel& dicList() { return dicList_; }
    WorkspaceListModel& fileList() { return fileList_; }
    const WorkspaceListModel& dicList() const { return dicList_; }
    const WorkspaceListModel& fileList() const { return fileList_; }

    // The workspace file; nil while the workspace is untitled.
    const FolderItem& workSpaceItem() const { return workSpaceItem_; }
    // The window's title: "新規ワークスペース" until opened.
    const std::string& title() const { return title_; }

    // An untitled workspace: numbered after the titles of the workspace
    // windows opened so far.
    void openUntitled(const std::vector<std::string>& listedTitles);
    struct Opened {
        // The frame the file gives; none when line 1 is no header or the file
        // could not be read (the window keeps its own).
        std::optional<FrameBounds> frame;
        bool readFailed = false;
        // The automatic start ran (App.isAutoWorkFrow).
        std::optional<PassStart> start;
    };
    // A workspace with a file: titled by it, its rows read, and a pass started
    // at once when App.isAutoWorkFrow is set. A file that cannot be read is
    // reported and not taken: the workspace stays empty and untitled,
    // numbered after listedTitles, so that no save can replace the file
    // unread.
    Opened openFile(const FolderItem& file, const std::vector<std::string>& listedTitles);

    // Writes the workspace file from the lists and the window's frame. An
    // untitled workspace first asks for a file through the save dialog (the
    // title suggested as its name) and becomes titled, with the file, only
    // once the file has been written; a first save gives the file the
    // workspace codes, a later one keeps the codes the file has. True when
    // written (the window then clears its mark); false when the dialog was
    // cancelled, or when writing failed, with a message and the old file whole.
    bool save(const FrameBounds& frame);

    // The three add commands, through their dialogs; each appends at most one
    // row and answers whether it did (the window then marks itself). A
    // dictionary must be a dictionary file by type or extension; a file must
    // pass the input filter; a folder is taken as chosen. A cancelled dialog
    // or a refused file changes nothing and says nothing; a name or path
    // holding TAB, CR or LF is refused with a message.
    bool addDicToList();
    bool addFileToList();
    bool addFolderToList();

    // Hands the two lists to a pass (startPass).
    PassStart doProof();

private:
    bool addRow(WorkspaceListModel& list, WorkspaceRow row);

    AppState& app_;
    WorkspaceListModel dicList_;
    WorkspaceListModel fileList_;
    FolderItem workSpaceItem_;
    std::string title_;
};

} // namespace tv
