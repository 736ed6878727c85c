#pragma once
// The rows of the candidate palette for one match: row 0 keeps the match,
// every further row is one candidate of the rule's replacement with its note
// from the rule's comment. Both are split at every "|" that no backslash
// precedes; a backslash and a bar stand for a plain bar.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

struct SelectList {
    struct Row {
        std::string text; // column 0
        std::string note; // column 1
    };
    std::vector<Row> rows;
    // Column widths in pixels: seven per UTF-8 byte of the longest text of
    // the column, and two bytes' worth to spare.
    int width0 = 0;
    int width1 = 0;
};

// What row 0 says besides the matched text.
extern const char* const kKeepMatchCaption;

// The rows for one match. `step` runs after each row and each note is added
// (the worker yields there). An empty candidate text offers no candidate; a
// note beyond the last candidate has no row and is dropped.
SelectList makeSelectRows(std::string_view candidates, std::string_view matched, std::string_view notes,
                          const std::function<void()>& step = {});

// The fields of a candidate or note list.
std::vector<std::string> splitCandidates(std::string_view list);

} // namespace tv
