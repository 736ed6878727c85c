#include "workspace/core/WorkspaceStart.h"

#include "platform/core/Text.h"
#include "platform/core/Thread.h"
#include "workspace/core/WorkspaceRows.h"

namespace tv {

namespace {

bool isWaiting(const AppState& app, const std::string& name)
{
    for (const std::string& waiting : app.dicChangeList)
        if (textEquals(waiting, name))
            return true;
    return false;
}

} // namespace

PassStart startPass(AppState& app, const std::vector<std::string>& dictionaries,
    const std::vector<std::string>& filePaths)
{
    PassStart result;
    if (dictionaries.empty() || filePaths.empty())
        return result;
    size_t appended = 0;
    try {
        for (const std::string& name : dictionaries) {
            // A name already waiting would have its rules applied twice.
            if (!isWaiting(app, name)) {
                app.dicChangeList.push_back(name);
                ++appended;
            }
            yieldToOthers();
        }
        for (const std::string& path : filePaths) {
            const FolderItem item = resolveRowPath(path);
            if (item) {
                if (item.Directory())
                    app.openFolder(item);
                else if (app.fileFilter(item))
                    app.dropItem.push_back(item);
            }
            yieldToOthers();
        }
        if (!app.isWorking && !app.dropItem.empty()) {
            app.startProof();
            result.started = true;
        }
    } catch (...) {
        // The start ends where it failed, silently.
    }
    if (!result.started && !app.isWorking) {
        // Nothing consumes the list while no pass runs, so the names appended
        // here are still its tail.
        const size_t n = std::min(appended, app.dicChangeList.size());
        app.dicChangeList.erase(app.dicChangeList.end() - static_cast<std::ptrdiff_t>(n), app.dicChangeList.end());
        result.namesTakenBack = n;
        appended -= n;
    }
    result.namesLeft = appended;
    return result;
}

std::string untitledTitle(int64_t number)
{
    return "新規ワークスペース " + Str(number);
}

std::string workspaceFileTitle(std::string_view displayName)
{
    return "ワークスペース \"" + std::string(displayName) + "\"";
}

int64_t untitledNumber(const std::vector<std::string>& listedTitles)
{
    int64_t n = 1;
    for (const std::string& title : listedTitles)
        if (textEquals(title, untitledTitle(n)))
            ++n;
    return n;
}

} // namespace tv
