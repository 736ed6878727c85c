#pragma once
// Plain-text search and replace-all for rules that are not regular
// expressions. Case-sensitive: the bytes must be equal. Otherwise characters
// are compared after simple one-to-one case folding (tv::foldCase), so a
// match may differ in length from the search text. Occurrences are taken
// leftmost first and never overlap. Texts are valid UTF-8; offsets are bytes.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "proofing/core/TextEdits.h"

namespace tv {

struct TextRange {
    size_t start = 0; // byte offset of the first byte
    size_t end = 0;   // byte offset just past the last byte
};

// The first occurrence of `find` that begins at or after byte offset
// `startByte` (a character boundary). An empty `find` finds nothing.
std::optional<TextRange> findText(std::string_view text, std::string_view find, size_t startByte,
                                  bool caseSensitive);

// Replaces every occurrence of `find` in `text`; text put in is not searched
// again. Returns the number of occurrences replaced. With `edits`, every
// replaced piece is recorded there.
size_t replaceAllText(std::string& text, std::string_view find, std::string_view replacement,
                      bool caseSensitive, TextEdits* edits = nullptr);

} // namespace tv
