// Real passes with their real windows, headless, driven through the
// windows' named controls as a user would: confirming rules (replace, edit
// and replace, skip, cancel, stop confirming), candidate rules (every way of
// choosing a row), the window's stored frame and expanded height, where a
// match is marked on texts with CR, CR LF, emoji and combining marks, and
// script rules.

#include "app/ui/App.h"
#include "app/ui/SharedDialogs.h"
#include "platform/core/FolderItem.h"
#include "proofing/core/proof.h"
#include "proofing/ui/CheckText.h"
#include "proofing/ui/PassWindows.h"
#include "proofing/ui/grepWindow.h"
#include "proofing/ui/selectPallete.h"
#include "support/Files.h"
#include "support/TestServices.h"
#include "tst_interactive_marks.h"

#include "support/Wait.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include <csignal>
#include <functional>
#include <memory>

using namespace tv;
using tv::test::markedRuns;
using tv::test::readFile;
using tv::test::writeFile;

namespace {

using tv::test::waitFor;

} // namespace

class TestInteractive : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void confirming_data();
    void confirming();
    void replacementAsProposedOrTyped_data();
    void replacementAsProposedOrTyped();
    void eachProposalShowsFromItsFirstLine();
    void minimisedWindowComesBack();
    void stopConfirmingForTheRestOfARule();
    void cancelWhileAMatchIsShown();
    void candidates_data();
    void candidates();
    void skipShowsTheMatchAgain();
    void paletteFollowsTheWindowOnlyWhileAsking();
    void storedFrameAndHeight_data();
    void storedFrameAndHeight();
    void positions_data();
    void positions();
    void scripts_data();
    void scripts();
    void scriptThatNeverEndsIsCancelled_data();
    void scriptThatNeverEndsIsCancelled();
    void missingScriptAppearsWhileItsNoticeIsShown();
    void scriptOfAConfirmingRule();

private:
    void dictionary(const std::string& rules);
    void queue(const std::string& name, const std::string& bytes);
    void script(const std::string& name, const std::string& body);
    void start();
    // Waits until the pass asks about a match (true), or has ended (false).
    bool asked();
    bool passEnded()
    {
        return waitFor([this] { return !app_->isWorking && !grepWindow::openInstance(); });
    }
    std::string output(const std::string& name) { return readFile(root_ + "/in/" + name); }
    bool outputExists(const std::string& name)
    {
        return QFile::exists(QString::fromStdString(root_ + "/in/" + name));
    }
    grepWindow& window() { return *grepWindow::openInstance(); }
    QWidget* control(const char* name) { return window().control(name); }
    void click(const char* name) { QTest::mouseClick(control(name), Qt::LeftButton); }
    QPlainTextEdit* box() { return window().controlAs<QPlainTextEdit>("checkTextBox"); }
    QPlainTextEdit* field() { return window().controlAs<QPlainTextEdit>("replaceField"); }
    QTableWidget* list() { return selectPallete::openInstance()->controlAs<QTableWidget>("selectList"); }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<test::TestServices> seam_;
    std::unique_ptr<App> app_;
    std::string root_;
};

void TestInteractive::init()
{
    dir_ = std::make_unique<QTemporaryDir>(test::fixtureTemplate("tst_interactive"));
    root_ = dir_->path().toStdString();
    for (const char* sub : {"/app/Dictionary", "/app/Script", "/cfg", "/in"})
        QDir().mkpath(QString::fromStdString(root_ + sub));
    FolderItem::overrideApplicationFolder(root_ + "/app");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(root_ + "/cfg"));
    seam_ = std::make_unique<test::TestServices>();
    dictionary("");
    app_ = std::make_unique<App>();
    app_->Event_Open();
    installPassStarter();
    app_->prefDefaultDic = "test.dict";
    app_->prefAlarmType = "none";
    app_->prefGrepWinPos.clear();
}

void TestInteractive::cleanup()
{
    // A pass a failed check left waiting is cancelled and let end.
    if (app_->isWorking) {
        app_->grepCancel = true;
        passEnded();
    }
    app_.reset();
    seam_.reset();
    FolderItem::overrideApplicationFolder("");
    dir_.reset();
}

void TestInteractive::dictionary(const std::string& rules)
{
    writeFile(root_ + "/app/Dictionary/test.dict", "Tesvora Dictionary,100,100,573,502,UTF8\r" + rules);
}

void TestInteractive::queue(const std::string& name, const std::string& bytes)
{
    writeFile(root_ + "/in/" + name, bytes);
    app_->dropItem.push_back(FolderItem::fromPath(root_ + "/in/" + name));
}

void TestInteractive::script(const std::string& name, const std::string& body)
{
    const std::string path = root_ + "/app/Script/" + name;
    writeFile(path, "#!/bin/sh\n" + body);
    QFile::setPermissions(QString::fromStdString(path),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void TestInteractive::start()
{
    // The pass clears it only right before it waits for an answer.
    app_->notifyClose = true;
    app_->startProof();
}

bool TestInteractive::asked()
{
    if (!waitFor([this] { return !app_->isWorking || !app_->notifyClose; }))
        return false;
    return app_->isWorking;
}

void TestInteractive::confirming_data()
{
    // Answers, one per match: r replace as proposed, e type "xyz" and
    // replace, d empty the field and replace, s skip. Where each match
    // stands (0-based) when it is asked about.
    QTest::addColumn<QString>("answers");
    QTest::addColumn<QList<int>>("offsets");
    QTest::addColumn<QByteArray>("result");
    QTest::newRow("replace every match") << "rrr" << QList<int>{0, 4, 8} << QByteArray("[a]-[a]-[a]\n");
    QTest::newRow("edit, then replace") << "rer" << QList<int>{0, 4, 8} << QByteArray("[a]-xyz-[a]\n");
    QTest::newRow("empty field deletes") << "dsd" << QList<int>{0, 1, 3} << QByteArray("-a-\n");
    QTest::newRow("skip every match") << "sss" << QList<int>{0, 2, 4} << QByteArray();
    QTest::newRow("skip, then replace") << "srs" << QList<int>{0, 2, 6} << QByteArray("a-[a]-a\n");
}

void TestInteractive::confirming()
{
    QFETCH(QString, answers);
    QFETCH(QList<int>, offsets);
    QFETCH(QByteArray, result);
    dictionary("a\t[a]\t--*-----\tthe note\r");
    queue("memo.txt", "a-a-a\n");
    start();
    int replaced = 0;
    for (int i = 0; i < answers.size(); ++i) {
        QVERIFY(asked());
        QVERIFY(box()->isVisible());
        QVERIFY(field()->isVisible());
        QVERIFY(!control("replaceText")->isVisible());
        QCOMPARE(window().Height(), grepWindow::designHeight);
        QCOMPARE(field()->toPlainText(), QStringLiteral("[a]"));
        QCOMPARE(field()->textCursor().selectedText(), QStringLiteral("[a]"));
        QVERIFY(field()->hasFocus());
        QCOMPARE(field()->toolTip(), QStringLiteral("the note"));
        QCOMPARE(window().replaceCount(), std::to_string(replaced));
        QCOMPARE(window().selStart, offsets[i]);
        QCOMPARE(window().selLength, 1);
        QCOMPARE(window().selText, std::string("a"));
        QCOMPARE(box()->textCursor().position(), offsets[i]);
        QCOMPARE(markedRuns(box()).last(), QStringLiteral("a"));
        const QChar answer = answers[i];
        if (answer == QLatin1Char('e'))
            QTest::keyClicks(field(), "xyz");
        if (answer == QLatin1Char('d'))
            QTest::keyClick(field(), Qt::Key_Delete);
        if (answer == QLatin1Char('s')) {
            click("skipButton");
        } else {
            click("replaceButton");
            ++replaced;
        }
    }
    QVERIFY(passEnded());
    QCOMPARE(QByteArray::fromStdString(output("memo[fixed].txt")), result);
    QCOMPARE(outputExists("memo[fixed].txt"), !result.isEmpty());
    QVERIFY(seam_->messages.empty());
}

void TestInteractive::replacementAsProposedOrTyped_data()
{
    // The rule's replacement as stored, what is typed over the proposal
    // (nothing: accepted as proposed; "\n" stands for Return), and the
    // output. A no-break space, U+2028 and U+2029 reach the output as they
    // are; only a line break becomes the file's line end.
    QTest::addColumn<QByteArray>("replacement");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("result");
    QTest::newRow("no-break space") << QByteArray("x\xC2\xA0y") << QString() << QByteArray("日本-x\xC2\xA0y-\n");
    QTest::newRow("line and paragraph separators")
        << QByteArray("x\xE2\x80\xA8y\xE2\x80\xA9z") << QString() << QByteArray("日本-x\xE2\x80\xA8y\xE2\x80\xA9z-\n");
    QTest::newRow("a line end") << QByteArray("x\\ry") << QString() << QByteArray("日本-x\ny-\n");
    QTest::newRow("typed no-break space") << QByteArray("x") << QStringLiteral("p\u00A0q") << QByteArray("日本-p\xC2\xA0q-\n");
    QTest::newRow("typed line break") << QByteArray("x\xC2\xA0y") << QStringLiteral("p\nq") << QByteArray("日本-p\nq-\n");
}

void TestInteractive::replacementAsProposedOrTyped()
{
    QFETCH(QByteArray, replacement);
    QFETCH(QString, typed);
    QFETCH(QByteArray, result);
    dictionary("a\t" + replacement.toStdString() + "\t--*-----\t\r");
    // A UTF-8 file, so that every character can be written back.
    queue("memo.txt", "日本-a-\n");
    start();
    QVERIFY(asked());
    const QStringList pieces = typed.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i)
            QTest::keyClick(field(), Qt::Key_Return);
        QTest::keyClicks(field(), pieces[i]);
    }
    click("replaceButton");
    QVERIFY(passEnded());
    QCOMPARE(QByteArray::fromStdString(output("memo[fixed].txt")), result);
}

void TestInteractive::eachProposalShowsFromItsFirstLine()
{
    // A proposal of two lines in the one-line field, after an answer into
    // which a line break was typed: the field shows its first line, all of
    // it selected, the caret at its start.
    dictionary("a\tx\\ry\t--*-----\t\r");
    queue("memo.txt", "a-a-a\n");
    start();
    for (int i = 0; i < 3; ++i) {
        QVERIFY(asked());
        QCOMPARE(field()->verticalScrollBar()->value(), 0);
        QCOMPARE(field()->textCursor().selectionStart(), 0);
        QCOMPARE(field()->textCursor().position(), 0);
        QCOMPARE(field()->textCursor().selectedText(), QStringLiteral("x\u2029y"));
        if (i == 0) {
            QTest::keyClick(field(), Qt::Key_End, Qt::ControlModifier);
            QTest::keyClick(field(), Qt::Key_Return);
            QTest::keyClicks(field(), "z");
        }
        click("replaceButton");
    }
    QVERIFY(passEnded());
    QCOMPARE(output("memo[fixed].txt"), std::string("x\ny\nz-x\ny-x\ny\n"));
}

void TestInteractive::minimisedWindowComesBack()
{
    dictionary("a\tb\t--*-----\t\r");
    queue("memo.txt", "a-a\n");
    start();
    QVERIFY(asked());
    window().widget()->showMinimized();
    QVERIFY(window().widget()->isMinimized());
    click("replaceButton");
    // The next confirmation brings it back, raised and visible.
    QVERIFY(asked());
    QVERIFY(!window().widget()->isMinimized());
    QVERIFY(window().widget()->isVisible());
    click("replaceButton");
    QVERIFY(passEnded());
    QCOMPARE(output("memo[fixed].txt"), std::string("b-b\n"));
}

void TestInteractive::stopConfirmingForTheRestOfARule()
{
    // Two confirming rules: the first one stops asking after its first
    // answer; the second asks again, with the first one's work in its text.
    dictionary("a\t[a]\t--*-----\t\rb\t<b>\t--*-----\t\r");
    queue("memo.txt", "a b a b a\n");
    start();
    QVERIFY(asked());
    auto* check = window().controlAs<QCheckBox>("manualCheck");
    QVERIFY(check->isEnabled());
    QCOMPARE(field()->toolTip(), QStringLiteral("置換する文字列です。"));
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(5, check->height() / 2));
    QVERIFY(check->isChecked());
    QTest::keyClicks(field(), "A");
    click("replaceButton");
    // The second rule's first match, in the text as the first rule left it.
    QVERIFY(asked());
    QCOMPARE(box()->toPlainText(), QStringLiteral("A b [a] b [a]\n"));
    QCOMPARE(window().selStart, 2);
    QVERIFY(check->isEnabled());
    QVERIFY(!check->isChecked());
    click("skipButton");
    QVERIFY(asked());
    QCOMPARE(window().selStart, 8);
    click("replaceButton");
    QVERIFY(passEnded());
    QCOMPARE(output("memo[fixed].txt"), std::string("A b [a] <b> [a]\n"));
}

void TestInteractive::cancelWhileAMatchIsShown()
{
    // The first file is done before the second is asked about.
    dictionary("a\tb\t--*-----\t\r");
    queue("one.txt", "a\n");
    queue("two.txt", "a a\n");
    start();
    QVERIFY(asked());
    click("replaceButton");
    QVERIFY(asked());
    window().flush();
    QCOMPARE(window().Title(), std::string("\"two.txt\" を校正中..."));
    click("cancelButton");
    QVERIFY(passEnded());
    QCOMPARE(output("one[fixed].txt"), std::string("b\n"));
    QVERIFY(!outputExists("two[fixed].txt"));
    QVERIFY(seam_->messages.empty());
}

void TestInteractive::candidates_data()
{
    // How the row is chosen: R Return, 2 a digit, 9 a digit beyond the last
    // row, S space then Return, D a double click on row 2, B the window's
    // own "置換" with row 1 selected by the arrow key.
    QTest::addColumn<QString>("how");
    QTest::addColumn<QByteArray>("result");
    QTest::newRow("Return at once keeps the match") << "R" << QByteArray();
    QTest::newRow("a digit") << "2" << QByteArray("とうきょうへ\n");
    QTest::newRow("a digit beyond the last row") << "9" << QByteArray();
    QTest::newRow("space, then Return") << "S" << QByteArray("「東京」へ\n");
    QTest::newRow("a double click") << "D" << QByteArray("とうきょうへ\n");
    QTest::newRow("the window's replace button") << "B" << QByteArray("「東京」へ\n");
}

void TestInteractive::candidates()
{
    QFETCH(QString, how);
    QFETCH(QByteArray, result);
    // A regular-expression rule: "$1" is filled in from the match's groups,
    // and a backslash keeps a bar inside a candidate.
    dictionary("(東京)\t「$1」|とうきょう|\\|\t**------\t括弧|ひらがな\r");
    queue("memo.txt", "東京へ\n");
    start();
    QVERIFY(asked());
    selectPallete* palette = selectPallete::openInstance();
    QVERIFY(palette);
    QVERIFY(palette->widget()->isVisible());
    QVERIFY(control("replaceText")->isVisible());
    QVERIFY(!field()->isVisible());
    auto* check = window().controlAs<QCheckBox>("manualCheck");
    QVERIFY(!check->isEnabled());
    QCOMPARE(palette->ListCount(), 4);
    QCOMPARE(palette->cell(0, 0), std::string("東京"));
    QCOMPARE(palette->cell(0, 1), std::string("(置換しない)"));
    QCOMPARE(palette->cell(1, 0), std::string("「東京」"));
    QCOMPARE(palette->cell(1, 1), std::string("括弧"));
    QCOMPARE(palette->cell(2, 1), std::string("ひらがな"));
    QCOMPARE(palette->cell(3, 0), std::string("|"));
    QCOMPARE(palette->ListIndex(), 0);
    QCOMPARE(markedRuns(box()), QStringList{"東京"});
    QVERIFY(list()->hasFocus());
    QTableWidget* l = list();
    if (how == "R") {
        QTest::keyClick(l, Qt::Key_Return);
    } else if (how == "2" || how == "9") {
        QTest::keyClick(l, how[0].toLatin1());
    } else if (how == "S") {
        QTest::keyClick(l, Qt::Key_Space);
        QCOMPARE(markedRuns(box()), QStringList{"「東京」"});
        QCOMPARE(box()->toPlainText(), QStringLiteral("「東京」へ\n"));
        QTest::keyClick(l, Qt::Key_Return);
    } else if (how == "D") {
        QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(l->item(2, 0)).center());
    } else {
        QTest::keyClick(l, Qt::Key_Down);
        click("replaceButton");
    }
    QVERIFY(passEnded());
    QCOMPARE(QByteArray::fromStdString(output("memo[fixed].txt")), result);
    QCOMPARE(outputExists("memo[fixed].txt"), !result.isEmpty());
    QVERIFY(!selectPallete::openInstance());
    QVERIFY(seam_->messages.empty());
}

void TestInteractive::skipShowsTheMatchAgain()
{
    dictionary("x\tone|two\t-*------\t\r");
    queue("memo.txt", "x x\n");
    start();
    QVERIFY(asked());
    QTest::keyClick(list(), Qt::Key_Space);
    QTest::keyClick(list(), Qt::Key_Space);
    QCOMPARE(box()->toPlainText(), QStringLiteral("two x\n"));
    click("skipButton");
    // The palette stays for the next match; the text shows the match again.
    QVERIFY(asked());
    QVERIFY(selectPallete::openInstance());
    QCOMPARE(box()->toPlainText(), QStringLiteral("x x\n"));
    QCOMPARE(window().selStart, 2);
    QTest::keyClick(list(), '1');
    QVERIFY(passEnded());
    QCOMPARE(output("memo[fixed].txt"), std::string("x one\n"));
}

void TestInteractive::paletteFollowsTheWindowOnlyWhileAsking()
{
    app_->prefAlarmType = "dialog";
    dictionary("x\tone|two\t-*------\t\r");
    queue("memo.txt", "x\n");
    start();
    QVERIFY(asked());
    selectPallete* palette = selectPallete::openInstance();
    const int left = palette->Left();
    QWidget* w = window().widget();
    w->move(w->x() + 40, w->y());
    QVERIFY(waitFor([&] { return palette->Left() == left + 40; }));
    QTest::keyClick(list(), '1');
    // The result notice waits; moving the window brings no palette back.
    QVERIFY(waitFor([] { return notifySheet::isShown(); }));
    QVERIFY(app_->isWorking && app_->isSelectRep);
    w->move(w->x() + 40, w->y());
    QTest::qWait(20);
    QVERIFY(!selectPallete::openInstance());
    QTest::mouseClick(notifySheet::instance().control("PushButton1"), Qt::LeftButton);
    QVERIFY(passEnded());
}

void TestInteractive::storedFrameAndHeight_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("expanded");
    QTest::addColumn<int>("resizedTo");
    QTest::newRow("stored frame") << "100,80,400,500" << 500 << 420;
    QTest::newRow("nothing stored") << "" << 338 << 0;
}

void TestInteractive::storedFrameAndHeight()
{
    QFETCH(QString, stored);
    QFETCH(int, expanded);
    QFETCH(int, resizedTo);
    app_->prefGrepWinPos = stored.toStdString();
    // A confirming rule, a rule that does not confirm, and one more.
    dictionary("a\tb\t--*-----\t\rq\tr\t\t\rb\tc\t--*-----\t\r");
    queue("memo.txt", "a\n");
    start();
    QVERIFY(asked());
    const int width = window().Width();
    if (!stored.isEmpty()) {
        QCOMPARE(window().Left(), 100);
        QCOMPARE(window().Top(), 80);
        QCOMPARE(width, 400);
    } else {
        // Centred on the screen by its design size.
        QCOMPARE(width, grepWindow::designWidth);
        const QRect area = window().widget()->screen()->availableGeometry();
        QCOMPARE(window().Left(), area.x() + (area.width() - grepWindow::designWidth) / 2);
        QCOMPARE(window().Top(), area.y() + (area.height() - grepWindow::designHeight) / 2);
    }
    QCOMPARE(window().Height(), expanded);
    QVERIFY(window().widget()->minimumHeight() == 338 && window().widget()->maximumHeight() == 32000);
    if (resizedTo)
        window().widget()->resize(width, resizedTo);
    click("replaceButton");
    // The next confirming rule expands the window again, to the height the
    // user left; the rule between collapsed it.
    QVERIFY(asked());
    QCOMPARE(window().Height(), resizedTo ? resizedTo : expanded);
    click("replaceButton");
    QVERIFY(passEnded());
    const std::string frame = app_->prefGrepWinPos;
    QCOMPARE(QString::fromStdString(frame).section(QLatin1Char(','), 2, 3),
        QString::number(width) + QLatin1Char(',') + QString::number(resizedTo ? resizedTo : expanded));
    QCOMPARE(output("memo[fixed].txt"), std::string("c\n"));
}

void TestInteractive::positions_data()
{
    // The text of the pass (a file, or the clipboard), the match's offset in
    // characters, and the match's position in the text box.
    QTest::addColumn<bool>("clipboard");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("boxPosition");
    QTest::addColumn<QByteArray>("result");
    QTest::newRow("file, CR lines") << false << QByteArray("一\r二\r三X\r") << 5 << 5 << QByteArray("一\r二\r三<Y\rZ>\r");
    QTest::newRow("file, CR LF lines") << false << QByteArray("一\r\n二\r\n三X\r\n") << 5 << 5
                                       << QByteArray("一\r\n二\r\n三<Y\r\nZ>\r\n");
    QTest::newRow("clipboard, CR LF lines") << true << QByteArray("一\r\n二\r\n三X\r\n") << 7 << 5
                                            << QByteArray("一\r\n二\r\n三<Y\rZ>\r\n");
    QTest::newRow("clipboard, LF lines") << true << QByteArray("一\n二\n三X\n") << 5 << 5
                                         << QByteArray("一\n二\n三<Y\rZ>\n");
    QTest::newRow("after emoji") << false << QByteArray("\xF0\x9F\x98\x80\xF0\x9F\x87\xAF\xF0\x9F\x87\xB5X")
                                 << 3 << 6 << QByteArray("\xF0\x9F\x98\x80\xF0\x9F\x87\xAF\xF0\x9F\x87\xB5<Y\rZ>");
    QTest::newRow("after combining marks") << true << QByteArray("e\xCC\x81o\xCC\x88X") << 4 << 4
                                           << QByteArray("e\xCC\x81o\xCC\x88<Y\rZ>");
}

void TestInteractive::positions()
{
    QFETCH(bool, clipboard);
    QFETCH(QByteArray, text);
    QFETCH(int, selStart);
    QFETCH(int, boxPosition);
    QFETCH(QByteArray, result);
    // The match is asked about twice: before and after the first answer put
    // a line break in before it.
    dictionary("X\t<Y\\rZ>\t--*-----\t\r");
    const std::string twice = text.toStdString() + text.toStdString();
    if (clipboard) {
        app_->isClip = true;
        seam_->clipboard = twice;
    } else {
        queue("memo.txt", twice);
    }
    start();
    QVERIFY(asked());
    QCOMPARE(window().selStart, selStart);
    QCOMPARE(box()->textCursor().position(), boxPosition);
    QCOMPARE(markedRuns(box()), QStringList{"X"});
    click("replaceButton");
    QVERIFY(asked());
    QCOMPARE(markedRuns(box()), (QStringList{"<Y\nZ>", "X"}));
    QCOMPARE(CheckText::of(box()).textAt(window().selStart, 1), std::string("X"));
    QCOMPARE(box()->toPlainText().mid(box()->textCursor().position(), 1), QStringLiteral("X"));
    click("replaceButton");
    QVERIFY(passEnded());
    const std::string expected = result.toStdString() + result.toStdString();
    if (clipboard)
        QCOMPARE(QByteArray::fromStdString(seam_->clipboard.value_or("")), QByteArray::fromStdString(expected));
    else
        QCOMPARE(QByteArray::fromStdString(output("memo[fixed].txt")), QByteArray::fromStdString(expected));
}

void TestInteractive::scripts_data()
{
    // The script's body, the text and what the pass makes of it.
    QTest::addColumn<QString>("body");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("result");
    QTest::addColumn<bool>("fails");
    QTest::newRow("UTF-8") << "printf '%s' \"「$1」\"\n" << QByteArray("漢字 漢字\n") << QByteArray("「漢字」 「漢字」\n")
                           << false;
    QTest::newRow("Shift_JIS") << "printf '\\202\\240'\n" << QByteArray("漢字\n") << QByteArray("あ\n") << false;
    QTest::newRow("the values") << "printf '%s|' \"$2\" \"$3\" \"$4\" \"$5\"\n" << QByteArray("x 漢字 漢字\n")
                                << QByteArray("x memo.txt|3|1|0| memo.txt|19|1|1|\n") << false;
    QTest::newRow("error output is no output") << "echo oops >&2; printf ok\n" << QByteArray("漢字\n")
                                               << QByteArray("ok\n") << false;
    QTest::newRow("a failing script") << "echo oops >&2; exit 2\n" << QByteArray("漢字\n") << QByteArray() << true;
    QTest::newRow("a script killed by a signal") << "kill -9 $$\n" << QByteArray("漢字\n") << QByteArray() << true;
}

void TestInteractive::scripts()
{
    QFETCH(QString, body);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, result);
    QFETCH(bool, fails);
    script("tool.sh", body.toStdString());
    dictionary("漢字\ttool.sh\t---*----\t\r");
    queue("memo.txt", text.toStdString());
    start();
    QVERIFY(passEnded());
    if (fails) {
        QCOMPARE(seam_->messages, std::vector<std::string>{kPassFailureMessage});
        QVERIFY(!outputExists("memo[fixed].txt"));
    } else {
        QVERIFY(seam_->messages.empty());
        QCOMPARE(QByteArray::fromStdString(output("memo[fixed].txt")), result);
    }
}

void TestInteractive::scriptOfAConfirmingRule()
{
    // A name with spaces and quotes, and a match with them: each reaches the
    // script as one argument, and its output is the proposal to confirm.
    script("my \"quoted\" tool.sh", "printf '%s' \"<$1>\"\n");
    dictionary("a 'b' \"c\"\tmy \"quoted\" tool.sh\t--**----\t\r");
    queue("it's a memo.txt", "x a 'b' \"c\" y\n");
    start();
    QVERIFY(asked());
    QCOMPARE(field()->toPlainText(), QStringLiteral("<a 'b' \"c\">"));
    click("replaceButton");
    QVERIFY(passEnded());
    QCOMPARE(output("it's a memo[fixed].txt"), std::string("x <a 'b' \"c\"> y\n"));
}

void TestInteractive::scriptThatNeverEndsIsCancelled_data()
{
    QTest::addColumn<bool>("chord");
    QTest::newRow("the cancel button") << false;
    QTest::newRow("the cancel chord") << true;
}

void TestInteractive::scriptThatNeverEndsIsCancelled()
{
    QFETCH(bool, chord);
    const std::string pidFile = root_ + "/pid";
    script("forever.sh", "echo $$ > \"" + pidFile + "\"; while :; do sleep 1; done\n");
    dictionary("x\tforever.sh\t---*----\t\r");
    queue("memo.txt", "x\n");
    start();
    QVERIFY(waitFor([&] { return !readFile(pidFile).empty(); }));
    // The program goes on meanwhile: the window answers, quitting is refused.
    QVERIFY(app_->isWorking);
    QVERIFY(!app_->MenuBar().item("fileopen")->Enabled());
    if (chord)
        QTest::keyClick(window().widget(), Qt::Key_Period, Qt::ControlModifier);
    else
        click("cancelButton");
    QVERIFY(passEnded());
    QVERIFY(seam_->messages.empty());
    QVERIFY(!outputExists("memo[fixed].txt"));
    const pid_t pid = std::stoi(readFile(pidFile));
    QVERIFY(waitFor([&] { return ::kill(pid, 0) != 0; }));
}

void TestInteractive::missingScriptAppearsWhileItsNoticeIsShown()
{
    dictionary("x\tlater.sh\t---*----\t\r");
    queue("memo.txt", "x\n");
    start();
    QVERIFY(waitFor([] { return notifySheet::isShown(); }));
    QCOMPARE(notifySheet::instance().notifyMsg(), std::string("スクリプトが見つかりません。"));
    QTest::mouseClick(notifySheet::instance().control("PushButton1"), Qt::LeftButton);
    // Still missing: the notice comes back.
    QVERIFY(waitFor([] { return notifySheet::isShown(); }));
    script("later.sh", "printf found\n");
    QTest::mouseClick(notifySheet::instance().control("PushButton1"), Qt::LeftButton);
    QVERIFY(passEnded());
    QCOMPARE(output("memo[fixed].txt"), std::string("found\n"));
    QVERIFY(seam_->messages.empty());
}

QTEST_MAIN(TestInteractive)
#include "tst_interactive.moc"
