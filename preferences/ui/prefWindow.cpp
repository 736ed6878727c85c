#include "preferences/ui/prefWindow.h"

#include "app/ui/App.h"
#include "app/ui/Pictures.h"
#include "platform/core/Text.h"
#include "platform/ui/Controls.h"
#include "platform/ui/FocusTracker.h"

#include <QAction>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QToolBar>

namespace tv {

namespace {

const std::vector<ControlSpec>& fieldControls()
{
    static const std::vector<ControlSpec> table = {
        {.kind = ControlKind::TextField, .name = "typeField", .left = 20, .top = 20, .width = 400, .height = 22},
        {.kind = ControlKind::TextField, .name = "extensionField", .left = 20, .top = 50, .width = 400, .height = 22},
        {.kind = ControlKind::TextField, .name = "appendField", .left = 20, .top = 80, .width = 400, .height = 22},
        {.kind = ControlKind::TextField, .name = "creatorField", .left = 20, .top = 110, .width = 400, .height = 22},
    };
    return table;
}

} // namespace

prefWindow::prefWindow() : Window("prefWindow")
{
    App& a = app();
    auto* window = new QMainWindow;
    window->setWindowTitle(QStringLiteral("環境設定"));
    window->resize(460, 200);
    a.MenuBar().attachTo(window->menuBar());
    auto* toolbar = new QToolBar(window);
    toolbar->setObjectName(QStringLiteral("prefToolbar"));
    toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolbar->setMovable(false);
    window->addToolBar(toolbar);
    auto* content = new QWidget(window);
    window->setCentralWidget(content);
    buildControls(content, fieldControls());
    setWidget(window);
    prefToolbar_Open();
    const std::pair<const char*, int> fields[] = {
        {"typeField", 3}, {"extensionField", 4}, {"appendField", 5}, {"creatorField", 6}};
    for (const auto& [name, code] : fields)
        trackFocus(control(name), code, &a.editFieldNo, [] { app().EnableMenuItems(); });
    controlAs<QLineEdit>("typeField")->setText(QString::fromStdString(a.prefFileType));
    controlAs<QLineEdit>("extensionField")->setText(QString::fromStdString(a.prefFileExtension));
    controlAs<QLineEdit>("appendField")->setText(QString::fromStdString(NthField(a.prefExtension, "\t", 1)));
    controlAs<QLineEdit>("creatorField")->setText(QString::fromStdString(a.prefCreator));
    bindMenuHandler("winclose", [this](int) { return _winclose_Action(); });
    bindMenuHandler("selectAllMenu", [this](int) { return _selectAllMenu_Action(); });
    Show();
}

void prefWindow::prefToolbar_Open()
{
    auto* toolbar = widget()->findChild<QToolBar*>(QStringLiteral("prefToolbar"));
    const std::pair<const char*, const QPixmap& (*)()> buttons[] = {
        {"校正の設定", &editfindreplace},
        {"フィルタ", &documentopen},
        {"保存時の設定", &documentsave},
        {"結果通知", &stb_info},
        {"フォント設定", &preferencesdesktopfont},
    };
    for (const auto& [caption, icon] : buttons)
        toolbar->addAction(QIcon(icon()), QString::fromUtf8(caption));
}

void prefWindow::Event_Close()
{
    App& a = app();
    a.doPrefSave();
    a.EnableMenuItems();
}

bool prefWindow::_winclose_Action()
{
    Close();
    return true;
}

bool prefWindow::_selectAllMenu_Action()
{
    const char* name = nullptr;
    switch (app().editFieldNo) {
    case 3: name = "typeField"; break;
    case 4: name = "extensionField"; break;
    case 5: name = "appendField"; break;
    case 6: name = "creatorField"; break;
    default: return true;
    }
    if (auto* field = controlAs<QLineEdit>(name))
        field->selectAll();
    return true;
}

} // namespace tv
