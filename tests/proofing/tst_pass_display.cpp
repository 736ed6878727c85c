// The pass's windows on a real display, framed by a window manager: the
// candidate palette and its title bar stand below the line whose match it
// previews, so the previewed candidate stays in sight; the progress bar
// without a maximum is an empty groove.

#include "app/core/AppState.h"
#include "proofing/core/SelectList.h"
#include "proofing/ui/CheckText.h"
#include "proofing/ui/grepWindow.h"
#include "proofing/ui/selectPallete.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>
#include <QTextBlock>

#include <cstdlib>
#include <memory>

using namespace tv;

namespace {

// Pixels across the middle of the bar in its highlight colour.
int filledPixels(QProgressBar* bar)
{
    const QColor highlight = bar->palette().color(QPalette::Highlight);
    const QImage shown = bar->grab().toImage();
    int filled = 0;
    for (int x = 0; x < shown.width(); ++x) {
        const QColor c = shown.pixelColor(x, shown.height() / 2);
        if (std::abs(c.hue() - highlight.hue()) < 20 && c.saturation() > 80)
            ++filled;
    }
    return filled;
}

} // namespace

class TestPassDisplay : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        state_ = std::make_unique<AppState>();
        state_->setDefaultSettings();
        registerAppState(state_.get());
        state_->isWorking = true;
        state_->isSelectRep = true;
        state_->prefGrepWinPos = "200,150,420,500";
    }

    void cleanup()
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

    void paletteLeavesThePreviewedLineInSight_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("candidates");
        QTest::newRow("palette below the line") << 2 << 3;
        QTest::newRow("second preview on a later line") << 6 << 2;
    }

    void paletteLeavesThePreviewedLineInSight()
    {
        QFETCH(int, line);
        QFETCH(int, candidates);
        std::string text;
        for (int i = 0; i < 30; ++i)
            text += "line " + std::to_string(i) + " with a match\r";
        grepWindow& g = grepWindow::instance();
        g.Show();
        g.applyForm(true, true);
        QVERIFY(QTest::qWaitForWindowExposed(g.widget()));
        auto* box = g.controlAs<QPlainTextEdit>("checkTextBox");
        CheckText& shown = CheckText::of(box);
        shown.load(text, fontOfSlot(FontSlotConfirm));

        const std::string before = "line " + std::to_string(line) + " with a ";
        const int start = static_cast<int>(text.find(before)) + static_cast<int>(before.size());
        g.markMatch(start, "match");
        std::string list;
        for (int i = 0; i < candidates; ++i)
            list += (i ? "|候補" : "候補") + std::to_string(i);
        selectPallete::instance().fill(makeSelectRows(list, "match", ""));
        g.moveSelectList();
        selectPallete& palette = selectPallete::instance();
        QVERIFY(QTest::qWaitForWindowExposed(palette.widget()));
        // Let the window manager frame it and settle.
        QTest::qWait(500);
        g.moveSelectList();
        QTest::qWait(300);

        // Previewing a candidate shows it on the match's line: that line's
        // bottom, on the screen, lies above the palette's whole frame.
        palette.setListIndex(1);
        QTextCursor at(box->document());
        at.setPosition(static_cast<int>(shown.documentRange(start, 1).start));
        const QRect lineRect = box->cursorRect(at);
        const int lineBottom = box->viewport()->mapToGlobal(lineRect.bottomLeft()).y();
        const QRect frame = palette.widget()->frameGeometry();
        QVERIFY2(frame.top() > lineBottom,
            qPrintable(QStringLiteral("palette frame top %1, line bottom %2").arg(frame.top()).arg(lineBottom)));
        // The content's left edge stands beside the insertion point, as
        // the window's own left edge and the text before the match say.
        const int prefix = qRound(QFontMetricsF(fontOfSlot(FontSlotConfirm))
                                      .horizontalAdvance(QString::fromStdString(before)));
        QCOMPARE(palette.widget()->geometry().left(), g.Left() + box->x() + 15 + prefix);
        QVERIFY(palette.widget()->isVisible());
    }

    void progressWithoutAMaximumIsBusy()
    {
        // While the rules load the bar has no maximum: it shows the
        // toolkit's busy animation, and keeps its maximum 0.
        grepWindow& g = grepWindow::instance();
        g.Show();
        g.setProgressMaximum(0);
        g.setProgressValue(0);
        QVERIFY(QTest::qWaitForWindowExposed(g.widget()));
        QTest::qWait(200);
        auto* bar = g.controlAs<QProgressBar>("grepProgress");
        QCOMPARE(g.progressMaximum(), 0);
        QCOMPARE(g.progressValue(), 0);
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 0);
        // With a maximum the bar fills as the value says.
        g.setProgressMaximum(4);
        g.setProgressValue(4);
        QTest::qWait(100);
        QCOMPARE(g.progressMaximum(), 4);
        QVERIFY(filledPixels(bar) > bar->width() / 2);
    }

private:
    std::unique_ptr<AppState> state_;
};

QTEST_MAIN(TestPassDisplay)
#include "tst_pass_display.moc"
