#pragma once
// The dictionary editor window: one window per dictionary name. This form
// holds the editor's fields, its menu commands, its modified mark, its close
// question and what it leaves behind when it closes; it does not read or
// write rules.

#include "platform/ui/Window.h"

#include <string>

class QMainWindow;

namespace tv {

class dicEdit : public Window {
public:
    // Makes the window, which opens on App.editDic and shows itself.
    dicEdit();

    // The file name of the dictionary it edits; empty once it has closed.
    std::string editDic;

    void Event_Open();
    void Event_Close() override;
    bool Event_CancelClose() override;
    void Event_EnableMenuItems() override;

    bool _winclose_Action();
    bool _fileSave_Action();
    bool _selectAllMenu_Action();

    // Writes the dictionary; true when it has been saved.
    virtual bool doDicSave();
};

} // namespace tv
