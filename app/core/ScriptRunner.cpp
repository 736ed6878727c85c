#include "app/core/ScriptRunner.h"

#include "platform/core/Errors.h"

namespace tv {

std::string applescriptKick(const std::vector<ScriptValue>& values)
{
    // Compiled AppleScript needs the system's script interpreter, which this
    // system does not have; a made-up answer would replace the user's text.
    (void)values;
    throw RuntimeException("コンパイル済み AppleScript はこのシステムでは実行できません。");
}

} // namespace tv
