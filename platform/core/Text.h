#pragma once
// Text functions on UTF-8 strings. A character is a Unicode code point and
// positions count from 1, as everywhere in the program; the ...B forms count
// bytes. Texts are compared by one rule throughout the program: ignoring case,
// with simple one-to-one case folding (textEquals, InStr, ReplaceAll).

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace tv {

// Characters.
int64_t Len(std::string_view s);
std::string Left(std::string_view s, int64_t count);
std::string Right(std::string_view s, int64_t count);
// From character position start (1-based) to the end. A start below 1 counts as
// 1; counts past the end clip and negative counts give the empty text, here and
// in the byte forms.
std::string Mid(std::string_view s, int64_t start);
std::string Mid(std::string_view s, int64_t start, int64_t count);
// Position (1-based) of the first occurrence of find at or after character
// position start, ignoring case; 0 when there is none. An empty find gives start.
// A start below 1 counts as 1; a start past Len(s) + 1 finds nothing.
int64_t InStr(std::string_view s, std::string_view find);
int64_t InStr(int64_t start, std::string_view s, std::string_view find);

// Comparing characters outside ASCII while ignoring case needs a table of
// every character's other cases, made at its first use. This starts making
// it on a thread of its own, so that the first comparison need not wait for
// all of it: the program calls it as it starts.
void prepareCaseFolding();

// Bytes.
int64_t LenB(std::string_view s);
std::string LeftB(std::string_view s, int64_t count);
std::string RightB(std::string_view s, int64_t count);
std::string MidB(std::string_view s, int64_t start);
std::string MidB(std::string_view s, int64_t start, int64_t count);
int64_t InStrB(int64_t start, std::string_view s, std::string_view find);
// The single byte 0 to 255; empty for any other value.
std::string ChrB(int byte);
// The character of code point cp, as UTF-8; U+FFFD for a surrogate or a value
// past U+10FFFF.
std::string Chr(uint32_t cp);

// Fields: NthField gives field n (from 1), empty when there are fewer fields;
// the separator is compared ignoring case. An empty separator gives the whole
// text as field 1. An empty text has no fields, any other at least one.
std::string NthField(std::string_view s, std::string_view separator, int64_t n);
int64_t CountFields(std::string_view s, std::string_view separator);
// The byte-exact form over a one-byte separator (rule lines, header lines,
// candidate lists), giving views into s; an empty text has no fields here too.
// This form fills `fields` from the left with at most fields.size() fields
// (those after them are dropped) and returns how many it filled.
size_t splitFieldsB(std::string_view s, char separator, std::span<std::string_view> fields);
// Every field.
std::vector<std::string_view> splitFieldsB(std::string_view s, char separator);
// The first N fields; those that s lacks are empty.
template <size_t N>
std::array<std::string_view, N> firstFieldsB(std::string_view s, char separator)
{
    std::array<std::string_view, N> fields{};
    splitFieldsB(s, separator, fields);
    return fields;
}
// Every occurrence of find, found ignoring case, left to right without overlap.
std::string ReplaceAll(std::string_view s, std::string_view find, std::string_view replacement);
// Byte-exact forms.
std::string ReplaceAllB(std::string_view s, std::string_view find, std::string_view replacement);

// Numbers. Str gives decimal text ("-" for negatives). Val reads the number at
// the start of a text (leading blanks skipped, an optional sign, digits, a
// fraction and an exponent), 0 when there is none; a number too large for a
// double gives the largest double (with its sign), one too small gives 0.
// Str(double) gives at most 15 significant digits.
std::string Str(int64_t n);
std::string Str(double d);
// Every other integer type, so that Str(anInt) is not ambiguous between the two.
template <typename T,
    std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, int64_t> && !std::is_same_v<T, bool>, int> = 0>
std::string Str(T n)
{
    return std::to_string(n);
}
double Val(std::string_view s);
// The one conversion of a double to an integer: truncation toward zero,
// saturating at the limits (NaN gives 0).
int64_t toInteger(double d);
int32_t toInt32(double d);

// The comparison rule. A malformed byte compares as itself: equal only to the
// same byte, never to U+FFFD.
bool textEquals(std::string_view a, std::string_view b);
// Simple one-to-one case folding of one code point, and of a whole text
// (invalid bytes are kept as they are).
uint32_t foldCase(uint32_t cp);
std::string foldCase(std::string_view s);
// Compares ignoring case: negative, 0 or positive.
int compareText(std::string_view a, std::string_view b);

// UTF-8 helpers.
bool isValidUtf8(std::string_view s);
// Decodes the code point at byte offset i and advances i past it. Invalid bytes
// decode one at a time as U+FFFD.
uint32_t nextCodePoint(std::string_view s, size_t& i);
void appendCodePoint(std::string& out, uint32_t cp);
// Byte offset of character position pos (1-based); pos past the end gives the
// length in bytes.
size_t byteOffsetOfChar(std::string_view s, int64_t pos);
// Number of characters that begin in the first byteCount bytes (a character cut
// by byteCount counts).
int64_t charCountOfBytes(std::string_view s, size_t byteCount);

// The text with every line end the system's own CR: CR LF, LF, U+2028 and
// U+2029 each become one CR (what a text field hands out, read as the
// system holds text).
std::string withCrLineEnds(std::string_view s);

} // namespace tv
