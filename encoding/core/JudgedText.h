#pragma once
// Bytes that enter the program as a whole text (a file to proofread, a
// script's output), judged and read as UTF-8. The detector judges the first
// bytes; where it found no sure sign, what the whole text holds may overrule
// its guess, so that a UTF-8 file whose first thousand bytes are ASCII, or
// UTF-16 with a big-endian mark and no zero byte, is read for what it is.

#include "encoding/core/detectKanji.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace tv {

// When the whole text is looked at, the detector having found no sure sign.
enum class TextEvidence {
    // Only where the guess is blind or fails: the sample holds no byte above
    // 0x7F, or the text does not decode in the guessed encoding.
    WhereGuessFails,
    // Wherever no sure sign decided.
    WhereNotSure,
};

struct JudgedText {
    std::string text;         // UTF-8
    TextEncodingRef encoding; // what it was read in, and is written back in
};

// Reads bytes of an encoding other than UTF-8; throws EncodingException for
// bytes that do not decode. The plain TextEncoding::decode when empty.
using TextDecoder = std::function<std::string(std::string_view bytes, const TextEncodingRef& encoding)>;

// The first sampleSize bytes (all for npos) are the detector's sample. The
// evidence of the whole text: a UTF-16 byte-order mark at its start gives
// UTF-16 in that order; valid UTF-8 that holds a multi-byte character gives
// UTF-8; otherwise the detector's answer stands. Throws EncodingException
// when the bytes do not decode in the encoding finally chosen (where the
// evidence gave none, the detector's own failure). Long texts are checked in
// steps that yield.
JudgedText decodeJudged(const detectKanji& detector, std::string bytes, size_t sampleSize,
                        TextEvidence evidence, const TextDecoder& decode = {});

} // namespace tv
