#pragma once
// The preferences window: a new one each time the command runs. This form
// holds the toolbar of five pages, the four coded text fields, the menu
// commands and the closing steps (every close writes the preferences file);
// it stores no setting back.

#include "platform/ui/Window.h"

#include <QPointer>

class QLineEdit;
class QToolBar;

namespace tv {

class prefWindow : public Window {
public:
    // Makes the window with the current settings and shows it.
    prefWindow();

    void Event_Close() override;
    void prefToolbar_Open();

    bool _winclose_Action();
    bool _selectAllMenu_Action();

private:
    QPointer<QToolBar> prefToolbar_;
    QPointer<QLineEdit> typeField_, extensionField_, appendField_, creatorField_;
};

// Lets the shell open preferences windows (class "prefWindow").
void registerPreferencesWindow();

} // namespace tv
