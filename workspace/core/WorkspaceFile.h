#pragma once
// The workspace file: a header line with the window's frame, a line of
// dictionary names each followed by TAB, then one "name TAB path" line per
// file row. UTF-8 without a byte-order mark, every line ended by CR, nothing
// escaped.

#include "app/core/AppState.h"
#include "platform/core/FolderItem.h"
#include "workspace/core/WorkspaceRows.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// The first field of the header line.
extern const char* const kWorkspaceHeader; // "Tesvora Workspace"

struct WorkspaceContent {
    // Set only when line 1 is a header; the window keeps its own frame otherwise.
    std::optional<FrameBounds> frame;
    std::vector<std::string> dictionaries;
    std::vector<WorkspaceRow> files;
};

// The whole file as bytes. Raises RuntimeException, building nothing, when a
// name or path holds TAB, CR or LF (it could not be read back as written).
std::string serializeWorkspace(const FrameBounds& frame, const std::vector<std::string>& dictionaries,
    const std::vector<WorkspaceRow>& files);

// Reads a workspace file's bytes; never rejects them. A line 1 that is not a
// header leaves the frame unset, and line 2 is still the dictionary line; the
// final line end makes no row, while an empty line after line 2 is a row with
// empty texts. CR, LF and CR LF all end lines; a leading byte-order mark is
// passed over. Each file row's picture comes from looking up its path.
WorkspaceContent parseWorkspace(std::string_view bytes);

// Reads the file; raises IOException when it is missing, a folder, or cannot
// be read.
WorkspaceContent readWorkspaceFile(const FolderItem& file);

// The type and creator codes a save gives the file.
struct FileCodes {
    std::string type;
    std::string creator;
};
// A first save makes a workspace file: "wksp" and "Tv9x".
FileCodes workspaceFileCodes();
// A later save keeps the codes stored on the file now: none when it is gone
// or has none stored (a type only read off its first line is not kept).
FileCodes existingFileCodes(const FolderItem& file);

// Builds the whole file in memory and writes it through the safe writer:
// a temporary file beside the target, flushed, given the codes, renamed over
// it. Raises (IOException, RuntimeException) on failure, leaving the old
// file whole.
void writeWorkspaceFile(const FolderItem& file, const FrameBounds& frame,
    const std::vector<std::string>& dictionaries, const std::vector<WorkspaceRow>& files,
    const FileCodes& codes);

} // namespace tv
