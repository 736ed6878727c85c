#pragma once
// The match-by-match search of one rule on one text. The text is edited
// behind a cursor that only moves forward: what lies before the cursor is
// built up once, the rest is the text as the rule found it but for the
// replacements as long as their matches, written over them, so a replacement
// costs its own length and a search scans only what lies ahead. The engine
// still sees one piece of text: the last characters before the cursor (as
// many as the pattern's look-behind needs) are laid just in front of the rest.

#include "proofing/core/PassRules.h"
#include "proofing/core/RegEx.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tv {

class EditCursor {
public:
    // `spare` lends its storage for the edited text (a large text is then
    // built without fresh pages for every rule).
    explicit EditCursor(std::string text, std::string spare = {});

    // A match, by byte offsets into the rest of the text. `match` holds the
    // engine's groups; it refers to the cursor's buffer and is good until the
    // cursor moves.
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

    // Offset in the rest of the text of the next search.
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
    // After finish: the storage no longer used, for the next rule to borrow.
    std::string takeSpare() { return std::move(spare_); }

private:
    std::string_view rest() const;
    // Lays the last `chars` characters of out_ just before the rest; returns
    // their length in bytes.
    size_t layContext(int chars);

    // The text as the rule found it, from head_ on, with the replacements
    // that kept their length written over their matches; bytes before
    // copied_ are spent and may hold the context laid before the rest.
    std::string src_;
    size_t head_ = 0;
    size_t copied_ = 0; // offset in the rest up to which out_ holds the text
    size_t cursor_ = 0; // offset in the rest of the next search
    std::string out_;   // the edited text before copied_
    bool edited_ = false;
    std::string spare_;
    TextEdits* edits_ = nullptr;

    // Forward-only character counts.
    size_t outCounted_ = 0;
    int64_t outChars_ = 0;
    size_t restCountFrom_ = 0, restCounted_ = 0;
    int64_t restChars_ = 0;
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
    // Runs one search that may read up to `bytes` bytes of text; a pass may
    // run it aside while its windows go on. The search touches the engine
    // and the text alone.
    virtual void runSearch(size_t bytes, const std::function<void()>& search);
};

// Applies one rule match by match to `text`; returns the number of
// replacements made. `spare` is storage lent from one rule to the next;
// `edits`, when given, receives every replacement.
// The engine is set up once for the rule, before its first search: nothing
// the decider does between two searches may change it.
int runMatchLoop(RegEx& engine, const PassRule& rule, std::string& text, MatchDecider& decider,
                 std::string& spare, TextEdits* edits = nullptr);

// Every line end of a replacement (CR LF, LF, CR) as CR.
std::string withCrLineEnds(std::string text);

// The replacement of a regular-expression rule with its "$" references
// expanded for the match, in the text as edited so far.
std::string expandForMatch(EditCursor& cursor, const EditCursor::Found& found,
                           const std::string& replacement);

} // namespace tv
