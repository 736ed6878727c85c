// Outputs written aside: saves to one file in the order they were started,
// no more under way than the limit, failures reported in their turn, and a
// file being written recognised by its path or as the same file under
// another name.

#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/core/FileCalls.h"
#include "proofing/core/SavesAside.h"

using namespace tv;
using namespace std::chrono_literals;

namespace {

void napping()
{
    std::this_thread::sleep_for(1ms);
}

// A write that leaves no folder to sync.
template <typename F>
SavesAside::Write writing(F f)
{
    return [f]() mutable {
        f();
        return std::string();
    };
}

// What the writes did, in the order they did it.
struct Journal {
    std::mutex mutex;
    std::vector<std::string> lines;
    void note(const std::string& line)
    {
        std::lock_guard<std::mutex> lock(mutex);
        lines.push_back(line);
    }
};

} // namespace

class TestSavesAside : public QObject {
    Q_OBJECT

private slots:
    void writesToOneFileKeepTheirOrder_data();
    void writesToOneFileKeepTheirOrder();
    void noMoreUnderWayThanTheLimit_data();
    void noMoreUnderWayThanTheLimit();
    void failuresComeBackInTheirTurn();
    void settlingCountsEverySaveWritten();
    void aFileBeingWrittenIsKnown();
    void endingWaitsForEverySave();
    void aSaveCountsOnceItsFolderIsSynced();
    void savesStartedTogetherAllGetUnderWay();
};

void TestSavesAside::writesToOneFileKeepTheirOrder_data()
{
    QTest::addColumn<QString>("secondTarget");
    QTest::addColumn<QString>("secondSource");
    QTest::addColumn<bool>("waits");
    // The first save writes /out/a from /in/a, and takes its time.
    QTest::newRow("the same output") << "/out/a" << "/in/b" << true;
    QTest::newRow("reads what the first writes") << "/out/b" << "/out/a" << true;
    QTest::newRow("writes what the first reads") << "/in/a" << "/in/b" << true;
    QTest::newRow("the same source") << "/out/b" << "/in/a" << false;
    QTest::newRow("other files") << "/out/b" << "/in/b" << false;
}

void TestSavesAside::writesToOneFileKeepTheirOrder()
{
    QFETCH(QString, secondTarget);
    QFETCH(QString, secondSource);
    QFETCH(bool, waits);
    Journal journal;
    SavesAside saves(4, 8);
    auto write = [&](const std::string& name, std::chrono::milliseconds time) {
        return [&journal, name, time] {
            journal.note("begin " + name);
            std::this_thread::sleep_for(time);
            journal.note("end " + name);
        };
    };
    saves.start("/out/a", "/in/a", "1", 0, writing(write("1", 80ms)), napping);
    saves.start(secondTarget.toStdString(), secondSource.toStdString(), "2", 0, writing(write("2", 0ms)), napping);
    QCOMPARE(saves.settle(napping, nullptr), 2);
    const auto at = [&](const std::string& line) {
        return std::find(journal.lines.begin(), journal.lines.end(), line) - journal.lines.begin();
    };
    QCOMPARE(journal.lines.size(), size_t(4));
    QCOMPARE(at("end 1") < at("begin 2"), waits);
}

void TestSavesAside::noMoreUnderWayThanTheLimit_data()
{
    QTest::addColumn<int>("inFlight");
    QTest::addColumn<int>("inFlightBytes");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("most");
    QTest::newRow("by count") << 3 << 1000 << 1 << 3;
    QTest::newRow("by bytes") << 8 << 100 << 40 << 2;
    QTest::newRow("a text above the limit goes alone") << 8 << 100 << 150 << 1;
}

void TestSavesAside::noMoreUnderWayThanTheLimit()
{
    QFETCH(int, inFlight);
    QFETCH(int, inFlightBytes);
    QFETCH(int, bytes);
    QFETCH(int, most);
    std::atomic<int> underWay{0}, seenMost{0};
    SavesAside saves(8, size_t(inFlight), size_t(inFlightBytes));
    for (int i = 0; i < 12; ++i) {
        saves.start("/out/" + std::to_string(i), "/in/" + std::to_string(i), "", size_t(bytes), writing([&] {
            const int now = ++underWay;
            int seen = seenMost.load();
            while (now > seen && !seenMost.compare_exchange_weak(seen, now)) {
            }
            std::this_thread::sleep_for(5ms);
            --underWay;
        }), napping);
        QVERIFY(underWay.load() <= most);
    }
    QCOMPARE(saves.settle(napping, nullptr), 12);
    QVERIFY(seenMost.load() <= most);
    QVERIFY(seenMost.load() >= std::min(most, 2)); // they did overlap where they may
}

void TestSavesAside::failuresComeBackInTheirTurn()
{
    // The second save fails late, the third succeeds at once: nothing after
    // the failure is counted before the failure has been reported.
    SavesAside saves(4, 8);
    saves.start("/out/1", "/in/1", "one", 0, writing([] {}), napping);
    saves.start("/out/2", "/in/2", "two", 0, writing([] {
        std::this_thread::sleep_for(50ms);
        throw std::runtime_error("disk full");
    }), napping);
    saves.start("/out/3", "/in/3", "three", 0, writing([] {}), napping);
    std::this_thread::sleep_for(10ms);
    SavesAside::Failure failure;
    QCOMPARE(saves.collect(failure), 1); // the first; the second is under way
    QVERIFY(!failure.error);
    QCOMPARE(saves.settle(napping, &failure), 0);
    QCOMPARE(failure.place, std::string("two"));
    QVERIFY(failure.error);
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, std::rethrow_exception(failure.error));
    // What follows the failure is still there to be counted.
    QVERIFY(!saves.empty());
    SavesAside::Failure none;
    QCOMPARE(saves.settle(napping, &none), 1);
    QVERIFY(!none.error);
    QVERIFY(saves.empty());
}

void TestSavesAside::settlingCountsEverySaveWritten()
{
    SavesAside saves(2, 4);
    for (int i = 0; i < 6; ++i)
        saves.start("/out/" + std::to_string(i), "/in/" + std::to_string(i), "", 0, writing([i] {
            if (i % 2)
                throw std::runtime_error("failed");
        }), napping);
    QCOMPARE(saves.settle(napping, nullptr), 3);
    QVERIFY(saves.empty());
}

void TestSavesAside::aFileBeingWrittenIsKnown()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string root = dir.path().toStdString();
    std::ofstream(root + "/old.txt") << "old";
    std::ofstream(root + "/in.txt") << "in";
    QCOMPARE(::symlink((root + "/old.txt").c_str(), (root + "/link.txt").c_str()), 0);
    QCOMPARE(::link((root + "/old.txt").c_str(), (root + "/hard.txt").c_str()), 0);

    std::atomic<bool> release{false};
    SavesAside saves(2, 4);
    auto held = [&] {
        while (!release)
            std::this_thread::sleep_for(1ms);
    };
    // One save replaces a file that is there, one writes a new file.
    saves.start(root + "/old.txt", root + "/in.txt", "", 0, writing(held), napping);
    saves.start(root + "/new.txt", root + "/in.txt", "", 0, writing(held), napping);
    const struct {
        const char* name;
        bool touched;
    } cases[] = {
        {"/old.txt", true},   // an output replacing a file
        {"/new.txt", true},   // a new output
        {"/link.txt", true},  // the replaced file under a link
        {"/hard.txt", true},  // the replaced file under another name
        {"/in.txt", false},   // a source: only read
        {"/other.txt", false}, // no such file
    };
    for (const auto& c : cases)
        QVERIFY2(saves.touches(root + c.name) == c.touched, c.name);
    release = true;
    QCOMPARE(saves.settle(napping, nullptr), 2);
    QVERIFY(!saves.touches(root + "/old.txt"));
    QVERIFY(!saves.touches(root + "/new.txt"));
}

void TestSavesAside::endingWaitsForEverySave()
{
    std::atomic<int> written{0};
    {
        SavesAside saves(1, 8);
        for (int i = 0; i < 5; ++i)
            saves.start("/out/" + std::to_string(i), "/in/" + std::to_string(i), "", 0, writing([&] {
                std::this_thread::sleep_for(5ms);
                ++written;
            }), napping);
    }
    QCOMPARE(written.load(), 5);
}

void TestSavesAside::aSaveCountsOnceItsFolderIsSynced()
{
    // Saves into one folder that end together share a sync of it; none
    // counts as written before a sync that began after its write.
    struct HeldSyncs : FileCalls {
        std::mutex mutex;
        std::vector<std::string> journal;
        std::atomic<bool> release{false};
        HeldSyncs() { setFileCalls(this); }
        ~HeldSyncs() override { setFileCalls(nullptr); }
        int fsync(int fd) override
        {
            {
                std::lock_guard<std::mutex> lock(mutex);
                journal.push_back("sync");
            }
            while (!release)
                std::this_thread::sleep_for(1ms);
            return FileCalls::fsync(fd);
        }
    } disk;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string folder = dir.path().toStdString();
    SavesAside saves(4, 8);
    for (int i = 0; i < 8; ++i)
        saves.start(folder + "/" + std::to_string(i), "/in/" + std::to_string(i), "", 0, [&, i] {
            std::this_thread::sleep_for(20ms);
            std::lock_guard<std::mutex> lock(disk.mutex);
            disk.journal.push_back("written " + std::to_string(i));
            return folder;
        }, napping);
    // Every write has ended; the syncs are held.
    for (int tries = 0; tries < 2000; ++tries) {
        std::lock_guard<std::mutex> lock(disk.mutex);
        if (std::count_if(disk.journal.begin(), disk.journal.end(),
                          [](const std::string& line) { return line.rfind("written", 0) == 0; }) == 8)
            break;
        std::this_thread::sleep_for(1ms);
    }
    SavesAside::Failure failure;
    QCOMPARE(saves.collect(failure), 0);
    disk.release = true;
    QCOMPARE(saves.settle(napping, nullptr), 8);
    const auto syncs = std::count(disk.journal.begin(), disk.journal.end(), std::string("sync"));
    QVERIFY2(syncs >= 1 && syncs <= 4, qPrintable(QString::number(syncs)));
    QCOMPARE(disk.journal.back(), std::string("sync"));
}

void TestSavesAside::savesStartedTogetherAllGetUnderWay()
{
    // Every thread has written and gone to sleep; then one more save ends,
    // and its thread looks out for the next. Of the saves started meanwhile
    // the first is left to it, unwoken; the others must wake the sleeping
    // threads all the same, or they wait for its save to end.
    SavesAside saves(4, 8);
    int file = 0;
    auto startQuick = [&] { saves.start("/out/" + std::to_string(++file), "/in", "", 0, writing([] {}), napping); };
    for (int round = 0; round < 5; ++round) {
        for (int i = 0; i < 4; ++i)
            startQuick();
        QCOMPARE(saves.settle(napping, nullptr), 4);
        std::this_thread::sleep_for(20ms);
        startQuick();
        // Straight on, while that thread still looks out.
        QCOMPARE(saves.settle([] { std::this_thread::yield(); }, nullptr), 1);
        // Each of these waits until all four are under way, for five seconds at most.
        std::atomic<int> underWay{0}, alone{0};
        for (int i = 0; i < 4; ++i)
            saves.start("/out/" + std::to_string(++file), "/in", "", 0, writing([&] {
                ++underWay;
                const auto until = std::chrono::steady_clock::now() + 5s;
                while (underWay.load() < 4 && std::chrono::steady_clock::now() < until)
                    std::this_thread::sleep_for(1ms);
                if (underWay.load() < 4)
                    ++alone;
            }), napping);
        QCOMPARE(saves.settle(napping, nullptr), 4);
        QCOMPARE(alone.load(), 0);
    }
}

QTEST_GUILESS_MAIN(TestSavesAside)
#include "tst_savesaside.moc"
