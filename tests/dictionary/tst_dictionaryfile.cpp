// Dictionary files on disk: the editor's reading of missing and existing
// files, and the writer's replacement of the old file.

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <string>

#include "dictionary/core/DictionaryFile.h"
#include "dictionary/core/EditorFrame.h"
#include "platform/core/Errors.h"
#include "platform/core/Text.h"

using namespace tv;

namespace {

// Stands in for the detector: UTF-8 when the sample is, else Shift_JIS.
TextEncodingRef judge(std::string_view sample)
{
    return isValidUtf8(sample) ? Encodings::UTF8() : Encodings::ShiftJIS();
}

void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readBytes(const std::string& path)
{
    return FolderItem::fromPath(path).readAll();
}

} // namespace

class TestDictionaryFile : public QObject {
    Q_OBJECT

private slots:
    void init();
    void missingFileReadsEmpty_data();
    void missingFileReadsEmpty();
    void readsWithTheDetectedEncoding();
    void folderIsNoDictionary();
    void writeReplacesTheFile();
    void writeFailureIsReported();
    void writeWithoutFile();
    void saveCreatesWhatIsMissing_data();
    void saveCreatesWhatIsMissing();
    void saveFailureIsReported_data();
    void saveFailureIsReported();
    void placeableFrame_data();
    void placeableFrame();
    void frameNumbersAtTheEnds();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    FolderItem folder_;
};

void TestDictionaryFile::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    QVERIFY(QDir(dir_->path()).mkdir("Dictionary"));
    folder_ = FolderItem::fromPath(dir_->path().toStdString() + "/Dictionary");
}

void TestDictionaryFile::missingFileReadsEmpty_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("no such file") << QByteArray("なし.dict");
    QTest::newRow("outside the folder") << QByteArray("../x.dict");
    QTest::newRow("the folder itself") << QByteArray(".");
    QTest::newRow("a NUL inside") << QByteArray("x.dict\0y", 8);
}

void TestDictionaryFile::missingFileReadsEmpty()
{
    QFETCH(QByteArray, name);
    // Files a careless lookup would reach: one outside the folder, and one
    // whose name a NUL would cut the name down to.
    writeBytes(dir_->path().toStdString() + "/x.dict", "a\tb\r");
    writeBytes(folder_.path() + "/x.dict", "a\tb\r");
    EditorDictionary d = readDictionaryFile(folder_.Child(std::string(name.constData(), size_t(name.size()))), judge);
    QVERIFY(d.rules.empty());
    QVERIFY(!d.frame);
    QCOMPARE(d.malformedLines, 0);
}

void TestDictionaryFile::readsWithTheDetectedEncoding()
{
    writeBytes(folder_.path() + "/sjis.dict", "\x8d\x5a\x90\xb3\tx\rno-separator\r");
    EditorDictionary d = readDictionaryFile(folder_.Child("SJIS.DICT")); // the real detector
    QCOMPARE(d.rules.size(), size_t(2));
    QCOMPARE(d.rules[0], (DictionaryRule{"校正", "x", "--------", ""}));
    QCOMPARE(d.malformedLines, 1);
}

void TestDictionaryFile::folderIsNoDictionary()
{
    QVERIFY(QDir(QString::fromStdString(folder_.path())).mkdir("sub.dict"));
    QVERIFY_THROWS_EXCEPTION(IOException, readDictionaryFile(folder_.Child("sub.dict"), judge));
}

void TestDictionaryFile::writeReplacesTheFile()
{
    const FolderItem file = folder_.Child("新規辞書.dict");
    writeBytes(file.path(), ""); // as made for a new dictionary
    const std::vector<DictionaryRule> rules = {{"a", "b", "*-------", "c"}};
    QVERIFY(writeDictionaryFile(file, {1, 2, 3, 4}, rules));
    QCOMPARE(readBytes(file.path()), std::string("Tesvora Dictionary,1,2,3,4,UTF8\ra\tb\t*-------\tc\r"));
    QCOMPARE(file.MacType(), std::string("dict"));
    // The temporary file is gone: the folder lists the dictionary alone.
    QCOMPARE(QDir(QString::fromStdString(folder_.path())).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"新規辞書.dict"});
    EditorDictionary back = readDictionaryFile(file, judge);
    QCOMPARE(back.rules, rules);
    QCOMPARE(back.frame, std::optional<DictionaryFrame>(DictionaryFrame{1, 2, 3, 4}));
}

void TestDictionaryFile::writeFailureIsReported()
{
    // A folder where the file should be: it cannot be replaced, and stays.
    QVERIFY(QDir(QString::fromStdString(folder_.path())).mkdir("busy.dict"));
    writeBytes(folder_.path() + "/busy.dict/inside", "kept");
    QVERIFY_THROWS_EXCEPTION(IOException, writeDictionaryFile(folder_.Child("busy.dict"), {}, {}));
    QCOMPARE(readBytes(folder_.path() + "/busy.dict/inside"), std::string("kept"));
    QCOMPARE(QDir(QString::fromStdString(folder_.path())).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"busy.dict"});
    // A folder that does not exist.
    QVERIFY_THROWS_EXCEPTION(IOException,
                             writeDictionaryFile(folder_.Child("gone").Child("a.dict"), {}, {}));
}

void TestDictionaryFile::writeWithoutFile()
{
    QVERIFY(!writeDictionaryFile(folder_.Child("a/b"), {}, {}));
}

void TestDictionaryFile::saveCreatesWhatIsMissing_data()
{
    QTest::addColumn<bool>("removeFolder");
    QTest::newRow("the file was deleted") << false;
    QTest::newRow("the folder was deleted") << true;
}

void TestDictionaryFile::saveCreatesWhatIsMissing()
{
    QFETCH(bool, removeFolder);
    const FolderItem file = folder_.Child("消えた.dict");
    writeBytes(file.path(), "old\tx\r");
    const std::vector<DictionaryRule> rules = {{"a", "b", "--------", ""}, {"", "", "--------", ""}};
    // The editor was opened on it, then the file (or its folder) went away.
    file.Delete();
    if (removeFolder)
        QVERIFY(QDir(QString::fromStdString(folder_.path())).removeRecursively());
    const DictionarySaveResult result = saveDictionaryFile(file, {-5, 30, 573, 502}, rules);
    QVERIFY2(result, result.error.c_str());
    QVERIFY(result.error.empty());
    QCOMPARE(readBytes(file.path()), std::string("Tesvora Dictionary,-5,30,573,502,UTF8\ra\tb\t--------\t\r\t\t--------\t\r"));
    EditorDictionary back = readDictionaryFile(file, judge);
    QCOMPARE(back.rules, rules);
}

void TestDictionaryFile::saveFailureIsReported_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("a folder in the way") << 0;
    QTest::newRow("no folder to make the folder in") << 1;
    QTest::newRow("no file for the name") << 2;
    QTest::newRow("a file where the folder should be") << 3;
}

void TestDictionaryFile::saveFailureIsReported()
{
    QFETCH(int, kind);
    FolderItem file;
    switch (kind) {
    case 0:
        QVERIFY(QDir(QString::fromStdString(folder_.path())).mkdir("busy.dict"));
        file = folder_.Child("busy.dict");
        break;
    case 1: file = folder_.Child("gone").Child("deeper").Child("a.dict"); break;
    case 2: file = folder_.Child("a/b"); break;
    case 3:
        writeBytes(folder_.path() + "/plain", "kept");
        file = folder_.Child("plain").Child("a.dict");
        break;
    }
    DictionarySaveResult result;
    try {
        result = saveDictionaryFile(file, {1, 2, 3, 4}, {{"a", "b", "--------", ""}});
    } catch (...) {
        QFAIL("a failed save must come back as a result");
    }
    QVERIFY(!result);
    QVERIFY(!result.saved);
    QVERIFY(!result.error.empty());
    if (kind == 3)
        QCOMPARE(readBytes(folder_.path() + "/plain"), std::string("kept"));
}

void TestDictionaryFile::placeableFrame_data()
{
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<bool>("placeable");
    // Two screens side by side: 0..1919 and 1920..3199 wide.
    QTest::newRow("on the first screen") << QRect(40, 60, 573, 502) << true;
    QTest::newRow("on the second screen") << QRect(2000, 100, 573, 502) << true;
    QTest::newRow("across both") << QRect(1800, 100, 573, 502) << true;
    QTest::newRow("partly above") << QRect(100, -400, 573, 502) << true;
    QTest::newRow("smaller than the minimum") << QRect(10, 10, 100, 50) << true;
    QTest::newRow("no size (a 0-byte file's header)") << QRect(0, 0, 0, 0) << false;
    QTest::newRow("no height") << QRect(10, 10, 573, 0) << false;
    QTest::newRow("negative width") << QRect(10, 10, -573, 502) << false;
    QTest::newRow("right of every screen") << QRect(3200, 100, 573, 502) << false;
    QTest::newRow("below every screen") << QRect(100, 1200, 573, 502) << false;
    QTest::newRow("left, touching the edge") << QRect(-573, 100, 573, 502) << false;
}

void TestDictionaryFile::placeableFrame()
{
    QFETCH(QRect, frame);
    QFETCH(bool, placeable);
    const QList<QRect> screens = {QRect(0, 0, 1920, 1200), QRect(1920, 0, 1280, 1024)};
    const DictionaryFrame stored{frame.x(), frame.y(), frame.width(), frame.height()};
    QCOMPARE(isPlaceableFrame(stored, screens), placeable);
    QVERIFY(!isPlaceableFrame(stored, {}));
    if (frame.width() > 0 && frame.height() > 0) {
        QCOMPARE(geometryOfFrame(stored), frame);
        QCOMPARE(frameOfGeometry(frame), stored);
    }
}

void TestDictionaryFile::frameNumbersAtTheEnds()
{
    // A header's numbers saturate at the ends of int; they must not overflow.
    const QList<QRect> screens = {QRect(0, 0, 1920, 1200)};
    QVERIFY(!isPlaceableFrame({2147483647, 2147483647, 2147483647, 2147483647}, screens));
    QVERIFY(!isPlaceableFrame({2147483000, 0, 2147483647, 500}, screens));
    QVERIFY(isPlaceableFrame({-1000000, -1000000, 2147483647, 2147483647}, screens));
    QVERIFY(!isPlaceableFrame({-2147483647 - 1, 0, 2147483647, 500}, screens));
}

QTEST_GUILESS_MAIN(TestDictionaryFile)
#include "tst_dictionaryfile.moc"
