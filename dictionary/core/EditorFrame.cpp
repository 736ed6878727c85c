#include "dictionary/core/EditorFrame.h"

#include <cstdint>

namespace tv {

bool isPlaceableFrame(const DictionaryFrame& frame, const QList<QRect>& screens)
{
    if (frame.width <= 0 || frame.height <= 0)
        return false;
    // In 64 bits: numbers read from a file may reach the ends of int.
    const int64_t left = frame.left;
    const int64_t top = frame.top;
    const int64_t right = left + frame.width;
    const int64_t bottom = top + frame.height;
    for (const QRect& s : screens) {
        if (s.isEmpty())
            continue;
        const int64_t sLeft = s.x();
        const int64_t sTop = s.y();
        const int64_t sRight = sLeft + s.width();
        const int64_t sBottom = sTop + s.height();
        if (left < sRight && sLeft < right && top < sBottom && sTop < bottom)
            return true;
    }
    return false;
}

} // namespace tv
