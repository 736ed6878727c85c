#include "trial/ui/grepWizardWindow.h"

#include "app/ui/Shell.h"
#include "app/ui/MenuItems.h"
#include "platform/ui/Controls.h"
#include "platform/ui/FocusTracker.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace tv {

namespace {

const std::vector<ControlSpec>& paletteControls()
{
    static const std::vector<ControlSpec> table = {
        {.kind = ControlKind::TextArea, .name = "source", .left = 14, .top = 14, .width = 750, .height = 150},
        {.kind = ControlKind::TextField, .name = "find", .left = 14, .top = 180, .width = 750, .height = 22},
        {.kind = ControlKind::TextField, .name = "replace", .left = 14, .top = 212, .width = 750, .height = 22},
    };
    return table;
}

} // namespace

grepWizardWindow& grepWizardWindow::instance()
{
    return SingleWindow<grepWizardWindow>::get();
}

grepWizardWindow* grepWizardWindow::existing()
{
    return SingleWindow<grepWizardWindow>::isOpen() ? SingleWindow<grepWizardWindow>::existing() : nullptr;
}

grepWizardWindow::grepWizardWindow() : Window("grepWizardWindow")
{
    Shell& a = shell();
    // A palette: no menu bar of its own; the menus' shortcuts reach it.
    auto* window = new QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
            | Qt::WindowCloseButtonHint);
    window->setWindowTitle(QStringLiteral("お試し検索パレット"));
    window->resize(778, 498);
    buildControls(window, paletteControls());
    source_ = bindControl<QPlainTextEdit>(window, "source");
    find_ = bindControl<QLineEdit>(window, "find");
    replace_ = bindControl<QLineEdit>(window, "replace");
    setWidget(window);
    const std::pair<QWidget*, int> fields[] = {{source_, 10}, {find_, 11}, {replace_, 12}};
    for (const auto& [field, code] : fields)
        trackFocus(field, code, &a.editFieldNo, [] { shell().EnableMenuItems(); });
    bindMenuHandler("selectAllMenu", [this](int) { return _selectAllMenu_Action(); });
    bindMenuHandler("winclose", [this](int) { return _winclose_Action(); });
    Show();
}

void grepWizardWindow::Event_EnableMenuItems()
{
    winclose().setEnabled(true);
}

bool grepWizardWindow::_selectAllMenu_Action()
{
    switch (shell().editFieldNo) {
    case 10:
        if (source_)
            source_->selectAll();
        break;
    case 11:
        if (find_)
            find_->selectAll();
        break;
    case 12:
        if (replace_)
            replace_->selectAll();
        break;
    default:
        break;
    }
    return true;
}

bool grepWizardWindow::_winclose_Action()
{
    Close();
    return true;
}

void registerTrialPalette()
{
    registerWindowFactory("grepWizardWindow", [] { return SingleWindow<grepWizardWindow>::shared(); });
}

} // namespace tv
