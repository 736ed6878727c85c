#pragma once
// Text encodings that the detector chooses among, and strict converters from
// and to UTF-8. Text inside the program is UTF-8.

#include <memory>
#include <string>
#include <string_view>

namespace tv {

class TextEncoding {
public:
    enum class Kind { ShiftJIS, EUCJP, ISO2022JP, UTF8, UTF16, UTF7 };

    TextEncoding(Kind kind, bool bigEndian = true, bool byteOrderMark = false)
        : kind_(kind), bigEndian_(bigEndian), byteOrderMark_(byteOrderMark) {}

    Kind kind() const { return kind_; }
    // UTF-16 only: the byte order, and whether the text began with a mark.
    bool bigEndian() const { return bigEndian_; }
    bool hasByteOrderMark() const { return byteOrderMark_; }
    // A short name for messages and tests ("Shift_JIS", "UTF-16BE", ...).
    std::string name() const;

    // Bytes of this encoding to UTF-8. A UTF-16 value with a mark expects the
    // mark at the start of the bytes and drops it. Throws EncodingException for
    // bytes that do not decode; nothing is dropped or replaced.
    std::string decode(std::string_view bytes) const;
    // UTF-8 to bytes of this encoding (a UTF-16 value with a mark writes it
    // first). Throws EncodingException for a character the encoding cannot
    // hold, or for input that is not valid UTF-8.
    std::string encode(std::string_view utf8) const;

private:
    Kind kind_;
    bool bigEndian_;
    bool byteOrderMark_;
};

using TextEncodingRef = std::shared_ptr<const TextEncoding>;

namespace Encodings {
// The one shared UTF-8 object; readers compare a detected value with it by
// identity to skip conversion.
const TextEncodingRef& UTF8();
const TextEncodingRef& ShiftJIS();
const TextEncodingRef& EUCJP();
const TextEncodingRef& ISO2022JP();
} // namespace Encodings

} // namespace tv
