#pragma once
// The match-by-match search of one rule on one text. The cursor only moves
// forward over the text as the rule found it; each replacement is noted and
// the text is rebuilt once, in place, when the rule ends, so a replacement
// costs its own length and a search scans only what lies ahead. The engine
// still sees one piece of text: where a replacement lies just before the
// cursor, the last characters of the edited text (as many as the pattern's
// look-behind needs) are laid over the bytes in front of it for the search.

#include "proofing/core/PassRules.h"
#include "proofing/core/RebuiltText.h"
#include "proofing/core/RegEx.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

class EditCursor {
public:
    // Replacements are noted until they and their places hold `heldBytes`
    // or a quarter of the text's size, whichever is more; beyond that the
    // edited text before the cursor is built aside as it grows, so that a
    // rule with a match every few bytes needs no more than the text's size.
    static constexpr size_t kHeldBytes = size_t(1) << 20;
    explicit EditCursor(std::string text, size_t heldBytes = kHeldBytes);

    // A match, by byte offsets into the text as the rule found it. `match`
    // holds the engine's groups; it refers to the cursor's buffer and is
    // good until the cursor moves.
    struct Found {
        size_t start = 0;
        size_t end = 0;
        std::optional<RegExMatch> match;
        bool empty() const { return start == end; }
    };

    // The next match at or after the cursor. contextChars: characters before
    // the cursor that the engine is shown. notEmptyAtStart: no empty match at
    // the cursor itself (the search after an empty match).
    std::optional<Found> searchRegex(RegEx& engine, int contextChars, bool notEmptyAtStart);
    std::optional<Found> searchPlain(std::string_view find, bool caseSensitive);

    // Every replacement from now on is recorded in `edits` as well.
    void recordEdits(TextEdits* edits) { edits_ = edits; }

    // Offset in the text as the rule found it of the next search.
    size_t position() const { return cursor_; }
    size_t restSize() const { return src_.size() - head_; }

    // Leaves the match in the text; the cursor moves past it.
    void skip(const Found& found);
    // Puts the replacement in place of the match; the cursor moves past it.
    void replace(const Found& found, std::string_view replacement);

    // Characters of the edited text before the match: its 1-based position
    // less one. Counted on demand, never twice over the same bytes.
    int64_t charsBefore(const Found& found);
    std::string_view matchedText(const Found& found) const;
    // The edited text before the match, whole ("$`").
    std::string textBefore(const Found& found) const;
    // The edited text, whole (what the rule has made of it so far).
    std::string wholeText() const;

    // Ends the rule: the edited text.
    std::string finish();

private:
    std::string_view rest() const;
    std::string_view replacementOf(size_t piece) const;
    // Puts back the bytes the context was laid over.
    void restoreLaidOver();
    // Characters of the text as found in [from, to).
    int64_t charsFound(size_t from, size_t to) const;
    // Lays the context for a search from the cursor; returns where in src_
    // the engine's text begins.
    size_t layContext(int chars);
    // Appends the text as the rule found it, [from, to).
    void appendFound(std::string& out, size_t from, size_t to) const;
    // Appends the edited text from built_ on, up to `to` in the text as the
    // rule found it (at or after the last replacement).
    void appendEdited(std::string& out, size_t to) const;
    // Builds the edited text before the cursor aside (see heldBytes).
    void buildAside();

    // The text as the rule found it, from head_ on; bytes before head_ are
    // room for a context laid in front of the text's first bytes.
    std::string src_;
    size_t head_ = 0;
    size_t cursor_ = 0;
    // The replacements since built_, in text order: each match's place in
    // the text as found and its replacement, the replacements one after
    // another in replacements_.
    std::vector<ReplacedPiece> pieces_;
    std::string replacements_;
    size_t heldLimit_ = 0;
    // The edited text before built_ in the text as found, once built aside.
    std::string builtText_;
    size_t built_ = 0;
    bool builtAside_ = false;
    // Bytes all replacements so far add (less what they take out), and
    // characters.
    std::ptrdiff_t growth_ = 0;
    int64_t addedChars_ = 0;
    // Where the context lies in src_ and the bytes it was laid over.
    size_t contextAt_ = 0;
    std::string laidOver_;
    std::string context_;
    TextEdits* edits_ = nullptr;

    // Characters of the text as found before foundCounted_.
    size_t foundCounted_ = 0;
    int64_t foundChars_ = 0;
};

// What a rule's loop asks the rest of the pass for each match.
class MatchDecider {
public:
    virtual ~MatchDecider();
    // The cancel test at the head of every iteration; ends the pass by
    // throwing.
    virtual void cancelTest() = 0;
    // The proposed replacement of a script rule, computed for this match.
    virtual std::string scriptOutput(EditCursor& cursor, const EditCursor::Found& found,
                                     int ruleReplaceCount) = 0;
    // The answer: the text to put in, or nothing to leave the match.
    virtual std::optional<std::string> decide(EditCursor& cursor, const EditCursor::Found& found,
                                              std::string proposed) = 0;
    // After each replacement, with the rule's count in this text.
    virtual void replaced(int ruleReplaceCount) = 0;
    // Runs one step of work that may read up to `bytes` bytes of text: a
    // search, or the text's rebuilding at the rule's end. A pass may run it
    // aside while its windows go on; the work touches the engine and the
    // cursor alone.
    virtual void runAside(size_t bytes, const std::function<void()>& work);
};

// Applies one rule match by match to `text`; returns the number of
// replacements made. `edits`, when given, receives every replacement;
// heldBytes is the cursor's (see EditCursor).
// The engine is set up once for the rule, before its first search: nothing
// the decider does between two searches may change it.
int runMatchLoop(RegEx& engine, const PassRule& rule, std::string& text, MatchDecider& decider,
                 TextEdits* edits = nullptr, size_t heldBytes = EditCursor::kHeldBytes);

// Every line end of a replacement (CR LF, LF, CR) as CR.
std::string withCrLineEnds(std::string text);

// The replacement of a regular-expression rule with its "$" references
// expanded for the match, in the text as edited so far.
std::string expandForMatch(EditCursor& cursor, const EditCursor::Found& found,
                           const std::string& replacement);

} // namespace tv
