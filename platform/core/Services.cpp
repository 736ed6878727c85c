#include "platform/core/Services.h"

#include "platform/core/Thread.h"

#include <QEventLoop>

#include <cstdio>
#include <memory>

namespace tv {

Services::~Services() = default;

std::optional<int64_t> Services::gestalt(const std::string& selector)
{
    if (selector == "sysv")
        return 0x1000;
    return std::nullopt;
}

void Services::openInformativeMessageBox(const std::string& text, const std::string& informativeText,
                                         std::function<void()> closed)
{
    openMessageBox(informativeText.empty() ? text : text + "\n\n" + informativeText, std::move(closed));
}

namespace {

class HeadlessServices final : public Services {
public:
    void openMessageBox(const std::string& text, std::function<void()> closed) override
    {
        std::fprintf(stderr, "tesvora: %s\n", text.c_str());
        if (closed)
            closed();
    }
    void beep() override {}
    FolderItem getOpenFolderItem(const std::string&) override { return {}; }
    FolderItem selectFolder(const std::string&) override { return {}; }
    FolderItem getSaveFolderItem(const std::string&, const std::string&) override { return {}; }
    bool clipboardHasText() override { return !clipboard_.empty(); }
    std::string clipboardText() override { return clipboard_; }
    void setClipboardText(const std::string& text) override { clipboard_ = text; }
    void showURL(const std::string&) override {}

private:
    std::string clipboard_;
};

Services*& current()
{
    static HeadlessServices fallback;
    static Services* s = &fallback;
    return s;
}

} // namespace

Services& services()
{
    return *current();
}

void setServices(Services* s)
{
    static HeadlessServices fallback;
    current() = s ? s : &fallback;
}

void MsgBox(const std::string& text)
{
    MsgBox(text, std::string());
}

void MsgBox(const std::string& text, const std::string& informativeText)
{
    auto done = std::make_shared<bool>(false);
    if (onWorker()) {
        services().openInformativeMessageBox(text, informativeText, [done] { *done = true; });
        while (!*done)
            doEvents(50);
        return;
    }
    QEventLoop loop;
    services().openInformativeMessageBox(text, informativeText, [done, &loop] {
        *done = true;
        loop.quit();
    });
    if (!*done)
        loop.exec();
}

} // namespace tv
