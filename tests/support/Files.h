#pragma once
// Small file helpers for tests that build their fixtures on disk.

#include <QString>

#include <fstream>
#include <iterator>
#include <string>

namespace tv::test {

inline void writeFile(const std::string& path, const std::string& bytes = "x")
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A QTemporaryDir template under the build folder, where extended attributes
// work on the usual file systems (/tmp may lack them).
inline QString fixtureTemplate(const char* name)
{
    return QStringLiteral(TV_BUILD_DIR) + QLatin1Char('/') + QLatin1String(name) + QStringLiteral("-XXXXXX");
}

} // namespace tv::test
