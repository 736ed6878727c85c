#include "workspace/core/WorkspaceDrops.h"

namespace tv {

const char* const kDictPayloadMime = "application/x-tesvora-dict";
const char* const kFilePayloadMime = "application/x-tesvora-file";
const char* const kUriListMime = "text/uri-list";
const char* const kListRowsMime = "application/x-tesvora-list-rows";

Payload decodePayload(std::string_view bytes)
{
    Payload p;
    if (bytes.empty())
        return p;
    size_t start = 0;
    for (;;) {
        const size_t end = bytes.find('\r', start);
        std::string field(bytes.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (p.fieldCount++ == 0)
            p.title = std::move(field);
        else
            p.entries.push_back(std::move(field));
        if (end == std::string_view::npos)
            return p;
        start = end + 1;
    }
}

std::string encodePayload(std::string_view title, const std::vector<std::string>& entries)
{
    std::string out(title);
    for (const std::string& e : entries) {
        out += '\r';
        out += e;
    }
    return out;
}

FileEntry splitFileEntry(std::string_view entry)
{
    FileEntry e;
    const size_t tab = entry.find('\t');
    e.name = std::string(entry.substr(0, tab));
    if (tab != std::string_view::npos) {
        const size_t next = entry.find('\t', tab + 1);
        e.path = std::string(entry.substr(tab + 1, next == std::string_view::npos ? std::string_view::npos : next - tab - 1));
    }
    return e;
}

std::string joinFileEntry(std::string_view name, std::string_view path)
{
    std::string out(name);
    out += '\t';
    out += path;
    return out;
}

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string percentDecoded(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hexValue(s[i + 1]) >= 0 && hexValue(s[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(s[i + 1]) * 16 + hexValue(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix)
{
    if (s.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = s[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

// The local path a line of a URI list names, or the empty text.
std::string localPathOf(std::string_view uri)
{
    if (!startsWithNoCase(uri, "file:"))
        return {};
    std::string_view rest = uri.substr(5);
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        const size_t slash = rest.find('/');
        if (slash == std::string_view::npos)
            return {};
        std::string_view host = rest.substr(0, slash);
        if (!host.empty() && !(host.size() == 9 && startsWithNoCase(host, "localhost")))
            return {};
        rest.remove_prefix(slash);
    }
    if (rest.empty() || rest[0] != '/')
        return {};
    // A query or a fragment is no part of a file's path.
    rest = rest.substr(0, rest.find_first_of("?#"));
    return percentDecoded(rest);
}

} // namespace

std::vector<FolderItem> localItemsOfUriList(std::string_view uriList)
{
    std::vector<FolderItem> items;
    size_t start = 0;
    while (start <= uriList.size()) {
        size_t end = uriList.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = uriList.size();
        std::string_view line = uriList.substr(start, end - start);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        if (!line.empty() && line[0] != '#') {
            FolderItem item = FolderItem::fromPath(localPathOf(line));
            if (item)
                items.push_back(item);
        }
        start = end + 1;
    }
    return items;
}

std::string uriListOf(const std::vector<std::string>& paths)
{
    static const char* const hex = "0123456789ABCDEF";
    std::string out;
    for (const std::string& path : paths) {
        out += "file://";
        for (const char byte : path) {
            const auto c = static_cast<unsigned char>(byte);
            const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
                || c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
            if (plain) {
                out += static_cast<char>(c);
            } else {
                out += '%';
                out += hex[c >> 4];
                out += hex[c & 15];
            }
        }
        out += "\r\n";
    }
    return out;
}

int dropRow(int pointerY, const ListGeometry& g)
{
    if (pointerY < g.firstVisibleTop)
        return g.firstVisibleRow;
    if (g.rowHeight <= 0)
        return g.rowCount;
    const int row = g.firstVisibleRow + (pointerY - g.firstVisibleTop) / g.rowHeight;
    return row > g.rowCount ? g.rowCount : row;
}

} // namespace tv
