#pragma once
// File references: a file named by the file system object it is (device and
// inode) rather than by its path, so that two paths to one file, or a file
// reached again after a rename, count as the same file. A reference remembers
// the path it was made from and answers for it only while that path still
// leads to the same object.
//
// A failed system call while making a reference raises MacOSException with
// the name of the call the reference stands for ("FSGetVolumeInfo" for the
// root folder, "FSMakeFSRefUnicode" for anything below it) and errno as its
// status.

#include "platform/core/FolderItem.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tv {

class FSRef {
public:
    // A reference to nothing.
    FSRef() = default;
    // The reference of an item; a nil item stands for the application's
    // folder. Raises MacOSException when the item cannot be reached.
    explicit FSRef(const FolderItem& item);

    // The absolute path, while it still leads to the referenced object; else
    // empty.
    std::string Path() const;
    // The file item of the reference; nil when Path() is empty.
    FolderItem toFolderItem() const;
    // The referenced object is still where the reference was made.
    bool IsValid() const;
    // The object's name (bytes); empty when not valid.
    std::string Name() const;
    // The folder that holds the object; none for the root folder or when the
    // reference is not valid.
    std::optional<FSRef> Parent() const;
    // Both references are valid and name the same object.
    bool Equals(const FSRef& other) const;

    bool isNil() const { return !set_; }
    uint64_t device() const { return device_; }
    uint64_t inode() const { return inode_; }

private:
    std::string path_;
    uint64_t device_ = 0;
    uint64_t inode_ = 0;
    bool set_ = false;
};

// Whether two file items name the same file, told by their references; false
// when either cannot be reached.
bool sameFile(const FolderItem& a, const FolderItem& b);

} // namespace tv
