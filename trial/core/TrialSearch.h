#pragma once
// The trial palette's preview: a search or a replacement tried on a sample
// text, with the engine and the replacement expander of the pass. One call is
// one run; nothing survives it.
//
// A regular-expression run counts the hits in the sample, then builds the
// result by replacing hit after hit, each replacement computed by the engine
// on the hit's own text alone (so look-arounds and "$`"/"$'" see nothing
// outside it), the next search starting right after the inserted text. Both
// loops stop at an empty hit: it is not counted, but it is replaced once.
// A literal run does the same with the texts exactly as typed.
//
// Positions count characters (code points), 0-based, in the sample as
// searched (CR line ends) and in the result text.

#include "proofing/core/DocumentPositions.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

struct TrialOptions {
    bool regex = false;         // 正規表現を使用
    bool caseSensitive = false; // 英大小文字を区別, both kinds of run
    bool greedy = false;        // 貪欲な最長マッチ, regular expressions only
    bool dotMatchAll = false;   // 改行を . にマッチ, regular expressions only
};

// The palette's fields as a run reads them.
struct TrialRequest {
    std::string sample; // any line ends; the run takes it with CR
    std::string search;
    std::string replacement;
    TrialOptions options;
};

// A marked range: red and underlined.
struct TextMark {
    int64_t start = 0;  // characters before it
    int64_t length = 0; // never 0: an empty hit marks nothing
    bool operator==(const TextMark&) const = default;
};

enum class TrialEnding {
    Done,
    EmptySearch,    // nothing searched
    InvalidPattern, // the pattern does not compile; nothing counted
    Failed,         // the engine failed on the way; what was done stays
};

// What a run shows. The sample is shown unmarked first, then with
// sourceMarks; an unset caption or result keeps what the palette showed.
struct TrialOutcome {
    TrialEnding ending = TrialEnding::Done;
    std::string sample; // the sample as searched; sourceMarks refer to it
    std::vector<TextMark> sourceMarks;
    std::optional<int64_t> count;       // hits, once counted
    std::optional<std::string> caption; // for the caption over the sample
    std::optional<std::string> result;  // the replaced sample
    std::vector<TextMark> resultMarks;  // the inserted texts, in result
    std::string failure;                // the engine's words; never shown

    // Takes the caption and the result from an earlier run where this one
    // kept them (the runs are then as if made one after the other).
    void keepFrom(const TrialOutcome& earlier);
};

// The caption over the sample: "検索対象：3件ヒット", and "検索対象：-件ヒット"
// for an empty search text.
std::string hitCaption(int64_t count);
std::string emptySearchCaption();

// The text with CR line ends: CR LF, LF, U+2028 and U+2029 each become one CR,
// as a text document counts each of them as one break.
std::string withCrBreaks(std::string_view text);

// The search text or replacement as the engine takes it in regular-expression
// mode: every "¥" (U+00A5) a backslash. Literal mode uses the texts as typed.
std::string yenAsBackslash(std::string_view text);

// One run. `step` is called once per turn of each loop (after a counted hit,
// after a replacement that does not end the loop): the place where the run
// lets others go on.
TrialOutcome trialSearch(const TrialRequest& request, const std::function<void()>& step = {});

// The marks as ranges of the text document that shows `text` (CR line ends):
// UTF-16 positions, each break one position.
std::vector<DocumentPositions::Range> documentRanges(const std::string& text,
                                                     const std::vector<TextMark>& marks);

} // namespace tv
