// Every writer of a user's file, under the faults that could cost the user
// the file he has: one table of cases run over one table of writers. Each
// row runs in a process of its own, as another user or on a small file system
// of its own where the case needs one; the write is made to fail once the
// temporary file holds part of the data, or is refused, and the folder is
// checked afterwards: the old file's bytes, mode and codes, and no temporary
// file left behind.
//
// A writer for a new kind of file is one more entry in writers().

#include "app/ui/App.h"
#include "dictionary/core/DictionaryFile.h"
#include "platform/core/Errors.h"
#include "platform/core/FileCalls.h"
#include "platform/core/FolderItem.h"
#include "proofing/core/PassOutput.h"

#include "support/Files.h"
#include "support/TestServices.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <sched.h>
#include <sstream>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace tv;
using tv::test::folderEntries;
using tv::test::readFile;
using tv::test::writeFile;

namespace {

constexpr int kSkipped = 77;
constexpr uid_t kOtherUser = 65534; // nobody
constexpr gid_t kOtherGroup = 65534;
constexpr mode_t kOldMode = 0640;
const char* const kOldType = "oldT";
const char* const kOldCreator = "oldC";

const std::string& oldBytes()
{
    static const std::string bytes = [] {
        std::string s;
        for (int i = 0; i < 40; ++i)
            s += "古い内容 old line " + std::to_string(i) + "\r";
        return s;
    }();
    return bytes;
}

// Far more than the faults below leave room for, so that the temporary file
// holds part of it when the write fails. No CR or TAB: every writer takes it
// into one value.
const std::string& payload()
{
    static const std::string bytes = [] {
        std::string s;
        while (s.size() < 192 * 1024)
            s += "校正済みの新しい内容 " + std::to_string(s.size()) + " ";
        return s;
    }();
    return bytes;
}

std::string attribute(const std::string& path, const char* name)
{
    char buffer[64];
    ssize_t n = ::getxattr(path.c_str(), name, buffer, sizeof buffer);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

bool xattrsWork(const std::string& folder)
{
    const std::string probe = folder + "/probe";
    writeFile(probe, "");
    const bool ok = ::setxattr(probe.c_str(), "user.tesvora.probe", "x", 1, 0) == 0;
    ::unlink(probe.c_str());
    return ok;
}

// ---------------------------------------------------------------------------
// What a row works in, inside its process.

struct Fixture {
    std::string folder;
    std::string fileName;   // the writer's file in the folder
    std::string oldName;    // the file that holds the old bytes (the target, or what a link there names)
    std::vector<std::string> planted; // hidden entries the case put there itself
    mode_t oldMode = kOldMode;
    bool codes = false;     // the folder keeps extended attributes
    std::vector<std::string> problems;

    std::string target() const { return folder + "/" + fileName; }
    std::string oldPath() const { return folder + "/" + oldName; }
    void problem(const std::string& p) { problems.push_back(p); }
};

// ---------------------------------------------------------------------------
// The writers.

struct Outcome {
    std::string expected; // what the file must hold after a write that went through
    bool reported = false; // the writer raised, or told the user
};

struct Writer {
    const char* name;
    const char* fileName;
    std::string type, creator; // the codes the written file carries
    bool saysFailures;         // false: fails without a word, as the preferences file does
    std::function<void(Fixture&)> setUp; // before any fault is made
    std::function<Outcome(Fixture&)> write;
};

// The clipboard command needs the application object, which needs a Qt
// application; made once, before any fault.
struct Shell {
    int argc = 1;
    char arg0[16] = "tst_safewrite";
    char* argv[2] = {arg0, nullptr};
    QApplication qapp {argc, argv};
    test::TestServices seam;
    App app;
};
std::unique_ptr<Shell> shell;

const std::vector<Writer>& writers()
{
    static const std::vector<Writer> table = {
        {"dictionary", "校正.dict", "dict", "Tv9x", true, nullptr,
            [](Fixture& f) {
                const DictionaryFrame frame {10, 20, 300, 400};
                const std::vector<DictionaryRule> rules {{"検索", "置換", "--------", payload()}};
                Outcome o {serializeDictionary(frame, rules)};
                try {
                    writeDictionaryFile(FolderItem::fromPath(f.target()), frame, rules);
                } catch (const IOException&) {
                    o.reported = true;
                }
                return o;
            }},
        {"preferences", "Tesvora Prefs", "pref", "Tv9x", false, nullptr,
            [](Fixture& f) {
                qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(f.folder));
                AppState s;
                s.setDefaultSettings();
                s.prefSavePlace = payload();
                s.doPrefSave(); // silent whatever happens
                return Outcome {s.preferencesContent()};
            }},
        {"proofread output", "memo[fixed].txt", "TEXT", "srcC", true,
            [](Fixture& f) {
                const std::string source = f.folder + "/memo.txt";
                writeFile(source, "source");
                ::chmod(source.c_str(), 0600);
                ::setxattr(source.c_str(), "user.tesvora.type", "TEXT", 4, 0);
                ::setxattr(source.c_str(), "user.tesvora.creator", "srcC", 4, 0);
            },
            [](Fixture& f) {
                Outcome o {payload()};
                try {
                    writeOutput(FolderItem::fromPath(f.target()), FolderItem::fromPath(f.folder + "/memo.txt"),
                        payload(), "");
                } catch (const IOException&) {
                    o.reported = true;
                }
                return o;
            }},
        {"clipboard save", "クリップボード.txt", "TEXT", "ttxt", true,
            [](Fixture&) {
                shell = std::make_unique<Shell>();
                shell->app.prefCreator.clear();
            },
            [](Fixture& f) {
                shell->seam.clipboard = payload();
                shell->seam.saveAnswers.push_back(FolderItem::fromPath(f.target()));
                shell->app._saveClip_Action();
                return Outcome {payload(), !shell->seam.messages.empty()};
            }},
    };
    return table;
}

// ---------------------------------------------------------------------------
// The safe writer's calls, recorded in order; one kind can be made to fail.

struct Call {
    std::string name;
    int fd = -1;
    std::string path = {};
    std::string to = {};
    size_t size = 0;
    int flags = 0;
    int result = 0;
};

bool unnamedFile(int flags)
{
    return (flags & O_TMPFILE) == O_TMPFILE;
}

class Recorder : public FileCalls {
public:
    std::vector<Call> calls;
    std::string failing; // the first call of this name fails with failErrno
    int failErrno = 0;
    bool refuseUnnamed = false; // as a file system that makes no unnamed files

    Recorder() { setFileCalls(this); }
    ~Recorder() override { setFileCalls(nullptr); }

    int open(const char* path, int flags, mode_t mode) override
    {
        int fd = -1;
        if (refuseUnnamed && unnamedFile(flags))
            errno = EOPNOTSUPP;
        else
            fd = injected("open") ? -1 : FileCalls::open(path, flags, mode);
        calls.push_back({"open", fd, path, {}, 0, flags});
        return fd;
    }
    ssize_t write(int fd, const void* data, size_t size) override
    {
        ssize_t n = injected("write") ? -1 : FileCalls::write(fd, data, size);
        calls.push_back({"write", fd, {}, {}, n > 0 ? static_cast<size_t>(n) : 0});
        return n;
    }
    int fchmod(int fd, mode_t mode) override { return record("fchmod", fd, [&] { return FileCalls::fchmod(fd, mode); }); }
    int fchown(int fd, uid_t u, gid_t g) override { return record("fchown", fd, [&] { return FileCalls::fchown(fd, u, g); }); }
    int fsetxattr(int fd, const char* name, const void* value, size_t size) override
    {
        int r = injected("fsetxattr") ? -1 : FileCalls::fsetxattr(fd, name, value, size);
        calls.push_back({"fsetxattr", fd, name});
        return r;
    }
    int fsync(int fd) override { return record("fsync", fd, [&] { return FileCalls::fsync(fd); }); }
    int close(int fd) override { return record("close", fd, [&] { return FileCalls::close(fd); }); }
    int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) override
    {
        int r = injected("linkat") ? -1 : FileCalls::linkat(fromFolder, from, toFolder, to, flags);
        calls.push_back({"linkat", -1, from, to, 0, flags, r});
        return r;
    }
    int rename(const char* from, const char* to) override
    {
        int r = injected("rename") ? -1 : FileCalls::rename(from, to);
        calls.push_back({"rename", -1, from, to});
        return r;
    }
    int unlink(const char* path) override
    {
        int r = injected("unlink") ? -1 : FileCalls::unlink(path);
        calls.push_back({"unlink", -1, path});
        return r;
    }

private:
    bool injected(const std::string& name)
    {
        if (name != failing)
            return false;
        failing.clear();
        errno = failErrno;
        return true;
    }
    int record(const char* name, int fd, const std::function<int()>& call)
    {
        int r = injected(name) ? -1 : call();
        calls.push_back({name, fd});
        return r;
    }
};
std::unique_ptr<Recorder> recorder;

// The order that keeps the old file safe: every byte and code on the
// temporary file, that file on the disk, only then the rename, and the
// folder synced after it. The temporary file is the writer's own: made by
// its name, or made unnamed in the folder and linked to that name.
void checkOrder(Fixture& f, size_t size)
{
    const auto& calls = recorder->calls;
    auto find = [&](size_t from, const std::function<bool(const Call&)>& match) {
        for (size_t i = from; i < calls.size(); ++i)
            if (match(calls[i]))
                return i;
        return calls.size();
    };
    char resolved[PATH_MAX];
    const std::string old = ::realpath(f.oldPath().c_str(), resolved) ? resolved : f.oldPath();
    const size_t rename = find(0, [&](const Call& c) { return c.name == "rename"; });
    if (rename == calls.size()) {
        f.problem("no rename: the file was written in place");
        return;
    }
    if (find(rename + 1, [](const Call& c) { return c.name == "rename"; }) != calls.size())
        f.problem("more than one rename");
    char target[PATH_MAX];
    if (!::realpath(calls[rename].to.c_str(), target) || old != target)
        f.problem("the rename went to " + calls[rename].to + ", not to " + old);
    const std::string temp = calls[rename].path;
    size_t opened = find(0, [&](const Call& c) { return c.name == "open" && c.path == temp && c.fd >= 0; });
    if (opened < calls.size()) {
        if (!(calls[opened].flags & O_EXCL))
            f.problem("the temporary file was opened without O_EXCL");
    } else {
        const size_t linked = find(0, [&](const Call& c) { return c.name == "linkat" && c.to == temp && c.result == 0; });
        const std::string self = "/proc/self/fd/";
        if (linked == calls.size() || calls[linked].path.rfind(self, 0) != 0) {
            f.problem("the renamed file was not made by the writer");
            return;
        }
        const int linkedFd = std::stoi(calls[linked].path.substr(self.size()));
        const std::string folder = temp.substr(0, temp.rfind('/'));
        // The last open that gave that descriptor before the link.
        for (size_t i = linked; i-- > 0 && opened == calls.size();)
            if (calls[i].name == "open" && calls[i].fd == linkedFd)
                opened = i;
        if (opened == calls.size() || !unnamedFile(calls[opened].flags) || calls[opened].path != folder) {
            f.problem("the linked file was not made unnamed in the folder by the writer");
            return;
        }
        if (find(opened, [&](const Call& c) { return c.name == "close" && c.fd == linkedFd; }) < linked)
            f.problem("the linked descriptor was closed before the link");
    }
    const int fd = calls[opened].fd;
    size_t written = 0, lastWrite = opened;
    for (size_t i = opened; i < calls.size() && !(calls[i].name == "close" && calls[i].fd == fd); ++i)
        if (calls[i].name == "write" && calls[i].fd == fd) {
            written += calls[i].size;
            lastWrite = i;
        }
    if (written != size)
        f.problem("the temporary file got " + std::to_string(written) + " of " + std::to_string(size) + " bytes");
    const size_t synced = find(lastWrite, [&](const Call& c) { return c.name == "fsync" && c.fd == fd; });
    if (synced > rename)
        f.problem("the rename came before the data was on the disk");
    const size_t chmod = find(opened, [&](const Call& c) { return c.name == "fchmod" && c.fd == fd; });
    if (chmod > rename)
        f.problem("the mode was set after the rename, or never");
    size_t codes = 0;
    for (size_t i = opened; i < rename; ++i)
        if (calls[i].name == "fsetxattr" && calls[i].fd == fd)
            ++codes;
    if (codes != 2)
        f.problem("the codes were not both set before the rename");
    const size_t folderOpened = find(rename, [](const Call& c) { return c.name == "open" && (c.flags & O_DIRECTORY); });
    if (folderOpened == calls.size()
        || find(folderOpened, [&](const Call& c) { return c.name == "fsync" && c.fd == calls[folderOpened].fd; })
            == calls.size())
        f.problem("the folder was not synced after the rename");
}

// ---------------------------------------------------------------------------
// The cases.

enum class Runner {
    Here,            // a process of our own
    AsOtherUser,     // as a user other than the superuser: nobody when we are root
    SmallFileSystem, // a file system of 256 KiB of its own (a mount namespace of its own)
};

struct Case {
    const char* name;
    Runner runner;
    bool replaced; // the write goes through; otherwise the old file stays as it was
    std::function<void(Fixture&)> before = {};
    std::function<void(Fixture&)> after = {};
    // Builds the folder in the parent, as the superuser, when the case needs
    // what only it can make (another user's link); nothing else is built then.
    std::function<void(const std::string& folder, const std::string& fileName)> asRoot = {};
    const char* oldName = nullptr; // where the old bytes are, when not at the target
    bool callsInOrder = false;     // the writer's calls are recorded and their order checked
};

rlimit savedLimit;

// A folder of another user's link to a file of ours: shared (sticky and
// writable by everyone, as /tmp) or not.
void linkOfAnotherUser(const std::string& folder, const std::string& fileName, bool shared)
{
    ::mkdir((folder + "/mine").c_str(), 0755);
    writeFile(folder + "/mine/file", oldBytes());
    ::chmod((folder + "/mine/file").c_str(), kOldMode);
    ::setxattr((folder + "/mine/file").c_str(), "user.tesvora.type", kOldType, 4, 0);
    ::setxattr((folder + "/mine/file").c_str(), "user.tesvora.creator", kOldCreator, 4, 0);
    ::symlink((folder + "/mine/file").c_str(), (folder + "/" + fileName).c_str()); // the superuser's
    ::chown((folder + "/mine").c_str(), kOtherUser, kOtherGroup);
    ::chown((folder + "/mine/file").c_str(), kOtherUser, kOtherGroup);
    if (shared) {
        ::chmod(folder.c_str(), 01777);
    } else {
        ::chown(folder.c_str(), kOtherUser, kOtherGroup);
        ::chmod(folder.c_str(), 0755);
    }
}

void leftover(Fixture& f)
{
    writeFile(f.folder + "/" + safeWriteTemporaryName(f.fileName), "half of an old");
}

void plantLink(Fixture& f)
{
    const std::string temp = safeWriteTemporaryName(f.fileName);
    writeFile(f.folder + "/victim", "victim");
    ::symlink((f.folder + "/victim").c_str(), (f.folder + "/" + temp).c_str());
    f.planted.push_back(temp);
}

void victimUntouched(Fixture& f)
{
    if (readFile(f.folder + "/victim") != "victim")
        f.problem("the file a planted link names was written");
}

void refuseUnnamedFiles()
{
    recorder = std::make_unique<Recorder>();
    recorder->refuseUnnamed = true;
}

const std::vector<Case>& cases()
{
    static const std::vector<Case> table = {
        {.name = "replaces the whole file", .runner = Runner::Here, .replaced = true},
        {.name = "makes its calls in a safe order", .runner = Runner::Here, .replaced = true,
            .before = [](Fixture&) { recorder = std::make_unique<Recorder>(); },
            .after =
                [](Fixture& f) {
                    // Where the folder makes unnamed files, the writer's is one.
                    const int probe = ::open(f.folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
                    if (probe < 0)
                        return;
                    ::close(probe);
                    const auto& calls = recorder->calls;
                    if (std::none_of(calls.begin(), calls.end(),
                            [](const Call& c) { return c.name == "linkat" && c.result == 0; }))
                        f.problem("the temporary file was made by its name where it could be made unnamed");
                },
            .callsInOrder = true},
        {.name = "makes its calls in a safe order where no unnamed file can be made", .runner = Runner::Here,
            .replaced = true, .before = [](Fixture&) { refuseUnnamedFiles(); }, .callsInOrder = true},
        {.name = "makes its calls in a safe order where the unnamed file cannot be named", .runner = Runner::Here,
            .replaced = true,
            .before =
                [](Fixture&) {
                    recorder = std::make_unique<Recorder>();
                    recorder->failing = "linkat";
                    recorder->failErrno = ENOENT; // no /proc
                },
            .callsInOrder = true},
        {.name = "file size limit", .runner = Runner::Here, .replaced = false,
            .before =
                [](Fixture&) {
                    std::signal(SIGXFSZ, SIG_IGN);
                    ::getrlimit(RLIMIT_FSIZE, &savedLimit);
                    rlimit small = savedLimit;
                    small.rlim_cur = 64 * 1024;
                    ::setrlimit(RLIMIT_FSIZE, &small);
                },
            .after = [](Fixture&) { ::setrlimit(RLIMIT_FSIZE, &savedLimit); }},
        {.name = "full file system", .runner = Runner::SmallFileSystem, .replaced = false,
            .before =
                [](Fixture& f) {
                    // Everything but 32 KiB taken.
                    const std::string filler = f.folder + "/filler";
                    int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT, 0600);
                    const std::string block(4096, 'f');
                    off_t size = 0;
                    while (::write(fd, block.data(), block.size()) > 0)
                        size += static_cast<off_t>(block.size());
                    if (::ftruncate(fd, std::max<off_t>(size - 32 * 1024, 0)) != 0)
                        f.problem("cannot make room on the small file system");
                    ::close(fd);
                }},
        {.name = "flush fails", .runner = Runner::Here, .replaced = false,
            .before =
                [](Fixture&) {
                    recorder = std::make_unique<Recorder>();
                    recorder->failing = "fsync";
                    recorder->failErrno = EIO;
                }},
        {.name = "rename fails", .runner = Runner::Here, .replaced = false,
            .before =
                [](Fixture&) {
                    recorder = std::make_unique<Recorder>();
                    recorder->failing = "rename";
                    recorder->failErrno = EXDEV;
                }},
        {.name = "read-only folder", .runner = Runner::AsOtherUser, .replaced = false,
            .before = [](Fixture& f) { ::chmod(f.folder.c_str(), 0555); },
            .after = [](Fixture& f) { ::chmod(f.folder.c_str(), 0755); }},
        {.name = "read-only file", .runner = Runner::Here, .replaced = false,
            .before =
                [](Fixture& f) {
                    ::chmod(f.oldPath().c_str(), 0444);
                    f.oldMode = 0444;
                }},
        {.name = "leftover of a write that never finished", .runner = Runner::Here, .replaced = true,
            .before = leftover},
        {.name = "leftover of a write that never finished, no unnamed file", .runner = Runner::Here,
            .replaced = true,
            .before =
                [](Fixture& f) {
                    leftover(f);
                    refuseUnnamedFiles();
                }},
        {.name = "link planted at the temporary name", .runner = Runner::Here, .replaced = false,
            .before = plantLink, .after = victimUntouched},
        {.name = "link planted at the temporary name, no unnamed file", .runner = Runner::Here,
            .replaced = false,
            .before =
                [](Fixture& f) {
                    plantLink(f);
                    refuseUnnamedFiles();
                },
            .after = victimUntouched},
        {.name = "own link at the file's name", .runner = Runner::Here, .replaced = true,
            .before =
                [](Fixture& f) {
                    ::rename(f.target().c_str(), (f.folder + "/real").c_str());
                    ::symlink("real", f.target().c_str());
                    f.oldName = "real";
                },
            .after =
                [](Fixture& f) {
                    struct stat st;
                    if (::lstat(f.target().c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
                        f.problem("the link was replaced, not the file it names");
                }},
        {.name = "another user's link in a shared folder", .runner = Runner::AsOtherUser, .replaced = false,
            .asRoot = [](const std::string& folder,
                          const std::string& name) { linkOfAnotherUser(folder, name, true); },
            .oldName = "mine/file"},
        {.name = "another user's link in a folder of mine", .runner = Runner::AsOtherUser, .replaced = true,
            .asRoot = [](const std::string& folder,
                          const std::string& name) { linkOfAnotherUser(folder, name, false); },
            .oldName = "mine/file"},
    };
    return table;
}

// ---------------------------------------------------------------------------
// One row, inside its own process.

struct FileState {
    std::string bytes;
    mode_t mode = 0;
    ino_t inode = 0;
    std::string type, creator;
};

FileState stateOf(const std::string& path)
{
    FileState s;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return s;
    s.bytes = readFile(path);
    s.mode = st.st_mode & 07777;
    s.inode = st.st_ino;
    s.type = attribute(path, "user.tesvora.type");
    s.creator = attribute(path, "user.tesvora.creator");
    return s;
}

std::string octal(mode_t m)
{
    std::ostringstream out;
    out << std::oct << m;
    return out.str();
}

// A file system of its own for this process: a user and a mount namespace,
// and a small tmpfs over the folder. False when the system does not allow it.
bool enterSmallFileSystem(const std::string& folder, std::string& why)
{
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
        why = std::string("no namespaces of our own: ") + std::strerror(errno);
        return false;
    }
    auto put = [](const char* file, const std::string& text) {
        int fd = ::open(file, O_WRONLY);
        bool ok = fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        if (fd >= 0)
            ::close(fd);
        return ok;
    };
    put("/proc/self/setgroups", "deny");
    if (!put("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1\n")
        || !put("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1\n")) {
        why = "cannot map our user into the namespace";
        return false;
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
        || ::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=256k,mode=0755") != 0) {
        why = std::string("cannot mount a small file system: ") + std::strerror(errno);
        return false;
    }
    return true;
}

int runRow(size_t writerIndex, size_t caseIndex, const std::string& folder)
{
    const Writer& w = writers().at(writerIndex);
    const Case& c = cases().at(caseIndex);
    if (c.runner == Runner::SmallFileSystem) {
        std::string why;
        if (!enterSmallFileSystem(folder, why)) {
            std::printf("%s\n", why.c_str());
            return kSkipped;
        }
    }
    Fixture f;
    f.folder = folder;
    f.fileName = w.fileName;
    f.oldName = c.oldName ? c.oldName : w.fileName;
    f.codes = xattrsWork(folder);
    if (!c.asRoot) {
        writeFile(f.target(), oldBytes());
        ::chmod(f.target().c_str(), kOldMode);
        ::setxattr(f.target().c_str(), "user.tesvora.type", kOldType, 4, 0);
        ::setxattr(f.target().c_str(), "user.tesvora.creator", kOldCreator, 4, 0);
    }
    if (w.setUp)
        w.setUp(f);
    if (c.before)
        c.before(f);
    const FileState before = stateOf(f.oldPath());
    const Outcome outcome = w.write(f);
    if (c.after)
        c.after(f);
    const FileState now = stateOf(f.oldPath());

    if (c.replaced) {
        if (now.bytes != outcome.expected)
            f.problem("the file does not hold the new bytes (" + std::to_string(now.bytes.size()) + " of "
                + std::to_string(outcome.expected.size()) + ")");
        if (now.inode == before.inode)
            f.problem("the old file was written in place");
        if (now.mode != before.mode)
            f.problem("mode " + octal(now.mode) + " where the old file had " + octal(before.mode));
        if (f.codes && (now.type != w.type || now.creator != w.creator))
            f.problem("codes " + now.type + "/" + now.creator + ", not " + w.type + "/" + w.creator);
        if (outcome.reported)
            f.problem("a write that went through was reported as failed");
        if (c.callsInOrder)
            checkOrder(f, outcome.expected.size());
    } else {
        if (now.bytes != oldBytes())
            f.problem("the old file lost its bytes (" + std::to_string(now.bytes.size()) + " left of "
                + std::to_string(oldBytes().size()) + ")");
        if (now.inode != before.inode)
            f.problem("the old file was replaced");
        if (now.mode != f.oldMode)
            f.problem("mode " + octal(now.mode) + " where the old file had " + octal(f.oldMode));
        if (f.codes && (now.type != kOldType || now.creator != kOldCreator))
            f.problem("the old file's codes became " + now.type + "/" + now.creator);
        if (outcome.reported != w.saysFailures)
            f.problem(w.saysFailures ? "the failure was not reported" : "the failure was reported");
    }
    recorder.reset();
    for (const std::string& name : folderEntries(folder)) {
        if (name[0] == '.' && std::find(f.planted.begin(), f.planted.end(), name) == f.planted.end())
            f.problem("left behind: " + name);
    }
    for (const std::string& p : f.problems)
        std::printf("%s\n", p.c_str());
    std::fflush(stdout);
    shell.reset();
    return f.problems.empty() ? 0 : 1;
}

} // namespace

// ---------------------------------------------------------------------------

class TestSafeWrite : public QObject {
    Q_OBJECT

private slots:
    void eachWriterUnderEachFault_data()
    {
        QTest::addColumn<int>("writer");
        QTest::addColumn<int>("kase");
        for (size_t w = 0; w < writers().size(); ++w)
            for (size_t c = 0; c < cases().size(); ++c)
                QTest::addRow("%s: %s", writers()[w].name, cases()[c].name) << int(w) << int(c);
    }
    void eachWriterUnderEachFault()
    {
        QFETCH(int, writer);
        QFETCH(int, kase);
        const Case& c = cases()[static_cast<size_t>(kase)];
        const bool root = ::geteuid() == 0;
        const bool otherUser = c.runner == Runner::AsOtherUser && root;
        if (c.asRoot && !root)
            QSKIP("only the superuser can make another user's link");
        QString setpriv;
        if (otherUser) {
            setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
            if (setpriv.isEmpty())
                QSKIP("no setpriv to run as another user");
        }
        // Another user must reach the folder, and a home of its own keeps
        // caches out of it.
        QTemporaryDir dir(otherUser ? QDir::tempPath() + QStringLiteral("/tst_safewrite-XXXXXX")
                                    : test::fixtureTemplate("tst_safewrite"));
        const std::string root_ = dir.path().toStdString();
        const std::string folder = root_ + "/folder";
        const std::string home = root_ + "/home";
        ::mkdir(folder.c_str(), 0755);
        ::mkdir(home.c_str(), 0755);
        if (otherUser) {
            ::chmod(root_.c_str(), 0755);
            ::chown(folder.c_str(), kOtherUser, kOtherGroup);
            ::chown(home.c_str(), kOtherUser, kOtherGroup);
        }
        if (c.asRoot)
            c.asRoot(folder, writers()[static_cast<size_t>(writer)].fileName);

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), QString::fromStdString(home));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), QString::fromStdString(home + "/cache"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        QStringList args {QStringLiteral("--row"), QString::number(writer), QString::number(kase),
            QString::fromStdString(folder)};
        if (otherUser) {
            args.prepend(QCoreApplication::applicationFilePath());
            args = QStringList {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                       QStringLiteral("--clear-groups")}
                + args;
            child.start(setpriv, args);
        } else {
            child.start(QCoreApplication::applicationFilePath(), args);
        }
        QVERIFY(child.waitForFinished(60000));
        const QByteArray out = child.readAll();
        // The folder is the superuser's to clear, whoever wrote in it.
        ::chmod(folder.c_str(), 0755);
        if (child.exitCode() == kSkipped)
            QSKIP(out.constData());
        if (otherUser && (child.exitCode() == 126 || child.exitCode() == 127))
            QSKIP(("another user cannot run this test: " + out).constData());
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, out.constData());
    }
};

int main(int argc, char** argv)
{
    if (argc == 5 && std::string_view(argv[1]) == "--row")
        return runRow(std::stoul(argv[2]), std::stoul(argv[3]), argv[4]);
    QCoreApplication app(argc, argv);
    TestSafeWrite test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_safewrite.moc"
