// Marks land on the right characters of the text documents that show the
// sample and the result: the sample is read from its document as a window
// reads it, and every mark is laid back on a document by its ranges.

#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include <string>

#include "trial/core/TrialSearch.h"

namespace {

std::string utf8(const QString& s)
{
    const QByteArray b = s.toUtf8();
    return std::string(b.constData(), size_t(b.size()));
}

QString qs(const std::string& s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// The texts that the ranges select, breaks shown as U+2029 as Qt gives them.
QStringList selected(QTextDocument& doc, const std::vector<tv::DocumentPositions::Range>& ranges)
{
    QStringList out;
    for (const auto& r : ranges) {
        QTextCursor c(&doc);
        c.setPosition(int(r.start));
        c.setPosition(int(r.end), QTextCursor::KeepAnchor);
        out << c.selectedText();
    }
    return out;
}

} // namespace

class TestTrialPositions : public QObject {
    Q_OBJECT

private slots:
    void marksOnDocuments_data();
    void marksOnDocuments();
    void ranges();
};

void TestTrialPositions::marksOnDocuments_data()
{
    QTest::addColumn<QString>("sample"); // as typed into the sample field
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QStringList>("hits");     // in the sample's document
    QTest::addColumn<QStringList>("inserted"); // in the result's document

    const QString ps = QString(QChar::ParagraphSeparator);
    QTest::newRow("after emoji") << QStringLiteral("😀a😀😀b") << QStringLiteral("[ab]")
                                 << QStringLiteral("<$&>") << QStringList{"a", "b"} << QStringList{"<a>", "<b>"};
    QTest::newRow("emoji hits") << QStringLiteral("x😀y👍🏽") << QStringLiteral("[😀👍]")
                                << QStringLiteral("🎉") << QStringList{"😀", "👍"} << QStringList{"🎉", "🎉"};
    QTest::newRow("after line breaks") << QStringLiteral("a\nb\n\nc") << QStringLiteral("[bc]")
                                       << QStringLiteral("X") << QStringList{"b", "c"} << QStringList{"X", "X"};
    QTest::newRow("breaks themselves") << QStringLiteral("a\nb") << QStringLiteral("¥r|b")
                                       << QStringLiteral("[$&]") << QStringList{ps, "b"}
                                       << QStringList{QStringLiteral("[") + ps + QStringLiteral("]"), "[b]"};
    QTest::newRow("line separator") << QStringLiteral("a") + QChar(QChar::LineSeparator) + QStringLiteral("😀b")
                                    << QStringLiteral("b") << QStringLiteral("c") << QStringList{"b"}
                                    << QStringList{"c"};
    QTest::newRow("combining marks") << QStringLiteral("か\u3099\nが") << QStringLiteral("\u3099|が")
                                     << QStringLiteral("[$&]") << QStringList{"\u3099", "が"}
                                     << QStringList{"[\u3099]", "[が]"};
    QTest::newRow("across a break") << QStringLiteral("😀a\nb😀") << QStringLiteral("a¥rb")
                                    << QStringLiteral("-") << QStringList{QStringLiteral("a") + ps + "b"}
                                    << QStringList{"-"};
}

void TestTrialPositions::marksOnDocuments()
{
    QFETCH(QString, sample);
    QFETCH(QString, search);
    QFETCH(QString, replacement);
    QFETCH(QStringList, hits);
    QFETCH(QStringList, inserted);

    QTextDocument source;
    source.setPlainText(sample);
    tv::TrialRequest request{utf8(source.toPlainText()), utf8(search), utf8(replacement), {}};
    request.options.regex = true;
    const tv::TrialOutcome o = tv::trialSearch(request);
    QCOMPARE(o.ending, tv::TrialEnding::Done);
    QCOMPARE(selected(source, tv::documentRanges(o.sample, o.sourceMarks)), hits);

    QTextDocument result;
    result.setPlainText(qs(*o.result));
    QCOMPARE(selected(result, tv::documentRanges(*o.result, o.resultMarks)), inserted);
}

void TestTrialPositions::ranges()
{
    // UTF-16 positions: an emoji counts two, a CR one.
    const std::string text = "😀a\rb";
    const auto r = tv::documentRanges(text, {{0, 1}, {1, 1}, {2, 1}, {3, 1}});
    QCOMPARE(r.size(), size_t(4));
    QCOMPARE(r[0].start, int64_t(0));
    QCOMPARE(r[0].end, int64_t(2));
    QCOMPARE(r[1].start, int64_t(2));
    QCOMPARE(r[1].end, int64_t(3));
    QCOMPARE(r[2].start, int64_t(3));
    QCOMPARE(r[2].end, int64_t(4));
    QCOMPARE(r[3].start, int64_t(4));
    QCOMPARE(r[3].end, int64_t(5));
    QVERIFY(tv::documentRanges(text, {}).empty());
}

QTEST_MAIN(TestTrialPositions)
#include "tst_trial_positions.moc"
