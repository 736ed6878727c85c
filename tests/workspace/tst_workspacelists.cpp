// The two workspace lists as models: the Backspace walk, reordering, the drop
// row, the payloads and desktop drops, and what each list takes.

#include "app/core/AppState.h"
#include "workspace/core/WorkspaceDrops.h"
#include "workspace/core/WorkspaceList.h"

#include "support/Files.h"
#include "support/TestServices.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace tv;
using tv::test::fixtureTemplate;
using tv::test::writeFile;
using Kind = WorkspaceListModel::Kind;

Q_DECLARE_METATYPE(std::string)

namespace {

QByteArray bytes(const std::string& s)
{
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

std::unique_ptr<QMimeData> mime(const char* format, const std::string& content)
{
    auto data = std::make_unique<QMimeData>();
    data->setData(QString::fromLatin1(format), bytes(content));
    return data;
}

QStringList names(const WorkspaceListModel& m)
{
    QStringList out;
    for (const WorkspaceRow& r : m.rows())
        out << QString::fromStdString(r.name);
    return out;
}

void fill(WorkspaceListModel& m, const QStringList& list)
{
    std::vector<WorkspaceRow> rows;
    for (const QString& n : list) {
        if (m.kind() == Kind::Dictionaries)
            rows.push_back(dictionaryRow(n.toStdString()));
        else
            rows.push_back({n.toStdString(), "/rows/" + n.toStdString(), RowPicture::File});
    }
    m.setRows(std::move(rows));
}

std::vector<int> toVector(const QList<int>& list)
{
    return {list.begin(), list.end()};
}

} // namespace

class TestWorkspaceLists : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>(fixtureTemplate("tst_workspacelists"));
        QVERIFY(dir_->isValid());
        root_ = dir_->path().toStdString();
        services_ = std::make_unique<test::TestServices>();
        app_ = std::make_unique<AppState>();
        app_->setDefaultSettings();
    }
    void cleanup()
    {
        app_.reset();
        services_.reset();
        dir_.reset();
    }

    void removalWalk_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QList<int>>("order");
        QTest::newRow("empty list") << 0 << QList<int>() << QList<int>();
        QTest::newRow("nothing selected") << 4 << QList<int>() << QList<int>();
        QTest::newRow("one row") << 4 << QList<int> {2} << QList<int> {2};
        QTest::newRow("last row") << 4 << QList<int> {3} << QList<int> {3};
        QTest::newRow("adjacent rows") << 5 << QList<int> {1, 2} << QList<int> {1, 1};
        QTest::newRow("scattered rows") << 6 << QList<int> {4, 0, 2} << QList<int> {0, 1, 2};
        QTest::newRow("every row") << 3 << QList<int> {0, 1, 2} << QList<int> {0, 0, 0};
        QTest::newRow("rows past the end are no rows") << 3 << QList<int> {1, 7, -1} << QList<int> {1};
        QTest::newRow("a row named twice") << 3 << QList<int> {1, 1} << QList<int> {1};
    }
    void removalWalk()
    {
        QFETCH(int, count);
        QFETCH(QList<int>, selected);
        QFETCH(QList<int>, order);
        const std::vector<int> got = tv::removalWalk(count, toVector(selected));
        QCOMPARE(QList<int>(got.begin(), got.end()), order);
    }

    void backspaceRemovesTheSelectedRows_data()
    {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("none") << QList<int>() << QStringList {"a", "b", "c", "d", "e"};
        QTest::newRow("one") << QList<int> {3} << QStringList {"a", "b", "c", "e"};
        QTest::newRow("several") << QList<int> {0, 2, 4} << QStringList {"b", "d"};
        QTest::newRow("all") << QList<int> {4, 3, 2, 1, 0} << QStringList();
    }
    void backspaceRemovesTheSelectedRows()
    {
        QFETCH(QList<int>, selected);
        QFETCH(QStringList, left);
        WorkspaceListModel m(Kind::Files);
        fill(m, {"a", "b", "c", "d", "e"});
        QCOMPARE(m.removeSelected(toVector(selected)), 5 - int(left.size()));
        QCOMPARE(names(m), left);
    }

    void moveRowsTo_data()
    {
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<int>("dropRow");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("firstAt");
        QTest::newRow("down") << QList<int> {1} << 4 << QStringList {"a", "c", "d", "b", "e"} << 3;
        QTest::newRow("to the top") << QList<int> {3} << 0 << QStringList {"d", "a", "b", "c", "e"} << 0;
        QTest::newRow("to the end") << QList<int> {0, 1} << 5 << QStringList {"c", "d", "e", "a", "b"} << 3;
        QTest::newRow("two apart, kept in order") << QList<int> {3, 1} << 0 << QStringList {"b", "d", "a", "c", "e"} << 0;
        QTest::newRow("around themselves") << QList<int> {1, 2} << 2 << QStringList {"a", "b", "c", "d", "e"} << 1;
        QTest::newRow("just below themselves") << QList<int> {1, 2} << 3 << QStringList {"a", "b", "c", "d", "e"} << 1;
        QTest::newRow("nothing") << QList<int>() << 2 << QStringList {"a", "b", "c", "d", "e"} << 2;
    }
    void moveRowsTo()
    {
        QFETCH(QList<int>, rows);
        QFETCH(int, dropRow);
        QFETCH(QStringList, after);
        QFETCH(int, firstAt);
        WorkspaceListModel m(Kind::Files);
        fill(m, {"a", "b", "c", "d", "e"});
        QCOMPARE(m.moveRowsTo(toVector(rows), dropRow), firstAt);
        QCOMPARE(names(m), after);
        // Whole rows move: every name still has its own path.
        for (const WorkspaceRow& r : m.rows())
            QCOMPARE(r.path, "/rows/" + r.name);
    }

    void dropRow_data()
    {
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<int>("firstVisible");
        QTest::addColumn<int>("firstTop");
        QTest::addColumn<int>("rowHeight");
        QTest::addColumn<int>("row");
        QTest::newRow("on the heading") << -10 << 5 << 0 << 0 << 17 << 0;
        QTest::newRow("top of row 0") << 0 << 5 << 0 << 0 << 17 << 0;
        QTest::newRow("bottom of row 0") << 16 << 5 << 0 << 0 << 17 << 0;
        QTest::newRow("top of row 1") << 17 << 5 << 0 << 0 << 17 << 1;
        QTest::newRow("last row") << 84 << 5 << 0 << 0 << 17 << 4;
        QTest::newRow("just below the last row") << 85 << 5 << 0 << 0 << 17 << 5;
        QTest::newRow("far below the last row") << 500 << 5 << 0 << 0 << 17 << 5;
        QTest::newRow("empty list") << 30 << 0 << 0 << 0 << 17 << 0;
        QTest::newRow("scrolled, on the heading") << -3 << 40 << 12 << 0 << 17 << 12;
        QTest::newRow("scrolled, second row shown") << 20 << 40 << 12 << 0 << 17 << 13;
        QTest::newRow("first row half scrolled away") << 2 << 40 << 12 << -8 << 17 << 12;
        QTest::newRow("taller rows") << 45 << 10 << 0 << 0 << 22 << 2;
    }
    void dropRow()
    {
        QFETCH(int, y);
        QFETCH(int, rowCount);
        QFETCH(int, firstVisible);
        QFETCH(int, firstTop);
        QFETCH(int, rowHeight);
        QFETCH(int, row);
        QCOMPARE(tv::dropRow(y, ListGeometry {rowCount, firstVisible, firstTop, rowHeight}), row);
    }

    void payloads_data()
    {
        QTest::addColumn<std::string>("text");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("fields");
        QTest::newRow("empty") << std::string() << "" << QStringList() << 0;
        QTest::newRow("title only") << std::string("W") << "W" << QStringList() << 1;
        QTest::newRow("two entries") << std::string("W\ra\rb") << "W" << QStringList {"a", "b"} << 3;
        QTest::newRow("final CR gives an empty entry") << std::string("W\ra\r") << "W" << QStringList {"a", ""} << 3;
        QTest::newRow("lone CR") << std::string("\r") << "" << QStringList {""} << 2;
        QTest::newRow("TAB kept in an entry") << std::string("W\rn\t/p") << "W" << QStringList {"n\t/p"} << 2;
    }
    void payloads()
    {
        QFETCH(std::string, text);
        QFETCH(QString, title);
        QFETCH(QStringList, entries);
        QFETCH(int, fields);
        const Payload p = decodePayload(text);
        QCOMPARE(QString::fromStdString(p.title), title);
        QStringList got;
        for (const std::string& e : p.entries)
            got << QString::fromStdString(e);
        QCOMPARE(got, entries);
        QCOMPARE(int(p.fieldCount), fields);
        if (fields > 0)
            QCOMPARE(encodePayload(p.title, p.entries), text);
    }

    void fileEntries_data()
    {
        QTest::addColumn<std::string>("entry");
        QTest::addColumn<std::string>("name");
        QTest::addColumn<std::string>("path");
        QTest::newRow("name and path") << std::string("t.txt\t/home/u/t.txt") << std::string("t.txt")
                                       << std::string("/home/u/t.txt");
        QTest::newRow("no TAB") << std::string("t.txt") << std::string("t.txt") << std::string();
        QTest::newRow("third field ignored") << std::string("n\t/p\tmore") << std::string("n") << std::string("/p");
        QTest::newRow("empty name") << std::string("\t/p") << std::string() << std::string("/p");
        QTest::newRow("empty") << std::string() << std::string() << std::string();
    }
    void fileEntries()
    {
        QFETCH(std::string, entry);
        QFETCH(std::string, name);
        QFETCH(std::string, path);
        const FileEntry e = splitFileEntry(entry);
        QCOMPARE(e.name, name);
        QCOMPARE(e.path, path);
    }

    void uriLists_data()
    {
        QTest::addColumn<std::string>("list");
        QTest::addColumn<QStringList>("paths");
        QTest::newRow("usual form") << std::string("file:///home/u/a.txt\r\nfile:///home/u/b.txt\r\n")
                                    << QStringList {"/home/u/a.txt", "/home/u/b.txt"};
        QTest::newRow("localhost") << std::string("file://localhost/a\r\n") << QStringList {"/a"};
        QTest::newRow("short form") << std::string("file:/a\n") << QStringList {"/a"};
        QTest::newRow("scheme ignoring case") << std::string("FILE:///a") << QStringList {"/a"};
        QTest::newRow("other hosts and schemes skipped")
            << std::string("file://server/a\r\nhttp://x/b\r\nsmb://x/c\r\nfile:///d\r\n") << QStringList {"/d"};
        QTest::newRow("comments and blank lines") << std::string("# from somewhere\r\n\r\n  file:///e  \r\n")
                                                  << QStringList {"/e"};
        QTest::newRow("escapes decoded") << std::string("file:///u/%E3%83%A1%E3%83%A2%20a.txt")
                                         << QStringList {"/u/メモ a.txt"};
        QTest::newRow("bad escape kept") << std::string("file:///u/100%zz") << QStringList {"/u/100%zz"};
        QTest::newRow("relative skipped") << std::string("file:a.txt") << QStringList();
        QTest::newRow("fragment dropped") << std::string("file:///u/a.txt#x") << QStringList {"/u/a.txt"};
    }
    void uriLists()
    {
        QFETCH(std::string, list);
        QFETCH(QStringList, paths);
        QStringList got;
        for (const FolderItem& f : localItemsOfUriList(list))
            got << QString::fromStdString(f.path());
        QCOMPARE(got, paths);
    }

    void uriListKeepsThePathsBytes()
    {
        const std::string odd = "/u/\xff\x01 tab\tline\nend";
        const std::vector<FolderItem> items = localItemsOfUriList(uriListOf({odd, "/plain"}));
        QCOMPARE(items.size(), size_t(2));
        QCOMPARE(items[0].path(), odd);
        QCOMPARE(items[1].path(), std::string("/plain"));
    }

    void pathsResolveOnlyWhenAbsoluteAndThere_data()
    {
        QTest::addColumn<std::string>("path");
        QTest::addColumn<bool>("resolves");
        QTest::addColumn<int>("picture");
        QTest::newRow("empty path is no item, not the application folder")
            << std::string() << false << int(RowPicture::None);
        QTest::newRow("relative path") << std::string("t.txt") << false << int(RowPicture::None);
        QTest::newRow("dot") << std::string(".") << false << int(RowPicture::None);
        QTest::newRow("missing file") << std::string("/missing.txt") << false << int(RowPicture::None);
        QTest::newRow("file") << std::string("/t.txt") << true << int(RowPicture::File);
        QTest::newRow("folder") << std::string("/") << true << int(RowPicture::Folder);
    }
    void pathsResolveOnlyWhenAbsoluteAndThere()
    {
        QFETCH(std::string, path);
        QFETCH(bool, resolves);
        QFETCH(int, picture);
        writeFile(root_ + "/t.txt");
        // Relative paths would be taken from the current folder: stand in it.
        const QString before = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(root_));
        if (!path.empty() && path[0] == '/')
            path = root_ + path;
        const FolderItem item = resolveRowPath(path);
        QDir::setCurrent(before);
        QCOMPARE(bool(item), resolves);
        if (item)
            QCOMPARE(item.path(), path == root_ + "/" ? root_ : path);
        QCOMPARE(int(pictureForPath(path)), picture);
    }

    void modelShowsItsRows()
    {
        WorkspaceListModel files(Kind::Files);
        WorkspaceListModel dicts(Kind::Dictionaries);
        QCOMPARE(files.columnCount(), 2);
        QCOMPARE(dicts.columnCount(), 1);
        QCOMPARE(files.headerData(0, Qt::Horizontal).toString(), QStringLiteral("校正待ちファイル／フォルダ"));
        QCOMPARE(dicts.headerData(0, Qt::Horizontal).toString(), QStringLiteral("校正に使う辞書"));
        files.appendRow({"メモ.txt", "/u/メモ.txt", RowPicture::File});
        files.appendRow({"gone", "/u/gone", RowPicture::None});
        QCOMPARE(files.rowCount(), 2);
        QCOMPARE(files.data(files.index(0, 0)).toString(), QStringLiteral("メモ.txt"));
        QCOMPARE(files.data(files.index(0, 1)).toString(), QStringLiteral("/u/メモ.txt"));
        QCOMPARE(files.data(files.index(0, 0), WorkspaceListModel::PathRole).toString(), QStringLiteral("/u/メモ.txt"));
        QCOMPARE(files.data(files.index(0, 0), WorkspaceListModel::PictureRole).toInt(), int(RowPicture::File));
        QVERIFY(!files.data(files.index(0, 0), Qt::DecorationRole).isValid());
        files.setPictureProvider([](RowPicture p) { return QVariant(int(p) * 10); });
        QCOMPARE(files.data(files.index(0, 0), Qt::DecorationRole).toInt(), int(RowPicture::File) * 10);
        QVERIFY(!files.data(files.index(1, 0), Qt::DecorationRole).isValid());
        QVERIFY(files.flags(files.index(0, 0)).testFlag(Qt::ItemIsDragEnabled));
        QVERIFY(files.flags(QModelIndex()).testFlag(Qt::ItemIsDropEnabled));
        QVERIFY(!files.flags(files.index(0, 0)).testFlag(Qt::ItemIsDropEnabled));
    }

    void desktopDropOnTheDictionaryListInsertsAtTheDropRow()
    {
        for (const char* n : {"x.dict", "y.dict", "z.dict", "memo.txt"})
            writeFile(root_ + "/" + n);
        QDir().mkpath(QString::fromStdString(root_ + "/folder.dict"));
        WorkspaceListModel m(Kind::Dictionaries);
        fill(m, {"a", "b", "c", "d"});
        const std::vector<std::string> paths = {root_ + "/x.dict", root_ + "/memo.txt", root_ + "/folder.dict",
            root_ + "/y.dict", root_ + "/missing.dict", root_ + "/z.dict"};
        auto data = mime(kUriListMime, uriListOf(paths));
        QVERIFY(m.acceptsDrop(*data));
        const auto outcome = m.drop(*data, 1, false, {}, *app_);
        QVERIFY(outcome.accepted);
        QCOMPARE(outcome.added, 3);
        // Folders, texts and items that are not there are skipped.
        QCOMPARE(names(m), (QStringList {"a", "x.dict", "y.dict", "z.dict", "b", "c", "d"}));
        for (const WorkspaceRow& r : m.rows())
            QCOMPARE(r.picture, RowPicture::Dictionary);
    }

    void dictionaryListRefusesDesktopItemsWithoutADictionary()
    {
        writeFile(root_ + "/memo.txt");
        WorkspaceListModel m(Kind::Dictionaries);
        auto data = mime(kUriListMime, uriListOf({root_ + "/memo.txt", root_}));
        QVERIFY(!m.acceptsDrop(*data));
        QVERIFY(!m.canDropMimeData(data.get(), Qt::CopyAction, -1, -1, QModelIndex()));
        QVERIFY(!m.drop(*data, 0, false, {}, *app_).accepted);
        QCOMPARE(m.count(), 0);
    }

    void desktopDropOnTheFileListAppends()
    {
        writeFile(root_ + "/one.txt");
        writeFile(root_ + "/two.htm");
        writeFile(root_ + "/picture.png");
        QDir().mkpath(QString::fromStdString(root_ + "/folder"));
        QDir().mkpath(QString::fromStdString(root_ + "/named.txt"));
        WorkspaceListModel m(Kind::Files);
        fill(m, {"a", "b"});
        const std::vector<std::string> paths = {root_ + "/one.txt", root_ + "/picture.png", root_ + "/folder",
            root_ + "/named.txt", root_ + "/two.htm"};
        auto data = mime(kUriListMime, uriListOf(paths) + "http://example.com/x.txt\r\n");
        const auto outcome = m.drop(*data, 0, false, {}, *app_);
        QVERIFY(outcome.accepted);
        QCOMPARE(names(m), (QStringList {"a", "b", "one.txt", "folder", "named.txt", "two.htm"}));
        QCOMPARE(m.row(2).path, root_ + "/one.txt");
        QCOMPARE(m.row(2).picture, RowPicture::File);
        QCOMPARE(m.row(3).picture, RowPicture::Folder);
        // The filter takes regular files only: a folder is a folder row,
        // whatever its name.
        QCOMPARE(m.row(4).picture, RowPicture::Folder);
        QCOMPARE(m.row(5).picture, RowPicture::File);
    }

    void desktopDropOfARefusedFileAddsNothingButIsTaken()
    {
        writeFile(root_ + "/picture.png");
        WorkspaceListModel m(Kind::Files);
        auto data = mime(kUriListMime, uriListOf({root_ + "/picture.png"}));
        const auto outcome = m.drop(*data, 0, false, {}, *app_);
        QVERIFY(outcome.accepted);
        QCOMPARE(outcome.added, 0);
        QCOMPARE(m.count(), 0);
    }

    void payloadOnTheFileListInsertsAtTheDropRowWithPicturesFromPaths()
    {
        writeFile(root_ + "/t.txt");
        QDir().mkpath(QString::fromStdString(root_ + "/f"));
        WorkspaceListModel m(Kind::Files);
        fill(m, {"a", "b", "c"});
        const std::string payload = encodePayload("ワークスペース \"other\"",
            {joinFileEntry("t", root_ + "/t.txt"), joinFileEntry("f", root_ + "/f"), joinFileEntry("gone", root_ + "/g"),
                "bare"});
        auto data = mime(kFilePayloadMime, payload);
        const auto outcome = m.drop(*data, 1, false, {0}, *app_);
        QVERIFY(outcome.accepted);
        QCOMPARE(outcome.added, 4);
        QCOMPARE(outcome.removed, 0);
        QCOMPARE(names(m), (QStringList {"a", "t", "f", "gone", "bare", "b", "c"}));
        QCOMPARE(m.row(1).picture, RowPicture::File);
        QCOMPARE(m.row(2).picture, RowPicture::Folder);
        QCOMPARE(m.row(3).picture, RowPicture::None);
        QCOMPARE(m.row(4).path, std::string());
        QCOMPARE(m.row(4).picture, RowPicture::None);
    }

    void payloadIsAMoveOnlyFromThisList_data()
    {
        QTest::addColumn<bool>("fromThisList");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("dropRow");
        QTest::addColumn<QStringList>("after");
        // Rows before: a b c d e.
        QTest::newRow("copy from elsewhere, even with this title")
            << false << QStringList {"b", "d"} << QList<int> {1, 3} << 0
            << QStringList {"b", "d", "a", "b", "c", "d", "e"};
        QTest::newRow("move of two entries removes every selected row")
            << true << QStringList {"b", "d"} << QList<int> {1, 3} << 0 << QStringList {"b", "d", "a", "c", "e"};
        QTest::newRow("move down past the sources") << true << QStringList {"a", "b"} << QList<int> {0, 1} << 4
                                                    << QStringList {"c", "d", "a", "b", "e"};
        QTest::newRow("move of one entry removes the selected row") << true << QStringList {"e"} << QList<int> {4} << 1
                                                                    << QStringList {"a", "e", "b", "c", "d"};
        QTest::newRow("one entry with several selected removes the first")
            << true << QStringList {"c"} << QList<int> {2, 3} << 0 << QStringList {"c", "a", "b", "d", "e"};
        QTest::newRow("title only from this list removes the selected row")
            << true << QStringList() << QList<int> {2} << 0 << QStringList {"a", "b", "d", "e"};
        QTest::newRow("title only with nothing selected") << true << QStringList() << QList<int>() << 0
                                                          << QStringList {"a", "b", "c", "d", "e"};
    }
    void payloadIsAMoveOnlyFromThisList()
    {
        QFETCH(bool, fromThisList);
        QFETCH(QStringList, entries);
        QFETCH(QList<int>, selected);
        QFETCH(int, dropRow);
        QFETCH(QStringList, after);
        WorkspaceListModel m(Kind::Dictionaries);
        fill(m, {"a", "b", "c", "d", "e"});
        std::vector<std::string> e;
        for (const QString& s : entries)
            e.push_back(s.toStdString());
        auto data = mime(kDictPayloadMime, encodePayload("新規ワークスペース 1", e));
        const auto outcome = m.drop(*data, dropRow, fromThisList, toVector(selected), *app_);
        QVERIFY(outcome.accepted);
        QCOMPARE(names(m), after);
    }

    void eachListTakesOnlyItsOwnFlavour()
    {
        WorkspaceListModel dicts(Kind::Dictionaries);
        WorkspaceListModel files(Kind::Files);
        auto dictData = mime(kDictPayloadMime, "W\ra.dict");
        auto fileData = mime(kFilePayloadMime, "W\rt\t/t");
        QVERIFY(dicts.acceptsDrop(*dictData));
        QVERIFY(!dicts.acceptsDrop(*fileData));
        QVERIFY(files.acceptsDrop(*fileData));
        QVERIFY(!files.acceptsDrop(*dictData));
        QVERIFY(!files.drop(*dictData, 0, false, {}, *app_).accepted);
        QCOMPARE(files.count(), 0);
    }

    void unstorableEntriesAreRefusedWithAMessage()
    {
        WorkspaceListModel m(Kind::Dictionaries);
        fill(m, {"a", "b"});
        auto data = mime(kDictPayloadMime, encodePayload("W", {"ok.dict", "tab\there.dict", "line\nend.dict"}));
        // A move that cannot carry every entry keeps its sources.
        const auto outcome = m.drop(*data, 0, true, {1}, *app_);
        QVERIFY(outcome.accepted);
        QCOMPARE(outcome.added, 1);
        QCOMPARE(int(outcome.refused.size()), 2);
        QCOMPARE(names(m), (QStringList {"ok.dict", "a", "b"}));
        QCOMPARE(services_->messages.size(), size_t(1));
        QVERIFY(QString::fromStdString(services_->messages[0]).contains(QStringLiteral("tab here.dict")));
        QVERIFY(QString::fromStdString(services_->messages[0]).contains(QStringLiteral("line end.dict")));

        WorkspaceListModel files(Kind::Files);
        auto fileData = mime(kFilePayloadMime, encodePayload("W", {joinFileEntry("n", "/p\nq"), joinFileEntry("m", "/r")}));
        QCOMPARE(files.drop(*fileData, 0, false, {}, *app_).refused, std::vector<std::string> {"/p\nq"});
        QCOMPARE(names(files), QStringList {"m"});
    }

    void desktopItemWithALineEndInItsNameIsRefused()
    {
        const std::string odd = root_ + "/two\nlines.txt";
        writeFile(odd);
        writeFile(root_ + "/fine.txt");
        WorkspaceListModel m(Kind::Files);
        auto data = mime(kUriListMime, uriListOf({odd, root_ + "/fine.txt"}));
        const auto outcome = m.drop(*data, 0, false, {}, *app_);
        QCOMPARE(outcome.refused, std::vector<std::string> {"two\nlines.txt"});
        QCOMPARE(names(m), QStringList {"fine.txt"});
        QCOMPARE(services_->messages.size(), size_t(1));
    }

    void rowDragIsTakenOnlyByItsOwnList()
    {
        QDir().mkpath(QString::fromStdString(root_ + "/f"));
        WorkspaceListModel m(Kind::Files);
        m.setRows({{"a", "/rows/a", RowPicture::File}, {"f", root_ + "/f", RowPicture::Folder},
            {"c", "/rows/c", RowPicture::None}, {"d", "/rows/d", RowPicture::File}});
        std::unique_ptr<QMimeData> drag(m.mimeData({m.index(1, 0), m.index(1, 1), m.index(3, 0)}));
        QVERIFY(drag);
        QVERIFY(!drag->hasFormat(QString::fromLatin1(kFilePayloadMime)));

        WorkspaceListModel other(Kind::Files);
        fill(other, {"x"});
        QVERIFY(!other.acceptsDrop(*drag));
        QVERIFY(!other.drop(*drag, 0, false, {}, *app_).accepted);
        QCOMPARE(names(other), QStringList {"x"});
        WorkspaceListModel dicts(Kind::Dictionaries);
        QVERIFY(!dicts.acceptsDrop(*drag));

        QVERIFY(m.acceptsDrop(*drag));
        const auto outcome = m.drop(*drag, 0, true, {1, 3}, *app_);
        QVERIFY(outcome.accepted);
        QCOMPARE(outcome.moved, 2);
        QCOMPARE(names(m), (QStringList {"f", "d", "a", "c"}));
        // The whole row moves: its path and its picture go with it.
        QCOMPARE(m.row(0).path, root_ + "/f");
        QCOMPARE(m.row(0).picture, RowPicture::Folder);
        QCOMPARE(m.row(3).picture, RowPicture::None);
    }

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::string root_;
    std::unique_ptr<test::TestServices> services_;
    std::unique_ptr<AppState> app_;
};

QTEST_GUILESS_MAIN(TestWorkspaceLists)
#include "tst_workspacelists.moc"
