#include "workspace/core/WorkspaceRows.h"

#include "platform/core/Services.h"

#include <utility>

namespace tv {

FolderItem resolveRowPath(std::string_view path)
{
    // fromPath gives nil for an empty or relative path, so such a row never
    // stands for the application's own folder.
    FolderItem item = FolderItem::fromPath(std::string(path));
    if (!item || !item.Exists())
        return {};
    return item;
}

RowPicture pictureForPath(std::string_view path)
{
    FolderItem item = resolveRowPath(path);
    if (!item)
        return RowPicture::None;
    return item.Directory() ? RowPicture::Folder : RowPicture::File;
}

WorkspaceRow dictionaryRow(std::string name)
{
    return {std::move(name), {}, RowPicture::Dictionary};
}

WorkspaceRow fileRow(const FolderItem& file)
{
    return {file.DisplayName(), file.AbsolutePath(), RowPicture::File};
}

WorkspaceRow folderRow(const FolderItem& folder)
{
    return {folder.DisplayName(), folder.AbsolutePath(), RowPicture::Folder};
}

WorkspaceRow rowFromEntry(std::string name, std::string path)
{
    RowPicture picture = pictureForPath(path);
    return {std::move(name), std::move(path), picture};
}

bool isStorableText(std::string_view text)
{
    return text.find_first_of("\t\r\n") == std::string_view::npos;
}

bool isStorableRow(const WorkspaceRow& row)
{
    return isStorableText(row.name) && isStorableText(row.path);
}

namespace {

// The text as a message can show it: its breaks and tabs as blanks.
std::string shown(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return out;
}

} // namespace

std::string unstorableMessage(const std::vector<std::string>& refused)
{
    std::string message = "名前かパスにタブか改行を含む項目は、ワークスペースに保存できないため追加しませんでした。";
    for (size_t i = 0; i < refused.size(); ++i)
        message += (i == 0 ? "：" : "、") + shown(refused[i]);
    return message;
}

void reportUnstorable(const std::vector<std::string>& refused)
{
    if (!refused.empty())
        services().openMessageBox(unstorableMessage(refused), {});
}

} // namespace tv
