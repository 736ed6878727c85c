#pragma once
// Small file helpers for tests that build their fixtures on disk.

#include <QString>

#include <algorithm>
#include <csignal>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace tv::test {

inline void writeFile(const std::string& path, const std::string& bytes = "x")
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// The program's preferences file: the twelve lines given (file types,
// extensions, output name, save type and place, notices, dictionary...),
// then ten empty lines, four fonts and the default mode: thirty CR-ended
// lines.
inline std::string preferencesText(const std::vector<std::string>& firstLines)
{
    std::string out;
    for (const std::string& line : firstLines)
        out += line + "\r";
    for (int i = 0; i < 10; ++i)
        out += "\r";
    for (int i = 0; i < 4; ++i)
        out += "Osaka,12\r";
    out += "NormalProof\rmanualWorkFrow\rnoLogging\r\r";
    return out;
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Every entry of a folder, hidden ones too, sorted; nothing for a folder that
// cannot be listed.
inline std::vector<std::string> folderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(dir)) {
            std::string name = e->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Opening a pipe without a writer waits for ever: while a guard lives, a
// test that would hang there ends after 30 s, saying why.
struct HangGuard {
    HangGuard()
    {
        std::signal(SIGALRM, [](int) {
            const char text[] = "a pipe or a device was opened and waited for\n";
            if (::write(2, text, sizeof text - 1) < 0) {
            }
            ::_exit(1);
        });
        ::alarm(30);
    }
    ~HangGuard() { ::alarm(0); }
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;
};

// A QTemporaryDir template under the build folder, where extended attributes
// work on the usual file systems (/tmp may lack them).
inline QString fixtureTemplate(const char* name)
{
    return QStringLiteral(TV_BUILD_DIR) + QLatin1Char('/') + QLatin1String(name) + QStringLiteral("-XXXXXX");
}

} // namespace tv::test
