#include "dictionary/core/RuleDrag.h"

#include <QMimeData>

#include <algorithm>

#include "dictionary/core/RuleListModel.h"
#include "dictionary/core/StepYield.h"

namespace tv {

namespace {

QString mimeTypeName()
{
    return QString::fromLatin1(wordMimeType.data(), qsizetype(wordMimeType.size()));
}

// Fields 1 to 4 of a line split at TAB.
DictionaryRule ruleOfLine(std::string_view line)
{
    DictionaryRule rule;
    std::string* const cells[4] = {&rule.search, &rule.replacement, &rule.options, &rule.comment};
    size_t start = 0;
    for (int f = 0; f < 4; ++f) {
        const size_t tab = line.find('\t', start);
        *cells[f] = line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start);
        if (tab == std::string_view::npos)
            break;
        start = tab + 1;
    }
    return rule;
}

} // namespace

std::string encodeWordPayload(std::string_view title, const std::vector<DictionaryRule>& rules)
{
    std::string out(title);
    for (const DictionaryRule& r : rules) {
        out += '\r';
        out += r.search;
        out += '\t';
        out += r.replacement;
        out += '\t';
        out += r.options;
        out += '\t';
        out += r.comment;
        if (rules.size() > 1)
            yieldStep();
    }
    return out;
}

WordPayload decodeWordPayload(std::string_view payload)
{
    WordPayload result;
    size_t end = payload.find('\r');
    result.title = payload.substr(0, end);
    while (end != std::string_view::npos) {
        const size_t start = end + 1;
        end = payload.find('\r', start);
        result.rules.push_back(
            ruleOfLine(payload.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start)));
        yieldStep();
    }
    return result;
}

QMimeData* makeWordMimeData(std::string_view payload)
{
    auto* data = new QMimeData;
    data->setData(mimeTypeName(), QByteArray(payload.data(), qsizetype(payload.size())));
    return data;
}

std::optional<std::string> wordPayload(const QMimeData* data)
{
    if (!data || !data->hasFormat(mimeTypeName()))
        return std::nullopt;
    const QByteArray bytes = data->data(mimeTypeName());
    return std::string(bytes.constData(), size_t(bytes.size()));
}

std::vector<int> dragRows(int startRow, std::vector<int> selectedRows)
{
    if (selectedRows.size() == 1)
        return {startRow};
    std::sort(selectedRows.begin(), selectedRows.end());
    selectedRows.erase(std::unique(selectedRows.begin(), selectedRows.end()), selectedRows.end());
    return selectedRows;
}

DropPlan planDrop(const std::optional<std::string>& payload, int targetRow, bool fromThisList,
                  const std::vector<int>& selectedRows)
{
    DropPlan plan;
    if (!payload)
        return plan;
    plan.accepted = true;
    plan.insertRow = std::max(targetRow, 0);
    plan.rules = decodeWordPayload(*payload).rules;
    if (!fromThisList || plan.rules.empty())
        return plan;
    const int inserted = int(plan.rules.size());
    for (int s : selectedRows) {
        if (s < 0)
            continue;
        plan.removeRows.push_back(s >= plan.insertRow ? s + inserted : s);
    }
    std::sort(plan.removeRows.begin(), plan.removeRows.end());
    plan.removeRows.erase(std::unique(plan.removeRows.begin(), plan.removeRows.end()), plan.removeRows.end());
    return plan;
}

void applyDrop(RuleListModel& model, const DropPlan& plan)
{
    if (!plan.accepted)
        return;
    model.insertRules(plan.insertRow, plan.rules);
    for (auto it = plan.removeRows.rbegin(); it != plan.removeRows.rend(); ++it) {
        model.removeRules(*it, 1);
        yieldStep();
    }
}

int dropRow(int y, int rowCount, const std::vector<RowSpan>& visibleRows)
{
    // The first row whose bottom lies below the pointer: the row under it, the
    // first visible row when the pointer is above them all, the next row in a
    // gap between two.
    for (const RowSpan& span : visibleRows) {
        if (y < span.top + span.height)
            return std::clamp(span.row, 0, rowCount);
    }
    return rowCount;
}

} // namespace tv
