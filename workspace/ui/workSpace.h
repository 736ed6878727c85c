#pragma once
// The workspace window: gathers dictionaries, files and folders for a pass.
// The document itself (the two lists, the file, the title, saving, the add
// commands and the pass start) is a Workspace; the window shows its lists,
// turns keys, clicks and drops into its commands, keeps the modified mark and
// the frame, and asks before unsaved changes go.

#include "app/ui/DocumentWindow.h"
#include "platform/core/FolderItem.h"
#include "workspace/core/Workspace.h"

#include <QPointer>
#include <QSize>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QDropEvent;
class QMimeData;
class QPoint;
class QToolButton;
class QTreeView;

namespace tv {

class workSpace : public WorkspaceWindow {
public:
    // Makes the window, which opens on App.openFolderItem and shows itself.
    workSpace();
    ~workSpace() override;

    // The content area's size as laid out, and its minimum.
    static QSize designSize() { return {490, 200}; }

    void Event_Open();
    void Event_EnableMenuItems() override;

    // Keys typed in a list: Backspace (code 8) removes the selected rows and
    // marks the window, also when nothing was removed. Always false, so that
    // the key goes on to the list.
    bool dicListBox_KeyDown(const std::string& key);
    bool fileListBox_KeyDown(const std::string& key);
    // A drop at a point of the list's viewport; fromThisList when the drag
    // started in that very list.
    void dicListBox_DropObject(const QMimeData& data, const QPoint& position, bool fromThisList);
    void fileListBox_DropObject(const QMimeData& data, const QPoint& position, bool fromThisList);
    // The file list's help tag follows its selected row's path.
    void fileListBox_Change();
    void doProofButton_Action();
    void addFileButton_Action();
    void addFolderButton_Action();
    void addDictButton_Action();

    bool _winclose_Action();
    bool _addFile_Action();
    bool _addFolder_Action();
    bool _addDictionary_Action();
    bool _fileSave_Action();
    bool _doProofread_Action();

    void addFileToList();
    void addFolderToList();
    void addDicToList();
    // Writes the workspace file; true when it has been saved.
    virtual bool doWorkSave();
    // Hands the lists to a pass.
    void doProof();

    // The document the window shows.
    Workspace& document() { return *workspace_; }
    // What the last start did (nothing before the first).
    const std::optional<PassStart>& lastStart() const { return lastStart_; }

    // The frame stored in the workspace file: the content area under the
    // menu bar, in screen coordinates.
    FrameBounds workspaceFrame() const;
    void applyWorkspaceFrame(const FrameBounds& frame);

protected:
    bool saveDocument() override { return doWorkSave(); }

private:
    void buildWindow();
    void bindHandlers();
    void acceptDrops(QTreeView* list, WorkspaceListModel& model,
        void (workSpace::*handler)(const QMimeData&, const QPoint&, bool));
    bool removeSelectedRows(QTreeView* list, WorkspaceListModel& model, const std::string& key);
    void dropOnList(QTreeView* list, WorkspaceListModel& model, const QMimeData& data, const QPoint& position,
        bool fromThisList);
    void takeStart(const PassStart& start);

    std::unique_ptr<Workspace> workspace_;
    std::optional<PassStart> lastStart_;
    QWidget* content_ = nullptr;
    QPointer<QTreeView> dicListBox_;
    QPointer<QTreeView> fileListBox_;
    QPointer<QToolButton> doProofButton_;
    QPointer<QToolButton> addDictButton_;
    QPointer<QToolButton> addFileButton_;
    QPointer<QToolButton> addFolderButton_;
};

// The selected rows of a list, top to bottom.
std::vector<int> selectedRows(const QTreeView* list);

// Lets the shell open workspace windows (class "workSpace").
void registerWorkspaceWindow();

} // namespace tv
