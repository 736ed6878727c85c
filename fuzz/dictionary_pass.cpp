// The pass's dictionary reader on any bytes, with the encoding the detector
// guesses, as a pass loads its rules: four lists of one length, no empty
// search text, every text valid UTF-8 for the engine.

#include "FuzzSupport.h"

#include "dictionary/core/DictionaryFile.h"
#include "encoding/core/detectKanji.h"
#include "platform/core/Errors.h"
#include "platform/core/Text.h"
#include "proofing/core/RuleLoading.h"

#include <cstdint>

using namespace tv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const detectKanji detector;
    const std::string_view bytes = fuzz::bytesOf(data, size);
    PassRuleList rules;
    try {
        parsePassDictionary(bytes, detector.JudgeCode(dictionarySample(bytes)), rules);
    } catch (const EncodingException&) {
        return 0; // the pass ends with its message
    }
    fuzz::expect(rules.replaceList.size() == rules.size() && rules.optionList.size() == rules.size()
            && rules.commentList.size() == rules.size(),
        "the rule lists differ in length");
    for (size_t i = 0; i < rules.size(); ++i) {
        fuzz::expect(!rules.searchList[i].empty(), "a rule without search text was loaded");
        for (const std::string* t : {&rules.searchList[i], &rules.replaceList[i], &rules.optionList[i],
                 &rules.commentList[i]})
            fuzz::expect(isValidUtf8(*t), "a rule text is not UTF-8");
    }
    return 0;
}
