// Times the encoding detector and the converters on real Japanese text:
// 10,000 files of about 4 KB (Shift_JIS, EUC-JP and UTF-8 in turn) and one
// file of 50 MB in Shift_JIS and in EUC-JP, side by side with the iconv
// command converting the same 50 MB files. The converters run as a pass runs
// them, noting the forms a file used and writing it back in them.
//
//   build/bench/encoding_bench [text.gz] [runs]
//
// The fixtures are built in a temporary folder from the Debian Reference in
// Japanese and removed at the end.

#include "bench/BenchSupport.h"
#include "encoding/core/TextEncoding.h"
#include "encoding/core/detectKanji.h"
#include "platform/core/Errors.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

using namespace tv;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

const char* kDefaultText = "/usr/share/debian-reference/debian-reference.ja.txt.gz";

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string shellQuoted(const fs::path& p)
{
    return "'" + p.string() + "'";
}

std::string readFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::string s;
    in.seekg(0, std::ios::end);
    s.resize(size_t(in.tellg()));
    in.seekg(0);
    in.read(s.data(), std::streamsize(s.size()));
    return s;
}

void writeFile(const fs::path& p, const std::string& s)
{
    std::ofstream out(p, std::ios::binary);
    out.write(s.data(), std::streamsize(s.size()));
}

// The text repeated, whole, until it holds at least `size` bytes.
std::string repeatedTo(const std::string& text, size_t size)
{
    std::string out;
    out.reserve(size + text.size());
    while (out.size() < size)
        out += text;
    return out;
}

// Pieces of about `size` bytes, each ending at a line end.
std::vector<std::string> piecesOf(const std::string& text, size_t size, size_t count)
{
    std::vector<std::string> pieces;
    size_t at = 0;
    while (pieces.size() < count) {
        if (at + size >= text.size())
            at = 0;
        size_t end = text.find('\n', at + size);
        end = end == std::string::npos ? text.size() : end + 1;
        pieces.push_back(text.substr(at, end - at));
        at = end;
    }
    return pieces;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double best(const std::vector<double>& v)
{
    return *std::min_element(v.begin(), v.end());
}

struct BigFile {
    const char* label;
    const char* iconvName;
    TextEncodingRef encoding;
    fs::path path;
};

} // namespace

int main(int argc, char** argv)
{
    const std::string source = argc > 1 ? argv[1] : kDefaultText;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    if (!fs::exists(source)) {
        std::fprintf(stderr, "%s is missing (apt-get install -y debian-reference-ja)\n", source.c_str());
        return 1;
    }

    char folderName[] = "/tmp/tesvora-encoding-bench-XXXXXX";
    if (!::mkdtemp(folderName)) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path folder = folderName;

    // Fixtures: the reference text in UTF-8, and in CP932 and EUC-JP with the
    // few characters that they cannot hold dropped.
    const fs::path utf8Path = folder / "reference.utf8";
    writeFile(utf8Path, tv::bench::commandOutput("gzip -dc " + shellQuoted(source)));
    const std::string utf8Text = readFile(utf8Path);
    const std::string sjisText = tv::bench::commandOutput("iconv -c -f UTF-8 -t CP932 " + shellQuoted(utf8Path) + " 2>/dev/null");
    const std::string eucText = tv::bench::commandOutput("iconv -c -f UTF-8 -t EUC-JP " + shellQuoted(utf8Path) + " 2>/dev/null");
    std::printf("reference text: %zu bytes UTF-8, %zu CP932, %zu EUC-JP\n", utf8Text.size(), sjisText.size(),
                eucText.size());

    const detectKanji detector;
    int failures = 0;

    // --- 10,000 files of 4 KB -------------------------------------------------
    {
        const size_t count = 10000;
        const std::vector<std::string> sources[3] = {piecesOf(sjisText, 4096, count / 3 + 1),
                                                     piecesOf(eucText, 4096, count / 3 + 1),
                                                     piecesOf(utf8Text, 4096, count / 3 + 1)};
        const TextEncoding* truth[3] = {Encodings::ShiftJIS().get(), Encodings::EUCJP().get(),
                                        Encodings::UTF8().get()};
        const fs::path small = folder / "small";
        fs::create_directory(small);
        std::vector<fs::path> paths;
        for (size_t i = 0; i < count; ++i) {
            paths.push_back(small / ("f" + std::to_string(i) + ".txt"));
            writeFile(paths.back(), sources[i % 3][i / 3]);
        }
        double readMs = 0, detectMs = 0, decodeMs = 0;
        size_t bytes = 0, right = 0, undecodable = 0;
        size_t rightOf[3] = {}, undecodableOf[3] = {};
        for (size_t i = 0; i < count; ++i) {
            auto t0 = Clock::now();
            const std::string data = readFile(paths[i]);
            readMs += msSince(t0);
            bytes += data.size();
            t0 = Clock::now();
            const TextEncodingRef e = detector.JudgeCode(std::string_view(data).substr(0, 1000));
            detectMs += msSince(t0);
            right += e.get() == truth[i % 3];
            rightOf[i % 3] += e.get() == truth[i % 3];
            t0 = Clock::now();
            try {
                if (e != Encodings::UTF8()) {
                    TextForms forms;
                    (void)e->decode(data, &forms);
                    e->noteForms(data, forms);
                }
            } catch (const EncodingException&) {
                ++undecodable;
                ++undecodableOf[i % 3];
            }
            decodeMs += msSince(t0);
        }
        std::printf("\n%zu files, %.1f MB in all (Shift_JIS, EUC-JP, UTF-8 in turn)\n", count, double(bytes) / 1e6);
        std::printf("  read     %8.1f ms\n", readMs);
        std::printf("  detect   %8.1f ms  (%.1f us a file; %zu of %zu detected as written)\n", detectMs,
                    detectMs * 1000 / double(count), right, count);
        std::printf("  decode   %8.1f ms  (%.1f us a file; %zu undecodable)\n", decodeMs,
                    decodeMs * 1000 / double(count), undecodable);
        const char* names[3] = {"Shift_JIS", "EUC-JP", "UTF-8"};
        for (int k = 0; k < 3; ++k)
            std::printf("    %-9s files: %zu detected as written, %zu undecodable as detected\n", names[k],
                        rightOf[k], undecodableOf[k]);
        fs::remove_all(small);
    }

    // --- One file of 50 MB ----------------------------------------------------
    const size_t bigSize = size_t(50) << 20;
    BigFile bigs[] = {
        {"Shift_JIS", "CP932", Encodings::ShiftJIS(), folder / "big.sjis"},
        {"EUC-JP", "EUC-JP", Encodings::EUCJP(), folder / "big.euc"},
    };
    writeFile(bigs[0].path, repeatedTo(sjisText, bigSize));
    writeFile(bigs[1].path, repeatedTo(eucText, bigSize));

    for (BigFile& big : bigs) {
        const std::string command =
            std::string("iconv -f ") + big.iconvName + " -t UTF-8 " + shellQuoted(big.path) + " > /dev/null";
        std::vector<double> commandMs, decodeMs, readDecodeMs, detectMs, encodeMs;
        size_t inBytes = 0, outBytes = 0;
        bool same = true;
        for (int run = 0; run < runs; ++run) {
            // Side by side: the command, then this program, on the same file.
            auto t0 = Clock::now();
            if (std::system(command.c_str()) != 0) {
                std::fprintf(stderr, "iconv failed on %s\n", big.path.c_str());
                ++failures;
            }
            commandMs.push_back(msSince(t0));

            t0 = Clock::now();
            const std::string data = readFile(big.path);
            const double readMs = msSince(t0);
            inBytes = data.size();

            t0 = Clock::now();
            const TextEncodingRef e = detector.JudgeCode(std::string_view(data).substr(0, 1000));
            detectMs.push_back(msSince(t0));
            same = same && e.get() == big.encoding.get();

            t0 = Clock::now();
            TextForms forms;
            std::string text = big.encoding->decode(data, &forms);
            big.encoding->noteForms(data, forms);
            decodeMs.push_back(msSince(t0));
            readDecodeMs.push_back(readMs + decodeMs.back());
            outBytes = text.size();

            t0 = Clock::now();
            const std::string back = big.encoding->encode(text, &forms);
            encodeMs.push_back(msSince(t0));
            same = same && back.size() == data.size();
        }
        const double ratio = median(decodeMs) / median(commandMs);
        std::printf("\n%s, %.1f MB to %.1f MB of UTF-8 (%d runs, median / best)\n", big.label, double(inBytes) / 1e6,
                    double(outBytes) / 1e6, runs);
        std::printf("  iconv -f %-7s     %7.1f / %7.1f ms\n", big.iconvName, median(commandMs), best(commandMs));
        std::printf("  decode              %7.1f / %7.1f ms   %.2f x the command %s\n", median(decodeMs),
                    best(decodeMs), ratio, ratio <= 1.2 ? "(within 1.2)" : "(ABOVE 1.2)");
        std::printf("  read + decode       %7.1f / %7.1f ms   %.2f x the command\n", median(readDecodeMs),
                    best(readDecodeMs), median(readDecodeMs) / median(commandMs));
        std::printf("  detect (1000 bytes) %7.3f / %7.3f ms\n", median(detectMs), best(detectMs));
        std::printf("  encode back         %7.1f / %7.1f ms\n", median(encodeMs), best(encodeMs));
        if (!same) {
            std::printf("  MISMATCH: detected otherwise, or written back to another size\n");
            ++failures;
        }
        if (ratio > 1.2)
            ++failures;
    }

    fs::remove_all(folder);
    return failures ? 1 : 0;
}
