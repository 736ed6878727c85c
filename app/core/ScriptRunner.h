#pragma once
// The compiled-script runner: lets a user's compiled AppleScript compute a
// replacement. Compiled AppleScript has no interpreter on this system, so the
// runner keeps its interface and refuses to run.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace tv {

// The values handed to the script, in order: integers stay integers,
// everything else travels as text.
using ScriptValue = std::variant<int64_t, std::string>;

// Runs the compiled script with the values and answers the text it returns.
// Here it always raises RuntimeException: no compiled AppleScript can run.
std::string applescriptKick(const std::vector<ScriptValue>& values);

} // namespace tv
