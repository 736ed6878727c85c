#pragma once
// The rule list of a dictionary editor as a table model: one row per rule,
// four cells holding the stored bytes (search, replacement, options,
// comment). The rows are the editor's whole copy of the dictionary; saving
// writes rules() in row order.
//
// A view shows the first two columns; the other two are kept zero wide. The
// model signals every insertion, removal and move by row, so a selection
// model over it keeps a selected row selected under its new number, and
// inserted rows are not selected.
//
// Editing in place: a cell is normal or editable, and only cells of columns 0
// and 1 are ever made editable. The view's editor reads the stored text and
// writes back through setData, which brings the text into stored form (CR
// line ends, then fixString) and raises cellEdited, whether or not the text
// changed.
//
// Drags carry the "word" payload alone (see RuleDrag.h): mimeData builds it
// from the rows of the indexes and payloadTitle(). Drops are not carried out
// by the model (dropMimeData refuses): the list computes the drop row from
// its row geometry and applies the plan of planDrop.

#include <QAbstractTableModel>

#include <cstdint>
#include <string>
#include <vector>

#include "dictionary/core/DictionaryFormat.h"

namespace tv {

enum RuleColumn : int {
    SearchColumn = 0,
    ReplacementColumn = 1,
    OptionsColumn = 2,
    CommentColumn = 3,
};
inline constexpr int ruleColumnCount = 4;

// A new rule: empty texts, every option off.
DictionaryRule newDictionaryRule();

// The painting of the list, as data: even rows (0, 2, 4, ...) by row number
// are tinted, and a line is drawn at the right edge of column 0 in every row.
inline constexpr bool isTintedRow(int row) { return row % 2 == 0; }
inline constexpr unsigned rowTintRgb = 0xEDF3FE;    // RGB(237,243,254)
inline constexpr unsigned columnLineRgb = 0xD9D9D9; // RGB(217,217,217)

class RuleListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The stored bytes of a cell, as a QByteArray (read and written).
    static constexpr int StoredRole = Qt::UserRole + 1;

    explicit RuleListModel(QObject* parent = nullptr);

    // --- The rules.
    int ruleCount() const { return int(rules_.size()); }
    const std::vector<DictionaryRule>& rules() const { return rules_; }
    const DictionaryRule& rule(int row) const;
    // A cell's stored text; column 0 to 3.
    const std::string& cell(int row, int column) const;
    // Stores the text as it is (it must be in stored form already). Signals a
    // change only when the bytes differ. Returns false for a cell that does
    // not exist.
    bool setCell(int row, int column, std::string stored);

    // Every rule anew, in one reset (a file read at opening).
    void setRules(std::vector<DictionaryRule> rules);
    // Rules inserted before `row` (0 to ruleCount()), in order, as one
    // insertion however many they are. The row is clamped into that range.
    void insertRules(int row, std::vector<DictionaryRule> rules);
    // A rule at the end; answers its row.
    int appendRule(DictionaryRule rule);
    // Removes `count` rules from `row`; false when they do not all exist.
    bool removeRules(int row, int count = 1);
    // Moves `count` rules from `row` to stand before `destination` (numbered
    // as before the move). False for a move that is no move or out of range.
    bool moveRules(int row, int count, int destination);

    // --- Editing in place.
    bool isCellEditable(int row, int column) const;
    // Columns 0 and 1 only; false for any other cell.
    bool setCellEditable(int row, int column, bool editable);
    // Both cells of the row back to normal (the end of an in-place edit).
    void setRowNormal(int row);

    // --- Drags.
    // Line 1 of the payload: the source editor's window title.
    const std::string& payloadTitle() const { return payloadTitle_; }
    void setPayloadTitle(std::string title) { payloadTitle_ = std::move(title); }

    // --- QAbstractItemModel.
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // EditRole: the in-place editor's text, in columns 0 and 1 only. StoredRole:
    // the bytes as they are, any column.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // New rows are new rules.
    bool insertRows(int row, int count, const QModelIndex& parent = {}) override;
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;
    bool moveRows(const QModelIndex& sourceParent, int sourceRow, int count, const QModelIndex& destinationParent,
                  int destinationChild) override;

    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;

signals:
    // An in-place edit of the cell has ended and its text is in the cell.
    void cellEdited(int row, int column);

private:
    bool validCell(int row, int column) const;
    std::string& cellRef(int row, int column);

    std::vector<DictionaryRule> rules_;
    // Per row: bit 0 set when column 0 is editable, bit 1 for column 1.
    std::vector<uint8_t> editable_;
    std::string payloadTitle_;
};

// The double-click on the list: the cells of row `lastInlineCell`, when it
// still names a row, go back to normal; then the selected row's cell under
// the pointer (inPlaceEditColumn) becomes editable. Answers the new
// lastInlineCell: the selected row, or -1 with none selected.
int makeCellEditableAt(RuleListModel& model, int lastInlineCell, int selectedRow, double x, double listWidth);

} // namespace tv
