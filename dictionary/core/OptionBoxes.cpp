#include "dictionary/core/OptionBoxes.h"

#include "dictionary/core/DictionaryFormat.h"
#include "platform/core/Text.h"

namespace tv {

namespace {

struct Unit {
    size_t start;
    size_t length;
};

// The character that holds byte `at`, as the text decodes: a malformed byte
// is a unit of its own.
Unit unitAt(std::string_view s, size_t at)
{
    size_t i = 0;
    while (i < s.size()) {
        const size_t start = i;
        nextCodePoint(s, i);
        if (i > at)
            return {start, i - start};
    }
    return {at, 1};
}

} // namespace

int optionBoxPosition(std::string_view name)
{
    for (int i = 0; i < optionBoxCount; ++i) {
        if (optionBoxNames[size_t(i)] == name)
            return i + 1;
    }
    return 0;
}

bool optionBoxTicked(std::string_view options, int position)
{
    return RuleOptions::isOn(options, position);
}

OptionBoxChange optionBoxChanged(std::optional<std::string_view> options, int position, bool ticked)
{
    OptionBoxChange change;
    if (!options || position < 1 || position > optionBoxCount)
        return change;
    if (position == RuleOptions::RegularExpression)
        change.regexBoxesEnabled = ticked;

    std::string flags(*options);
    if (flags.size() < size_t(optionBoxCount))
        flags.append(size_t(optionBoxCount) - flags.size(), '-');
    const size_t at = size_t(position) - 1;
    const char mark = ticked ? '*' : '-';

    bool normalised = false;
    const Unit unit = unitAt(flags, at);
    if (unit.length > 1) {
        flags.replace(unit.start, unit.length, unit.length, '-');
        normalised = true;
    }
    if (!normalised && flags[at] == mark)
        return change;
    flags[at] = mark;
    change.stored = std::move(flags);
    change.marksModified = true;
    return change;
}

OptionBoxLoad loadOptionBoxes(std::string_view options, const std::array<bool, optionBoxCount>& tickedBefore)
{
    OptionBoxLoad load;
    load.boxes.ticked = tickedBefore;
    std::string current(options);
    bool wrote = false;
    for (int p = 1; p <= optionBoxCount; ++p) {
        const size_t i = size_t(p) - 1;
        // The wanted ticks come from the options as the row held them; a
        // rewrite only turns bytes that read as off into "-".
        const bool wanted = optionBoxTicked(options, p);
        if (load.boxes.ticked[i] == wanted)
            continue;
        load.boxes.ticked[i] = wanted;
        load.changed[i] = true;
        OptionBoxChange change = optionBoxChanged(current, p, wanted);
        if (change.stored) {
            current = std::move(*change.stored);
            wrote = true;
        }
    }
    for (int p = 1; p <= optionBoxCount; ++p)
        load.boxes.enabled[size_t(p) - 1] = !isRegexOnlyPosition(p) || load.boxes.ticked[0];
    if (wrote) {
        load.stored = std::move(current);
        load.marksModified = true;
    }
    return load;
}

OptionBoxStates clearedOptionBoxes()
{
    return {};
}

} // namespace tv
