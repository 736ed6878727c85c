#pragma once
// The exceptions of the framework layer. Every failure that the program reports
// to the user travels as one of these; nothing here is a null pointer.

#include <stdexcept>
#include <string>

namespace tv {

// Base of every exception the framework layer raises.
class RuntimeException : public std::runtime_error {
public:
    explicit RuntimeException(const std::string& message) : std::runtime_error(message) {}
};

// A member access through a handle that holds nothing.
class NilObjectException : public RuntimeException {
public:
    explicit NilObjectException(const std::string& what = "nil object")
        : RuntimeException(what) {}
};

// A failed platform call: the function's name and its status.
class MacOSException : public RuntimeException {
public:
    MacOSException(std::string function, int status)
        : RuntimeException(function + " failed (" + std::to_string(status) + ")"),
          function_(std::move(function)), status_(status) {}
    const std::string& function() const { return function_; }
    int status() const { return status_; }

private:
    std::string function_;
    int status_;
};

// A file or stream operation that failed; carries errno where there is one.
class IOException : public RuntimeException {
public:
    explicit IOException(const std::string& what, int errorNumber = 0)
        : RuntimeException(what), errorNumber_(errorNumber) {}
    int errorNumber() const { return errorNumber_; }

private:
    int errorNumber_;
};

// Bytes that do not decode in their encoding, or a character that the target
// encoding cannot hold.
class EncodingException : public RuntimeException {
public:
    explicit EncodingException(const std::string& what) : RuntimeException(what) {}
};

// A pattern that does not compile, or a match call that failed.
class RegExException : public RuntimeException {
public:
    explicit RegExException(const std::string& what) : RuntimeException(what) {}
};

// Index out of range on a framework array or list.
class OutOfBoundsException : public RuntimeException {
public:
    explicit OutOfBoundsException(const std::string& what = "out of bounds")
        : RuntimeException(what) {}
};

} // namespace tv
