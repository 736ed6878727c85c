// The pass with its real windows, headless: the compact confirmation window
// placed from its stored frame, its labels, its refusal to close while the
// pass runs, the notice, the cancel button, the cancel chord and Esc.

#include "app/ui/App.h"
#include "app/ui/SharedDialogs.h"
#include "platform/core/FolderItem.h"
#include "proofing/ui/PassWindows.h"
#include "proofing/ui/grepWindow.h"
#include "support/TestServices.h"

#include "support/Wait.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <functional>
#include <sstream>

using namespace tv;

namespace {

using tv::test::waitFor;

std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

class TestPassUi : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void compactWindowThroughAPass();
    void refusesToCloseWhileWorking();
    void labelsAndCancelDuringANotice();
    void cancelChord();
    void formsAndExpandedHeight();
    void escapeIsTheCancelButton();
    void rulesSetUpInOneStep();

private:
    void dictionary(const std::string& rules);
    void queue(const std::string& name, const std::string& bytes);
    bool passEnded() { return waitFor([this] { return !app_->isWorking && !grepWindow::openInstance(); }); }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<test::TestServices> seam_;
    std::unique_ptr<App> app_;
    std::string root_;
};

void TestPassUi::init()
{
    dir_ = std::make_unique<QTemporaryDir>(QStringLiteral(TV_BUILD_DIR "/tst_pass_ui-XXXXXX"));
    root_ = dir_->path().toStdString();
    QDir().mkpath(QString::fromStdString(root_ + "/app/Dictionary"));
    QDir().mkpath(QString::fromStdString(root_ + "/cfg"));
    QDir().mkpath(QString::fromStdString(root_ + "/in"));
    FolderItem::overrideApplicationFolder(root_ + "/app");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(root_ + "/cfg"));
    seam_ = std::make_unique<test::TestServices>();
    dictionary("x\ty\t\t\r");
    app_ = std::make_unique<App>();
    app_->Event_Open();
    installPassStarter();
    app_->prefDefaultDic = "test.dict";
    app_->prefAlarmType = "none";
}

void TestPassUi::cleanup()
{
    app_.reset();
    seam_.reset();
    FolderItem::overrideApplicationFolder("");
    dir_.reset();
}

void TestPassUi::dictionary(const std::string& rules)
{
    std::ofstream(root_ + "/app/Dictionary/test.dict", std::ios::binary)
        << "Tesvora Dictionary,100,100,573,502,UTF8\r" << rules;
}

void TestPassUi::queue(const std::string& name, const std::string& bytes)
{
    std::ofstream(root_ + "/in/" + name, std::ios::binary) << bytes;
    app_->dropItem.push_back(FolderItem::fromPath(root_ + "/in/" + name));
}

void TestPassUi::compactWindowThroughAPass()
{
    app_->prefGrepWinPos = "100,80,400,500";
    app_->prefAlarmType = "dialog";
    queue("memo.txt", "x\n");
    app_->startProof();
    QVERIFY(app_->isWorking);
    QVERIFY(waitFor([] { return notifySheet::isShown(); }));
    grepWindow* w = grepWindow::openInstance();
    QVERIFY(w);
    QCOMPARE(w->Height(), grepWindow::compactHeight);
    QCOMPARE(w->Width(), 400);
    QCOMPARE(w->wideWinSize, 500);
    QCOMPARE(w->Left(), 100);
    QCOMPARE(w->Top(), 80);
    QTest::mouseClick(notifySheet::instance().control("PushButton1"), Qt::LeftButton);
    QVERIFY(passEnded());
    QCOMPARE(app_->prefGrepWinPos, std::string("100,80,400,500"));
    QCOMPARE(readBytes(root_ + "/in/memo[fixed].txt"), std::string("y\n"));
    QVERIFY(app_->dropItem.empty());
    QVERIFY(seam_->messages.empty());
    // The recent-documents menu follows at the next turn of the event loop.
    QVERIFY(waitFor([&] { return app_->MenuBar().item("resentListMenu", 1)->Text() == "memo.txt"; }));
    QVERIFY(app_->MenuBar().item("fileopen")->Enabled());
}

void TestPassUi::refusesToCloseWhileWorking()
{
    app_->prefAlarmType = "dialog";
    queue("memo.txt", "x");
    app_->startProof();
    QVERIFY(waitFor([] { return notifySheet::isShown(); }));
    // The result notice is up and the pass still runs.
    QVERIFY(app_->isWorking);
    grepWindow* w = grepWindow::openInstance();
    QVERIFY(w);
    QVERIFY(!w->Close());
    QVERIFY(grepWindow::openInstance());
    w->flush();
    QCOMPARE(w->Title(), std::string("校正終了"));
    QCOMPARE(w->progressValue(), 1);
    QCOMPARE(w->progressMaximum(), 1);
    QVERIFY(!app_->MenuBar().item("fileopen")->Enabled());
    notifySheet& sheet = notifySheet::instance();
    QCOMPARE(sheet.notifyMsg(), std::string("ファイルの校正を行いました。"));
    QCOMPARE(sheet.notifySum(), std::string("1 ファイル中 1 ファイルの 1 ヶ所を校正"));
    QTest::mouseClick(sheet.control("PushButton1"), Qt::LeftButton);
    QVERIFY(passEnded());
    QVERIFY(!notifySheet::isShown());
    QVERIFY(app_->MenuBar().item("fileopen")->Enabled());
}

void TestPassUi::labelsAndCancelDuringANotice()
{
    // The second rule runs a script whose name names no file: its notice
    // waits for the user, with the rule on show.
    dictionary("x\ty\t\t\ra\\tb\tmissing tool.sh\t---*\t\r");
    queue("memo.txt", "x");
    app_->startProof();
    QVERIFY(waitFor([] { return notifySheet::isShown(); }));
    notifySheet& sheet = notifySheet::instance();
    QCOMPARE(sheet.notifyMsg(), std::string("スクリプトが見つかりません。"));
    // The detail line says where the script was looked for, and the notice
    // is wide enough to show that path whole.
    const std::string where = root_ + "/app/Script/missing tool.sh";
    QCOMPARE(QString::fromStdString(sheet.notifySum()), QString::fromStdString(where));
    auto* sum = sheet.controlAs<QLabel>("notifySum");
    const QRect needed = sum->fontMetrics().boundingRect(QRect(0, 0, sum->width(), 1 << 20),
        Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, sum->text());
    QVERIFY(needed.width() > 264);
    QVERIFY(needed.width() <= sum->width());
    QVERIFY(needed.height() <= sum->height());
    QVERIFY(sheet.widget()->rect().contains(sum->geometry()));
    grepWindow* w = grepWindow::openInstance();
    QVERIFY(w);
    w->flush();
    QCOMPARE(w->Title(), std::string("\"memo.txt\" を校正中..."));
    QCOMPARE(w->searchText(), std::string("a\\tb"));
    QCOMPARE(w->replaceText(), std::string("missing tool.sh"));
    QCOMPARE(w->replaceCount(), std::string("0"));
    QCOMPARE(w->progressValue(), 1);
    QCOMPARE(w->progressMaximum(), 2);
    // Cancel, then close the notice: the pass ends without saving.
    QTest::mouseClick(w->control("cancelButton"), Qt::LeftButton);
    QVERIFY(app_->grepCancel);
    QTest::mouseClick(notifySheet::instance().control("PushButton1"), Qt::LeftButton);
    QVERIFY(passEnded());
    QVERIFY(!QFile::exists(QString::fromStdString(root_ + "/in/memo[fixed].txt")));
    QVERIFY(seam_->messages.empty());
}

void TestPassUi::cancelChord()
{
    // Between passes the chord latches nothing.
    QWidget* frame = app_->MDIWindow();
    QTest::keyClick(frame, Qt::Key_Period, Qt::ControlModifier);
    QVERIFY(!cancelChordPressed());

    dictionary("x\ty\t\t\ra\t\t---*\t\r");
    queue("memo.txt", "x");
    app_->startProof();
    QVERIFY(waitFor([] { return notifySheet::isShown(); }));
    QTest::keyClick(notifySheet::instance().widget(), Qt::Key_Period, Qt::ControlModifier);
    QVERIFY(cancelChordPressed());
    QVERIFY(notifySheet::isShown()); // the chord does not close the notice
    QTest::mouseClick(notifySheet::instance().control("PushButton1"), Qt::LeftButton);
    QVERIFY(passEnded());
    QVERIFY(!QFile::exists(QString::fromStdString(root_ + "/in/memo[fixed].txt")));

    // The next pass clears it at its set-up.
    dictionary("x\ty\t\t\r");
    queue("memo.txt", "x");
    app_->startProof();
    QVERIFY(passEnded());
    QVERIFY(!cancelChordPressed());
    QVERIFY(QFile::exists(QString::fromStdString(root_ + "/in/memo[fixed].txt")));
}

void TestPassUi::formsAndExpandedHeight()
{
    app_->prefGrepWinPos.clear();
    grepWindow& w = grepWindow::instance();
    QCOMPARE(w.Height(), grepWindow::compactHeight);
    QCOMPARE(w.Width(), grepWindow::designWidth);
    QVERIFY(!w.control("checkTextBox")->isVisibleTo(w.widget()));
    QVERIFY(w.control("replaceText")->isVisibleTo(w.widget()));
    w.applyForm(true, false);
    QCOMPARE(w.Height(), grepWindow::designHeight);
    QVERIFY(w.control("checkTextBox")->isVisibleTo(w.widget()));
    QVERIFY(w.control("replaceField")->isVisibleTo(w.widget()));
    QVERIFY(!w.control("replaceText")->isVisibleTo(w.widget()));
    w.widget()->resize(w.Width(), 420);
    QCOMPARE(w.wideWinSize, 420);
    // Buttons keep their distance to the bottom edge.
    QCOMPARE(w.control("replaceButton")->geometry().top(), 301 + 420 - 338);
    w.applyForm(true, true); // already expanded: only the two fields swap
    QCOMPARE(w.Height(), 420);
    QVERIFY(w.control("replaceText")->isVisibleTo(w.widget()));
    QVERIFY(!w.control("replaceField")->isVisibleTo(w.widget()));
    w.applyForm(false, false);
    QCOMPARE(w.Height(), grepWindow::compactHeight);
    QCOMPARE(w.wideWinSize, 420);
    w.applyForm(true, false);
    QCOMPARE(w.Height(), 420);
    w.applyForm(false, false);
    QCOMPARE(w.frame(), std::to_string(w.Left()) + "," + std::to_string(w.Top()) + ",351,420");
    QVERIFY(w.Close()); // no pass runs
}

void TestPassUi::escapeIsTheCancelButton()
{
    grepWindow& w = grepWindow::instance();
    app_->grepCancel = false;
    QTest::keyClick(w.widget(), Qt::Key_Escape);
    QVERIFY(app_->grepCancel);
    w.applyForm(true, false);
    app_->grepCancel = false;
    app_->notifyClose = false;
    QTest::keyClick(w.widget(), Qt::Key_Escape);
    QVERIFY(!app_->grepCancel);
    QVERIFY(app_->manualCancel);
    QVERIFY(app_->notifyClose);
    QVERIFY(w.Close());
}

void TestPassUi::rulesSetUpInOneStep()
{
    // Rules that are not searched are set up in one step: the window then
    // shows what the same set-ups one at a time leave, from any state.
    GrepWindowView view;
    view.openGrepWindow();
    grepWindow* w = grepWindow::openInstance();
    QVERIFY(w);
    const std::vector<std::string> search{"a", "b+", "かな"}, replace{"x", "", "カナ"};
    struct Shown {
        std::string search, replace, count;
        int progress = 0;
        bool enabled = false, ticked = false;
        bool operator==(const Shown&) const = default;
    };
    auto shown = [&] {
        w->flush();
        auto* check = w->controlAs<QCheckBox>("manualCheck");
        return Shown{w->searchText(), w->replaceText(), w->replaceCount(), w->progressValue(), check->isEnabled(),
            check->isChecked()};
    };
    view.setProgressMaximum(100);
    for (const std::string& count : {std::string("-"), std::string("0")}) {
        std::vector<Shown> after;
        for (bool oneStep : {false, true}) {
            view.setProgressValue(1);
            view.setSearchText("before");
            view.setReplaceText("before");
            view.setReplaceCount("12");
            view.setManualCheck(false, true);
            QCOMPARE(shown().ticked, true);
            if (oneStep)
                view.setUpRules(40, search, replace, count);
            else
                view.PassView::setUpRules(40, search, replace, count);
            after.push_back(shown());
        }
        QVERIFY(after[0] == after[1]);
        QVERIFY((after[1] == Shown{"かな", "カナ", count, 42, true, false}));
    }
    view.closeGrepWindow();
}

QTEST_MAIN(TestPassUi)
#include "tst_pass_ui.moc"
