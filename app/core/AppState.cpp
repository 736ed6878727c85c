#include "app/core/AppState.h"

#include "app/core/FormatStr.h"
#include "platform/core/Date.h"
#include "platform/core/Errors.h"

namespace tv {

namespace {
AppState*& registered()
{
    static AppState* state = nullptr;
    return state;
}
} // namespace

AppState::AppState() = default;

AppState::~AppState()
{
    if (registered() == this)
        registered() = nullptr;
}

const char* AppState::versionText()
{
    return "1.0 2025-2026, Tesvora";
}

std::string AppState::makeFormatStr(std::string_view format) const
{
    return tv::makeFormatStr(format, Date::now());
}

AppState& appState()
{
    if (!registered())
        throw NilObjectException("no application object");
    return *registered();
}

void registerAppState(AppState* state)
{
    registered() = state;
}

} // namespace tv
