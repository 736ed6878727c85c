// The rule fields as data: their table, the text a field hands out and
// stores, the text it shows for a cell, and the in-place edit's column
// boundary.

#include <QTest>

#include <string>

#include "dictionary/core/RuleFields.h"

using namespace tv;

class TestRuleFields : public QObject {
    Q_OBJECT

private slots:
    void table();
    void storedText_data();
    void storedText();
    void shownTextDecodesNothing();
    void inPlaceColumn_data();
    void inPlaceColumn();
};

void TestRuleFields::table()
{
    QCOMPARE(ruleFieldForCode(1)->name, std::string_view("findField"));
    QCOMPARE(ruleFieldForCode(2)->name, std::string_view("repField"));
    QCOMPARE(ruleFieldForCode(7)->name, std::string_view("guideField"));
    QVERIFY(!ruleFieldForCode(0));
    QVERIFY(!ruleFieldForCode(3));
    QCOMPARE(ruleFieldNamed("findField")->column, 0);
    QCOMPARE(ruleFieldNamed("repField")->column, 1);
    QCOMPARE(ruleFieldNamed("guideField")->column, 3);
    QCOMPARE(ruleFieldNamed("findField")->returnFocus, std::string_view("repField"));
    QCOMPARE(ruleFieldNamed("repField")->returnFocus, std::string_view("guideField"));
    QVERIFY(ruleFieldNamed("guideField")->returnFocus.empty());
    QVERIFY(!ruleFieldNamed("dictList"));
}

void TestRuleFields::storedText_data()
{
    QTest::addColumn<QString>("shown");    // as the field holds it
    QTest::addColumn<QByteArray>("ended"); // fieldText: UTF-8, CR line ends
    QTest::addColumn<QByteArray>("stored");

    QTest::newRow("plain") << QStringLiteral("校正") << QByteArray("校正") << QByteArray("校正");
    QTest::newRow("empty") << QString() << QByteArray() << QByteArray();
    QTest::newRow("LF") << QStringLiteral("a\nb") << QByteArray("a\rb") << QByteArray("a\\rb");
    QTest::newRow("CR") << QStringLiteral("a\rb") << QByteArray("a\rb") << QByteArray("a\\rb");
    QTest::newRow("CR LF is one break") << QStringLiteral("a\r\nb") << QByteArray("a\rb") << QByteArray("a\\rb");
    QTest::newRow("LF CR is two") << QStringLiteral("a\n\rb") << QByteArray("a\r\rb") << QByteArray("a\\r\\rb");
    QTest::newRow("line separator") << QStringLiteral("a\u2028b") << QByteArray("a\rb") << QByteArray("a\\rb");
    QTest::newRow("paragraph separator") << QStringLiteral("a\u2029b") << QByteArray("a\rb") << QByteArray("a\\rb");
    QTest::newRow("TAB") << QStringLiteral("a\tb") << QByteArray("a\tb") << QByteArray("a\\tb");
    QTest::newRow("break then TAB") << QStringLiteral("\n\t") << QByteArray("\r\t") << QByteArray("\\r\\t");
    QTest::newRow("trailing breaks") << QStringLiteral("x\r\n\r\n") << QByteArray("x\r\r") << QByteArray("x\\r\\r");
    QTest::newRow("typed backslash r stays") << QStringLiteral("\\r") << QByteArray("\\r") << QByteArray("\\r");
    QTest::newRow("backslash before a break") << QStringLiteral("\\\n") << QByteArray("\\\r")
                                              << QByteArray("\\\\r");
    QTest::newRow("bar and backslash stay") << QStringLiteral("a\\|b") << QByteArray("a\\|b") << QByteArray("a\\|b");
    // Other characters of the same lead bytes are no line ends.
    QTest::newRow("near the separators") << QStringLiteral("\u2027\u202A\u2020") << QByteArray("\u2027\u202A\u2020")
                                         << QByteArray("\u2027\u202A\u2020");
}

void TestRuleFields::storedText()
{
    QFETCH(QString, shown);
    QFETCH(QByteArray, ended);
    QFETCH(QByteArray, stored);
    QCOMPARE(QByteArray::fromStdString(fieldText(shown)), ended);
    QCOMPARE(QByteArray::fromStdString(storedFieldText(shown)), stored);
    QCOMPARE(QByteArray::fromStdString(fixString(ended.toStdString())), stored);
    QCOMPARE(QByteArray::fromStdString(crLineEnds(shown.toStdString())), ended);
}

void TestRuleFields::shownTextDecodesNothing()
{
    QCOMPARE(shownFieldText("a\\rb\\tc"), QStringLiteral("a\\rb\\tc"));
    QCOMPARE(shownFieldText("校正"), QStringLiteral("校正"));
    // Loading a cell and handing it out again gives the same stored bytes.
    for (const char* cell : {"a\\rb", "\\t", "x|y\\|z", "", "全角　文字"})
        QCOMPARE(storedFieldText(shownFieldText(cell)), std::string(cell));
}

void TestRuleFields::inPlaceColumn_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("width");
    QTest::addColumn<int>("column");
    QTest::newRow("573: 278") << 278.0 << 573.0 << 0;
    QTest::newRow("573: 278.4") << 278.4 << 573.0 << 0;
    QTest::newRow("573: 278.5") << 278.5 << 573.0 << 1;
    QTest::newRow("573: 279") << 279.0 << 573.0 << 1;
    QTest::newRow("573: left edge") << 0.0 << 573.0 << 0;
    QTest::newRow("573: right edge") << 572.0 << 573.0 << 1;
    QTest::newRow("800: 391") << 391.0 << 800.0 << 0;
    QTest::newRow("800: 392") << 392.0 << 800.0 << 1;
    QTest::newRow("left of the window") << -5.0 << 573.0 << 0;
}

void TestRuleFields::inPlaceColumn()
{
    QFETCH(double, x);
    QFETCH(double, width);
    QFETCH(int, column);
    QCOMPARE(inPlaceEditColumn(x, width), column);
}

QTEST_GUILESS_MAIN(TestRuleFields)
#include "tst_rulefields.moc"
