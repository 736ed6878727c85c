#include "workspace/core/WorkspaceFile.h"

#include "platform/core/Errors.h"
#include "platform/core/FileTypes.h"
#include "platform/core/Streams.h"
#include "platform/core/Text.h"
#include "platform/core/Thread.h"

namespace tv {

const char* const kWorkspaceHeader = "Tesvora Workspace";

namespace {

std::vector<std::string> splitAt(std::string_view text, char separator)
{
    std::vector<std::string> fields;
    if (text.empty())
        return fields;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(separator, start);
        if (end == std::string_view::npos) {
            fields.emplace_back(text.substr(start));
            return fields;
        }
        fields.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
}

void requireStorable(std::string_view text)
{
    if (!isStorableText(text))
        throw RuntimeException("a workspace cannot store a text holding TAB, CR or LF: " + std::string(text));
}

int fieldNumber(const std::vector<std::string>& fields, size_t index)
{
    return index < fields.size() ? toInt32(Val(fields[index])) : 0;
}

} // namespace

std::string serializeWorkspace(const FrameBounds& frame, const std::vector<std::string>& dictionaries,
    const std::vector<WorkspaceRow>& files)
{
    std::string out = std::string(kWorkspaceHeader) + "," + Str(frame.Left) + "," + Str(frame.Top) + ","
        + Str(frame.Width) + "," + Str(frame.Height) + "\r";
    for (const std::string& name : dictionaries) {
        requireStorable(name);
        out += name;
        out += '\t';
        yieldToOthers();
    }
    out += '\r';
    for (const WorkspaceRow& row : files) {
        requireStorable(row.name);
        requireStorable(row.path);
        out += row.name;
        out += '\t';
        out += row.path;
        out += '\r';
        yieldToOthers();
    }
    return out;
}

WorkspaceContent parseWorkspace(std::string_view bytes)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    TextInputStream in{std::string(bytes), TextInputStream::LineEnds::Any};
    WorkspaceContent content;

    const std::vector<std::string> header = splitAt(in.ReadLine(), ',');
    if (!header.empty() && textEquals(header[0], kWorkspaceHeader)) {
        FrameBounds frame;
        frame.Left = fieldNumber(header, 1);
        frame.Top = fieldNumber(header, 2);
        frame.Width = fieldNumber(header, 3);
        frame.Height = fieldNumber(header, 4);
        content.frame = frame;
    }

    // Every name is followed by TAB, so the last field is the empty text
    // behind the final one and is never a name.
    const std::vector<std::string> names = splitAt(in.ReadLine(), '\t');
    for (size_t i = 0; i + 1 < names.size(); ++i) {
        content.dictionaries.push_back(names[i]);
        yieldToOthers();
    }

    while (!in.EOF_()) {
        const std::string line = in.ReadLine();
        const size_t tab = line.find('\t');
        std::string name = line.substr(0, tab);
        std::string path;
        if (tab != std::string::npos) {
            const size_t next = line.find('\t', tab + 1);
            path = line.substr(tab + 1, next == std::string::npos ? std::string::npos : next - tab - 1);
        }
        content.files.push_back(rowFromEntry(std::move(name), std::move(path)));
        yieldToOthers();
    }
    return content;
}

WorkspaceContent readWorkspaceFile(const FolderItem& file)
{
    if (!file || !file.Exists())
        throw IOException("the workspace file " + (file ? file.path() : std::string()) + " does not exist");
    if (file.Directory())
        throw IOException("the workspace " + file.path() + " is a folder");
    return parseWorkspace(file.readAll());
}

FileCodes workspaceFileCodes()
{
    return {FileTypes::pWork().MacType, FileTypes::pWork().MacCreator};
}

FileCodes existingFileCodes(const FolderItem& file)
{
    if (!file || !file.Exists() || file.Directory())
        return {};
    // The codes stored on it: a type read off its first line is none.
    return {file.storedMacType(), file.MacCreator()};
}

void writeWorkspaceFile(const FolderItem& file, const FrameBounds& frame,
    const std::vector<std::string>& dictionaries, const std::vector<WorkspaceRow>& files,
    const FileCodes& codes)
{
    if (!file)
        throw NilObjectException("no workspace file to write");
    const std::string bytes = serializeWorkspace(frame, dictionaries, files);
    writeFileSafely(file, bytes, codes.type, codes.creator);
}

} // namespace tv
