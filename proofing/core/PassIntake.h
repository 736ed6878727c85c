#pragma once
// Taking in one item of a pass: a file's bytes become UTF-8 text with CR line
// ends, and what its output needs to get back its own encoding and line ends
// is remembered. Long steps on large files yield between their chunks.

#include "encoding/core/TextEncoding.h"
#include "platform/core/FolderItem.h"

#include <array>
#include <string>
#include <string_view>

namespace tv {

class detectKanji;

// The line-end form a file had when it was taken in.
enum class LineEnd { CR, CRLF, LF };

// CR LF anywhere gives CRLF; otherwise LF anywhere gives LF; otherwise CR.
LineEnd detectLineEnd(std::string_view text);
// Every line end (CR LF, lone LF, lone CR) becomes one CR, in place.
void normaliseLineEnds(std::string& text);

// The whole content of a file, read in pieces. Raises IOException when it
// cannot be read, NilObjectException for a nil item.
std::string readFileBytes(const FolderItem& file);

// Bytes of the encoding as UTF-8. UTF-8 itself is only checked. Raises
// EncodingException for bytes that do not decode (nothing is replaced). With
// forms, notes there how the bytes wrote the characters that the encoding
// can write more than one way.
std::string decodeToUtf8(std::string_view bytes, const TextEncodingRef& encoding, TextForms* forms = nullptr);

// What the intake gives the rules and the output.
struct TakenFile {
    std::string text;      // UTF-8, CR line ends
    LineEnd lineEnd = LineEnd::CR;
    TextEncodingRef encoding;
    TextForms forms;       // for writing the text back as the file wrote it
};

// Reads a file as the pass takes it in: the encoding detected from its first
// bytes (at most 1000), where that is a guess that sees nothing or fails
// decided by what the whole file holds; the text converted to UTF-8 and only
// then its line ends normalised, so that 16-bit encodings keep their
// characters whole. The encoding is the one the text was read in.
TakenFile takeInFile(const FolderItem& file, const detectKanji& detector);

// The recent-documents list after a file was taken in: the entry first, its
// older copy (compared ignoring case) or else the oldest entry dropped.
void addRecentDocument(std::array<std::string, 10>& list, const std::string& entry);

// "display name" TAB "absolute path".
std::string recentEntryFor(const FolderItem& file);

} // namespace tv
