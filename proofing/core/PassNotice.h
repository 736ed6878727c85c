#pragma once
// The result notice of a pass: whether the user hears of the outcome, and
// how, as the notice settings ask.

#include <optional>
#include <string>

namespace tv {

class AppState;

struct ResultNotice {
    enum class Kind { None, Beep, Sheet };
    Kind kind = Kind::None;
    std::string message;
    // The detail line; none leaves the sheet's line as it is.
    std::optional<std::string> summary;
};

// From App.prefAlarmType, App.prefAlarmFile, App.prefAlarmChange,
// App.isClip and App.isFastProof, and the pass's outcome. unsaved counts the
// changed files that could not be saved (no place to save them): the notice
// then says that their work is lost instead of that nothing was found.
ResultNotice resultNotice(const AppState& app, bool manyFiles, bool changed, int files, int saved,
                          int replacements, int unsaved = 0);

} // namespace tv
