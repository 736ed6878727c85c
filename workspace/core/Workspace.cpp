#include "workspace/core/Workspace.h"

#include "platform/core/FileTypes.h"
#include "platform/core/Services.h"
#include "workspace/core/WorkspaceFile.h"

namespace tv {

std::string workspaceReadFailure(const FolderItem& file)
{
    return "ワークスペース \"" + (file ? file.DisplayName() : std::string()) + "\" を読み込めませんでした。";
}

std::string workspaceSaveFailure(const FolderItem& file)
{
    return "ワークスペース \"" + (file ? file.DisplayName() : std::string()) + "\" を保存できませんでした。";
}

Workspace::Workspace(AppState& app)
    : app_(app), dicList_(WorkspaceListModel::Kind::Dictionaries),
      fileList_(WorkspaceListModel::Kind::Files), title_("新規ワークスペース")
{
}

void Workspace::openUntitled(const std::vector<std::string>& listedTitles)
{
    workSpaceItem_ = {};
    title_ = untitledTitle(untitledNumber(listedTitles));
}

Workspace::Opened Workspace::openFile(const FolderItem& file, const std::vector<std::string>& listedTitles)
{
    Opened opened;
    WorkspaceContent content;
    try {
        content = readWorkspaceFile(file);
    } catch (const std::exception&) {
        opened.readFailed = true;
        openUntitled(listedTitles);
        services().openMessageBox(workspaceReadFailure(file), {});
        return opened;
    }
    workSpaceItem_ = file;
    title_ = workspaceFileTitle(file.DisplayName());
    opened.frame = content.frame;
    std::vector<WorkspaceRow> dictionaries;
    dictionaries.reserve(content.dictionaries.size());
    for (std::string& name : content.dictionaries)
        dictionaries.push_back(dictionaryRow(std::move(name)));
    dicList_.setRows(std::move(dictionaries));
    fileList_.setRows(std::move(content.files));
    if (app_.isAutoWorkFrow)
        opened.start = doProof();
    return opened;
}

bool Workspace::save(const FrameBounds& frame)
{
    FolderItem target = workSpaceItem_;
    const bool first = !target;
    if (first) {
        target = services().getSaveFolderItem(FileTypes::pWork().Name, title_);
        if (!target)
            return false;
    }
    try {
        writeWorkspaceFile(target, frame, dicList_.names(), fileList_.rows(),
            first ? workspaceFileCodes() : existingFileCodes(target));
    } catch (const std::exception&) {
        services().openMessageBox(workspaceSaveFailure(target), {});
        return false;
    }
    if (first) {
        workSpaceItem_ = target;
        title_ = workspaceFileTitle(target.DisplayName());
    }
    return true;
}

bool Workspace::addRow(WorkspaceListModel& list, WorkspaceRow row)
{
    if (!isStorableRow(row)) {
        reportUnstorable({isStorableText(row.name) ? row.path : row.name});
        return false;
    }
    list.appendRow(std::move(row));
    return true;
}

bool Workspace::addDicToList()
{
    const FolderItem item = services().getOpenFolderItem(FileTypes::pDict().Name);
    if (!item || !FileTypes::accepts(FileTypes::pDict().Name, item))
        return false;
    return addRow(dicList_, dictionaryRow(item.DisplayName()));
}

bool Workspace::addFileToList()
{
    const FolderItem item = services().getOpenFolderItem(FileTypes::pAny().Name);
    if (!item || !app_.fileFilter(item))
        return false;
    return addRow(fileList_, fileRow(item));
}

bool Workspace::addFolderToList()
{
    const FolderItem item = services().selectFolder({});
    if (!item)
        return false;
    return addRow(fileList_, folderRow(item));
}

PassStart Workspace::doProof()
{
    return startPass(app_, dicList_.names(), fileList_.paths());
}

} // namespace tv
