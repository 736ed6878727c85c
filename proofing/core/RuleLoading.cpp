#include "proofing/core/RuleLoading.h"

#include "platform/core/Errors.h"
#include "platform/core/Text.h"
#include "dictionary/core/StepYield.h"

namespace tv {

std::string PassRuleList::dictionaryOf(size_t rule) const
{
    // Among dictionaries that share a first rule, the earlier ones are empty.
    for (auto d = dictionaries.rbegin(); d != dictionaries.rend(); ++d)
        if (d->second <= rule)
            return d->first;
    return {};
}

void parsePassDictionary(std::string_view fileBytes, const TextEncodingRef& encoding, PassRuleList& rules)
{
    DictionaryLines lines(fileBytes, encoding);
    while (auto line = lines.next()) {
        if (isDictionaryHeader(*line)) {
            if (headerNamesUtf8(*line))
                lines.takeUtf8();
        } else if (const auto fields = firstFieldsB<4>(*line, '\t'); !fields[0].empty()) {
            rules.searchList.emplace_back(fields[0]);
            rules.replaceList.emplace_back(fields[1]);
            rules.optionList.emplace_back(fields[2]);
            rules.commentList.emplace_back(fields[3]);
        }
        yieldStep();
    }
}

namespace {

// False when no item can be formed for the name at all.
bool loadOne(const RuleLoadingInput& input, const std::string& name, PassRuleList& rules)
{
    rules.dictionaries.emplace_back(name, rules.size());
    FolderItem file = input.dictionaryFolder.Child(name);
    if (!file) {
        if (name.empty())
            return false;
        // Never looked up outside the folder: such a name names no dictionary.
        throw IOException("no dictionary file \"" + name + "\"");
    }
    const std::string bytes = readDictionaryBytes(file);
    parsePassDictionary(bytes, input.judge(dictionarySample(bytes)), rules);
    if (input.setProgressMaximum)
        input.setProgressMaximum(static_cast<int>(rules.size()));
    return true;
}

} // namespace

RuleLoadingOutcome loadPassRules(const RuleLoadingInput& input, PassRuleList& rules)
{
    std::deque<std::string>& queue = input.dicChangeList;
    if (queue.empty())
        return loadOne(input, input.prefDefaultDic, rules) ? RuleLoadingOutcome::Loaded
                                                           : RuleLoadingOutcome::DictionaryMissing;
    while (!queue.empty()) {
        std::string name = std::move(queue.front());
        queue.pop_front();
        if (!loadOne(input, name, rules))
            return RuleLoadingOutcome::DictionaryMissing;
    }
    return RuleLoadingOutcome::Loaded;
}

} // namespace tv
