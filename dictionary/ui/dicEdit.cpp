#include "dictionary/ui/dicEdit.h"

#include "app/ui/MenuItems.h"
#include "app/ui/Shell.h"
#include "platform/core/Text.h"
#include "platform/ui/Controls.h"
#include "platform/ui/FocusTracker.h"

#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>

namespace tv {

namespace {

const std::vector<ControlSpec>& editorControls()
{
    static const std::vector<ControlSpec> table = {
        {.kind = ControlKind::TextField, .name = "findField", .left = 20, .top = 20, .width = 533, .height = 22},
        {.kind = ControlKind::TextField, .name = "repField", .left = 20, .top = 50, .width = 533, .height = 22},
        {.kind = ControlKind::TextField, .name = "guideField", .left = 20, .top = 80, .width = 533, .height = 22},
    };
    return table;
}

} // namespace

dicEdit::dicEdit() : DictionaryEditorWindow("dicEdit")
{
    Shell& a = shell();
    auto* window = new QMainWindow;
    window->resize(573, 502);
    a.MenuBar().attachTo(window->menuBar());
    auto* content = new QWidget(window);
    window->setCentralWidget(content);
    buildControls(content, editorControls());
    findField_ = bindControl<QLineEdit>(content, "findField");
    repField_ = bindControl<QLineEdit>(content, "repField");
    guideField_ = bindControl<QLineEdit>(content, "guideField");
    setWidget(window);
    const std::pair<QLineEdit*, int> fields[] = {{findField_, 1}, {repField_, 2}, {guideField_, 7}};
    for (const auto& [field, code] : fields)
        trackFocus(field, code, &a.editFieldNo, [] { shell().EnableMenuItems(); });
    bindMenuHandler("winclose", [this](int) { return _winclose_Action(); });
    bindMenuHandler("fileSave", [this](int) { return _fileSave_Action(); });
    bindMenuHandler("selectAllMenu", [this](int) { return _selectAllMenu_Action(); });
    Event_Open();
    Show();
}

void dicEdit::Event_Open()
{
    Shell& a = shell();
    editDic = a.editDic;
    a.editFieldNo = 0;
    setModified(false);
    FolderItem file = a.dictionaryFolder().Child(editDic);
    if (file && file.Exists()) {
        setTitle(file.DisplayName());
        tieToFile(file);
    }
}

void dicEdit::Event_Close()
{
    Shell& a = shell();
    editDic.clear();
    if (QWidget* w = widget()) {
        QRect g = w->geometry();
        a.prefDicWinPos = Str(int64_t(g.x())) + "," + Str(int64_t(g.y())) + "," + Str(int64_t(g.width())) + ","
            + Str(int64_t(g.height()));
    }
    a.EnableMenuItems();
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
    QLineEdit* field = nullptr;
    switch (shell().editFieldNo) {
    case 1: field = findField_; break;
    case 2: field = repField_; break;
    case 7: field = guideField_; break;
    default: return true;
    }
    if (field)
        field->selectAll();
    return true;
}

bool dicEdit::doDicSave()
{
    // This form holds no rules of its own, so there is nothing to write.
    return true;
}

void registerDictionaryEditor()
{
    registerWindowFactory("dicEdit", [] { return openWindow<dicEdit>(); });
}

} // namespace tv
