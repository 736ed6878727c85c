#include "app/core/DictionaryFolder.h"

#include "platform/core/Text.h"
#include "platform/core/Thread.h"

namespace tv {

bool isDictionaryEntry(const FolderItem& entry)
{
    std::string type = entry.MacType();
    if (textEquals(type, "dict") || textEquals(type, "TEXT"))
        return true;
    std::string name = entry.DisplayName();
    return textEquals(RightB(name, 5), ".dict");
}

DictionaryListing listDictionaries(const FolderItem& folder, const std::string& currentName)
{
    DictionaryListing listing;
    for (const FolderItem& entry : folder.children()) {
        yieldToOthers();
        if (!isDictionaryEntry(entry))
            continue;
        listing.names.push_back(entry.DisplayName());
        if (listing.current == 0 && textEquals(listing.names.back(), currentName))
            listing.current = static_cast<int>(listing.names.size());
    }
    return listing;
}

} // namespace tv
