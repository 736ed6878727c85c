#include "proofing/core/SelectList.h"

#include "platform/core/Text.h"
#include "proofing/core/PassRules.h"

#include <algorithm>

namespace tv {

const char* const kKeepMatchCaption = "(置換しない)";

namespace {

int pixelsFor(size_t bytes)
{
    return static_cast<int>(std::min<size_t>(bytes + 2, 1u << 24)) * 7;
}

} // namespace

std::vector<std::string> splitCandidates(std::string_view list)
{
    const std::string_view nul("\0", 1);
    const std::string marked = grepStrConv(list, "|", nul);
    std::vector<std::string> fields;
    for (std::string_view field : splitFieldsB(marked, '\0'))
        fields.emplace_back(field);
    return fields;
}

SelectList makeSelectRows(std::string_view candidates, std::string_view matched, std::string_view notes,
                          const std::function<void()>& step)
{
    SelectList list;
    size_t width0 = 0;
    if (notes.empty()) {
        list.rows.push_back({std::string(matched) + kKeepMatchCaption, {}});
        width0 = list.rows[0].text.size();
    } else {
        list.rows.push_back({std::string(matched), kKeepMatchCaption});
        width0 = matched.size();
    }
    for (std::string& field : splitCandidates(candidates)) {
        width0 = std::max(width0, field.size());
        list.rows.push_back({std::move(field), {}});
        if (step)
            step();
    }
    size_t width1 = 0;
    size_t row = 1;
    for (std::string& note : splitCandidates(notes)) {
        // A note with no row to go to is neither shown nor measured.
        if (row < list.rows.size()) {
            width1 = std::max(width1, note.size());
            list.rows[row].note = std::move(note);
        }
        ++row;
        if (step)
            step();
    }
    list.width0 = pixelsFor(width0);
    list.width1 = pixelsFor(width1);
    return list;
}

} // namespace tv
