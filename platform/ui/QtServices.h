#pragma once
// The seam's implementation on Qt Widgets.

#include "platform/core/Services.h"

namespace tv {

class QtServices final : public Services {
public:
    void openMessageBox(const std::string& text, std::function<void()> closed) override;
    void openInformativeMessageBox(const std::string& text, const std::string& informativeText,
                                   std::function<void()> closed) override;
    void beep() override;
    FolderItem getOpenFolderItem(const std::string& typeName) override;
    FolderItem selectFolder(const std::string& prompt) override;
    FolderItem getSaveFolderItem(const std::string& typeName, const std::string& defaultName) override;
    bool clipboardHasText() override;
    std::string clipboardText() override;
    void setClipboardText(const std::string& text) override;
    void showURL(const std::string& url) override;
};

} // namespace tv
