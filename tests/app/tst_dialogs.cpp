// The notice and the unsaved-changes question: the notice grows to show its
// texts, every way it goes releases a waiting worker, the question is left
// only through its buttons, and a document window closes after "save" only
// when the save went through; the message box with its informative text.

#include "ShellFixture.h"

#include "app/ui/MenuItems.h"
#include "app/ui/SharedDialogs.h"
#include "dictionary/ui/dicEdit.h"
#include "platform/core/Thread.h"
#include "platform/ui/QtServices.h"
#include "workspace/ui/workSpace.h"

#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace tv;
using tv::test::StartedShell;

namespace {

// A worker that shows a notice and waits for it as the pass does.
class NoticeWorker : public Thread {
public:
    bool released = false;

protected:
    void Event_Run() override
    {
        notifySheet& sheet = notifySheet::instance();
        sheet.setNotifyMsg("辞書が見つかりません。");
        sheet.setNotifySum("");
        sheet.Show();
        while (!appState().notifyClose) {
            doEvents(100);
            yieldToOthers();
        }
        released = true;
    }
};

// Lets the event loop run, an event at a time, until the condition holds
// (bounded by turns, not by time).
template <class F>
bool pumpUntil(F done, int turns = 100000)
{
    for (int i = 0; i < turns && !done(); ++i)
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return done();
}

// An editor whose save succeeds or fails as the test says.
class Editor : public dicEdit {
public:
    bool saveSucceeds = true;
    int saves = 0;
    bool doDicSave() override
    {
        ++saves;
        return saveSucceeds;
    }
};

// Answers the question with a button once it is on screen.
void answerWith(const char* button)
{
    QTimer::singleShot(0, [button] {
        QVERIFY(isSaveSheet::isShown());
        if (std::string(button) == "Escape") {
            QTest::keyClick(isSaveSheet::instance().widget(), Qt::Key_Escape);
            return;
        }
        // The window manager's close leaves the question on screen.
        isSaveSheet::instance().widget()->close();
        QVERIFY(isSaveSheet::isShown());
        QTest::mouseClick(isSaveSheet::instance().control(button), Qt::LeftButton);
    });
}

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void noticeShowsItselfWhenMade()
    {
        StartedShell s;
        s.app->notifyClose = true;
        notifySheet& sheet = notifySheet::instance();
        QVERIFY(sheet.widget()->isVisible());
        QVERIFY(!s.app->notifyClose);
        QCOMPARE(sheet.widget()->size(), QSize(282, 88));
        QCOMPARE(sheet.Title(), std::string("Tesvora"));
        QCOMPARE(sheet.notifyMsg(), std::string());
        QCOMPARE(sheet.notifySum(), std::string());
        QVERIFY(sheet.controlAs<QPushButton>("PushButton1")->isDefault());
    }

    void noticeGrowsToFitItsTexts_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<bool>("wider");
        QTest::addColumn<bool>("taller");
        const QString path = QStringLiteral("/home/someone/Documents/校正/Script/convert numbers.sh");
        QTest::newRow("short texts keep the table's size") << "スクリプトが見つかりません。" << "" << false << false;
        QTest::newRow("a path in the detail line") << "スクリプトが見つかりません。" << path << true << false;
        QTest::newRow("a long message wraps")
            << QStringLiteral("正規表現の表記、あるいはファイル関連のエラーです。").repeated(4) << "" << true << true;
        QTest::newRow("lines of detail") << "ファイルの校正を行いました。"
                                         << "3 ファイル中 2 ファイルの 5 ヶ所を校正\n" + path + "\n" + path
                                         << true << true;
    }
    void noticeGrowsToFitItsTexts()
    {
        QFETCH(QString, message);
        QFETCH(QString, detail);
        QFETCH(bool, wider);
        QFETCH(bool, taller);
        StartedShell s;
        notifySheet& sheet = notifySheet::instance();
        sheet.setNotifyMsg(message.toStdString());
        sheet.setNotifySum(detail.toStdString());
        const QSize size = sheet.widget()->size();
        QCOMPARE(size.width() > 282, wider);
        QCOMPARE(size.height() > 88, taller);
        QVERIFY(size.width() >= 282 && size.height() >= 88);
        // Each text shows whole inside its label, the labels inside the
        // notice, and OK keeps its place below them at the right.
        QWidget* ok = sheet.control("PushButton1");
        int bottom = 0;
        for (const char* name : {"notifyMsg", "notifySum"}) {
            auto* label = sheet.controlAs<QLabel>(name);
            const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 1 << 20),
                Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, label->text());
            QVERIFY2(needed.width() <= label->width() && needed.height() <= label->height(), name);
            QVERIFY(label->geometry().top() >= bottom);
            QVERIFY(sheet.widget()->rect().contains(label->geometry()));
            bottom = label->geometry().bottom();
        }
        QCOMPARE(ok->geometry().top(), bottom + 1 + 6);
        QCOMPARE(size.width() - ok->geometry().right() - 1, 9);
        QCOMPARE(size.height() - ok->geometry().bottom() - 1, 11);
        // Texts of the table's size again: the table's size again.
        sheet.setNotifyMsg("辞書が見つかりません。");
        sheet.setNotifySum("");
        QCOMPARE(sheet.widget()->size(), QSize(282, 88));
        QCOMPARE(ok->geometry(), QRect(204, 57, 69, 20));
        sheet.Close();
    }

    void messageBoxShowsItsInformativeText()
    {
        StartedShell s;
        QtServices real;
        bool closed = false;
        real.openInformativeMessageBox("校正を終了します。", "ファイル: /tmp/a.txt", [&] { closed = true; });
        QMessageBox* box = nullptr;
        QVERIFY(pumpUntil([&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible())
                    box = b;
            return box != nullptr;
        }));
        QCOMPARE(box->text(), QStringLiteral("校正を終了します。"));
        QCOMPARE(box->informativeText(), QStringLiteral("ファイル: /tmp/a.txt"));
        QCOMPARE(box->windowTitle(), QStringLiteral("Tesvora"));
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        QVERIFY(pumpUntil([&] { return closed; }));
    }

    void aSecondNoticeReplacesTheTexts()
    {
        StartedShell s;
        notifySheet& first = notifySheet::instance();
        first.setNotifyMsg("one");
        first.setNotifySum("detail");
        // Another caller's reference while it is open: same sheet, the flag
        // is not cleared again.
        s.app->notifyClose = true;
        notifySheet& again = notifySheet::instance();
        QCOMPARE(&again, &first);
        QVERIFY(s.app->notifyClose);
        again.controlAs<QLabel>("notifyMsg")->setText(QStringLiteral("two"));
        again.setNotifySum("");
        QCOMPARE(first.notifyMsg(), std::string("two"));
        QCOMPARE(first.notifySum(), std::string());
    }

    void everyWayTheNoticeGoesReleasesTheWorker_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("OK") << "button";
        QTest::newRow("Return") << "return";
        QTest::newRow("Esc") << "escape";
        QTest::newRow("window manager's close") << "close";
        QTest::newRow("the window it stands over closes") << "parent";
        QTest::newRow("the window it stands over goes") << "parentGone";
    }
    void everyWayTheNoticeGoesReleasesTheWorker()
    {
        QFETCH(QString, how);
        StartedShell s;
        s.choose("dicSelectedEdit");
        QApplication::processEvents();
        Window* editor = Window::front();
        QVERIFY(editor && editor->className() == "dicEdit");
        auto worker = std::make_shared<NoticeWorker>();
        worker->Run();
        QVERIFY(pumpUntil([] { return notifySheet::isShown(); }));
        notifySheet& sheet = notifySheet::instance();
        QCOMPARE(sheet.notifyMsg(), std::string("辞書が見つかりません。"));
        QCOMPARE(sheet.widget()->parentWidget(), editor->widget());
        QVERIFY(!s.app->notifyClose);
        QWidget* dialog = sheet.widget();
        if (how == "button")
            QTest::mouseClick(sheet.control("PushButton1"), Qt::LeftButton);
        else if (how == "return")
            QTest::keyClick(dialog, Qt::Key_Return);
        else if (how == "escape")
            QTest::keyClick(dialog, Qt::Key_Escape);
        else if (how == "close")
            dialog->close();
        else if (how == "parent")
            editor->Close();
        else
            delete editor->widget();
        QVERIFY(!notifySheet::isShown());
        QVERIFY(s.app->notifyClose);
        QVERIFY(pumpUntil([&] { return worker->isFinished(); }));
        QVERIFY(worker->released);
        // The next reference makes a fresh notice.
        notifySheet& fresh = notifySheet::instance();
        QCOMPARE(fresh.notifyMsg(), std::string());
        QVERIFY(!s.app->notifyClose);
        fresh.Close();
    }

    void noticeWithoutAnyWindowStandsAlone()
    {
        StartedShell s;
        QVERIFY(!Window::front());
        notifySheet& sheet = notifySheet::instance();
        QVERIFY(sheet.widget()->isVisible());
        sheet.PushButton1_Action();
        QVERIFY(s.app->notifyClose);
    }

    void questionAnswers_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("answer");
        QTest::newRow("保存") << "saveButton" << "save";
        QTest::newRow("キャンセル") << "cancelButton" << "cancel";
        QTest::newRow("保存しない") << "docloseButton" << "";
        QTest::newRow("Esc is the cancel button") << "Escape" << "cancel";
    }
    void questionAnswers()
    {
        QFETCH(QString, button);
        QFETCH(QString, answer);
        StartedShell s;
        s.app->isSaveResult = "stale";
        isSaveSheet& sheet = isSaveSheet::instance();
        QCOMPARE(sheet.widget()->size(), QSize(376, 114));
        // Showing it does not clear the last answer.
        QCOMPARE(s.app->isSaveResult, std::string("stale"));
        QByteArray name = button.toLatin1();
        answerWith(name.constData());
        sheet.ShowModal(nullptr);
        QVERIFY(!isSaveSheet::isShown());
        QCOMPARE(QString::fromStdString(s.app->isSaveResult), answer);
    }

    void closingADocumentWindow_data()
    {
        QTest::addColumn<bool>("modified");
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("saveSucceeds");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<int>("saves");
        QTest::addColumn<bool>("closed");
        QTest::newRow("unmodified: closes without asking") << false << "" << true << false << 0 << true;
        QTest::newRow("save") << true << "saveButton" << true << true << 1 << true;
        QTest::newRow("save fails: stays open with its changes") << true << "saveButton" << false << true << 1 << false;
        QTest::newRow("cancel") << true << "cancelButton" << true << true << 0 << false;
        QTest::newRow("don't save") << true << "docloseButton" << true << true << 0 << true;
    }
    void closingADocumentWindow()
    {
        QFETCH(bool, modified);
        QFETCH(QString, button);
        QFETCH(bool, saveSucceeds);
        QFETCH(bool, asked);
        QFETCH(int, saves);
        QFETCH(bool, closed);
        StartedShell s;
        s.app->editDic = "a.dict";
        auto editor = std::make_shared<Editor>();
        editor->saveSucceeds = saveSucceeds;
        s.app->SetWindowModified(*editor, modified);
        bool wasAsked = false;
        QByteArray name = button.toLatin1();
        if (!button.isEmpty()) {
            QTimer::singleShot(0, [&] {
                wasAsked = isSaveSheet::isShown();
                // The question stands over the window being closed.
                QCOMPARE(isSaveSheet::instance().widget()->parentWidget(), editor->widget());
                QCOMPARE(isSaveSheet::instance().widget()->windowModality(), Qt::WindowModal);
                QTest::mouseClick(isSaveSheet::instance().control(name.toStdString()), Qt::LeftButton);
            });
        }
        editor->Close();
        QCOMPARE(wasAsked, asked);
        QCOMPARE(editor->saves, saves);
        QCOMPARE(!editor->isOpen(), closed);
        if (!closed)
            QVERIFY(s.app->IsWindowModified(*editor));
    }

    void aFailedSaveStopsTheQuit()
    {
        StartedShell s;
        s.app->editDic = "a.dict";
        auto editor = std::make_shared<Editor>();
        editor->saveSucceeds = false;
        s.app->SetWindowModified(*editor, true);
        answerWith("saveButton");
        QVERIFY(!s.app->quitCommand());
        QVERIFY(editor->isOpen());
        QVERIFY(!s.app->isQuitting());
        QVERIFY(!FolderItem::fromPath(s.prefsPath()).Exists());
    }

    void saveCommandKeepsTheMarkWhenTheSaveFails_data()
    {
        QTest::addColumn<bool>("saveSucceeds");
        QTest::newRow("saved") << true;
        QTest::newRow("not saved") << false;
    }
    void saveCommandKeepsTheMarkWhenTheSaveFails()
    {
        QFETCH(bool, saveSucceeds);
        StartedShell s;
        s.app->editDic = "a.dict";
        auto editor = std::make_shared<Editor>();
        editor->saveSucceeds = saveSucceeds;
        s.app->SetWindowModified(*editor, true);
        QApplication::processEvents();
        s.choose("fileSave");
        QCOMPARE(editor->saves, 1);
        QCOMPARE(s.app->IsWindowModified(*editor), !saveSucceeds);
    }

    void workspaceAsksToo()
    {
        StartedShell s;
        s.choose("newWorkspace");
        WorkspaceWindow& w = *s.app->workSpaceWin[0];
        s.app->SetWindowModified(w, true);
        answerWith("cancelButton");
        QVERIFY(!w.Close());
        answerWith("docloseButton");
        QVERIFY(w.Close());
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
