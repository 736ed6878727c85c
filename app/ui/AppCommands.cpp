// Work reaching the program from outside its windows (application events,
// desktop documents) and the File menu's pass-starting and clipboard commands.

#include "app/ui/App.h"

#include "app/core/DictionaryFolder.h"
#include "encoding/core/JudgedText.h"
#include "encoding/core/detectKanji.h"
#include "platform/core/Errors.h"
#include "platform/core/Services.h"
#include "platform/core/Streams.h"
#include "platform/core/Text.h"
#include "platform/core/Thread.h"

namespace tv {

namespace {

// What the clipboard command says of a file whose bytes do not read as text
// in the encoding they were judged to be in.
const char* const kClipUnreadable = "クリップボードに読み込めませんでした。";
const char* const kClipUnreadableWhy = "ファイルの文字コードを変換できません。";

} // namespace

bool App::Event_HandleAppleEvent(const std::string& eventClass, const std::string& eventID,
    const std::string& dict, const FolderItem& directObject)
{
    if (quitting_ || !textEquals(eventClass, "Tv9x"))
        return false;
    bool matched = false;
    if (!dict.empty()) {
        // The byte-exact name before one equal ignoring case: A.dict and
        // a.dict may both be listed, and only one is ever marked.
        std::vector<std::string> names;
        for (int i = 1; i <= dicMenuNo; ++i) {
            MenuItem* it = menuBar_->item("dicList", i);
            names.push_back(it ? it->Text() : std::string());
        }
        const int chosen = matchingName(names, dict);
        for (int i = 1; i <= dicMenuNo; ++i) {
            MenuItem* it = menuBar_->item("dicList", i);
            if (!it)
                continue;
            it->setChecked(i == chosen);
            if (i == chosen) {
                prefDefaultDic = it->Text();
                matched = true;
            }
            yieldToOthers();
        }
    }
    if (textEquals(eventID, "prof")) {
        if (directObject) {
            if (textEquals(directObject.MacType(), "FOLD"))
                openFolder(directObject);
            else if (fileFilter(directObject))
                dropItem.push_back(directObject);
            if (!isWorking && !dropItem.empty())
                startProof();
        }
        return true;
    }
    if (textEquals(eventID, "clip")) {
        if (!isWorking) {
            isClip = true;
            startProof();
        }
        return true;
    }
    if (textEquals(eventID, "used"))
        return matched;
    if (textEquals(eventID, "quit"))
        return true;
    return false;
}

void App::Event_OpenDocument(const FolderItem& item)
{
    if (quitting_)
        return;
    try {
        std::string type = item.MacType();
        if (textEquals(type, "wksp")) {
            openFolderItem = item;
            if (std::shared_ptr<WorkspaceWindow> w = newWorkSpace())
                workSpaceWin.push_back(w);
            return;
        }
        if (textEquals(type, "FOLD"))
            openFolder(item);
        else if (fileFilter(item))
            dropItem.push_back(item);
        if (!isWorking && !dropItem.empty())
            startProof();
    } catch (...) {
        // The document's handling ends where it failed.
    }
}

// The file-pass commands are disabled while a pass runs, but a pass can start
// meanwhile (an event arriving while a dialog is open): each start is guarded,
// so two passes never run at once.
void App::queueFileAndStart(const FolderItem& f)
{
    if (!f || !fileFilter(f))
        return;
    dropItem.push_back(f);
    if (!isWorking)
        startProof();
}

bool App::_fileopen_Action()
{
    queueFileAndStart(services().getOpenFolderItem("special/any"));
    return false;
}

bool App::_folderOpen_Action()
{
    FolderItem folder = services().selectFolder("");
    if (!folder)
        return false;
    openFolder(folder);
    if (!isWorking && !dropItem.empty())
        startProof();
    return false;
}

bool App::_resentListMenu_Action(int index)
{
    if (index < 1 || index > static_cast<int>(resentFileList.size()))
        return false;
    std::string path = NthField(resentFileList[static_cast<size_t>(index - 1)], ChrB(9), 2);
    queueFileAndStart(FolderItem::fromPath(path));
    return false;
}

bool App::_doclip_Action()
{
    if (!isWorking) {
        isClip = true;
        startProof();
    }
    return false;
}

bool App::_openclip_Action()
{
    FolderItem f = services().getOpenFolderItem("special/any");
    if (!f || !fileFilter(f))
        return false;
    std::string text;
    try {
        // Judged and read as a file to proofread is, strictly: the clipboard
        // holds text, so bytes that do not decode never reach it. Line ends
        // stay as they are.
        detectKanji detector;
        text = decodeJudged(detector, f.readAll(), 1000, TextEvidence::WhereGuessFails).text;
    } catch (const EncodingException&) {
        MsgBox(kClipUnreadable, std::string(kClipUnreadableWhy) + "\n" + f.AbsolutePath());
        return false;
    } catch (...) {
        // A file that cannot be read leaves the clipboard as it was.
        return false;
    }
    services().setClipboardText(text);
    return false;
}

bool App::_saveClip_Action()
{
    FolderItem f = services().getSaveFolderItem("text", "クリップボード.txt");
    if (!f)
        return false;
    try {
        std::string text = services().clipboardHasText() ? services().clipboardText() : std::string();
        writeFileSafely(f, text, "TEXT", prefCreator.empty() ? std::string("ttxt") : prefCreator);
    } catch (...) {
        MsgBox("ファイルの保存ができませんでした。");
    }
    return false;
}

} // namespace tv
