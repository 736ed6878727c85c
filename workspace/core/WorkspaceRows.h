#pragma once
// What a row of a workspace list holds, how a stored path turns back into an
// item, and which texts a workspace can keep at all.

#include "platform/core/FolderItem.h"

#include <string>
#include <string_view>
#include <vector>

namespace tv {

// The picture a row shows. The window maps each to its image.
enum class RowPicture { None, Dictionary, File, Folder };

// One row: a dictionary row has a name only; a file row has the shown name,
// the absolute path (the list's hidden column) and the picture of a file or
// a folder, or none when its path named nothing when the row was made.
struct WorkspaceRow {
    std::string name;
    std::string path;
    RowPicture picture = RowPicture::None;

    bool operator==(const WorkspaceRow&) const = default;
};

// The item a stored path names: nil for an empty or relative path (never the
// application folder) and for a path that names nothing that exists.
FolderItem resolveRowPath(std::string_view path);
// The picture a row of that path gets: none, a folder, or a file.
RowPicture pictureForPath(std::string_view path);

WorkspaceRow dictionaryRow(std::string name);
WorkspaceRow fileRow(const FolderItem& file);
WorkspaceRow folderRow(const FolderItem& folder);
// A row as a stored or dropped entry gives it: its picture from the path.
WorkspaceRow rowFromEntry(std::string name, std::string path);

// The workspace file separates its fields by TAB and its lines by CR, and
// escapes nothing: a text holding TAB, CR or LF cannot be kept in it.
bool isStorableText(std::string_view text);
// Whether a row can be written: its name and path both storable.
bool isStorableRow(const WorkspaceRow& row);
// The message telling that these items (their names or paths) were not
// added; every source of rows shows it for what it refused.
std::string unstorableMessage(const std::vector<std::string>& refused);
// Shows that message through the program's message seam; nothing for an
// empty list.
void reportUnstorable(const std::vector<std::string>& refused);

} // namespace tv
