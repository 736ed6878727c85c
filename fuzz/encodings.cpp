// The encoding detector on any sample, and every strict converter both ways:
// a decoded text is valid UTF-8 and comes back the same when written and read
// again; what a converter writes it reads back, and writes again to the same
// bytes.

#include "FuzzSupport.h"

#include "encoding/core/TextEncoding.h"
#include "encoding/core/detectKanji.h"
#include "platform/core/Errors.h"
#include "platform/core/Text.h"

#include <cstdint>
#include <vector>

using namespace tv;

namespace {

const std::vector<TextEncodingRef>& everyEncoding()
{
    static const std::vector<TextEncodingRef> all = {Encodings::UTF8(), Encodings::ShiftJIS(),
        Encodings::EUCJP(), Encodings::ISO2022JP(), Encodings::UTF7(), Encodings::UTF16(true, false),
        Encodings::UTF16(true, true), Encodings::UTF16(false, false), Encodings::UTF16(false, true)};
    return all;
}

// Encoded and decoded again: a text that was read from bytes comes back the
// same; any text comes back as one that is written to the same bytes (a few
// characters that Shift_JIS writes alike read back as one of them). Nothing
// when the encoding cannot hold the text.
void settles(const TextEncoding& e, const std::string& text, bool wasDecoded)
{
    std::string bytes;
    try {
        bytes = e.encode(text);
    } catch (const EncodingException&) {
        return;
    }
    std::string back;
    try {
        back = e.decode(bytes);
    } catch (const EncodingException&) {
        fuzz::failed(("what " + e.name() + " wrote does not read back").c_str());
    }
    if (wasDecoded)
        fuzz::expect(back == text, ("a text read from " + e.name() + " changed when written and read again").c_str());
    fuzz::expect(e.encode(back) == bytes, ("read back and written again, other bytes in " + e.name()).c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const detectKanji detector;
    const std::string_view bytes = fuzz::bytesOf(data, size);
    const TextEncodingRef guessed = detector.JudgeCode(bytes.substr(0, 1000));
    fuzz::expect(guessed != nullptr, "the detector gave no encoding");

    for (const TextEncodingRef& e : everyEncoding()) {
        std::string text;
        try {
            text = e->decode(bytes);
        } catch (const EncodingException&) {
            continue;
        }
        fuzz::expect(isValidUtf8(text), ("decoded from " + e->name() + ", not UTF-8").c_str());
        settles(*e, text, true);
    }
    if (isValidUtf8(bytes))
        for (const TextEncodingRef& e : everyEncoding())
            settles(*e, std::string(bytes), false);
    return 0;
}
