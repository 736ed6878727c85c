// Waiting awake: a spin ends as soon as what it waits for holds, even when
// another thread makes it hold, and otherwise once its time is up.
#include "platform/core/SpinWait.h"

#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class TestSpinWait : public QObject {
    Q_OBJECT
private slots:
    void endsWhenReadyOrWhenTimeIsUp_data();
    void endsWhenReadyOrWhenTimeIsUp();
};

void TestSpinWait::endsWhenReadyOrWhenTimeIsUp_data()
{
    QTest::addColumn<int>("readyAfterMs"); // -1: never
    QTest::addColumn<int>("limitMs");
    QTest::addColumn<bool>("ready");
    QTest::newRow("ready at once") << 0 << 5000 << true;
    QTest::newRow("made ready by another thread") << 5 << 5000 << true;
    QTest::newRow("never ready") << -1 << 20 << false;
}

void TestSpinWait::endsWhenReadyOrWhenTimeIsUp()
{
    QFETCH(int, readyAfterMs);
    QFETCH(int, limitMs);
    QFETCH(bool, ready);
    std::atomic<bool> flag{readyAfterMs == 0};
    std::thread other;
    if (readyAfterMs > 0)
        other = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(readyAfterMs));
            flag = true;
        });
    const Clock::time_point start = Clock::now();
    const bool result = tv::spinUntil([&] { return flag.load(); }, std::chrono::milliseconds(limitMs));
    const auto took = Clock::now() - start;
    if (other.joinable())
        other.join();
    QCOMPARE(result, ready);
    if (ready)
        QVERIFY(took < std::chrono::milliseconds(limitMs));
    else
        QVERIFY(took >= std::chrono::milliseconds(limitMs));
}

QTEST_GUILESS_MAIN(TestSpinWait)
#include "tst_spinwait.moc"
