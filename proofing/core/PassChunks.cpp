#include "proofing/core/PassChunks.h"

namespace tv {

namespace {

bool stateful(const TextEncoding& e)
{
    return e.kind() == TextEncoding::Kind::ISO2022JP || e.kind() == TextEncoding::Kind::UTF7;
}

// Just past the first line-end byte at or after `from`, or the end.
size_t afterLineEnd(std::string_view s, size_t from)
{
    size_t hit = s.find_first_of("\r\n", from);
    return hit == std::string_view::npos ? s.size() : hit + 1;
}

} // namespace

size_t utf8ChunkEnd(std::string_view text, size_t at)
{
    if (text.size() - at <= kPassChunk)
        return text.size();
    size_t end = at + kPassChunk;
    while (end > at && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return end > at ? end : text.size();
}

size_t encodedChunkEnd(std::string_view bytes, size_t at, const TextEncoding& encoding)
{
    if (stateful(encoding) || bytes.size() - at <= kPassChunk)
        return bytes.size();
    if (encoding.kind() == TextEncoding::Kind::UTF16) {
        // A unit 0x000A or 0x000D ends a line; units keep their alignment.
        size_t i = at + kPassChunk;
        i -= (i - at) % 2;
        for (; i + 1 < bytes.size(); i += 2) {
            const unsigned char hi = static_cast<unsigned char>(encoding.bigEndian() ? bytes[i] : bytes[i + 1]);
            const unsigned char lo = static_cast<unsigned char>(encoding.bigEndian() ? bytes[i + 1] : bytes[i]);
            if (hi == 0 && (lo == 0x0A || lo == 0x0D))
                return i + 2;
        }
        return bytes.size();
    }
    // Shift_JIS and EUC-JP never use CR or LF inside a character.
    return afterLineEnd(bytes, at + kPassChunk);
}

size_t utf8LineChunkEnd(std::string_view text, size_t at, const TextEncoding& encoding)
{
    if (stateful(encoding) || text.size() - at <= kPassChunk)
        return text.size();
    return afterLineEnd(text, at + kPassChunk);
}

const TextEncodingRef& continuationEncoding(const TextEncodingRef& encoding)
{
    if (encoding->kind() == TextEncoding::Kind::UTF16 && encoding->hasByteOrderMark())
        return Encodings::UTF16(encoding->bigEndian(), false);
    return encoding;
}

} // namespace tv
