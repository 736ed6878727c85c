// Dictionary files on disk: the editor's reading of missing and existing
// files, and the writer's replacement of the old file.

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <string>

#include "dictionary/core/DictionaryFile.h"
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

QTEST_GUILESS_MAIN(TestDictionaryFile)
#include "tst_dictionaryfile.moc"
