#include "workspace/ui/workSpace.h"

#include "app/ui/MenuItems.h"
#include "app/ui/Shell.h"
#include "platform/core/Text.h"

#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>

namespace tv {

namespace {
const char* const kUntitled = "新規ワークスペース ";
}

workSpace::workSpace() : WorkspaceWindow("workSpace")
{
    Shell& a = shell();
    auto* window = new QMainWindow;
    window->resize(520, 400);
    a.MenuBar().attachTo(window->menuBar());
    auto* content = new QWidget(window);
    window->setCentralWidget(content);
    auto* dicList = new QListWidget(content);
    dicList->setObjectName(QStringLiteral("dicListBox"));
    dicList->setGeometry(20, 20, 480, 110);
    auto* fileList = new QListWidget(content);
    fileList->setObjectName(QStringLiteral("fileListBox"));
    fileList->setGeometry(20, 145, 480, 210);
    setWidget(window);
    bindMenuHandler("winclose", [this](int) { return _winclose_Action(); });
    bindMenuHandler("addFile", [this](int) { return _addFile_Action(); });
    bindMenuHandler("addFolder", [this](int) { return _addFolder_Action(); });
    bindMenuHandler("addDictionary", [this](int) { return _addDictionary_Action(); });
    bindMenuHandler("fileSave", [this](int) { return _fileSave_Action(); });
    Event_Open();
    Show();
}

void workSpace::Event_Open()
{
    Shell& a = shell();
    setModified(false);
    workSpaceItem = a.openFolderItem;
    if (!workSpaceItem) {
        // Numbered after the untitled workspaces listed so far.
        int64_t n = 1;
        for (size_t i = 0; i < a.workSpaceWin.size(); ++i)
            if (textEquals(a.workSpaceWin[i]->Title(), kUntitled + Str(n)))
                ++n;
        setTitle(kUntitled + Str(n));
        return;
    }
    setTitle("ワークスペース \"" + workSpaceItem.DisplayName() + "\"");
    tieToFile(workSpaceItem);
    if (a.isAutoWorkFrow)
        doProof();
}

void workSpace::Event_EnableMenuItems()
{
    winclose().setEnabled(true);
    fileSave().setEnabled(true);
    addDictionary().setEnabled(true);
    addFile().setEnabled(true);
    addFolder().setEnabled(true);
    doProofread().setEnabled(!shell().isWorking);
}

bool workSpace::_winclose_Action()
{
    Close();
    return true;
}

bool workSpace::_addFile_Action()
{
    addFileToList();
    return true;
}

bool workSpace::_addFolder_Action()
{
    addFolderToList();
    return true;
}

bool workSpace::_addDictionary_Action()
{
    addDicToList();
    return true;
}

bool workSpace::_fileSave_Action()
{
    saveCommand();
    return true;
}

// This form's lists stay empty: adding, saving and starting have nothing to
// work on yet.
void workSpace::addFileToList() {}
void workSpace::addFolderToList() {}
void workSpace::addDicToList() {}

bool workSpace::doWorkSave()
{
    return true;
}

void workSpace::doProof()
{
    // With an empty list there is nothing to start.
}

void registerWorkspaceWindow()
{
    registerWindowFactory("workSpace", [] { return openWindow<workSpace>(); });
}

} // namespace tv
