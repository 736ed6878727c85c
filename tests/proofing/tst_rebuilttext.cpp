// A text rebuilt where it lies after pieces of it were replaced, against the
// same text put together anew.

#include <QTest>

#include <random>
#include <string>
#include <vector>

#include "proofing/core/RebuiltText.h"
#include "proofing/core/TextEdits.h"

using tv::ReplacedPiece;
using tv::TextEdits;

class TestRebuiltText : public QObject {
    Q_OBJECT

private slots:
    void agreesWithANewText_data();
    void agreesWithANewText();
    void oneReplacementForAll();
};

namespace {

std::string putTogether(const std::string& text, size_t from, const std::vector<ReplacedPiece>& pieces,
                        const std::string& replacements)
{
    std::string out;
    size_t copied = from, taken = 0;
    for (const ReplacedPiece& p : pieces) {
        out += text.substr(copied, from + p.start - copied);
        out += replacements.substr(taken, p.replacementEnd - taken);
        copied = from + p.end;
        taken = p.replacementEnd;
    }
    return out + text.substr(copied);
}

} // namespace

void TestRebuiltText::agreesWithANewText_data()
{
    QTest::addColumn<int>("longest"); // of a replacement
    QTest::addColumn<int>("longestPiece");
    QTest::addColumn<int>("room"); // bytes of capacity beyond the text
    QTest::addColumn<int>("from");
    QTest::newRow("shrinking") << 1 << 6 << 0 << 0;
    QTest::newRow("growing, room enough") << 8 << 2 << 4096 << 0;
    QTest::newRow("growing, no room") << 8 << 2 << 0 << 0;
    QTest::newRow("growing and shrinking by turns") << 6 << 6 << 4096 << 0;
    QTest::newRow("as long or empty") << 3 << 3 << 0 << 0;
    QTest::newRow("with bytes dropped in front") << 6 << 6 << 4096 << 5;
}

// Random pieces and replacements: the bytes, the size and the edits are
// those of the text put together anew.
void TestRebuiltText::agreesWithANewText()
{
    QFETCH(int, longest);
    QFETCH(int, longestPiece);
    QFETCH(int, room);
    QFETCH(int, from);
    std::mt19937 random(11);
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const int n = static_cast<int>(random() % 400);
        for (int i = 0; i < n; ++i)
            text += static_cast<char>('a' + random() % 26);
        std::vector<ReplacedPiece> pieces;
        std::string replacements;
        size_t at = 0;
        const size_t end = text.size() > size_t(from) ? text.size() - size_t(from) : 0;
        for (;;) {
            at += random() % 12;
            const size_t length = random() % size_t(longestPiece + 1);
            if (at + length > end)
                break;
            const size_t replaced = random() % size_t(longest + 1);
            for (size_t i = 0; i < replaced; ++i)
                replacements += static_cast<char>('A' + random() % 26);
            pieces.push_back({at, at + length, replacements.size()});
            at += length;
        }
        if (text.size() < size_t(from))
            continue;
        const std::string expected = putTogether(text, size_t(from), pieces, replacements);
        std::string rebuilt = text;
        rebuilt.reserve(text.size() + size_t(room));
        TextEdits edits;
        tv::replacePieces(rebuilt, size_t(from), pieces, replacements, &edits);
        QCOMPARE(QByteArray::fromStdString(rebuilt), QByteArray::fromStdString(expected));
        // Every piece but an empty one replaced by nothing is an edit.
        size_t taken = 0, span = 0;
        for (size_t i = 0; i < pieces.size(); ++i) {
            const std::string replacement = replacements.substr(taken, pieces[i].replacementEnd - taken);
            const std::string removed = text.substr(size_t(from) + pieces[i].start, pieces[i].end - pieces[i].start);
            taken = pieces[i].replacementEnd;
            if (replacement.empty() && removed.empty())
                continue;
            QVERIFY(span < edits.spans.size());
            const TextEdits::Span& s = edits.spans[span++];
            QCOMPARE(rebuilt.substr(s.start, s.end - s.start), replacement);
            QCOMPARE(std::string(edits.removedOf(s)), removed);
        }
        QCOMPARE(span, edits.spans.size());
    }
}

void TestRebuiltText::oneReplacementForAll()
{
    std::string text = "xaxbxcx";
    const std::vector<ReplacedPiece> pieces = {{0, 1, 0}, {2, 3, 0}, {6, 7, 0}};
    tv::replacePiecesWith(text, pieces, "YY");
    QCOMPARE(QByteArray::fromStdString(text), QByteArray("YYaYYbxcYY"));
}

QTEST_GUILESS_MAIN(TestRebuiltText)
#include "tst_rebuilttext.moc"
