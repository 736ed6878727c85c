// The display-free parts of confirming a match: where a match lies in the
// confirmation window's text document, and the candidate palette's rows.

#include "proofing/core/DocumentPositions.h"
#include "proofing/core/SelectList.h"

#include "support/DocumentText.h"

#include <QTextDocument>
#include <QTest>

#include <string>

using namespace tv;
using tv::test::asDocument;
using tv::test::qs;

namespace {


// Code points of a UTF-8 text, each as its own UTF-8 piece.
std::vector<std::string> codePoints(const std::string& text)
{
    std::vector<std::string> out;
    for (size_t i = 0; i < text.size();) {
        size_t n = 1;
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0xF0)
            n = 4;
        else if (c >= 0xE0)
            n = 3;
        else if (c >= 0xC0)
            n = 2;
        out.push_back(text.substr(i, n));
        i += n;
    }
    return out;
}

} // namespace

class TestInteractiveCore : public QObject {
    Q_OBJECT

private slots:
    void coverOfAMatch_data();
    void coverOfAMatch();
    void everyPointAgreesWithQt_data();
    void everyPointAgreesWithQt();
    void editsBehindWhatIsKept();
    void selectRows_data();
    void selectRows();
    void rowsYieldPerRowAndNote();
};

void TestInteractiveCore::coverOfAMatch_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("documentStart");
    QTest::addColumn<int>("documentEnd");
    QTest::newRow("ASCII") << QByteArray("abcdef") << 2 << 2 << 2 << 4;
    QTest::newRow("kana") << QByteArray("あいうえお") << 3 << 1 << 3 << 4;
    QTest::newRow("after CR lines") << QByteArray("ab\rcd\ref") << 6 << 2 << 6 << 8;
    QTest::newRow("after CR LF lines") << QByteArray("ab\r\ncd\r\nef") << 8 << 2 << 6 << 8;
    QTest::newRow("after LF lines") << QByteArray("ab\ncd\nef") << 6 << 1 << 6 << 7;
    QTest::newRow("a whole CR LF") << QByteArray("ab\r\ncd") << 2 << 2 << 2 << 3;
    QTest::newRow("the LF of a CR LF") << QByteArray("ab\r\ncd") << 3 << 1 << 2 << 3;
    QTest::newRow("the CR of a CR LF") << QByteArray("ab\r\ncd") << 2 << 1 << 2 << 3;
    QTest::newRow("after an emoji") << QByteArray("a\xF0\x9F\x98\x80" "bc") << 2 << 1 << 3 << 4;
    QTest::newRow("an emoji") << QByteArray("a\xF0\x9F\x98\x80" "bc") << 1 << 1 << 1 << 3;
    QTest::newRow("after a combining mark") << QByteArray("e\xCC\x81" "x") << 2 << 1 << 2 << 3;
    QTest::newRow("the mark alone") << QByteArray("e\xCC\x81" "x") << 1 << 1 << 1 << 2;
    QTest::newRow("empty match") << QByteArray("abc") << 1 << 0 << 1 << 1;
    QTest::newRow("past the end") << QByteArray("abc") << 5 << 2 << 3 << 3;
}

void TestInteractiveCore::coverOfAMatch()
{
    QFETCH(QByteArray, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(int, documentStart);
    QFETCH(int, documentEnd);
    const std::string s = text.toStdString();
    DocumentPositions positions(s);
    const DocumentPositions::Range r = positions.cover(start, length);
    QCOMPARE(r.start, documentStart);
    QCOMPARE(r.end, documentEnd);
    // Asked again from a fresh count, the answer is the same.
    DocumentPositions fresh(s);
    fresh.locate(100);
    QCOMPARE(fresh.cover(start, length).start, documentStart);
}

void TestInteractiveCore::everyPointAgreesWithQt_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("CR") << QByteArray("一\r二\r\r三");
    QTest::newRow("CR LF") << QByteArray("一\r\n二\r\n\r\n三");
    QTest::newRow("mixed") << QByteArray("a\r\nb\nc\rd\n\re\r\r\nf");
    QTest::newRow("emoji and marks") << QByteArray("\xF0\x9F\x98\x80\r\n" "e\xCC\x81\xF0\x9F\x87\xAF\xF0\x9F\x87\xB5" "x");
}

void TestInteractiveCore::everyPointAgreesWithQt()
{
    QFETCH(QByteArray, text);
    const std::string s = text.toStdString();
    QTextDocument document;
    document.setPlainText(qs(s));
    QCOMPARE(document.toPlainText(), asDocument(s));
    DocumentPositions positions(s);
    const std::vector<std::string> chars = codePoints(s);
    std::string before;
    for (size_t i = 0; i <= chars.size(); ++i) {
        const DocumentPositions::Point p = positions.locate(static_cast<int64_t>(i));
        QCOMPARE(p.bytes, before.size());
        const bool inside = !before.empty() && before.back() == '\r' && i < chars.size() && chars[i] == "\n";
        QCOMPARE(p.insideBreak, inside);
        // The document's text before the point is the text before it, with
        // a break begun at a CR counted once.
        QCOMPARE(p.document, asDocument(before).size());
        if (i < chars.size()) {
            const DocumentPositions::Range r = positions.cover(static_cast<int64_t>(i), 1);
            const QString covered = document.toPlainText().mid(r.start, r.end - r.start);
            const QString expected = (chars[i] == "\r" || chars[i] == "\n") ? QStringLiteral("\n") : qs(chars[i]);
            QCOMPARE(covered, expected);
            before += chars[i];
        }
    }
}

void TestInteractiveCore::editsBehindWhatIsKept()
{
    std::string s = "aa\r\nbb\r\ncc";
    DocumentPositions positions(s);
    QCOMPARE(positions.locate(8).document, 6);
    // An edit before the kept point: counted afresh.
    s.replace(0, 4, "x");
    positions.editedFrom(0);
    QCOMPARE(positions.locate(5).document, 4); // x b b CR LF | c
    // An edit at the kept point leaves what lies before it.
    s.replace(positions.locate(5).bytes, 1, "\xF0\x9F\x98\x80");
    positions.editedFrom(positions.locate(5).bytes);
    QCOMPARE(positions.locate(6).document, 6);
}

void TestInteractiveCore::selectRows_data()
{
    using Rows = QList<QPair<QString, QString>>;
    QTest::addColumn<QString>("candidates");
    QTest::addColumn<QString>("matched");
    QTest::addColumn<QString>("notes");
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<int>("width0");
    QTest::addColumn<int>("width1");
    const QString keep = QStringLiteral("(置換しない)");
    QTest::newRow("no comment") << "x|yy" << "ABC" << "" << Rows{{"ABC" + keep, ""}, {"x", ""}, {"yy", ""}}
                                << 154 << 14;
    QTest::newRow("notes of one byte") << "x|yy" << "ABC" << "p|q" << Rows{{"ABC", keep}, {"x", "p"}, {"yy", "q"}}
                                       << 35 << 21;
    QTest::newRow("fewer notes") << "a|b|c" << "m" << "x|y" << Rows{{"m", keep}, {"a", "x"}, {"b", "y"}, {"c", ""}}
                                 << 21 << 21;
    QTest::newRow("more notes") << "a" << "m" << "x|yyyyyy" << Rows{{"m", keep}, {"a", "x"}} << 21 << 21;
    QTest::newRow("escaped bar") << "a|b\\|c" << "m" << "" << Rows{{"m" + keep, ""}, {"a", ""}, {"b|c", ""}}
                                 << 140 << 14;
    QTest::newRow("empty candidate list") << "" << "m" << "" << Rows{{"m" + keep, ""}} << 140 << 14;
    QTest::newRow("an empty candidate") << "a|" << "m" << "n|" << Rows{{"m", keep}, {"a", "n"}, {"", ""}} << 21 << 21;
    QTest::newRow("kanji candidate") << "漢字仮名交じり文|b" << "m" << "" << Rows{{"m" + keep, ""}, {"漢字仮名交じり文", ""}, {"b", ""}}
                                     << 182 << 14;
}

void TestInteractiveCore::selectRows()
{
    using Rows = QList<QPair<QString, QString>>;
    QFETCH(QString, candidates);
    QFETCH(QString, matched);
    QFETCH(QString, notes);
    QFETCH(Rows, rows);
    QFETCH(int, width0);
    QFETCH(int, width1);
    const SelectList list = makeSelectRows(candidates.toStdString(), matched.toStdString(), notes.toStdString());
    Rows got;
    for (const SelectList::Row& r : list.rows)
        got.append({qs(r.text), qs(r.note)});
    QCOMPARE(got, rows);
    QCOMPARE(list.width0, width0);
    QCOMPARE(list.width1, width1);
}

void TestInteractiveCore::rowsYieldPerRowAndNote()
{
    int steps = 0;
    makeSelectRows("a|b|c", "m", "x|y", [&] { ++steps; });
    QCOMPARE(steps, 5);
}

QTEST_MAIN(TestInteractiveCore)
#include "tst_interactive_core.moc"
