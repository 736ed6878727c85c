#pragma once
// Handing a workspace to a pass, and the titles of workspace windows.

#include "app/core/AppState.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

struct PassStart {
    // A new pass was started.
    bool started = false;
    // Dictionary names appended to App.dicChangeList and left there.
    size_t namesLeft = 0;
    // Names appended and taken back off again because nothing started and
    // nothing runs (they would otherwise go to the next, unrelated pass).
    size_t namesTakenBack = 0;
};

// A workspace's pass start. Nothing happens when either list is empty.
// Otherwise each dictionary name is appended to App.dicChangeList unless it
// is already waiting there; each file row's path is looked up (a row naming
// nothing, or naming it by an empty or relative path, is skipped), a folder
// walked into App.dropItem, a file queued when the input filter accepts it.
// Then, when no pass runs and the queue holds files, a pass starts with these
// names; a pass already running takes the files with its own dictionaries
// and the names wait for the next one; and when nothing starts and nothing
// runs, exactly the names appended here come off the tail of the list again.
// The loops yield once per row, so a running pass goes on meanwhile. An
// exception ends the start where it arose, silently, with the same rule for
// the names.
PassStart startPass(AppState& app, const std::vector<std::string>& dictionaries,
    const std::vector<std::string>& filePaths);

// The title of an untitled workspace window: "新規ワークスペース " and its
// number; and of a workspace with a file: "ワークスペース " and the file's
// display name between two double quotation marks.
std::string untitledTitle(int64_t number);
std::string workspaceFileTitle(std::string_view displayName);

// The number a new untitled workspace gets: starting at 1, one walk over the
// titles of the workspace windows opened so far (closed ones too), in their
// order, adding 1 at each title equal to the untitled title of the number
// reached. A single walk, not a search for the lowest free number: titles
// numbered 2 and then 1 give 2.
int64_t untitledNumber(const std::vector<std::string>& listedTitles);

} // namespace tv
