#pragma once
// Helpers shared by the benchmark programs.

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace tv::bench {

// What a shell command prints on standard output.
inline std::string commandOutput(const std::string& command)
{
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[1 << 16];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    ::pclose(pipe);
    return out;
}

// A text file's bytes; a ".gz" file is uncompressed.
inline std::string readText(const std::string& path)
{
    if (path.size() > 3 && path.compare(path.size() - 3, 3, ".gz") == 0)
        return commandOutput("gzip -dc '" + path + "'");
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace tv::bench
