#include "dictionary/core/RuleListModel.h"

#include <QMimeData>

#include <algorithm>
#include <set>
#include <utility>

#include "dictionary/core/RuleDrag.h"
#include "dictionary/core/RuleFields.h"
#include "platform/core/Errors.h"

namespace tv {

DictionaryRule newDictionaryRule()
{
    return {{}, {}, std::string(RuleOptions::newRule), {}};
}

RuleListModel::RuleListModel(QObject* parent) : QAbstractTableModel(parent) {}

bool RuleListModel::validCell(int row, int column) const
{
    return row >= 0 && row < ruleCount() && column >= 0 && column < ruleColumnCount;
}

const DictionaryRule& RuleListModel::rule(int row) const
{
    if (row < 0 || row >= ruleCount())
        throw OutOfBoundsException("no rule at row " + std::to_string(row));
    return rules_[size_t(row)];
}

const std::string& RuleListModel::cell(int row, int column) const
{
    if (!validCell(row, column))
        throw OutOfBoundsException("no cell at " + std::to_string(row) + "," + std::to_string(column));
    const DictionaryRule& r = rules_[size_t(row)];
    switch (column) {
    case SearchColumn: return r.search;
    case ReplacementColumn: return r.replacement;
    case OptionsColumn: return r.options;
    default: return r.comment;
    }
}

std::string& RuleListModel::cellRef(int row, int column)
{
    return const_cast<std::string&>(std::as_const(*this).cell(row, column));
}

bool RuleListModel::setCell(int row, int column, std::string stored)
{
    if (!validCell(row, column))
        return false;
    std::string& c = cellRef(row, column);
    if (c == stored)
        return true;
    c = std::move(stored);
    const QModelIndex i = index(row, column);
    emit dataChanged(i, i);
    return true;
}

void RuleListModel::setRules(std::vector<DictionaryRule> rules)
{
    beginResetModel();
    rules_ = std::move(rules);
    editable_.assign(rules_.size(), 0);
    endResetModel();
}

void RuleListModel::insertRules(int row, std::vector<DictionaryRule> rules)
{
    if (rules.empty())
        return;
    row = std::clamp(row, 0, ruleCount());
    const int count = int(rules.size());
    beginInsertRows({}, row, row + count - 1);
    rules_.insert(rules_.begin() + row, std::make_move_iterator(rules.begin()), std::make_move_iterator(rules.end()));
    editable_.insert(editable_.begin() + row, size_t(count), 0);
    endInsertRows();
}

int RuleListModel::appendRule(DictionaryRule rule)
{
    const int row = ruleCount();
    std::vector<DictionaryRule> one;
    one.push_back(std::move(rule));
    insertRules(row, std::move(one));
    return row;
}

bool RuleListModel::removeRules(int row, int count)
{
    if (row < 0 || count < 1 || row + count > ruleCount())
        return false;
    beginRemoveRows({}, row, row + count - 1);
    rules_.erase(rules_.begin() + row, rules_.begin() + row + count);
    editable_.erase(editable_.begin() + row, editable_.begin() + row + count);
    endRemoveRows();
    return true;
}

bool RuleListModel::moveRules(int row, int count, int destination)
{
    if (row < 0 || count < 1 || row + count > ruleCount() || destination < 0 || destination > ruleCount())
        return false;
    // Onto itself or just below itself: no move (and Qt refuses it).
    if (destination >= row && destination <= row + count)
        return false;
    beginMoveRows({}, row, row + count - 1, {}, destination);
    auto first = rules_.begin() + row;
    auto last = first + count;
    auto efirst = editable_.begin() + row;
    auto elast = efirst + count;
    if (destination < row) {
        std::rotate(rules_.begin() + destination, first, last);
        std::rotate(editable_.begin() + destination, efirst, elast);
    } else {
        std::rotate(first, last, rules_.begin() + destination);
        std::rotate(efirst, elast, editable_.begin() + destination);
    }
    endMoveRows();
    return true;
}

bool RuleListModel::isCellEditable(int row, int column) const
{
    if (row < 0 || row >= ruleCount() || (column != SearchColumn && column != ReplacementColumn))
        return false;
    return editable_[size_t(row)] & (1u << column);
}

bool RuleListModel::setCellEditable(int row, int column, bool editable)
{
    if (row < 0 || row >= ruleCount() || (column != SearchColumn && column != ReplacementColumn))
        return false;
    const uint8_t bit = uint8_t(1u << column);
    const uint8_t before = editable_[size_t(row)];
    editable_[size_t(row)] = editable ? uint8_t(before | bit) : uint8_t(before & ~bit);
    if (editable_[size_t(row)] != before) {
        const QModelIndex i = index(row, column);
        emit dataChanged(i, i, {});
    }
    return true;
}

void RuleListModel::setRowNormal(int row)
{
    setCellEditable(row, SearchColumn, false);
    setCellEditable(row, ReplacementColumn, false);
}

int RuleListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ruleCount();
}

int RuleListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ruleColumnCount;
}

QVariant RuleListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !validCell(index.row(), index.column()))
        return {};
    const std::string& c = cell(index.row(), index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return shownFieldText(c);
    case StoredRole:
        return QByteArray(c.data(), qsizetype(c.size()));
    default:
        return {};
    }
}

bool RuleListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || !validCell(index.row(), index.column()))
        return false;
    const int row = index.row();
    const int column = index.column();
    if (role == StoredRole) {
        const QByteArray bytes = value.toByteArray();
        return setCell(row, column, std::string(bytes.constData(), size_t(bytes.size())));
    }
    if (role != Qt::EditRole || (column != SearchColumn && column != ReplacementColumn))
        return false;
    setCell(row, column, storedFieldText(value.toString()));
    emit cellEdited(row, column);
    return true;
}

QVariant RuleListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case SearchColumn: return QStringLiteral("検索文字列");
    case ReplacementColumn: return QStringLiteral("置換文字列");
    case OptionsColumn:
    case CommentColumn: return QString();
    default: return {};
    }
}

Qt::ItemFlags RuleListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled |
                      Qt::ItemNeverHasChildren;
    if (isCellEditable(index.row(), index.column()))
        f |= Qt::ItemIsEditable;
    return f;
}

bool RuleListModel::insertRows(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() || row < 0 || row > ruleCount() || count < 1)
        return false;
    insertRules(row, std::vector<DictionaryRule>(size_t(count), newDictionaryRule()));
    return true;
}

bool RuleListModel::removeRows(int row, int count, const QModelIndex& parent)
{
    return !parent.isValid() && removeRules(row, count);
}

bool RuleListModel::moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                             const QModelIndex& destinationParent, int destinationChild)
{
    return !sourceParent.isValid() && !destinationParent.isValid() && moveRules(sourceRow, count, destinationChild);
}

QStringList RuleListModel::mimeTypes() const
{
    return {QString::fromLatin1(wordMimeType.data(), qsizetype(wordMimeType.size()))};
}

QMimeData* RuleListModel::mimeData(const QModelIndexList& indexes) const
{
    std::set<int> rows;
    for (const QModelIndex& i : indexes) {
        if (i.isValid() && i.row() < ruleCount())
            rows.insert(i.row());
    }
    std::vector<DictionaryRule> dragged;
    for (int r : rows)
        dragged.push_back(rules_[size_t(r)]);
    return makeWordMimeData(encodeWordPayload(payloadTitle_, dragged));
}

bool RuleListModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int, const QModelIndex&) const
{
    return wordPayload(data).has_value();
}

bool RuleListModel::dropMimeData(const QMimeData*, Qt::DropAction, int, int, const QModelIndex&)
{
    // The list carries out drops itself, at the row its geometry gives.
    return false;
}

Qt::DropActions RuleListModel::supportedDragActions() const
{
    return Qt::CopyAction | Qt::MoveAction;
}

Qt::DropActions RuleListModel::supportedDropActions() const
{
    return Qt::CopyAction | Qt::MoveAction;
}

int makeCellEditableAt(RuleListModel& model, int lastInlineCell, int selectedRow, double x, double listWidth)
{
    if (lastInlineCell >= 0 && lastInlineCell < model.ruleCount())
        model.setRowNormal(lastInlineCell);
    if (selectedRow < 0 || selectedRow >= model.ruleCount())
        return -1;
    model.setCellEditable(selectedRow, inPlaceEditColumn(x, listWidth), true);
    return selectedRow;
}

} // namespace tv
