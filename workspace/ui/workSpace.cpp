#include "workspace/ui/workSpace.h"

#include "app/ui/MenuItems.h"
#include "app/ui/Pictures.h"
#include "app/ui/Shell.h"
#include "platform/core/Dispatch.h"
#include "platform/ui/Controls.h"
#include "workspace/core/WorkspaceDrops.h"

#include <QDropEvent>
#include <QFile>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>

namespace tv {

namespace {

const char* const kListFont = "Osaka,Hiragino Kaku Gothic Pro,Noto Sans CJK JP,IPAGothic,DejaVu Sans";
const char* const kButtonFont = "Lucida Grande,Liberation Sans,Arial,DejaVu Sans Condensed";

// The four buttons stand in one row at a pitch of 86, each 87 wide, so that
// neighbours overlap by one pixel; none of them takes the keyboard focus.
const std::vector<ControlSpec>& workspaceControls()
{
    static const std::vector<ControlSpec> table = {
        {.kind = ControlKind::ListBox, .name = "dicListBox", .left = 8, .top = 44, .width = 199, .height = 136,
            .family = kListFont, .pixelSize = 12, .anchor = AnchorLeft | AnchorTop | AnchorBottom},
        {.kind = ControlKind::ListBox, .name = "fileListBox", .left = 216, .top = 44, .width = 266, .height = 136,
            .family = kListFont, .pixelSize = 12, .anchor = AnchorAll},
        {.kind = ControlKind::BevelButton, .name = "doProofButton", .text = "校正開始", .left = 8, .top = 11,
            .width = 87, .height = 22, .family = kButtonFont, .pixelSize = 13, .anchor = 0, .focusOnClick = false},
        {.kind = ControlKind::BevelButton, .name = "addFileButton", .text = "ファイル追加", .left = 180, .top = 11,
            .width = 87, .height = 22, .family = kButtonFont, .pixelSize = 13, .anchor = 0, .focusOnClick = false},
        {.kind = ControlKind::BevelButton, .name = "addFolderButton", .text = "フォルダ追加", .left = 266,
            .top = 11, .width = 87, .height = 22, .family = kButtonFont, .pixelSize = 13, .anchor = 0,
            .focusOnClick = false},
        {.kind = ControlKind::BevelButton, .name = "addDictButton", .text = "辞書追加", .left = 94, .top = 11,
            .width = 87, .height = 22, .family = kButtonFont, .pixelSize = 13, .anchor = 0, .focusOnClick = false},
    };
    return table;
}

QVariant pictureOf(RowPicture picture)
{
    switch (picture) {
    case RowPicture::Dictionary:
        return QIcon(dictIcon());
    case RowPicture::File:
        return QIcon(proofwait());
    case RowPicture::Folder:
        return QIcon(folder());
    case RowPicture::None:
        break;
    }
    return {};
}

// Where the list's rows stand in its viewport.
ListGeometry geometryOf(const QTreeView* list)
{
    ListGeometry g;
    g.rowCount = list->model() ? list->model()->rowCount() : 0;
    const QModelIndex first = list->indexAt(QPoint(1, 1));
    if (first.isValid()) {
        const QRect r = list->visualRect(first);
        g.firstVisibleRow = first.row();
        g.firstVisibleTop = r.top();
        g.rowHeight = r.height();
    } else if (g.rowCount > 0) {
        const QRect r = list->visualRect(list->model()->index(0, 0));
        g.firstVisibleTop = r.top();
        g.rowHeight = r.height();
    }
    return g;
}

// The key a list was given, as the character it types; Backspace is code 8.
std::string keyText(const QKeyEvent& e)
{
    if (e.key() == Qt::Key_Backspace)
        return std::string(1, '\b');
    return e.text().toStdString();
}

} // namespace

std::vector<int> selectedRows(const QTreeView* list)
{
    std::vector<int> rows;
    if (!list || !list->selectionModel())
        return rows;
    for (const QModelIndex& i : list->selectionModel()->selectedRows())
        rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

workSpace::workSpace() : WorkspaceWindow("workSpace"), workspace_(std::make_unique<Workspace>(shell()))
{
    buildWindow();
    bindHandlers();
    Event_Open();
    Show();
}

workSpace::~workSpace()
{
    // The models go with this object; views that outlive it show nothing.
    for (QTreeView* list : {dicListBox_.data(), fileListBox_.data()})
        if (list)
            list->setModel(nullptr);
}

void workSpace::buildWindow()
{
    Shell& a = shell();
    auto* window = new QMainWindow;
    window->setWindowTitle(QStringLiteral("新規ワークスペース"));
    a.MenuBar().attachTo(window->menuBar());
    content_ = new QWidget(window);
    content_->setObjectName(QStringLiteral("content"));
    window->setCentralWidget(content_);
    buildControls(content_, workspaceControls());
    dicListBox_ = bindControl<QTreeView>(content_, "dicListBox");
    fileListBox_ = bindControl<QTreeView>(content_, "fileListBox");
    doProofButton_ = bindControl<QToolButton>(content_, "doProofButton");
    addDictButton_ = bindControl<QToolButton>(content_, "addDictButton");
    addFileButton_ = bindControl<QToolButton>(content_, "addFileButton");
    addFolderButton_ = bindControl<QToolButton>(content_, "addFolderButton");

    for (auto [list, model] : {std::pair {dicListBox_.data(), &workspace_->dicList()},
             std::pair {fileListBox_.data(), &workspace_->fileList()}}) {
        model->setPictureProvider(pictureOf);
        list->setModel(model);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setSelectionBehavior(QAbstractItemView::SelectRows);
        list->header()->setSectionsMovable(false);
        list->header()->setStretchLastSection(false);
        list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
        // Rows are reordered by dragging inside the list; nothing else takes
        // them (the drag's data is the list's own).
        list->setDragEnabled(true);
        list->setDragDropMode(QAbstractItemView::DragDrop);
        list->setDefaultDropAction(Qt::MoveAction);
    }
    // The path column is the list's own; it is never shown.
    fileListBox_->header()->setSectionHidden(1, true);

    setWidget(window);
    if (window->layout())
        window->layout()->activate();
    const int bar = menuBarHeight();
    window->setMinimumSize(designSize().width(), designSize().height() + bar);
    window->setMaximumSize(32000, 32000);
    window->resize(designSize().width(), designSize().height() + bar);
    onEvent(content_, QEvent::Resize, [this](QEvent*) {
        layoutControls(content_, workspaceControls(), designSize());
        return false;
    });
}

void workSpace::bindHandlers()
{
    onEvent(dicListBox_, QEvent::KeyPress, [this](QEvent* e) {
        dicListBox_KeyDown(keyText(*static_cast<QKeyEvent*>(e)));
        return false;
    });
    onEvent(fileListBox_, QEvent::KeyPress, [this](QEvent* e) {
        fileListBox_KeyDown(keyText(*static_cast<QKeyEvent*>(e)));
        return false;
    });
    acceptDrops(dicListBox_, workspace_->dicList(), &workSpace::dicListBox_DropObject);
    acceptDrops(fileListBox_, workspace_->fileList(), &workSpace::fileListBox_DropObject);
    QObject::connect(fileListBox_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        [this] { guarded([this] { fileListBox_Change(); }); });
    const std::pair<QToolButton*, void (workSpace::*)()> actions[] = {
        {doProofButton_, &workSpace::doProofButton_Action},
        {addFileButton_, &workSpace::addFileButton_Action},
        {addFolderButton_, &workSpace::addFolderButton_Action},
        {addDictButton_, &workSpace::addDictButton_Action},
    };
    for (const auto& entry : actions) {
        const auto action = entry.second;
        QObject::connect(entry.first, &QToolButton::clicked, this, [this, action] { guarded([&] { (this->*action)(); }); });
    }

    bindMenuHandler("winclose", [this](int) { return _winclose_Action(); });
    bindMenuHandler("addFile", [this](int) { return _addFile_Action(); });
    bindMenuHandler("addFolder", [this](int) { return _addFolder_Action(); });
    bindMenuHandler("addDictionary", [this](int) { return _addDictionary_Action(); });
    bindMenuHandler("fileSave", [this](int) { return _fileSave_Action(); });
    // Cmd+R reaches this handler only while a workspace is the front window.
    bindMenuHandler("doProofread", [this](int) { return _doProofread_Action(); });
}

// The drag events of a list reach its viewport, and its heading's; both are
// answered here, so the view's own placing of dropped rows never runs.
void workSpace::acceptDrops(QTreeView* list, WorkspaceListModel& model,
    void (workSpace::*handler)(const QMimeData&, const QPoint&, bool))
{
    list->setAcceptDrops(true);
    list->viewport()->setAcceptDrops(true);
    list->header()->viewport()->setAcceptDrops(true);
    for (QWidget* target : {list->viewport(), list->header()->viewport()}) {
        auto takes = [list, &model](QEvent* e) {
            auto* drag = static_cast<QDropEvent*>(e);
            if (!drag->mimeData() || !model.acceptsDrop(*drag->mimeData())) {
                drag->ignore();
                return true;
            }
            drag->setDropAction(drag->source() == list ? Qt::MoveAction : Qt::CopyAction);
            drag->accept();
            return true;
        };
        onEvent(target, QEvent::DragEnter, takes);
        onEvent(target, QEvent::DragMove, takes);
        onEvent(target, QEvent::Drop, [this, list, target, handler, takes](QEvent* e) {
            auto* drop = static_cast<QDropEvent*>(e);
            takes(e);
            if (!drop->isAccepted())
                return true;
            const QPoint at = list->viewport()->mapFrom(target->window(),
                target->mapTo(target->window(), drop->position().toPoint()));
            (this->*handler)(*drop->mimeData(), at, drop->source() == list);
            return true;
        });
    }
}

void workSpace::Event_Open()
{
    Shell& a = shell();
    setModified(false);
    std::vector<std::string> listed;
    for (size_t i = 0; i < a.workSpaceWin.size(); ++i)
        listed.push_back(a.workSpaceWin[i]->Title());
    const FolderItem file = a.openFolderItem;
    if (!file) {
        workspace_->openUntitled(listed);
        setTitle(workspace_->title());
    } else {
        Workspace::Opened opened = workspace_->openFile(file, listed);
        setTitle(workspace_->title());
        workSpaceItem = workspace_->workSpaceItem();
        if (workSpaceItem) {
            tieToFile(workSpaceItem);
            if (opened.frame)
                applyWorkspaceFrame(*opened.frame);
        }
        if (opened.start)
            takeStart(*opened.start);
    }
    // Opening leaves the workspace unmodified, also after reading and after
    // an automatic start.
    setModified(false);
}

void workSpace::Event_EnableMenuItems()
{
    winclose().setEnabled(true);
    fileSave().setEnabled(true);
    doProofread().setEnabled(!shell().isWorking);
    addDictionary().setEnabled(true);
    addFile().setEnabled(true);
    addFolder().setEnabled(true);
}

bool workSpace::removeSelectedRows(QTreeView* list, WorkspaceListModel& model, const std::string& key)
{
    if (key != std::string(1, '\b'))
        return false;
    try {
        model.removeSelected(selectedRows(list));
        list->selectionModel()->clearSelection();
        list->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        setModified(true);
    } catch (const std::exception&) {
        // The removal stops where it failed; the rows removed stay removed.
    }
    return false;
}

bool workSpace::dicListBox_KeyDown(const std::string& key)
{
    return removeSelectedRows(dicListBox_, workspace_->dicList(), key);
}

bool workSpace::fileListBox_KeyDown(const std::string& key)
{
    removeSelectedRows(fileListBox_, workspace_->fileList(), key);
    fileListBox_Change();
    return false;
}

void workSpace::dropOnList(QTreeView* list, WorkspaceListModel& model, const QMimeData& data,
    const QPoint& position, bool fromThisList)
{
    const int row = dropRow(position.y(), geometryOf(list));
    const WorkspaceListModel::DropOutcome outcome = model.drop(data, row, fromThisList, selectedRows(list), shell());
    if (outcome.accepted)
        setModified(true);
}

void workSpace::dicListBox_DropObject(const QMimeData& data, const QPoint& position, bool fromThisList)
{
    dropOnList(dicListBox_, workspace_->dicList(), data, position, fromThisList);
}

void workSpace::fileListBox_DropObject(const QMimeData& data, const QPoint& position, bool fromThisList)
{
    dropOnList(fileListBox_, workspace_->fileList(), data, position, fromThisList);
    fileListBox_Change();
}

void workSpace::fileListBox_Change()
{
    const std::vector<int> rows = selectedRows(fileListBox_);
    QString tag;
    if (!rows.empty() && rows.front() < workspace_->fileList().count())
        tag = QFile::decodeName(QByteArray::fromStdString(workspace_->fileList().row(rows.front()).path));
    fileListBox_->setToolTip(tag);
    fileListBox_->viewport()->setToolTip(tag);
}

void workSpace::doProofButton_Action()
{
    doProof();
}

void workSpace::addFileButton_Action()
{
    addFileToList();
}

void workSpace::addFolderButton_Action()
{
    addFolderToList();
}

void workSpace::addDictButton_Action()
{
    addDicToList();
}

bool workSpace::_winclose_Action()
{
    Close();
    return false;
}

bool workSpace::_addFile_Action()
{
    addFileToList();
    return false;
}

bool workSpace::_addFolder_Action()
{
    addFolderToList();
    return false;
}

bool workSpace::_addDictionary_Action()
{
    addDicToList();
    return false;
}

bool workSpace::_fileSave_Action()
{
    saveCommand();
    return false;
}

bool workSpace::_doProofread_Action()
{
    doProof();
    return false;
}

void workSpace::addFileToList()
{
    if (workspace_->addFileToList())
        setModified(true);
}

void workSpace::addFolderToList()
{
    if (workspace_->addFolderToList())
        setModified(true);
}

void workSpace::addDicToList()
{
    if (workspace_->addDicToList())
        setModified(true);
}

bool workSpace::doWorkSave()
{
    if (!workspace_->save(workspaceFrame()))
        return false;
    // The file and the title change only with a save that went through.
    workSpaceItem = workspace_->workSpaceItem();
    setTitle(workspace_->title());
    return true;
}

void workSpace::doProof()
{
    takeStart(workspace_->doProof());
}

void workSpace::takeStart(const PassStart& start)
{
    lastStart_ = start;
    shell().EnableMenuItems();
}

FrameBounds workSpace::workspaceFrame() const
{
    return contentFrame();
}

void workSpace::applyWorkspaceFrame(const FrameBounds& frame)
{
    applyContentFrame(frame, designSize());
}

void registerWorkspaceWindow()
{
    registerWindowFactory("workSpace", [] { return openWindow<workSpace>(); });
}

} // namespace tv
