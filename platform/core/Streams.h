#pragma once
// Byte and text streams over files.

#include <cstdint>
#include <string>
#include <string_view>

namespace tv {

class BinaryStream {
public:
    // Opens the file; raises IOException on failure, and for anything but a
    // regular file (which it never waits for).
    BinaryStream(const std::string& path, bool writable, bool create);
    ~BinaryStream();
    BinaryStream(const BinaryStream&) = delete;
    BinaryStream& operator=(const BinaryStream&) = delete;

    int64_t Length() const;
    void setLength(int64_t length);
    int64_t Position() const { return position_; }
    void setPosition(int64_t p) { position_ = p; }
    bool EOF_() const { return position_ >= Length(); }
    std::string Read(size_t count);
    // Reads up to `count` bytes into `buffer`: fewer only at the end of the
    // file. Returns how many it read.
    size_t ReadInto(char* buffer, size_t count);
    void Write(std::string_view bytes);
    void Close();

private:
    int fd_ = -1;
    int64_t position_ = 0;
    std::string path_;
};

// Reads a text line by line. Lines end at CR; a reader may also take LF and
// CR LF as line ends.
class TextInputStream {
public:
    enum class LineEnds { CR, Any };

    explicit TextInputStream(std::string content, LineEnds ends = LineEnds::CR)
        : content_(std::move(content)), ends_(ends) {}
    void setLineEnds(LineEnds ends) { ends_ = ends; }

    // The next line without its end; empty once the end is reached.
    std::string ReadLine();
    std::string ReadAll();
    bool EOF_() const { return position_ >= content_.size(); }
    void Close() {}

private:
    std::string content_;
    size_t position_ = 0;
    LineEnds ends_;
};

// Collects text and writes it to its file on Close, whole, through
// writeFileSafely (an empty text gives an empty file).
class TextOutputStream {
public:
    explicit TextOutputStream(std::string path) : path_(std::move(path)) {}
    ~TextOutputStream();
    void Write(std::string_view text) { buffer_ += text; }
    void WriteLine(std::string_view text) { buffer_ += text; buffer_ += '\r'; }
    void Close();

private:
    std::string path_;
    std::string buffer_;
    bool closed_ = false;
};

} // namespace tv
