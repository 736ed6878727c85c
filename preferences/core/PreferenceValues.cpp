#include "preferences/core/PreferenceValues.h"

#include "platform/core/Text.h"

namespace tv {

namespace {

std::string without(std::string_view text, std::string_view drop)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (drop.find(c) == std::string_view::npos)
            out += c;
    return out;
}

} // namespace

const KeywordRows& alarmFileRows()
{
    static const KeywordRows rows {{"一個の時", "複数の時", "どちらも"}, {"one", "many", "both"}};
    return rows;
}

const KeywordRows& alarmChangeRows()
{
    static const KeywordRows rows {{"ある場合", "ない場合", "どちらも"}, {"changed", "nochange", "both"}};
    return rows;
}

const KeywordRows& alarmTypeRows()
{
    static const KeywordRows rows {
        {"ダイアログで表示", "システム警告音で通知", "何もしない"}, {"dialog", "systembeep", "none"}};
    return rows;
}

const KeywordRows& saveTypeRows()
{
    static const KeywordRows rows {{"元ファイルと同じ", "毎回指定する", "固定"}, {"sameplace", "dialog", "absolutepath"}};
    return rows;
}

std::optional<int> rowOfKeyword(const KeywordRows& rows, std::string_view value)
{
    for (size_t i = 0; i < rows.keywords.size(); ++i)
        if (textEquals(value, rows.keywords[i]))
            return static_cast<int>(i);
    return std::nullopt;
}

std::optional<std::string> keywordOfRow(const KeywordRows& rows, int row)
{
    if (row < 0 || row >= static_cast<int>(rows.keywords.size()))
        return std::nullopt;
    return std::string(rows.keywords[static_cast<size_t>(row)]);
}

std::string saveTypeOf(int checkedRadio)
{
    const KeywordRows& rows = saveTypeRows();
    if (checkedRadio == 0)
        return rows.keywords[0];
    if (checkedRadio == 1)
        return rows.keywords[1];
    return rows.keywords[2];
}

TemplateFields splitTemplate(std::string_view prefExtension)
{
    return {NthField(prefExtension, "\t", 1), NthField(prefExtension, "\t", 2), NthField(prefExtension, "\t", 3)};
}

std::string joinTemplate(const TemplateFields& fields)
{
    return without(fields.suffix, "\t\r\n") + '\t' + without(fields.prefix, "\t\r\n") + '\t'
        + without(fields.extension, "\t\r\n");
}

std::string singleLine(std::string_view text)
{
    return without(text, "\r\n");
}

std::string previewFormat(std::string_view prefix, std::string_view suffix, std::string_view extension)
{
    std::string out(prefix);
    out += "+[元ファイル名]+";
    out += suffix;
    out += '.';
    out += extension;
    return out;
}

const std::vector<std::string>& fontSizeRows()
{
    static const std::vector<std::string> rows {"9", "10", "11", "12", "13", "14", "18", "24", "36"};
    return rows;
}

int32_t fontSizeOf(std::string_view text)
{
    return toInt32(Val(text));
}

std::optional<int> fontRowOf(const std::vector<std::string>& families, std::string_view name)
{
    std::optional<int> row;
    for (size_t i = 0; i < families.size(); ++i)
        if (textEquals(families[i], name))
            row = static_cast<int>(i);
    return row;
}

std::optional<std::string> savePlaceOf(const FolderItem& folder)
{
    if (!folder)
        return std::nullopt;
    std::string path = folder.AbsolutePath();
    if (path.find_first_of("\r\n") != std::string::npos)
        return std::nullopt;
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

std::optional<std::string> creatorOf(const FolderItem& file)
{
    if (!file)
        return std::nullopt;
    std::string code = file.MacCreator();
    if (code.empty())
        return std::nullopt;
    return code;
}

const std::array<PageInfo, kPageCount>& pages()
{
    static const std::array<PageInfo, kPageCount> table {{
        {"grep", "校正の設定", "校正の設定", 133},
        {"filter", "フィルタ", "校正対象書類のフィルタ", 111},
        {"save", "保存時の設定", "保存時の設定", 205},
        {"result", "結果通知", "校正結果の通知方法", 129},
        {"font", "フォント設定", "表示フォントの設定", 168},
    }};
    return table;
}

std::optional<int> pageOfItem(std::string_view itemName)
{
    for (size_t i = 0; i < pages().size(); ++i)
        if (textEquals(itemName, pages()[i].itemName))
            return static_cast<int>(i);
    return std::nullopt;
}

int pageHeight(int page)
{
    const size_t i = page >= 0 && page < kPageCount ? static_cast<size_t>(page) : 0;
    return pages()[i].bottom + 40;
}

PreferenceValues loadValues(const AppState& app, const std::vector<std::string>& families)
{
    PreferenceValues v;
    v.fileType = app.prefFileType;
    v.fileExtension = app.prefFileExtension;
    v.templateFields = splitTemplate(app.prefExtension);
    v.creator = app.prefCreator;
    v.saveRadio = rowOfKeyword(saveTypeRows(), app.prefSaveType).value_or(-1);
    v.savePlace = app.prefSavePlace;
    v.alarmFileRow = rowOfKeyword(alarmFileRows(), app.prefAlarmFile).value_or(0);
    v.alarmChangeRow = rowOfKeyword(alarmChangeRows(), app.prefAlarmChange).value_or(0);
    v.alarmTypeRow = rowOfKeyword(alarmTypeRows(), app.prefAlarmType).value_or(0);
    for (size_t k = 0; k < 4; ++k) {
        if (std::optional<int> row = fontRowOf(families, app.fontName[k]))
            v.fontNames[k] = families[static_cast<size_t>(*row)];
        v.fontSizeTexts[k] = Str(static_cast<int64_t>(app.fontSize[k]));
    }
    v.fastProof = app.isFastProof;
    v.autoWorkFrow = app.isAutoWorkFrow;
    v.logging = app.isLogging;
    return v;
}

void storeValues(const PreferenceValues& v, AppState& app, const std::function<void()>& betweenSlots)
{
    app.prefExtension = joinTemplate(v.templateFields);
    app.prefCreator = singleLine(v.creator);
    app.prefFileType = singleLine(v.fileType);
    app.prefFileExtension = singleLine(v.fileExtension);
    app.prefSaveType = saveTypeOf(v.saveRadio);
    app.prefSavePlace = v.savePlace;
    if (std::optional<std::string> k = keywordOfRow(alarmFileRows(), v.alarmFileRow))
        app.prefAlarmFile = *k;
    if (std::optional<std::string> k = keywordOfRow(alarmChangeRows(), v.alarmChangeRow))
        app.prefAlarmChange = *k;
    if (std::optional<std::string> k = keywordOfRow(alarmTypeRows(), v.alarmTypeRow))
        app.prefAlarmType = *k;
    for (size_t k = 0; k < 4; ++k) {
        if (v.fontNames[k])
            app.fontName[k] = *v.fontNames[k];
        app.fontSize[k] = fontSizeOf(v.fontSizeTexts[k]);
        if (betweenSlots)
            betweenSlots();
    }
    app.isFastProof = v.fastProof;
    app.isAutoWorkFrow = v.autoWorkFrow;
    app.isLogging = v.logging;
}

} // namespace tv
