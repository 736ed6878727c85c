#pragma once
// The codes that Windows gave its characters beyond JIS X 0208, as the
// converters of TextEncoding read them: the characters that Shift_JIS and
// EUC-JP hold at more than one code, and the rows of ISO-2022-JP's two-byte
// set that hold NEC row 13 and the IBM extensions. Used by the converters
// only. The tables are taken from the converters themselves at first use.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tv::windows {

// Code a converter writes -> code a text used instead, sorted by the first.
using Swaps = std::vector<std::pair<uint32_t, uint32_t>>;

// Whether a two-byte Shift_JIS code (lead << 8 | trail) is one of the codes
// of a character that CP932 writes at another code.
bool isOtherShiftJisForm(uint32_t code);
// The same for an EUC-JP code: two bytes, or 0x8F and two more.
bool isOtherEucJpForm(uint32_t code);

// For valid bytes of a whole text: the code it uses first for each character
// held at several codes, where that is not the code the converter writes.
Swaps shiftJisSwaps(std::string_view bytes);
Swaps eucJpSwaps(std::string_view bytes);

// Bytes the converter wrote, with each code of swaps replaced by the text's
// own. The bytes start at a character.
std::string withShiftJisSwaps(std::string_view bytes, const Swaps& swaps);
std::string withEucJpSwaps(std::string_view bytes, const Swaps& swaps);

// ISO-2022-JP: the character at a pair of row 13 or 89-92 of the two-byte
// set (bytes 0x21-0x7E), read as Shift_JIS reads the same Windows code; 0 for
// none.
uint32_t jisWindowsChar(unsigned row, unsigned cell);
// The pair for a character there, row << 8 | cell; 0 for none. The first of
// two, row 13 before 89-92.
uint32_t jisWindowsPair(uint32_t cp);

} // namespace tv::windows
