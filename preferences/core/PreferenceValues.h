#pragma once
// What the preferences window shows, without the window: the rows of its
// pop-up menus and save-place buttons and the keywords behind them, the
// output-name template split into its three fields and joined again, the
// preview of the output name, the font sizes read from their boxes, the
// folder and creator pickers' rules, and the page rule. Loading copies the
// settings into PreferenceValues; storing writes them back one by one.

#include "app/core/AppState.h"
#include "platform/core/FolderItem.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// The three rows of a pop-up menu (or the three save-place buttons): the
// caption each row shows and the keyword it stands for.
struct KeywordRows {
    std::array<const char*, 3> captions;
    std::array<const char*, 3> keywords;
};
const KeywordRows& alarmFileRows();   // fileMenu: prefAlarmFile
const KeywordRows& alarmChangeRows(); // proofPointMenu: prefAlarmChange
const KeywordRows& alarmTypeRows();   // alarmMenu: prefAlarmType
const KeywordRows& saveTypeRows();    // saveRadio1 to saveRadio3: prefSaveType

// The row of the first keyword equal to the value; nullopt for any other
// value.
std::optional<int> rowOfKeyword(const KeywordRows& rows, std::string_view value);
// The keyword of a row; nullopt when the row is none of 0, 1, 2.
std::optional<std::string> keywordOfRow(const KeywordRows& rows, int row);
// The save type the buttons stand for: the first button on decides, and with
// neither of the first two on the fixed folder is meant.
std::string saveTypeOf(int checkedRadio);

// The output-name template: suffix, prefix and new extension, in the order
// the template holds them.
struct TemplateFields {
    std::string suffix;
    std::string prefix;
    std::string extension;
};
// Fields 1 to 3 of the template split at TAB; missing fields are empty and
// fields after the third are dropped.
TemplateFields splitTemplate(std::string_view prefExtension);
// suffix TAB prefix TAB extension. A TAB inside a field would shift the
// fields after it, and a line end cannot be kept in the preferences file:
// both are taken out of each field.
std::string joinTemplate(const TemplateFields& fields);
// The text without CR and LF (a single-line field's value as stored).
std::string singleLine(std::string_view text);
// The output name shown under the template fields, before the date and time
// tokens are expanded.
std::string previewFormat(std::string_view prefix, std::string_view suffix, std::string_view extension);

// The sizes offered by the font size boxes.
const std::vector<std::string>& fontSizeRows();
// A font size box's text as a number: the number it begins with (0 for
// none), truncated and held within 32 bits.
int32_t fontSizeOf(std::string_view text);
// The row of the font list to choose for a stored name: the last family that
// bears the name; nullopt when none does.
std::optional<int> fontRowOf(const std::vector<std::string>& families, std::string_view name);

// The fixed folder as the save place holds it: its path ending in "/" (the
// root stays "/"); nullopt for a nil folder or a path that holds a line end,
// which the preferences file could not keep.
std::optional<std::string> savePlaceOf(const FolderItem& folder);
// The creator code stored on a chosen file; nullopt when it has none.
std::optional<std::string> creatorOf(const FolderItem& file);

// The five pages, in toolbar order.
constexpr int kPageCount = 5;
struct PageInfo {
    const char* itemName;  // the toolbar item's name
    const char* caption;   // the toolbar button's caption
    const char* heading;   // the page's heading
    int bottom;            // where the page's content ends
};
const std::array<PageInfo, kPageCount>& pages();
// The page a toolbar item's name chooses; nullopt for an unknown name.
std::optional<int> pageOfItem(std::string_view itemName);
// The height of the page area while the page is shown.
int pageHeight(int page);

// The values the window's controls hold.
struct PreferenceValues {
    std::string fileType;
    std::string fileExtension;
    TemplateFields templateFields;
    std::string creator;
    int saveRadio = -1; // the button on: 0 to 2, -1 none
    std::string savePlace;
    int alarmFileRow = 0;
    int alarmChangeRow = 0;
    int alarmTypeRow = 0;
    // The chosen font of each slot; nullopt while no row is chosen.
    std::array<std::optional<std::string>, 4> fontNames;
    std::array<std::string, 4> fontSizeTexts;
    bool fastProof = false;
    bool autoWorkFrow = false;
    bool logging = false;
};

// The settings as the controls show them after loading. fontNames holds the
// stored name where one of the families bears it.
PreferenceValues loadValues(const AppState& app, const std::vector<std::string>& families);
// Stores the values into the settings, one after the other: the template,
// the creator, the two filter lists, the save type and place, the three
// notice keywords (a row that is none of the three leaves its setting), the
// four fonts (a slot without a chosen font keeps its name, while its size is
// always stored; betweenSlots runs after each slot) and the three check boxes.
void storeValues(const PreferenceValues& values, AppState& app, const std::function<void()>& betweenSlots);

} // namespace tv
