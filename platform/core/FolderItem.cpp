#include "platform/core/FolderItem.h"

#include "platform/core/Errors.h"
#include "platform/core/FileCalls.h"
#include "platform/core/Streams.h"
#include "platform/core/Text.h"


#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace tv {

namespace {

const char* const kTypeAttribute = "user.tesvora.type";
const char* const kCreatorAttribute = "user.tesvora.creator";

std::string& applicationFolderOverride()
{
    static std::string path;
    return path;
}

std::string joinPath(const std::string& folder, std::string_view name)
{
    std::string p = folder;
    if (p.empty() || p.back() != '/')
        p += '/';
    p += name;
    return p;
}

// Removes "." components, repeated and trailing slashes; keeps ".." as it is
// (resolving it lexically could leave a linked folder).
std::string normalisePath(std::string path)
{
    std::string out;
    size_t i = 0;
    while (i < path.size()) {
        while (i < path.size() && path[i] == '/')
            ++i;
        size_t j = path.find('/', i);
        if (j == std::string::npos)
            j = path.size();
        std::string_view part(path.data() + i, j - i);
        if (!part.empty() && part != ".") {
            out += '/';
            out += part;
        }
        i = j;
    }
    return out.empty() ? "/" : out;
}

std::string readAttribute(const std::string& path, const char* name)
{
    char buffer[64];
    ssize_t n = getxattr(path.c_str(), name, buffer, sizeof buffer);
    if (n <= 0)
        return {};
    return std::string(buffer, static_cast<size_t>(n));
}

std::string sniffType(const std::string& path)
{
    // Only a regular file is opened: opening a pipe waits for a writer, and
    // opening a device may do anything. Not waiting even then, should the
    // entry change between the test and the open.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return {};
    }
    char buffer[32];
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    if (n <= 0)
        return {};
    std::string_view head(buffer, static_cast<size_t>(n));
    if (head.substr(0, 3) == "\xEF\xBB\xBF")
        head.remove_prefix(3);
    if (head.substr(0, 19) == "Tesvora Dictionary,")
        return "dict";
    if (head.substr(0, 18) == "Tesvora Workspace,")
        return "wksp";
    return {};
}

} // namespace

struct FolderItem::Data {
    std::string path;
    mutable std::vector<FolderItem> listing; // what Count took last
};

FolderItem FolderItem::fromPath(std::string path)
{
    if (path.empty() || path[0] != '/')
        return {};
    auto d = std::make_shared<Data>();
    d->path = normalisePath(std::move(path));
    return FolderItem(std::move(d));
}

FolderItem FolderItem::applicationFolder()
{
    if (!applicationFolderOverride().empty())
        return fromPath(applicationFolderOverride());
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    std::string exe(buffer, static_cast<size_t>(n));
    size_t slash = exe.rfind('/');
    return fromPath(slash == 0 ? std::string("/") : exe.substr(0, slash));
}

void FolderItem::overrideApplicationFolder(std::string path)
{
    applicationFolderOverride() = std::move(path);
}

FolderItem FolderItem::preferencesFolder()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/')
        return fromPath(config);
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return fromPath(joinPath(home, ".config"));
    return {};
}

const FolderItem::Data& FolderItem::data() const
{
    if (!d_)
        throw NilObjectException("FolderItem is nil");
    return *d_;
}

const std::string& FolderItem::path() const
{
    return data().path;
}

std::string FolderItem::Name() const
{
    const std::string& p = path();
    if (p == "/")
        return "/";
    return p.substr(p.rfind('/') + 1);
}

std::string FolderItem::DisplayName() const
{
    std::string name = Name();
    if (isValidUtf8(name))
        return name;
    std::string out;
    size_t i = 0;
    while (i < name.size())
        appendCodePoint(out, nextCodePoint(name, i));
    return out;
}

FolderItem FolderItem::Parent() const
{
    const std::string& p = path();
    if (p == "/")
        return {};
    size_t slash = p.rfind('/');
    return fromPath(slash == 0 ? std::string("/") : p.substr(0, slash));
}

bool FolderItem::Exists() const
{
    struct stat st;
    return ::stat(path().c_str(), &st) == 0;
}

bool FolderItem::Directory() const
{
    struct stat st;
    return ::stat(path().c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FolderItem::isSymlink() const
{
    struct stat st;
    return ::lstat(path().c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool FolderItem::isRegularFile() const
{
    struct stat st;
    return ::stat(path().c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<unsigned> FolderItem::permissionBits() const
{
    struct stat st;
    if (::stat(path().c_str(), &st) != 0)
        return std::nullopt;
    return static_cast<unsigned>(st.st_mode & 0777);
}

int64_t FolderItem::fileLength() const
{
    struct stat st;
    if (::stat(path().c_str(), &st) != 0)
        return 0;
    return st.st_size;
}

bool FolderItem::isPlainName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos
        && name.find('\0') == std::string_view::npos;
}

FolderItem FolderItem::Child(std::string_view name) const
{
    const std::string& folder = path();
    if (!isPlainName(name))
        return {};
    std::string exact = joinPath(folder, name);
    struct stat st;
    if (::lstat(exact.c_str(), &st) == 0)
        return fromPath(exact);
    // Names are equal by the program's rule when they match ignoring case;
    // find such an entry on a case-sensitive file system too.
    if (DIR* dir = ::opendir(folder.c_str())) {
        std::vector<std::string> matches;
        while (dirent* e = ::readdir(dir)) {
            std::string_view entry(e->d_name);
            if (entry != "." && entry != ".." && textEquals(entry, name))
                matches.emplace_back(entry);
        }
        ::closedir(dir);
        if (!matches.empty()) {
            std::sort(matches.begin(), matches.end());
            return fromPath(joinPath(folder, matches.front()));
        }
    }
    return fromPath(exact);
}

std::vector<FolderItem> FolderItem::children() const
{
    const std::string& folder = path();
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(dir)) {
            std::string_view entry(e->d_name);
            if (entry == "." || entry == "..")
                continue;
            // Resource-fork copies that other systems leave beside files, and
            // the temporary file of a write that never finished.
            if (entry.substr(0, 2) == "._" || isSafeWriteTemporaryName(entry))
                continue;
            std::string full = joinPath(folder, entry);
            struct stat st;
            if (::stat(full.c_str(), &st) != 0)
                continue; // dangling link
            names.emplace_back(entry);
        }
        ::closedir(dir);
    }
    // Byte order of UTF-8 names is code-point order.
    std::sort(names.begin(), names.end());
    std::vector<FolderItem> items;
    items.reserve(names.size());
    for (const std::string& n : names)
        items.push_back(fromPath(joinPath(folder, n)));
    return items;
}

int FolderItem::Count() const
{
    data().listing = children();
    return static_cast<int>(d_->listing.size());
}

FolderItem FolderItem::Item(int index) const
{
    const auto& listing = data().listing;
    if (index < 1 || index > static_cast<int>(listing.size()))
        return {};
    return listing[static_cast<size_t>(index - 1)];
}

std::string FolderItem::MacType() const
{
    const std::string& p = path();
    if (Directory())
        return "FOLD";
    std::string code = readAttribute(p, kTypeAttribute);
    if (!code.empty())
        return code;
    return sniffType(p);
}

std::string FolderItem::storedMacType() const
{
    if (Directory())
        return "FOLD";
    return readAttribute(path(), kTypeAttribute);
}

std::string FolderItem::MacCreator() const
{
    return readAttribute(path(), kCreatorAttribute);
}

bool FolderItem::setMacType(std::string_view code) const
{
    return ::setxattr(path().c_str(), kTypeAttribute, code.data(), code.size(), 0) == 0;
}

bool FolderItem::setMacCreator(std::string_view code) const
{
    return ::setxattr(path().c_str(), kCreatorAttribute, code.data(), code.size(), 0) == 0;
}

void FolderItem::CreateAsFolder() const
{
    if (::mkdir(path().c_str(), 0777) != 0 && errno != EEXIST)
        throw IOException("cannot create folder " + path(), errno);
}

void FolderItem::Delete() const
{
    if (::remove(path().c_str()) != 0)
        throw IOException("cannot delete " + path(), errno);
}

std::unique_ptr<TextInputStream> FolderItem::OpenAsTextFile() const
{
    return std::make_unique<TextInputStream>(readAll());
}

std::unique_ptr<TextOutputStream> FolderItem::CreateTextFile() const
{
    // Nothing is touched before Close, which writes the whole text through
    // the safe writer: a file of that name stays whole should it fail.
    return std::make_unique<TextOutputStream>(path());
}

std::unique_ptr<BinaryStream> FolderItem::OpenAsBinaryFile(bool writable) const
{
    return std::make_unique<BinaryStream>(path(), writable, false);
}

std::unique_ptr<BinaryStream> FolderItem::CreateBinaryFile() const
{
    auto s = std::make_unique<BinaryStream>(path(), true, true);
    s->setLength(0);
    return s;
}

std::string FolderItem::readAll() const
{
    BinaryStream s(path(), false, false);
    return s.Read(static_cast<size_t>(std::max<int64_t>(s.Length(), 0)));
}

std::string FolderItem::readFirst(size_t n) const
{
    BinaryStream s(path(), false, false);
    return s.Read(n);
}

bool FolderItem::sameFileAs(const FolderItem& other) const
{
    struct stat a, b;
    if (::stat(path().c_str(), &a) != 0 || ::stat(other.path().c_str(), &b) != 0)
        return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool FolderItem::operator==(const FolderItem& other) const
{
    if (!d_ || !other.d_)
        return !d_ && !other.d_;
    return d_->path == other.d_->path;
}

namespace {

constexpr std::string_view kTemporarySuffix = ".tvsave";

std::string folderOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// The path a write to `path` replaces: the path itself, or the file that a
// link at that name leads to, one link at a time. A link is followed only
// when it belongs to the user or stands in a folder that is not shared
// (sticky and writable by everyone, as /tmp): there another user's link
// would make the write land on any file the user may write.
std::string replacedPath(std::string path)
{
    for (int hops = 0;; ++hops) {
        struct stat link;
        if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode))
            return path;
        if (hops == 40)
            throw IOException("too many links at " + path, ELOOP);
        if (link.st_uid != ::geteuid()) {
            struct stat folder;
            if (::stat(folderOf(path).c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX)
                && (folder.st_mode & S_IWOTH))
                throw IOException("will not follow another user's link in a shared folder: " + path, EACCES);
        }
        char to[PATH_MAX];
        ssize_t n = ::readlink(path.c_str(), to, sizeof to - 1);
        if (n <= 0)
            throw IOException("cannot follow link " + path, errno);
        std::string next(to, static_cast<size_t>(n));
        path = next[0] == '/' ? next : joinPath(folderOf(path), next);
    }
}

// Clears the way for the temporary file where one of that name is left by a
// write that never finished (the program was killed): it is the user's own
// regular file, and it goes. Anything else of that name stays; false, with
// errno EEXIST, then.
bool removeLeftover(FileCalls& calls, const std::string& temp)
{
    struct stat st;
    if (::lstat(temp.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()
        && calls.unlink(temp.c_str()) == 0)
        return true;
    errno = EEXIST;
    return false;
}

// Creates the temporary file beside the target, by its name.
int createTemporary(FileCalls& calls, const std::string& temp)
{
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    int fd = calls.open(temp.c_str(), flags, 0600);
    if (fd < 0 && errno == EEXIST && removeLeftover(calls, temp))
        fd = calls.open(temp.c_str(), flags, 0600);
    if (fd < 0)
        throw IOException("cannot create the temporary file " + temp, errno);
    return fd;
}

// Creates the temporary file in the folder without a name, to be named once
// it holds everything: making a file takes the folder's lock for as long as
// the file system looks for a free inode, and writers of many files in one
// folder would wait on each other there. -1 where the file system makes no
// such file.
int createUnnamedTemporary(FileCalls& calls, const std::string& folder)
{
    return calls.open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
}

// Gives an unnamed temporary file its name, through the link the kernel
// shows for the open file; false, with errno, where it cannot.
bool nameTemporary(FileCalls& calls, int fd, const std::string& temp)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    auto link = [&] { return calls.linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0; };
    return link() || (errno == EEXIST && removeLeftover(calls, temp) && link());
}

mode_t currentUmask()
{
    // Read where the kernel shows it: learning it by setting it would clear
    // it, for a moment, for every thread of the program, and a writer on
    // another thread could read the cleared one and keep it.
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status))
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found)
            return static_cast<mode_t>(mask & 0777);
    }
    // Without it, one writer at a time sets it back.
    static std::mutex setting;
    const std::lock_guard<std::mutex> lock(setting);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

} // namespace

std::string safeWriteTemporaryName(std::string_view name)
{
    // Cut where "." + name + suffix would be longer than a file name may be.
    const size_t room = NAME_MAX - 1 - kTemporarySuffix.size();
    std::string out = ".";
    out += name.substr(0, std::min(name.size(), room));
    out += kTemporarySuffix;
    return out;
}

bool isSafeWriteTemporaryName(std::string_view name)
{
    return name.size() > 1 + kTemporarySuffix.size() && name.front() == '.'
        && name.substr(name.size() - kTemporarySuffix.size()) == kTemporarySuffix;
}

void syncFolder(const std::string& folder)
{
    FileCalls& calls = fileCalls();
    const int dir = calls.open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (dir >= 0) {
        calls.fsync(dir);
        calls.close(dir);
    }
}

std::string writeFileSafely(const FolderItem& target, std::string_view bytes, std::string_view macType,
    std::string_view macCreator, std::optional<unsigned> newFilePermissions, FolderSync folderSync)
{
    const std::string path = replacedPath(target.path());
    struct stat old;
    const bool exists = ::stat(path.c_str(), &old) == 0;
    if (!exists && errno != ENOENT)
        throw IOException("cannot open " + path + " for writing", errno);
    if (exists) {
        if (!S_ISREG(old.st_mode))
            throw IOException("cannot open " + path + " for writing: it is no file",
                S_ISDIR(old.st_mode) ? EISDIR : EINVAL);
        // A file the user made read-only is not replaced behind his back,
        // although the folder would let the rename through; no write bit at
        // all counts as read-only for the superuser too.
        if (::access(path.c_str(), W_OK) != 0 || (old.st_mode & 0222) == 0)
            throw IOException("cannot open " + path + " for writing", EACCES);
    }
    const std::string folder = folderOf(path);
    const std::string temp = joinPath(folder, safeWriteTemporaryName(path.substr(path.rfind('/') + 1)));

    // The old file's owner and permissions, as far as the user may give
    // them; a new file those asked for (a proofread copy its source's), else
    // the usual ones, both within the umask.
    const mode_t mode = exists
        ? old.st_mode & 07777
        : (newFilePermissions ? static_cast<mode_t>(*newFilePermissions) & 0777 : 0666) & ~currentUmask();

    // The temporary file holds every byte and code, and is on the disk, before
    // it is named where the file system makes it unnamed, and before the
    // rename in every case. Where it cannot be named (no /proc), it is
    // written again by its name.
    FileCalls& calls = fileCalls();
    bool unnamed = true;
    int fd = -1;
    for (;;) {
        fd = unnamed ? createUnnamedTemporary(calls, folder) : createTemporary(calls, temp);
        if (fd < 0) {
            unnamed = false;
            continue;
        }
        auto fail = [&](const std::string& what, int error) {
            calls.close(fd);
            if (!unnamed)
                calls.unlink(temp.c_str());
            throw IOException(what + " " + path, error);
        };
        if (exists)
            calls.fchown(fd, old.st_uid, old.st_gid); // only where the user may; no failure
        if (calls.fchmod(fd, mode) != 0)
            fail("cannot set permissions for", errno);
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = calls.write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                fail("cannot write", errno);
            }
            if (n == 0)
                fail("cannot write", EIO);
            done += static_cast<size_t>(n);
        }
        // A file system without extended attributes keeps no codes; that is no
        // failure. Any other failure to keep them is.
        auto code = [&](const char* attribute, std::string_view value) {
            if (value.empty() || calls.fsetxattr(fd, attribute, value.data(), value.size()) == 0)
                return;
            if (errno != ENOTSUP) // the same value as EOPNOTSUPP here
                fail("cannot store the codes of", errno);
        };
        code(kTypeAttribute, macType);
        code(kCreatorAttribute, macCreator);
        // The data is on the disk before the name is.
        if (calls.fsync(fd) != 0)
            fail("cannot flush", errno);
        if (!unnamed || nameTemporary(calls, fd, temp))
            break;
        const int e = errno;
        calls.close(fd);
        if (e == EEXIST)
            throw IOException("cannot create the temporary file " + temp, e);
        unnamed = false;
    }
    if (calls.close(fd) != 0) {
        int e = errno;
        calls.unlink(temp.c_str());
        throw IOException("cannot close " + path, e);
    }
    if (calls.rename(temp.c_str(), path.c_str()) != 0) {
        int e = errno;
        calls.unlink(temp.c_str());
        throw IOException("cannot replace " + path, e);
    }
    // And the new name is on the disk too.
    if (folderSync == FolderSync::Now)
        syncFolder(folder);
    return folder;
}

} // namespace tv
