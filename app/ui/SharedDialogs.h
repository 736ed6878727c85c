#pragma once
// The two dialogs the other windows share: the notice that releases a waiting
// worker when it goes away, and the question before a window with unsaved
// changes closes.

#include "platform/ui/Window.h"

#include <functional>
#include <string>

namespace tv {

// The notice: a message line and a detail line with an OK button. One at a
// time: instance() answers the open notice, or makes one, which shows itself.
// Making it clears App.notifyClose; every way it goes away (its button, Esc,
// the window manager's close, the window it stands over closing) sets it.
class notifySheet : public Window {
public:
    static notifySheet& instance();
    // Whether a notice is open now (does not make one).
    static bool isShown();

    void setNotifyMsg(const std::string& text);
    void setNotifySum(const std::string& text);
    std::string notifyMsg() const;
    std::string notifySum() const;

    void PushButton1_Action();
    void Event_Open();
    void Event_Close() override;

    notifySheet();

private:
    // Grows the notice from its table size until both texts show whole.
    void fitToTexts();
};

// The unsaved-changes question, left only through its three buttons; the
// answer is left in App.isSaveResult ("save", "cancel", or empty).
class isSaveSheet : public Window {
public:
    static isSaveSheet& instance();
    static bool isShown();

    // Shows the question over the window and returns once a button has
    // closed it.
    void ShowModal(Window* over);

    void saveButton_Action();
    void cancelButton_Action();
    void docloseButton_Action();

    bool Event_CancelClose() override;

    isSaveSheet();

private:
    void leaveWith(const std::string& answer);
    bool leaving_ = false;
};

// The close question of a document window (a dictionary editor, a
// workspace): a window without unsaved changes closes without asking;
// otherwise isSaveSheet asks, "cancel" keeps the window open, "save" runs
// save and closes the window only when save reports success, and the empty
// answer closes it without saving. True when the window stays open.
bool cancelCloseForChanges(Window& window, const std::function<bool()>& save);

} // namespace tv
