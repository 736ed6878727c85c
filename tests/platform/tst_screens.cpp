// Holding a stored frame to the screens: damaged numbers, other screen
// layouts, the minimum size, and sums that would overflow an int.

#include "platform/ui/Screens.h"

#include <QTest>

#include <climits>

using namespace tv;

Q_DECLARE_METATYPE(tv::StoredFrame)

class TestScreens : public QObject {
    Q_OBJECT

private slots:
    void held_data();
    void held();
    void noScreens();
    void theScreensThereAre();
};

void TestScreens::held_data()
{
    QTest::addColumn<StoredFrame>("frame");
    QTest::addColumn<QRect>("expected");
    const int64_t huge = INT_MAX;
    // Two screens side by side; the minimum is 300 by 200.
    QTest::newRow("inside") << StoredFrame {100, 80, 400, 500} << QRect(100, 80, 400, 500);
    QTest::newRow("on the second screen") << StoredFrame {1200, 100, 400, 300} << QRect(1200, 100, 400, 300);
    QTest::newRow("below the minimum") << StoredFrame {10, 10, 5, 5} << QRect(10, 10, 300, 200);
    QTest::newRow("negative size") << StoredFrame {10, 10, -50, -1} << QRect(362, 284, 300, 200);
    QTest::newRow("hanging over the bottom") << StoredFrame {100, 600, 400, 300} << QRect(100, 468, 400, 300);
    QTest::newRow("widest int") << StoredFrame {100, 80, huge, 500} << QRect(0, 80, 1024, 500);
    QTest::newRow("widest and tallest") << StoredFrame {huge, huge, huge, huge} << QRect(0, 0, 1024, 768);
    QTest::newRow("far left of everything") << StoredFrame {-huge, 50, 400, 300} << QRect(312, 234, 400, 300);
    QTest::newRow("far off, huge") << StoredFrame {-huge, -huge, huge, huge} << QRect(0, 0, 1024, 768);
    QTest::newRow("below both") << StoredFrame {100, 5000, 400, 300} << QRect(312, 234, 400, 300);
    QTest::newRow("mostly on the second") << StoredFrame {1000, 0, 400, 300} << QRect(1024, 0, 400, 300);
}

void TestScreens::held()
{
    QFETCH(StoredFrame, frame);
    QFETCH(QRect, expected);
    const std::vector<QRect> areas {QRect(0, 0, 1024, 768), QRect(1024, 0, 800, 600)};
    const QRect held = holdToAreas(areas, frame, QSize(300, 200));
    QCOMPARE(held, expected);
    // Whatever came in, the result lies wholly on one screen.
    bool inside = false;
    for (const QRect& a : areas)
        inside = inside || a.contains(held);
    QVERIFY(inside);
}

void TestScreens::noScreens()
{
    const QRect held = holdToAreas({}, StoredFrame {INT_MAX, INT_MAX, INT_MAX, INT_MAX}, QSize(300, 200));
    QCOMPARE(held.topLeft(), QPoint(0, 0));
    QVERIFY(held.width() >= 300 && held.width() <= 4096);
    QVERIFY(held.height() >= 200 && held.height() <= 4096);
}

void TestScreens::theScreensThereAre()
{
    const std::vector<QRect> areas = screenAreas();
    QVERIFY(!areas.empty());
    const QRect held = holdToScreens(StoredFrame {0, 0, INT_MAX, INT_MAX}, QSize(100, 100));
    QCOMPARE(held, areas.front());
}

QTEST_MAIN(TestScreens)
#include "tst_screens.moc"
