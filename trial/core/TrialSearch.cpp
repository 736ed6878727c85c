#include "trial/core/TrialSearch.h"

#include "platform/core/Errors.h"
#include "platform/core/Text.h"
#include "proofing/core/RegEx.h"
#include "proofing/core/TextSearch.h"

#include <exception>

namespace tv {

namespace {

int64_t charsIn(std::string_view text, size_t from, size_t to)
{
    int64_t n = 0;
    for (size_t i = from; i < to && i < text.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            ++n;
    return n;
}

// Characters before a byte offset, counted on from the last offset asked
// for: hits move forward through the text.
class CharCounter {
public:
    explicit CharCounter(const std::string& text) : text_(text) {}

    int64_t before(size_t byte)
    {
        if (byte < byte_)
            set(0, 0);
        chars_ += charsIn(text_, byte_, byte);
        byte_ = byte;
        return chars_;
    }
    // The text has changed from `byte` on, which has `chars` characters
    // before it.
    void set(size_t byte, int64_t chars)
    {
        byte_ = byte;
        chars_ = chars;
    }

private:
    const std::string& text_;
    size_t byte_ = 0;
    int64_t chars_ = 0;
};

void mark(std::vector<TextMark>& marks, int64_t start, int64_t length)
{
    if (length > 0)
        marks.push_back({start, length});
}

void call(const std::function<void()>& step)
{
    if (step)
        step();
}

void runRegex(const TrialRequest& request, TrialOutcome& out, const std::function<void()>& step)
{
    RegEx engine;
    engine.Options.CaseSensitive = request.options.caseSensitive;
    engine.Options.DotMatchAll = request.options.dotMatchAll;
    engine.Options.Greedy = request.options.greedy;
    engine.Options.LineEndType = 0;
    engine.SearchPattern = yenAsBackslash(request.search);
    engine.ReplacementPattern = yenAsBackslash(request.replacement);
    try {
        engine.compile();
    } catch (const RegExException& e) {
        out.ending = TrialEnding::InvalidPattern;
        out.failure = e.what();
        return;
    }

    const std::string& text = out.sample;
    const int64_t length = Len(text);
    CharCounter sourceChars(text);
    int64_t start = 1; // the search start, a character position
    size_t startByte = 0;
    int64_t count = 0;
    for (;;) {
        const std::optional<RegExMatch> hit = engine.Search(text, startByte);
        if (!hit || start > length)
            break;
        const int64_t p = 1 + sourceChars.before(hit->startB());
        const int64_t n = charsIn(text, hit->startB(), hit->endB());
        mark(out.sourceMarks, p - 1, n);
        start = p + n;
        startByte = hit->endB();
        if (n == 0)
            break;
        ++count;
        call(step);
    }
    out.count = count;
    out.caption = hitCaption(count);

    std::string& result = out.result.emplace(text);
    int64_t resultLength = length;
    CharCounter resultChars(result);
    start = 1;
    startByte = 0;
    for (;;) {
        const std::optional<RegExMatch> hit = engine.Search(result, startByte);
        if (!hit || start > resultLength)
            break;
        const size_t b = hit->startB();
        const size_t e = hit->endB();
        const int64_t p = 1 + resultChars.before(b);
        const int64_t n = charsIn(result, b, e);
        // The engine sees the hit's characters and nothing around them.
        const std::string hitText(hit->subExpressionView(0));
        const std::string r = engine.Replace(hitText);
        result.replace(b, e - b, r);
        const int64_t rLength = Len(r);
        mark(out.resultMarks, p - 1, rLength);
        resultLength += rLength - n;
        if (n == 0)
            break;
        start = p + rLength;
        startByte = b + r.size();
        resultChars.set(startByte, start - 1);
        call(step);
    }
}

void runLiteral(const TrialRequest& request, TrialOutcome& out, const std::function<void()>& step)
{
    const std::string& find = request.search;
    const std::string& replacement = request.replacement;
    const bool caseSensitive = request.options.caseSensitive;
    const int64_t findLength = Len(find);

    const std::string& text = out.sample;
    CharCounter sourceChars(text);
    size_t startByte = 0;
    int64_t count = 0;
    while (const std::optional<TextRange> hit = findText(text, find, startByte, caseSensitive)) {
        mark(out.sourceMarks, sourceChars.before(hit->start), findLength);
        startByte = hit->end;
        ++count;
        call(step);
    }
    out.count = count;
    out.caption = hitCaption(count);

    std::string& result = out.result.emplace(text);
    const int64_t replacementLength = Len(replacement);
    CharCounter resultChars(result);
    startByte = 0;
    while (const std::optional<TextRange> hit = findText(result, find, startByte, caseSensitive)) {
        const int64_t before = resultChars.before(hit->start);
        result.replace(hit->start, hit->end - hit->start, replacement);
        mark(out.resultMarks, before, replacementLength);
        startByte = hit->start + replacement.size();
        resultChars.set(startByte, before + replacementLength);
        call(step);
    }
}

} // namespace

void TrialOutcome::keepFrom(const TrialOutcome& earlier)
{
    if (!caption) {
        caption = earlier.caption;
        count = earlier.count;
    }
    if (!result) {
        result = earlier.result;
        resultMarks = earlier.resultMarks;
    }
}

std::string hitCaption(int64_t count)
{
    return "検索対象：" + Str(count) + "件ヒット";
}

std::string emptySearchCaption()
{
    return "検索対象：-件ヒット";
}

std::string withCrBreaks(std::string_view text)
{
    return withCrLineEnds(text);
}

std::string yenAsBackslash(std::string_view text)
{
    return ReplaceAllB(text, "\xC2\xA5", "\\");
}

TrialOutcome trialSearch(const TrialRequest& request, const std::function<void()>& step)
{
    TrialOutcome out;
    if (!isValidUtf8(request.sample) || !isValidUtf8(request.search) ||
        !isValidUtf8(request.replacement)) {
        out.ending = TrialEnding::Failed;
        out.failure = "the text is not valid UTF-8";
        return out;
    }
    out.sample = withCrBreaks(request.sample);
    if (request.search.empty()) {
        out.ending = TrialEnding::EmptySearch;
        out.caption = emptySearchCaption();
        return out;
    }
    try {
        if (request.options.regex)
            runRegex(request, out, step);
        else
            runLiteral(request, out, step);
    } catch (const std::exception& e) {
        // The run stops where it failed; what it did so far stays.
        out.ending = TrialEnding::Failed;
        out.failure = e.what();
    }
    return out;
}

std::vector<DocumentPositions::Range> documentRanges(const std::string& text,
                                                     const std::vector<TextMark>& marks)
{
    DocumentPositions positions(text);
    std::vector<DocumentPositions::Range> ranges;
    ranges.reserve(marks.size());
    for (const TextMark& m : marks)
        ranges.push_back(positions.cover(m.start, m.length));
    return ranges;
}

} // namespace tv
