#pragma once
// The sixteen guide menus of the palette and the wildcard button. A row is
// the pattern, one to three TABs and a short description; only the pattern is
// ever inserted. Patterns write "¥" (U+00A5) where the syntax has a
// backslash, as the palette's regular-expression mode reads it.

#include "trial/core/PaletteFields.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

struct GuideItem {
    std::string row;        // empty for a separator
    bool separator = false; // counts in the menu's item numbering; cannot be chosen
};

struct GuideMenu {
    std::string caption; // the button's caption
    std::vector<GuideItem> items;
};

// The menus of the buttons 0 to 15 (正規表現ガイド 0 to 7, よく使う正規表現
// 8 to 15), each with its items in menu order.
const std::vector<GuideMenu>& guideMenus();

// What choosing a row inserts: its text before the first TAB, the whole text
// when it holds none.
std::string guidePiece(std::string_view row);

// A row as its menu item shows it: every "&" doubled, so that none is taken
// for a mnemonic ("$&" would show as "$").
std::string guideCaption(std::string_view row);

// The wildcard group for the search field.
inline constexpr std::string_view kWildcardGroup = "(.+)";

// The next group reference for a replacement: "$" and one more than the
// highest number that follows a "$" in it (read as Val reads a number, so
// "$ 5" counts as 5; a value past the integer range counts as its limit).
// "$1" when no "$" is followed by a positive number.
std::string nextGroupReference(std::string_view replacement);

// What the wildcard button puts in place of the focused field's selection:
// the group into the search field, the next reference into the replacement
// field, nothing for any other focus.
std::optional<std::string> wildcardInsertion(TrialField focused, std::string_view replacement);

} // namespace tv
