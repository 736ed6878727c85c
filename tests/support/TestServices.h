#pragma once
// A seam for tests: records every message, beep and URL, and answers dialogs
// from queues that the test fills.

#include "platform/core/Services.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace tv::test {

class TestServices : public Services {
public:
    TestServices() { setServices(this); }
    ~TestServices() override { setServices(nullptr); }

    // Messages shown so far, and beside each its informative text (empty for
    // none).
    std::vector<std::string> messages;
    std::vector<std::string> informativeTexts;
    int beeps = 0;
    std::vector<std::string> urls;
    // When false, message boxes stay open until closeMessage() is called.
    bool closeMessagesAtOnce = true;
    std::deque<FolderItem> openAnswers, folderAnswers, saveAnswers;
    std::optional<int64_t> systemVersion = 0x1000;
    std::optional<std::string> clipboard;

    void openMessageBox(const std::string& text, std::function<void()> closed) override
    {
        openInformativeMessageBox(text, std::string(), std::move(closed));
    }
    void openInformativeMessageBox(const std::string& text, const std::string& informativeText,
                                   std::function<void()> closed) override
    {
        messages.push_back(text);
        informativeTexts.push_back(informativeText);
        if (closeMessagesAtOnce) {
            if (closed)
                closed();
        } else {
            pending_.push_back(std::move(closed));
        }
    }
    // Dismisses the oldest open message box; false when none is open.
    bool closeMessage()
    {
        if (pending_.empty())
            return false;
        auto closed = std::move(pending_.front());
        pending_.pop_front();
        if (closed)
            closed();
        return true;
    }
    void beep() override { ++beeps; }
    FolderItem getOpenFolderItem(const std::string&) override { return take(openAnswers); }
    FolderItem selectFolder(const std::string&) override { return take(folderAnswers); }
    FolderItem getSaveFolderItem(const std::string&, const std::string&) override { return take(saveAnswers); }
    bool clipboardHasText() override { return clipboard.has_value(); }
    std::string clipboardText() override { return clipboard.value_or(std::string()); }
    void setClipboardText(const std::string& text) override { clipboard = text; }
    void showURL(const std::string& url) override { urls.push_back(url); }
    std::optional<int64_t> gestalt(const std::string& selector) override
    {
        if (selector == "sysv")
            return systemVersion;
        return std::nullopt;
    }

private:
    static FolderItem take(std::deque<FolderItem>& q)
    {
        if (q.empty())
            return {};
        FolderItem f = q.front();
        q.pop_front();
        return f;
    }
    std::deque<std::function<void()>> pending_;
};

} // namespace tv::test
