#pragma once
// Dragging rules within an editor and between editors, as data.
//
// The payload "word": line 1 is the source editor's window title, then one
// line per dragged rule, its four cells in stored form joined by TAB; lines
// are joined by CR, with no CR after the last. It travels under a MIME type of
// its own and under no other format.
//
// A drop inserts first and then, only when the drag started in this very
// list, removes the dragged originals, which the selection still marks. The
// title is carried but decides nothing: two editors may share a title (two
// on a missing file, or names differing in case).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dictionary/core/DictionaryFormat.h"

class QMimeData;

namespace tv {

class RuleListModel;

inline constexpr std::string_view wordMimeType = "application/x-tesvora-word";

struct WordPayload {
    std::string title;
    std::vector<DictionaryRule> rules;
};

std::string encodeWordPayload(std::string_view title, const std::vector<DictionaryRule>& rules);
// Each line after the first gives a rule from its TAB-separated fields 1 to 4:
// a missing field gives an empty text, fields after the fourth are dropped;
// nothing is escaped, validated or padded.
WordPayload decodeWordPayload(std::string_view payload);

// The drag data: the payload under wordMimeType alone. The caller owns it.
QMimeData* makeWordMimeData(std::string_view payload);
// The payload a drag carries, or nothing when it carries none.
std::optional<std::string> wordPayload(const QMimeData* data);

// The rows a drag carries: with exactly one row selected, the row the drag
// started on (the list selects the pressed row first, so the two agree);
// otherwise every selected row in list order.
std::vector<int> dragRows(int startRow, std::vector<int> selectedRows);

// The drop as data.
struct DropPlan {
    // The data carried a payload: the drop takes place and marks the window,
    // also when it inserts nothing.
    bool accepted = false;
    // The rules, inserted in order before this row.
    int insertRow = 0;
    std::vector<DictionaryRule> rules;
    // A move only: the dragged originals, numbered as after the insertion,
    // ascending. Nothing is removed when nothing was inserted.
    std::vector<int> removeRows;
};

// `payload`: the drag's payload, or nothing. `targetRow`: the drop row (see
// dropRow). `fromThisList`: the drag started in this list. `selectedRows`:
// the rows selected at the drop, before the insertion.
DropPlan planDrop(const std::optional<std::string>& payload, int targetRow, bool fromThisList,
                  const std::vector<int>& selectedRows);
// Inserts in one step, then removes the originals, from the last.
void applyDrop(RuleListModel& model, const DropPlan& plan);

// The drop row from the list's real row geometry: the row under the pointer
// (rules are inserted before it); above the first visible row, the first
// visible row; below the last row, the row count.
struct RowSpan {
    int row;
    int top;    // in the same coordinates as the pointer's y
    int height;
};
// `visibleRows`: the rows the list shows, top to bottom.
int dropRow(int y, int rowCount, const std::vector<RowSpan>& visibleRows);

} // namespace tv
