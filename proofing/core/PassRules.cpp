#include "proofing/core/PassRules.h"

#include "platform/core/Text.h"
#include "proofing/core/RegEx.h"
#include "proofing/core/TextSearch.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

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

bool optionOn(std::string_view options, int position)
{
    return position >= 1 && static_cast<size_t>(position) <= options.size() &&
           options[static_cast<size_t>(position) - 1] == '*';
}

std::vector<PassRule> prepareRules(const PassRuleList& list)
{
    std::vector<PassRule> rules;
    rules.reserve(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        const std::string& options = list.optionList[i];
        PassRule r;
        r.regex = optionOn(options, 1);
        r.candidates = optionOn(options, 2);
        r.confirm = optionOn(options, 3);
        r.script = optionOn(options, 4);
        r.caseSensitive = optionOn(options, 5);
        r.greedy = optionOn(options, 6);
        r.dotAll = optionOn(options, 7);
        r.matchEmpty = optionOn(options, 8);
        r.search = r.regex ? list.searchList[i] : decodeRuleText(list.searchList[i]);
        r.replace = decodeRuleText(list.replaceList[i]);
        r.hasDollar = r.regex && r.replace.find('$') != std::string::npos;
        rules.push_back(std::move(r));
    }
    return rules;
}

void setRuleOptions(RegEx& engine, const PassRule& rule)
{
    engine.Options.CaseSensitive = rule.caseSensitive;
    engine.Options.Greedy = rule.greedy;
    engine.Options.DotMatchAll = rule.dotAll;
    engine.Options.MatchEmpty = rule.matchEmpty;
}

void applyAtOnce(RegEx& engine, const PassRule& rule, std::string& text)
{
    if (rule.regex) {
        setRuleOptions(engine, rule);
        engine.SearchPattern = rule.search;
        engine.ReplacementPattern = rule.replace;
        engine.replaceAllIn(text, rule.replace);
        return;
    }
    replaceAllText(text, rule.search, rule.replace, rule.caseSensitive);
}

int patternLookBehind(const std::string& pattern)
{
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    if (!context)
        return 0;
    pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data() ? pattern.data() : ""),
                                     pattern.size(), PCRE2_UTF | PCRE2_MULTILINE, &error, &offset, context);
    uint32_t longest = 0;
    if (code) {
        pcre2_pattern_info(code, PCRE2_INFO_MAXLOOKBEHIND, &longest);
        pcre2_code_free(code);
    }
    pcre2_compile_context_free(context);
    return static_cast<int>(longest);
}

} // namespace tv
