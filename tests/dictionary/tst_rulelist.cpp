// The rule list model: cells as stored bytes, bulk insertion, insert, remove
// and move with a selection model following its row, editing in place; and
// dragging rules: the payload, the drop row from row geometry, and the drop
// (the K, L, M, N moves, a copy between two editors).

#include "support/Files.h"

#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "dictionary/core/DictionaryFile.h"
#include "dictionary/core/RuleDrag.h"
#include "dictionary/core/RuleListModel.h"
#include "platform/core/Errors.h"

using namespace tv;

namespace {

std::string str(const QByteArray& b) { return std::string(b.constData(), size_t(b.size())); }

// A rule whose four texts derive from its name.
DictionaryRule named(const std::string& name)
{
    return {name, name + "'", "--------", name + " note"};
}

std::vector<DictionaryRule> namedRules(const QByteArray& names)
{
    std::vector<DictionaryRule> rules;
    for (char c : names)
        rules.push_back(named(std::string(1, c)));
    return rules;
}

// The search texts of the rows, joined: "KLMN".
QByteArray order(const RuleListModel& model)
{
    QByteArray out;
    for (const DictionaryRule& r : model.rules())
        out += QByteArray::fromStdString(r.search);
    return out;
}

std::vector<int> selectedRows(const QItemSelectionModel& selection)
{
    std::vector<int> rows;
    for (const QModelIndex& i : selection.selectedRows())
        rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void selectRow(QItemSelectionModel& selection, int row)
{
    const QAbstractItemModel* m = selection.model();
    selection.select(QItemSelection(m->index(row, 0), m->index(row, ruleColumnCount - 1)),
                     QItemSelectionModel::ClearAndSelect);
}

// A drag of the selected row of `from`, started on that row, dropped before
// row `target` of `to`.
void dragAndDrop(RuleListModel& from, QItemSelectionModel& fromSelection, RuleListModel& to,
                 QItemSelectionModel& toSelection, int target)
{
    std::vector<DictionaryRule> dragged;
    const std::vector<int> selected = selectedRows(fromSelection);
    for (int r : dragRows(selected.empty() ? 0 : selected.front(), selected))
        dragged.push_back(from.rule(r));
    std::unique_ptr<QMimeData> data(makeWordMimeData(encodeWordPayload(from.payloadTitle(), dragged)));
    const DropPlan plan = planDrop(wordPayload(data.get()), target, &from == &to, selectedRows(toSelection));
    QVERIFY(plan.accepted);
    applyDrop(to, plan);
}

// Rows of a uniform height from `first` on, starting at `top`.
std::vector<RowSpan> uniformRows(int first, int last, int top, int height)
{
    std::vector<RowSpan> spans;
    for (int r = first; r <= last; ++r)
        spans.push_back({r, top + (r - first) * height, height});
    return spans;
}

} // namespace

class TestRuleList : public QObject {
    Q_OBJECT

private slots:
    void cellsHoldStoredBytes();
    void headingsAndColumns();
    void bulkInsertion();
    void insertRemoveMove();
    void selectionFollowsItsRow();
    void editingInPlace();
    void doubleClickChoosesTheCell_data();
    void doubleClickChoosesTheCell();
    void payload_data();
    void payload();
    void dragCarriesOnlyThePayload();
    void foreignDataIsRefused();
    void dragRowsRule();
    void dropRow_data();
    void dropRow();
    void dropRowMatchesFixedMetrics();
    void moves_data();
    void moves();
    void copyBetweenEditors();
    void copyBetweenEditorsOfTheSameTitle();
    void dropEdgeCases();
    void tenThousandRules();
};

void TestRuleList::cellsHoldStoredBytes()
{
    RuleListModel model;
    model.appendRule({"a\\rb", "置換", "*-*-", "c\\td"});
    QCOMPARE(model.cell(0, SearchColumn), std::string("a\\rb"));
    QCOMPARE(model.cell(0, OptionsColumn), std::string("*-*-"));
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("a\\rb"));
    QCOMPARE(model.data(model.index(0, 1)).toString(), QStringLiteral("置換"));
    QCOMPARE(model.data(model.index(0, 3), RuleListModel::StoredRole).toByteArray(), QByteArray("c\\td"));

    // Bytes that are no text stay exactly as they are; positions count bytes.
    QVERIFY(model.setData(model.index(0, OptionsColumn), QByteArray("\xff*------"), RuleListModel::StoredRole));
    QCOMPARE(model.cell(0, OptionsColumn), std::string("\xff*------"));
    QVERIFY(RuleOptions::isOn(model.cell(0, OptionsColumn), 2));

    // A write signals only a change.
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QVERIFY(model.setCell(0, CommentColumn, "c\\td"));
    QCOMPARE(changed.count(), 0);
    QVERIFY(model.setCell(0, CommentColumn, "new"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex(), model.index(0, CommentColumn));

    QVERIFY(!model.setCell(1, 0, "x"));
    QVERIFY(!model.setCell(0, 4, "x"));
    QVERIFY_THROWS_EXCEPTION(OutOfBoundsException, model.cell(1, 0));
    QVERIFY_THROWS_EXCEPTION(OutOfBoundsException, model.rule(-1));
    QVERIFY(!model.data(model.index(3, 0)).isValid());
}

void TestRuleList::headingsAndColumns()
{
    RuleListModel model;
    QCOMPARE(model.columnCount(), 4);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("検索文字列"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("置換文字列"));
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QString());
    QCOMPARE(model.headerData(3, Qt::Horizontal).toString(), QString());
    QVERIFY(!model.headerData(0, Qt::Vertical).isValid());
    QCOMPARE(newDictionaryRule(), (DictionaryRule{"", "", "--------", ""}));
    for (int row : {0, 2, 4, 10})
        QVERIFY(isTintedRow(row));
    for (int row : {1, 3, 11})
        QVERIFY(!isTintedRow(row));
}

void TestRuleList::bulkInsertion()
{
    RuleListModel model;
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    model.insertRules(0, namedRules("ABCDE"));
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 0);
    QCOMPARE(inserted.at(0).at(2).toInt(), 4);
    model.insertRules(2, namedRules("xy"));
    QCOMPARE(order(model), QByteArray("ABxyCDE"));
    model.insertRules(99, namedRules("z")); // clamped to the end
    QCOMPARE(order(model), QByteArray("ABxyCDEz"));
    model.insertRules(3, {});
    QCOMPARE(inserted.count(), 3);

    model.setRules(namedRules("KLMN"));
    QCOMPARE(reset.count(), 1);
    QCOMPARE(inserted.count(), 3);
    QCOMPARE(order(model), QByteArray("KLMN"));
}

void TestRuleList::insertRemoveMove()
{
    RuleListModel model;
    model.setRules(namedRules("KLMN"));
    QCOMPARE(model.appendRule(newDictionaryRule()), 4);
    QCOMPARE(model.rule(4), newDictionaryRule());

    // Qt's own insertion makes new rules.
    QVERIFY(model.insertRows(1, 2));
    QCOMPARE(model.rule(1), newDictionaryRule());
    QCOMPARE(model.ruleCount(), 7);
    QVERIFY(!model.insertRows(8, 1));
    QVERIFY(model.removeRows(1, 2));
    QVERIFY(model.removeRules(4));
    QCOMPARE(order(model), QByteArray("KLMN"));
    QVERIFY(!model.removeRules(4));
    QVERIFY(!model.removeRules(3, 2));
    QVERIFY(!model.removeRules(-1));

    QSignalSpy moved(&model, &QAbstractItemModel::rowsMoved);
    QVERIFY(model.moveRules(0, 1, 3));
    QCOMPARE(order(model), QByteArray("LMKN"));
    QVERIFY(model.moveRules(3, 1, 0));
    QCOMPARE(order(model), QByteArray("NLMK"));
    QVERIFY(model.moveRows({}, 1, 2, {}, 4));
    QCOMPARE(order(model), QByteArray("NKLM"));
    QCOMPARE(moved.count(), 3);
    // Onto itself, just below itself, out of range: no move.
    QVERIFY(!model.moveRules(1, 1, 1));
    QVERIFY(!model.moveRules(1, 1, 2));
    QVERIFY(!model.moveRules(3, 2, 0));
    QVERIFY(!model.moveRules(0, 1, 5));
    QCOMPARE(order(model), QByteArray("NKLM"));
    QCOMPARE(moved.count(), 3);
}

void TestRuleList::selectionFollowsItsRow()
{
    RuleListModel model;
    model.setRules(namedRules("KLMN"));
    QItemSelectionModel selection(&model);
    selectRow(selection, 2); // M

    model.insertRules(0, namedRules("ab"));
    QCOMPARE(selectedRows(selection), std::vector<int>{4});
    model.insertRules(5, namedRules("c")); // after it: inserted rows are not selected
    QCOMPARE(selectedRows(selection), std::vector<int>{4});
    model.removeRules(0);
    QCOMPARE(selectedRows(selection), std::vector<int>{3});
    QCOMPARE(model.rule(3).search, std::string("M"));
    model.moveRules(3, 1, 0);
    QCOMPARE(selectedRows(selection), std::vector<int>{0});
    model.removeRules(0);
    QVERIFY(selectedRows(selection).empty());
}

void TestRuleList::editingInPlace()
{
    RuleListModel model;
    model.setRules(namedRules("KL"));
    const QModelIndex cell = model.index(1, SearchColumn);
    QVERIFY(!(model.flags(cell) & Qt::ItemIsEditable));
    QVERIFY(model.setCellEditable(1, SearchColumn, true));
    QVERIFY(model.flags(cell) & Qt::ItemIsEditable);
    QVERIFY(!(model.flags(model.index(1, ReplacementColumn)) & Qt::ItemIsEditable));
    QVERIFY(!(model.flags(model.index(0, SearchColumn)) & Qt::ItemIsEditable));
    QVERIFY(!model.setCellEditable(1, OptionsColumn, true));
    QVERIFY(!model.setCellEditable(1, CommentColumn, true));
    QVERIFY(!model.setCellEditable(2, SearchColumn, true));

    // The editor's text comes back in stored form, its line ends as CR first.
    QSignalSpy edited(&model, &RuleListModel::cellEdited);
    QCOMPARE(model.data(cell, Qt::EditRole).toString(), QStringLiteral("L"));
    QVERIFY(model.setData(cell, QStringLiteral("a\tb\r\nc\nd"), Qt::EditRole));
    QCOMPARE(model.cell(1, SearchColumn), std::string("a\\tb\\rc\\rd"));
    QCOMPARE(edited.count(), 1);
    QCOMPARE(edited.at(0).at(0).toInt(), 1);
    QCOMPARE(edited.at(0).at(1).toInt(), 0);
    // The end of an edit is reported also when the text is the same.
    QVERIFY(model.setData(cell, model.data(cell, Qt::EditRole), Qt::EditRole));
    QCOMPARE(model.cell(1, SearchColumn), std::string("a\\tb\\rc\\rd"));
    QCOMPARE(edited.count(), 2);
    // Options and comment are never edited in place.
    QVERIFY(!model.setData(model.index(1, OptionsColumn), QStringLiteral("********"), Qt::EditRole));
    QVERIFY(!model.setData(model.index(1, CommentColumn), QStringLiteral("x"), Qt::EditRole));
    QCOMPARE(edited.count(), 2);

    // The editable state travels with its row.
    model.insertRules(0, namedRules("z"));
    QVERIFY(model.isCellEditable(2, SearchColumn));
    QVERIFY(!model.isCellEditable(1, SearchColumn));
    model.setRowNormal(2);
    QVERIFY(!model.isCellEditable(2, SearchColumn));
}

void TestRuleList::doubleClickChoosesTheCell_data()
{
    QTest::addColumn<int>("lastInlineCell");
    QTest::addColumn<int>("selectedRow");
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("newLastInlineCell");
    QTest::addColumn<QByteArray>("editable"); // per row: "-" none, "0" or "1" the column

    QTest::newRow("search at 278") << -1 << 1 << 278.0 << 1 << QByteArray("-0-");
    QTest::newRow("replacement at 279") << -1 << 1 << 279.0 << 1 << QByteArray("-1-");
    QTest::newRow("earlier row back to normal") << 0 << 2 << 10.0 << 2 << QByteArray("--0");
    QTest::newRow("same row again, other side") << 2 << 2 << 400.0 << 2 << QByteArray("--1");
    QTest::newRow("no row selected") << 0 << -1 << 10.0 << -1 << QByteArray("---");
    QTest::newRow("stale row skipped") << 7 << 1 << 10.0 << 1 << QByteArray("-0-");
}

void TestRuleList::doubleClickChoosesTheCell()
{
    QFETCH(int, lastInlineCell);
    QFETCH(int, selectedRow);
    QFETCH(double, x);
    QFETCH(int, newLastInlineCell);
    QFETCH(QByteArray, editable);
    RuleListModel model;
    model.setRules(namedRules("KLM"));
    // What the earlier double-click left editable.
    if (lastInlineCell >= 0 && lastInlineCell < 3) {
        model.setCellEditable(lastInlineCell, 0, true);
        model.setCellEditable(lastInlineCell, 1, true);
    }
    QCOMPARE(makeCellEditableAt(model, lastInlineCell, selectedRow, x, 573.0), newLastInlineCell);
    for (int row = 0; row < 3; ++row) {
        const char want = editable.at(row);
        QCOMPARE(model.isCellEditable(row, 0), want == '0');
        QCOMPARE(model.isCellEditable(row, 1), want == '1');
    }
}

void TestRuleList::payload_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("title");
    QTest::addColumn<QByteArray>("rules"); // "search|replacement|options|comment" per line
    QTest::addColumn<bool>("roundTrip");   // encoding the decoded payload gives it back

    QTest::newRow("title and two rules") << QByteArray("辞書 \"a.dict\" の編集\rK\tK'\t*-------\tk\rL\t\t--------\t")
                                         << QByteArray("辞書 \"a.dict\" の編集")
                                         << QByteArray("K|K'|*-------|k\nL||--------|") << true;
    QTest::newRow("title alone") << QByteArray("T") << QByteArray("T") << QByteArray() << true;
    QTest::newRow("empty title alone") << QByteArray() << QByteArray() << QByteArray() << true;
    QTest::newRow("empty title, one rule") << QByteArray("\ra\tb\tc\td") << QByteArray() << QByteArray("a|b|c|d")
                                           << true;
    QTest::newRow("two fields") << QByteArray("T\ra\tb") << QByteArray("T") << QByteArray("a|b||") << false;
    QTest::newRow("six fields") << QByteArray("T\ra\tb\tc\td\te\tf") << QByteArray("T") << QByteArray("a|b|c|d")
                                << false;
    QTest::newRow("no TAB") << QByteArray("T\rword") << QByteArray("T") << QByteArray("word|||") << false;
    QTest::newRow("empty line") << QByteArray("T\r") << QByteArray("T") << QByteArray("|||") << false;
    QTest::newRow("escapes and flags as they come") << QByteArray("T\ra\\rb\tc\\td\t**\t")
                                                    << QByteArray("T") << QByteArray("a\\rb|c\\td|**|") << true;
}

void TestRuleList::payload()
{
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, title);
    QFETCH(QByteArray, rules);
    QFETCH(bool, roundTrip);
    const WordPayload decoded = decodeWordPayload(str(payload));
    QCOMPARE(QByteArray::fromStdString(decoded.title), title);
    QByteArrayList lines;
    for (const DictionaryRule& r : decoded.rules)
        lines << QByteArray::fromStdString(r.search + '|' + r.replacement + '|' + r.options + '|' + r.comment);
    QCOMPARE(lines.join('\n'), rules);
    if (roundTrip)
        QCOMPARE(QByteArray::fromStdString(encodeWordPayload(decoded.title, decoded.rules)), payload);
}

void TestRuleList::dragCarriesOnlyThePayload()
{
    RuleListModel model;
    model.setRules(namedRules("KLMN"));
    model.setPayloadTitle("辞書 \"k.dict\" の編集");
    QCOMPARE(model.mimeTypes(), QStringList{QStringLiteral("application/x-tesvora-word")});
    // Every cell of rows 2 and 0 (a view hands out each selected cell).
    QModelIndexList indexes;
    for (int column = 0; column < ruleColumnCount; ++column)
        indexes << model.index(2, column) << model.index(0, column);
    std::unique_ptr<QMimeData> data(model.mimeData(indexes));
    QCOMPARE(data->formats(), QStringList{QStringLiteral("application/x-tesvora-word")});
    QVERIFY(!data->hasText());
    QCOMPARE(*wordPayload(data.get()),
             std::string("辞書 \"k.dict\" の編集\rK\tK'\t--------\tK note\rM\tM'\t--------\tM note"));
    QVERIFY(model.canDropMimeData(data.get(), Qt::MoveAction, -1, -1, {}));
    // Drops are the list's own: the model carries none out.
    QVERIFY(!model.dropMimeData(data.get(), Qt::MoveAction, 1, 0, {}));
    QCOMPARE(order(model), QByteArray("KLMN"));

    std::unique_ptr<QMimeData> none(model.mimeData({}));
    QCOMPARE(*wordPayload(none.get()), std::string("辞書 \"k.dict\" の編集"));
}

void TestRuleList::foreignDataIsRefused()
{
    RuleListModel model;
    model.setRules(namedRules("KL"));
    QMimeData text;
    text.setText(QStringLiteral("T\ra\tb"));
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.dict"))});
    for (const QMimeData* data : {static_cast<const QMimeData*>(&text), static_cast<const QMimeData*>(&files)}) {
        QVERIFY(!wordPayload(data));
        QVERIFY(!model.canDropMimeData(data, Qt::CopyAction, -1, -1, {}));
        const DropPlan plan = planDrop(wordPayload(data), 1, false, {});
        QVERIFY(!plan.accepted);
        applyDrop(model, plan);
        QCOMPARE(order(model), QByteArray("KL"));
    }
    QVERIFY(!wordPayload(nullptr));
}

void TestRuleList::dragRowsRule()
{
    QCOMPARE(dragRows(2, {2}), std::vector<int>{2});
    QCOMPARE(dragRows(3, {2}), std::vector<int>{3}); // the row the drag started on
    QCOMPARE(dragRows(3, {}), std::vector<int>{});
    QCOMPARE(dragRows(0, {4, 1, 4}), (std::vector<int>{1, 4}));
}

void TestRuleList::dropRow_data()
{
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<int>("firstVisible");
    QTest::addColumn<int>("visibleCount");
    QTest::addColumn<int>("expected");

    // Rows 15 high below an 18-high heading, as the list's own coordinates.
    QTest::newRow("scrolled: 1 pixel into row 12") << 49 << 40 << 10 << 14 << 12;
    QTest::newRow("scrolled: top of row 10") << 18 << 40 << 10 << 14 << 10;
    QTest::newRow("scrolled: last pixel of row 10") << 32 << 40 << 10 << 14 << 10;
    QTest::newRow("scrolled: on the heading") << 5 << 40 << 10 << 14 << 10;
    QTest::newRow("scrolled: far above") << -300 << 40 << 10 << 14 << 10;
    QTest::newRow("four rows: below the last") << 18 + 4 * 15 + 3 << 4 << 0 << 4 << 4;
    QTest::newRow("four rows: on the last") << 18 + 3 * 15 + 14 << 4 << 0 << 4 << 3;
    QTest::newRow("four rows: on the heading") << 2 << 4 << 0 << 4 << 0;
    QTest::newRow("empty list") << 30 << 0 << 0 << 0 << 0;
}

void TestRuleList::dropRow()
{
    QFETCH(int, y);
    QFETCH(int, rowCount);
    QFETCH(int, firstVisible);
    QFETCH(int, visibleCount);
    QFETCH(int, expected);
    const auto spans = visibleCount ? uniformRows(firstVisible, firstVisible + visibleCount - 1, 18, 15)
                                    : std::vector<RowSpan>{};
    QCOMPARE(tv::dropRow(y, rowCount, spans), expected);
}

void TestRuleList::dropRowMatchesFixedMetrics()
{
    // On the rows (not the heading) the real geometry at 18 and 15 gives what
    // ((y - 18) / 15 + first visible row), truncated and clamped, gives.
    for (int first : {0, 10}) {
        const int rowCount = first + 6;
        const auto spans = uniformRows(first, rowCount - 1, 18, 15);
        for (int y = 18; y < 18 + 15 * 10; ++y) {
            int t = int(std::trunc(double(y - 18) / 15.0 + first));
            if (t > rowCount)
                t = rowCount;
            QCOMPARE(tv::dropRow(y, rowCount, spans), t);
        }
    }
    // Rows of different heights and a one-pixel gap between rows 1 and 2.
    const std::vector<RowSpan> uneven = {{0, 0, 20}, {1, 20, 10}, {2, 31, 30}};
    QCOMPARE(tv::dropRow(19, 3, uneven), 0);
    QCOMPARE(tv::dropRow(29, 3, uneven), 1);
    QCOMPARE(tv::dropRow(30, 3, uneven), 2);
    QCOMPARE(tv::dropRow(60, 3, uneven), 2);
    QCOMPARE(tv::dropRow(61, 3, uneven), 3);
}

void TestRuleList::moves_data()
{
    QTest::addColumn<int>("dragged");
    QTest::addColumn<int>("target");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("K onto M") << 0 << 2 << QByteArray("LKMN");
    QTest::newRow("N onto L") << 3 << 1 << QByteArray("KNLM");
    QTest::newRow("L below the last row") << 1 << 4 << QByteArray("KMNL");
    QTest::newRow("K onto K") << 0 << 0 << QByteArray("KLMN");
    QTest::newRow("K onto L") << 0 << 1 << QByteArray("KLMN");
    QTest::newRow("M onto N") << 2 << 3 << QByteArray("KLMN");
    QTest::newRow("M below the last row") << 2 << 4 << QByteArray("KLNM");
}

void TestRuleList::moves()
{
    QFETCH(int, dragged);
    QFETCH(int, target);
    QFETCH(QByteArray, after);
    RuleListModel model;
    model.setRules(namedRules("KLMN"));
    model.setPayloadTitle("辞書 \"k.dict\" の編集");
    QItemSelectionModel selection(&model);
    selectRow(selection, dragged);
    dragAndDrop(model, selection, model, selection, target);
    QCOMPARE(order(model), after);
    // Each rule is there once, whole, and no row stays selected.
    for (const DictionaryRule& r : model.rules())
        QCOMPARE(r, named(r.search));
    QVERIFY(selectedRows(selection).empty());
}

void TestRuleList::copyBetweenEditors()
{
    RuleListModel x;
    x.setRules(namedRules("KLMN"));
    x.setPayloadTitle("辞書 \"x.dict\" の編集");
    QItemSelectionModel xSelection(&x);
    selectRow(xSelection, 1); // L
    RuleListModel y;
    y.setRules(namedRules("abc"));
    y.setPayloadTitle("辞書 \"y.dict\" の編集");
    QItemSelectionModel ySelection(&y);
    selectRow(ySelection, 2); // c

    QSignalSpy xChanged(&x, &QAbstractItemModel::rowsRemoved);
    dragAndDrop(x, xSelection, y, ySelection, 1);
    QCOMPARE(order(y), QByteArray("aLbc"));
    QCOMPARE(y.rule(1), named("L"));
    // The target's selection stays on its row, under the new number.
    QCOMPARE(selectedRows(ySelection), std::vector<int>{3});
    // The source keeps its rows and its selection.
    QCOMPARE(order(x), QByteArray("KLMN"));
    QCOMPARE(selectedRows(xSelection), std::vector<int>{1});
    QCOMPARE(xChanged.count(), 0);

    // Several rules go in their order.
    const DropPlan plan = planDrop(encodeWordPayload("other", namedRules("PQ")), 4, false, selectedRows(ySelection));
    QCOMPARE(plan.insertRow, 4);
    QVERIFY(plan.removeRows.empty());
    applyDrop(y, plan);
    QCOMPARE(order(y), QByteArray("aLbcPQ"));
}

void TestRuleList::copyBetweenEditorsOfTheSameTitle()
{
    // Two editors on missing files both have the empty title, as "A.dict" and
    // "a.dict" differ by case alone: only the drag's own list makes a move.
    RuleListModel x;
    x.setRules(namedRules("KLMN"));
    QItemSelectionModel xSelection(&x);
    selectRow(xSelection, 0);
    RuleListModel y;
    y.setRules(namedRules("ab"));
    QItemSelectionModel ySelection(&y);
    selectRow(ySelection, 0); // a, which a move would remove
    dragAndDrop(x, xSelection, y, ySelection, 2);
    QCOMPARE(order(y), QByteArray("abK"));
    QCOMPARE(order(x), QByteArray("KLMN"));
    QCOMPARE(selectedRows(ySelection), std::vector<int>{0});
}

void TestRuleList::dropEdgeCases()
{
    // The title alone, dropped on its own list, inserts and removes nothing,
    // even with a row selected; it still counts as a drop.
    DropPlan plan = planDrop(std::string("T"), 1, true, {2});
    QVERIFY(plan.accepted);
    QVERIFY(plan.rules.empty());
    QVERIFY(plan.removeRows.empty());

    // A move of several rows: the originals are numbered after the insertion.
    plan = planDrop(encodeWordPayload("T", namedRules("LN")), 2, true, {3, 1});
    QCOMPARE(plan.removeRows, (std::vector<int>{1, 5}));
    RuleListModel model;
    model.setRules(namedRules("KLMN"));
    applyDrop(model, plan);
    QCOMPARE(order(model), QByteArray("KLNM"));

    // Short and long payload lines, taken as they come.
    model.setRules(namedRules("K"));
    applyDrop(model, planDrop(std::string("T\ra\tb\ra\tb\tc\td\te\tf"), 0, false, {}));
    QCOMPARE(model.rule(0), (DictionaryRule{"a", "b", "", ""}));
    QCOMPARE(model.rule(1), (DictionaryRule{"a", "b", "c", "d"}));
    QCOMPARE(order(model), QByteArray("aaK"));
}

void TestRuleList::tenThousandRules()
{
    QTemporaryDir dir(test::fixtureTemplate("rulelist"));
    QVERIFY(dir.isValid());
    std::vector<DictionaryRule> rules;
    for (int i = 0; i < 10000; ++i)
        rules.push_back({"検索" + std::to_string(i), "置換\\r" + std::to_string(i), i % 3 ? "--------" : "*-*-----",
                         "注釈\\t" + std::to_string(i)});
    const FolderItem file = FolderItem::fromPath(dir.path().toStdString() + "/big.dict");
    const DictionaryFrame frame{40, 60, 700, 500};
    const std::string bytes = serializeDictionary(frame, rules);
    test::writeFile(file.path(), bytes);

    QElapsedTimer timer;
    timer.start();
    EditorDictionary read = readDictionaryFile(file);
    RuleListModel model;
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.insertRules(0, std::move(read.rules));
    const qint64 openMs = timer.elapsed();
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(model.ruleCount(), 10000);
    QCOMPARE(model.rules(), rules);

    timer.restart();
    const DictionarySaveResult saved = saveDictionaryFile(file, *read.frame, model.rules());
    const qint64 saveMs = timer.elapsed();
    QVERIFY2(saved, saved.error.c_str());
    QCOMPARE(file.readAll(), bytes);
    qInfo("10,000 rules: read into the model in %lld ms, saved in %lld ms", openMs, saveMs);
}

QTEST_GUILESS_MAIN(TestRuleList)
#include "tst_rulelist.moc"
