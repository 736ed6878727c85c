// The palette's preview runs one at a time: a change that arrives during a
// run gives one fresh run, and showing an outcome starts nothing.

#include <QTest>

#include <stdexcept>
#include <string>
#include <vector>

#include "trial/core/TrialPreview.h"

using tv::TrialOutcome;
using tv::TrialPreview;
using tv::TrialRequest;

namespace {

// The palette's fields and what it has shown, with the handlers that a
// window would connect.
struct Palette {
    TrialRequest fields;
    std::vector<TrialOutcome> shown;
    int reads = 0;
    int steps = 0;
    std::function<void(int step)> duringRun; // called at every step
    std::function<void()> duringShow;

    TrialPreview preview{
        [this] {
            ++reads;
            return fields;
        },
        [this](const TrialOutcome& o) {
            shown.push_back(o);
            if (duringShow)
                duringShow();
        },
        [this] {
            ++steps;
            if (duringRun)
                duringRun(steps);
        }};

    Palette(std::string sample, std::string search, std::string replacement)
    {
        fields.sample = std::move(sample);
        fields.search = std::move(search);
        fields.replacement = std::move(replacement);
        fields.options.regex = true;
    }
};

} // namespace

class TestTrialPreview : public QObject {
    Q_OBJECT

private slots:
    void oneRunOneOutcome();
    void changeDuringRunGivesOneFreshRun();
    void changesDuringRunAreGathered();
    void changeDuringFreshRunGivesAnother();
    void showingStartsNothing();
    void freshRunKeepsWhatStaleRunSet_data();
    void freshRunKeepsWhatStaleRunSet();
    void failingPresenterLeavesPreviewUsable();
};

void TestTrialPreview::oneRunOneOutcome()
{
    Palette p("banana", "a", "");
    p.preview.run();
    QCOMPARE(p.shown.size(), size_t(1));
    QCOMPARE(*p.shown[0].caption, std::string("検索対象：3件ヒット"));
    QCOMPARE(*p.shown[0].result, std::string("bnn"));
    QCOMPARE(p.preview.runCount(), 1);
    QVERIFY(!p.preview.isRunning());
    QCOMPARE(p.steps, 6);
}

void TestTrialPreview::changeDuringRunGivesOneFreshRun()
{
    Palette p("banana", "a", "");
    bool nested = false;
    p.duringRun = [&](int step) {
        if (step != 1)
            return;
        // The user types while the run lets others go on: the window's
        // text-change handler asks for a run.
        p.fields.sample = "aaaa";
        const int readsBefore = p.reads;
        p.preview.run();
        nested = p.reads != readsBefore || !p.shown.empty();
        QVERIFY(p.preview.isRunning());
    };
    p.preview.run();
    QVERIFY(!nested);
    QCOMPARE(p.preview.runCount(), 2);
    QCOMPARE(p.reads, 2);
    // Only the fresh outcome is shown, and it is the fresh fields' own.
    QCOMPARE(p.shown.size(), size_t(1));
    QCOMPARE(p.shown[0].sample, std::string("aaaa"));
    QCOMPARE(*p.shown[0].caption, std::string("検索対象：4件ヒット"));
    QCOMPARE(*p.shown[0].result, std::string(""));
    QCOMPARE(p.shown[0].sourceMarks.size(), size_t(4));
    QCOMPARE(p.shown[0].sourceMarks.back().start, int64_t(3));
}

void TestTrialPreview::changesDuringRunAreGathered()
{
    Palette p("banana", "a", "");
    p.duringRun = [&](int step) {
        if (step <= 3) {
            p.fields.replacement += "x";
            p.preview.run();
        }
    };
    p.preview.run();
    // Three changes during the first run, one fresh run after it.
    QCOMPARE(p.preview.runCount(), 2);
    QCOMPARE(p.shown.size(), size_t(1));
    QCOMPARE(*p.shown[0].result, std::string("bxxxnxxxnxxx"));
}

void TestTrialPreview::changeDuringFreshRunGivesAnother()
{
    Palette p("banana", "a", "");
    // The first run takes six steps; the change at step 8 falls into the
    // fresh run that the change at step 2 asked for.
    p.duringRun = [&](int step) {
        if (step == 2 || step == 8) {
            p.fields.search = step == 2 ? "n" : "b";
            p.preview.run();
        }
    };
    p.preview.run();
    QCOMPARE(p.preview.runCount(), 3);
    QCOMPARE(p.shown.size(), size_t(1));
    QCOMPARE(*p.shown[0].caption, std::string("検索対象：1件ヒット"));
    QCOMPARE(*p.shown[0].result, std::string("anana"));
}

void TestTrialPreview::showingStartsNothing()
{
    Palette p("banana", "a", "-");
    int calls = 0;
    // Marking the hits makes the sample field report a change.
    p.duringShow = [&] {
        ++calls;
        p.preview.run();
    };
    p.preview.run();
    QCOMPARE(calls, 1);
    QCOMPARE(p.preview.runCount(), 1);
    QCOMPARE(p.shown.size(), size_t(1));
    // A later change runs again.
    p.fields.search = "n";
    p.preview.run();
    QCOMPARE(p.preview.runCount(), 2);
    QCOMPARE(*p.shown.back().result, std::string("ba-a-a"));
}

void TestTrialPreview::freshRunKeepsWhatStaleRunSet_data()
{
    QTest::addColumn<QByteArray>("newSearch");
    QTest::addColumn<QByteArray>("caption");

    QTest::newRow("emptied search") << QByteArray("") << QByteArray("検索対象：-件ヒット");
    QTest::newRow("invalid pattern") << QByteArray("(") << QByteArray("検索対象：3件ヒット");
}

void TestTrialPreview::freshRunKeepsWhatStaleRunSet()
{
    QFETCH(QByteArray, newSearch);
    QFETCH(QByteArray, caption);
    Palette p("banana", "a", "");
    p.duringRun = [&](int step) {
        if (step == 1) {
            p.fields.search = newSearch.toStdString();
            p.preview.run();
        }
    };
    p.preview.run();
    QCOMPARE(p.preview.runCount(), 2);
    QCOMPARE(p.shown.size(), size_t(1));
    // As if the stale run had been shown and the fresh one had followed it.
    QCOMPARE(QByteArray::fromStdString(*p.shown[0].caption), caption);
    QCOMPARE(*p.shown[0].result, std::string("bnn"));
    QVERIFY(p.shown[0].sourceMarks.empty());
}

void TestTrialPreview::failingPresenterLeavesPreviewUsable()
{
    Palette p("banana", "a", "");
    p.duringShow = [] { throw std::runtime_error("window gone"); };
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, p.preview.run());
    QVERIFY(!p.preview.isRunning());
    p.duringShow = {};
    p.preview.run();
    QCOMPARE(p.shown.size(), size_t(2));
    QCOMPARE(p.preview.runCount(), 2);
}

QTEST_GUILESS_MAIN(TestTrialPreview)
#include "tst_trial_preview.moc"
