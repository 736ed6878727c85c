#pragma once
// The output-name template: date and time tokens expanded from one reading of
// the clock.

#include "platform/core/Date.h"

#include <string>
#include <string_view>

namespace tv {

std::string makeFormatStr(std::string_view format, const Date& now);

} // namespace tv
