#pragma once
// Rebuilding a text after a rule has replaced pieces of it. The text is
// rebuilt where it lies: what comes before the first piece that changes
// length stays put, and the rest moves by as much as the pieces before it
// have grown or shrunk, through memory the text already holds.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

struct TextEdits;

// Makes `buffer` hold a text of `size` bytes and a sixteenth more. A buffer
// made here has an eighth more, so that, kept, it still holds the text after
// later rules have each added a little to it. Reserving only grows.
inline void reserveToRebuild(std::string& buffer, size_t size)
{
    if (buffer.capacity() < size + size / 16)
        buffer.reserve(size + size / 8);
}

// A piece of a text, [start, end), and where its replacement ends in a buffer
// that holds all the replacements one after another.
struct ReplacedPiece {
    size_t start = 0;
    size_t end = 0;
    size_t replacementEnd = 0;
};

// Puts each piece's replacement in its place in `text` from byte `from` on
// (the bytes before `from` are dropped; the pieces' offsets count from it).
// The pieces are in text order and do not overlap. With `edits`, every piece
// is recorded there, at its place in the new text. The text is rebuilt in
// place unless it must drop bytes in front or outgrow its buffer.
void replacePieces(std::string& text, size_t from, const std::vector<ReplacedPiece>& pieces,
                   std::string_view replacements, TextEdits* edits = nullptr);
// Appends `text` with each piece's replacement in its place to `out`; with
// `edits`, every piece is recorded there at its place in `out`.
void appendReplacedPieces(std::string& out, std::string_view text, const std::vector<ReplacedPiece>& pieces,
                          std::string_view replacements, TextEdits* edits = nullptr);
// The same as replacePieces with one replacement for every piece
// (replacementEnd unread).
void replacePiecesWith(std::string& text, const std::vector<ReplacedPiece>& pieces,
                       std::string_view replacement, TextEdits* edits = nullptr);

} // namespace tv
