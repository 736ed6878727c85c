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

EditCursor::EditCursor(std::string text, std::string spare) : src_(std::move(text)), out_(std::move(spare))
{
    out_.clear();
}

std::string_view EditCursor::rest() const
{
    return std::string_view(src_).substr(head_);
}

size_t EditCursor::layContext(int chars)
{
    if (out_.empty() || chars <= 0)
        return 0;
    size_t from = out_.size();
    for (int taken = 0; from > 0 && taken < chars; ++taken) {
        --from;
        while (from > 0 && continuation(out_[from]))
            --from;
    }
    const size_t bytes = out_.size() - from;
    if (head_ + copied_ < bytes) {
        // Too little spent text in front of the rest to lay the context on:
        // room is made once, for the rest of the rule.
        const size_t room = 4 * static_cast<size_t>(chars) + 16;
        std::string buffer;
        buffer.reserve(room + src_.size() - head_ - copied_);
        buffer.append(room, '\0');
        buffer.append(src_, head_ + copied_, std::string::npos);
        src_.swap(buffer);
        head_ = room - copied_;
    }
    std::memcpy(src_.data() + head_ + copied_ - bytes, out_.data() + from, bytes);
    return bytes;
}

std::optional<EditCursor::Found> EditCursor::searchRegex(RegEx& engine, int contextChars,
                                                         bool notEmptyAtStart)
{
    const size_t context = layContext(contextChars);
    const size_t base = head_ + copied_ - context;
    const std::string_view subject = std::string_view(src_).substr(base);
    // Spans the engine is held to are offsets in the rest.
    engine.shiftStarts(static_cast<std::ptrdiff_t>(context) - static_cast<std::ptrdiff_t>(copied_));
    std::optional<RegExMatch> m = engine.Search(subject, context + (cursor_ - copied_), notEmptyAtStart);
    if (!m)
        return std::nullopt;
    Found f;
    f.start = m->startB() - context + copied_;
    f.end = m->endB() - context + copied_;
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
    // A replacement as long as its match is written over it in the rest: a
    // rule whose replacements all keep their length leaves a large text
    // where it is instead of copying it whole.
    if (replacement.size() == found.end - found.start) {
        const size_t at = out_.size() + (found.start - copied_);
        if (edits_)
            edits_->add(at, at + replacement.size(), matchedText(found));
        if (!replacement.empty())
            std::memcpy(src_.data() + head_ + found.start, replacement.data(), replacement.size());
        cursor_ = found.end;
        return;
    }
    if (!edited_)
        reserveToRebuild(out_, src_.size() - head_ + replacement.size());
    out_.append(src_, head_ + copied_, found.start - copied_);
    const size_t inserted = out_.size();
    out_.append(replacement);
    if (edits_)
        edits_->add(inserted, out_.size(), matchedText(found));
    copied_ = cursor_ = found.end;
    edited_ = true;
}

int64_t EditCursor::charsBefore(const Found& found)
{
    outChars_ += countChars(out_.data() + outCounted_, out_.size() - outCounted_);
    outCounted_ = out_.size();
    if (restCountFrom_ != copied_ || restCounted_ > found.start) {
        restCountFrom_ = restCounted_ = copied_;
        restChars_ = 0;
    }
    restChars_ += countChars(src_.data() + head_ + restCounted_, found.start - restCounted_);
    restCounted_ = found.start;
    return outChars_ + restChars_;
}

std::string_view EditCursor::matchedText(const Found& found) const
{
    return rest().substr(found.start, found.end - found.start);
}

std::string EditCursor::textBefore(const Found& found) const
{
    std::string before = out_;
    before.append(rest().substr(copied_, found.start - copied_));
    return before;
}

std::string EditCursor::wholeText() const
{
    std::string whole = out_;
    whole.append(rest().substr(copied_));
    return whole;
}

std::string EditCursor::finish()
{
    if (!edited_) {
        spare_ = std::move(out_);
        return std::move(src_);
    }
    out_.append(src_, head_ + copied_, std::string::npos);
    spare_ = std::move(src_);
    return std::move(out_);
}

MatchDecider::~MatchDecider() = default;

void MatchDecider::runSearch(size_t, const std::function<void()>& search)
{
    search();
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
                 std::string& spare, TextEdits* edits)
{
    if (rule.regex)
        prepareEngine(engine, rule);
    // Characters before the search position that the engine must see: the
    // pattern's longest look-behind and two more (for \b, ^ and an anchor
    // inside a look-behind). Read at the first search, after the first cancel
    // test, where a pattern that does not compile is reported.
    int contextChars = -1;
    EditCursor cursor(std::move(text), std::move(spare));
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
        decider.runSearch(mayGoFar ? ahead : 0, [&] {
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
    text = cursor.finish();
    spare = cursor.takeSpare();
    return count;
}

} // namespace tv
