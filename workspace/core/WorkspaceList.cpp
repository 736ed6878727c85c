#include "workspace/core/WorkspaceList.h"

#include "platform/core/Errors.h"
#include "platform/core/FileTypes.h"
#include "platform/core/Thread.h"
#include "workspace/core/WorkspaceDrops.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <set>

namespace tv {

namespace {

QByteArray bytesOf(const std::string& s)
{
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

std::string stringOf(const QByteArray& b)
{
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

std::string makeDragToken()
{
    static std::atomic<unsigned> serial {0};
    return std::to_string(QCoreApplication::applicationPid()) + ":" + std::to_string(++serial);
}

// The sorted, distinct rows of a selection that are rows of a list of n.
std::vector<int> validRows(const std::vector<int>& rows, int n)
{
    std::set<int> s;
    for (int r : rows)
        if (r >= 0 && r < n)
            s.insert(r);
    return {s.begin(), s.end()};
}

// What a refusal names: the part that cannot be stored, the name first.
std::string refusedText(const WorkspaceRow& row)
{
    return isStorableText(row.name) ? row.path : row.name;
}

} // namespace

std::vector<int> removalWalk(int rowCount, const std::vector<int>& selected)
{
    std::vector<int> rows = validRows(selected, rowCount);
    if (rows.size() == 1)
        return rows;
    std::vector<bool> isSelected(static_cast<size_t>(std::max(rowCount, 0)), false);
    for (int r : rows)
        isSelected[static_cast<size_t>(r)] = true;
    std::vector<int> removed;
    int index = 0;
    while (index < static_cast<int>(isSelected.size())) {
        if (isSelected[static_cast<size_t>(index)]) {
            removed.push_back(index);
            isSelected.erase(isSelected.begin() + index);
        } else {
            ++index;
        }
    }
    return removed;
}

WorkspaceListModel::WorkspaceListModel(Kind kind, QObject* parent)
    : QAbstractTableModel(parent), kind_(kind), dragToken_(makeDragToken())
{
}

WorkspaceListModel::~WorkspaceListModel() = default;

QString WorkspaceListModel::heading() const
{
    return kind_ == Kind::Dictionaries ? QStringLiteral("校正に使う辞書") : QStringLiteral("校正待ちファイル／フォルダ");
}

const char* WorkspaceListModel::payloadMime() const
{
    return kind_ == Kind::Dictionaries ? kDictPayloadMime : kFilePayloadMime;
}

const WorkspaceRow& WorkspaceListModel::row(int index) const
{
    if (index < 0 || index >= count())
        throw OutOfBoundsException("no row " + std::to_string(index));
    return rows_[static_cast<size_t>(index)];
}

std::vector<std::string> WorkspaceListModel::names() const
{
    std::vector<std::string> out;
    out.reserve(rows_.size());
    for (const WorkspaceRow& r : rows_)
        out.push_back(r.name);
    return out;
}

std::vector<std::string> WorkspaceListModel::paths() const
{
    std::vector<std::string> out;
    out.reserve(rows_.size());
    for (const WorkspaceRow& r : rows_)
        out.push_back(r.path);
    return out;
}

void WorkspaceListModel::setRows(std::vector<WorkspaceRow> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void WorkspaceListModel::appendRow(WorkspaceRow row)
{
    insertRowAt(count(), std::move(row));
}

void WorkspaceListModel::insertRowAt(int index, WorkspaceRow row)
{
    if (index < 0 || index > count())
        throw OutOfBoundsException("no row " + std::to_string(index) + " to insert at");
    beginInsertRows(QModelIndex(), index, index);
    rows_.insert(rows_.begin() + index, std::move(row));
    endInsertRows();
}

void WorkspaceListModel::removeRowAt(int index)
{
    if (index < 0 || index >= count())
        throw OutOfBoundsException("no row " + std::to_string(index) + " to remove");
    beginRemoveRows(QModelIndex(), index, index);
    rows_.erase(rows_.begin() + index);
    endRemoveRows();
}

int WorkspaceListModel::removeSelected(const std::vector<int>& selected)
{
    const std::vector<int> order = removalWalk(count(), selected);
    for (int index : order) {
        removeRowAt(index);
        yieldToOthers();
    }
    return static_cast<int>(order.size());
}

int WorkspaceListModel::moveRowsTo(const std::vector<int>& rows, int dropRow)
{
    const std::vector<int> moving = validRows(rows, count());
    dropRow = std::clamp(dropRow, 0, count());
    int target = dropRow;
    for (int r : moving)
        if (r < dropRow)
            --target;
    if (moving.empty())
        return target;
    std::vector<WorkspaceRow> carried;
    carried.reserve(moving.size());
    for (auto it = moving.rbegin(); it != moving.rend(); ++it) {
        const int r = *it;
        carried.insert(carried.begin(), std::move(rows_[static_cast<size_t>(r)]));
        beginRemoveRows(QModelIndex(), r, r);
        rows_.erase(rows_.begin() + r);
        endRemoveRows();
    }
    const int last = target + static_cast<int>(carried.size()) - 1;
    beginInsertRows(QModelIndex(), target, last);
    rows_.insert(rows_.begin() + target, std::make_move_iterator(carried.begin()),
        std::make_move_iterator(carried.end()));
    endInsertRows();
    return target;
}

void WorkspaceListModel::setPictureProvider(PictureProvider provider)
{
    pictures_ = std::move(provider);
    if (!rows_.empty())
        emit dataChanged(index(0, 0), index(count() - 1, 0), {Qt::DecorationRole});
}

bool WorkspaceListModel::isOwnRowDrag(const QMimeData& data) const
{
    if (!data.hasFormat(QString::fromLatin1(kListRowsMime)))
        return false;
    const std::string bytes = stringOf(data.data(QString::fromLatin1(kListRowsMime)));
    return bytes.substr(0, bytes.find('\r')) == dragToken_;
}

std::vector<int> WorkspaceListModel::draggedRows(const QMimeData& data) const
{
    const Payload p = decodePayload(stringOf(data.data(QString::fromLatin1(kListRowsMime))));
    std::vector<int> rows;
    for (const std::string& e : p.entries) {
        bool ok = false;
        const int r = QByteArray::fromStdString(e).toInt(&ok);
        if (ok)
            rows.push_back(r);
    }
    return rows;
}

bool WorkspaceListModel::takesDesktopItem(const FolderItem& item) const
{
    if (!item.Exists())
        return false;
    if (kind_ == Kind::Dictionaries)
        return FileTypes::accepts(FileTypes::pDict().Name, item);
    return true;
}

bool WorkspaceListModel::acceptsDrop(const QMimeData& data) const
{
    if (data.hasFormat(QString::fromLatin1(kListRowsMime)))
        return isOwnRowDrag(data);
    if (data.hasFormat(QString::fromLatin1(payloadMime())))
        return true;
    if (data.hasFormat(QString::fromLatin1(kUriListMime))) {
        for (const FolderItem& item : localItemsOfUriList(stringOf(data.data(QString::fromLatin1(kUriListMime)))))
            if (takesDesktopItem(item))
                return true;
    }
    return false;
}

WorkspaceListModel::DropOutcome WorkspaceListModel::drop(const QMimeData& data, int dropRow, bool fromThisList,
    const std::vector<int>& selected, AppState& app)
{
    DropOutcome outcome;
    if (!acceptsDrop(data))
        return outcome;
    outcome.accepted = true;
    dropRow = std::clamp(dropRow, 0, count());
    if (data.hasFormat(QString::fromLatin1(kListRowsMime))) {
        const std::vector<int> rows = validRows(draggedRows(data), count());
        moveRowsTo(rows, dropRow);
        outcome.moved = static_cast<int>(rows.size());
    } else if (data.hasFormat(QString::fromLatin1(payloadMime()))) {
        dropPayload(stringOf(data.data(QString::fromLatin1(payloadMime()))), dropRow, fromThisList, selected, outcome);
    } else {
        dropDesktopItems(stringOf(data.data(QString::fromLatin1(kUriListMime))), dropRow, app, outcome);
    }
    reportUnstorable(outcome.refused);
    return outcome;
}

void WorkspaceListModel::dropPayload(const std::string& bytes, int dropRow, bool fromThisList,
    const std::vector<int>& selected, DropOutcome& outcome)
{
    const Payload payload = decodePayload(bytes);
    const std::vector<int> sources = validRows(selected, count());
    int at = dropRow;
    for (const std::string& entry : payload.entries) {
        WorkspaceRow row;
        if (kind_ == Kind::Dictionaries) {
            row = dictionaryRow(entry);
        } else {
            FileEntry e = splitFileEntry(entry);
            row = rowFromEntry(std::move(e.name), std::move(e.path));
        }
        if (!isStorableRow(row)) {
            outcome.refused.push_back(refusedText(row));
        } else {
            insertRowAt(at++, std::move(row));
            ++outcome.added;
        }
        yieldToOthers();
    }
    // A copy unless the drag started here; and a move that could not carry
    // every entry keeps its sources rather than lose them.
    if (!fromThisList || !outcome.refused.empty())
        return;
    // A move: the source rows are the rows still selected, each shifted by
    // the rows inserted before it.
    std::vector<int> shifted;
    for (int s : sources)
        shifted.push_back(s >= dropRow ? s + outcome.added : s);
    if (payload.fieldCount > 2) {
        outcome.removed = removeSelected(shifted);
    } else if (!shifted.empty()) {
        removeRowAt(shifted.front());
        outcome.removed = 1;
    }
}

void WorkspaceListModel::dropDesktopItems(const std::string& uriList, int dropRow, AppState& app,
    DropOutcome& outcome)
{
    int at = dropRow;
    for (const FolderItem& item : localItemsOfUriList(uriList)) {
        if (!takesDesktopItem(item)) {
            yieldToOthers();
            continue;
        }
        WorkspaceRow row;
        bool take = true;
        if (kind_ == Kind::Dictionaries)
            row = dictionaryRow(item.DisplayName());
        else if (app.fileFilter(item))
            row = fileRow(item);
        else if (item.Directory())
            row = folderRow(item);
        else
            take = false;
        if (take) {
            if (!isStorableRow(row)) {
                outcome.refused.push_back(refusedText(row));
            } else if (kind_ == Kind::Dictionaries) {
                insertRowAt(at++, std::move(row));
                ++outcome.added;
            } else {
                appendRow(std::move(row));
                ++outcome.added;
            }
        }
        yieldToOthers();
    }
}

int WorkspaceListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

int WorkspaceListModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return kind_ == Kind::Dictionaries ? 1 : 2;
}

QVariant WorkspaceListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const WorkspaceRow& r = rows_[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == 0)
            return QString::fromStdString(r.name);
        return QFile::decodeName(bytesOf(r.path));
    case Qt::DecorationRole:
        if (index.column() == 0 && pictures_ && r.picture != RowPicture::None)
            return pictures_(r.picture);
        return {};
    case PathRole:
        return QFile::decodeName(bytesOf(r.path));
    case PictureRole:
        return static_cast<int>(r.picture);
    default:
        return {};
    }
}

QVariant WorkspaceListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == 0 ? QVariant(heading()) : QVariant(QString());
}

Qt::ItemFlags WorkspaceListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

QStringList WorkspaceListModel::mimeTypes() const
{
    return {QString::fromLatin1(kListRowsMime), QString::fromLatin1(payloadMime()), QString::fromLatin1(kUriListMime)};
}

QMimeData* WorkspaceListModel::mimeData(const QModelIndexList& indexes) const
{
    std::vector<int> rows;
    for (const QModelIndex& i : indexes)
        if (i.isValid())
            rows.push_back(i.row());
    std::vector<std::string> entries;
    for (int r : validRows(rows, count()))
        entries.push_back(std::to_string(r));
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kListRowsMime), bytesOf(encodePayload(dragToken_, entries)));
    return data;
}

bool WorkspaceListModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int, const QModelIndex&) const
{
    return data && acceptsDrop(*data);
}

bool WorkspaceListModel::dropMimeData(const QMimeData*, Qt::DropAction, int, int, const QModelIndex&)
{
    return false;
}

Qt::DropActions WorkspaceListModel::supportedDropActions() const
{
    return Qt::CopyAction | Qt::MoveAction;
}

Qt::DropActions WorkspaceListModel::supportedDragActions() const
{
    return Qt::MoveAction;
}

} // namespace tv
