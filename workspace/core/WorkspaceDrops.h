#pragma once
// What a drag brings to a workspace list: the "dict" and "file" payloads,
// files and folders from the desktop, and the row where dropped entries go.

#include "platform/core/FolderItem.h"

#include <string>
#include <string_view>
#include <vector>

namespace tv {

// The payload flavours, as MIME types of the program's own.
extern const char* const kDictPayloadMime; // "dict": dictionary rows
extern const char* const kFilePayloadMime; // "file": file rows
// Files and folders dragged from the desktop.
extern const char* const kUriListMime;     // "text/uri-list"
// Rows dragged inside one list to reorder it; no other list takes them.
extern const char* const kListRowsMime;

// A payload: fields split at CR, the first the title of the window the rows
// come from, each further field one entry (an empty field too). There is no
// header, count or end mark.
struct Payload {
    std::string title;
    std::vector<std::string> entries;
    // How many CR fields the text held, the title included (0 for an empty text).
    size_t fieldCount = 0;
};
Payload decodePayload(std::string_view bytes);
std::string encodePayload(std::string_view title, const std::vector<std::string>& entries);

// A "file" entry: the name before the first TAB and the path between the
// first and the second; a missing part is empty.
struct FileEntry {
    std::string name;
    std::string path;
};
FileEntry splitFileEntry(std::string_view entry);
std::string joinFileEntry(std::string_view name, std::string_view path);

// The local files and folders of a text/uri-list, in list order, as the
// paths' own bytes. Other schemes, other hosts and comment lines are passed
// over; "file:///p", "file://localhost/p" and "file:/p" are local.
std::vector<FolderItem> localItemsOfUriList(std::string_view uriList);
std::string uriListOf(const std::vector<std::string>& paths);

// Where a list's rows stand on screen: the first row shown, the top of that
// row and the height of every row, in the coordinates of the pointer.
struct ListGeometry {
    int rowCount = 0;
    int firstVisibleRow = 0;
    int firstVisibleTop = 0;
    int rowHeight = 0;
};
// The row at which dropped entries are inserted: the row under the pointer;
// below the last row, the row count (the entries are appended); above the
// first row shown (the heading), that row.
int dropRow(int pointerY, const ListGeometry& geometry);

} // namespace tv
