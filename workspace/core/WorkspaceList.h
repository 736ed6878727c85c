#pragma once
// The rows of one workspace list as an item model: the dictionary list (one
// column, the names) or the file list (the shown name and the hidden path
// column). It carries the list's editing: adding, the Backspace walk,
// reordering by drag, and every drop it takes. A view shows it; the window
// marks itself modified when an edit reports a change.

#include "app/core/AppState.h"
#include "workspace/core/WorkspaceRows.h"

#include <QAbstractTableModel>
#include <QMimeData>

#include <functional>
#include <string>
#include <vector>

namespace tv {

// The rows the Backspace walk removes, as the index each has when it is
// removed: with exactly one row selected that row; otherwise the rows are
// walked from row 0, a selected row being removed and the walk staying at
// its index. Indexes past the last row are not rows and are passed over.
std::vector<int> removalWalk(int rowCount, const std::vector<int>& selected);

class WorkspaceListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum class Kind { Dictionaries, Files };
    enum Role { PathRole = Qt::UserRole + 1, PictureRole };

    explicit WorkspaceListModel(Kind kind, QObject* parent = nullptr);
    ~WorkspaceListModel() override;

    Kind kind() const { return kind_; }
    // The heading of the first column: "校正に使う辞書" or
    // "校正待ちファイル／フォルダ".
    QString heading() const;
    // The payload flavour this list takes: kDictPayloadMime or kFilePayloadMime.
    const char* payloadMime() const;

    // The rows, top to bottom.
    int count() const { return static_cast<int>(rows_.size()); }
    const std::vector<WorkspaceRow>& rows() const { return rows_; }
    const WorkspaceRow& row(int index) const;
    // Column 0 of every row.
    std::vector<std::string> names() const;
    // The hidden column of every row.
    std::vector<std::string> paths() const;

    void setRows(std::vector<WorkspaceRow> rows);
    void appendRow(WorkspaceRow row);
    // At a row number from 0 to count() (count() appends).
    void insertRowAt(int index, WorkspaceRow row);
    void removeRowAt(int index);
    // Backspace: removes the selected rows by removalWalk, yielding once per
    // step. Returns how many were removed.
    int removeSelected(const std::vector<int>& selected);
    // Moves whole rows (name, path and picture), in their order, so that they
    // stand where the drop row was among the other rows. Returns the row the
    // first of them now stands at.
    int moveRowsTo(const std::vector<int>& rows, int dropRow);

    // What the window draws for a row's picture (its icon); without one the
    // model gives no decoration.
    using PictureProvider = std::function<QVariant(RowPicture)>;
    void setPictureProvider(PictureProvider provider);

    struct DropOutcome {
        // The list took the drop; the window is then marked modified, also
        // when no row was added.
        bool accepted = false;
        int added = 0;
        int removed = 0;
        // Rows moved inside the list by a reorder.
        int moved = 0;
        // Names or paths refused for holding TAB, CR or LF (already reported).
        std::vector<std::string> refused;
    };
    // Whether the list takes what a drag carries: its own reordered rows, its
    // payload flavour, or desktop items of which at least one is one it takes
    // (dictionary files on the dictionary list; any file or folder on the file
    // list).
    bool acceptsDrop(const QMimeData& data) const;
    // Takes a drop at dropRow (see dropRow() in WorkspaceDrops.h).
    // - Rows dragged inside this list move there as whole rows.
    // - Payload entries are inserted at the drop row in order; the drop is a
    //   move, removing the selected rows (the drag's source rows), only when
    //   the drag started in this very list (fromThisList).
    // - Desktop items: on the dictionary list, the dictionary files among
    //   them are inserted at the drop row by their names; on the file list,
    //   they are appended at the end, as file rows when the input filter
    //   accepts them, else as folder rows when they are folders.
    // Rows whose name or path cannot be stored are refused and reported.
    DropOutcome drop(const QMimeData& data, int dropRow, bool fromThisList, const std::vector<int>& selected,
        AppState& app);

    // Item model.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    // The drag of rows from this list: only this list takes it.
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
        const QModelIndex& parent) const override;
    // Drops go through drop(), which knows the pointer's row and the source;
    // the view's own placing is not used.
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
        const QModelIndex& parent) override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;

private:
    bool isOwnRowDrag(const QMimeData& data) const;
    std::vector<int> draggedRows(const QMimeData& data) const;
    bool takesDesktopItem(const FolderItem& item) const;
    void dropPayload(const std::string& bytes, int dropRow, bool fromThisList, const std::vector<int>& selected,
        DropOutcome& outcome);
    void dropDesktopItems(const std::string& uriList, int dropRow, AppState& app, DropOutcome& outcome);

    Kind kind_;
    std::vector<WorkspaceRow> rows_;
    PictureProvider pictures_;
    // Names this model's row drags, so that no other list takes them.
    std::string dragToken_;
};

} // namespace tv
