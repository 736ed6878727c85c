// The preferences reader on any file: what it reads, written and read back,
// gives the same thirty lines, byte for byte.

#include "FuzzSupport.h"

#include "app/core/AppState.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace tv;

namespace {

// A folder of its own for the file, in memory where the system has one.
const std::string& prefsPath()
{
    static const std::string path = [] {
        std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm/tv-fuzz-prefs-XXXXXX" : "/tmp/tv-fuzz-prefs-XXXXXX";
        if (!mkdtemp(folder.data()))
            fuzz::failed("no folder for the preferences file");
        setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
        return folder + "/Tesvora Prefs";
    }();
    return path;
}

void put(std::string_view bytes)
{
    std::ofstream out(prefsPath(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    put(fuzz::bytesOf(data, size));
    AppState first;
    first.readPreferences();
    const std::string written = first.preferencesContent();
    size_t lines = 0;
    for (char c : written)
        lines += c == '\r';
    fuzz::expect(lines == 30 && !written.empty() && written.back() == '\r', "not thirty CR-ended lines");
    fuzz::expect(written.find('\n') == std::string::npos, "an LF in the written file");
    put(written);
    AppState back;
    back.readPreferences();
    fuzz::expect(back.preferencesContent() == written, "read back and written again, other bytes");
    return 0;
}
