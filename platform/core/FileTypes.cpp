#include "platform/core/FileTypes.h"

#include "platform/core/Text.h"

namespace tv {

std::vector<std::string> FileType::extensionList() const
{
    std::vector<std::string> out;
    int64_t n = CountFields(Extensions, ",");
    for (int64_t i = 1; i <= n; ++i) {
        std::string e = NthField(Extensions, ",", i);
        if (!e.empty())
            out.push_back(e);
    }
    return out;
}

namespace FileTypes {

namespace {
const std::vector<FileType>& table()
{
    static const std::vector<FileType> types = {
        {"Tesvora 辞書ファイル", "dict", "dict", "Tv9x"},
        {"Tesvora 校正待ちファイル", "text,txt,html,shtml", "TEXT", "Wq8z"},
        {"Tesvora 初期設定", "pref", "pref", "Tv9x"},
        {"special/folder", "", "fold", "MACS"},
        {"special/any", "", "????", "????"},
        {"Tesvora ワークスペース", "work", "wksp", "Tv9x"},
    };
    return types;
}
} // namespace

const FileType& pDict() { return table()[0]; }
const FileType& pText() { return table()[1]; }
const FileType& pPref() { return table()[2]; }
const FileType& pFolder() { return table()[3]; }
const FileType& pAny() { return table()[4]; }
const FileType& pWork() { return table()[5]; }

const std::vector<const FileType*>& all()
{
    static const std::vector<const FileType*> list = {&pDict(), &pText(), &pPref(),
        &pFolder(), &pAny(), &pWork()};
    return list;
}

const FileType* byName(std::string_view name)
{
    for (const FileType* t : all())
        if (textEquals(t->Name, name))
            return t;
    return nullptr;
}

bool accepts(std::string_view typeName, const FolderItem& item)
{
    const FileType* t = byName(typeName);
    if (!t)
        return true;
    if (t == &pAny())
        return !item.Directory();
    if (t == &pFolder())
        return item.Directory();
    if (item.Directory())
        return false;
    if (textEquals(item.MacType(), t->MacType))
        return true;
    std::string name = item.Name();
    size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string ext = name.substr(dot + 1);
    for (const std::string& e : t->extensionList())
        if (textEquals(e, ext))
            return true;
    return false;
}

void applyCodes(std::string_view typeName, const FolderItem& file)
{
    const FileType* t = byName(typeName);
    if (!t || t == &pAny() || t == &pFolder())
        return;
    file.setMacType(t->MacType);
    file.setMacCreator(t->MacCreator);
}

} // namespace FileTypes
} // namespace tv
