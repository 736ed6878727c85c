#pragma once
// Buffers a text is rebuilt in. A rule that changes a big text writes the new
// text into a kept buffer, the text's own or the one an earlier rule left, so
// that it meets memory already in use rather than fresh pages.

#include <cstddef>
#include <string>

namespace tv {

// Makes `buffer` hold a text of `size` bytes and a sixteenth more. A buffer
// made here has an eighth more, so that, kept, it still holds the text after
// later rules have each added a little to it. Reserving only grows.
inline void reserveToRebuild(std::string& buffer, size_t size)
{
    if (buffer.capacity() < size + size / 16)
        buffer.reserve(size + size / 8);
}

} // namespace tv
