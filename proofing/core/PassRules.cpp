#include "proofing/core/PassRules.h"

#include "dictionary/core/DictionaryFormat.h"
#include "platform/core/Text.h"
#include "proofing/core/RegEx.h"
#include "proofing/core/TextSearch.h"

namespace tv {

std::string grepStrConv(std::string_view text, std::string_view pair, std::string_view character)
{
    std::string once = ReplaceAll(text, pair, character);
    return ReplaceAll(once, std::string("\\") + std::string(character), pair);
}

std::string decodeRuleText(std::string_view stored)
{
    // Most rule texts hold no backslash at all.
    if (stored.find('\\') == std::string_view::npos)
        return std::string(stored);
    return grepStrConv(grepStrConv(stored, "\\r", "\r"), "\\t", "\t");
}

std::vector<PassRule> prepareRules(const PassRuleList& list)
{
    std::vector<PassRule> rules;
    rules.reserve(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        const RuleOptions options(list.optionList[i]);
        PassRule r;
        r.regex = options.isOn(RuleOptions::RegularExpression);
        r.candidates = options.isOn(RuleOptions::Candidates);
        r.confirm = options.isOn(RuleOptions::Confirm);
        r.script = options.isOn(RuleOptions::Script);
        r.caseSensitive = options.isOn(RuleOptions::CaseSensitive);
        r.greedy = options.isOn(RuleOptions::Greedy);
        r.dotAll = options.isOn(RuleOptions::DotMatchAll);
        r.matchEmpty = options.isOn(RuleOptions::MatchEmpty);
        r.search = r.regex ? list.searchList[i] : decodeRuleText(list.searchList[i]);
        r.replace = decodeRuleText(list.replaceList[i]);
        r.hasDollar = r.regex && r.replace.find('$') != std::string::npos;
        rules.push_back(std::move(r));
    }
    return rules;
}

RegExOptions engineOptions(const PassRule& rule, RegExOptions options)
{
    options.CaseSensitive = rule.caseSensitive;
    options.Greedy = rule.greedy;
    options.DotMatchAll = rule.dotAll;
    options.MatchEmpty = rule.matchEmpty;
    return options;
}

void prepareEngine(RegEx& engine, const PassRule& rule)
{
    engine.Options = engineOptions(rule, engine.Options);
    engine.SearchPattern = rule.search;
}

size_t applyAtOnce(RegEx& engine, const PassRule& rule, std::string& text, TextEdits* edits)
{
    if (rule.regex) {
        prepareEngine(engine, rule);
        return engine.replaceAllIn(text, rule.replace, edits);
    }
    return replaceAllText(text, rule.search, rule.replace, rule.caseSensitive, edits);
}

} // namespace tv
