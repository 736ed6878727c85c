#pragma once
// Cutting large texts into pieces for the steps of a pass that may yield in
// between (reading, converting, saving): each cut lies where a piece can be
// converted on its own.

#include "encoding/core/TextEncoding.h"

#include <cstddef>
#include <string_view>

namespace tv {

// About how much a long step does between two yields.
constexpr size_t kPassChunk = size_t(1) << 20;

// End of the piece of UTF-8 that begins at `at`: about kPassChunk bytes on,
// moved back to a character boundary; the text's end at the latest.
size_t utf8ChunkEnd(std::string_view text, size_t at);

// End of the piece of bytes in `encoding` that begins at `at`, just after a
// line end, so the piece decodes alone. Stateful encodings (ISO-2022-JP,
// UTF-7) are never cut.
size_t encodedChunkEnd(std::string_view bytes, size_t at, const TextEncoding& encoding);

// End of the piece of UTF-8 text beginning at `at` that can be encoded alone
// into `encoding`: just after a line end, the whole rest for stateful ones.
size_t utf8LineChunkEnd(std::string_view text, size_t at, const TextEncoding& encoding);

// The encoding that converts the pieces after the first: the same without
// its byte-order mark, so no piece but the first reads or writes one.
const TextEncodingRef& continuationEncoding(const TextEncodingRef& encoding);

} // namespace tv
