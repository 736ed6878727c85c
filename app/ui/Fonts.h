#pragma once
// The fonts the settings give the windows' texts, by FontSlot.

#include <QFont>

namespace tv {

// The font of a FontSlot, at its size in pixels (12 when the size is not
// usable). Read anew at every call: the preferences may have changed it.
QFont fontOfSlot(int slot);

} // namespace tv
