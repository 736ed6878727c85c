#pragma once
// Which entries of the folder "Dictionary" are dictionaries, and which one is
// the current dictionary.

#include "platform/core/FolderItem.h"

#include <string>
#include <vector>

namespace tv {

// A dictionary: type "dict" or "TEXT", or a display name that ends in ".dict"
// (folders included).
bool isDictionaryEntry(const FolderItem& entry);

struct DictionaryListing {
    std::vector<std::string> names; // display names, in listing order
    int current = 0;                // 1-based position of the current one; 0 when none matched
};

// Lists the dictionaries of the folder, from one snapshot of its entries. The
// current one is the first whose name equals currentName by the program's rule.
DictionaryListing listDictionaries(const FolderItem& folder, const std::string& currentName);

} // namespace tv
