#pragma once
// The dictionary editor window: one window per dictionary name. This form
// holds the editor's fields, its menu commands, its modified mark, its close
// question and what it leaves behind when it closes; it does not read or
// write rules.

#include "app/ui/DocumentWindow.h"

#include <QPointer>

#include <string>

class QLineEdit;

namespace tv {

class dicEdit : public DictionaryEditorWindow {
public:
    // Makes the window, which opens on App.editDic and shows itself.
    dicEdit();

    void Event_Open();
    void Event_Close() override;
    void Event_EnableMenuItems() override;

    bool _winclose_Action();
    bool _fileSave_Action();
    bool _selectAllMenu_Action();

    // Writes the dictionary; true when it has been saved.
    virtual bool doDicSave();

protected:
    bool saveDocument() override { return doDicSave(); }

private:
    QPointer<QLineEdit> findField_, repField_, guideField_;
};

// Lets the shell open dictionary editors (class "dicEdit").
void registerDictionaryEditor();

} // namespace tv
