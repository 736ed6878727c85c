// The candidate palette and the confirmation window's text, with real
// widgets and no pass: the rows and the size of the palette, every way of
// choosing a row, the preview in place, where the palette stands, and how
// the text box follows the pass's text through marks and replacements on
// texts with CR, CR LF, emoji and combining marks.

#include "app/core/AppState.h"
#include "proofing/core/SelectList.h"
#include "proofing/ui/CheckText.h"
#include "proofing/ui/grepWindow.h"
#include "proofing/ui/selectPallete.h"
#include "tst_interactive_marks.h"

#include "support/DocumentText.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <QTextBlock>
#include <QPlainTextEdit>

#include <memory>

using namespace tv;
using tv::test::asDocument;
using tv::test::qs;
using tv::test::markedRuns;

namespace {



QString plain(QPlainTextEdit* box)
{
    return box->toPlainText();
}

} // namespace

class TestInteractivePalette : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void rowsAndSize();
    void heightByRows_data();
    void heightByRows();
    void keys_data();
    void keys();
    void digitCountsFromTheFirstVisibleRow();
    void digitAtTheScrollEnd();
    void keysMoveBetweenRowsOnly_data();
    void keysMoveBetweenRowsOnly();
    void spaceHeldDown();
    void doubleClick();
    void previewInPlace();
    void placement();
    void textFollowsThePass_data();
    void textFollowsThePass();

private:
    QPlainTextEdit* box() { return grepWindow::instance().controlAs<QPlainTextEdit>("checkTextBox"); }
    QTableWidget* list() { return selectPallete::instance().controlAs<QTableWidget>("selectList"); }
    // Opens the confirmation window expanded for a candidate rule, with the
    // text loaded and the match recorded, and fills the palette.
    void showMatch(const std::string& text, int start, const std::string& match, const std::string& candidates,
                   const std::string& notes = {});
    bool pushed() { return state_->notifyClose && !state_->manualCancel; }

    std::unique_ptr<AppState> state_;
};

void TestInteractivePalette::init()
{
    state_ = std::make_unique<AppState>();
    state_->setDefaultSettings();
    registerAppState(state_.get());
    state_->isWorking = true;
    state_->isSelectRep = true;
}

void TestInteractivePalette::cleanup()
{
    state_->isWorking = false;
    if (selectPallete* p = selectPallete::openInstance())
        p->Close();
    if (grepWindow* g = grepWindow::openInstance())
        g->Close();
    QCoreApplication::processEvents();
    registerAppState(nullptr);
    state_.reset();
}

void TestInteractivePalette::showMatch(const std::string& text, int start, const std::string& match,
                                       const std::string& candidates, const std::string& notes)
{
    grepWindow& g = grepWindow::instance();
    g.applyForm(true, true);
    CheckText& t = CheckText::of(box());
    t.load(text, fontOfSlot(FontSlotConfirm));
    g.selStart = start;
    g.selLength = static_cast<int32_t>(QString::fromStdString(match).toUcs4().size());
    g.selText = match;
    t.setInsertionPoint(start);
    t.mark(start, g.selLength);
    selectPallete::instance().fill(makeSelectRows(candidates, match, notes));
    moveSelectList(g);
    selectPallete::instance().focusList();
    state_->notifyClose = false;
    state_->manualCancel = true;
}

void TestInteractivePalette::rowsAndSize()
{
    showMatch("xABCx", 1, "ABC", "a|b|c", "");
    selectPallete& p = selectPallete::instance();
    QCOMPARE(p.ListCount(), 4);
    QCOMPARE(p.cell(0, 0), std::string("ABC(置換しない)"));
    QCOMPARE(p.ListIndex(), 0);
    QCOMPARE(list()->columnWidth(0), 154);
    QCOMPARE(list()->columnWidth(1), 14);
    QCOMPARE(p.Width(), 192);
    QCOMPARE(p.Title(), std::string("選択置換"));
    QVERIFY(p.widget()->isVisible());
    // Even rows striped, odd rows left to the list.
    QCOMPARE(list()->item(0, 0)->background().color(), QColor(237, 243, 254));
    QCOMPARE(list()->item(2, 1)->background().color(), QColor(237, 243, 254));
    QCOMPARE(list()->item(1, 0)->background().style(), Qt::NoBrush);
    // The digits stand in the palette's font.
    QCOMPARE(p.control("selNumber")->font().pixelSize(), fontOfSlot(FontSlotCandidates).pixelSize());
}

void TestInteractivePalette::heightByRows_data()
{
    QTest::addColumn<int>("candidates");
    QTest::addColumn<int>("visible");
    QTest::addColumn<bool>("scrollBar");
    QTest::newRow("one") << 1 << 2 << false;
    QTest::newRow("nine") << 9 << 10 << false;
    QTest::newRow("ten") << 10 << 10 << true;
    QTest::newRow("thirty") << 30 << 10 << true;
}

void TestInteractivePalette::heightByRows()
{
    QFETCH(int, candidates);
    QFETCH(int, visible);
    QFETCH(bool, scrollBar);
    std::string list;
    for (int i = 0; i < candidates; ++i)
        list += (i ? "|c" : "c") + std::to_string(i);
    showMatch("m", 0, "m", list);
    const int h = QFontMetrics(fontOfSlot(FontSlotCandidates)).lineSpacing();
    QCOMPARE(selectPallete::instance().Height(), visible * h + 1);
    QCOMPARE(this->list()->verticalScrollBarPolicy(), scrollBar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TestInteractivePalette::keys_data()
{
    QTest::addColumn<QString>("keys"); // s space, n no row, r Return, digits
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("confirmed");
    QTest::newRow("space") << "s" << 1 << false;
    QTest::newRow("space to the last row") << "sss" << 3 << false;
    QTest::newRow("space on the last row") << "ssss" << 0 << false;
    QTest::newRow("space with no row") << "ns" << 0 << false;
    QTest::newRow("Return at once") << "r" << 0 << true;
    QTest::newRow("Return on a row") << "ssr" << 2 << true;
    QTest::newRow("digit") << "2" << 2 << true;
    QTest::newRow("digit 0") << "s0" << 0 << true;
    QTest::newRow("digit beyond the last row") << "s7" << -1 << true;
}

void TestInteractivePalette::keys()
{
    QFETCH(QString, keys);
    QFETCH(int, row);
    QFETCH(bool, confirmed);
    showMatch("m", 0, "m", "a|b|c");
    QTableWidget* l = list();
    for (QChar k : keys) {
        if (k == QLatin1Char('s'))
            QTest::keyClick(l, Qt::Key_Space);
        else if (k == QLatin1Char('r'))
            QTest::keyClick(l, Qt::Key_Return);
        else if (k == QLatin1Char('n'))
            selectPallete::instance().setListIndex(-1);
        else
            QTest::keyClick(l, k.toLatin1());
    }
    QCOMPARE(selectPallete::instance().ListIndex(), row);
    QCOMPARE(pushed(), confirmed);
}

void TestInteractivePalette::digitCountsFromTheFirstVisibleRow()
{
    std::string candidates;
    for (int i = 1; i <= 20; ++i)
        candidates += (i > 1 ? "|c" : "c") + std::to_string(i);
    showMatch("m", 0, "m", candidates);
    QTableWidget* l = list();
    l->verticalScrollBar()->setValue(5);
    QCOMPARE(selectPallete::instance().ScrollPosition(), 5);
    QTest::keyClick(l, '3');
    QCOMPARE(selectPallete::instance().ListIndex(), 8);
    QCOMPARE(selectPallete::instance().Text(), std::string("c8"));
    QVERIFY(pushed());
}

void TestInteractivePalette::digitAtTheScrollEnd()
{
    // Fourteen rows, ten visible: scrolled to the end, row 4 stands beside
    // the digit 0, though the row above still shows a sliver at the top.
    std::string candidates;
    for (int i = 1; i <= 13; ++i)
        candidates += (i > 1 ? "|c" : "c") + std::to_string(i);
    showMatch("m", 0, "m", candidates);
    QTableWidget* l = list();
    l->verticalScrollBar()->setValue(l->verticalScrollBar()->maximum());
    QCOMPARE(l->verticalScrollBar()->value(), 4);
    QCOMPARE(selectPallete::instance().ScrollPosition(), 4);
    QTest::keyClick(l, '2');
    QCOMPARE(selectPallete::instance().ListIndex(), 6);
    QCOMPARE(selectPallete::instance().Text(), std::string("c6"));
    QVERIFY(pushed());
}

void TestInteractivePalette::keysMoveBetweenRowsOnly_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<int>("row");
    QTest::newRow("End") << QList<int>{Qt::Key_End} << 13;
    QTest::newRow("End, then Home") << QList<int>{Qt::Key_End, Qt::Key_Home} << 0;
    QTest::newRow("Right") << QList<int>{Qt::Key_Right, Qt::Key_Right} << 0;
    QTest::newRow("Down, Right, Left") << QList<int>{Qt::Key_Down, Qt::Key_Right, Qt::Key_Left} << 1;
    QTest::newRow("Down, Down, Up") << QList<int>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Up} << 1;
    QTest::newRow("Page Down") << QList<int>{Qt::Key_PageDown} << -2; // some row below
}

void TestInteractivePalette::keysMoveBetweenRowsOnly()
{
    QFETCH(QList<int>, keys);
    QFETCH(int, row);
    // A note wider than its column beside the scroll bar: any sideways step
    // would scroll the rows and cut them.
    std::string candidates, notes;
    for (int i = 1; i <= 13; ++i) {
        candidates += (i > 1 ? "|c" : "c") + std::to_string(i);
        notes += (i > 1 ? "|a long note " : "a long note ") + std::to_string(i);
    }
    showMatch("m", 0, "m", candidates, notes);
    QTableWidget* l = list();
    for (int key : keys)
        QTest::keyClick(l, Qt::Key(key));
    if (row >= 0)
        QCOMPARE(selectPallete::instance().ListIndex(), row);
    else
        QVERIFY(selectPallete::instance().ListIndex() > 0);
    QCOMPARE(l->horizontalScrollBar()->value(), 0);
    QCOMPARE(l->currentColumn(), 0);
    QVERIFY(!pushed());
}

void TestInteractivePalette::spaceHeldDown()
{
    showMatch("m", 0, "m", "a|b|c");
    QTableWidget* l = list();
    selectPallete& p = selectPallete::instance();
    QTest::keyPress(l, Qt::Key_Space);
    QCOMPARE(p.ListIndex(), 1);
    // While the bar is down another key steps once, then nothing more
    // happens until the bar comes up.
    QTest::keyClick(l, Qt::Key_Down);
    QCOMPARE(p.ListIndex(), 2);
    QTest::keyClick(l, '1');
    QTest::keyClick(l, Qt::Key_Return);
    QCOMPARE(p.ListIndex(), 2);
    QVERIFY(!pushed());
    QTest::keyRelease(l, Qt::Key_Space);
    QTest::keyClick(l, '1');
    QCOMPARE(p.ListIndex(), 1);
    QVERIFY(pushed());
}

void TestInteractivePalette::doubleClick()
{
    showMatch("m", 0, "m", "a|b|c");
    QTableWidget* l = list();
    const QRect row2 = l->visualItemRect(l->item(2, 0));
    QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, row2.center());
    QCOMPARE(selectPallete::instance().ListIndex(), 2);
    QVERIFY(pushed());

    state_->notifyClose = false;
    state_->manualCancel = true;
    selectPallete::instance().setListIndex(-1);
    selectPallete::instance().selectList_DoubleClick();
    QVERIFY(!pushed());
}

void TestInteractivePalette::previewInPlace()
{
    // After an emoji and a CR LF, so that every count differs.
    const std::string text = "\xF0\x9F\x98\x80\r\n前ABC後\r\n";
    showMatch(text, 4, "ABC", "x|長い候補|");
    QPlainTextEdit* b = box();
    selectPallete& p = selectPallete::instance();
    QCOMPARE(markedRuns(b), QStringList{"ABC"});
    struct Step {
        int row;
        QString shown;
    };
    for (const Step& s : {Step{2, "長い候補"}, Step{1, "x"}, Step{3, ""}, Step{0, "ABC"}, Step{-1, "ABC"}}) {
        p.setListIndex(s.row);
        QCOMPARE(plain(b), QStringLiteral("\U0001F600\n前") + s.shown + QStringLiteral("後\n"));
        QCOMPARE(grepWindow::instance().selLength, s.shown.toUcs4().size());
        if (!s.shown.isEmpty())
            QCOMPARE(markedRuns(b), QStringList{s.shown});
        QCOMPARE(CheckText::of(b).text(), "\xF0\x9F\x98\x80\r\n前" + s.shown.toStdString() + "後\r\n");
    }
}

void TestInteractivePalette::placement()
{
    state_->prefGrepWinPos = "200,100,400,500";
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "line " + std::to_string(i) + "\r";
    grepWindow& g = grepWindow::instance();
    const int h = QFontMetrics(fontOfSlot(FontSlotConfirm)).lineSpacing();

    // At the start of the first line: as far right of the text box's left
    // edge as the design says, one line and 6 pixels below the box's top.
    showMatch(text, 0, "l", "a|b");
    selectPallete& p = selectPallete::instance();
    QCOMPARE(p.Left(), g.Left() + 16 + 15);
    // The top of its frame: a title bar above the palette stays off the line.
    QCOMPARE(p.widget()->frameGeometry().top(), g.Top() + 121 + h + 6);

    // Further along a line: the width of what stands before it on the line.
    showMatch(text, 5, "0", "a|b");
    const int prefix = qRound(QFontMetricsF(fontOfSlot(FontSlotConfirm)).horizontalAdvance(QStringLiteral("line ")));
    QCOMPARE(selectPallete::instance().Left(), g.Left() + 16 + 15 + prefix);

    // A palette taller than the room below the line stands above the box's
    // bottom edge instead.
    std::string many;
    for (int i = 0; i < 12; ++i)
        many += (i ? "|c" : "c") + std::to_string(i);
    g.widget()->resize(g.Width(), 338);
    QCoreApplication::processEvents();
    const int lineOf20 = static_cast<int>(text.find("line 20"));
    showMatch(text, lineOf20, "l", many);
    const int bottom = g.Top() + box()->y() + box()->height();
    QCOMPARE(selectPallete::instance().widget()->frameGeometry().top(),
        bottom - selectPallete::instance().frameHeight() - 6 - h);
}

void TestInteractivePalette::textFollowsThePass_data()
{
    // A text, then replacements applied in turn: start, length, new text.
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<int>>("starts");
    QTest::addColumn<QList<int>>("lengths");
    QTest::addColumn<QStringList>("withs");
    QTest::newRow("CR lines") << QByteArray("ab\rcd\ref") << QList<int>{3, 6} << QList<int>{2, 1}
                              << QStringList{"XYZ", ""};
    QTest::newRow("CR LF lines") << QByteArray("ab\r\ncd\r\nef") << QList<int>{4, 8} << QList<int>{2, 2}
                                 << QStringList{"X", "Y"};
    QTest::newRow("the LF of a CR LF") << QByteArray("ab\r\ncd") << QList<int>{3} << QList<int>{1} << QStringList{"x"};
    QTest::newRow("the CR of a CR LF") << QByteArray("ab\r\ncd") << QList<int>{2} << QList<int>{1} << QStringList{""};
    QTest::newRow("CR and LF meet") << QByteArray("ab\rX\ncd") << QList<int>{3} << QList<int>{1} << QStringList{""};
    QTest::newRow("a break comes in") << QByteArray("ab\rX\ncd") << QList<int>{3} << QList<int>{1}
                                      << QStringList{"\n\r"};
    QTest::newRow("emoji") << QByteArray("\xF0\x9F\x98\x80" "a\xF0\x9F\x98\x80" "b") << QList<int>{1, 3}
                           << QList<int>{1, 1} << QStringList{"\U0001F601\U0001F602", "c"};
    QTest::newRow("combining marks") << QByteArray("e\xCC\x81" "e\xCC\x81" "x") << QList<int>{2, 4}
                                     << QList<int>{2, 1} << QStringList{"o\xCC\x88", "y"};
}

void TestInteractivePalette::textFollowsThePass()
{
    QFETCH(QByteArray, text);
    QFETCH(QList<int>, starts);
    QFETCH(QList<int>, lengths);
    QFETCH(QStringList, withs);
    grepWindow::instance().applyForm(true, false);
    QPlainTextEdit* b = box();
    CheckText& t = CheckText::of(b);
    std::string model = text.toStdString();
    t.load(model, fontOfSlot(FontSlotConfirm));
    QCOMPARE(plain(b), asDocument(model));
    for (int i = 0; i < starts.size(); ++i) {
        const std::u32string before = QString::fromStdString(model).toStdU32String();
        std::u32string after = before;
        after.replace(size_t(starts[i]), size_t(lengths[i]), withs[i].toStdU32String());
        model = QString::fromStdU32String(after).toStdString();

        t.setInsertionPoint(starts[i]);
        t.mark(starts[i], lengths[i]);
        t.replace(starts[i], lengths[i], withs[i].toStdString());
        QCOMPARE(t.text(), model);
        QCOMPARE(plain(b), asDocument(model));
        // The insertion point and the marks stand on the pass's characters.
        const DocumentPositions::Range r = t.documentRange(starts[i], int64_t(withs[i].toStdU32String().size()));
        QCOMPARE(plain(b).mid(int(r.start), int(r.end - r.start)), asDocument(withs[i].toStdString()));
    }
}

QTEST_MAIN(TestInteractivePalette)
#include "tst_interactive_palette.moc"
