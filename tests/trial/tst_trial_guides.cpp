// The sixteen guide menus, the pieces their rows insert, the wildcard button
// and the palette's field codes.

#include <QTest>

#include <string>

#include "platform/core/Text.h"
#include "trial/core/PatternGuides.h"
#include "trial/core/TrialSearch.h"

using tv::TrialField;

namespace {

QString qs(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
std::string utf8(const QString& s) { return s.toUtf8().toStdString(); }

const tv::GuideMenu& menu(int i) { return tv::guideMenus().at(size_t(i)); }

// The piece of every item of a menu, "-" for a separator.
QStringList pieces(int i)
{
    QStringList out;
    for (const tv::GuideItem& item : menu(i).items)
        out << (item.separator ? QStringLiteral("-") : qs(tv::guidePiece(item.row)));
    return out;
}

// The row whose piece is `piece` in menu i.
std::string rowOf(int i, const QString& piece)
{
    for (const tv::GuideItem& item : menu(i).items)
        if (!item.separator && qs(tv::guidePiece(item.row)) == piece)
            return item.row;
    return {};
}

} // namespace

class TestTrialGuides : public QObject {
    Q_OBJECT

private slots:
    void menus();
    void patterns_data();
    void patterns();
    void tabsAndDescriptions();
    void tellingDescriptions_data();
    void tellingDescriptions();
    void builtPatterns();
    void commonExpressionsFind_data();
    void commonExpressionsFind();
    void piecesAndCaptions_data();
    void piecesAndCaptions();
    void wildcardNumbering_data();
    void wildcardNumbering();
    void wildcardTarget();
    void fieldCodes();
};

void TestTrialGuides::menus()
{
    const QStringList captions{"単一の文字", "文字クラス", "繰り返し", "文字の境界", "グループ", "後方参照",
                               "前後読み", "置換パターン", "HTMLタグ", "Mail・URL", "日付・時刻", "郵便・電話",
                               "数値", "単語", "ファイル", "改行"};
    const int rows[] = {18, 11, 4, 4, 3, 5, 4, 9, 2, 3, 2, 2, 4, 3, 3, 4};
    QCOMPARE(tv::guideMenus().size(), size_t(16));
    int allRows = 0, separators = 0;
    for (int i = 0; i < 16; ++i) {
        QCOMPARE(qs(menu(i).caption), captions[i]);
        int n = 0;
        for (const tv::GuideItem& item : menu(i).items) {
            if (item.separator) {
                ++separators;
                QVERIFY(item.row.empty());
            } else {
                ++n;
            }
        }
        QCOMPARE(n, rows[i]);
        allRows += n;
    }
    QCOMPARE(allRows, 81);
    QCOMPARE(separators, 2);
    // A separator is an item of its menu: after the 12th row of menu 0 and
    // the 3rd of menu 7, so the rows after it are numbered one further on.
    QVERIFY(menu(0).items.at(12).separator);
    QVERIFY(menu(7).items.at(3).separator);
    QCOMPARE(qs(tv::guidePiece(menu(0).items.at(13).row)), QStringLiteral("¥d"));
    QCOMPARE(qs(tv::guidePiece(menu(7).items.at(4).row)), QStringLiteral("$0"));
}

void TestTrialGuides::patterns_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("expected");

    const QString q = QStringLiteral("\"");
    QTest::newRow("単一の文字") << 0 << QStringList{".", "¥n", "¥r", "¥t", "¥f", "¥b", "¥0", "¥nnn", "¥xnn",
        "¥cX", "¥¥", "¥.", "-", "¥d", "¥D", "¥w", "¥W", "¥s", "¥S"};
    QTest::newRow("文字クラス") << 1 << QStringList{"[abc]", "[^abc]", "[abc^]", "[a-z]", "[^a-z]", "[a-zA-Z]",
        "[a-z-[ew]]", "[a-z-[e-w]]", "[a-z-]", "[[]", "[]]"};
    QTest::newRow("繰り返し") << 2 << QStringList{"x?", "x*", "x+", "x{m,n}"};
    QTest::newRow("文字の境界") << 3 << QStringList{"^", "$", "¥b", "¥B"};
    QTest::newRow("グループ") << 4 << QStringList{"(pattern)", "(?:pattern)", "(?#text)"};
    QTest::newRow("後方参照") << 5 << QStringList{"¥1", "¥2", "¥3", "¥4", "¥5"};
    QTest::newRow("前後読み") << 6 << QStringList{"(?=pattern)", "(?!pattern)", "(?<=pattern)", "(?<!pattern)"};
    QTest::newRow("置換パターン") << 7 << QStringList{"$`", "$&", "$'", "-", "$0", "$1", "$2", "$3", "$4", "$5"};
    QTest::newRow("HTMLタグ") << 8 << QStringList{"<(" + q + ".*?" + q + "|'.*?'|[^'" + q + "])*?>",
        "<title>(.*?)</title>"};
    QTest::newRow("Mail・URL") << 9 << QStringList{"[a-zA-Z0-9_¥-¥.]+@[a-zA-Z0-9_¥-¥.]+¥.[a-zA-Z]+",
        "https?://[a-zA-Z0-9;/?:@&=¥+$,¥-_¥.!~*'¥(¥)%#]+", "¥d{1,3}¥.¥d{1,3}¥.¥d{1,3}¥.¥d{1,3}"};
    QTest::newRow("日付・時刻") << 10 << QStringList{"[12]¥d{3}/(0?[1-9]|1[0-2])/(0?[1-9]|[12][0-9]|3[01])",
        "([01][0-9]|2[0-3]):[0-5][0-9](:[0-5][0-9])?"};
    QTest::newRow("郵便・電話") << 11 << QStringList{"¥d{3}(|-¥d{2}|-¥d{4})", "0¥d{1,4}-¥d{1,4}-¥d{4}"};
    QTest::newRow("数値") << 12 << QStringList{"(0|[-+]?[1-9][0-9]*)(¥.¥d+)?", "(0|[-+]?[1-9][0-9]*)",
        "¥d{1,3}(,¥d{3})*", "(100|[1-9]?[0-9](¥.¥d+)?)%"};
    QTest::newRow("単語") << 13 << QStringList{"¥b¥w+¥b", "¥b[a-zA-Z]+¥b", "¥b[A-Z]¥w*¥b"};
    QTest::newRow("ファイル") << 14 << QStringList{"[/¥w¥-]+", "(/[¥w¥-]+)+", "¥b[A-Z]¥w*¥b"};
    QTest::newRow("改行") << 15 << QStringList{"¥x0A", "¥x0D", "¥x0D¥x0A", "^¥s*$"};
}

void TestTrialGuides::patterns()
{
    QFETCH(int, index);
    QFETCH(QStringList, expected);
    QCOMPARE(pieces(index), expected);
}

void TestTrialGuides::tabsAndDescriptions()
{
    const QStringList oneTab{"¥nnn", "¥xnn", "[a-zA-Z]", "[a-z-[ew]]", "[a-z-[e-w]]", "x{m,n}", "(?<=pattern)"};
    const QStringList threeTabs{"[[]", "[]]", "(?#text)", "¥b¥w+¥b"};
    for (const tv::GuideMenu& m : tv::guideMenus()) {
        for (const tv::GuideItem& item : m.items) {
            if (item.separator)
                continue;
            const QString row = qs(item.row);
            const QString piece = qs(tv::guidePiece(item.row));
            const int expectedTabs = oneTab.contains(piece) ? 1 : threeTabs.contains(piece) ? 3 : 2;
            QVERIFY2(row.startsWith(piece + QString(expectedTabs, '\t')), qPrintable(row));
            const QString description = row.mid(piece.size() + expectedTabs);
            QVERIFY2(!description.isEmpty() && !description.startsWith('\t') && !description.contains('\t'),
                     qPrintable(row));
            // Backslashes are written as yen signs.
            QVERIFY2(!row.contains('\\'), qPrintable(row));
        }
    }
    // Both ファイル and 単語 end with the very same row.
    QCOMPARE(menu(14).items.back().row, menu(13).items.back().row);
}

void TestTrialGuides::tellingDescriptions_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("piece");
    QTest::addColumn<QString>("description");

    QTest::newRow("dot") << 0 << "." << "改行をのぞく全ての文字";
    QTest::newRow("backspace") << 0 << "¥b" << "バックスペース文字(文字クラス内)";
    QTest::newRow("octal") << 0 << "¥nnn" << "8進数値nnnで示す文字";
    QTest::newRow("hex") << 0 << "¥xnn" << "16進数値nnで示す文字";
    QTest::newRow("yen") << 0 << "¥¥" << "¥自体";
    QTest::newRow("class with caret") << 1 << "[abc^]" << "a,b,cまたは^";
    QTest::newRow("two ranges") << 1 << "[a-zA-Z]" << "a～zまたはA～Zのうちの文字";
    QTest::newRow("subtraction") << 1 << "[a-z-[ew]]" << "a～z、ただしeとwを除く文字";
    QTest::newRow("subtracted range") << 1 << "[a-z-[e-w]]" << "a～z、ただしeからwを除く文字";
    QTest::newRow("open bracket") << 1 << "[[]" << "[ ";
    QTest::newRow("close bracket") << 1 << "[]]" << "] ";
    QTest::newRow("counted") << 2 << "x{m,n}" << "m 個以上n個以下のx";
    QTest::newRow("word boundary") << 3 << "¥b" << "単語の境界";
    QTest::newRow("group") << 4 << "(pattern)" << "グループ化を行い、後方参照を許可";
    QTest::newRow("plain group") << 4 << "(?:pattern)" << "グループ化のみを行い、後方参照は許可しない";
    QTest::newRow("comment") << 4 << "(?#text)" << "コメント";
    QTest::newRow("look-behind") << 6 << "(?<=pattern)" << "後読み宣言";
    QTest::newRow("text before") << 7 << "$`" << "検索前のターゲット文字列全体で置換";
    QTest::newRow("whole match &") << 7 << "$&" << "検索対象の領域全体";
    QTest::newRow("text after") << 7 << "$'" << "一致したテキストに続く検索対象の領域全体で置換";
    QTest::newRow("whole match 0") << 7 << "$0" << "検索対象の領域全体";
    QTest::newRow("title") << 8 << "<title>(.*?)</title>" << "titleタグの要素";
    QTest::newRow("ip") << 9 << "¥d{1,3}¥.¥d{1,3}¥.¥d{1,3}¥.¥d{1,3}" << "IPアドレス";
    QTest::newRow("time") << 10 << "([01][0-9]|2[0-3]):[0-5][0-9](:[0-5][0-9])?" << "HH:MM:SS";
    QTest::newRow("phone") << 11 << "0¥d{1,4}-¥d{1,4}-¥d{4}" << "電話番号";
    QTest::newRow("percent") << 12 << "(100|[1-9]?[0-9](¥.¥d+)?)%" << "0〜100%(小数も可)";
    QTest::newRow("word") << 13 << "¥b¥w+¥b" << "英単語";
    QTest::newRow("letters only") << 13 << "¥b[a-zA-Z]+¥b" << "英単語(数字、_含まず)";
    QTest::newRow("absolute path") << 14 << "(/[¥w¥-]+)+" << "ファイル名(絶対パス)";
    QTest::newRow("capital word in files") << 14 << "¥b[A-Z]¥w*¥b" << "大文字から始まる英単語";
    QTest::newRow("CR+LF") << 15 << "¥x0D¥x0A" << "改行コード(CR+LF)";
    QTest::newRow("blank line") << 15 << "^¥s*$" << "空白行";
}

void TestTrialGuides::tellingDescriptions()
{
    QFETCH(int, index);
    QFETCH(QString, piece);
    QFETCH(QString, description);
    const QString row = qs(rowOf(index, piece));
    QVERIFY2(row.endsWith(QLatin1Char('\t') + description), qPrintable(row));
}

void TestTrialGuides::builtPatterns()
{
    // The tag pattern: 23 characters with three double quotes, and its
    // description after two TABs.
    const std::string& tag = menu(8).items.at(0).row;
    const std::string piece = tv::guidePiece(tag);
    QCOMPARE(tv::Len(piece), int64_t(23));
    QCOMPARE(std::count(piece.begin(), piece.end(), '"'), 3L);
    QCOMPARE(qs(tag.substr(piece.size())), QStringLiteral("\t\tHTMLタグ"));
    QCOMPARE(qs(tv::guidePiece(menu(9).items.at(0).row)).count('@'), 1);
    QVERIFY(qs(menu(9).items.at(0).row).endsWith("\t\tメール"));
    QVERIFY(qs(menu(9).items.at(1).row).endsWith("\t\tURL"));
    // The tildes are full-width, the wave dash is U+301C.
    QVERIFY(qs(rowOf(1, "[a-z-[ew]]")).contains(QChar(0xFF5E)));
    QVERIFY(qs(rowOf(12, "(100|[1-9]?[0-9](¥.¥d+)?)%")).contains(QChar(0x301C)));
}

void TestTrialGuides::commonExpressionsFind_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("item");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QString>("sample");
    QTest::addColumn<QString>("firstHit"); // empty: no hit

    QTest::newRow("tag") << 8 << 0 << false << "x<a href=\"b>c\" id='d>e'>y" << "<a href=\"b>c\" id='d>e'>";
    QTest::newRow("title") << 8 << 1 << false << "<title>題名</title>" << "<title>題名</title>";
    QTest::newRow("mail") << 9 << 0 << false << "to: a.b-c@example.co.jp." << "a.b-c@example.co.jp";
    QTest::newRow("url") << 9 << 1 << false << "see https://example.com/a?b=c&d=1 now"
                         << "https://example.com/a?b=c&d=1";
    QTest::newRow("ip") << 9 << 2 << false << "host 192.168.0.1:80" << "192.168.0.1";
    QTest::newRow("date") << 10 << 0 << false << "1999/09/09" << "1999/09/09";
    QTest::newRow("time") << 10 << 1 << false << "at 23:59:58." << "23:59:58";
    QTest::newRow("postal") << 11 << 0 << false << "〒123" << "123";
    QTest::newRow("phone") << 11 << 1 << false << "tel 03-1234-5678" << "03-1234-5678";
    QTest::newRow("decimal") << 12 << 0 << false << "x -12.5" << "-12.5";
    QTest::newRow("integer") << 12 << 1 << false << "x +42" << "+42";
    QTest::newRow("grouped") << 12 << 2 << false << "1,234,567" << "1,234,567";
    QTest::newRow("percent") << 12 << 3 << false << "99.5%" << "99.5%";
    QTest::newRow("word") << 13 << 0 << false << "  hello!" << "hello";
    QTest::newRow("letters only") << 13 << 1 << false << "1abc abc" << "abc";
    QTest::newRow("capital word") << 13 << 2 << true << "in Tokyo" << "Tokyo";
    QTest::newRow("relative path") << 14 << 0 << false << "src/main-1.cpp" << "src/main-1";
    QTest::newRow("absolute path") << 14 << 1 << false << " /usr/local/bin" << "/usr/local/bin";
    QTest::newRow("LF") << 15 << 0 << false << "a\nb\r\nc" << "";
    QTest::newRow("CR") << 15 << 1 << false << "a\nb" << "\r";
    QTest::newRow("CR+LF") << 15 << 2 << false << "a\r\nb" << "";
    QTest::newRow("blank line") << 15 << 3 << false << "a\n \nb" << " ";
}

void TestTrialGuides::commonExpressionsFind()
{
    QFETCH(int, index);
    QFETCH(int, item);
    QFETCH(bool, caseSensitive);
    QFETCH(QString, sample);
    QFETCH(QString, firstHit);
    tv::TrialRequest request{utf8(sample), tv::guidePiece(menu(index).items.at(size_t(item)).row), "", {}};
    request.options.regex = true;
    request.options.greedy = true;
    request.options.caseSensitive = caseSensitive;
    const tv::TrialOutcome o = tv::trialSearch(request);
    QCOMPARE(o.ending, tv::TrialEnding::Done);
    if (firstHit.isEmpty()) {
        QVERIFY(o.sourceMarks.empty());
        return;
    }
    QVERIFY(!o.sourceMarks.empty());
    const tv::TextMark m = o.sourceMarks.front();
    QCOMPARE(qs(tv::Mid(o.sample, m.start + 1, m.length)), firstHit);
}

void TestTrialGuides::piecesAndCaptions_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("piece");
    QTest::addColumn<QString>("caption");

    QTest::newRow("two TABs") << "¥d\t\t数字" << "¥d" << "¥d\t\t数字";
    QTest::newRow("three TABs") << "[[]\t\t\t[ " << "[[]" << "[[]\t\t\t[ ";
    QTest::newRow("no TAB") << "abc" << "abc" << "abc";
    QTest::newRow("empty piece") << "\tx" << "" << "\tx";
    QTest::newRow("ampersand") << "$&\t\t検索対象の領域全体" << "$&" << "$&&\t\t検索対象の領域全体";
    QTest::newRow("ampersands") << "a&&b&" << "a&&b&" << "a&&&&b&&";
}

void TestTrialGuides::piecesAndCaptions()
{
    QFETCH(QString, row);
    QFETCH(QString, piece);
    QFETCH(QString, caption);
    QCOMPARE(qs(tv::guidePiece(utf8(row))), piece);
    QCOMPARE(qs(tv::guideCaption(utf8(row))), caption);
}

void TestTrialGuides::wildcardNumbering_data()
{
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("next");

    QTest::newRow("empty") << "" << "$1";
    QTest::newRow("zero") << "$0" << "$1";
    QTest::newRow("letter") << "$a$&" << "$1";
    QTest::newRow("nothing after") << "x$" << "$1";
    QTest::newRow("one and three") << "$1 $3" << "$4";
    QTest::newRow("twelve") << "[$12]" << "$13";
    QTest::newRow("blank before the number") << "$ 5" << "$6";
    QTest::newRow("TAB before the number") << "$\t7" << "$8";
    QTest::newRow("negative") << "$-3" << "$1";
    QTest::newRow("sign") << "$+2" << "$3";
    QTest::newRow("fraction") << "$1.9" << "$2";
    QTest::newRow("exponent") << "$2e3" << "$2001";
    QTest::newRow("highest, not last") << "$9$2" << "$10";
    QTest::newRow("each dollar read on") << "$$5" << "$6";
    QTest::newRow("among text") << "あ$3い¥$10う" << "$11";
    QTest::newRow("saturated") << "$99999999999999999999" << "$2147483648";
    QTest::newRow("largest integer") << "$2147483647" << "$2147483648";
    QTest::newRow("huge exponent") << "$1e400" << "$2147483648";
}

void TestTrialGuides::wildcardNumbering()
{
    QFETCH(QString, replacement);
    QFETCH(QString, next);
    QCOMPARE(qs(tv::nextGroupReference(utf8(replacement))), next);
}

void TestTrialGuides::wildcardTarget()
{
    QCOMPARE(*tv::wildcardInsertion(TrialField::Find, "$3"), std::string("(.+)"));
    QCOMPARE(*tv::wildcardInsertion(TrialField::Find, ""), std::string("(.+)"));
    QCOMPARE(*tv::wildcardInsertion(TrialField::Replace, "$1 $3"), std::string("$4"));
    QVERIFY(!tv::wildcardInsertion(TrialField::Source, "$1"));
    QVERIFY(!tv::wildcardInsertion(TrialField::None, "$1"));
}

void TestTrialGuides::fieldCodes()
{
    QCOMPARE(tv::focusCode(TrialField::Source), 10);
    QCOMPARE(tv::focusCode(TrialField::Find), 11);
    QCOMPARE(tv::focusCode(TrialField::Replace), 12);
    QCOMPARE(tv::focusCode(TrialField::None), 0);
    QCOMPARE(tv::fieldOfCode(10), TrialField::Source);
    QCOMPARE(tv::fieldOfCode(11), TrialField::Find);
    QCOMPARE(tv::fieldOfCode(12), TrialField::Replace);
    // Codes of other windows and none at all name no field of the palette.
    for (int code : {0, 1, 2, 3, 7, 9, 13, -1})
        QCOMPARE(tv::fieldOfCode(code), TrialField::None);
    // Pieces go into the search or the replacement, never into the sample.
    QCOMPARE(tv::insertionField(10), TrialField::None);
    QCOMPARE(tv::insertionField(11), TrialField::Find);
    QCOMPARE(tv::insertionField(12), TrialField::Replace);
    QCOMPARE(tv::insertionField(0), TrialField::None);
}

QTEST_GUILESS_MAIN(TestTrialGuides)
#include "tst_trial_guides.moc"
