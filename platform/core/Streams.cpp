#include "platform/core/Streams.h"

#include "platform/core/Errors.h"
#include "platform/core/FolderItem.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tv {

BinaryStream::BinaryStream(const std::string& path, bool writable, bool create) : path_(path)
{
    // Without waiting: opening a pipe would wait for its other end.
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK | (writable ? O_RDWR : O_RDONLY);
    if (create)
        flags |= O_CREAT;
    fd_ = ::open(path.c_str(), flags, 0666);
    if (fd_ < 0)
        throw IOException("cannot open " + path, errno);
    // Only a regular file: a pipe or a device has no end to read to.
    struct stat st;
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw IOException("cannot open " + path + ": it is no file", EINVAL);
    }
}

BinaryStream::~BinaryStream()
{
    if (fd_ >= 0)
        ::close(fd_);
}

int64_t BinaryStream::Length() const
{
    if (fd_ < 0)
        throw NilObjectException("stream is closed");
    struct stat st;
    if (::fstat(fd_, &st) != 0)
        throw IOException("cannot read the length of " + path_, errno);
    return st.st_size;
}

void BinaryStream::setLength(int64_t length)
{
    if (fd_ < 0)
        throw NilObjectException("stream is closed");
    if (::ftruncate(fd_, length) != 0)
        throw IOException("cannot set the length of " + path_, errno);
    if (position_ > length)
        position_ = length;
}

std::string BinaryStream::Read(size_t count)
{
    std::string out;
    out.resize(count);
    out.resize(ReadInto(out.data(), count));
    return out;
}

size_t BinaryStream::ReadInto(char* buffer, size_t count)
{
    if (fd_ < 0)
        throw NilObjectException("stream is closed");
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::pread(fd_, buffer + done, count - done, position_ + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw IOException("cannot read " + path_, errno);
        }
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    position_ += static_cast<int64_t>(done);
    return done;
}

void BinaryStream::Write(std::string_view bytes)
{
    if (fd_ < 0)
        throw NilObjectException("stream is closed");
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, position_ + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw IOException("cannot write " + path_, errno);
        }
        done += static_cast<size_t>(n);
    }
    position_ += static_cast<int64_t>(done);
}

void BinaryStream::Close()
{
    if (fd_ >= 0) {
        int r = ::close(fd_);
        fd_ = -1;
        if (r != 0)
            throw IOException("cannot close " + path_, errno);
    }
}

std::string TextInputStream::ReadLine()
{
    size_t start = position_;
    size_t n = content_.size();
    size_t i = start;
    if (ends_ == LineEnds::CR) {
        while (i < n && content_[i] != '\r')
            ++i;
        position_ = i < n ? i + 1 : n;
        return content_.substr(start, i - start);
    }
    while (i < n && content_[i] != '\r' && content_[i] != '\n')
        ++i;
    std::string line = content_.substr(start, i - start);
    if (i < n && content_[i] == '\r' && i + 1 < n && content_[i + 1] == '\n')
        position_ = i + 2;
    else
        position_ = i < n ? i + 1 : n;
    return line;
}

std::string TextInputStream::ReadAll()
{
    std::string rest = content_.substr(position_);
    position_ = content_.size();
    return rest;
}

TextOutputStream::~TextOutputStream()
{
    if (!closed_) {
        try {
            Close();
        } catch (...) {
            // A destructor cannot report; callers that care call Close.
        }
    }
}

void TextOutputStream::Close()
{
    if (closed_)
        return;
    closed_ = true;
    writeFileSafely(FolderItem::fromPath(path_), buffer_);
}

} // namespace tv
