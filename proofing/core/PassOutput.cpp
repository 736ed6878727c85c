#include "proofing/core/PassOutput.h"

#include "app/core/AppState.h"
#include "platform/core/Errors.h"
#include "platform/core/FileTypes.h"
#include "platform/core/Services.h"
#include "platform/core/Text.h"
#include "platform/core/Thread.h"
#include "proofing/core/PassChunks.h"

#include <cstring>

namespace tv {

void restoreLineEnds(std::string& text, LineEnd form)
{
    if (form == LineEnd::CR)
        return;
    const size_t n = text.size();
    size_t nextYield = kPassChunk;
    if (form == LineEnd::LF) {
        // In place: CR LF loses its CR, a lone CR becomes LF.
        char* data = text.data();
        size_t write = 0;
        for (size_t read = 0; read < n; ++read) {
            char c = data[read];
            if (c == '\r') {
                if (read + 1 < n && data[read + 1] == '\n')
                    continue;
                c = '\n';
            }
            data[write++] = c;
            if (read >= nextYield) {
                yieldToOthers();
                nextYield = read + kPassChunk;
            }
        }
        text.resize(write);
        return;
    }
    std::string out;
    out.reserve(n + n / 16);
    size_t read = 0;
    while (read < n) {
        const size_t hit = text.find_first_of("\r\n", read);
        const size_t stop = hit == std::string::npos ? n : hit;
        out.append(text, read, stop - read);
        if (stop == n)
            break;
        out += "\r\n";
        read = stop + ((text[stop] == '\r' && stop + 1 < n && text[stop + 1] == '\n') ? 2 : 1);
        if (read >= nextYield) {
            yieldToOthers();
            nextYield = read + kPassChunk;
        }
    }
    text.swap(out);
}

std::string encodeFromUtf8(std::string_view text, const TextEncodingRef& encoding, const TextForms* forms)
{
    if (!encoding)
        throw NilObjectException("no encoding");
    if (encoding == Encodings::UTF8())
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    size_t at = 0;
    bool first = true;
    while (at < text.size() || first) {
        const size_t end = utf8LineChunkEnd(text, at, *encoding);
        const TextEncodingRef& piece = first ? encoding : continuationEncoding(encoding);
        out += piece->encode(text.substr(at, end - at), forms);
        at = end;
        first = false;
        yieldToOthers();
    }
    return out;
}

std::string outputName(std::string_view displayName, std::string_view expanded)
{
    std::string base(displayName), ext;
    if (CountFields(displayName, ".") == 2) {
        base = NthField(displayName, ".", 1);
        ext = NthField(displayName, ".", 2);
    }
    const std::string suffix = NthField(expanded, "\t", 1);
    const std::string prefix = NthField(expanded, "\t", 2);
    const std::string newExt = NthField(expanded, "\t", 3);
    if (!newExt.empty())
        ext = newExt;
    std::string name = prefix + base + suffix;
    if (!ext.empty())
        name += "." + ext;
    return name;
}

namespace {

// The fixed folder without the slashes at its end; empty when it is no
// absolute path.
std::string fixedFolder(const std::string& place)
{
    if (place.empty() || place.front() != '/')
        return {};
    std::string folder = place;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

// The folder and the name with one "/" between them.
std::string joined(const std::string& folder, const std::string& name)
{
    return folder == "/" ? "/" + name : folder + "/" + name;
}

} // namespace

std::string expectedOutputPath(const AppState& app, const FolderItem& source, const std::string& name)
{
    // A name such as "a/b", "." or ".." would write somewhere else.
    if (!FolderItem::isPlainName(name))
        return {};
    const std::string& type = app.prefSaveType;
    if (type == "sameplace") {
        // The name exactly as built: the folder is not listed for a file that
        // differs only in case, so a save costs the same in a folder of
        // thousands of files.
        const FolderItem parent = source.Parent();
        return parent ? joined(parent.path(), name) : std::string();
    }
    if (type == "absolutepath") {
        const std::string folder = fixedFolder(app.prefSavePlace);
        return folder.empty() ? std::string() : joined(folder, name);
    }
    return {};
}

FolderItem outputTarget(const AppState& app, const FolderItem& source, const std::string& name)
{
    if (!FolderItem::isPlainName(name))
        return {};
    if (app.prefSaveType == "dialog")
        return services().getSaveFolderItem(FileTypes::pText().Name, name);
    const std::string path = expectedOutputPath(app, source, name);
    if (path.empty())
        return {};
    if (app.prefSaveType == "absolutepath") {
        const FolderItem folder = FolderItem::fromPath(fixedFolder(app.prefSavePlace));
        if (!folder || !folder.Directory())
            return {};
    }
    return FolderItem::fromPath(path);
}

std::string writeOutput(const FolderItem& target, const FolderItem& source, std::string_view bytes,
                        const std::string& prefCreator, FolderSync folderSync)
{
    const std::string type = source.MacType();
    const std::string creator = prefCreator.empty() ? source.MacCreator() : prefCreator;
    // A new output is no more readable than its source.
    return writeFileSafely(target, bytes, type, creator, source.permissionBits(), folderSync);
}

} // namespace tv
