// The input filter, the folder walk and the start step shared by every
// starter of a pass.

#include "app/core/AppState.h"

#include "platform/core/Text.h"
#include "platform/core/Thread.h"

#include <set>
#include <sys/stat.h>
#include <utility>

namespace tv {

namespace {

AppState::PassStarter& passStarter()
{
    static AppState::PassStarter starter;
    return starter;
}

using FolderKey = std::pair<dev_t, ino_t>;

void walk(AppState& app, const FolderItem& folder, std::set<FolderKey>& entered)
{
    try {
        struct stat st;
        if (::stat(folder.path().c_str(), &st) != 0)
            return;
        if (!entered.insert({st.st_dev, st.st_ino}).second)
            return;
        // One listing per folder: outputs that a running pass saves into this
        // folder meanwhile are not taken up again.
        std::vector<FolderItem> children = folder.children();
        for (const FolderItem& child : children) {
            if (textEquals(child.MacType(), "FOLD"))
                walk(app, child, entered);
            else if (app.fileFilter(child))
                app.dropItem.push_back(child);
            yieldToOthers();
        }
    } catch (...) {
        // This folder's walk ends here; the enclosing one goes on.
    }
}

} // namespace

bool AppState::fileFilter(const FolderItem& item)
{
    try {
        // Only regular files are input: a pipe would hang the pass and a
        // device would be read without end. A file that is gone may still be
        // queued; the pass then reports that it cannot be read.
        if (item.Exists() && !item.isRegularFile())
            return false;
        bool accepted = false;
        if (!prefFileType.empty()) {
            std::string type = item.MacType();
            int64_t n = CountFields(prefFileType, ",");
            for (int64_t f = 1; f <= n; ++f) {
                if (textEquals(type, NthField(prefFileType, ",", f)))
                    accepted = true;
                yieldToOthers();
            }
        }
        if (!prefFileExtension.empty()) {
            std::string name = item.DisplayName();
            int64_t n = CountFields(prefFileExtension, ",");
            for (int64_t f = 1; f <= n; ++f) {
                std::string s = "." + NthField(prefFileExtension, ",", f);
                if (textEquals(Right(name, Len(s)), s))
                    accepted = true;
                yieldToOthers();
            }
        }
        return accepted;
    } catch (...) {
        return false;
    }
}

void AppState::openFolder(const FolderItem& folder)
{
    std::set<FolderKey> entered;
    walk(*this, folder, entered);
}

void AppState::setPassStarter(PassStarter starter)
{
    passStarter() = std::move(starter);
}

void AppState::startProof()
{
    isWorking = true;
    if (passStarter())
        passStarter()(*this);
}

} // namespace tv
