#include "trial/core/PaletteFold.h"

namespace tv {

PaletteFold paletteFold(bool open, int triangleTop, int triangleHeight)
{
    if (open)
        return {triangleTop + kExpandedBelowTriangleTop, kExpandedMinimumHeight, true, false};
    return {triangleTop + triangleHeight, kCollapsedMinimumHeight, false, true};
}

int triangleTopAfterResize(int triangleTop, int oldHeight, int newHeight)
{
    return triangleTop + (newHeight - oldHeight);
}

} // namespace tv
