#pragma once
// The user's regional date and time forms: the short date and the long time (without a time zone).
#include <string>

#include "platform/system.h"

namespace platform {

std::u16string shortDateText(const LocalTime &t);
std::u16string longTimeText(const LocalTime &t);

} // namespace platform
