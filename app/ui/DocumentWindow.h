#pragma once
// The common behaviour of the two document windows, the dictionary editor and
// the workspace: the modified mark, the close question before unsaved changes
// go, the save command, the tie to the document's file, and the frame that
// the document's header stores (the content area's, so that reopening puts
// the window where it was).

#include "app/core/AppState.h"
#include "platform/core/FolderItem.h"
#include "platform/ui/Window.h"

#include <QRect>
#include <QSize>

#include <string>

namespace tv {

class DocumentWindow : public Window {
    Q_OBJECT
public:
    using Window::Window;

    void setModified(bool modified);
    bool isModified();
    // Ties the window to its file; a nil file unties it.
    void tieToFile(const FolderItem& file);

    // A window without unsaved changes closes without asking; otherwise the
    // unsaved-changes question asks: "cancel" keeps it open, "save" closes it
    // only when the save went through, the empty answer closes it unsaved.
    bool Event_CancelClose() override;
    // The save command: the mark goes only with a save that went through.
    bool saveCommand();

    // The content area's frame: the window's own area below the menu bar
    // it carries, which is what a document's header stores.
    FrameBounds contentFrame() const;
    // Places the window so that its content area is that rectangle.
    void placeContent(const QRect& content);
    // Places the content area by a stored frame. A frame that is degenerate
    // (smaller than the content's minimum) or lies off every screen shows the
    // window at its minimum size on the primary screen instead.
    void applyContentFrame(const FrameBounds& frame, QSize minimum);
    // The height of the menu bar above the content area (0 without one).
    int menuBarHeight() const;

protected:
    // Writes the document; true when it has been saved.
    virtual bool saveDocument() = 0;
};

// What the shell keeps of a dictionary editor: the dictionary's file name,
// empty once the editor has closed.
class DictionaryEditorWindow : public DocumentWindow {
    Q_OBJECT
public:
    using DocumentWindow::DocumentWindow;
    std::string editDic;
};

// What the shell keeps of a workspace: its file, nil while untitled.
class WorkspaceWindow : public DocumentWindow {
    Q_OBJECT
public:
    using DocumentWindow::DocumentWindow;
    FolderItem workSpaceItem;
};

} // namespace tv
