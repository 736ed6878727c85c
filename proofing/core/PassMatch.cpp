#include "proofing/core/PassMatch.h"

#include "proofing/core/RebuiltText.h"
#include "proofing/core/TextSearch.h"

#include <algorithm>
#include <cstring>

namespace tv {

namespace {

// A search that read this far may read as far the next time.
constexpr size_t kFarSearch = size_t(1) << 20;

inline bool continuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

int64_t countChars(const char* p, size_t n)
{
    int64_t count = 0;
    for (size_t i = 0; i < n; ++i)
        count += !continuation(p[i]);
    return count;
}

} // namespace

EditCursor::EditCursor(std::string text, size_t heldBytes)
    : src_(std::move(text)), heldLimit_(std::max(heldBytes, src_.size() / 4))
{
}

std::string_view EditCursor::rest() const
{
    return std::string_view(src_).substr(head_);
}

std::string_view EditCursor::replacementOf(size_t piece) const
{
    const size_t from = piece == 0 ? 0 : pieces_[piece - 1].replacementEnd;
    return std::string_view(replacements_).substr(from, pieces_[piece].replacementEnd - from);
}

void EditCursor::restoreLaidOver()
{
    if (laidOver_.empty())
        return;
    std::memcpy(src_.data() + contextAt_, laidOver_.data(), laidOver_.size());
    laidOver_.clear();
}

void EditCursor::appendFound(std::string& out, size_t from, size_t to) const
{
    const size_t at = out.size();
    out.append(src_, head_ + from, to - from);
    // The bytes under a laid context, as they were.
    const size_t laidFrom = std::max(contextAt_, head_ + from);
    const size_t laidTo = std::min(contextAt_ + laidOver_.size(), head_ + to);
    if (laidFrom < laidTo)
        std::memcpy(out.data() + at + (laidFrom - head_ - from), laidOver_.data() + (laidFrom - contextAt_),
                    laidTo - laidFrom);
}

int64_t EditCursor::charsFound(size_t from, size_t to) const
{
    int64_t count = countChars(src_.data() + head_ + from, to - from);
    const size_t laidFrom = std::max(contextAt_, head_ + from);
    const size_t laidTo = std::min(contextAt_ + laidOver_.size(), head_ + to);
    if (laidFrom < laidTo)
        count += countChars(laidOver_.data() + (laidFrom - contextAt_), laidTo - laidFrom) -
                 countChars(src_.data() + laidFrom, laidTo - laidFrom);
    return count;
}

void EditCursor::appendEdited(std::string& out, size_t to) const
{
    if (builtAside_)
        out.append(builtText_);
    size_t copied = built_;
    for (size_t i = 0; i < pieces_.size(); ++i) {
        appendFound(out, copied, pieces_[i].start);
        out.append(replacementOf(i));
        copied = pieces_[i].end;
    }
    appendFound(out, copied, to);
}

size_t EditCursor::layContext(int chars)
{
    restoreLaidOver();
    if ((pieces_.empty() && !builtAside_) || chars <= 0)
        return head_;
    // The text as found after the last replacement is the edited text: where
    // it holds the characters wanted, the engine's text begins among them.
    const size_t unchangedFrom = pieces_.empty() ? built_ : pieces_.back().end;
    size_t from = cursor_;
    int taken = 0;
    for (; from > unchangedFrom && taken < chars; ++taken) {
        --from;
        while (from > unchangedFrom && continuation(src_[head_ + from]))
            --from;
    }
    if (taken == chars)
        return head_ + from;
    // The edited text's last characters before them, gathered from the end:
    // replacements, the text as found between them, the text built aside.
    int wanted = chars - taken;
    context_.clear();
    auto takeTail = [&](std::string_view piece) {
        size_t at = piece.size();
        while (at > 0 && wanted > 0) {
            --at;
            while (at > 0 && continuation(piece[at]))
                --at;
            --wanted;
        }
        context_.insert(0, piece.substr(at));
    };
    for (size_t i = pieces_.size(); i-- > 0 && wanted > 0;) {
        takeTail(replacementOf(i));
        if (wanted > 0)
            takeTail(rest().substr(i == 0 ? built_ : pieces_[i - 1].end,
                                   pieces_[i].start - (i == 0 ? built_ : pieces_[i - 1].end)));
    }
    if (wanted > 0 && builtAside_)
        takeTail(builtText_);
    const size_t bytes = context_.size();
    if (head_ + unchangedFrom < bytes) {
        // Too little text in front to lay the context on: room is made once,
        // for the rest of the rule.
        const size_t room = 4 * static_cast<size_t>(chars) + 16;
        std::string buffer;
        buffer.reserve(room + src_.size() - head_);
        buffer.append(room, '\0');
        buffer.append(src_, head_, std::string::npos);
        src_.swap(buffer);
        head_ = room;
    }
    contextAt_ = head_ + unchangedFrom - bytes;
    laidOver_.assign(src_, contextAt_, bytes);
    std::memcpy(src_.data() + contextAt_, context_.data(), bytes);
    return contextAt_;
}

std::optional<EditCursor::Found> EditCursor::searchRegex(RegEx& engine, int contextChars,
                                                         bool notEmptyAtStart)
{
    const size_t base = layContext(contextChars);
    const std::string_view subject = std::string_view(src_).substr(base);
    // Spans the engine is held to are offsets in the text as found.
    engine.shiftStarts(static_cast<std::ptrdiff_t>(head_) - static_cast<std::ptrdiff_t>(base));
    std::optional<RegExMatch> m = engine.Search(subject, head_ + cursor_ - base, notEmptyAtStart);
    if (!m)
        return std::nullopt;
    Found f;
    f.start = base + m->startB() - head_;
    f.end = base + m->endB() - head_;
    f.match = std::move(m);
    return f;
}

std::optional<EditCursor::Found> EditCursor::searchPlain(std::string_view find, bool caseSensitive)
{
    std::optional<TextRange> r = findText(rest(), find, cursor_, caseSensitive);
    if (!r)
        return std::nullopt;
    Found f;
    f.start = r->start;
    f.end = r->end;
    return f;
}

void EditCursor::skip(const Found& found)
{
    cursor_ = found.end;
}

void EditCursor::replace(const Found& found, std::string_view replacement)
{
    cursor_ = found.end;
    // An empty match replaced by nothing changes nothing.
    if (found.empty() && replacement.empty())
        return;
    const std::string_view matched = matchedText(found);
    const size_t at = static_cast<size_t>(static_cast<std::ptrdiff_t>(found.start) + growth_);
    if (edits_)
        edits_->add(at, at + replacement.size(), matched);
    growth_ += static_cast<std::ptrdiff_t>(replacement.size()) - static_cast<std::ptrdiff_t>(matched.size());
    addedChars_ += countChars(replacement.data(), replacement.size()) - countChars(matched.data(), matched.size());
    replacements_.append(replacement);
    pieces_.push_back({found.start, found.end, replacements_.size()});
    if (pieces_.size() * sizeof(ReplacedPiece) + replacements_.size() > heldLimit_)
        buildAside();
}

void EditCursor::buildAside()
{
    if (!builtAside_)
        reserveToRebuild(builtText_, static_cast<size_t>(static_cast<std::ptrdiff_t>(restSize()) + growth_));
    std::string text = std::move(builtText_);
    builtText_.clear();
    builtAside_ = false;
    // appendEdited starts with builtText_, which now lies in `text`.
    appendEdited(text, cursor_);
    builtText_ = std::move(text);
    builtAside_ = true;
    built_ = cursor_;
    pieces_.clear();
    replacements_.clear();
}

int64_t EditCursor::charsBefore(const Found& found)
{
    foundChars_ += charsFound(foundCounted_, found.start);
    foundCounted_ = found.start;
    return foundChars_ + addedChars_;
}

std::string_view EditCursor::matchedText(const Found& found) const
{
    return rest().substr(found.start, found.end - found.start);
}

std::string EditCursor::textBefore(const Found& found) const
{
    std::string before;
    appendEdited(before, found.start);
    return before;
}

std::string EditCursor::wholeText() const
{
    std::string whole;
    appendEdited(whole, restSize());
    return whole;
}

std::string EditCursor::finish()
{
    restoreLaidOver();
    if (builtAside_) {
        std::string text = std::move(builtText_);
        builtText_.clear();
        builtAside_ = false;
        appendEdited(text, restSize());
        return text;
    }
    std::string text = std::move(src_);
    replacePieces(text, head_, pieces_, replacements_);
    return text;
}

MatchDecider::~MatchDecider() = default;

void MatchDecider::runAside(size_t, const std::function<void()>& work)
{
    work();
}

std::string withCrLineEnds(std::string text)
{
    if (text.find('\n') == std::string::npos)
        return text;
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            if (i == 0 || text[i - 1] != '\r')
                out += '\r';
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string expandForMatch(EditCursor& cursor, const EditCursor::Found& found,
                           const std::string& replacement)
{
    if (!found.match)
        return replacement;
    // "$`" is the text before the match in the whole text as edited so far,
    // which the engine's view of the text does not hold: it is put in here,
    // the rest of the replacement is expanded by the engine.
    size_t at = replacement.find("$`");
    if (at == std::string::npos)
        return found.match->expand(replacement);
    const std::string before = cursor.textBefore(found);
    std::string out;
    size_t from = 0;
    for (;;) {
        out += found.match->expand(std::string_view(replacement).substr(from, at - from));
        if (at == std::string::npos)
            break;
        out += before;
        from = at + 2;
        at = replacement.find("$`", from);
    }
    return out;
}

int runMatchLoop(RegEx& engine, const PassRule& rule, std::string& text, MatchDecider& decider,
                 TextEdits* edits, size_t heldBytes)
{
    if (rule.regex)
        prepareEngine(engine, rule);
    // Characters before the search position that the engine must see: the
    // pattern's longest look-behind and two more (for \b, ^ and an anchor
    // inside a look-behind). Read at the first search, after the first cancel
    // test, where a pattern that does not compile is reported.
    int contextChars = -1;
    EditCursor cursor(std::move(text), heldBytes);
    // A search may read the whole rest of the text: the first one, and one
    // after a search that went far. Searches between close matches are short.
    bool mayGoFar = true;
    cursor.recordEdits(edits);
    int count = 0;
    bool afterEmpty = false;
    for (;;) {
        decider.cancelTest();
        std::optional<EditCursor::Found> found;
        if (rule.regex && contextChars < 0)
            contextChars = engine.maxLookBehind() + 2;
        const size_t from = cursor.position();
        const size_t ahead = cursor.restSize() - std::min(from, cursor.restSize());
        decider.runAside(mayGoFar ? ahead : 0, [&] {
            found = rule.regex ? cursor.searchRegex(engine, contextChars, afterEmpty)
                               : cursor.searchPlain(rule.search, rule.caseSensitive);
        });
        mayGoFar = !found || found->start - std::min(found->start, from) >= kFarSearch;
        if (!found)
            break;
        std::string proposed = rule.script ? decider.scriptOutput(cursor, *found, count) : rule.replace;
        if (rule.hasDollar)
            proposed = expandForMatch(cursor, *found, proposed);
        std::optional<std::string> answer = decider.decide(cursor, *found, std::move(proposed));
        afterEmpty = found->empty();
        if (answer) {
            cursor.replace(*found, withCrLineEnds(std::move(*answer)));
            ++count;
            decider.replaced(count);
        } else {
            cursor.skip(*found);
        }
    }
    // The rebuilding moves as much of the text as follows the first change
    // of length: a large text's is a step of its own.
    std::string edited;
    decider.runAside(cursor.restSize(), [&] { edited = cursor.finish(); });
    text = std::move(edited);
    return count;
}

} // namespace tv
