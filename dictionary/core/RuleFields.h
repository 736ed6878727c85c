#pragma once
// The editor's three rule fields as data: which field edits which cell, its
// focus code and where Return sends the focus; and the texts that pass
// between a field and its cell.
//
// A field hands out its text with CR line ends (Qt holds LF, and a raw LF in
// a cell would split the rule's line in the file), and fixString then stores
// each CR as "\r" and each TAB as "\t". Loading a rule into the fields decodes
// nothing: a field shows "\r" where the user once typed a line break.

#include <QString>

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace tv {

struct RuleField {
    std::string_view name; // objectName of the field
    int column;            // the cell of the selected row it edits
    int focusCode;         // App.editFieldNo while it has the focus
    // The field that Return moves the focus to; empty: Return is swallowed
    // and the focus stays.
    std::string_view returnFocus;
};

inline constexpr std::array<RuleField, 3> ruleFields = {{
    {"findField", 0, 1, "repField"},
    {"repField", 1, 2, "guideField"},
    {"guideField", 3, 7, ""},
}};

// The field of a focus code (Select All), or the field of a name.
std::optional<RuleField> ruleFieldForCode(int focusCode);
std::optional<RuleField> ruleFieldNamed(std::string_view name);

// Every line end becomes one CR: CR LF, LF, U+2028 and U+2029.
std::string crLineEnds(std::string_view utf8);
// A field's or in-place editor's text as UTF-8 with CR line ends.
std::string fieldText(const QString& shown);

// A text as typed, in stored form: every CR becomes "\r", then every TAB "\t";
// nothing else changes (a typed backslash is not doubled).
std::string fixString(std::string_view typed);

// What a field writes into its cell: fixString of its CR-ended text.
std::string storedFieldText(const QString& shown);
// What a field shows for a cell: the stored text as it is.
QString shownFieldText(std::string_view stored);

// The cell a double-click chose for editing in place: the search text (0)
// left of half the list's full width less 8, the replacement (1) from there
// on. x is the pointer's position in the window's content area; the list
// begins at its left edge. Real-valued: with the list 573 wide the boundary is
// 278.5.
int inPlaceEditColumn(double x, double listWidth);

} // namespace tv
