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
        listing.names.push_back(entry.Name());
    }
    listing.current = matchingName(listing.names, currentName);
    return listing;
}

int matchingName(const std::vector<std::string>& names, std::string_view name)
{
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name)
            return static_cast<int>(i + 1);
    for (size_t i = 0; i < names.size(); ++i)
        if (textEquals(names[i], name))
            return static_cast<int>(i + 1);
    return 0;
}

} // namespace tv
