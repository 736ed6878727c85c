#include "encoding/core/JudgedText.h"

#include "platform/core/Errors.h"
#include "platform/core/Text.h"
#include "platform/core/Thread.h"

#include <algorithm>
#include <optional>

namespace tv {

namespace {

// About how much of a long text is checked between two yields.
constexpr size_t kStep = size_t(1) << 20;

bool isContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// Valid UTF-8, checked in pieces cut before a byte that begins a character,
// so that no piece splits a sequence a whole check would accept.
bool isValidUtf8InSteps(std::string_view text)
{
    size_t at = 0;
    while (at < text.size()) {
        size_t end = std::min(text.size(), at + kStep);
        for (int back = 0; back < 3 && end < text.size() && end > at + 1 &&
                           isContinuation(static_cast<unsigned char>(text[end])); ++back)
            --end;
        if (!isValidUtf8(text.substr(at, end - at)))
            return false;
        at = end;
        if (at < text.size())
            yieldToOthers();
    }
    return true;
}

bool holdsHighByte(std::string_view bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) > 0x7F; });
}

// What the whole text says of itself, if anything. validUtf8 is set when it
// was found to be UTF-8.
std::optional<TextEncodingRef> wholeTextEvidence(std::string_view bytes, bool& validUtf8)
{
    if (bytes.starts_with("\xFE\xFF"))
        return Encodings::UTF16(true, true);
    if (bytes.starts_with("\xFF\xFE"))
        return Encodings::UTF16(false, true);
    if (holdsHighByte(bytes) && isValidUtf8InSteps(bytes)) {
        validUtf8 = true;
        return Encodings::UTF8();
    }
    return std::nullopt;
}

} // namespace

JudgedText decodeJudged(const detectKanji& detector, std::string bytes, size_t sampleSize,
                        TextEvidence evidence, const TextDecoder& decode)
{
    const std::string_view all(bytes);
    const std::string_view sample = all.substr(0, std::min(sampleSize, all.size()));
    const detectKanji::Judgement judged = detector.Judge(sample);

    auto readAs = [&](const TextEncodingRef& encoding, bool knownValid) {
        JudgedText out;
        out.encoding = encoding;
        if (encoding == Encodings::UTF8()) {
            if (!knownValid && !isValidUtf8InSteps(bytes))
                throw EncodingException("the text is not valid UTF-8");
            out.text = std::move(bytes);
        } else {
            out.text = decode ? decode(bytes, encoding) : encoding->decode(bytes);
        }
        return out;
    };

    if (judged.sure)
        return readAs(judged.encoding, false);
    bool validUtf8 = false;
    if (evidence == TextEvidence::WhereNotSure || !holdsHighByte(sample)) {
        const std::optional<TextEncodingRef> found = wholeTextEvidence(bytes, validUtf8);
        return readAs(found.value_or(judged.encoding), validUtf8);
    }
    try {
        return readAs(judged.encoding, false);
    } catch (const EncodingException&) {
        const std::optional<TextEncodingRef> found = wholeTextEvidence(bytes, validUtf8);
        if (!found || *found == judged.encoding)
            throw;
        return readAs(*found, validUtf8);
    }
}

} // namespace tv
