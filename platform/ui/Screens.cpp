#include "platform/ui/Screens.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace tv {

namespace {

// The overlap of a frame and an area, as an area in 64-bit (0 when none).
int64_t overlap(const QRect& area, const StoredFrame& f)
{
    const int64_t left = std::max<int64_t>(area.left(), f.left);
    const int64_t top = std::max<int64_t>(area.top(), f.top);
    const int64_t right = std::min<int64_t>(int64_t(area.left()) + area.width(), f.left + std::max<int64_t>(f.width, 0));
    const int64_t bottom = std::min<int64_t>(int64_t(area.top()) + area.height(), f.top + std::max<int64_t>(f.height, 0));
    if (right <= left || bottom <= top)
        return 0;
    return (right - left) * (bottom - top);
}

// One side of the frame: its size and place within [start, start + span).
void holdSide(int64_t& place, int64_t& size, int64_t start, int64_t span, int64_t least)
{
    size = std::max(size, least);
    if (size > span)
        size = std::max(span, least);
    place = std::clamp(place, start, std::max(start, start + span - size));
}

int toInt(int64_t v)
{
    return int(std::clamp<int64_t>(v, -(int64_t(1) << 24), int64_t(1) << 24));
}

} // namespace

std::vector<QRect> screenAreas()
{
    std::vector<QRect> areas;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary)
        areas.push_back(primary->availableGeometry());
    for (QScreen* screen : QGuiApplication::screens())
        if (screen != primary)
            areas.push_back(screen->availableGeometry());
    return areas;
}

int areaUnder(const std::vector<QRect>& areas, const StoredFrame& frame)
{
    int best = -1;
    int64_t most = 0;
    for (size_t i = 0; i < areas.size(); ++i) {
        const int64_t o = overlap(areas[i], frame);
        if (o > most) {
            most = o;
            best = int(i);
        }
    }
    return best;
}

QRect holdToAreas(const std::vector<QRect>& areas, const StoredFrame& frame, QSize minimum)
{
    StoredFrame f = frame;
    const int64_t leastWidth = std::max(minimum.width(), 1);
    const int64_t leastHeight = std::max(minimum.height(), 1);
    if (areas.empty()) {
        f.width = std::clamp<int64_t>(f.width, leastWidth, std::max<int64_t>(leastWidth, 4096));
        f.height = std::clamp<int64_t>(f.height, leastHeight, std::max<int64_t>(leastHeight, 4096));
        return QRect(0, 0, toInt(f.width), toInt(f.height));
    }
    const int index = areaUnder(areas, f);
    const QRect& area = areas[size_t(std::max(index, 0))];
    if (index < 0) {
        // On no screen: its size kept as far as the screen allows, centred.
        holdSide(f.left, f.width, area.left(), area.width(), leastWidth);
        holdSide(f.top, f.height, area.top(), area.height(), leastHeight);
        f.left = area.left() + std::max<int64_t>(0, (int64_t(area.width()) - f.width) / 2);
        f.top = area.top() + std::max<int64_t>(0, (int64_t(area.height()) - f.height) / 2);
    } else {
        holdSide(f.left, f.width, area.left(), area.width(), leastWidth);
        holdSide(f.top, f.height, area.top(), area.height(), leastHeight);
    }
    return QRect(toInt(f.left), toInt(f.top), toInt(f.width), toInt(f.height));
}

QRect holdToScreens(const StoredFrame& frame, QSize minimum)
{
    return holdToAreas(screenAreas(), frame, minimum);
}

} // namespace tv
