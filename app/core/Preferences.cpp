// The preferences file: thirty CR-ended lines in a fixed order, without keys.

#include "app/core/AppState.h"

#include "platform/core/Errors.h"
#include "platform/core/FolderItem.h"
#include "platform/core/Streams.h"
#include "platform/core/Text.h"

namespace tv {

namespace {

const char* const kFileName = "Tesvora Prefs";
const char* const kDefaultFont = "Osaka";
const int kDefaultFontSize = 12;

// The format has no escape for a line end inside a value: drop them, so that no
// value can shift the lines after it.
std::string withoutLineEnds(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (char c : value)
        if (c != '\r' && c != '\n')
            out += c;
    return out;
}

std::string recentEntryForFile(const std::string& entry)
{
    // A path that holds a line end cannot be stored; the entry is left free.
    if (entry.find_first_of("\r\n") != std::string::npos)
        return {};
    return entry;
}

} // namespace

FolderItem AppState::preferencesFile() const
{
    FolderItem folder = FolderItem::preferencesFolder();
    if (!folder)
        throw NilObjectException("no preferences folder");
    return folder.Child(kFileName);
}

void AppState::setDefaultSettings()
{
    prefFileType = "TEXT,ttro";
    prefFileExtension = "txt,text,html,htm";
    prefExtension = "[fixed]";
    prefCreator = "ttxt";
    prefSaveType = "sameplace";
    prefSavePlace.clear();
    prefAlarmFile = "both";
    prefAlarmChange = "both";
    prefAlarmType = "systembeep";
    prefDefaultDic = "新規辞書.dict";
    prefDicWinPos.clear();
    prefGrepWinPos.clear();
    for (std::string& e : resentFileList)
        e.clear();
    for (int slot = 0; slot < FontSlotCount; ++slot) {
        fontName[static_cast<size_t>(slot)] = kDefaultFont;
        fontSize[static_cast<size_t>(slot)] = kDefaultFontSize;
    }
    isFastProof = false;
    isAutoWorkFrow = false;
    isLogging = false;
}

void AppState::readPreferences()
{
    FolderItem file = preferencesFile();
    if (!file || !file.Exists()) {
        setDefaultSettings();
        return;
    }
    std::string content;
    try {
        content = file.readAll();
    } catch (const IOException&) {
        setDefaultSettings();
        return;
    }
    // An editor may have saved the file with a byte-order mark, which does not
    // belong to line 1. Every mark there goes: one kept would be written at
    // the start of the file and taken for the file's own mark at the next
    // reading, so line 1 would change from one save to the next.
    while (content.starts_with("\xEF\xBB\xBF"))
        content.erase(0, 3);
    TextInputStream in(std::move(content), TextInputStream::LineEnds::Any);
    std::string* textLines[] = {&prefFileType, &prefFileExtension, &prefExtension, &prefCreator,
        &prefSaveType, &prefSavePlace, &prefAlarmFile, &prefAlarmChange, &prefAlarmType,
        &prefDefaultDic, &prefDicWinPos, &prefGrepWinPos};
    for (std::string* setting : textLines)
        *setting = in.ReadLine();
    for (std::string& entry : resentFileList)
        entry = in.ReadLine();
    for (size_t slot = 0; slot < 4; ++slot) {
        std::string line = in.ReadLine();
        if (line.empty())
            line = "Osaka,12";
        fontName[slot] = NthField(line, ",", 1);
        fontSize[slot] = toInt32(Val(NthField(line, ",", 2)));
    }
    fontName[FontSlotCount - 1] = kDefaultFont;
    fontSize[FontSlotCount - 1] = kDefaultFontSize;
    isFastProof = textEquals(in.ReadLine(), "FastProof");
    isAutoWorkFrow = textEquals(in.ReadLine(), "AutoWorkFrow");
    isLogging = textEquals(in.ReadLine(), "Logging");
    std::string frame = in.ReadLine();
    if (!frame.empty()) {
        FrameBounds b;
        b.Top = toInt32(Val(NthField(frame, ",", 1)));
        b.Left = toInt32(Val(NthField(frame, ",", 2)));
        b.Width = toInt32(Val(NthField(frame, ",", 3)));
        b.Height = toInt32(Val(NthField(frame, ",", 4)));
        frameLine_ = frame;
        placeFrameWindow(b);
    }
}

std::string AppState::preferencesContent() const
{
    std::string out;
    auto line = [&out](std::string_view value) {
        out += withoutLineEnds(value);
        out += '\r';
    };
    for (const std::string* setting : {&prefFileType, &prefFileExtension, &prefExtension,
             &prefCreator, &prefSaveType, &prefSavePlace, &prefAlarmFile, &prefAlarmChange,
             &prefAlarmType, &prefDefaultDic, &prefDicWinPos, &prefGrepWinPos})
        line(*setting);
    for (const std::string& entry : resentFileList)
        line(recentEntryForFile(entry));
    for (size_t slot = 0; slot < 4; ++slot)
        line(fontName[slot] + "," + Str(static_cast<int64_t>(fontSize[slot])));
    line(isFastProof ? "FastProof" : "NormalProof");
    line(isAutoWorkFrow ? "AutoWorkFrow" : "manualWorkFrow");
    line(isLogging ? "Logging" : "noLogging");
    if (std::optional<FrameBounds> b = frameWindowBounds())
        line(Str(static_cast<int64_t>(b->Top)) + "," + Str(static_cast<int64_t>(b->Left)) + ","
            + Str(static_cast<int64_t>(b->Width)) + "," + Str(static_cast<int64_t>(b->Height)));
    else
        line(frameLine_);
    return out;
}

void AppState::doPrefSave()
{
    try {
        FolderItem file = preferencesFile();
        if (!file)
            return;
        FolderItem folder = file.Parent();
        if (folder && !folder.Exists())
            folder.CreateAsFolder();
        writeFileSafely(file, preferencesContent(), "pref", "Tv9x");
    } catch (...) {
        // Nothing is reported; the old file stays as it was.
    }
}

} // namespace tv
