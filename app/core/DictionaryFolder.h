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
    // File names as they are on disk (not necessarily UTF-8: a caption shows
    // what cannot be read as U+FFFD, while the name still finds the file), in
    // listing order.
    std::vector<std::string> names;
    int current = 0;                // 1-based position of the current one; 0 when none matched
};

// Lists the dictionaries of the folder, from one snapshot of its entries. The
// current one is the one that matchingName picks for currentName.
DictionaryListing listDictionaries(const FolderItem& folder, const std::string& currentName);

// The 1-based position of the name that stands for `name`: the one equal to it
// byte for byte, else the first equal to it by the program's rule (ignoring
// case); 0 when none. Names that differ only in case (A.dict and a.dict) can
// both exist here, and each stays reachable by its own name.
int matchingName(const std::vector<std::string>& names, std::string_view name);

} // namespace tv
