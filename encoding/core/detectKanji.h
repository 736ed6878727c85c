#pragma once
// Guesses the encoding of a byte sample, at most its first 1000 bytes, among
// ISO-2022-JP, UTF-16, UTF-8, UTF-7, Shift_JIS and EUC-JP: first by sure signs
// (an ISO-2022-JP escape, a little-endian byte-order mark or a zero byte, the
// UTF-8 byte-order mark), otherwise by scores. UTF-7 needs, besides its score,
// a run that forms a character beyond ASCII. Shift_JIS when nothing stands
// out. No state; one instance serves any number of calls.

#include "encoding/core/TextEncoding.h"

#include <string_view>

namespace tv {

class detectKanji {
public:
    struct Judgement {
        // Never null. UTF-8 is Encodings::UTF8() itself. UTF-16 carries its
        // byte order and whether the sample began with a mark.
        TextEncodingRef encoding;
        // A sure sign decided: an ISO-2022-JP escape, a UTF-16 sign, the UTF-8
        // mark or a UTF-7 run. Otherwise the encoding is the best score, or
        // Shift_JIS when nothing stands out: a guess.
        bool sure = false;
    };
    Judgement Judge(std::string_view sample) const;
    TextEncodingRef JudgeCode(std::string_view sample) const { return Judge(sample).encoding; }

    // A detector's result on its sure sign; no score comes near it.
    static constexpr int sureSign = 9999;

private:
    friend struct DetectKanjiProbe; // lets tests read single scores

    int JudgeJIS(std::string_view sample, bool earlyExit) const;
    int JudgeUNI(std::string_view sample, bool earlyExit) const;
    int JudgeUTF8(std::string_view sample, bool earlyExit) const;
    int JudgeUTF7(std::string_view sample, bool earlyExit) const;
    int JudgeSJIS(std::string_view sample, bool earlyExit) const;
    int JudgeEUC(std::string_view sample, bool earlyExit) const;
};

} // namespace tv
