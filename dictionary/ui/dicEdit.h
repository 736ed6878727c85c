#pragma once
// The dictionary editor window: one window per dictionary name. The rules are
// the rows of the list dictList (a view over RuleListModel, which holds the
// stored bytes); the three fields and the eight option boxes above it edit
// the selected rule. Rules are reordered by dragging within the list and
// copied by dragging to another editor's list.

#include "app/ui/DocumentWindow.h"
#include "dictionary/core/RuleFields.h"

#include <QPointer>
#include <QTableView>

#include <array>
#include <functional>
#include <string>

class QCheckBox;
class QMimeData;
class QPlainTextEdit;
class QPushButton;

namespace tv {

class RuleListModel;

// The rule list: single selection by rows, no built-in reordering, drops of
// the "word" payload alone, carried out once by the window.
class RuleListView : public QTableView {
public:
    explicit RuleListView(QWidget* parent = nullptr);

    // The window's handlers. keyDown answers whether it used the key.
    std::function<bool(QKeyEvent*)> keyDown;
    std::function<void(QPointF windowPos)> doubleClick;
    // The drop: the data, the row the rules go before, whether the drag
    // started in this very list.
    std::function<void(const QMimeData*, int row, bool fromThisList)> dropObject;
    // The drag's payload for the rows the drag carries.
    std::function<std::string(int startRow)> dragPayload;

    // The data of a drag starting on the row: the payload under its own type
    // alone. This list knows the data as its own when it is dropped back.
    QMimeData* dragData(int startRow);
    // The row before which a drop at y (viewport coordinates) inserts.
    int dropRowAt(int y) const;

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool isOwnDrag(const QDropEvent* event) const;

    int pressedRow_ = -1;
    QPointer<QMimeData> ownDrag_;
};

class dicEdit : public DictionaryEditorWindow {
public:
    // Makes the window, which opens on App.editDic and shows itself.
    dicEdit();
    ~dicEdit() override;

    // The row whose cells were made editable in place last, -1 for none.
    int lastInlineCell = -1;

    // --- The rule fields and the add button.
    void findField_GotFocus() { field_GotFocus(0); }
    void repField_GotFocus() { field_GotFocus(1); }
    void guideField_GotFocus() { field_GotFocus(2); }
    void findField_TextChange() { field_TextChange(0); }
    void repField_TextChange() { field_TextChange(1); }
    void guideField_TextChange() { field_TextChange(2); }
    void findField_LostFocus() { field_LostFocus(0); }
    void repField_LostFocus() { field_LostFocus(1); }
    void guideField_LostFocus() { field_LostFocus(2); }
    bool findField_KeyDown(QKeyEvent* key) { return field_KeyDown(0, key); }
    bool repField_KeyDown(QKeyEvent* key) { return field_KeyDown(1, key); }
    bool guideField_KeyDown(QKeyEvent* key) { return field_KeyDown(2, key); }
    void AddButton_Action();

    // --- The rule list.
    void dictList_Change();
    bool dictList_KeyDown(QKeyEvent* key);
    void dictList_DoubleClick(QPointF windowPos);
    void dictList_CellAction(int row, int column);
    std::string dictList_DragRow(int startRow);
    void dictList_DropObject(const QMimeData* data, int row, bool fromThisList);

    // --- The option boxes, one per position of the options.
    void isGrepCheck_Action() { optionBox_Action(1); }
    void isRepListCheck_Action() { optionBox_Action(2); }
    void isConfirmCheck_Action() { optionBox_Action(3); }
    void isScriptCheck_Action() { optionBox_Action(4); }
    void isCaseSensitive_Action() { optionBox_Action(5); }
    void isGreedy_Action() { optionBox_Action(6); }
    void isDotMatchAll_Action() { optionBox_Action(7); }
    void isMatchEmpty_Action() { optionBox_Action(8); }

    // --- The window.
    void Event_Open();
    void Event_Close() override;
    void Event_EnableMenuItems() override;
    bool _winclose_Action();
    bool _fileSave_Action();
    bool _selectAllMenu_Action();

    // Writes the whole list to the dictionary file; true when it has been
    // saved. A failure is told to the user and leaves the file as it was.
    virtual bool doDicSave();

    // The selected row (ListIndex), -1 for none. Setting it selects that row
    // alone (or none) and always loads the fields and boxes, also when the
    // row was selected already.
    int listIndex() const;
    void setListIndex(int row);

    RuleListModel& rules() { return *model_; }

protected:
    bool saveDocument() override { return doDicSave(); }

private:
    void field_GotFocus(int field);
    void field_TextChange(int field);
    void field_LostFocus(int field);
    bool field_KeyDown(int field, QKeyEvent* key);
    void optionBox_Action(int position);
    void readDictionary(const FolderItem& file);
    void layoutWindow();

    RuleListModel* model_ = nullptr;
    QPointer<QWidget> content_;
    std::array<QPointer<QPlainTextEdit>, 3> fields_;
    std::array<QPointer<QCheckBox>, 8> boxes_;
    QPointer<QPushButton> addButton_;
    QPointer<RuleListView> dictList_;
    // The editor itself is putting a rule into the fields.
    bool loading_ = false;
    // setListIndex loads once, whatever the selection model signals meanwhile.
    bool settingIndex_ = false;
    // The editor is going: the last events of its widgets find nothing to do.
    bool gone_ = false;
};

// Lets the shell open dictionary editors (class "dicEdit").
void registerDictionaryEditor();

} // namespace tv
