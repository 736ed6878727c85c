#pragma once
// The settings and run-time state of the application object that the menus,
// the windows and the worker of a pass share. Display-free: the application
// object of the window layer derives from it, and the pass works on it alone.

#include "platform/core/FolderItem.h"

#include <array>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tv {

// Index into fontName and fontSize: 0 dictionary editor, 1 confirmation
// window, 2 candidate palette, 3 trial search palette; 4 is never used.
enum FontSlot { FontSlotDictionary = 0, FontSlotConfirm = 1, FontSlotCandidates = 2,
    FontSlotTrial = 3, FontSlotCount = 5 };

struct FrameBounds {
    int Top = 0;
    int Left = 0;
    int Width = 0;
    int Height = 0;
};

class AppState {
public:
    AppState();
    virtual ~AppState();
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    // Queue of input files for the next or running pass, in order.
    std::deque<FolderItem> dropItem;
    bool isWorking = false;
    int dicMenuNo = 0;
    bool isClip = false;
    std::string prefExtension;
    std::string prefCreator;
    std::string prefSaveType;
    std::string prefSavePlace;
    std::string prefAlarmFile;
    std::string prefAlarmChange;
    std::string prefAlarmType;
    std::string prefDefaultDic;
    bool grepCancel = false;
    bool notifyClose = false;
    bool manualCancel = false;
    std::string manualRepStr;
    bool isManualRep = false;
    std::string prefFileType;
    std::string prefFileExtension;
    std::string isSaveResult;
    int editFieldNo = 0;
    bool isSelectRep = false;
    std::string prefDicWinPos;
    std::string prefGrepWinPos;
    std::string version;
    std::string editDic;
    std::deque<std::string> dicChangeList;
    std::array<std::string, 10> resentFileList;
    FolderItem openFolderItem;
    std::array<int, FontSlotCount> fontSize {};
    std::array<std::string, FontSlotCount> fontName;
    bool isFastProof = false;
    bool isAutoWorkFrow = false;
    bool isLogging = false;
    // The session asked the program to end while a pass ran: the pass ends
    // wherever it waits (as after a cancel, without its result notice), and
    // the program quits once it has.
    bool quitRequested = false;

    // The version text shown by the about box.
    static const char* versionText();

    // The input filter: whether a file is taken as input, by its type code
    // (prefFileType) or its name's extension (prefFileExtension). Anything
    // that exists but is no regular file (a folder, a pipe, a device) is
    // refused. Never raises; a failure answers false.
    bool fileFilter(const FolderItem& item);
    // Walks a folder depth first and appends every accepted file to
    // dropItem. Each folder is listed once, when the walk enters it, and no
    // folder is entered twice in one walk, so links that loop end.
    void openFolder(const FolderItem& folder);
    // The start step of every starter: the pass is marked as running and its
    // worker is started; it begins when the main side next yields.
    void startProof();
    // What starts the worker of a pass; the pass installs it.
    using PassStarter = std::function<void(AppState&)>;
    static void setPassStarter(PassStarter starter);

    // The output-name template expanded with one reading of the clock.
    std::string makeFormatStr(std::string_view format) const;

    // The preferences file "Tesvora Prefs" in the preferences folder.
    FolderItem preferencesFile() const;
    // Reads the preferences file, or sets the defaults when it is missing or
    // cannot be read; places the frame window from its last line.
    void readPreferences();
    // Writes every setting to the preferences file. Never raises: a failure
    // leaves the old file as it was.
    void doPrefSave();
    // The defaults of every setting kept in the file.
    void setDefaultSettings();
    // The thirty lines that doPrefSave writes.
    std::string preferencesContent() const;

    // The frame window's placement, provided by the window layer (none here).
    virtual std::optional<FrameBounds> frameWindowBounds() const { return std::nullopt; }
    virtual void placeFrameWindow(const FrameBounds&) {}

private:
    // The frame line as read, written back where there is no frame window.
    std::string frameLine_;
};

// The registered application state (the application object).
AppState& appState();
void registerAppState(AppState* state);

} // namespace tv
