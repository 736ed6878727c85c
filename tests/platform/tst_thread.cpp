// The cooperative scheduler: when workers run, how they give the event loop
// its turn, how they wait, and what happens to their failures and owners.

#include "platform/core/Dispatch.h"
#include "platform/core/Errors.h"
#include "platform/core/Thread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>
#include <string>
#include <vector>

namespace {

// A worker whose body is a function, with a hook for its destructor.
class FnThread : public tv::Thread {
public:
    explicit FnThread(std::function<void()> body, std::function<void()> onDestroy = {})
        : body_(std::move(body)), onDestroy_(std::move(onDestroy))
    {
    }
    ~FnThread() override
    {
        if (onDestroy_)
            onDestroy_();
    }

    static std::shared_ptr<FnThread> start(std::function<void()> body)
    {
        auto t = std::make_shared<FnThread>(std::move(body));
        t->Run();
        return t;
    }

protected:
    void Event_Run() override { body_(); }

private:
    std::function<void()> body_;
    std::function<void()> onDestroy_;
};

// Works without a break for the given time, yielding at every step the way a
// long loop of the pass does.
void busyFor(int milliseconds)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < milliseconds)
        tv::yieldToOthers();
}

// Works without yielding for longer than a slice, so the next yield switches.
void spinPastSlice()
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20) {
    }
}

// Restores the default report after a test replaced it.
struct ReporterGuard {
    explicit ReporterGuard(tv::UnhandledExceptionReporter r)
    {
        tv::setUnhandledExceptionReporter(std::move(r));
    }
    ~ReporterGuard() { tv::setUnhandledExceptionReporter({}); }
};

} // namespace

class TestThread : public QObject {
    Q_OBJECT

private slots:
    void runReturnsBeforeTheBodyStarts();
    void eventLoopStartsTheBody();
    void mainSideYieldRunsOneSlice();
    void yieldWithinSliceKeepsRunning();
    void slicesAreAboutTenMilliseconds();
    void millionYieldsWhileTimersRun();
    void noYieldKeepsStepsTogether();
    void otherThreadsYieldToNoOne();
    void workerDoEventsSuspends_data();
    void workerDoEventsSuspends();
    void sleepingWorkerIsNotTakenByMainSideYield();
    void mainSideDoEvents_data();
    void mainSideDoEvents();
    void waitLoopForFlagSetByMainSide();
    void workerRunsDuringModalLoop();
    void escapingExceptionIsReported_data();
    void escapingExceptionIsReported();
    void handlersOnBothSidesStayApart();
    void workerOutlivesItsStarter();
    void runNeedsSharedOwnership();
    void runTwiceIsRefused();
    void twoWorkersAlternate();
    void twoWorkersShareTheEventLoop();
    void quitWhileWorkerSuspended();
    void wakeupEndsASleep_data();
    void wakeupEndsASleep();
    void earlierWakeupTimerSparesALaterSleep();
};

void TestThread::runReturnsBeforeTheBodyStarts()
{
    std::vector<std::string> log;
    auto t = std::make_shared<FnThread>([&] { log.push_back("body"); });
    QVERIFY(!t->isRunning());
    QVERIFY(!t->isFinished());
    t->Run();
    log.push_back("run returned");
    QCOMPARE(log, std::vector<std::string>{"run returned"});
    QVERIFY(t->isRunning());
    QVERIFY(!t->isFinished());
    QTRY_VERIFY(t->isFinished());
    QVERIFY(!t->isRunning());
    QCOMPARE(log, (std::vector<std::string>{"run returned", "body"}));
}

void TestThread::eventLoopStartsTheBody()
{
    bool started = false;
    bool workerSawWorker = false;
    auto t = FnThread::start([&] {
        started = true;
        workerSawWorker = tv::onWorker();
    });
    QVERIFY(!started);
    QCoreApplication::processEvents();
    QVERIFY(started);
    QVERIFY(workerSawWorker);
    QVERIFY(!tv::onWorker());
    QVERIFY(t->isFinished());
}

void TestThread::mainSideYieldRunsOneSlice()
{
    std::vector<std::string> log;
    auto t = FnThread::start([&] {
        log.push_back("a");
        spinPastSlice();
        tv::yieldToOthers();
        log.push_back("b");
        spinPastSlice();
        tv::yieldToOthers();
        log.push_back("c");
    });
    // No event is processed here: only the main side's yields run the worker.
    QVERIFY(log.empty());
    tv::yieldToOthers();
    QCOMPARE(log, std::vector<std::string>{"a"});
    QVERIFY(t->isRunning());
    // The main side is time-sliced as well: right after a worker's slice its
    // own yields return at once, so a loop on this side is not slowed down
    // by a whole slice per step.
    tv::yieldToOthers();
    QCOMPARE(log, std::vector<std::string>{"a"});
    spinPastSlice();
    tv::yieldToOthers();
    QCOMPARE(log, (std::vector<std::string>{"a", "b"}));
    spinPastSlice();
    tv::yieldToOthers();
    QCOMPARE(log, (std::vector<std::string>{"a", "b", "c"}));
    QVERIFY(t->isFinished());
    // Nothing ready: the yield returns at once.
    tv::yieldToOthers();
}

void TestThread::yieldWithinSliceKeepsRunning()
{
    int done = 0;
    auto t = FnThread::start([&] {
        for (int i = 0; i < 1000; ++i) {
            tv::yieldToOthers();
            ++done;
        }
    });
    spinPastSlice();
    tv::yieldToOthers();
    QCOMPARE(done, 1000);
    QVERIFY(t->isFinished());
}

// Inside a NoYield scope the worker's yields return at once, however long
// its steps take; outside it they give the main side its turn again.
void TestThread::noYieldKeepsStepsTogether()
{
    bool inside = false;
    int seenInside = 0, seenOutside = 0;
    auto t = FnThread::start([&] {
        {
            const tv::NoYield unbroken;
            inside = true;
            QElapsedTimer e;
            e.start();
            while (e.elapsed() < 60)
                tv::yieldToOthers();
            inside = false;
        }
        QElapsedTimer e;
        e.start();
        while (e.elapsed() < 60)
            tv::yieldToOthers();
    });
    while (!t->isFinished()) {
        spinPastSlice();
        tv::yieldToOthers();
        ++(inside ? seenInside : seenOutside);
    }
    QCOMPARE(seenInside, 0);
    QVERIFY(seenOutside > 1);
}

// Work done on a thread aside may call code that yields per step: there the
// yields neither suspend the worker that waits for it nor run a ready one.
void TestThread::otherThreadsYieldToNoOne()
{
    auto yieldAside = [] {
        bool sawWorker = true;
        std::thread aside([&sawWorker] {
            spinPastSlice();
            for (int i = 0; i < 1000; ++i)
                tv::yieldToOthers();
            sawWorker = tv::onWorker();
        });
        aside.join();
        return sawWorker;
    };

    // The worker runs, past its slice, and waits for the thread without
    // yielding.
    std::vector<std::string> log;
    auto t = FnThread::start([&] {
        log.push_back("start");
        spinPastSlice();
        log.push_back(yieldAside() ? "worker seen aside" : "aside");
        log.push_back("end");
    });
    spinPastSlice();
    tv::yieldToOthers();
    QCOMPARE(log, (std::vector<std::string>{"start", "aside", "end"}));
    QVERIFY(t->isFinished());

    // A worker is ready: a thread's yields leave it for the main side.
    std::vector<std::string> later;
    auto u = FnThread::start([&] { later.push_back("body"); });
    QVERIFY(!yieldAside());
    QVERIFY(later.empty());
    tv::yieldToOthers();
    QCOMPARE(later, std::vector<std::string>{"body"});
}

void TestThread::slicesAreAboutTenMilliseconds()
{
    long workerYields = 0;
    auto t = FnThread::start([&] {
        QElapsedTimer e;
        e.start();
        while (e.elapsed() < 300) {
            tv::yieldToOthers();
            ++workerYields;
        }
    });
    int slices = 0;
    while (!t->isFinished()) {
        // Past the main side's own slice, so that each yield runs one.
        spinPastSlice();
        tv::yieldToOthers();
        ++slices;
    }
    // 300 ms of work in slices of about 10 ms: more than one slice, and far
    // fewer slices than yields (counted, not timed, so a loaded machine that
    // stretches each slice cannot break it).
    QVERIFY2(slices >= 2, qPrintable(QString::number(slices)));
    QVERIFY2(slices <= 100, qPrintable(QString::number(slices)));
    QVERIFY2(workerYields > 100L * slices, qPrintable(QString::number(workerYields)));
}

void TestThread::millionYieldsWhileTimersRun()
{
    int timerTicks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++timerTicks; });
    ticker.start(5);
    bool stop = false;
    QTimer::singleShot(100, [&] { stop = true; });

    int yields = 0;
    int ticksSeenByWorker = 0;
    auto t = FnThread::start([&] {
        for (; yields < 1'000'000; ++yields)
            tv::yieldToOthers();
        // Only the event loop can set the flag: it must run between slices.
        while (!stop)
            tv::yieldToOthers();
        ticksSeenByWorker = timerTicks;
    });
    QTRY_VERIFY_WITH_TIMEOUT(t->isFinished(), 20000);
    QCOMPARE(yields, 1'000'000);
    QVERIFY(ticksSeenByWorker > 0);
}

void TestThread::workerDoEventsSuspends_data()
{
    QTest::addColumn<int>("milliseconds");
    QTest::newRow("0 ms") << 0;
    QTest::newRow("30 ms") << 30;
    QTest::newRow("150 ms") << 150;
}

void TestThread::workerDoEventsSuspends()
{
    QFETCH(int, milliseconds);
    int timerTicks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++timerTicks; });
    ticker.start(5);

    qint64 slept = -1;
    int ticksWhileAsleep = -1;
    auto t = FnThread::start([&] {
        const int before = timerTicks;
        QElapsedTimer e;
        e.start();
        tv::doEvents(milliseconds);
        slept = e.elapsed();
        ticksWhileAsleep = timerTicks - before;
    });
    QTRY_VERIFY_WITH_TIMEOUT(t->isFinished(), 10000);
    QVERIFY2(slept >= milliseconds, qPrintable(QString::number(slept)));
    QVERIFY2(slept < milliseconds + 5000, qPrintable(QString::number(slept)));
    if (milliseconds >= 150)
        QVERIFY2(ticksWhileAsleep >= 3, qPrintable(QString::number(ticksWhileAsleep)));
}

void TestThread::sleepingWorkerIsNotTakenByMainSideYield()
{
    bool woke = false;
    auto t = FnThread::start([&] {
        tv::doEvents(200);
        woke = true;
    });
    tv::yieldToOthers(); // starts it; it goes to sleep
    QVERIFY(t->isRunning());
    for (int i = 0; i < 10; ++i)
        tv::yieldToOthers();
    QVERIFY(!woke);
    QTRY_VERIFY(t->isFinished());
    QVERIFY(woke);
}

void TestThread::mainSideDoEvents_data()
{
    QTest::addColumn<int>("milliseconds");
    QTest::newRow("40 ms") << 40;
    QTest::newRow("120 ms") << 120;
}

void TestThread::mainSideDoEvents()
{
    QFETCH(int, milliseconds);
    int timerTicks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++timerTicks; });
    ticker.start(5);

    bool stop = false;
    int workerSteps = 0;
    auto t = FnThread::start([&] {
        while (!stop) {
            ++workerSteps;
            tv::yieldToOthers();
        }
    });

    QElapsedTimer e;
    e.start();
    tv::doEvents(milliseconds);
    const qint64 took = e.elapsed();
    QVERIFY2(took >= milliseconds - 1, qPrintable(QString::number(took)));
    QVERIFY2(took < milliseconds + 5000, qPrintable(QString::number(took)));
    QVERIFY(timerTicks > 0);
    QVERIFY(workerSteps > 0);

    stop = true;
    QTRY_VERIFY(t->isFinished());
}

void TestThread::waitLoopForFlagSetByMainSide()
{
    bool notifyClose = false;
    int waits = 0;
    bool done = false;
    auto t = FnThread::start([&] {
        while (!notifyClose) {
            tv::doEvents(100);
            tv::yieldToOthers();
            ++waits;
        }
        done = true;
    });
    QTimer::singleShot(250, [&] { notifyClose = true; });
    QTRY_VERIFY_WITH_TIMEOUT(done, 10000);
    QVERIFY(t->isFinished());
    QVERIFY2(waits >= 2, qPrintable(QString::number(waits)));
}

void TestThread::workerRunsDuringModalLoop()
{
    bool stop = false;
    int steps = 0;
    auto t = FnThread::start([&] {
        while (!stop) {
            ++steps;
            busyFor(1);
            if (steps % 10 == 0)
                tv::doEvents(5);
        }
    });

    // A modal dialog's loop on the main side, closed later by a timer.
    QEventLoop modal;
    int stepsAtStart = -1;
    int stepsMidway = -1;
    QTimer::singleShot(0, [&] { stepsAtStart = steps; });
    QTimer::singleShot(150, [&] { stepsMidway = steps; });
    QTimer::singleShot(300, &modal, &QEventLoop::quit);
    modal.exec();
    const int stepsAtEnd = steps;

    QVERIFY(stepsAtStart >= 0);
    QVERIFY2(stepsMidway > stepsAtStart, qPrintable(QString("%1 %2").arg(stepsAtStart).arg(stepsMidway)));
    QVERIFY2(stepsAtEnd > stepsMidway, qPrintable(QString("%1 %2").arg(stepsMidway).arg(stepsAtEnd)));
    QVERIFY(t->isRunning());
    stop = true;
    QTRY_VERIFY(t->isFinished());
}

void TestThread::escapingExceptionIsReported_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("afterWaiting");
    QTest::addColumn<QString>("expected");
    QTest::newRow("framework error") << 0 << false << "boom";
    QTest::newRow("framework error after a wait") << 0 << true << "boom";
    QTest::newRow("nil object") << 1 << false << "NilObjectException";
    QTest::newRow("standard error after a wait") << 2 << true << "out of range";
    QTest::newRow("not an exception class") << 3 << false << "unknown exception";
}

void TestThread::escapingExceptionIsReported()
{
    QFETCH(int, kind);
    QFETCH(bool, afterWaiting);
    QFETCH(QString, expected);

    std::vector<std::string> reports;
    bool reportedOnWorker = false;
    ReporterGuard guard([&](const std::string& d) {
        reports.push_back(d);
        reportedOnWorker = tv::onWorker();
    });
    bool afterThrow = false;
    auto t = FnThread::start([&] {
        if (afterWaiting) {
            tv::doEvents(20);
            spinPastSlice();
            tv::yieldToOthers();
        }
        switch (kind) {
        case 0:
            throw tv::RuntimeException("boom");
        case 1:
            throw tv::NilObjectException();
        case 2:
            throw std::out_of_range("out of range");
        default:
            throw 42;
        }
        afterThrow = true;
    });
    QTRY_VERIFY(t->isFinished());
    QVERIFY(!t->isRunning());
    QVERIFY(!afterThrow);
    QCOMPARE(reports.size(), std::size_t(1));
    QVERIFY2(QString::fromStdString(reports[0]).contains(expected), reports[0].c_str());
    // The report is made by the worker, so a message box there waits without a nested loop.
    QVERIFY(reportedOnWorker);
}

void TestThread::handlersOnBothSidesStayApart()
{
    // The worker waits inside its catch handler while the main side sits in a
    // handler of its own; each side must keep seeing its own exception.
    std::string workerRethrown;
    std::string mainRethrown;
    std::vector<std::string> reports;
    ReporterGuard guard([&](const std::string& d) { reports.push_back(d); });

    auto t = FnThread::start([&] {
        try {
            throw std::runtime_error("worker");
        } catch (const std::runtime_error&) {
            tv::doEvents(50);
            try {
                throw;
            } catch (const std::runtime_error& e) {
                workerRethrown = e.what();
            }
        }
    });
    QCoreApplication::processEvents(); // the worker enters its handler and waits
    QVERIFY(t->isRunning());
    try {
        throw std::logic_error("main");
    } catch (const std::logic_error&) {
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (t->isFinished())
                loop.quit();
        });
        poll.start(5);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
        try {
            throw;
        } catch (const std::logic_error& e) {
            mainRethrown = e.what();
        } catch (...) {
            mainRethrown = "another exception";
        }
    }
    QVERIFY(t->isFinished());
    QCOMPARE(workerRethrown, std::string("worker"));
    QCOMPARE(mainRethrown, std::string("main"));
    QVERIFY(reports.empty());
    QVERIFY(!std::current_exception());
}

void TestThread::workerOutlivesItsStarter()
{
    bool destroyed = false;
    bool destroyedOnWorker = true;
    bool bodyDone = false;
    std::weak_ptr<FnThread> watch;
    {
        auto t = std::make_shared<FnThread>(
            [&] {
                tv::doEvents(50);
                spinPastSlice();
                tv::yieldToOthers();
                bodyDone = true;
            },
            [&] {
                destroyed = true;
                destroyedOnWorker = tv::onWorker();
            });
        watch = t;
        t->Run();
    }
    QVERIFY(!watch.expired());
    QVERIFY(!destroyed);
    QTRY_VERIFY(destroyed);
    QVERIFY(bodyDone);
    QVERIFY(watch.expired());
    QVERIFY(!destroyedOnWorker);
}

void TestThread::runNeedsSharedOwnership()
{
    bool ran = false;
    FnThread t([&] { ran = true; });
    QVERIFY_THROWS_EXCEPTION(tv::RuntimeException, t.Run());
    QVERIFY(!t.isRunning());
    QVERIFY(!t.isFinished());
    QCoreApplication::processEvents();
    QVERIFY(!ran);
}

void TestThread::runTwiceIsRefused()
{
    int runs = 0;
    auto t = FnThread::start([&] { ++runs; });
    QVERIFY_THROWS_EXCEPTION(tv::RuntimeException, t->Run());
    QTRY_VERIFY(t->isFinished());
    QVERIFY_THROWS_EXCEPTION(tv::RuntimeException, t->Run());
    QCoreApplication::processEvents();
    QCOMPARE(runs, 1);
}

void TestThread::twoWorkersAlternate()
{
    std::string log;
    auto body = [&](char name) {
        return [&log, name] {
            for (int i = 0; i < 3; ++i) {
                log += name;
                spinPastSlice();
                tv::yieldToOthers();
            }
        };
    };
    auto a = FnThread::start(body('A'));
    auto b = FnThread::start(body('B'));
    while (!a->isFinished() || !b->isFinished())
        tv::yieldToOthers();
    QCOMPARE(log, std::string("ABABAB"));
}

void TestThread::twoWorkersShareTheEventLoop()
{
    std::string log;
    auto body = [&](char name) {
        return [&log, name] {
            for (int i = 0; i < 4; ++i) {
                log += name;
                if (i % 2)
                    tv::doEvents(10);
                else
                    busyFor(25);
            }
        };
    };
    auto a = FnThread::start(body('a'));
    auto b = FnThread::start(body('b'));
    QTRY_VERIFY(a->isFinished() && b->isFinished());
    // Neither waits for the other to finish before it gets its turn.
    QCOMPARE(log.size(), std::size_t(8));
    QVERIFY2(log.find('b') < log.rfind('a'), log.c_str());
    QVERIFY2(log.find('a') < log.rfind('b'), log.c_str());
}

namespace {

// Run in a child process: the application ends while workers are suspended,
// one asleep inside a catch handler and one ready to go on.
int quitWhileSuspended(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    struct Marker {
        ~Marker() { std::puts("unwound"); }
    };
    auto sleeper = FnThread::start([] {
        Marker m;
        try {
            throw std::runtime_error("pending");
        } catch (...) {
            tv::doEvents(60000);
        }
    });
    auto busy = FnThread::start([] {
        Marker m;
        for (;;)
            busyFor(1000);
    });
    QTimer::singleShot(100, &app, [&] {
        std::puts(sleeper->isRunning() && busy->isRunning() ? "suspended" : "not running");
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    const int rc = QCoreApplication::exec();
    std::puts("left the loop");
    std::fflush(stdout);
    return rc;
}

} // namespace

void TestThread::quitWhileWorkerSuspended()
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {"--quit-while-suspended"});
    QVERIFY(child.waitForFinished(20000));
    const QString out = QString::fromLocal8Bit(child.readAllStandardOutput());
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    QVERIFY2(out.contains("suspended\n") && out.contains("left the loop"), qPrintable(out));
    QVERIFY2(!out.contains("unwound"), qPrintable(out));
}

void TestThread::wakeupEndsASleep_data()
{
    QTest::addColumn<bool>("onWorker");
    QTest::addColumn<bool>("wakeFirst");
    QTest::newRow("worker, woken while asleep") << true << false;
    QTest::newRow("worker, woken before") << true << true;
    QTest::newRow("main side, woken while asleep") << false << false;
    QTest::newRow("main side, woken before") << false << true;
}

void TestThread::wakeupEndsASleep()
{
    QFETCH(bool, onWorker);
    QFETCH(bool, wakeFirst);
    tv::Wakeup wakeup;
    int answers = 0;
    bool woken = false, timedOut = true;
    auto body = [&] {
        if (wakeFirst)
            wakeup.wake();
        // Far beyond the test's patience: only the wake-up can end it.
        woken = wakeup.sleep(600000);
        // Nobody wakes this one.
        timedOut = !wakeup.sleep(10);
        ++answers;
    };
    QObject context;
    if (!wakeFirst)
        QTimer::singleShot(20, &context, [&] { wakeup.wake(); });
    if (onWorker) {
        auto t = FnThread::start(body);
        QTRY_VERIFY_WITH_TIMEOUT(t->isFinished(), 20000);
    } else {
        body();
    }
    QCOMPARE(answers, 1);
    QVERIFY(woken);
    QVERIFY(timedOut);
}

void TestThread::earlierWakeupTimerSparesALaterSleep()
{
    qint64 slept = -1;
    auto t = FnThread::start([&] {
        tv::Wakeup wakeup;
        QObject context;
        QTimer::singleShot(0, &context, [&] { wakeup.wake(); });
        wakeup.sleep(30); // woken early; its timer is still to fire
        QElapsedTimer e;
        e.start();
        tv::doEvents(200);
        slept = e.elapsed();
    });
    QTRY_VERIFY_WITH_TIMEOUT(t->isFinished(), 20000);
    QVERIFY2(slept >= 200, qPrintable(QString::number(slept)));
}

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--quit-while-suspended") == 0)
        return quitWhileSuspended(argc, argv);
    QCoreApplication app(argc, argv);
    TestThread test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_thread.moc"
