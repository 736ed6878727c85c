// The workspace reader on any file, as a workspace is opened: what it reads,
// saved and read back, gives the same frame, names and rows, and saved again
// the same bytes. A save keeps every field on its own line and between its
// own TABs.

#include "FuzzSupport.h"

#include "platform/core/FolderItem.h"
#include "workspace/core/WorkspaceFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace tv;

namespace {

// A folder of its own for the file, in memory where the system has one; the
// safe writer puts its temporary file beside it.
const FolderItem& workspaceFile()
{
    static const FolderItem file = [] {
        std::string folder
            = access("/dev/shm", W_OK) == 0 ? "/dev/shm/tv-fuzz-workspace-XXXXXX" : "/tmp/tv-fuzz-workspace-XXXXXX";
        if (!mkdtemp(folder.data()))
            fuzz::failed("no folder for the workspace file");
        return FolderItem::fromPath(folder + "/w.work");
    }();
    return file;
}

void put(std::string_view bytes)
{
    std::ofstream out(workspaceFile().path(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Saved as the window saves: its frame, the names and the rows, with the
// codes of a first save. Gives the bytes it wrote.
std::string save(const FrameBounds& frame, const WorkspaceContent& content)
{
    try {
        writeWorkspaceFile(workspaceFile(), frame, content.dictionaries, content.files, workspaceFileCodes());
        return workspaceFile().readAll();
    } catch (const std::exception&) {
        fuzz::failed("a workspace that was read could not be saved");
    }
}

bool sameFrame(const FrameBounds& a, const FrameBounds& b)
{
    return a.Left == b.Left && a.Top == b.Top && a.Width == b.Width && a.Height == b.Height;
}

// A row's picture is not saved but looked up again on reading, so only its
// texts are compared.
bool sameTexts(const std::vector<WorkspaceRow>& a, const std::vector<WorkspaceRow>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
        [](const WorkspaceRow& x, const WorkspaceRow& y) { return x.name == y.name && x.path == y.path; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    put(fuzz::bytesOf(data, size));
    WorkspaceContent first;
    try {
        first = readWorkspaceFile(workspaceFile());
    } catch (const std::exception&) {
        return 0; // the window says so and opens an untitled workspace
    }
    // Without a header the window keeps a frame of its own.
    FrameBounds frame;
    frame.Left = 30;
    frame.Top = 40;
    frame.Width = 490;
    frame.Height = 200;
    frame = first.frame.value_or(frame);

    const std::string written = save(frame, first);
    const std::string header = std::string(kWorkspaceHeader) + ",";
    fuzz::expect(written.compare(0, header.size(), header) == 0, "the written file does not begin with the header");
    fuzz::expect(written.find('\n') == std::string::npos, "an LF in the written file");
    fuzz::expect(!written.empty() && written.back() == '\r', "the written file does not end with CR");
    const auto ends = static_cast<size_t>(std::count(written.begin(), written.end(), '\r'));
    fuzz::expect(ends == 2 + first.files.size(), "a CR inside a written field");
    const auto tabs = static_cast<size_t>(std::count(written.begin(), written.end(), '\t'));
    fuzz::expect(tabs == first.dictionaries.size() + first.files.size(), "a TAB inside a written field");

    WorkspaceContent back;
    try {
        back = readWorkspaceFile(workspaceFile());
    } catch (const std::exception&) {
        fuzz::failed("a workspace this program wrote does not read back");
    }
    fuzz::expect(back.frame && sameFrame(*back.frame, frame), "the frame changed on the way");
    fuzz::expect(back.dictionaries == first.dictionaries, "the dictionary names changed on the way");
    fuzz::expect(sameTexts(back.files, first.files), "the file rows changed on the way");
    fuzz::expect(save(*back.frame, back) == written, "read back and written again, other bytes");
    return 0;
}
