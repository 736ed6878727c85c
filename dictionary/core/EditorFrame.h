#pragma once
// The editor window's frame as the dictionary header stores it: the content
// area's left, top, width and height (a window's geometry(), not its
// decorated frame, so that saving and reopening puts it where it was).

#include <QList>
#include <QRect>
#include <QSize>

#include "dictionary/core/DictionaryFormat.h"

namespace tv {

inline constexpr QSize editorDefaultSize(573, 502);
inline constexpr QSize editorMinimumSize(573, 360);

inline DictionaryFrame frameOfGeometry(const QRect& content)
{
    return {content.x(), content.y(), content.width(), content.height()};
}

inline QRect geometryOfFrame(const DictionaryFrame& frame)
{
    return QRect(frame.left, frame.top, frame.width, frame.height);
}

// Whether a stored frame can place the window: it has a width and a height,
// and it meets one of the screens' available areas. Any other frame leaves
// the window at its minimum size where new windows go (the file keeps its
// numbers until the next save).
bool isPlaceableFrame(const DictionaryFrame& frame, const QList<QRect>& screens);

} // namespace tv
