// The palette's height as its guide group folds and unfolds.

#include <QTest>

#include "trial/core/PaletteFold.h"

using tv::PaletteFold;
using tv::paletteFold;

class TestTrialFold : public QObject {
    Q_OBJECT

private slots:
    void fold_data();
    void fold();
    void newPalette();
    void afterUserResize();
};

void TestTrialFold::fold_data()
{
    QTest::addColumn<bool>("open");
    QTest::addColumn<int>("triangleTop");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("minimum");

    QTest::newRow("design, collapsed") << false << 324 << 342 << 300;
    QTest::newRow("design, expanded") << true << 324 << 496 << 452;
    QTest::newRow("taller, expanded") << true << 424 << 596 << 452;
    QTest::newRow("taller, collapsed") << false << 424 << 442 << 300;
    QTest::newRow("shortest collapsed, expanded") << true << 282 << 454 << 452;
    QTest::newRow("shortest collapsed") << false << 282 << 300 << 300;
}

void TestTrialFold::fold()
{
    QFETCH(bool, open);
    QFETCH(int, triangleTop);
    QFETCH(int, height);
    QFETCH(int, minimum);
    const PaletteFold f = paletteFold(open, triangleTop);
    QCOMPARE(f.height, height);
    QCOMPARE(f.minimumHeight, minimum);
    QCOMPARE(f.groupShown, open);
    // Folding lowers the minimum before the height; unfolding raises it after.
    QCOMPARE(f.minimumFirst, !open);
}

void TestTrialFold::newPalette()
{
    // The design shows the group; opening closes the triangle.
    int top = tv::kTriangleDesignTop;
    PaletteFold f = paletteFold(false, top);
    QCOMPARE(f, (PaletteFold{342, 300, false, true}));
    f = paletteFold(true, top);
    QCOMPARE(f, (PaletteFold{496, 452, true, false}));
    QVERIFY(f.height != tv::kPaletteDesignHeight);
    f = paletteFold(false, top);
    QCOMPARE(f.height, 342);
    QCOMPARE(f.minimumHeight, 300);
}

void TestTrialFold::afterUserResize()
{
    // The user makes the collapsed palette 100 pixels taller; the triangle
    // keeps its distance to the bottom edge.
    int top = tv::triangleTopAfterResize(tv::kTriangleDesignTop, 342, 442);
    QCOMPARE(top, 424);
    QCOMPARE(paletteFold(true, top).height, 596);
    // Unfolding moves nothing, so folding measures from the same top.
    QCOMPARE(paletteFold(false, top).height, 442);
    // Shrunk to the collapsed minimum, then unfolded.
    top = tv::triangleTopAfterResize(tv::kTriangleDesignTop, 342, 300);
    QCOMPARE(top, 282);
    QCOMPARE(paletteFold(true, top).height, 454);
    // An expanded palette made taller folds to the triangle's new bottom.
    top = tv::triangleTopAfterResize(tv::kTriangleDesignTop, 496, 546);
    QCOMPARE(paletteFold(false, top).height, 392);
}

QTEST_GUILESS_MAIN(TestTrialFold)
#include "tst_trial_fold.moc"
