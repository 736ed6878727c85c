// Real proofreading passes, headless, with the 1,296 rules of webdb.dict on
// the Japanese Debian Reference: fast mode and the default mode (match by
// match, nothing to confirm) on the 1 MB text, on 50 MB (the text repeated),
// on 10,000 files of about 4 KB cut from it at line ends and on one file of
// the same total size; beside them a bare baseline (the same rules one after
// another with PCRE2's JIT, nothing around them) and perl (one s///g per
// rule). Each figure is printed beside its target.

#include "bench/BenchSupport.h"
#include "app/core/AppState.h"
#include "encoding/core/detectKanji.h"
#include "platform/core/FolderItem.h"
#include "platform/core/Services.h"
#include "platform/core/Text.h"
#include "proofing/core/PassRules.h"
#include "proofing/core/RuleLoading.h"
#include "proofing/core/proof.h"
#include "proofing/ui/PassWindows.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMenuBar>
#include <QTimer>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

using namespace tv;

namespace {

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeAll(const std::string& path, std::string_view bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string lfToCr(std::string text)
{
    for (char& c : text)
        if (c == '\n')
            c = '\r';
    return text;
}

// Whether a piece's first 1,000 bytes (the detector's sample) hold Japanese
// enough for the detector to take the piece for UTF-8: a sample of table
// rules and ASCII with a few kana can score higher as another encoding.
bool japaneseIn(std::string_view s)
{
    static const detectKanji detector;
    s = s.substr(0, 1000);
    bool any = false;
    for (char c : s)
        any = any || static_cast<unsigned char>(c) >= 0x80;
    return any && detector.JudgeCode(s) == Encodings::UTF8();
}

// Pieces of about `size` bytes cut at line ends, each with Japanese in its
// first 1,000 bytes.
std::vector<std::string> cutAtLineEnds(const std::string& text, size_t size, size_t count)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start < text.size() && !japaneseIn(std::string_view(text).substr(start, 1000)))
        start = text.find('\n', start) + 1;
    while (pieces.size() < count && start < text.size()) {
        size_t end = start + size;
        for (;;) {
            end = text.find('\n', std::min(end, text.size() - 1));
            end = end == std::string::npos ? text.size() : end + 1;
            if (end >= text.size() || japaneseIn(std::string_view(text).substr(end, 1000)))
                break;
        }
        pieces.push_back(text.substr(start, end - start));
        start = end;
    }
    return pieces;
}

double peakMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct Run {
    double seconds = 0;
    double maxGapMs = 0;
    double peakMB = 0;
    int saved = 0;
    // Share of the rules applied to an item whose search ran (the others
    // could not match).
    double searchedShare = 1;
    // CPU time of the thread the windows and the pass's worker run on.
    double mainCpuSeconds = 0;
};

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Reads the files through once, so that a pass meets them in memory, as it
// does files the user has just saved: the inputs stay from one run to the
// next, and a machine that keeps little cached would otherwise have its disk
// in one pass's figure and not in another's.
void bringIntoMemory(const std::vector<FolderItem>& files)
{
    std::vector<char> buffer(size_t(1) << 16);
    for (const FolderItem& file : files) {
        std::ifstream in(file.path(), std::ios::binary);
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())))
            ;
    }
}

// One real pass over the files, with the pass's own windows, saving into a
// new folder.
Run runPass(AppState& app, const std::vector<FolderItem>& files, bool fast, const std::string& outputs)
{
    bringIntoMemory(files);
    QDir().mkpath(QString::fromStdString(outputs));
    app.prefSaveType = "absolutepath";
    app.prefSavePlace = outputs + "/";
    app.dropItem.assign(files.begin(), files.end());
    app.isFastProof = fast;
    resetPeak();
    QElapsedTimer clock, sinceTick;
    double maxGap = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        maxGap = std::max(maxGap, double(sinceTick.nsecsElapsed()) / 1e6);
        sinceTick.restart();
    });
    const double cpuBefore = threadCpuSeconds();
    clock.start();
    sinceTick.start();
    ticker.start();
    auto pass = startProof(app, std::make_shared<GrepWindowView>());
    while (!pass->isFinished())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    Run r;
    r.seconds = double(clock.nsecsElapsed()) / 1e9;
    r.mainCpuSeconds = threadCpuSeconds() - cpuBefore;
    ticker.stop();
    r.maxGapMs = maxGap;
    r.peakMB = peakMegabytes();
    r.saved = pass->savedCount();
    if (pass->rulesApplied() > 0)
        r.searchedShare = double(pass->rulesSearched()) / double(pass->rulesApplied());
    return r;
}

// The application starts making its table of other cases and shows its
// frame with the menus at start, so its first pass never meets a process that
// has yet to make the one or load a font: the passes here start from the same
// point.
void startAsTheProgramDoes(QMainWindow& frame)
{
    prepareCaseFolding();
    for (const char* title : {"ファイル", "編集", "校正", "辞書", "ウインドウ"})
        frame.menuBar()->addMenu(QString::fromUtf8(title));
    frame.show();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 200)
        QCoreApplication::processEvents();
}

// The bare baseline: every rule compiled with PCRE2's JIT and applied to the
// whole text, one after another.
double baseline(const PassRuleList& list, std::string& text)
{
    QElapsedTimer clock;
    clock.start();
    const std::vector<PassRule> rules = prepareRules(list);
    pcre2_compile_context* cc = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(cc, PCRE2_NEWLINE_ANYCRLF);
    std::string out;
    for (const PassRule& r : rules) {
        const uint32_t flags = PCRE2_UTF | PCRE2_MULTILINE | (r.caseSensitive ? 0 : PCRE2_CASELESS) |
                               (r.dotAll ? PCRE2_DOTALL : 0) | (r.greedy ? 0 : PCRE2_UNGREEDY);
        int error;
        PCRE2_SIZE offset;
        pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(r.search.data()), r.search.size(),
                                         flags, &error, &offset, cc);
        if (!code)
            continue;
        pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
        pcre2_match_data* md = pcre2_match_data_create_from_pattern(code, nullptr);
        const auto subject = reinterpret_cast<PCRE2_SPTR>(text.data());
        const uint32_t notEmpty = r.matchEmpty ? 0 : PCRE2_NOTEMPTY;
        // Only a text that has a match is rebuilt.
        if (pcre2_match(code, subject, text.size(), 0, notEmpty | PCRE2_NO_UTF_CHECK, md, nullptr) >= 0) {
            PCRE2_SIZE length = text.size() + text.size() / 8 + 1024;
            for (;;) {
                out.resize(length);
                int rc = pcre2_substitute(code, subject, text.size(), 0,
                    notEmpty | PCRE2_NO_UTF_CHECK | PCRE2_SUBSTITUTE_GLOBAL | PCRE2_SUBSTITUTE_OVERFLOW_LENGTH |
                        PCRE2_SUBSTITUTE_UNSET_EMPTY, md,
                    nullptr, reinterpret_cast<PCRE2_SPTR>(r.replace.data()), r.replace.size(),
                    reinterpret_cast<PCRE2_UCHAR*>(out.data()), &length);
                if (rc == PCRE2_ERROR_NOMEMORY)
                    continue;
                if (rc >= 0) {
                    out.resize(length);
                    text.swap(out);
                }
                break;
            }
        }
        pcre2_match_data_free(md);
        pcre2_code_free(code);
    }
    pcre2_compile_context_free(cc);
    return double(clock.nsecsElapsed()) / 1e9;
}

// perl with one s///g per rule: /a for ASCII classes, /i where the rule
// ignores case, /m and /s as the rule's options say.
double perl(const PassRuleList& list, const std::string& input, const std::string& script)
{
    const std::vector<PassRule> rules = prepareRules(list);
    std::string code = "use strict; use utf8;\n"
                       "open(my $f, '<:raw', $ARGV[0]) or die; local $/; my $t = <$f>; close $f;\n"
                       "utf8::decode($t);\n"
                       "my @p = do { local $/ = \"\\n\"; map { chomp; utf8::decode($_); $_ } <DATA> };\n";
    for (size_t i = 0; i < rules.size(); ++i) {
        const PassRule& r = rules[i];
        std::string flags = "gma";
        if (!r.caseSensitive)
            flags += "i";
        if (r.dotAll)
            flags += "s";
        // The replacement as a perl string: $1 stays a group, the rest literal.
        std::string rep;
        for (size_t k = 0; k < r.replace.size(); ++k) {
            const char c = r.replace[k];
            if (c == '$' && k + 1 < r.replace.size() && std::isdigit(static_cast<unsigned char>(r.replace[k + 1])))
                rep += "${" + std::string(1, r.replace[k + 1]) + "}", ++k;
            else if (c == '\\' || c == '@' || c == '$' || c == '/')
                rep += std::string("\\") + c;
            else if (c == '\r')
                rep += "\\r";
            else
                rep += c;
        }
        code += "{ my $r = $p[" + std::to_string(i) + "]; $t =~ s/$r/" + rep + "/" + flags + "; }\n";
    }
    code += "utf8::encode($t); print length($t), \"\\n\";\n__DATA__\n";
    for (const PassRule& r : rules)
        code += r.search + "\n";
    writeAll(script, code);
    QElapsedTimer clock;
    clock.start();
    const std::string command = "perl '" + script + "' '" + input + "' > /dev/null";
    const int rc = std::system(command.c_str());
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    return rc == 0 ? seconds : -1;
}

void line(const char* what, double value, const char* unit, const std::string& target, bool ok, bool hasTarget = true)
{
    // Figures under a second in milliseconds' steps: targets there are tight.
    const int decimals = std::string_view(unit) == "s" && value < 1 ? 3 : 2;
    std::printf("  %-44s %10.*f %-3s", what, decimals, value, unit);
    if (hasTarget)
        std::printf("  %-34s %s", target.c_str(), ok ? "met" : "NOT MET");
    std::printf("\n");
}

std::string fmt(const char* format, double a)
{
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, format, a);
    return buffer;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const QStringList args = qapp.arguments();
    const bool quick = args.contains("--quick");
    // perl takes minutes over 50 MB; it runs there only when asked.
    const bool perlOn50 = args.contains("--perl50");
    const std::string dictionary = TV_BENCH_DATA "/webdb.dict";
    const std::string source = "/usr/share/debian-reference/debian-reference.ja.txt.gz";
    const std::string work = TV_BENCH_WORK;

    const std::string original = tv::bench::readText(source);
    const std::string rulesBytes = readAll(dictionary);
    if (original.empty() || rulesBytes.empty()) {
        std::fprintf(stderr, "needs %s (package debian-reference-ja) and %s\n", source.c_str(), dictionary.c_str());
        return 1;
    }

    // The inputs stay from one run to the next (written again only when they
    // differ in size): removing and making tens of thousands of files just
    // before the passes would have the file system's inode allocation, not
    // the pass, in the figures. The outputs of each pass go to a folder of
    // their own, made empty, and earlier runs' outputs are removed after the
    // figures are taken.
    const std::string in = work + "/in";
    auto put = [](const std::string& path, std::string_view bytes) {
        if (QFileInfo(QString::fromStdString(path)).size() != qint64(bytes.size()))
            writeAll(path, bytes);
    };
    for (const char* sub : {"app/Dictionary", "in/one", "in/big", "in/many", "in/single", "plain"})
        QDir().mkpath(QString::fromStdString(work + "/" + sub));
    const QString outs = QString::fromStdString(work + "/out");
    const QString oldOuts = outs + QStringLiteral("-old");
    QDir(oldOuts).removeRecursively();
    QDir().rename(outs, oldOuts);
    writeAll(work + "/app/Dictionary/webdb.dict", rulesBytes);
    put(in + "/one/reference.txt", original);
    std::string big;
    while (big.size() < size_t(50) * 1000 * 1000)
        big += original;
    std::vector<std::string> pieces = cutAtLineEnds(big, 4096, 10000);
    std::vector<FolderItem> manyFiles;
    std::string joined;
    for (size_t i = 0; i < pieces.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/many/%05zu.txt", i);
        put(in + name, pieces[i]);
        manyFiles.push_back(FolderItem::fromPath(in + name));
        joined += pieces[i];
    }
    std::vector<std::string>().swap(pieces);
    if (!quick) {
        put(in + "/big/reference50.txt", big);
        put(in + "/single/joined.txt", joined);
    }
    writeAll(work + "/plain/reference.cr.txt", lfToCr(original));
    writeAll(work + "/plain/reference50.cr.txt", lfToCr(big));
    const size_t joinedSize = joined.size();
    std::string().swap(joined);

    QMainWindow frame;
    startAsTheProgramDoes(frame);

    AppState app;
    registerAppState(&app);
    app.setDefaultSettings();
    app.prefAlarmType = "none";
    app.prefDefaultDic = "webdb.dict";
    FolderItem::overrideApplicationFolder(work + "/app");

    PassRuleList rules;
    {
        std::deque<std::string> queue;
        detectKanji detector;
        loadPassRules({queue, "webdb.dict", FolderItem::fromPath(work + "/app/Dictionary"),
                          [&](std::string_view s) { return detector.JudgeCode(s); }, {}},
                      rules);
    }

    std::printf("Tesvora pass benchmark: %zu rules, 1 MB = %.2f MB, 50 MB = %.2f MB, %zu files of %.1f KB on average\n\n",
                rules.size(), double(original.size()) / 1e6, double(big.size()) / 1e6, manyFiles.size(),
                double(joinedSize) / 1e3 / double(manyFiles.size()));

    if (args.contains("--one-only")) {
        // For a profiler: the 1 MB pass alone, ten times.
        for (int i = 0; i < 10; ++i) {
            const Run r = runPass(app, {FolderItem::fromPath(in + "/one/reference.txt")}, !args.contains("--default"), work + "/out/profile");
            std::printf("1 MB: %.3f s, longest wait %.1f ms\n", r.seconds, r.maxGapMs);
        }
        return 0;
    }

    if (args.contains("--many-only")) {
        // For a profiler: the pass over the many files alone.
        const Run r = runPass(app, manyFiles, !args.contains("--default"), work + "/out/profile");
        std::printf("10,000 files: %.2f s, main thread %.2f s\n", r.seconds, r.mainCpuSeconds);
        return 0;
    }
    if (args.contains("--fifty-only")) {
        // For a profiler: the 50 MB pass alone (its input written by a full run).
        const Run r = runPass(app, {FolderItem::fromPath(in + "/big/reference50.txt")}, !args.contains("--default"),
                              work + "/out/profile");
        std::printf("50 MB: %.2f s, longest wait %.1f ms\n", r.seconds, r.maxGapMs);
        return 0;
    }
    // The bare baseline and perl.
    std::string text1 = lfToCr(original);
    const double base1 = baseline(rules, text1);
    const double perl1 = perl(rules, work + "/plain/reference.cr.txt", work + "/plain/rules.pl");
    double base50 = 0, perl50 = 0;
    if (!quick) {
        std::string text50 = lfToCr(big);
        base50 = baseline(rules, text50);
        if (perlOn50)
            perl50 = perl(rules, work + "/plain/reference50.cr.txt", work + "/plain/rules.pl");
    }
    std::string().swap(big);

    if (args.contains("--single-only")) {
        // For a profiler: the pass over the one file the many files make
        // (written by a full run).
        const Run r = runPass(app, {FolderItem::fromPath(in + "/single/joined.txt")}, !args.contains("--default"),
                              work + "/out/profile");
        std::printf("one file: %.2f s, main thread %.2f s\n", r.seconds, r.mainCpuSeconds);
        return 0;
    }
    // What the set-up wrote (the 50 MB copies among it) reaches the disk
    // before the timed passes: a pass's own sync would wait for it otherwise.
    ::sync();
    const std::string out = work + "/out";
    const std::vector<FolderItem> one{FolderItem::fromPath(in + "/one/reference.txt")};
    const Run fast1 = runPass(app, one, true, out + "/fast1");
    const std::string fastOut = lfToCr(readAll(out + "/fast1/reference[fixed].txt"));
    // The same pass once more: what a pass costs once the program has run
    // one (its first pass also meets what the process does only once).
    const Run fast1Again = runPass(app, one, true, out + "/fast1again");
    const Run def1 = runPass(app, one, false, out + "/default1");
    const std::string defaultOut = lfToCr(readAll(out + "/default1/reference[fixed].txt"));
    // The same passes searching every rule, for comparison.
    proof::filterRules = false;
    const Run fast1All = runPass(app, one, true, out + "/fast1all");
    const Run def1All = runPass(app, one, false, out + "/default1all");
    proof::filterRules = true;
    const bool sameAsAll = readAll(out + "/fast1all/reference[fixed].txt") == readAll(out + "/fast1/reference[fixed].txt") &&
                           readAll(out + "/default1all/reference[fixed].txt") == readAll(out + "/default1/reference[fixed].txt");

    Run fast50, def50, fastMany, defMany, fastSingle, defSingle;
    if (!quick) {
        const std::vector<FolderItem> fifty{FolderItem::fromPath(in + "/big/reference50.txt")};
        fast50 = runPass(app, fifty, true, out + "/fast50");
        def50 = runPass(app, fifty, false, out + "/default50");
        const std::vector<FolderItem> single{FolderItem::fromPath(in + "/single/joined.txt")};
        fastSingle = runPass(app, single, true, out + "/fastSingle");
        defSingle = runPass(app, single, false, out + "/defaultSingle");
        fastMany = runPass(app, manyFiles, true, out + "/fastMany");
        defMany = runPass(app, manyFiles, false, out + "/defaultMany");
    }

    std::printf("  %-44s %10s %-3s  %-34s\n", "", "figure", "", "target");
    std::printf("1 MB\n");
    line("bare baseline (PCRE2 JIT, rule after rule)", base1, "s", "", true, false);
    line("perl, one s///g per rule", perl1, "s", "", true, false);
    line("pass searching every rule, fast mode", fast1All.seconds, "s", "", true, false);
    line("pass searching every rule, default mode", def1All.seconds, "s", "", true, false);
    line("pass, fast mode", fast1.seconds, "s", fmt("<= 0.05 s and <= baseline / 5 = %.3f s", base1 / 5),
         fast1.seconds <= 0.05 && fast1.seconds <= base1 / 5);
    line("pass, fast mode, again", fast1Again.seconds, "s", "", true, false);
    line("pass, default mode", def1.seconds, "s", fmt("<= 1.5 x fast mode = %.3f s", 1.5 * fast1.seconds),
         def1.seconds <= 1.5 * fast1.seconds);
    line("rules searched, fast mode", 100 * fast1.searchedShare, "%", "", true, false);
    line("rules searched, default mode", 100 * def1.searchedShare, "%", "", true, false);
    std::printf("  fast mode's output %s the baseline's; the default mode's %s fast mode's; both %s the passes searching every rule\n",
                fastOut == text1 ? "equals" : "DIFFERS FROM", defaultOut == fastOut ? "equals" : "differs from",
                sameAsAll ? "equal" : "DIFFER FROM");
    if (!quick) {
        std::printf("50 MB\n");
        line("bare baseline (PCRE2 JIT, rule after rule)", base50, "s", "", true, false);
        if (perlOn50)
            line("perl, one s///g per rule", perl50, "s", "", true, false);
        else
            std::printf("  %-44s %10s\n", "perl, one s///g per rule", "(--perl50)");
        line("pass, fast mode", fast50.seconds, "s", fmt("<= 3 s and <= 60 x 1 MB = %.2f s", 60 * fast1.seconds),
             fast50.seconds <= 3 && fast50.seconds <= 60 * fast1.seconds);
        line("pass, default mode", def50.seconds, "s", fmt("<= 3 s and <= 60 x 1 MB = %.2f s", 60 * def1.seconds),
             def50.seconds <= 3 && def50.seconds <= 60 * def1.seconds);
        line("rules searched, fast mode", 100 * fast50.searchedShare, "%", "", true, false);
        line("rules searched, default mode", 100 * def50.searchedShare, "%", "", true, false);
        line("peak memory, fast mode", fast50.peakMB, "MB", "< 500 MB", fast50.peakMB < 500);
        line("peak memory, default mode", def50.peakMB, "MB", "< 500 MB", def50.peakMB < 500);
        std::printf("10,000 files of about 4 KB, against one file of the same %.1f MB\n", double(joinedSize) / 1e6);
        line("one file, fast mode", fastSingle.seconds, "s", "", true, false);
        line("one file, default mode", defSingle.seconds, "s", "", true, false);
        line("10,000 files, fast mode", fastMany.seconds, "s", fmt("<= 1.5 x one file = %.2f s", 1.5 * fastSingle.seconds),
             fastMany.seconds <= 1.5 * fastSingle.seconds);
        line("10,000 files, default mode", defMany.seconds, "s", fmt("<= 1.5 x one file = %.2f s", 1.5 * defSingle.seconds),
             defMany.seconds <= 1.5 * defSingle.seconds);
        line("rules searched, 10,000 files, fast mode", 100 * fastMany.searchedShare, "%", "", true, false);
    }
    std::printf("Longest wait of the event loop during a pass\n");
    struct Named {
        const char* name;
        const Run* run;
    };
    std::vector<Named> runs{{"1 MB, fast mode", &fast1}, {"1 MB, default mode", &def1}};
    if (!quick) {
        runs.insert(runs.end(), {{"50 MB, fast mode", &fast50}, {"50 MB, default mode", &def50},
                                    {"one file, fast mode", &fastSingle}, {"one file, default mode", &defSingle},
                                    {"10,000 files, fast mode", &fastMany}, {"10,000 files, default mode", &defMany}});
    }
    for (const Named& n : runs)
        line(n.name, n.run->maxGapMs, "ms", "<= 50 ms", n.run->maxGapMs <= 50);
    FolderItem::overrideApplicationFolder("");
    QDir(oldOuts).removeRecursively();
    return 0;
}
