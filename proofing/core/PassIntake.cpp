#include "proofing/core/PassIntake.h"

#include "encoding/core/JudgedText.h"
#include "platform/core/Errors.h"
#include "platform/core/Streams.h"
#include "platform/core/Text.h"
#include "platform/core/Thread.h"
#include "proofing/core/PassChunks.h"
#include "proofing/core/RebuiltText.h"
#include "proofing/core/RegEx.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace tv {

LineEnd detectLineEnd(std::string_view text)
{
    if (text.find("\r\n") != std::string_view::npos)
        return LineEnd::CRLF;
    if (text.find('\n') != std::string_view::npos)
        return LineEnd::LF;
    return LineEnd::CR;
}

void normaliseLineEnds(std::string& text)
{
    char* data = text.data();
    const size_t n = text.size();
    size_t write = 0, read = 0, nextYield = kPassChunk;
    while (read < n) {
        const void* hit = std::memchr(data + read, '\n', n - read);
        const size_t lf = hit ? static_cast<size_t>(static_cast<const char*>(hit) - data) : n;
        // Bytes up to the LF stay; a CR just before it makes the LF the second
        // half of a pair, which goes. A lone LF becomes CR.
        const size_t keep = lf - read;
        if (write != read)
            std::memmove(data + write, data + read, keep);
        write += keep;
        if (lf == n)
            break;
        const bool pair = keep > 0 && data[write - 1] == '\r';
        if (!pair)
            data[write++] = '\r';
        read = lf + 1;
        if (read >= nextYield) {
            yieldToOthers();
            nextYield = read + kPassChunk;
        }
    }
    text.resize(write);
}

std::string readFileBytes(const FolderItem& file)
{
    auto stream = file.OpenAsBinaryFile(false);
    const size_t length = static_cast<size_t>(std::max<int64_t>(stream->Length(), 0));
    // Read straight into the result, a piece at a time. One byte more than
    // the length sees the end of the file; a file that has grown meanwhile
    // is read to its new end. The room the buffer has beyond the text lets
    // the rules' replacements grow the text where it lies.
    std::string bytes;
    reserveToRebuild(bytes, length + 1);
    bytes.resize(length + 1);
    size_t done = 0;
    for (;;) {
        if (done == bytes.size())
            bytes.resize(done + kPassChunk);
        const size_t want = std::min(bytes.size() - done, kPassChunk);
        const size_t got = stream->ReadInto(bytes.data() + done, want);
        done += got;
        if (got < want)
            break;
        yieldToOthers();
    }
    bytes.resize(done);
    stream->Close();
    return bytes;
}

namespace {

void checkUtf8(std::string_view bytes)
{
    for (size_t at = 0; at < bytes.size();) {
        const size_t end = utf8ChunkEnd(bytes, at);
        requireValidUtf8(bytes.substr(at, end - at), "the file");
        at = end;
        yieldToOthers();
    }
}

} // namespace

std::string decodeToUtf8(std::string_view bytes, const TextEncodingRef& encoding, TextForms* forms)
{
    if (!encoding)
        throw NilObjectException("no encoding");
    if (encoding == Encodings::UTF8()) {
        checkUtf8(bytes);
        return std::string(bytes);
    }
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    size_t at = 0;
    bool first = true;
    while (at < bytes.size() || first) {
        const size_t end = encodedChunkEnd(bytes, at, *encoding);
        const TextEncodingRef& piece = first ? encoding : continuationEncoding(encoding);
        out += piece->decode(bytes.substr(at, end - at), forms);
        at = end;
        first = false;
        yieldToOthers();
    }
    if (forms)
        encoding->noteForms(bytes, *forms);
    return out;
}

TakenFile takeInFile(const FolderItem& file, const detectKanji& detector)
{
    TakenFile taken;
    // The detector's sample comes from the file itself, not from the text.
    // The forms are those of the encoding finally used: each try starts anew.
    JudgedText judged = decodeJudged(detector, readFileBytes(file), 1000, TextEvidence::WhereGuessFails,
        [&taken](std::string_view bytes, const TextEncodingRef& encoding) {
            taken.forms = TextForms();
            return decodeToUtf8(bytes, encoding, &taken.forms);
        });
    taken.text = std::move(judged.text);
    taken.encoding = std::move(judged.encoding);
    taken.lineEnd = detectLineEnd(taken.text);
    if (taken.lineEnd != LineEnd::CR)
        normaliseLineEnds(taken.text);
    return taken;
}

void addRecentDocument(std::array<std::string, 10>& list, const std::string& entry)
{
    std::vector<std::string> entries;
    entries.reserve(11);
    entries.push_back(entry);
    for (std::string& e : list)
        entries.push_back(std::move(e));
    size_t drop = 10;
    for (size_t i = 1; i <= 10; ++i) {
        if (textEquals(entries[i], entry)) {
            drop = i;
            break;
        }
        yieldToOthers();
    }
    entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(drop));
    for (size_t i = 0; i < 10; ++i)
        list[i] = std::move(entries[i]);
}

std::string recentEntryFor(const FolderItem& file)
{
    return file.DisplayName() + "\t" + file.AbsolutePath();
}

} // namespace tv
