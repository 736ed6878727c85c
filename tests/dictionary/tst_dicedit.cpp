// The dictionary editor driven through its named controls in a started
// shell: opening each file form, the fields, the option boxes, the list's
// keys and in-place editing, drag and drop within and between editors,
// saving, closing with each answer, a save that fails, and a large
// dictionary's opening and saving times.

#include "app/ShellFixture.h"

#include "app/ui/SharedDialogs.h"
#include "dictionary/core/RuleListModel.h"
#include "dictionary/ui/dicEdit.h"

#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <filesystem>

using namespace tv;
using tv::test::StartedShell;
using tv::test::readFile;
using tv::test::writeFile;

namespace {

// The editor's content area, below its menu bar: what the header stores.
QRect contentOf(const tv::DocumentWindow& w)
{
    const tv::FrameBounds f = w.contentFrame();
    return QRect(f.Left, f.Top, f.Width, f.Height);
}

const char* const kFieldNames[3] = {"findField", "repField", "guideField"};

// The rules of an editor, one line each, cells joined by "|".
QStringList rows(dicEdit& e)
{
    QStringList out;
    for (const DictionaryRule& r : e.rules().rules())
        out << QString::fromStdString(r.search + "|" + r.replacement + "|" + r.options + "|" + r.comment);
    return out;
}

struct Editor {
    StartedShell& s;
    dicEdit* e = nullptr;

    Editor(StartedShell& shell, const std::string& name) : s(shell)
    {
        s.app->prefDefaultDic = name;
        s.choose("dicSelectedEdit");
        QApplication::processEvents();
        e = dynamic_cast<dicEdit*>(s.app->dicEditWin.back().get());
    }
    QPlainTextEdit* field(int i) const { return e->controlAs<QPlainTextEdit>(kFieldNames[i]); }
    QCheckBox* box(const char* name) const { return e->controlAs<QCheckBox>(name); }
    QTableView* list() const { return e->controlAs<QTableView>("dictList"); }
    RuleListView* view() const { return static_cast<RuleListView*>(list()); }
    QWidget* content() const { return list()->parentWidget(); }
    bool modified() const { return s.app->IsWindowModified(*e); }
    void activate() const
    {
        e->widget()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(e->widget()));
    }
    // A drop of the data at y in the list's viewport.
    void drop(const QMimeData* data, int y) const
    {
        QWidget* vp = list()->viewport();
        const QPoint at(20, y);
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(vp, &enter);
        QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(vp, &move);
        QDropEvent dropped(QPointF(at), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(vp, &dropped);
    }
    // The y of a row's middle, or just below the last row.
    int rowY(int row) const
    {
        if (row >= e->rules().ruleCount())
            return list()->rowViewportPosition(e->rules().ruleCount() - 1) + list()->rowHeight(0) + 3;
        return list()->rowViewportPosition(row) + list()->rowHeight(row) / 2;
    }
};

std::string rulesFile(const std::vector<std::string>& lines, const std::string& header = "")
{
    std::string out = header.empty() ? std::string() : header + "\r";
    for (const std::string& l : lines)
        out += l + "\r";
    return out;
}

} // namespace

class TestDicEdit : public QObject {
    Q_OBJECT

private slots:
    void controlsAsLaidOut_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("helpTag");
        QTest::newRow("findField") << "findField" << QRect(101, 12, 456, 50) << "" << "検索文字列を入力します。";
        QTest::newRow("repField") << "repField" << QRect(101, 75, 456, 50) << "" << "置換文字列を入力します。";
        QTest::newRow("guideField") << "guideField" << QRect(101, 138, 456, 23) << ""
                                    << "校正時に参照する注釈を入力します。";
        QTest::newRow("AddButton") << "AddButton" << QRect(10, 40, 79, 20) << "新規"
                                   << "新しい検索文字列・置換文字列をリストに追加します。";
        QTest::newRow("StaticText1") << "StaticText1" << QRect(13, 15, 82, 20) << "検索文字列：" << "";
        QTest::newRow("StaticText2") << "StaticText2" << QRect(13, 78, 82, 20) << "置換文字列：" << "";
        QTest::newRow("StaticText3") << "StaticText3" << QRect(13, 141, 82, 20) << "\u3000コメント：" << "";
        QTest::newRow("StaticText4") << "StaticText4" << QRect(13, 175, 82, 20) << "オプション：" << "";
        QTest::newRow("dictList") << "dictList" << QRect(0, 251, 573, 237) << "" << "";
        QTest::newRow("isGrepCheck") << "isGrepCheck" << QRect(39, 219, 125, 20) << "正規表現を使用"
                                     << "正規表現を利用するときはここにチェックを入れます。";
        QTest::newRow("isRepListCheck") << "isRepListCheck" << QRect(170, 195, 125, 20) << "置換候補から選択" << "";
        QTest::newRow("isConfirmCheck") << "isConfirmCheck" << QRect(301, 195, 125, 20) << "確認しながら置換"
                                        << "対話形式で置換するときはここにチェックを入れます。";
        QTest::newRow("isScriptCheck") << "isScriptCheck" << QRect(432, 195, 125, 20) << "スクリプトを実行"
                                       << "置換するときにスクリプトを実行するにはここにチェックを入れます。";
        QTest::newRow("isCaseSensitive") << "isCaseSensitive" << QRect(39, 195, 125, 20) << "英大小文字を区別"
                                         << "検索時に英大文字・小文字を区別するときはここにチェックを入れます。";
        QTest::newRow("isGreedy") << "isGreedy" << QRect(170, 219, 125, 20) << "貪欲な最長マッチ"
                                  << "正規表現で、なるべく長いマッチングを行うときはここにチェックを入れます。";
        QTest::newRow("isDotMatchAll") << "isDotMatchAll" << QRect(301, 219, 125, 20) << "改行を . にマッチ"
                                       << "正規表現で、. を改行にもマッチさせるときはここにチェックを入れます。";
        QTest::newRow("isMatchEmpty") << "isMatchEmpty" << QRect(432, 219, 125, 20) << "空文字列にマッチ"
                                      << "正規表現で、空文字列にもマッチさせるときはここにチェックを入れます。";
    }
    void controlsAsLaidOut()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, text);
        QFETCH(QString, helpTag);
        StartedShell s;
        Editor ed(s, "a.dict");
        QCOMPARE(ed.content()->size(), QSize(573, 502));
        QWidget* c = ed.e->control(name.toStdString());
        QVERIFY(c);
        QCOMPARE(c->geometry(), geometry);
        QCOMPARE(c->toolTip(), helpTag);
        if (auto* l = qobject_cast<QLabel*>(c))
            QCOMPARE(l->text(), text);
        if (auto* b = qobject_cast<QAbstractButton*>(c)) {
            QCOMPARE(b->text(), text);
            // A click leaves the focus in the field being edited.
            QCOMPARE(b->focusPolicy(), Qt::NoFocus);
        }
        if (qobject_cast<QCheckBox*>(c) || qobject_cast<QPlainTextEdit*>(c))
            QVERIFY(!c->isEnabled());
    }

    void windowTitleSizeAndAnchors()
    {
        StartedShell s;
        Editor ed(s, "a.dict");
        QCOMPARE(ed.e->Title(), std::string("辞書 \"a.dict\" の編集"));
        QWidget* w = ed.e->widget();
        QCOMPARE(ed.content()->minimumSize(), QSize(573, 360));
        w->resize(w->width() + 100, w->height() + 50);
        QApplication::processEvents();
        QCOMPARE(ed.field(0)->geometry(), QRect(101, 12, 556, 50));
        QCOMPARE(ed.field(2)->geometry(), QRect(101, 138, 556, 23));
        QCOMPARE(ed.list()->geometry(), QRect(0, 251, 673, 287));
        QCOMPARE(ed.e->control("StaticText3")->geometry(), QRect(13, 141, 82, 20));
        QCOMPARE(ed.e->control("AddButton")->geometry(), QRect(10, 40, 79, 20));
        QCOMPARE(ed.e->control("isMatchEmpty")->geometry(), QRect(432, 219, 125, 20));
        w->resize(100, 100);
        QApplication::processEvents();
        QVERIFY(ed.content()->width() >= 573 && ed.content()->height() >= 360);
        // The list shows the search and replacement texts, half each.
        QVERIFY(ed.list()->isColumnHidden(OptionsColumn) && ed.list()->isColumnHidden(CommentColumn));
        QCOMPARE(ed.list()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("検索文字列"));
        QCOMPARE(ed.list()->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("置換文字列"));
        QCOMPARE(ed.list()->editTriggers() & QAbstractItemView::DoubleClicked, QAbstractItemView::NoEditTriggers);
        QCOMPARE(ed.list()->selectionMode(), QAbstractItemView::SingleSelection);
    }

    void opensEachFileForm_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("notice");
        QTest::newRow("0 bytes") << QByteArray() << QStringList() << false;
        QTest::newRow("header and rules")
            << QByteArray("Tesvora Dictionary,10,20,600,400,UTF8\rk\tv\t*-*-----\tnote\rx\ty\t----\t\r")
            << QStringList {"k|v|*-*-----|note", "x|y|--------|"} << false;
        QTest::newRow("Shift_JIS without header")
            << QByteArray("\x8c\x9f\x8d\xf5\t\x92\x75\x8a\xb7\r") << QStringList {"検索|置換|--------|"} << false;
        QTest::newRow("spaces and commas")
            << QByteArray("a b c d e\rone,two\r") << QStringList {"a|b|c|d", "one|two|--------|"} << false;
        QTest::newRow("a header after a rule is a rule")
            << QByteArray("a\tb\rTesvora Dictionary,1,2,3,4,UTF8\r")
            << QStringList {"a|b|--------|", "Tesvora|Dictionary,1,2,3,4,UTF8|--------|"} << false;
        QTest::newRow("stored escapes stay") << QByteArray("a\\rb\tc\\td\r") << QStringList {"a\\rb|c\\td|--------|"}
                                             << false;
        QTest::newRow("malformed line") << QByteArray("a\tb\rjunk\r")
                                        << QStringList {"a|b|--------|", "||--------|"} << true;
    }
    void opensEachFileForm()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        QFETCH(bool, notice);
        StartedShell s;
        writeFile(s.dictFolder() + "/a.dict", bytes.toStdString());
        Editor ed(s, "a.dict");
        QCOMPARE(rows(*ed.e), expected);
        QCOMPARE(notifySheet::isShown(), notice);
        if (notice)
            QCOMPARE(notifySheet::instance().notifyMsg(), std::string("辞書のフォーマットが不正です。"));
        // Nothing is selected and nothing is marked.
        QCOMPARE(ed.e->listIndex(), -1);
        QVERIFY(!ed.modified());
        QCOMPARE(s.app->editFieldNo, 0);
        if (notice)
            notifySheet::instance().PushButton1_Action();
    }

    void unreadableFileIsTold()
    {
        StartedShell s;
        std::filesystem::remove(s.dictFolder() + "/a.dict");
        std::filesystem::create_directory(s.dictFolder() + "/a.dict");
        Editor ed(s, "a.dict");
        QVERIFY(ed.e->isOpen());
        QCOMPARE(s.seam.messages.size(), size_t(1));
        QCOMPARE(s.seam.messages[0], std::string("辞書を読み込めませんでした。"));
    }

    void selectingLoadsTheRule()
    {
        StartedShell s;
        writeFile(s.dictFolder() + "/a.dict", rulesFile({"k\tv\t*-*-----\tnote", "x\ty\t--*-----\t", "p\tq\t----\tc"}));
        Editor ed(s, "a.dict");
        ed.e->setListIndex(0);
        QCOMPARE(ed.field(0)->toPlainText(), QStringLiteral("k"));
        QCOMPARE(ed.field(1)->toPlainText(), QStringLiteral("v"));
        QCOMPARE(ed.field(2)->toPlainText(), QStringLiteral("note"));
        QVERIFY(ed.box("isGrepCheck")->isChecked() && ed.box("isConfirmCheck")->isChecked());
        QVERIFY(!ed.box("isRepListCheck")->isChecked());
        for (const char* b : {"isGreedy", "isDotMatchAll", "isMatchEmpty", "isScriptCheck"})
            QVERIFY(ed.box(b)->isEnabled());
        ed.e->setListIndex(1);
        QVERIFY(ed.box("isConfirmCheck")->isChecked() && !ed.box("isGrepCheck")->isChecked());
        QVERIFY(!ed.box("isGreedy")->isEnabled() && ed.box("isCaseSensitive")->isEnabled());
        ed.e->setListIndex(2);
        QCOMPARE(ed.field(2)->toPlainText(), QStringLiteral("c"));
        // Loading changes no rule and marks nothing.
        QCOMPARE(rows(*ed.e)[0], QStringLiteral("k|v|*-*-----|note"));
        QCOMPARE(rows(*ed.e)[2], QStringLiteral("p|q|--------|c"));
        QVERIFY(!ed.modified());
        // Setting the same row again loads it again.
        ed.field(0)->blockSignals(true);
        ed.field(0)->setPlainText("changed");
        ed.field(0)->blockSignals(false);
        ed.e->setListIndex(2);
        QCOMPARE(ed.field(0)->toPlainText(), QStringLiteral("p"));
        // The arrow keys move the selection, each move loading its row.
        ed.activate();
        ed.list()->setFocus();
        QTest::keyClick(ed.list(), Qt::Key_Up);
        QCOMPARE(ed.e->listIndex(), 1);
        QCOMPARE(ed.field(0)->toPlainText(), QStringLiteral("x"));
        QVERIFY(!ed.modified());
        ed.e->setListIndex(-1);
        for (int i = 0; i < 3; ++i)
            QVERIFY(ed.field(i)->toPlainText().isEmpty() && !ed.field(i)->isEnabled());
        QVERIFY(!ed.box("isConfirmCheck")->isChecked() && !ed.box("isConfirmCheck")->isEnabled());
    }

    void fieldsWriteTheirCellAndMark()
    {
        StartedShell s;
        writeFile(s.dictFolder() + "/a.dict", rulesFile({"k\tv\t--------\t"}));
        Editor ed(s, "a.dict");
        ed.activate();
        ed.e->setListIndex(0);
        QPlainTextEdit* find = ed.field(0);
        find->setFocus(Qt::MouseFocusReason);
        QCOMPARE(s.app->editFieldNo, 1);
        find->moveCursor(QTextCursor::End);
        QTest::keyClick(find, Qt::Key_A);
        QCOMPARE(ed.e->rules().cell(0, 0), std::string("ka"));
        QVERIFY(ed.modified());
        // Typing and deleting again still leaves the mark.
        s.app->SetWindowModified(*ed.e, false);
        QTest::keyClick(find, Qt::Key_B);
        QTest::keyClick(find, Qt::Key_Backspace);
        QCOMPARE(ed.e->rules().cell(0, 0), std::string("ka"));
        QVERIFY(ed.modified());
        // A paste with a line break and a TAB stores them escaped, however the
        // line break came.
        s.app->SetWindowModified(*ed.e, false);
        QPlainTextEdit* rep = ed.field(1);
        rep->setFocus(Qt::MouseFocusReason);
        rep->selectAll();
        QGuiApplication::clipboard()->setText(QStringLiteral("1\r\n2\n3\u20284\t5\\r"));
        rep->paste();
        QCOMPARE(ed.e->rules().cell(0, 1), std::string("1\\r2\\r3\\r4\\t5\\r"));
        QVERIFY(ed.modified());
        // Text dropped into a field is an edit too.
        s.app->SetWindowModified(*ed.e, false);
        QMimeData text;
        text.setText(QStringLiteral("drop"));
        QPlainTextEdit* guide = ed.field(2);
        const QPoint at = guide->viewport()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(guide->viewport(), &enter);
        QDropEvent dropped(QPointF(at), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(guide->viewport(), &dropped);
        QCOMPARE(ed.e->rules().cell(0, 3), std::string("drop"));
        QVERIFY(ed.modified());
        // Loading the rule again shows the stored form.
        ed.e->setListIndex(0);
        QCOMPARE(rep->toPlainText(), QStringLiteral("1\\r2\\r3\\r4\\t5\\r"));
    }

    void returnMovesTheFocus_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("to");
        QTest::newRow("find Return") << 0 << int(Qt::Key_Return) << 0 << 1;
        QTest::newRow("find keypad Enter") << 0 << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 1;
        QTest::newRow("find Shift Return") << 0 << int(Qt::Key_Return) << int(Qt::ShiftModifier) << 1;
        QTest::newRow("replacement Return") << 1 << int(Qt::Key_Return) << 0 << 2;
        QTest::newRow("replacement Shift Enter")
            << 1 << int(Qt::Key_Enter) << int(Qt::ShiftModifier | Qt::KeypadModifier) << 2;
        QTest::newRow("comment Return stays") << 2 << int(Qt::Key_Return) << 0 << 2;
        QTest::newRow("comment Shift Return stays") << 2 << int(Qt::Key_Return) << int(Qt::ShiftModifier) << 2;
        QTest::newRow("Tab moves on") << 0 << int(Qt::Key_Tab) << 0 << 1;
    }
    void returnMovesTheFocus()
    {
        QFETCH(int, from);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, to);
        StartedShell s;
        Editor ed(s, "a.dict");
        ed.activate();
        QTest::mouseClick(ed.e->control("AddButton"), Qt::LeftButton);
        QVERIFY(ed.field(0)->hasFocus());
        ed.field(from)->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(ed.field(from), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QVERIFY(ed.field(to)->hasFocus());
        for (int i = 0; i < 3; ++i)
            QCOMPARE(ed.field(i)->toPlainText(), QString());
        QCOMPARE(ed.e->rules().rule(0), newDictionaryRule());
    }

    void lostFocusCollapsesTheSelection()
    {
        StartedShell s;
        writeFile(s.dictFolder() + "/a.dict", rulesFile({"keyword\tv\t--------\t"}));
        Editor ed(s, "a.dict");
        ed.activate();
        ed.e->setListIndex(0);
        QPlainTextEdit* find = ed.field(0);
        find->setFocus(Qt::MouseFocusReason);
        find->selectAll();
        // Opening a menu keeps the field's code and its selection, so Cut
        // and Copy still find it.
        QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
        QApplication::sendEvent(find, &popup);
        QCOMPARE(s.app->editFieldNo, 1);
        QVERIFY(find->textCursor().hasSelection());
        // A real loss collapses it and frees Select All.
        QFocusEvent lost(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(find, &lost);
        QCOMPARE(s.app->editFieldNo, 0);
        QVERIFY(!find->textCursor().hasSelection());
        QCOMPARE(find->textCursor().position(), 0);
        QVERIFY(!ed.modified());
    }

    void selectAllActsOnTheFocusedField()
    {
        StartedShell s;
        writeFile(s.dictFolder() + "/a.dict", rulesFile({"k\tv\t--------\tcomment"}));
        Editor ed(s, "a.dict");
        ed.activate();
        ed.e->setListIndex(0);
        ed.field(2)->setFocus(Qt::MouseFocusReason);
        s.choose("selectAllMenu");
        QCOMPARE(ed.field(2)->textCursor().selectedText(), QStringLiteral("comment"));
        QVERIFY(!ed.field(0)->textCursor().hasSelection());
        // A click on a box keeps the field's focus.
        QTest::mouseClick(ed.box("isGrepCheck"), Qt::LeftButton);
        QVERIFY(ed.box("isGrepCheck")->isChecked());
        QVERIFY(ed.field(2)->hasFocus());
        QCOMPARE(s.app->editFieldNo, 7);
    }

    void addButtonAppendsARule()
    {
        StartedShell s;
        Editor ed(s, "a.dict");
        ed.activate();
        for (int n = 1; n <= 2; ++n) {
            QTest::mouseClick(ed.e->control("AddButton"), Qt::LeftButton);
            QCOMPARE(ed.e->rules().ruleCount(), n);
            QCOMPARE(ed.e->listIndex(), n - 1);
            QVERIFY(ed.modified());
            QVERIFY(ed.field(0)->hasFocus());
            QVERIFY(ed.box("isCaseSensitive")->isEnabled() && !ed.box("isGreedy")->isEnabled());
        }
        QCOMPARE(rows(*ed.e), (QStringList {"||--------|", "||--------|"}));
    }

    void optionBoxes_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("tick");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("marked");
        QTest::addColumn<bool>("regexEnabled");
        QTest::newRow("tick 1") << "--------" << "isGrepCheck" << true << "*-------" << true << true;
        QTest::newRow("untick 1 keeps 6") << "*----*--" << "isGrepCheck" << false << "-----*--" << true << false;
        QTest::newRow("tick 6 on four") << "----" << "isGreedy" << true << "-----*--" << true << false;
        QTest::newRow("tick 3 on two") << "**" << "isConfirmCheck" << true << "***-----" << true << true;
        QTest::newRow("untick 6 on four writes nothing") << "----" << "isGreedy" << false << "----" << false << false;
        QTest::newRow("tick 2 keeps 9 and 10") << "--------xy" << "isRepListCheck" << true << "-*------xy" << true
                                               << false;
        QTest::newRow("multi-byte character") << "-é------" << "isConfirmCheck" << true << "--*------" << true
                                              << false;
    }
    void optionBoxes()
    {
        QFETCH(QString, options);
        QFETCH(QString, box);
        QFETCH(bool, tick);
        QFETCH(QString, stored);
        QFETCH(bool, marked);
        QFETCH(bool, regexEnabled);
        StartedShell s;
        Editor ed(s, "a.dict");
        ed.e->rules().appendRule({"k", "v", options.toStdString(), ""});
        ed.e->setListIndex(0);
        QVERIFY(!ed.modified());
        QCheckBox* b = ed.box(box.toLatin1().constData());
        // The box's value changes to the state wanted (from the other one,
        // unseen, where it shows that state already).
        if (b->isChecked() == tick) {
            const QSignalBlocker block(b);
            b->setChecked(!tick);
        }
        b->setChecked(tick);
        QCOMPARE(QString::fromStdString(ed.e->rules().cell(0, OptionsColumn)), stored);
        QCOMPARE(ed.modified(), marked);
        QCOMPARE(ed.box("isGreedy")->isEnabled(), regexEnabled);
    }

    void foreignByteOnLoadingMarks()
    {
        StartedShell s;
        Editor ed(s, "a.dict");
        ed.e->rules().appendRule({"a", "", "*x------", ""});
        ed.e->rules().appendRule({"b", "", "--------", ""});
        // Box 2 was off already: the foreign byte under it stays.
        ed.e->setListIndex(0);
        QCOMPARE(ed.e->rules().cell(0, OptionsColumn), std::string("*x------"));
        QVERIFY(!ed.modified());
        ed.e->rules().appendRule({"c", "", "-*------", ""});
        ed.e->setListIndex(2);
        // Box 2 now ticked: loading row 0 unticks it and rewrites the byte.
        ed.e->setListIndex(0);
        QCOMPARE(ed.e->rules().cell(0, OptionsColumn), std::string("*-------"));
        QVERIFY(ed.modified());
        // With nothing selected the boxes change nothing.
        ed.e->setListIndex(-1);
        ed.box("isGrepCheck")->setChecked(true);
        QCOMPARE(ed.e->rules().cell(1, OptionsColumn), std::string("--------"));
    }

    void backspaceRemovesDeleteDoesNot()
    {
        StartedShell s;
        writeFile(s.dictFolder() + "/a.dict", rulesFile({"K\t1", "L\t2", "M\t3"}));
        Editor ed(s, "a.dict");
        ed.activate();
        ed.list()->setFocus();
        ed.e->setListIndex(1);
        QTest::keyClick(ed.list(), Qt::Key_Delete);
        QCOMPARE(ed.e->rules().ruleCount(), 3);
        QVERIFY(!ed.modified());
        QTest::keyClick(ed.list(), Qt::Key_Backspace);
        QCOMPARE(rows(*ed.e), (QStringList {"K|1|--------|", "M|3|--------|"}));
        QCOMPARE(ed.e->listIndex(), -1);
        QVERIFY(!ed.list()->currentIndex().isValid());
        QVERIFY(!ed.field(0)->isEnabled());
        QVERIFY(ed.modified());
        // With none selected: nothing removed, still marked.
        s.app->SetWindowModified(*ed.e, false);
        QTest::keyClick(ed.list(), Qt::Key_Backspace);
        QCOMPARE(ed.e->rules().ruleCount(), 2);
        QVERIFY(ed.modified());
        // Return goes to the search field.
        ed.e->setListIndex(0);
        ed.list()->setFocus();
        QTest::keyClick(ed.list(), Qt::Key_Return);
        QVERIFY(ed.field(0)->hasFocus());
    }

    void rowsTintedByTheirNumber()
    {
        StartedShell s;
        std::vector<std::string> lines;
        for (int i = 0; i < 30; ++i)
            lines.push_back("r" + std::to_string(i) + "\tx");
        writeFile(s.dictFolder() + "/a.dict", rulesFile(lines));
        Editor ed(s, "a.dict");
        ed.list()->scrollTo(ed.e->rules().index(1, 0), QAbstractItemView::PositionAtTop);
        QApplication::processEvents();
        QCOMPARE(ed.list()->rowAt(0), 1);
        const QImage shot = ed.list()->viewport()->grab().toImage();
        const int h = ed.list()->rowHeight(0);
        const QColor tint = QColor::fromRgb(rowTintRgb);
        const int lineX = ed.list()->columnViewportPosition(0) + ed.list()->columnWidth(0) - 1;
        for (int row = 1; row <= 4; ++row) {
            const int y = ed.list()->rowViewportPosition(row) + h / 2;
            QCOMPARE(shot.pixelColor(40, y) == tint, row % 2 == 0);
            QCOMPARE(shot.pixelColor(400, y) == tint, row % 2 == 0);
            QCOMPARE(shot.pixelColor(lineX, y), QColor::fromRgb(columnLineRgb));
        }
    }

    void selectionFollowsItsRow()
    {
        StartedShell s;
        writeFile(s.dictFolder() + "/a.dict", rulesFile({"K\t1", "L\t2", "M\t3"}));
        Editor ed(s, "a.dict");
        ed.e->setListIndex(1);
        ed.e->rules().insertRules(0, {newDictionaryRule(), newDictionaryRule()});
        QCOMPARE(ed.e->listIndex(), 3);
        ed.e->rules().removeRules(0, 1);
        QCOMPARE(ed.e->listIndex(), 2);
        QCOMPARE(ed.field(0)->toPlainText(), QStringLiteral("L"));
    }

    void editInPlace_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("x = 278: search") << 278 << 0 << "a\tb" << "a\\tb";
        QTest::newRow("x = 279: replacement") << 279 << 1 << "r" << "r";
        QTest::newRow("unchanged text still marks") << 100 << 0 << "" << "";
    }
    void editInPlace()
    {
        QFETCH(int, x);
        QFETCH(int, column);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        StartedShell s;
        writeFile(s.dictFolder() + "/a.dict", rulesFile({"K\t1", "L\t2"}));
        Editor ed(s, "a.dict");
        ed.activate();
        QCOMPARE(ed.list()->width(), 573);
        QWidget* vp = ed.list()->viewport();
        const int vx = x - vp->mapTo(ed.content(), QPoint(0, 0)).x();
        const QPoint at(vx, ed.rowY(1));
        QTest::mouseClick(vp, Qt::LeftButton, {}, at);
        QCOMPARE(ed.e->listIndex(), 1);
        QTest::mouseDClick(vp, Qt::LeftButton, {}, at);
        QCOMPARE(ed.e->lastInlineCell, 1);
        QCOMPARE(ed.e->listIndex(), -1);
        QVERIFY(ed.e->rules().isCellEditable(1, column));
        QVERIFY(!ed.e->rules().isCellEditable(1, 1 - column));
        QVERIFY(!ed.modified());
        // A click on the editable cell opens the list's editor.
        const QRect cell = ed.list()->visualRect(ed.e->rules().index(1, column));
        QTest::mouseClick(vp, Qt::LeftButton, {}, cell.center());
        auto* editor = vp->findChild<QLineEdit*>();
        QVERIFY(editor);
        const std::string before = ed.e->rules().cell(1, column);
        if (!typed.isEmpty())
            editor->setText(typed);
        QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents();
        QCOMPARE(QString::fromStdString(ed.e->rules().cell(1, column)),
                 typed.isEmpty() ? QString::fromStdString(before) : stored);
        QVERIFY(ed.modified());
        QCOMPARE(ed.e->listIndex(), 1);
        QVERIFY(!ed.e->rules().isCellEditable(1, column));
        QCOMPARE(ed.field(column)->toPlainText(), QString::fromStdString(ed.e->rules().cell(1, column)));
    }

    void doubleClickWithoutSelection()
    {
        StartedShell s;
        Editor ed(s, "a.dict");
        ed.e->lastInlineCell = 5;
        ed.e->dictList_DoubleClick(QPointF(10, 300));
        QCOMPARE(ed.e->lastInlineCell, -1);
        QVERIFY(!ed.modified());
    }

    void dragAndDropReorders_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("onto");
        QTest::addColumn<QString>("order");
        QTest::newRow("K onto M") << 0 << 2 << "LKMN";
        QTest::newRow("N onto L") << 3 << 1 << "KNLM";
        QTest::newRow("L below the last") << 1 << 4 << "KMNL";
        QTest::newRow("K onto K") << 0 << 0 << "KLMN";
        QTest::newRow("K onto L") << 0 << 1 << "KLMN";
    }
    void dragAndDropReorders()
    {
        QFETCH(int, from);
        QFETCH(int, onto);
        QFETCH(QString, order);
        StartedShell s;
        writeFile(s.dictFolder() + "/a.dict", rulesFile({"K\tk\t--------\tc", "L\tl", "M\tm", "N\tn"}));
        Editor ed(s, "a.dict");
        ed.e->setListIndex(from);
        std::unique_ptr<QMimeData> data(ed.view()->dragData(from));
        // The drag carries its own format alone.
        QCOMPARE(data->formats(), QStringList {QStringLiteral("application/x-tesvora-word")});
        ed.drop(data.get(), ed.rowY(onto));
        QString got;
        for (const DictionaryRule& r : ed.e->rules().rules())
            got += QString::fromStdString(r.search);
        QCOMPARE(got, order);
        QVERIFY(ed.modified());
        QCOMPARE(ed.e->listIndex(), -1);
        QCOMPARE(ed.e->rules().ruleCount(), 4);
        QVERIFY(rows(*ed.e).contains(QStringLiteral("K|k|--------|c")));
    }

    void dropRowFollowsTheRowsOnScreen()
    {
        StartedShell s;
        std::vector<std::string> lines;
        for (int i = 0; i < 40; ++i)
            lines.push_back("r" + std::to_string(i) + "\tx");
        writeFile(s.dictFolder() + "/a.dict", rulesFile(lines));
        Editor ed(s, "a.dict");
        ed.list()->scrollTo(ed.e->rules().index(10, 0), QAbstractItemView::PositionAtTop);
        QApplication::processEvents();
        QCOMPARE(ed.list()->rowAt(0), 10);
        const int h = ed.list()->rowHeight(0);
        QCOMPARE(ed.view()->dropRowAt(2 * h + 1), 12);
        QCOMPARE(ed.view()->dropRowAt(0), 10);
        QCOMPARE(ed.view()->dropRowAt(-5), 10);
    }

    void copyBetweenEditors()
    {
        StartedShell s;
        writeFile(s.dictFolder() + "/a.dict", rulesFile({"X1\tx", "X2\tx"}));
        writeFile(s.dictFolder() + "/b.dict", rulesFile({"Y1\ty", "Y2\ty"}));
        Editor x(s, "a.dict");
        Editor y(s, "b.dict");
        x.e->setListIndex(1);
        y.e->setListIndex(0);
        std::unique_ptr<QMimeData> data(x.view()->dragData(1));
        y.drop(data.get(), y.rowY(1));
        QCOMPARE(rows(*y.e), (QStringList {"Y1|y|--------|", "X2|x|--------|", "Y2|y|--------|"}));
        QVERIFY(y.modified());
        QCOMPARE(y.e->listIndex(), 0);
        QCOMPARE(rows(*x.e), (QStringList {"X1|x|--------|", "X2|x|--------|"}));
        QVERIFY(!x.modified());
        QCOMPARE(x.e->listIndex(), 1);
    }

    void editorsOfTheSameTitleCopy()
    {
        // Two editors on missing files share the empty title.
        StartedShell s(QStringList {});
        Editor x(s, "gone1.dict");
        Editor y(s, "gone2.dict");
        QCOMPARE(x.e->Title(), y.e->Title());
        x.e->rules().appendRule({"X", "", "--------", ""});
        y.e->rules().appendRule({"Y", "", "--------", ""});
        x.e->setListIndex(0);
        y.e->setListIndex(0);
        std::unique_ptr<QMimeData> data(x.view()->dragData(0));
        y.drop(data.get(), y.rowY(1));
        QCOMPARE(rows(*y.e), (QStringList {"Y||--------|", "X||--------|"}));
        QCOMPARE(x.e->rules().ruleCount(), 1);
    }

    void foreignDropsDoNothing()
    {
        StartedShell s;
        writeFile(s.dictFolder() + "/a.dict", rulesFile({"K\tk"}));
        Editor ed(s, "a.dict");
        QMimeData text;
        text.setText(QStringLiteral("plain"));
        text.setUrls({QUrl::fromLocalFile(QString::fromStdString(s.dictFolder() + "/a.dict"))});
        ed.drop(&text, ed.rowY(0));
        QCOMPARE(ed.e->rules().ruleCount(), 1);
        QVERIFY(!ed.modified());
        // A payload from elsewhere is a copy of its rules, taken as they come.
        QMimeData word;
        word.setData(QStringLiteral("application/x-tesvora-word"), QByteArray("other\ra\tb\rc\td\te\tf\tg\th"));
        ed.drop(&word, ed.rowY(1));
        QCOMPARE(rows(*ed.e), (QStringList {"K|k|--------|", "a|b||", "c|d|e|f"}));
        QVERIFY(ed.modified());
    }

    void saveAndReopenByteForByte()
    {
        StartedShell s;
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect frame(area.left() + 30, area.top() + 40, 600, 420);
        const std::string header = "Tesvora Dictionary," + std::to_string(frame.x()) + "," + std::to_string(frame.y())
            + ",600,420,UTF8";
        const std::string bytes = rulesFile({"a\\rb\tc\\td\t*-*-----\tnote", "\t\t--------\t", "x\ty\t-\t"}, header);
        writeFile(s.dictFolder() + "/a.dict", bytes);
        {
            Editor ed(s, "a.dict");
            QCOMPARE(contentOf(*ed.e), frame);
            s.choose("fileSave");
            QCOMPARE(readFile(s.dictFolder() + "/a.dict"), bytes);
            QVERIFY(!ed.modified());
            ed.e->Close();
        }
        QCOMPARE(s.app->prefDicWinPos,
                 std::to_string(frame.x()) + "," + std::to_string(frame.y()) + ",600,420");
        Editor again(s, "a.dict");
        QCOMPARE(contentOf(*again.e), frame);
        QCOMPARE(again.e->rules().ruleCount(), 3);
        again.e->setListIndex(0);
        QCOMPARE(again.field(0)->toPlainText(), QStringLiteral("a\\rb"));
        s.choose("fileSave");
        QCOMPARE(readFile(s.dictFolder() + "/a.dict"), bytes);
    }

    void unplaceableFrameShowsTheMinimum_data()
    {
        QTest::addColumn<QString>("numbers");
        QTest::newRow("degenerate") << "10,10,0,0";
        QTest::newRow("off every screen") << "-30000,-30000,600,400";
    }
    void unplaceableFrameShowsTheMinimum()
    {
        QFETCH(QString, numbers);
        StartedShell s;
        const std::string bytes = rulesFile({"a\tb"}, "Tesvora Dictionary," + numbers.toStdString() + ",UTF8");
        writeFile(s.dictFolder() + "/a.dict", bytes);
        Editor ed(s, "a.dict");
        QCOMPARE(ed.e->widget()->size(), ed.e->widget()->minimumSize());
        QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().intersects(ed.e->widget()->geometry()));
        // The file keeps its numbers until the next save.
        QCOMPARE(readFile(s.dictFolder() + "/a.dict"), bytes);
    }

    void smallFramePlacesTheWindow()
    {
        StartedShell s;
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        const QPoint at = area.topLeft() + QPoint(30, 40);
        writeFile(s.dictFolder() + "/a.dict",
                  rulesFile({"a\tb"}, "Tesvora Dictionary," + std::to_string(at.x()) + "," + std::to_string(at.y())
                                          + ",573,360,UTF8"));
        Editor ed(s, "a.dict");
        QCOMPARE(contentOf(*ed.e).topLeft(), at);
        QCOMPARE(ed.e->widget()->size(), ed.e->widget()->minimumSize());
    }

    void closeWithEachAnswer_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("open");
        QTest::addColumn<bool>("written");
        QTest::newRow("save") << "saveButton" << false << true;
        QTest::newRow("cancel") << "cancelButton" << true << false;
        QTest::newRow("don't save") << "docloseButton" << false << false;
    }
    void closeWithEachAnswer()
    {
        QFETCH(QString, button);
        QFETCH(bool, open);
        QFETCH(bool, written);
        StartedShell s;
        const std::string bytes = rulesFile({"K\tk"});
        writeFile(s.dictFolder() + "/a.dict", bytes);
        Editor ed(s, "a.dict");
        // Unmodified: closes without asking.
        {
            Editor plain(s, "b.dict");
            QVERIFY(plain.e->Close());
            QVERIFY(!isSaveSheet::isShown());
        }
        QTest::mouseClick(ed.e->control("AddButton"), Qt::LeftButton);
        const std::string name = button.toStdString();
        bool asked = false;
        QTimer::singleShot(0, [&] {
            asked = isSaveSheet::isShown();
            QTest::mouseClick(isSaveSheet::instance().control(name), Qt::LeftButton);
        });
        QCOMPARE(!ed.e->Close(), open);
        QVERIFY(asked);
        QCOMPARE(ed.e->isOpen(), open);
        const std::string now = readFile(s.dictFolder() + "/a.dict");
        QCOMPARE(now != bytes, written);
        if (written)
            QVERIFY(now.find("K\tk\t--------\t\r\t\t--------\t\r") != std::string::npos);
        if (open)
            QVERIFY(ed.modified());
    }

    void failedSaveKeepsTheChanges()
    {
        StartedShell s;
        writeFile(s.dictFolder() + "/a.dict", rulesFile({"K\tk"}));
        Editor ed(s, "a.dict");
        QTest::mouseClick(ed.e->control("AddButton"), Qt::LeftButton);
        // A folder now stands where the file was.
        std::filesystem::remove(s.dictFolder() + "/a.dict");
        std::filesystem::create_directory(s.dictFolder() + "/a.dict");
        s.choose("fileSave");
        QVERIFY(ed.modified());
        QCOMPARE(s.seam.messages.size(), size_t(1));
        QCOMPARE(s.seam.messages[0], std::string("辞書 \"a.dict\" を保存できませんでした。"));
        QVERIFY(!s.seam.informativeTexts[0].empty());
        // From the close question too: the window stays, marked.
        QTimer::singleShot(0, [] { QTest::mouseClick(isSaveSheet::instance().control("saveButton"), Qt::LeftButton); });
        QVERIFY(!ed.e->Close());
        QVERIFY(ed.e->isOpen());
        QVERIFY(ed.modified());
        QCOMPARE(s.seam.messages.size(), size_t(2));
        // And it stops a quit.
        QTimer::singleShot(0, [] { QTest::mouseClick(isSaveSheet::instance().control("saveButton"), Qt::LeftButton); });
        QVERIFY(!s.app->quitCommand());
        QVERIFY(ed.e->isOpen());
        QVERIFY(ed.modified());
    }

    void saveCreatesAMissingFile()
    {
        StartedShell s;
        writeFile(s.dictFolder() + "/a.dict", rulesFile({"K\tk"}));
        Editor ed(s, "a.dict");
        std::filesystem::remove(s.dictFolder() + "/a.dict");
        s.choose("fileSave");
        QVERIFY(!ed.modified());
        QVERIFY(readFile(s.dictFolder() + "/a.dict").find("K\tk\t--------\t\r") != std::string::npos);
        QVERIFY(s.seam.messages.empty());
    }

    void droppedWhileEditing()
    {
        StartedShell s;
        s.app->editDic = "a.dict";
        auto editor = std::make_shared<dicEdit>();
        editor->widget()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(editor->widget()));
        QTest::mouseClick(editor->control("AddButton"), Qt::LeftButton);
        QCOMPARE(s.app->editFieldNo, 1);
        QPointer<QWidget> w = editor->widget();
        editor.reset();
        QVERIFY(w.isNull());
        QCOMPARE(s.app->editFieldNo, 0);
    }

    void tenThousandRules()
    {
        StartedShell s;
        std::vector<std::string> lines;
        for (int i = 0; i < 10000; ++i)
            lines.push_back("検索" + std::to_string(i) + "\t置換" + std::to_string(i) + "\t*-*-----\t注釈" + std::to_string(i));
        const std::string bytes = rulesFile(lines, "Tesvora Dictionary,20,30,600,420,UTF8");
        writeFile(s.dictFolder() + "/big.dict", bytes);
        QElapsedTimer t;
        t.start();
        Editor ed(s, "big.dict");
        QApplication::processEvents();
        const qint64 opened = t.elapsed();
        QCOMPARE(ed.e->rules().ruleCount(), 10000);
        t.restart();
        ed.list()->scrollToBottom();
        ed.list()->viewport()->repaint();
        ed.e->setListIndex(9999);
        const qint64 scrolled = t.elapsed();
        t.restart();
        s.choose("fileSave");
        const qint64 saved = t.elapsed();
        QCOMPARE(readFile(s.dictFolder() + "/big.dict").size(), bytes.size());
        std::printf("10000 rules (%zu bytes): open %lld ms, scroll to the end %lld ms, save %lld ms\n", bytes.size(),
                    static_cast<long long>(opened), static_cast<long long>(scrolled), static_cast<long long>(saved));
    }
};

QTEST_MAIN(TestDicEdit)
#include "tst_dicedit.moc"
