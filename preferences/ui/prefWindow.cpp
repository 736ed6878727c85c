#include "preferences/ui/prefWindow.h"

#include "app/ui/Shell.h"
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
    Shell& a = shell();
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
    typeField_ = bindControl<QLineEdit>(content, "typeField");
    extensionField_ = bindControl<QLineEdit>(content, "extensionField");
    appendField_ = bindControl<QLineEdit>(content, "appendField");
    creatorField_ = bindControl<QLineEdit>(content, "creatorField");
    prefToolbar_ = toolbar;
    setWidget(window);
    prefToolbar_Open();
    const std::pair<QLineEdit*, int> fields[] = {
        {typeField_, 3}, {extensionField_, 4}, {appendField_, 5}, {creatorField_, 6}};
    for (const auto& [field, code] : fields)
        trackFocus(field, code, &a.editFieldNo, [] { shell().EnableMenuItems(); });
    typeField_->setText(QString::fromStdString(a.prefFileType));
    extensionField_->setText(QString::fromStdString(a.prefFileExtension));
    appendField_->setText(QString::fromStdString(NthField(a.prefExtension, "\t", 1)));
    creatorField_->setText(QString::fromStdString(a.prefCreator));
    bindMenuHandler("winclose", [this](int) { return _winclose_Action(); });
    bindMenuHandler("selectAllMenu", [this](int) { return _selectAllMenu_Action(); });
    Show();
}

void prefWindow::prefToolbar_Open()
{
    QToolBar* toolbar = prefToolbar_;
    if (!toolbar)
        return;
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
    Shell& a = shell();
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
    QLineEdit* field = nullptr;
    switch (shell().editFieldNo) {
    case 3: field = typeField_; break;
    case 4: field = extensionField_; break;
    case 5: field = appendField_; break;
    case 6: field = creatorField_; break;
    default: return true;
    }
    if (field)
        field->selectAll();
    return true;
}

void registerPreferencesWindow()
{
    registerWindowFactory("prefWindow", [] { return openWindow<prefWindow>(); });
}

} // namespace tv
