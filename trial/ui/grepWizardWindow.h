#pragma once
// The trial search palette, one window reached by its class name. This form
// holds the palette's three coded text fields and its menu commands; it does
// not search yet.

#include "platform/ui/Window.h"

#include <QPointer>

class QLineEdit;
class QPlainTextEdit;

namespace tv {

class grepWizardWindow : public Window {
public:
    // The open palette, or a new one, which shows itself.
    static grepWizardWindow& instance();
    static grepWizardWindow* existing();

    grepWizardWindow();

    void Event_EnableMenuItems() override;
    bool _selectAllMenu_Action();
    bool _winclose_Action();

private:
    QPointer<QPlainTextEdit> source_;
    QPointer<QLineEdit> find_, replace_;
};

// Lets the shell open the palette (class "grepWizardWindow").
void registerTrialPalette();

} // namespace tv
