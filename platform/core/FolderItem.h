#pragma once
// File items: a handle on a path in the file system, which may or may not
// exist. The path is kept as the bytes the file system has (names need not be
// UTF-8); only DisplayName is converted for display. A default-made item is
// nil: every member access on it raises NilObjectException.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

class BinaryStream;
class TextInputStream;
class TextOutputStream;

class FolderItem {
public:
    FolderItem() = default; // nil
    // The item at an absolute path (bytes). A relative or empty path gives nil.
    static FolderItem fromPath(std::string path);
    // GetFolderItem(""): the folder that holds the executable.
    static FolderItem applicationFolder();
    // The user's preferences folder: $XDG_CONFIG_HOME, else ~/.config.
    static FolderItem preferencesFolder();
    // Tests point the application folder elsewhere (empty path: back to the
    // executable's folder).
    static void overrideApplicationFolder(std::string path);

    bool isNil() const { return !d_; }
    explicit operator bool() const { return d_ != nullptr; }

    // The absolute path, as bytes.
    const std::string& path() const;
    std::string AbsolutePath() const { return path(); }
    // The last component, as bytes.
    std::string Name() const;
    // The name for display: valid UTF-8 (undecodable bytes as U+FFFD).
    std::string DisplayName() const;
    FolderItem Parent() const;

    bool Exists() const;
    // A folder, or a link to one.
    bool Directory() const;
    bool isSymlink() const;
    // A regular file (no folder, pipe, device or socket), or a link to one.
    bool isRegularFile() const;
    // The permission bits (rwx for owner, group, others); none when missing.
    std::optional<unsigned> permissionBits() const;
    int64_t fileLength() const;

    // The entry of that name in this folder, existing or not: the exact name
    // when it exists, else the first entry equal to it ignoring case, else a
    // new item of that name. Nil when the name cannot be a file name (empty,
    // ".", "..", or holding "/" or NUL).
    FolderItem Child(std::string_view name) const;
    // Whether a name is usable as a single file name inside a folder.
    static bool isPlainName(std::string_view name);

    // The folder's entries sorted by name in code-point order, skipping "._"
    // copies, dangling links and the safe writer's temporary files. Count takes a fresh listing; Item(i) (from 1)
    // reads the listing Count took last.
    int Count() const;
    FolderItem Item(int index) const;
    std::vector<FolderItem> children() const;

    // Four-character type and creator codes, kept in extended attributes.
    // A folder reports "FOLD"; a file without stored codes reports "dict" or
    // "wksp" when its first line is a dictionary or workspace header, else "".
    std::string MacType() const;
    std::string MacCreator() const;
    // The type code stored on the file alone, without reading its first line
    // ("" when none is stored; "FOLD" for a folder).
    std::string storedMacType() const;
    // Storing a code never fails the caller: where the file system has no
    // extended attributes it returns false.
    bool setMacType(std::string_view code) const;
    bool setMacCreator(std::string_view code) const;

    // Creates the folder; an existing one is left as it is.
    void CreateAsFolder() const;
    // Removes the file or the empty folder.
    void Delete() const;

    // Streams; each raises IOException when the file cannot be opened (a
    // folder, a pipe or a device is never opened). A text output stream
    // writes its file whole on Close, through writeFileSafely; the binary
    // streams write in place and are not for the user's documents.
    std::unique_ptr<TextInputStream> OpenAsTextFile() const;
    std::unique_ptr<TextOutputStream> CreateTextFile() const;
    std::unique_ptr<BinaryStream> OpenAsBinaryFile(bool writable) const;
    std::unique_ptr<BinaryStream> CreateBinaryFile() const;

    // The whole content, and at most the first n bytes.
    std::string readAll() const;
    std::string readFirst(size_t n) const;

    // Same file system object (device and inode); false when either is missing.
    bool sameFileAs(const FolderItem& other) const;

    bool operator==(const FolderItem& other) const;

private:
    struct Data;
    explicit FolderItem(std::shared_ptr<Data> d) : d_(std::move(d)) {}
    const Data& data() const;
    std::shared_ptr<Data> d_;
};

// Writes bytes to a file so that a failure never leaves a damaged or
// shortened one. The bytes go to a temporary file in the same folder
// (safeWriteTemporaryName), which gets the old file's owner and permissions
// (a new file: newFilePermissions within the umask, else the usual ones) and
// the type and creator codes when given, is flushed to the disk, and only
// then takes the target's name. Where the file system allows, the temporary
// file is made unnamed and gets its name once on the disk; the folder is synced after, unless the
// caller syncs it itself (FolderSync::ByCaller, then syncFolder), once for
// many files. A temporary file of that name left by a write that never
// finished is removed first.
//
// A link at the target's name is followed, and the file it names replaced,
// unless it belongs to another user and stands in a shared folder (sticky and
// writable by everyone). Raises IOException, leaving the old file whole and no
// temporary file, when the target cannot be opened for writing (it is no
// regular file, it is read-only, or such a link), when the temporary file
// cannot be made, and when any step fails.
// Returns the folder the file was written in (a link's target's, if the
// target was a link).
enum class FolderSync { Now, ByCaller };
std::string writeFileSafely(const FolderItem& target, std::string_view bytes, std::string_view macType = {},
    std::string_view macCreator = {}, std::optional<unsigned> newFilePermissions = std::nullopt,
    FolderSync folderSync = FolderSync::Now);

// Syncs a folder, so that the names last given in it are on the disk. A
// folder that cannot be synced is no failure: its files have their names.
void syncFolder(const std::string& folder);

// The name of the temporary file that writeFileSafely writes for a file of
// that name: "." + name + ".tvsave", the name cut to fit.
std::string safeWriteTemporaryName(std::string_view name);
// Whether a file name is such a temporary file's.
bool isSafeWriteTemporaryName(std::string_view name);

} // namespace tv
