#pragma once
// The eight option check boxes of the editor over the selected rule's options
// text, as pure functions: what the boxes show for a row, and what a change
// of a box's value writes.
//
// Positions count bytes from 1. A box's change writes only when its byte
// differs from the new mark, and only then is a short text padded with "-" to
// eight bytes; bytes beyond the eighth stay. A byte inside a character of more
// than one byte is never replaced alone: the whole character first becomes
// "-" bytes, and that is written (and marks the window) even where the box's
// own byte then needs no change.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace tv {

inline constexpr int optionBoxCount = 8;

// The boxes' objectNames by position (index 0 is position 1).
inline constexpr std::array<std::string_view, optionBoxCount> optionBoxNames = {
    "isGrepCheck", "isRepListCheck", "isConfirmCheck", "isScriptCheck",
    "isCaseSensitive", "isGreedy", "isDotMatchAll", "isMatchEmpty",
};
// The position (1 to 8) of a box's name, 0 for none.
int optionBoxPosition(std::string_view name);

// Positions 6 to 8 apply to regular expressions only: their boxes are enabled
// only while box 1 is ticked.
inline constexpr bool isRegexOnlyPosition(int position) { return position >= 6 && position <= 8; }

// Whether box `position` is ticked for a row's options: its byte is "*".
bool optionBoxTicked(std::string_view options, int position);

// What a change of one box's value does (the boxes' Action handlers).
struct OptionBoxChange {
    // The options text to store in the row; nothing when nothing is written.
    std::optional<std::string> stored;
    // The window becomes modified (exactly when something is stored).
    bool marksModified = false;
    // Box 1 only, with a row selected: boxes 6 to 8 become enabled (true) or
    // disabled (false); their ticks stay.
    std::optional<bool> regexBoxesEnabled;
};

// Box `position` now shows `ticked`. `options` is the selected row's options
// text, or nothing with no row selected (then nothing at all happens).
OptionBoxChange optionBoxChanged(std::optional<std::string_view> options, int position, bool ticked);

// The eight boxes' ticks and enabled states (index 0 is position 1).
struct OptionBoxStates {
    std::array<bool, optionBoxCount> ticked{};
    std::array<bool, optionBoxCount> enabled{};
};

// Loading the selected row into the boxes on a change of selection. Each box
// whose tick differs from the row's byte is set, in position order, and that
// change runs optionBoxChanged as the user's would: so a box unticked for a
// byte that is neither "*" nor "-" rewrites it and marks the window, while the
// same byte under a box that was off already stays. Which boxes change depends
// on what they showed before (the previous row).
struct OptionBoxLoad {
    OptionBoxStates boxes;
    // The options text to store in the row after the load, if any box wrote.
    std::optional<std::string> stored;
    bool marksModified = false;
    // The positions whose tick changed, in order.
    std::array<bool, optionBoxCount> changed{};
};
OptionBoxLoad loadOptionBoxes(std::string_view options, const std::array<bool, optionBoxCount>& tickedBefore);

// With no row selected: all eight unticked and disabled; nothing is written.
OptionBoxStates clearedOptionBoxes();

} // namespace tv
