#pragma once
// The system calls through which the safe writer changes the file system, in
// one place: tests put calls of their own in, to record the order in which
// the writer makes them or to make one of them fail. By default each call
// goes straight to the system; each answers as the system call does (-1 and
// errno on failure).

#include <cstddef>
#include <sys/types.h>

namespace tv {

class FileCalls {
public:
    virtual ~FileCalls();

    virtual int open(const char* path, int flags, mode_t mode);
    virtual ssize_t write(int fd, const void* data, size_t size);
    virtual int fchmod(int fd, mode_t mode);
    virtual int fchown(int fd, uid_t owner, gid_t group);
    virtual int fsetxattr(int fd, const char* name, const void* value, size_t size);
    virtual int fsync(int fd);
    virtual int close(int fd);
    virtual int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags);
    virtual int rename(const char* from, const char* to);
    virtual int unlink(const char* path);
};

FileCalls& fileCalls();
// Installs calls (not owned); nullptr restores the system's own.
void setFileCalls(FileCalls* calls);

} // namespace tv
