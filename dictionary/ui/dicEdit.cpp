#include "dictionary/ui/dicEdit.h"

#include "app/ui/MenuItems.h"
#include "app/ui/SharedDialogs.h"
#include "app/ui/Shell.h"
#include "dictionary/core/DictionaryFile.h"
#include "dictionary/core/EditorFrame.h"
#include "dictionary/core/OptionBoxes.h"
#include "dictionary/core/RuleDrag.h"
#include "dictionary/core/RuleListModel.h"
#include "platform/core/Dispatch.h"
#include "platform/core/Errors.h"
#include "platform/core/Services.h"
#include "platform/core/Text.h"
#include "platform/ui/Controls.h"
#include "platform/ui/FocusTracker.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTextCursor>

namespace tv {

namespace {

constexpr const char* kFieldFont = "Osaka,Noto Sans CJK JP,IPAGothic,Sans Serif";
constexpr const char* kLabelFont = "ヒラギノ角ゴ Pro W6,Noto Sans CJK JP,IPAGothic,Sans Serif";
constexpr const char* kButtonFont = "Lucida Grande,DejaVu Sans,Sans Serif";

QWidget* makeRuleList(QWidget* parent)
{
    return new RuleListView(parent);
}

ControlSpec box(const char* name, const char* text, int left, int top, const char* helpTag)
{
    return {.kind = ControlKind::CheckBox, .name = name, .text = text, .left = left, .top = top, .width = 125,
            .height = 20, .family = kButtonFont, .pixelSize = 12, .helpTag = helpTag, .focusOnClick = false};
}

ControlSpec label(const char* name, const char* text, int top)
{
    return {.kind = ControlKind::Label, .name = name, .text = text, .left = 13, .top = top, .width = 82,
            .height = 20, .family = kLabelFont, .pixelSize = 12, .anchor = 0};
}

const std::vector<ControlSpec>& editorControls()
{
    static const std::vector<ControlSpec> table = [] {
        std::vector<ControlSpec> t = {
            {.kind = ControlKind::TextArea, .name = "findField", .left = 101, .top = 12, .width = 456, .height = 50,
             .family = kFieldFont, .pixelSize = 12, .helpTag = "検索文字列を入力します。",
             .anchor = AnchorLeft | AnchorTop | AnchorRight},
            {.kind = ControlKind::TextArea, .name = "repField", .left = 101, .top = 75, .width = 456, .height = 50,
             .family = kFieldFont, .pixelSize = 12, .helpTag = "置換文字列を入力します。",
             .anchor = AnchorLeft | AnchorTop | AnchorRight},
            {.kind = ControlKind::TextArea, .name = "guideField", .left = 101, .top = 138, .width = 456, .height = 23,
             .family = kFieldFont, .pixelSize = 12, .helpTag = "校正時に参照する注釈を入力します。",
             .anchor = AnchorLeft | AnchorTop | AnchorRight},
            {.kind = ControlKind::PushButton, .name = "AddButton", .text = "新規", .left = 10, .top = 40, .width = 79,
             .height = 20, .family = kButtonFont, .pixelSize = 13,
             .helpTag = "新しい検索文字列・置換文字列をリストに追加します。", .focusOnClick = false},
            label("StaticText1", "検索文字列：", 15),
            label("StaticText2", "置換文字列：", 78),
            {.kind = ControlKind::Custom, .name = "dictList", .left = 0, .top = 251, .width = 573, .height = 237,
             .family = kFieldFont, .pixelSize = 12, .anchor = AnchorAll, .make = makeRuleList},
            box("isGrepCheck", "正規表現を使用", 39, 219, "正規表現を利用するときはここにチェックを入れます。"),
            box("isRepListCheck", "置換候補から選択", 170, 195, nullptr),
            box("isConfirmCheck", "確認しながら置換", 301, 195, "対話形式で置換するときはここにチェックを入れます。"),
            box("isScriptCheck", "スクリプトを実行", 432, 195,
                "置換するときにスクリプトを実行するにはここにチェックを入れます。"),
            label("StaticText3", "　コメント：", 141),
            box("isCaseSensitive", "英大小文字を区別", 39, 195,
                "検索時に英大文字・小文字を区別するときはここにチェックを入れます。"),
            box("isGreedy", "貪欲な最長マッチ", 170, 219,
                "正規表現で、なるべく長いマッチングを行うときはここにチェックを入れます。"),
            box("isDotMatchAll", "改行を . にマッチ", 301, 219,
                "正規表現で、. を改行にもマッチさせるときはここにチェックを入れます。"),
            box("isMatchEmpty", "空文字列にマッチ", 432, 219,
                "正規表現で、空文字列にもマッチさせるときはここにチェックを入れます。"),
            label("StaticText4", "オプション：", 175),
        };
        for (ControlSpec& c : t) {
            if (c.kind == ControlKind::CheckBox || c.kind == ControlKind::PushButton)
                c.anchor = 0;
        }
        return t;
    }();
    return table;
}

// Even rows tinted by their number, and the line between the two columns.
class RuleRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (isTintedRow(index.row()))
            painter->fillRect(option.rect, QColor::fromRgb(rowTintRgb));
        QStyledItemDelegate::paint(painter, option, index);
        if (index.column() == SearchColumn) {
            painter->save();
            painter->setPen(QColor::fromRgb(columnLineRgb));
            const int x = option.rect.right();
            painter->drawLine(x, option.rect.top(), x, option.rect.bottom());
            painter->restore();
        }
    }
};

// Sets a flag for the length of a scope, whatever leaves it.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag), before_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = before_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool before_;
};

bool isReturnKey(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

// Handlers that stop where an exception arose and return as if done.
template <class F>
void quietly(F&& f)
{
    try {
        f();
    } catch (const std::exception&) {
    }
}

} // namespace

// ---- The rule list

RuleListView::RuleListView(QWidget* parent) : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // A double-click only makes a cell editable; the editor opens on the
    // editable cell once it becomes current (a click) or by the edit key.
    setEditTriggers(QAbstractItemView::CurrentChanged | QAbstractItemView::EditKeyPressed);
    setShowGrid(false);
    setWordWrap(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setSortIndicatorShown(false);
    horizontalHeader()->setHighlightSections(false);
    setItemDelegate(new RuleRowDelegate(this));
    // Drags start here and carry the payload alone; drops are carried out by
    // the window, once, at the row under the pointer.
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDragDropOverwriteMode(false);
    setDropIndicatorShown(false);
    setDefaultDropAction(Qt::MoveAction);
}

QMimeData* RuleListView::dragData(int startRow)
{
    QMimeData* payload = makeWordMimeData(dragPayload ? dragPayload(startRow) : std::string());
    ownDrag_ = payload;
    return payload;
}

int RuleListView::dropRowAt(int y) const
{
    const int count = model() ? model()->rowCount() : 0;
    std::vector<RowSpan> spans;
    const int first = rowAt(0);
    if (first >= 0) {
        const int bottom = viewport()->height();
        for (int r = first; r < count; ++r) {
            const int top = rowViewportPosition(r);
            if (top >= bottom)
                break;
            spans.push_back({r, top, rowHeight(r)});
        }
    }
    return dropRow(y, count, spans);
}

void RuleListView::startDrag(Qt::DropActions)
{
    const int row = pressedRow_ >= 0 ? pressedRow_ : currentIndex().row();
    auto* drag = new QDrag(this);
    drag->setMimeData(dragData(row));
    // A move removes the dragged rows in the drop itself; what the drag
    // reports afterwards changes nothing.
    drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
}

void RuleListView::dragEnterEvent(QDragEnterEvent* event)
{
    if (wordPayload(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void RuleListView::dragMoveEvent(QDragMoveEvent* event)
{
    // The base scrolls the list near its edges.
    QTableView::dragMoveEvent(event);
    if (wordPayload(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void RuleListView::dropEvent(QDropEvent* event)
{
    if (!wordPayload(event->mimeData())) {
        event->ignore();
        return;
    }
    const int row = dropRowAt(int(event->position().y()));
    const bool fromThisList = isOwnDrag(event);
    event->acceptProposedAction();
    if (dropObject)
        guarded([&] { dropObject(event->mimeData(), row, fromThisList); });
}

bool RuleListView::isOwnDrag(const QDropEvent* event) const
{
    if (event->source())
        return event->source() == this;
    return ownDrag_ && event->mimeData() == ownDrag_.data();
}

void RuleListView::keyPressEvent(QKeyEvent* event)
{
    if (state() != QAbstractItemView::EditingState && keyDown && keyDown(event)) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void RuleListView::mousePressEvent(QMouseEvent* event)
{
    pressedRow_ = indexAt(event->position().toPoint()).row();
    QTableView::mousePressEvent(event);
}

void RuleListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Qt's own double-click handling (its edit trigger) stays out.
    if (event->button() != Qt::LeftButton || !doubleClick)
        return;
    const QPointF inWindow = viewport()->mapTo(parentWidget(), event->position());
    guarded([&] { doubleClick(inWindow); });
}

// ---- The window

dicEdit::dicEdit() : DictionaryEditorWindow("dicEdit")
{
    Shell& a = shell();
    auto* window = new QMainWindow;
    a.MenuBar().attachTo(window->menuBar());
    auto* content = new QWidget(window);
    content_ = content;
    window->setCentralWidget(content);
    buildControls(content, editorControls());
    const std::string_view fieldNames[3] = {"findField", "repField", "guideField"};
    for (int i = 0; i < 3; ++i)
        fields_[size_t(i)] = bindControl<QPlainTextEdit>(content, fieldNames[i].data());
    for (int p = 1; p <= optionBoxCount; ++p)
        boxes_[size_t(p - 1)] = bindControl<QCheckBox>(content, optionBoxNames[size_t(p - 1)].data());
    addButton_ = bindControl<QPushButton>(content, "AddButton");
    dictList_ = static_cast<RuleListView*>(bindControl<QTableView>(content, "dictList"));

    // The window's size is its content's; the menu bar stands above it.
    const int menuHeight = window->menuBar()->isNativeMenuBar() ? 0 : window->menuBar()->sizeHint().height();
    content->setMinimumSize(editorMinimumSize);
    window->setMinimumSize(editorMinimumSize.width(), editorMinimumSize.height() + menuHeight);
    window->setMaximumSize(32000, 32000);
    window->resize(editorDefaultSize.width(), editorDefaultSize.height() + menuHeight);
    onEvent(content, QEvent::Resize, [this](QEvent*) {
        layoutWindow();
        return false;
    });

    for (int i = 0; i < 3; ++i) {
        QPlainTextEdit* field = fields_[size_t(i)];
        field->setTabChangesFocus(true);
        field->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        field->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        field->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        field->setEnabled(false);
        connect(field, &QPlainTextEdit::textChanged, this, [this, i] { field_TextChange(i); });
        onEvent(field, QEvent::KeyPress, [this, i](QEvent* e) { return field_KeyDown(i, static_cast<QKeyEvent*>(e)); });
        const int code = ruleFields[size_t(i)].focusCode;
        trackFocus(field, code, &a.editFieldNo, [this, i, code] {
            if (shell().editFieldNo == code)
                field_GotFocus(i);
            else
                field_LostFocus(i);
        });
    }
    for (int p = 1; p <= optionBoxCount; ++p) {
        QCheckBox* b = boxes_[size_t(p - 1)];
        b->setEnabled(false);
        connect(b, &QCheckBox::toggled, this, [this, p] { guarded([&] { optionBox_Action(p); }); });
    }
    connect(addButton_, &QPushButton::clicked, this, [this] { guarded([this] { AddButton_Action(); }); });

    model_ = new RuleListModel(this);
    dictList_->setModel(model_);
    dictList_->setColumnHidden(OptionsColumn, true);
    dictList_->setColumnHidden(CommentColumn, true);
    dictList_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    connect(dictList_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!settingIndex_)
            dictList_Change();
    });
    connect(model_, &RuleListModel::cellEdited, this, [this](int row, int column) { dictList_CellAction(row, column); });
    dictList_->keyDown = [this](QKeyEvent* key) { return dictList_KeyDown(key); };
    dictList_->doubleClick = [this](QPointF pos) { dictList_DoubleClick(pos); };
    dictList_->dragPayload = [this](int row) { return dictList_DragRow(row); };
    dictList_->dropObject = [this](const QMimeData* data, int row, bool fromThisList) {
        dictList_DropObject(data, row, fromThisList);
    };

    setWidget(window);
    bindMenuHandler("winclose", [this](int) { return _winclose_Action(); });
    bindMenuHandler("fileSave", [this](int) { return _fileSave_Action(); });
    bindMenuHandler("selectAllMenu", [this](int) { return _selectAllMenu_Action(); });
    Event_Open();
    Show();
}

dicEdit::~dicEdit()
{
    gone_ = true;
    // A window dropped while open: its widgets go while this editor's parts
    // still exist, and without the window's own closing steps.
    if (QWidget* w = widget(); w && QCoreApplication::instance()) {
        w->removeEventFilter(this);
        disconnect(w, nullptr, this, nullptr);
        delete w;
    }
}

void dicEdit::layoutWindow()
{
    if (content_)
        layoutControls(content_, editorControls(), editorDefaultSize);
}

// ---- Rule fields

void dicEdit::field_GotFocus(int)
{
    if (gone_)
        return;
    shell().EnableMenuItems();
}

void dicEdit::field_TextChange(int field)
{
    if (gone_)
        return;
    // Loading a rule into the fields is no edit.
    if (loading_)
        return;
    quietly([&] {
        const int row = listIndex();
        if (row >= 0)
            model_->setCell(row, ruleFields[size_t(field)].column,
                            storedFieldText(fields_[size_t(field)]->toPlainText()));
        setModified(true);
    });
}

void dicEdit::field_LostFocus(int field)
{
    if (gone_)
        return;
    QPlainTextEdit* f = fields_[size_t(field)];
    if (!f || !model_)
        return;
    const int row = listIndex();
    if (row >= 0)
        model_->setCell(row, ruleFields[size_t(field)].column, storedFieldText(f->toPlainText()));
    QTextCursor c = f->textCursor();
    if (c.hasSelection()) {
        c.setPosition(c.selectionStart());
        f->setTextCursor(c);
    }
    shell().EnableMenuItems();
}

bool dicEdit::field_KeyDown(int field, QKeyEvent* key)
{
    if (!isReturnKey(key))
        return false;
    const std::string_view next = ruleFields[size_t(field)].returnFocus;
    for (size_t i = 0; i < fields_.size(); ++i) {
        if (!next.empty() && ruleFields[i].name == next && fields_[i])
            fields_[i]->setFocus(Qt::TabFocusReason);
    }
    return true;
}

void dicEdit::AddButton_Action()
{
    const int row = model_->appendRule(newDictionaryRule());
    setListIndex(row);
    setModified(true);
    fields_[0]->setFocus(Qt::OtherFocusReason);
}

// ---- The rule list

int dicEdit::listIndex() const
{
    if (!dictList_ || !dictList_->selectionModel())
        return -1;
    const QModelIndexList rows = dictList_->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void dicEdit::setListIndex(int row)
{
    QItemSelectionModel* s = dictList_->selectionModel();
    {
        const FlagScope setting(settingIndex_);
        if (row >= 0 && row < model_->ruleCount()) {
            // The current cell keeps its column within the row, so that the
            // end of an in-place edit does not move it (which would commit
            // the edit again).
            const QModelIndex current = s->currentIndex();
            const int column = current.isValid() && current.row() == row ? current.column() : SearchColumn;
            s->setCurrentIndex(model_->index(row, column),
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        } else {
            s->clearSelection();
            s->clearCurrentIndex();
        }
    }
    dictList_Change();
}

void dicEdit::dictList_Change()
{
    if (gone_)
        return;
    quietly([&] {
        const int row = listIndex();
        std::array<bool, optionBoxCount> before{};
        for (int i = 0; i < optionBoxCount; ++i)
            before[size_t(i)] = boxes_[size_t(i)]->isChecked();
        if (row < 0) {
            const OptionBoxStates cleared = clearedOptionBoxes();
            for (int i = 0; i < optionBoxCount; ++i) {
                const QSignalBlocker block(boxes_[size_t(i)]);
                boxes_[size_t(i)]->setChecked(cleared.ticked[size_t(i)]);
                boxes_[size_t(i)]->setEnabled(cleared.enabled[size_t(i)]);
            }
            const FlagScope loading(loading_);
            for (auto& f : fields_) {
                f->clear();
                f->setEnabled(false);
            }
            return;
        }
        const OptionBoxLoad load = loadOptionBoxes(model_->cell(row, OptionsColumn), before);
        for (int i = 0; i < optionBoxCount; ++i) {
            const QSignalBlocker block(boxes_[size_t(i)]);
            boxes_[size_t(i)]->setChecked(load.boxes.ticked[size_t(i)]);
            boxes_[size_t(i)]->setEnabled(load.boxes.enabled[size_t(i)]);
        }
        if (load.stored)
            model_->setCell(row, OptionsColumn, *load.stored);
        if (load.marksModified)
            setModified(true);
        const FlagScope loading(loading_);
        for (size_t i = 0; i < fields_.size(); ++i) {
            fields_[i]->setPlainText(shownFieldText(model_->cell(row, ruleFields[i].column)));
            fields_[i]->setEnabled(true);
        }
    });
}

bool dicEdit::dictList_KeyDown(QKeyEvent* key)
{
    bool used = false;
    quietly([&] {
        if (isReturnKey(key)) {
            fields_[0]->setFocus(Qt::TabFocusReason);
            used = true;
        } else if (key->key() == Qt::Key_Backspace) {
            const int row = listIndex();
            if (row >= 0) {
                const FlagScope setting(settingIndex_);
                model_->removeRules(row, 1);
            }
            setListIndex(-1);
            setModified(true);
            used = true;
        } else if (key->key() == Qt::Key_Delete) {
            // Forward delete removes nothing.
            used = true;
        }
    });
    return used;
}

void dicEdit::dictList_DoubleClick(QPointF windowPos)
{
    quietly([&] {
        lastInlineCell = makeCellEditableAt(*model_, lastInlineCell, listIndex(), windowPos.x(),
                                            double(dictList_->width()));
        setListIndex(-1);
    });
}

void dicEdit::dictList_CellAction(int row, int)
{
    quietly([&] {
        model_->setRowNormal(row);
        setListIndex(row);
        setModified(true);
    });
}

std::string dicEdit::dictList_DragRow(int startRow)
{
    const int selected = listIndex();
    std::vector<int> selectedRows;
    if (selected >= 0)
        selectedRows.push_back(selected);
    std::vector<DictionaryRule> dragged;
    for (int r : dragRows(startRow, selectedRows)) {
        if (r >= 0 && r < model_->ruleCount())
            dragged.push_back(model_->rule(r));
    }
    return encodeWordPayload(Title(), dragged);
}

void dicEdit::dictList_DropObject(const QMimeData* data, int row, bool fromThisList)
{
    const int selected = listIndex();
    std::vector<int> selectedRows;
    if (selected >= 0)
        selectedRows.push_back(selected);
    const DropPlan plan = planDrop(wordPayload(data), row, fromThisList, selectedRows);
    if (!plan.accepted)
        return;
    {
        const FlagScope setting(settingIndex_);
        applyDrop(*model_, plan);
    }
    if (!plan.removeRows.empty())
        setListIndex(-1);
    setModified(true);
}

// ---- Option boxes

void dicEdit::optionBox_Action(int position)
{
    if (gone_)
        return;
    const int row = listIndex();
    std::string options;
    std::optional<std::string_view> current;
    if (row >= 0) {
        options = model_->cell(row, OptionsColumn);
        current = options;
    }
    const OptionBoxChange change = optionBoxChanged(current, position, boxes_[size_t(position - 1)]->isChecked());
    if (change.regexBoxesEnabled) {
        for (int p = 6; p <= 8; ++p)
            boxes_[size_t(p - 1)]->setEnabled(*change.regexBoxesEnabled);
    }
    if (change.stored)
        model_->setCell(row, OptionsColumn, *change.stored);
    if (change.marksModified)
        setModified(true);
}

// ---- The window

void dicEdit::Event_Open()
{
    Shell& a = shell();
    a.editFieldNo = 0;
    lastInlineCell = -1;
    setModified(false);
    editDic = a.editDic;
    QFont font = dictList_->font();
    if (!a.fontName[0].empty())
        font.setFamily(QString::fromStdString(a.fontName[0]));
    if (a.fontSize[0] > 0)
        font.setPixelSize(a.fontSize[0]);
    dictList_->setFont(font);
    const FolderItem folder = a.dictionaryFolder();
    const FolderItem file = folder ? folder.Child(editDic) : FolderItem();
    if (!file || !file.Exists())
        return;
    setTitle("辞書 \"" + editDic + "\" の編集");
    tieToFile(file);
    readDictionary(file);
}

void dicEdit::readDictionary(const FolderItem& file)
{
    EditorDictionary dictionary;
    try {
        dictionary = readDictionaryFile(file);
    } catch (const RuntimeException& e) {
        services().openInformativeMessageBox("辞書を読み込めませんでした。", e.what(), {});
        return;
    }
    model_->setRules(std::move(dictionary.rules));
    if (dictionary.frame) {
        // A frame smaller than the window's minimum still places it (at the
        // minimum size); one without a size or off every screen shows the
        // minimum size on the primary screen.
        QList<QRect> screens;
        for (QScreen* screen : QGuiApplication::screens())
            screens.push_back(screen->availableGeometry());
        if (isPlaceableFrame(*dictionary.frame, screens))
            placeContent(geometryOfFrame(*dictionary.frame));
        else
            applyContentFrame(FrameBounds {}, editorMinimumSize);
    }
    if (dictionary.malformedLines > 0) {
        notifySheet& notice = notifySheet::instance();
        notice.setNotifyMsg("辞書のフォーマットが不正です。");
        notice.setNotifySum("");
    }
}

bool dicEdit::doDicSave()
{
    Shell& a = shell();
    const FolderItem folder = a.dictionaryFolder();
    const FolderItem file = folder && !editDic.empty() ? folder.Child(editDic) : FolderItem();
    const FrameBounds content = contentFrame();
    const DictionaryFrame frame {content.Left, content.Top, content.Width, content.Height};
    const DictionarySaveResult saved = saveDictionaryFile(file, frame, model_->rules());
    if (!saved) {
        services().openInformativeMessageBox("辞書 \"" + editDic + "\" を保存できませんでした。", saved.error, {});
        return false;
    }
    return true;
}

void dicEdit::Event_Close()
{
    Shell& a = shell();
    if (widget()) {
        const FrameBounds g = contentFrame();
        a.prefDicWinPos = Str(int64_t(g.Left)) + "," + Str(int64_t(g.Top)) + "," + Str(int64_t(g.Width)) + ","
            + Str(int64_t(g.Height));
    }
    a.EnableMenuItems();
    editDic.clear();
}

void dicEdit::Event_EnableMenuItems()
{
    winclose().setEnabled(true);
    fileSave().setEnabled(true);
}

bool dicEdit::_winclose_Action()
{
    Close();
    return true;
}

bool dicEdit::_fileSave_Action()
{
    saveCommand();
    return true;
}

bool dicEdit::_selectAllMenu_Action()
{
    const std::optional<RuleField> field = ruleFieldForCode(shell().editFieldNo);
    if (!field)
        return true;
    for (size_t i = 0; i < ruleFields.size(); ++i) {
        if (ruleFields[i].name == field->name && fields_[i])
            fields_[i]->selectAll();
    }
    return true;
}

void registerDictionaryEditor()
{
    registerWindowFactory("dicEdit", [] { return openWindow<dicEdit>(); });
}

} // namespace tv
