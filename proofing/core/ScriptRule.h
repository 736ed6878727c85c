#pragma once
// Script rules: the rule's replacement names a file in the folder "Script",
// and that script computes the replacement of every match. A compiled
// AppleScript (type "osas") goes to the compiled-script runner; any other file
// is run itself, with the five values of the match as five arguments that no
// shell parses. What it prints on standard output is its output, in whatever
// encoding it wrote; standard error is not part of it.
//
// The script runs while the event loop goes on; the worker sleeps until the
// script has ended, waking every 100 ms to ask whether the pass was
// cancelled. A cancel ends the script (and whatever it started) and then the
// pass.

#include "platform/core/Errors.h"
#include "platform/core/FolderItem.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

class detectKanji;

// The script of a rule, or nil when it is missing: a name that cannot be a
// single file name ("/" or NUL in it, ".", "..", empty) names none, for it
// would otherwise run any program; so does a name with no file behind it.
FolderItem findScript(const FolderItem& scriptFolder, std::string_view name);

// What a script is handed for one match.
struct ScriptValues {
    std::string matchText;
    std::string itemName; // the file's display name, or "クリップボード"
    int32_t matchStart = 0;    // 1-based character position
    int32_t matchEndLess = 0;  // last position less the first: the length less one
    int32_t ruleReplaceCount = 0;
};

// A script that gave nothing to use: it could not be started, a signal ended
// it, or it failed (non-zero status) without printing anything. A script that
// printed something is taken at its word whatever its status.
class ScriptFailure : public RuntimeException {
public:
    explicit ScriptFailure(const std::string& what) : RuntimeException(what) {}
};

// Runs the script for one match and returns its output as UTF-8. cancelTest
// is asked while the script runs; when it throws, the script is ended and the
// exception goes on.
std::string runScriptRule(const FolderItem& script, const ScriptValues& values, const detectKanji& detector,
                          const std::function<void()>& cancelTest);

// The most a script may print for one match, far beyond any replacement; a
// script that prints more is ended and fails.
constexpr size_t kScriptOutputLimit = size_t(16) * 1024 * 1024;

// The script file run with these arguments: what it printed on standard
// output, as bytes.
std::string runScriptFile(const std::string& path, const std::vector<std::string>& arguments,
                          const std::function<void()>& cancelTest);

// A script's output in UTF-8: its encoding detected over the whole output.
std::string scriptOutputText(std::string_view bytes, const detectKanji& detector);

} // namespace tv
