#pragma once
// Text encodings that the detector chooses among, and strict converters from
// and to UTF-8. Text inside the program is UTF-8.
//
// Shift_JIS is read and written as CP932 (so 0x5C and 0x7E stay backslash and
// tilde), with the few codes where the Japanese tables disagree - the wave
// dash 0x8160 and its companions - read as the same characters that EUC-JP
// and ISO-2022-JP give, so that one rule matches a text whatever its encoding.
// The Windows characters (NEC row 13, the IBM extensions, the user-defined
// area) are read in all three: EUC-JP as EUC-JP-MS places them where EUC-JP
// has nothing, ISO-2022-JP in rows 13 and 89-92 of its two-byte set (and
// written there rather than in a Chinese or Korean set).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tv {

// How one text wrote the characters that its encoding can write in more than
// one way: in Shift_JIS and EUC-JP the code first seen for each character
// that Windows placed at two or three codes (ED40 and FA5C, 81E6, 879A and
// FA5B, ...), in UTF-7 the characters written directly that may also be
// encoded. Gathered while the text is read, followed when it is written back,
// so that its bytes change only where its characters do. An empty one asks
// for nothing: the converters' own forms.
class TextForms {
    friend class TextEncoding;

    bool unread_ = false; // decode() met a form that noteForms() must read
    // Code the converter writes -> code the text used first, for each
    // character whose first form is not the converter's; by the first.
    std::vector<std::pair<uint32_t, uint32_t>> swaps_;
    uint32_t direct_ = 0; // UTF-7: bit i for the i-th optional direct character
};

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

    // Bytes of this encoding to UTF-8. A UTF-16 value with a mark drops the
    // mark at the start of the bytes (a piece that does not start with it, a
    // later line say, is read in the same byte order). Throws
    // EncodingException for bytes that do not decode, an incomplete sequence
    // at the end included; nothing is dropped or replaced.
    std::string decode(std::string_view bytes) const;
    // The same; with forms, also marks there whether the bytes write some
    // character in another form than encode() would. Consecutive pieces of
    // one text may go through the same forms; noteForms() over the whole
    // text's bytes then learns which forms they were.
    std::string decode(std::string_view bytes, TextForms* forms) const;
    // Records the forms that bytes, a whole text that decode() read through
    // forms, use first for each character. Costs nothing when decode() met no
    // form other than the converter's own.
    void noteForms(std::string_view bytes, TextForms& forms) const;
    // UTF-8 to bytes of this encoding (a UTF-16 value with a mark writes it
    // first). Throws EncodingException for a character the encoding cannot
    // hold, or for input that is not valid UTF-8.
    std::string encode(std::string_view utf8) const;
    // The same, writing each character in the form that forms (gathered from
    // a text in this encoding) recorded for it.
    std::string encode(std::string_view utf8, const TextForms* forms) const;

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
const TextEncodingRef& UTF7();
// One shared object for each byte order, with and without a mark.
const TextEncodingRef& UTF16(bool bigEndian, bool byteOrderMark);
} // namespace Encodings

// Whether bytes read as strict UTF-7. With mayBeCut the bytes are the start of
// a longer text: a sequence or a base64 run left open at their end counts as
// valid.
bool decodesAsUtf7(std::string_view bytes, bool mayBeCut);

} // namespace tv
