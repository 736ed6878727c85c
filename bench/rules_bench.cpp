// Loads and prepares a dictionary's rules as a pass does and applies every
// rule once on the pass's fast path, all matches at once, to a real Japanese
// text: about 1 MB of it, and the same text repeated to 50 MB. Prints the
// time of each phase.

#include <chrono>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "encoding/core/detectKanji.h"
#include "platform/core/FolderItem.h"
#include "platform/core/Text.h"
#include "proofing/core/PassRules.h"
#include "proofing/core/RegEx.h"
#include "proofing/core/RuleLoading.h"

using namespace tv;
using Clock = std::chrono::steady_clock;

namespace {

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

using tv::bench::readText;

// Line ends become CR, as the pass's intake makes them.
std::string withCrLineEnds(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i] == '\n' ? '\r' : text[i];
    }
    return out;
}

struct Applied {
    double ms = 0;
    size_t replacements = 0;
    double slowestMs = 0;
    size_t slowestRule = 0;
};

Applied applyAll(RegEx& re, const std::vector<PassRule>& rules, std::string& text)
{
    Applied a;
    const auto start = Clock::now();
    for (size_t i = 0; i < rules.size(); ++i) {
        const auto ruleStart = Clock::now();
        a.replacements += applyAtOnce(re, rules[i], text);
        const double ruleMs = msSince(ruleStart);
        if (ruleMs > a.slowestMs) {
            a.slowestMs = ruleMs;
            a.slowestRule = i;
        }
    }
    a.ms = msSince(start);
    return a;
}

void report(const char* what, size_t bytes, const Applied& a, const PassRuleList& rules)
{
    std::printf("%-34s %9.1f ms  (%.1f MB, %zu replacements; slowest rule %zu: %.1f ms, %s)\n", what, a.ms,
                double(bytes) / (1024.0 * 1024.0), a.replacements, a.slowestRule + 1, a.slowestMs,
                rules.searchList[a.slowestRule].c_str());
}

} // namespace

int main(int argc, char** argv)
{
    const std::string dictionaryPath = argc > 1 ? argv[1] : TV_BENCH_DATA "/webdb.dict";
    const std::string textPath =
        argc > 2 ? argv[2] : "/usr/share/debian-reference/debian-reference.ja.txt.gz";

    const FolderItem dictionary = FolderItem::fromPath(dictionaryPath);
    if (!dictionary || !dictionary.Exists()) {
        std::fprintf(stderr, "no dictionary at %s\n", dictionaryPath.c_str());
        return 1;
    }
    std::string text = withCrLineEnds(readText(textPath));
    if (text.empty() || !isValidUtf8(text)) {
        std::fprintf(stderr, "no UTF-8 text at %s\n", textPath.c_str());
        return 1;
    }

    // Loading, as the pass does it.
    const detectKanji detector;
    std::deque<std::string> queue{dictionary.Name()};
    PassRuleList rules;
    auto start = Clock::now();
    loadPassRules({queue, "", dictionary.Parent(),
                   [&](std::string_view sample) { return detector.JudgeCode(sample); }, {}},
                  rules);
    std::printf("%-34s %9.1f ms  (%zu rules)\n", "load dictionary", msSince(start), rules.size());
    start = Clock::now();
    const std::vector<PassRule> prepared = prepareRules(rules);
    std::printf("%-34s %9.1f ms\n", "prepare rules", msSince(start));

    // Every rule applied once to the text as it is; patterns compile at their
    // first application, as in a pass.
    RegEx re;
    std::string small = text;
    report("apply to ~1 MB, compiling", small.size(), applyAll(re, prepared, small), rules);
    std::printf("%-34s %9zu\n", "patterns compiled", re.compiledCount());
    small = text;
    report("apply to ~1 MB, compiled", small.size(), applyAll(re, prepared, small), rules);

    std::string big;
    const size_t target = size_t(50) * 1024 * 1024;
    big.reserve(target + text.size());
    while (big.size() < target)
        big += text;
    report("apply to 50 MB, compiled", big.size(), applyAll(re, prepared, big), rules);
    return 0;
}
