#pragma once
// Registers every subsystem's windows with the shell, as the program does at
// start-up, for the tests that start the shell whole.

#include "dictionary/ui/dicEdit.h"
#include "preferences/ui/prefWindow.h"
#include "proofing/ui/PassWindows.h"
#include "trial/ui/grepWizardWindow.h"
#include "workspace/ui/workSpace.h"

namespace tv::test {

inline void registerAllWindows()
{
    registerDictionaryEditor();
    registerWorkspaceWindow();
    registerPreferencesWindow();
    registerTrialPalette();
}

} // namespace tv::test
