#pragma once
// The one seam for everything that asks a person or touches the desktop:
// message boxes, file dialogs, the clipboard, the beep, opening a web address
// and the system version. The window layer installs the Qt implementation;
// tests install one that answers from a script.

#include "platform/core/FolderItem.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tv {

class Services {
public:
    virtual ~Services();

    // Opens a modal message box with an OK button and returns at once;
    // closed runs when the user has dismissed it.
    virtual void openMessageBox(const std::string& text, std::function<void()> closed) = 0;
    // The same with an informative text under the message, saying where or
    // why. By default the two texts go into one message.
    virtual void openInformativeMessageBox(const std::string& text, const std::string& informativeText,
                                           std::function<void()> closed);
    virtual void beep() = 0;

    // File dialogs; nil when cancelled. typeName is a declared document type's
    // name ("special/any" offers every file).
    virtual FolderItem getOpenFolderItem(const std::string& typeName) = 0;
    virtual FolderItem selectFolder(const std::string& prompt) = 0;
    virtual FolderItem getSaveFolderItem(const std::string& typeName, const std::string& defaultName) = 0;

    // Clipboard text (UTF-8). hasText tells whether the clipboard holds text.
    virtual bool clipboardHasText() = 0;
    virtual std::string clipboardText() = 0;
    virtual void setClipboardText(const std::string& text) = 0;

    virtual void showURL(const std::string& url) = 0;

    // System.Gestalt: the value of a selector, nullopt when the query fails.
    // "sysv" answers 0x1000 or more on this system.
    virtual std::optional<int64_t> gestalt(const std::string& selector);
};

Services& services();
// Installs the implementation (not owned); nullptr restores the default, which
// answers every question as cancelled and writes messages to standard error.
void setServices(Services* s);

// MsgBox: shows the message and returns once it is dismissed. On a worker it
// waits by letting the event loop run, never in a nested loop on its stack.
void MsgBox(const std::string& text);
// The same with an informative text under the message.
void MsgBox(const std::string& text, const std::string& informativeText);

} // namespace tv
