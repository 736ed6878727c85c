#include "proofing/ui/selectPallete.h"

#include "app/core/AppState.h"
#include "platform/core/Dispatch.h"
#include "platform/core/Text.h"
#include "proofing/ui/CheckText.h"
#include "proofing/ui/grepWindow.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTextBlock>
#include <QPlainTextEdit>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <functional>

namespace tv {

namespace {

const QColor kStripe(237, 243, 254);

QString qs(const std::string& s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The palette's line height: one row of the list, one digit of the column.
int lineHeight()
{
    return std::max(1, QFontMetrics(fontOfSlot(FontSlotCandidates)).lineSpacing());
}

// The list with the palette's keys and double click. The keys the palette
// acts on (the space bar, the digits, Return) stay away from the list's own
// handling, which would toggle, search or move the selection the palette has
// just made; every other key goes on to it (the arrows move the selection).
class CandidateList : public QTableWidget {
public:
    using QTableWidget::QTableWidget;
    std::function<bool(const std::string&)> keyDown;
    std::function<void(bool)> spaceBar;
    std::function<void()> doubleClick;
    std::function<void(int)> goToRow;

    void keyboardSearch(const QString&) override {}

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        // The keys move between rows only: the list never scrolls sideways,
        // which would cut every row. Home and End go to the first and last
        // row; the arrows up and down and the page keys are the list's own.
        switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
            event->accept();
            return;
        case Qt::Key_Home:
        case Qt::Key_End:
            if (goToRow)
                guarded([&] { goToRow(event->key() == Qt::Key_Home ? 0 : rowCount() - 1); });
            event->accept();
            return;
        default:
            break;
        }
        if (event->key() == Qt::Key_Space && spaceBar)
            guarded([&] { spaceBar(true); });
        const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        const std::string key = isReturn ? std::string(1, '\r') : event->text().toStdString();
        bool consumed = false;
        if (keyDown)
            guarded([&] { consumed = keyDown(key); });
        if (consumed)
            event->accept();
        else
            QTableWidget::keyPressEvent(event);
    }
    void keyReleaseEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && spaceBar)
            guarded([&] { spaceBar(false); });
        QTableWidget::keyReleaseEvent(event);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        QTableWidget::mouseDoubleClickEvent(event);
        if (doubleClick)
            guarded(doubleClick);
    }
};

} // namespace

selectPallete& selectPallete::instance()
{
    return SingleWindow<selectPallete>::get();
}

selectPallete* selectPallete::openInstance()
{
    return SingleWindow<selectPallete>::isOpen() ? SingleWindow<selectPallete>::existing() : nullptr;
}

selectPallete::selectPallete() : Window("selectPallete")
{
    // A floating palette over the confirmation window, without close box.
    grepWindow* over = grepWindow::openInstance();
    auto* w = new QWidget(over ? over->widget() : nullptr,
        Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    w->setWindowTitle(QStringLiteral("選択置換"));
    w->setFixedSize(220, 151);

    auto* digits = new QLabel(w);
    digits->setObjectName(QStringLiteral("selNumber"));
    digits->setTextFormat(Qt::PlainText);
    digits->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QString lines;
    for (int d = 0; d < visibleRows; ++d)
        lines += QString::number(d) + QLatin1Char('\n');
    digits->setText(lines);
    digits->setGeometry(3, 0, 14, 165);
    QPalette black = digits->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    digits->setPalette(black);

    auto* table = new CandidateList(w);
    table->setObjectName(QStringLiteral("selectList"));
    table->setColumnCount(2);
    table->horizontalHeader()->hide();
    table->verticalHeader()->hide();
    table->setShowGrid(false);
    table->setFrameShape(QFrame::NoFrame);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setDragEnabled(false);
    table->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    table->setWordWrap(false);
    table->setTextElideMode(Qt::ElideNone);
    table->setAttribute(Qt::WA_MacShowFocusRect, false);
    table->verticalHeader()->setMinimumSectionSize(1);
    table->horizontalHeader()->setMinimumSectionSize(1);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->setGeometry(digitColumn, 0, 220 - digitColumn, 152);
    table->keyDown = [this](const std::string& key) { return selectList_KeyDown(key); };
    table->spaceBar = [this](bool down) { spaceBar(down); };
    table->doubleClick = [this] { selectList_DoubleClick(); };
    table->goToRow = [this](int row) { setListIndex(row); };
    QObject::connect(table, &QTableWidget::itemSelectionChanged, table,
        [this] { guarded([this] { selectList_Change(); }); });

    setWidget(w);
    list_ = table;
    selNumber_ = digits;
    selectList_Open();
}

selectPallete::~selectPallete() = default;

QTableWidget* selectPallete::list() const
{
    return list_;
}

void selectPallete::selectList_Open()
{
    const QFont font = fontOfSlot(FontSlotCandidates);
    if (QTableWidget* t = list()) {
        t->setFont(font);
        t->verticalHeader()->setDefaultSectionSize(lineHeight());
    }
    if (QWidget* digits = selNumber_)
        digits->setFont(font);
}

void selectPallete::fill(const SelectList& rows)
{
    QTableWidget* t = list();
    QWidget* w = widget();
    if (!t || !w)
        return;
    w->hide();
    spaceDown_ = heldStep_ = false;
    t->clearSelection();
    t->setRowCount(0);
    const int n = static_cast<int>(rows.rows.size());
    const int h = lineHeight();
    t->verticalHeader()->setDefaultSectionSize(h);
    t->setRowCount(n);
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < 2; ++c) {
            const std::string& text = c == 0 ? rows.rows[static_cast<size_t>(r)].text : rows.rows[static_cast<size_t>(r)].note;
            auto* item = new QTableWidgetItem(qs(text));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            if (r % 2 == 0)
                item->setBackground(kStripe);
            t->setItem(r, c, item);
        }
        t->setRowHeight(r, h);
    }
    t->setColumnWidth(0, rows.width0);
    t->setColumnWidth(1, rows.width1);
    const int width = rows.width0 + rows.width1 + digitColumn;
    const int height = std::min(n, visibleRows) * h + 1;
    t->setVerticalScrollBarPolicy(n > visibleRows ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    w->setFixedSize(width, height);
    t->setGeometry(digitColumn, 0, width - digitColumn, height + 1);
    if (QWidget* digits = selNumber_)
        digits->setGeometry(3, 0, 14, std::max(165, visibleRows * h + h));
    t->scrollToTop();
    setListIndex(0);
}

int selectPallete::ListIndex() const
{
    QTableWidget* t = list();
    if (!t || !t->selectionModel())
        return -1;
    const QModelIndexList rows = t->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

std::string selectPallete::Text() const
{
    const int row = ListIndex();
    return row < 0 ? std::string() : cell(row, 0);
}

std::string selectPallete::cell(int row, int column) const
{
    QTableWidget* t = list();
    QTableWidgetItem* item = t ? t->item(row, column) : nullptr;
    return item ? item->text().toStdString() : std::string();
}

int selectPallete::ListCount() const
{
    QTableWidget* t = list();
    return t ? t->rowCount() : 0;
}

void selectPallete::setListIndex(int row)
{
    QTableWidget* t = list();
    if (!t)
        return;
    if (row >= 0 && row < t->rowCount()) {
        t->selectRow(row);
        t->scrollToItem(t->item(row, 0));
    } else {
        t->clearSelection();
    }
}

int selectPallete::ScrollPosition() const
{
    QTableWidget* t = list();
    if (!t)
        return 0;
    // The list scrolls a row at a time, so the scroll bar counts rows; the
    // row at the top edge would be the one above at the scroll's end, where
    // the last row lies flush with the bottom edge.
    const QScrollBar* bar = t->verticalScrollBar();
    return bar ? std::max(0, bar->value()) : 0;
}

int selectPallete::Left() const
{
    return widget() ? widget()->geometry().x() : 0;
}

int selectPallete::Top() const
{
    return widget() ? widget()->geometry().y() : 0;
}

int selectPallete::Width() const
{
    return widget() ? widget()->width() : 0;
}

int selectPallete::Height() const
{
    return widget() ? widget()->height() : 0;
}

void selectPallete::setPosition(int left, int top)
{
    // The frame's top goes there: where the window manager puts a title bar
    // above the palette, the bar too stays below the line it previews. The
    // content keeps the left edge, beside the insertion point.
    if (QWidget* w = widget()) {
        const int side = w->geometry().x() - w->frameGeometry().x();
        w->move(left - side, top);
    }
}

int selectPallete::frameHeight() const
{
    return widget() ? widget()->frameGeometry().height() : 0;
}

void selectPallete::focusList()
{
    if (QWidget* w = widget())
        w->activateWindow();
    if (QTableWidget* t = list())
        t->setFocus(Qt::OtherFocusReason);
}

void selectPallete::selectList_Change()
{
    grepWindow* g = grepWindow::openInstance();
    auto* box = g ? g->checkTextBox() : nullptr;
    const int row = ListIndex();
    if (!box || row < 0)
        return;
    CheckText& text = CheckText::of(box);
    const std::string shown = row > 0 ? Text() : g->selText;
    if (text.textAt(g->selStart, g->selLength) != shown)
        text.replace(g->selStart, g->selLength, shown);
    g->selLength = static_cast<int32_t>(Len(shown));
    text.mark(g->selStart, g->selLength);
    // The insertion point stays at the match, where the palette stands.
    text.setInsertionPoint(g->selStart);
}

void selectPallete::stepToNextRow()
{
    const int row = ListIndex();
    if (row < 0 || row + 1 >= ListCount())
        setListIndex(0);
    else
        setListIndex(row + 1);
}

bool selectPallete::selectList_KeyDown(const std::string& key)
{
    if (key == " ") {
        stepToNextRow();
        return true;
    }
    if (spaceDown_) {
        // Keys that come while the space bar is down step once, and the
        // palette then waits for the bar to come up.
        if (!heldStep_) {
            heldStep_ = true;
            stepToNextRow();
        }
        return true;
    }
    if (key.size() == 1 && key[0] >= '0' && key[0] <= '9') {
        setListIndex(ScrollPosition() + (key[0] - '0'));
        pushReplace();
        return true;
    }
    if (key == "\r") {
        pushReplace();
        return true;
    }
    return false;
}

void selectPallete::spaceBar(bool down)
{
    spaceDown_ = down;
    if (!down)
        heldStep_ = false;
}

void selectPallete::selectList_DoubleClick()
{
    if (ListIndex() >= 0)
        pushReplace();
}

void selectPallete::pushReplace()
{
    grepWindow* g = grepWindow::openInstance();
    if (auto* button = g ? g->replaceButton() : nullptr)
        button->click();
}

void moveSelectList(grepWindow& window)
{
    QPlainTextEdit* box = window.checkTextBox();
    if (!box)
        return;
    const QFont font = fontOfSlot(FontSlotConfirm);
    const QFontMetricsF metrics(font);
    const int h = std::max(1, QFontMetrics(font).lineSpacing());

    // The part of the insertion point's line that lies before it.
    const QTextCursor cursor = box->textCursor();
    const QTextBlock block = cursor.block();
    const int inBlock = cursor.position() - block.position();
    int lineStart = 0;
    if (QTextLayout* layout = block.layout()) {
        const QTextLine line = layout->lineForTextPosition(inBlock);
        if (line.isValid())
            lineStart = line.textStart();
    }
    const QString prefix = block.text().mid(lineStart, inBlock - lineStart);

    // The lines from the first visible one to the insertion point's.
    const QRect at = box->cursorRect(cursor);
    const QRect first = box->cursorRect(box->cursorForPosition(QPoint(0, 0)));
    const int lines = at.height() > 0 ? static_cast<int>(std::lround(double(at.top() - first.top()) / at.height())) : 0;

    selectPallete& palette = selectPallete::instance();
    int top = (lines + 1) * h + box->y() + window.Top() + 6;
    const int left = static_cast<int>(std::lround(metrics.horizontalAdvance(prefix) + box->x() + window.Left() + 15));
    const int bottom = window.Top() + box->y() + box->height();
    if (bottom < top + palette.frameHeight())
        top = bottom - palette.frameHeight() - 6 - h;
    palette.setPosition(left, top);
    palette.Show();
    // Once shown its frame is known (where the window manager has framed it
    // already): the same place again, by the frame.
    palette.setPosition(left, top);
}

} // namespace tv
