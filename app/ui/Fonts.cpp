#include "app/ui/Fonts.h"

#include "app/core/AppState.h"

#include <string>

namespace tv {

QFont fontOfSlot(int slot)
{
    const AppState& app = appState();
    const size_t i = slot >= 0 && slot < FontSlotCount ? static_cast<size_t>(slot) : 0;
    const std::string& name = app.fontName[i];
    QFont font(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    const int size = app.fontSize[i];
    font.setPixelSize(size > 0 && size < 1000 ? size : 12);
    return font;
}

} // namespace tv
