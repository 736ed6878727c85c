#include "platform/core/FileCalls.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace tv {

FileCalls::~FileCalls() = default;

int FileCalls::open(const char* path, int flags, mode_t mode)
{
    return ::open(path, flags, mode);
}

ssize_t FileCalls::write(int fd, const void* data, size_t size)
{
    return ::write(fd, data, size);
}

int FileCalls::fchmod(int fd, mode_t mode)
{
    return ::fchmod(fd, mode);
}

int FileCalls::fchown(int fd, uid_t owner, gid_t group)
{
    return ::fchown(fd, owner, group);
}

int FileCalls::fsetxattr(int fd, const char* name, const void* value, size_t size)
{
    return ::fsetxattr(fd, name, value, size, 0);
}

int FileCalls::fsync(int fd)
{
    return ::fsync(fd);
}

int FileCalls::close(int fd)
{
    return ::close(fd);
}

int FileCalls::linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags)
{
    return ::linkat(fromFolder, from, toFolder, to, flags);
}

int FileCalls::rename(const char* from, const char* to)
{
    return ::rename(from, to);
}

int FileCalls::unlink(const char* path)
{
    return ::unlink(path);
}

namespace {

FileCalls*& installed()
{
    static FileCalls system;
    static FileCalls* calls = &system;
    return calls;
}

} // namespace

FileCalls& fileCalls()
{
    return *installed();
}

void setFileCalls(FileCalls* calls)
{
    static FileCalls system;
    installed() = calls ? calls : &system;
}

} // namespace tv
