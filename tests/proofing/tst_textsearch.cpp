// Plain-text search and replace-all of rules that are not regular expressions.

#include <QTest>

#include <string>

#include "proofing/core/TextSearch.h"

namespace {
std::string str(const QByteArray& b) { return std::string(b.constData(), size_t(b.size())); }
}

class TestTextSearch : public QObject {
    Q_OBJECT

private slots:
    void find_data();
    void find();
    void replaceAll_data();
    void replaceAll();
};

void TestTextSearch::find_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("find");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<int>("startByte");
    QTest::addColumn<int>("start"); // -1: none
    QTest::addColumn<int>("end");

    QTest::newRow("bytes among kana") << QByteArray("ああaあa") << QByteArray("a") << true << 0 << 6 << 7;
    QTest::newRow("bytes, next one") << QByteArray("ああaあa") << QByteArray("a") << true << 7 << 10 << 11;
    QTest::newRow("bytes, none after") << QByteArray("ああaあa") << QByteArray("a") << true << 11 << -1 << -1;
    QTest::newRow("bytes, case counts") << QByteArray("xABCx abc") << QByteArray("abc") << true << 0 << 6 << 9;
    QTest::newRow("ignoring case") << QByteArray("xABCx") << QByteArray("abc") << false << 0 << 1 << 4;
    QTest::newRow("full-width ignoring case") << QByteArray("のＡＢ") << QByteArray("ａｂ") << false << 0 << 3 << 9;
    QTest::newRow("full-width, case counts") << QByteArray("のＡＢ") << QByteArray("ａｂ") << true << 0 << -1 << -1;
    QTest::newRow("ignoring case from an offset") << QByteArray("abcABC") << QByteArray("Abc") << false << 1 << 3 << 6;
    QTest::newRow("cut short at the end") << QByteArray("xab") << QByteArray("abc") << false << 0 << -1 << -1;
    QTest::newRow("empty search text") << QByteArray("abc") << QByteArray("") << false << 0 << -1 << -1;
    QTest::newRow("CR in the search text") << QByteArray("a\rb") << QByteArray("A\rB") << false << 0 << 0 << 3;
}

void TestTextSearch::find()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, find);
    QFETCH(bool, caseSensitive);
    QFETCH(int, startByte);
    QFETCH(int, start);
    QFETCH(int, end);
    auto hit = tv::findText(str(text), str(find), size_t(startByte), caseSensitive);
    QCOMPARE(hit.has_value(), start >= 0);
    if (hit) {
        QCOMPARE(int(hit->start), start);
        QCOMPARE(int(hit->end), end);
    }
}

void TestTextSearch::replaceAll_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("find");
    QTest::addColumn<QByteArray>("replacement");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("count");

    QTest::newRow("ignoring case") << QByteArray("ABC abc Abc") << QByteArray("abc") << QByteArray("x") << false
                                   << QByteArray("x x x") << 3;
    QTest::newRow("case counts") << QByteArray("ABC abc Abc") << QByteArray("ABC") << QByteArray("x") << true
                                 << QByteArray("x abc Abc") << 1;
    QTest::newRow("no overlap") << QByteArray("aaaa") << QByteArray("aa") << QByteArray("b") << true
                                << QByteArray("bb") << 2;
    QTest::newRow("inserted text is not searched") << QByteArray("aa") << QByteArray("a") << QByteArray("aa")
                                                   << false << QByteArray("aaaa") << 2;
    QTest::newRow("deleting") << QByteArray("あいあい") << QByteArray("い") << QByteArray("") << true
                              << QByteArray("ああ") << 2;
    QTest::newRow("nothing found") << QByteArray("abc") << QByteArray("x") << QByteArray("y") << false
                                   << QByteArray("abc") << 0;
    QTest::newRow("full-width") << QByteArray("ＴｅＸとtex") << QByteArray("ｔｅｘ") << QByteArray("TeX")
                                << false << QByteArray("TeXとtex") << 1;
}

void TestTextSearch::replaceAll()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, find);
    QFETCH(QByteArray, replacement);
    QFETCH(bool, caseSensitive);
    QFETCH(QByteArray, expected);
    QFETCH(int, count);
    std::string t = str(text);
    QCOMPARE(int(tv::replaceAllText(t, str(find), str(replacement), caseSensitive)), count);
    QCOMPARE(QByteArray::fromStdString(t), expected);
}

QTEST_GUILESS_MAIN(TestTextSearch)
#include "tst_textsearch.moc"
