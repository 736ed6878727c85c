#pragma once
// The declared document types: each with its name, file-name extensions and
// four-character type and creator codes. Code names a type by its name when it
// opens a file dialog, lets a list accept dropped files, or creates a file.

#include "platform/core/FolderItem.h"

#include <string>
#include <string_view>
#include <vector>

namespace tv {

struct FileType {
    std::string Name;
    std::string Extensions; // comma-separated, without dots
    std::string MacType;
    std::string MacCreator;

    std::vector<std::string> extensionList() const;
};

namespace FileTypes {
const FileType& pDict();
const FileType& pText();
const FileType& pPref();
const FileType& pFolder();
const FileType& pAny();
const FileType& pWork();

// All six, in declaration order.
const std::vector<const FileType*>& all();
// The declared type of that name (compared by the program's rule), or nullptr
// for a name that matches none ("Dict", "Pref", "text"), which restricts
// nothing and gives a created file no codes.
const FileType* byName(std::string_view name);
// Whether a file or folder is one a dialog or a drop list of that type name
// accepts.
bool accepts(std::string_view typeName, const FolderItem& item);
// Gives a file created under a type name that type's codes (a name that
// matches no declared type gives none).
void applyCodes(std::string_view typeName, const FolderItem& file);
} // namespace FileTypes

} // namespace tv
