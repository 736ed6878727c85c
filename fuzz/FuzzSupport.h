#pragma once
// What the fuzz targets share: a failed expectation stops the run the way a
// crash does, so that libFuzzer keeps the input that caused it.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace tv::fuzz {

[[noreturn]] inline void failed(const char* what)
{
    std::fprintf(stderr, "expectation failed: %s\n", what);
    std::abort();
}

inline void expect(bool holds, const char* what)
{
    if (!holds)
        failed(what);
}

inline std::string_view bytesOf(const uint8_t* data, size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

} // namespace tv::fuzz
