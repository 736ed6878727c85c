// The trial search palette as the user meets it: its preview through the
// real fields and boxes, the fold and unfold of its guide group, the guide
// menus and the wildcard inserting into the focused field, Select All and
// Close, and a change that arrives in the middle of a run.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

#include <string>
#include <vector>

#include "app/ShellFixture.h"
#include "app/ui/MenuItems.h"
#include "support/Wait.h"
#include "trial/core/PatternGuides.h"
#include "trial/ui/grepWizardWindow.h"

using tv::grepWizardWindow;
using tv::test::StartedShell;

namespace {

// The palette opened from its menu, its controls by name.
struct Palette {
    StartedShell& s;
    grepWizardWindow& w;

    explicit Palette(StartedShell& shell) : s(shell), w(open(shell)) {}

    static grepWizardWindow& open(StartedShell& shell)
    {
        shell.choose("helpWizardMenu");
        QApplication::processEvents();
        return grepWizardWindow::instance();
    }

    template <class T>
    T* c(const char* name) const
    {
        T* control = w.controlAs<T>(name);
        if (!control)
            qFatal("no control %s", name);
        return control;
    }
    QPlainTextEdit* source() const { return c<QPlainTextEdit>("source"); }
    QPlainTextEdit* result() const { return c<QPlainTextEdit>("result"); }
    QLineEdit* find() const { return c<QLineEdit>("find"); }
    QLineEdit* replace() const { return c<QLineEdit>("replace"); }
    QCheckBox* box(const char* name) const { return c<QCheckBox>(name); }
    QString caption() const { return c<QLabel>("searchCaption")->text(); }
    QToolButton* triangle() const { return c<QToolButton>("DisclosureTriangle1"); }
    QWidget* window() const { return w.widget(); }

    // Ticks or clears a box as the user does, by clicking it.
    void set(const char* name, bool on) const
    {
        QCheckBox* b = box(name);
        if (b->isChecked() != on) {
            // A hidden box (in the folded group) takes no clicks.
            if (b->isVisible())
                QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(4, b->height() / 2));
            else
                b->setChecked(on);
        }
        QCOMPARE(b->isChecked(), on);
    }
    void focus(QWidget* field) const
    {
        QVERIFY(QTest::qWaitForWindowActive(window()));
        field->setFocus(Qt::MouseFocusReason);
        QVERIFY(field->hasFocus());
    }
    // The user clicks the triangle.
    void toggleFold() const { QTest::mouseClick(triangle(), Qt::LeftButton); }
};

// The texts under the marks of a box, breaks as U+2029.
QStringList marked(QPlainTextEdit* box)
{
    QStringList out;
    for (const QTextEdit::ExtraSelection& s : box->extraSelections()) {
        if (s.format.foreground().color() != QColor(255, 0, 0) || !s.format.fontUnderline())
            out << QStringLiteral("<not red and underlined>");
        else
            out << s.cursor.selectedText();
    }
    return out;
}

QString yen(const char* s)
{
    return QString::fromUtf8(s);
}

} // namespace

class TestTrialPalette : public QObject {
    Q_OBJECT

private slots:
    void opensCollapsed();
    void slotFont_data();
    void slotFont();
    void preview_data();
    void preview();
    void typedIntoTheFields();
    void emptyOrInvalidSearchKeepsTheResult_data();
    void emptyOrInvalidSearchKeepsTheResult();
    void selectionCollapsesToItsStart();
    void autoUpdateOff();
    void optionBoxes();
    void marksAreNoEdits();
    void changeDuringRunGivesOneFreshRun();
    void foldAndUnfold_data();
    void foldAndUnfold();
    void userResizeStopsAtTheMinimums();
    void guideRowsGoIntoTheFocusedField_data();
    void guideRowsGoIntoTheFocusedField();
    void guideRowChosenFromItsMenu_data();
    void guideRowChosenFromItsMenu();
    void guideRowsShowTheirTexts();
    void guideInsertionAtTheCaret();
    void nothingGoesIntoTheSampleOrNowhere();
    void wildcard_data();
    void wildcard();
    void selectAll_data();
    void selectAll();
    void closeAndOpenAgain();
};

void TestTrialPalette::opensCollapsed()
{
    StartedShell s;
    Palette p(s);
    QWidget* w = p.window();
    QCOMPARE(w->windowTitle(), QStringLiteral("お試し検索パレット"));
    QCOMPARE(w->size(), QSize(778, 342));
    QCOMPARE(w->minimumHeight(), 300);
    QCOMPARE(w->minimumWidth(), 778);
    QCOMPARE(w->maximumWidth(), 778);
    QCOMPARE(w->maximumHeight(), 32000);
    QVERIFY(!p.triangle()->isChecked());
    QVERIFY(!p.c<QGroupBox>("GroupBox1")->isVisible());
    for (int i = 0; i < 16; ++i) {
        QVERIFY(p.w.guideButton(i));
        QVERIFY(!p.w.guideButton(i)->isVisible());
        QCOMPARE(p.w.guideButton(i)->text().toStdString(), tv::guideMenus()[size_t(i)].caption);
    }
    QVERIFY(!p.w.guideButton(16));
    for (const char* name : {"isGreedy", "isDotMatchAll", "isMatchEmpty"})
        QVERIFY(!p.box(name)->isVisible());
    QVERIFY(p.box("isAutoUpdate")->isChecked());
    for (const char* name : {"isGrep", "isCaseSensitive", "isGreedy", "isDotMatchAll", "isMatchEmpty"})
        QVERIFY(!p.box(name)->isChecked());
    QVERIFY(!p.c<QToolButton>("insWildCard")->isEnabled());
    // Opening runs no preview.
    QCOMPARE(p.caption(), QStringLiteral("検索対象："));
    QCOMPARE(p.w.previewRuns(), 0);
    // The fields' places in the design.
    QCOMPARE(p.source()->geometry(), QRect(20, 33, 361, 202));
    QCOMPARE(p.result()->geometry(), QRect(395, 33, 359, 202));
    QCOMPARE(p.triangle()->geometry(), QRect(20, 324, 18, 18));
    QCOMPARE(p.w.guideButton(15)->mapTo(w, QPoint()), QPoint(664, 448));
    QCOMPARE(p.box("isMatchEmpty")->mapTo(w, QPoint()), QPoint(297, 377));
    // Neither the buttons nor the triangle take the focus.
    QCOMPARE(p.w.guideButton(0)->focusPolicy(), Qt::NoFocus);
    QCOMPARE(p.triangle()->focusPolicy(), Qt::NoFocus);
    QCOMPARE(p.c<QToolButton>("insWildCard")->focusPolicy(), Qt::NoFocus);
}

void TestTrialPalette::slotFont_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("shown");
    QTest::newRow("default") << QStringLiteral("Osaka") << 12 << 12;
    QTest::newRow("other font") << QStringLiteral("Courier") << 17 << 17;
    QTest::newRow("size 0") << QStringLiteral("Courier") << 0 << 12;
    QTest::newRow("negative size") << QStringLiteral("Courier") << -3 << 12;
    QTest::newRow("absurd size") << QStringLiteral("Courier") << 100000 << 12;
}

void TestTrialPalette::slotFont()
{
    QFETCH(QString, family);
    QFETCH(int, size);
    QFETCH(int, shown);
    StartedShell s;
    s.app->fontName[3] = family.toStdString();
    s.app->fontSize[3] = size;
    Palette p(s);
    for (QWidget* box : {static_cast<QWidget*>(p.source()), static_cast<QWidget*>(p.result())}) {
        QCOMPARE(box->font().family(), family);
        QCOMPARE(box->font().pixelSize(), shown);
    }
    // The search fields keep the design's font.
    QCOMPARE(p.find()->font().family(), QStringLiteral("Osaka"));
    QCOMPARE(p.find()->font().pixelSize(), 12);
    QCOMPARE(p.replace()->font().pixelSize(), 12);

    // A change of the setting shows at the next move of the sample's caret.
    s.app->fontName[3] = "Monospace";
    s.app->fontSize[3] = 21;
    p.source()->setPlainText("abc");
    QTextCursor c = p.source()->textCursor();
    c.setPosition(1);
    p.source()->setTextCursor(c);
    QCOMPARE(p.source()->font().family(), QStringLiteral("Monospace"));
    QCOMPARE(p.source()->font().pixelSize(), 21);
}

void TestTrialPalette::preview_data()
{
    QTest::addColumn<QString>("sample");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("flags"); // r regular expression, c case, g greedy, d dot matches all, e match empty
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("hits");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QStringList>("inserted");

    const QString ps = QString(QChar::ParagraphSeparator);
    QTest::newRow("a out of banana") << "banana" << "a" << "" << "r" << "検索対象：3件ヒット"
                                     << QStringList{"a", "a", "a"} << "bnn" << QStringList{};
    QTest::newRow("digit runs, greedy") << "a12b345" << yen("(¥d+)") << "[$1]" << "rg" << "検索対象：2件ヒット"
                                        << QStringList{"12", "345"} << "a[12]b[345]"
                                        << QStringList{"[12]", "[345]"};
    QTest::newRow("digit runs, lazy") << "a12b345" << yen("(¥d+)") << "[$1]" << "r" << "検索対象：5件ヒット"
                                      << QStringList{"1", "2", "3", "4", "5"} << "a[1][2]b[3][4][5]"
                                      << QStringList{"[1]", "[2]", "[3]", "[4]", "[5]"};
    QTest::newRow("a.*b lazy") << "aXbYb" << "a.*b" << "R" << "r" << "検索対象：1件ヒット" << QStringList{"aXb"}
                               << "RYb" << QStringList{"R"};
    QTest::newRow("a.*b greedy") << "aXbYb" << "a.*b" << "R" << "rg" << "検索対象：1件ヒット"
                                 << QStringList{"aXbYb"} << "R" << QStringList{"R"};
    // An empty first hit: not counted, replaced once. Match empty stays the
    // engine's own, whatever the box says.
    QTest::newRow("x* on abc") << "abc" << "x*" << "R" << "r" << "検索対象：0件ヒット" << QStringList{} << "Rabc"
                               << QStringList{"R"};
    QTest::newRow("x* on abc, match empty ticked") << "abc" << "x*" << "R" << "re" << "検索対象：0件ヒット"
                                                   << QStringList{} << "Rabc" << QStringList{"R"};
    QTest::newRow("x|$ on x") << "x" << "x|$" << "R" << "r" << "検索対象：1件ヒット" << QStringList{"x"} << "R"
                              << QStringList{"R"};
    QTest::newRow("look-ahead") << "ab" << "a(?=b)" << "R" << "r" << "検索対象：1件ヒット" << QStringList{"a"}
                                << "ab" << QStringList{"a"};
    QTest::newRow("look-behind") << "ab" << "(?<=a)b" << "R" << "r" << "検索対象：1件ヒット" << QStringList{"b"}
                                 << "ab" << QStringList{"b"};
    QTest::newRow("text before and after") << "abc" << "b" << "[$`|$'|$&]" << "r" << "検索対象：1件ヒット"
                                           << QStringList{"b"} << "a[||b]c" << QStringList{"[||b]"};
    QTest::newRow("missing group") << "ab" << "(a)" << "[$2$1]" << "r" << "検索対象：1件ヒット"
                                   << QStringList{"a"} << "[a]b" << QStringList{"[a]"};
    QTest::newRow("aa on aaaa, literal") << "aaaa" << "aa" << "b" << "" << "検索対象：2件ヒット"
                                         << QStringList{"aa", "aa"} << "bb" << QStringList{"b", "b"};
    QTest::newRow("aa on aaaa, regex") << "aaaa" << "aa" << "b" << "r" << "検索対象：2件ヒット"
                                       << QStringList{"aa", "aa"} << "bb" << QStringList{"b", "b"};
    QTest::newRow("a to aa, literal") << "aa" << "a" << "aa" << "" << "検索対象：2件ヒット" << QStringList{"a", "a"}
                                      << "aaaa" << QStringList{"aa", "aa"};
    QTest::newRow("literal, case-sensitive, Japanese") << "あいbB" << "b" << "R" << "c" << "検索対象：1件ヒット"
                                                       << QStringList{"b"} << "あいRB" << QStringList{"R"};
    QTest::newRow("literal $1 and yen") << yen("a¥b") << yen("¥") << "$1" << "" << "検索対象：1件ヒット"
                                        << QStringList{yen("¥")} << "a$1b" << QStringList{"$1"};
    QTest::newRow("yen as backslash") << yen("a1¥b\\") << yen("¥d|¥¥") << "<$0>" << "r" << "検索対象：2件ヒット"
                                      << QStringList{"1", "\\"} << yen("a<1>¥b<\\>")
                                      << QStringList{"<1>", "<\\>"};
    QTest::newRow("no escapes decoded") << "a\\rb" << "\\\\r" << "\\t" << "r" << "検索対象：1件ヒット"
                                        << QStringList{"\\r"} << "a\\tb" << QStringList{"\\t"};
    QTest::newRow("A finds a, literal") << "xa" << "A" << "B" << "" << "検索対象：1件ヒット" << QStringList{"a"}
                                        << "xB" << QStringList{"B"};
    QTest::newRow("A finds a, regex") << "xa" << "A" << "B" << "r" << "検索対象：1件ヒット" << QStringList{"a"}
                                      << "xB" << QStringList{"B"};
    QTest::newRow("empty sample") << "" << "a" << "b" << "r" << "検索対象：0件ヒット" << QStringList{} << ""
                                  << QStringList{};
    // Positions are characters; the marks land on them after emoji,
    // breaks and combining marks.
    QTest::newRow("after emoji") << QStringLiteral("😀a😀😀b") << "[ab]" << "<$&>" << "r" << "検索対象：2件ヒット"
                                 << QStringList{"a", "b"} << QStringLiteral("😀<a>😀😀<b>")
                                 << QStringList{"<a>", "<b>"};
    QTest::newRow("emoji hits") << QStringLiteral("x😀y👍🏽") << QStringLiteral("[😀👍]") << QStringLiteral("🎉")
                                << "r" << "検索対象：2件ヒット" << QStringList{QStringLiteral("😀"), QStringLiteral("👍")}
                                << QStringLiteral("x🎉y🎉🏽") << QStringList{QStringLiteral("🎉"), QStringLiteral("🎉")};
    QTest::newRow("combining marks") << QStringLiteral("か\u3099\nが") << QStringLiteral("\u3099|が") << "[$&]"
                                     << "r" << "検索対象：2件ヒット" << QStringList{"\u3099", "が"}
                                     << QStringLiteral("か[\u3099]\n[が]") << QStringList{"[\u3099]", "[が]"};
    // The sample is read with CR line ends.
    QTest::newRow("line end as yen r") << "a\nb\nc" << yen("¥r") << "|" << "r" << "検索対象：2件ヒット"
                                       << QStringList{ps, ps} << "a|b|c" << QStringList{"|", "|"};
    QTest::newRow("line end as x0D") << "a\nb" << yen("¥x0D") << "-" << "r" << "検索対象：1件ヒット"
                                     << QStringList{ps} << "a-b" << QStringList{"-"};
    QTest::newRow("no LF") << "a\nb" << yen("¥x0A") << "-" << "r" << "検索対象：0件ヒット" << QStringList{}
                           << "a\nb" << QStringList{};
    QTest::newRow("dot and line ends") << "a\nb" << "a.b" << "X" << "r" << "検索対象：0件ヒット" << QStringList{}
                                       << "a\nb" << QStringList{};
    QTest::newRow("dot matching line ends") << "a\nb" << "a.b" << "X" << "rd" << "検索対象：1件ヒット"
                                            << QStringList{"a" + ps + "b"} << "X" << QStringList{"X"};
    QTest::newRow("no-break space") << QStringLiteral("a\u00A0b c") << QStringLiteral("\u00A0") << "_" << ""
                                    << "検索対象：1件ヒット" << QStringList{QStringLiteral("\u00A0")}
                                    << QStringLiteral("a_b c") << QStringList{"_"};
    QTest::newRow("marks after a break") << QStringLiteral("😀\n😀x") << "x" << "y" << "" << "検索対象：1件ヒット"
                                         << QStringList{"x"} << QStringLiteral("😀\n😀y") << QStringList{"y"};
}

void TestTrialPalette::preview()
{
    QFETCH(QString, sample);
    QFETCH(QString, search);
    QFETCH(QString, replacement);
    QFETCH(QString, flags);
    QFETCH(QString, caption);
    QFETCH(QStringList, hits);
    QFETCH(QString, result);
    QFETCH(QStringList, inserted);

    StartedShell s;
    Palette p(s);
    p.toggleFold(); // the regular-expression boxes are in the group
    p.set("isGrep", flags.contains('r'));
    p.set("isCaseSensitive", flags.contains('c'));
    p.set("isGreedy", flags.contains('g'));
    p.set("isDotMatchAll", flags.contains('d'));
    p.set("isMatchEmpty", flags.contains('e'));
    p.source()->setPlainText(sample);
    p.replace()->setText(replacement);
    p.find()->setText(search);

    QCOMPARE(p.caption(), caption);
    QCOMPARE(marked(p.source()), hits);
    QCOMPARE(p.result()->toPlainText(), result);
    QCOMPARE(marked(p.result()), inserted);
    // The sample stays as typed; the marks changed nothing of it.
    QString kept = p.source()->document()->toRawText();
    kept.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    QCOMPARE(kept, sample);
}

void TestTrialPalette::typedIntoTheFields()
{
    StartedShell s;
    Palette p(s);
    p.focus(p.source());
    QTest::keyClicks(p.source(), "one two");
    QTest::keyClick(p.source(), Qt::Key_Return);
    QTest::keyClicks(p.source(), "three");
    p.focus(p.find());
    QTest::keyClicks(p.find(), "t");
    QCOMPARE(p.caption(), QStringLiteral("検索対象：2件ヒット"));
    QTest::keyClicks(p.find(), "w");
    QCOMPARE(p.caption(), QStringLiteral("検索対象：1件ヒット"));
    p.focus(p.replace());
    QTest::keyClicks(p.replace(), "$&");
    QCOMPARE(p.result()->toPlainText(), QStringLiteral("one $&o\nthree"));
    // The regular-expression mode reads the same fields anew.
    p.set("isGrep", true);
    QCOMPARE(p.result()->toPlainText(), QStringLiteral("one two\nthree"));
    QCOMPARE(marked(p.result()), QStringList{"tw"});
    QVERIFY(p.c<QToolButton>("insWildCard")->isEnabled());
    p.set("isGrep", false);
    QVERIFY(!p.c<QToolButton>("insWildCard")->isEnabled());
    QCOMPARE(p.result()->toPlainText(), QStringLiteral("one $&o\nthree"));
}

void TestTrialPalette::emptyOrInvalidSearchKeepsTheResult_data()
{
    QTest::addColumn<bool>("regex");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("caption");
    QTest::newRow("empty, literal") << false << "" << "検索対象：-件ヒット";
    QTest::newRow("empty, regex") << true << "" << "検索対象：-件ヒット";
    QTest::newRow("lone parenthesis") << true << "(" << "検索対象：1件ヒット";
    QTest::newRow("bad yen escape") << true << yen("a¥") << "検索対象：1件ヒット";
}

void TestTrialPalette::emptyOrInvalidSearchKeepsTheResult()
{
    QFETCH(bool, regex);
    QFETCH(QString, search);
    QFETCH(QString, caption);
    StartedShell s;
    Palette p(s);
    p.set("isGrep", regex);
    p.source()->setPlainText("abc");
    p.replace()->setText("X");
    p.find()->setText("b");
    QCOMPARE(p.result()->toPlainText(), QStringLiteral("aXc"));
    p.find()->setText(search);
    QCOMPARE(p.caption(), caption);
    QCOMPARE(p.result()->toPlainText(), QStringLiteral("aXc"));
    QCOMPARE(marked(p.result()), QStringList{"X"});
    // The sample shows no marks.
    QCOMPARE(marked(p.source()), QStringList{});
    // No message: the seam saw none.
    QVERIFY(s.seam.messages.empty());
}

void TestTrialPalette::selectionCollapsesToItsStart()
{
    StartedShell s;
    Palette p(s);
    p.source()->setPlainText(QStringLiteral("😀abcabc"));
    QTextCursor c = p.source()->textCursor();
    c.setPosition(3);
    c.setPosition(6, QTextCursor::KeepAnchor);
    p.source()->setTextCursor(c);
    p.find()->setText("b");
    QVERIFY(!p.source()->textCursor().hasSelection());
    QCOMPARE(p.source()->textCursor().position(), 3);
    QVERIFY(!p.result()->textCursor().hasSelection());
}

void TestTrialPalette::autoUpdateOff()
{
    StartedShell s;
    Palette p(s);
    p.source()->setPlainText("aaa");
    p.find()->setText("a");
    QCOMPARE(p.caption(), QStringLiteral("検索対象：3件ヒット"));
    p.set("isAutoUpdate", false);
    const int runs = p.w.previewRuns();
    p.find()->setText("aa");
    p.source()->setPlainText("aaaa");
    QCOMPARE(p.caption(), QStringLiteral("検索対象：3件ヒット"));
    QCOMPARE(p.w.previewRuns(), runs);
    QTest::mouseClick(p.c<QPushButton>("updateBtn"), Qt::LeftButton);
    QCOMPARE(p.caption(), QStringLiteral("検索対象：2件ヒット"));
    QCOMPARE(p.w.previewRuns(), runs + 1);
    p.find()->setText("a");
    QCOMPARE(p.caption(), QStringLiteral("検索対象：2件ヒット"));
    // Ticking it again runs at once.
    p.set("isAutoUpdate", true);
    QCOMPARE(p.caption(), QStringLiteral("検索対象：4件ヒット"));
}

void TestTrialPalette::optionBoxes()
{
    StartedShell s;
    Palette p(s);
    p.toggleFold();
    p.source()->setPlainText("aA");
    p.find()->setText("A");
    QCOMPARE(p.caption(), QStringLiteral("検索対象：2件ヒット"));
    p.set("isCaseSensitive", true);
    QCOMPARE(p.caption(), QStringLiteral("検索対象：1件ヒット"));
    // The boxes of regular expressions re-run the literal preview too, and
    // match empty changes nothing of what it finds.
    for (const char* name : {"isGreedy", "isDotMatchAll", "isMatchEmpty"}) {
        const int runs = p.w.previewRuns();
        p.set(name, true);
        QCOMPARE(p.w.previewRuns(), runs + 1);
        QCOMPARE(p.caption(), QStringLiteral("検索対象：1件ヒット"));
    }
}

void TestTrialPalette::marksAreNoEdits()
{
    StartedShell s;
    Palette p(s);
    p.focus(p.source());
    QTest::keyClicks(p.source(), "banana");
    const int undoSteps = p.source()->document()->availableUndoSteps();
    const int runs = p.w.previewRuns();
    p.find()->setText("an");
    // One change, one run: marking the hits started none.
    QCOMPARE(p.w.previewRuns(), runs + 1);
    QCOMPARE(marked(p.source()), (QStringList{"an", "an"}));
    // Undo takes back the user's typing, not the marks.
    QCOMPARE(p.source()->document()->availableUndoSteps(), undoSteps);
}

void TestTrialPalette::changeDuringRunGivesOneFreshRun()
{
    StartedShell s;
    Palette p(s);
    p.set("isGrep", true);
    p.source()->setPlainText("a1 a2 a3 a4");
    p.replace()->setText("<$&>");
    const int runs = p.w.previewRuns();
    bool changed = false;
    // The sample changes under the run, at its second turn.
    int turns = 0;
    p.w.setPreviewStep([&] {
        if (++turns == 2 && !changed) {
            changed = true;
            p.source()->setPlainText(QStringLiteral("😀a9\nb a8"));
        }
    });
    p.find()->setText(yen("a¥d"));
    QVERIFY(changed);
    QCOMPARE(p.w.previewRuns(), runs + 2);
    QCOMPARE(p.caption(), QStringLiteral("検索対象：2件ヒット"));
    QCOMPARE(p.result()->toPlainText(), QStringLiteral("😀<a9>\nb <a8>"));
    QCOMPARE(marked(p.source()), (QStringList{"a9", "a8"}));
    QCOMPARE(marked(p.result()), (QStringList{"<a9>", "<a8>"}));
}

void TestTrialPalette::foldAndUnfold_data()
{
    QTest::addColumn<int>("userHeight"); // 0: as opened
    QTest::addColumn<int>("unfolded");
    QTest::addColumn<int>("folded");
    QTest::newRow("new palette") << 0 << 496 << 342;
    QTest::newRow("made 100 taller") << 442 << 596 << 442;
    QTest::newRow("shrunk to its minimum") << 300 << 454 << 300;
}

void TestTrialPalette::foldAndUnfold()
{
    QFETCH(int, userHeight);
    QFETCH(int, unfolded);
    QFETCH(int, folded);
    StartedShell s;
    Palette p(s);
    QWidget* w = p.window();
    auto* group = p.c<QGroupBox>("GroupBox1");
    if (userHeight) {
        // The user drags the bottom edge: the bottom-anchored controls follow,
        // the sample stretches, the hidden group stays below the edge.
        w->resize(778, userHeight);
        QCOMPARE(p.triangle()->y(), 324 + userHeight - 342);
        QCOMPARE(p.source()->height(), 202 + userHeight - 342);
        QCOMPARE(group->y(), 353 + userHeight - 342);
        QCOMPARE(p.c<QLabel>("searchCaption")->y(), 14);
    }
    const QRect triangle = p.triangle()->geometry();
    const QRect source = p.source()->geometry();
    const QRect find = p.find()->geometry();

    p.toggleFold();
    QVERIFY(p.triangle()->isChecked());
    QCOMPARE(w->height(), unfolded);
    QCOMPARE(w->minimumHeight(), 452);
    QVERIFY(group->isVisible());
    QVERIFY(p.w.guideButton(7)->isVisible());
    QVERIFY(p.box("isGreedy")->isVisible());
    // Nothing moved or stretched: the window grew at its bottom edge.
    QCOMPARE(p.triangle()->geometry(), triangle);
    QCOMPARE(p.source()->geometry(), source);
    QCOMPARE(p.find()->geometry(), find);

    p.toggleFold();
    QVERIFY(!p.triangle()->isChecked());
    QCOMPARE(w->height(), folded);
    QCOMPARE(w->minimumHeight(), 300);
    QVERIFY(!group->isVisible());
    QCOMPARE(p.triangle()->geometry(), triangle);
    QCOMPARE(p.source()->geometry(), source);
}

void TestTrialPalette::userResizeStopsAtTheMinimums()
{
    StartedShell s;
    Palette p(s);
    QWidget* w = p.window();
    w->resize(778, 100);
    QCOMPARE(w->height(), 300);
    QCOMPARE(p.source()->height(), 160);
    QCOMPARE(p.result()->height(), 160);
    w->resize(778, 342);
    p.toggleFold();
    QCOMPARE(w->height(), 496);
    w->resize(778, 100);
    QCOMPARE(w->height(), 452);
    QCOMPARE(p.source()->height(), 158);
    QCOMPARE(p.result()->height(), 158);
    // The group follows the bottom edge and keeps its children.
    QCOMPARE(p.c<QGroupBox>("GroupBox1")->geometry().bottom() + 1, 478 - 44);
    QCOMPARE(p.box("isGreedy")->mapTo(w, QPoint()), QPoint(20, 377 - 44));
    // A fold from the smallest expanded window ends at the collapsed minimum.
    p.toggleFold();
    QCOMPARE(w->height(), 300);
    QCOMPARE(w->minimumHeight(), 300);
    // Width never changes.
    w->resize(900, 400);
    QCOMPARE(w->width(), 778);
}

void TestTrialPalette::guideRowsGoIntoTheFocusedField_data()
{
    QTest::addColumn<int>("menu");
    for (int i = 0; i < 16; ++i)
        QTest::newRow(tv::guideMenus()[size_t(i)].caption.c_str()) << i;
}

void TestTrialPalette::guideRowsGoIntoTheFocusedField()
{
    QFETCH(int, menu);
    StartedShell s;
    Palette p(s);
    p.toggleFold();
    QMenu* m = p.w.guideMenu(menu);
    QVERIFY(m);
    const std::vector<tv::GuideItem>& items = tv::guideMenus()[size_t(menu)].items;
    const QList<QAction*> actions = m->actions();
    QCOMPARE(actions.size(), qsizetype(items.size()));
    for (QLineEdit* field : {p.find(), p.replace()}) {
        p.focus(field);
        for (qsizetype i = 0; i < actions.size(); ++i) {
            QCOMPARE(actions[i]->isSeparator(), items[size_t(i)].separator);
            if (actions[i]->isSeparator())
                continue;
            field->clear();
            actions[i]->trigger();
            QCOMPARE(field->text().toStdString(), tv::guidePiece(items[size_t(i)].row));
            QCOMPARE(field->cursorPosition(), field->text().size());
        }
        // The field kept the focus and its code.
        QVERIFY(field->hasFocus());
    }
    // The sample is no target.
    QCOMPARE(p.source()->toPlainText(), QString());
}

void TestTrialPalette::guideRowChosenFromItsMenu_data()
{
    QTest::addColumn<int>("menu");
    QTest::addColumn<int>("downs"); // arrow presses from the first row
    QTest::addColumn<QString>("piece");
    QTest::newRow("first row") << 0 << 0 << ".";
    QTest::newRow("row before the separator") << 0 << 11 << yen("¥.");
    QTest::newRow("row after the separator") << 0 << 12 << yen("¥d");
    QTest::newRow("last row after the separator") << 0 << 17 << yen("¥S");
    QTest::newRow("replacement row after the separator") << 7 << 3 << "$0";
    QTest::newRow("whole match") << 7 << 1 << "$&";
    QTest::newRow("tag pattern") << 8 << 0 << "<(\".*?\"|'.*?'|[^'\"])*?>";
    QTest::newRow("bracket") << 1 << 9 << "[[]";
    QTest::newRow("third row of the files") << 14 << 2 << yen("¥b[A-Z]¥w*¥b");
}

void TestTrialPalette::guideRowChosenFromItsMenu()
{
    QFETCH(int, menu);
    QFETCH(int, downs);
    QFETCH(QString, piece);
    StartedShell s;
    Palette p(s);
    p.toggleFold();
    p.focus(p.find());
    QToolButton* button = p.w.guideButton(menu);
    // The user presses the button and picks the row with the keyboard.
    QTest::mousePress(button, Qt::LeftButton);
    QVERIFY(tv::test::waitFor([] { return QApplication::activePopupWidget() != nullptr; }));
    QWidget* popup = QApplication::activePopupWidget();
    QCOMPARE(popup, static_cast<QWidget*>(p.w.guideMenu(menu)));
    QTest::mouseRelease(button, Qt::LeftButton);
    for (int i = 0; i <= downs; ++i)
        QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Return);
    QVERIFY(tv::test::waitFor([] { return QApplication::activePopupWidget() == nullptr; }));
    QCOMPARE(p.find()->text(), piece);
    QTRY_VERIFY(p.find()->hasFocus());
    QCOMPARE(s.app->editFieldNo, 11);
}

void TestTrialPalette::guideRowsShowTheirTexts()
{
    StartedShell s;
    Palette p(s);
    const QList<QAction*> replacement = p.w.guideMenu(7)->actions();
    // "&" doubled, or it would be taken for a mnemonic; the description in
    // the menu's second column.
    QCOMPARE(replacement[1]->text(), QStringLiteral("$&&\t検索対象の領域全体"));
    QCOMPARE(replacement[1]->data().toString(), QStringLiteral("$&"));
    const QList<QAction*> classes = p.w.guideMenu(1)->actions();
    QCOMPARE(classes[9]->text(), QStringLiteral("[[]\t[ "));
    QCOMPARE(classes[5]->text(), QStringLiteral("[a-zA-Z]\ta～zまたはA～Zのうちの文字"));
    QCOMPARE(p.w.guideMenu(12)->actions()[3]->text(), QStringLiteral("(100|[1-9]?[0-9](¥.¥d+)?)%\t0〜100%(小数も可)"));
}

void TestTrialPalette::guideInsertionAtTheCaret()
{
    StartedShell s;
    Palette p(s);
    p.source()->setPlainText("a1b");
    p.set("isGrep", true);
    p.focus(p.find());
    p.find()->setText("ab");
    p.find()->setCursorPosition(1);
    p.w.guideMenu(0)->actions()[13]->trigger(); // ¥d, after the separator
    QCOMPARE(p.find()->text(), yen("a¥db"));
    QCOMPARE(p.find()->cursorPosition(), 3);
    // The insertion ran the preview.
    QCOMPARE(p.caption(), QStringLiteral("検索対象：1件ヒット"));
    // A click on a box or on the update button leaves the focus where it is.
    p.set("isCaseSensitive", true);
    QTest::mouseClick(p.c<QPushButton>("updateBtn"), Qt::LeftButton);
    QVERIFY(p.find()->hasFocus());
    QCOMPARE(s.app->editFieldNo, 11);
    // Several rows in turn; a selection is replaced.
    p.find()->setSelection(0, 1);
    p.w.guideMenu(2)->actions()[2]->trigger(); // x+
    p.w.guideMenu(3)->actions()[0]->trigger(); // ^
    QCOMPARE(p.find()->text(), yen("x+^¥db"));
}

void TestTrialPalette::nothingGoesIntoTheSampleOrNowhere()
{
    StartedShell s;
    Palette p(s);
    p.set("isGrep", true);
    p.find()->setText("f");
    p.replace()->setText("r");
    p.focus(p.source());
    QCOMPARE(s.app->editFieldNo, 10);
    p.w.guideMenu(0)->actions()[0]->trigger();
    QTest::mouseClick(p.c<QToolButton>("insWildCard"), Qt::LeftButton);
    s.app->editFieldNo = 0;
    p.w.guideMenu(5)->actions()[0]->trigger();
    p.w.insWildCard_Action();
    // A code of another window names no field here.
    s.app->editFieldNo = 2;
    p.w.guideMenu(5)->actions()[0]->trigger();
    QCOMPARE(p.find()->text(), QStringLiteral("f"));
    QCOMPARE(p.replace()->text(), QStringLiteral("r"));
    QCOMPARE(p.source()->toPlainText(), QString());
}

void TestTrialPalette::wildcard_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::newRow("search, empty") << "find" << "" << "(.+)";
    QTest::newRow("search, holding references") << "find" << "$1" << "$1(.+)";
    QTest::newRow("empty replacement") << "replace" << "" << "$1";
    QTest::newRow("$0, letter, nothing") << "replace" << "$0$a$" << "$0$a$$1";
    QTest::newRow("references 1 and 3") << "replace" << "$1 $3" << "$1 $3$4";
    QTest::newRow("reference 12") << "replace" << "[$12]" << "[$12]$13";
    QTest::newRow("number read as Val reads it") << "replace" << "$ 5" << "$ 5$6";
    QTest::newRow("number past the range") << "replace" << "$99999999999999999999" << "$99999999999999999999$2147483648";
}

void TestTrialPalette::wildcard()
{
    QFETCH(QString, field);
    QFETCH(QString, before);
    QFETCH(QString, after);
    StartedShell s;
    Palette p(s);
    p.set("isGrep", true);
    QLineEdit* f = p.c<QLineEdit>(field.toLatin1().constData());
    f->setText(before);
    p.focus(f);
    f->end(false);
    auto* button = p.c<QToolButton>("insWildCard");
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(f->text(), after);
    QVERIFY(f->hasFocus());
}

void TestTrialPalette::selectAll_data()
{
    QTest::addColumn<QString>("field");
    QTest::newRow("sample") << "source";
    QTest::newRow("search") << "find";
    QTest::newRow("replacement") << "replace";
}

void TestTrialPalette::selectAll()
{
    QFETCH(QString, field);
    StartedShell s;
    Palette p(s);
    p.source()->setPlainText(QStringLiteral("日本語の\n見本😀"));
    p.find()->setText(QStringLiteral("日本"));
    p.replace()->setText(QStringLiteral("にほん"));
    QWidget* f = p.w.control(field.toStdString());
    p.focus(f);
    s.app->EnableMenuItems();
    QVERIFY(tv::selectAllMenu().Enabled());
    s.choose("selectAllMenu");
    if (auto* line = qobject_cast<QLineEdit*>(f)) {
        QCOMPARE(line->selectedText(), line->text());
    } else {
        auto* box = qobject_cast<QPlainTextEdit*>(f);
        QCOMPARE(box->textCursor().selectedText(), QStringLiteral("日本語の\u2029見本😀"));
    }
    // The result writes no code: Select All is off there.
    p.result()->setFocus(Qt::MouseFocusReason);
    QCOMPARE(s.app->editFieldNo, 0);
    s.app->EnableMenuItems();
    QVERIFY(!tv::selectAllMenu().Enabled());
    // A code of another window selects nothing here.
    p.find()->deselect();
    s.app->editFieldNo = 1;
    p.w._selectAllMenu_Action();
    QVERIFY(!p.find()->hasSelectedText());
}

void TestTrialPalette::closeAndOpenAgain()
{
    StartedShell s;
    grepWizardWindow* first = nullptr;
    {
        Palette p(s);
        first = &p.w;
        p.source()->setPlainText("abc");
        p.find()->setText("b");
        QVERIFY(QTest::qWaitForWindowActive(p.window()));
        s.app->EnableMenuItems();
        QVERIFY(tv::winclose().Enabled());
        // The Help command shows the same palette with what it holds.
        s.choose("helpWizardMenu");
        QCOMPARE(&grepWizardWindow::instance(), first);
        QCOMPARE(p.find()->text(), QStringLiteral("b"));
        s.choose("winclose");
        QVERIFY(!p.w.isOpen());
    }
    QApplication::processEvents();
    Palette again(s);
    QVERIFY(&again.w != first || again.w.isOpen());
    QVERIFY(again.w.isOpen());
    QCOMPARE(again.find()->text(), QString());
    QCOMPARE(again.source()->toPlainText(), QString());
    QCOMPARE(again.window()->height(), 342);
}

QTEST_MAIN(TestTrialPalette)
#include "tst_trial_palette.moc"
