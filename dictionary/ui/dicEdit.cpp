#include "dictionary/ui/dicEdit.h"

#include "app/ui/App.h"
#include "app/ui/MenuItems.h"
#include "app/ui/SharedDialogs.h"
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

dicEdit::dicEdit() : Window("dicEdit")
{
    App& a = app();
    auto* window = new QMainWindow;
    window->resize(573, 502);
    a.MenuBar().attachTo(window->menuBar());
    auto* content = new QWidget(window);
    window->setCentralWidget(content);
    buildControls(content, editorControls());
    setWidget(window);
    const std::pair<const char*, int> fields[] = {{"findField", 1}, {"repField", 2}, {"guideField", 7}};
    for (const auto& [name, code] : fields)
        trackFocus(control(name), code, &a.editFieldNo, [] { app().EnableMenuItems(); });
    bindMenuHandler("winclose", [this](int) { return _winclose_Action(); });
    bindMenuHandler("fileSave", [this](int) { return _fileSave_Action(); });
    bindMenuHandler("selectAllMenu", [this](int) { return _selectAllMenu_Action(); });
    Event_Open();
    Show();
}

void dicEdit::Event_Open()
{
    App& a = app();
    editDic = a.editDic;
    a.editFieldNo = 0;
    a.SetWindowModified(*this, false);
    FolderItem file = a.dictionaryFolder().Child(editDic);
    if (file && file.Exists()) {
        setTitle(file.DisplayName());
        a.DocumentFile(*this, file);
    }
}

void dicEdit::Event_Close()
{
    App& a = app();
    editDic.clear();
    if (QWidget* w = widget()) {
        QRect g = w->geometry();
        a.prefDicWinPos = Str(int64_t(g.x())) + "," + Str(int64_t(g.y())) + "," + Str(int64_t(g.width())) + ","
            + Str(int64_t(g.height()));
    }
    a.EnableMenuItems();
}

bool dicEdit::Event_CancelClose()
{
    return cancelCloseForChanges(*this, [this] { return doDicSave(); });
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
    // The mark goes only with a save that went through.
    if (doDicSave())
        app().SetWindowModified(*this, false);
    return true;
}

bool dicEdit::_selectAllMenu_Action()
{
    const char* name = nullptr;
    switch (app().editFieldNo) {
    case 1: name = "findField"; break;
    case 2: name = "repField"; break;
    case 7: name = "guideField"; break;
    default: return true;
    }
    if (auto* field = controlAs<QLineEdit>(name))
        field->selectAll();
    return true;
}

bool dicEdit::doDicSave()
{
    // This form holds no rules of its own, so there is nothing to write.
    return true;
}

} // namespace tv
