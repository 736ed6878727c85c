#include "app/core/FileReference.h"

#include "platform/core/Errors.h"

#include <cerrno>
#include <sys/stat.h>

namespace tv {

namespace {

bool statOf(const std::string& path, uint64_t& device, uint64_t& inode, int& error)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        error = errno;
        return false;
    }
    device = static_cast<uint64_t>(st.st_dev);
    inode = static_cast<uint64_t>(st.st_ino);
    return true;
}

} // namespace

FSRef::FSRef(const FolderItem& given)
{
    FolderItem item = given ? given : FolderItem::applicationFolder();
    if (!item)
        throw NilObjectException("no application folder");
    int error = 0;
    if (!statOf(item.path(), device_, inode_, error))
        throw MacOSException(item.Parent() ? "FSMakeFSRefUnicode" : "FSGetVolumeInfo", error);
    path_ = item.path();
    set_ = true;
}

bool FSRef::IsValid() const
{
    if (!set_)
        return false;
    uint64_t device = 0, inode = 0;
    int error = 0;
    return statOf(path_, device, inode, error) && device == device_ && inode == inode_;
}

std::string FSRef::Path() const
{
    return IsValid() ? path_ : std::string();
}

FolderItem FSRef::toFolderItem() const
{
    return IsValid() ? FolderItem::fromPath(path_) : FolderItem();
}

std::string FSRef::Name() const
{
    return IsValid() ? FolderItem::fromPath(path_).Name() : std::string();
}

std::optional<FSRef> FSRef::Parent() const
{
    if (!IsValid())
        return std::nullopt;
    FolderItem parent = FolderItem::fromPath(path_).Parent();
    if (!parent)
        return std::nullopt;
    try {
        return FSRef(parent);
    } catch (const MacOSException&) {
        return std::nullopt;
    }
}

bool FSRef::Equals(const FSRef& other) const
{
    return IsValid() && other.IsValid() && device_ == other.device_ && inode_ == other.inode_;
}

bool sameFile(const FolderItem& a, const FolderItem& b)
{
    if (!a || !b)
        return false;
    try {
        return FSRef(a).Equals(FSRef(b));
    } catch (const MacOSException&) {
        return false;
    }
}

} // namespace tv
