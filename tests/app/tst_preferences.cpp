// The preferences file: thirty CR-ended lines, read and written byte for byte.

#include "app/core/AppState.h"
#include "platform/core/FolderItem.h"

#include "support/Files.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace tv;
using tv::test::readFile;
using tv::test::writeFile;

namespace {



const std::string kDefaults =
    "TEXT,ttro\rtxt,text,html,htm\r[fixed]\rttxt\rsameplace\r\rboth\rboth\rsystembeep\r"
    "新規辞書.dict\r\r\r"
    "\r\r\r\r\r\r\r\r\r\r"
    "Osaka,12\rOsaka,12\rOsaka,12\rOsaka,12\r"
    "NormalProof\rmanualWorkFrow\rnoLogging\r\r";

// An application state with a frame window whose placement it remembers.
class FramedState : public AppState {
public:
    std::optional<FrameBounds> placed;
    std::optional<FrameBounds> frameWindowBounds() const override { return placed; }
    void placeFrameWindow(const FrameBounds& b) override { placed = b; }
};

} // namespace

class TestPreferences : public QObject {
    Q_OBJECT

    QTemporaryDir config_ {QStringLiteral(TV_BUILD_DIR) + QStringLiteral("/tst_prefs-XXXXXX")};
    std::string prefsPath() const { return config_.path().toStdString() + "/Tesvora Prefs"; }

private slots:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", config_.path().toUtf8()); }
    void cleanup() { ::unlink(prefsPath().c_str()); }

    void defaultsWrittenByteForByte()
    {
        AppState s;
        s.readPreferences();
        QCOMPARE(s.prefDefaultDic, std::string("新規辞書.dict"));
        QCOMPARE(s.fontSize[3], 12);
        s.doPrefSave();
        QCOMPARE(readFile(prefsPath()), kDefaults);
        QCOMPARE(FolderItem::fromPath(prefsPath()).MacType().empty() ? std::string("pref")
                                                                     : FolderItem::fromPath(prefsPath()).MacType(),
            std::string("pref"));
    }

    void roundTripKeepsEveryByte()
    {
        const std::string file =
            "TEXT\rtxt\r-校正\t前\ttxt\rWq8z\rabsolutepath\r/home/u/out\rmany\rchanged\rdialog\r"
            "辞書.dict\r1,2,3,4\r5,6,7,8\r"
            "memo.txt\t/home/u/memo.txt\r\r\r\r\r\r\r\r\rz\t/z\r"
            "IPAGothic,14\rOsaka,0\rA,-3\rB,12\r"
            "FastProof\rAutoWorkFrow\rLogging\r10,20,300,200\r";
        writeFile(prefsPath(), file);
        FramedState s;
        s.readPreferences();
        QCOMPARE(s.prefExtension, std::string("-校正\t前\ttxt"));
        QCOMPARE(s.resentFileList[9], std::string("z\t/z"));
        QCOMPARE(s.fontName[0], std::string("IPAGothic"));
        QCOMPARE(s.fontSize[2], -3);
        QVERIFY(s.isFastProof && s.isAutoWorkFrow && s.isLogging);
        QVERIFY(s.placed.has_value());
        QCOMPARE(s.placed->Top, 10);
        QCOMPARE(s.placed->Left, 20);
        QCOMPARE(s.placed->Width, 300);
        QCOMPARE(s.placed->Height, 200);
        s.doPrefSave();
        QCOMPARE(readFile(prefsPath()), file);
    }

    void oddLines_data()
    {
        QTest::addColumn<std::string>("file");
        QTest::addColumn<std::string>("written");
        std::string empty22(22, '\r');
        QTest::newRow("zero bytes") << std::string()
                                    << empty22 + "Osaka,12\rOsaka,12\rOsaka,12\rOsaka,12\rNormalProof\rmanualWorkFrow\rnoLogging\r\r";
        QTest::newRow("font without comma, name with comma, not a number")
            << empty22 + "Gothic\rA,B,14\rX,abc\r\r"
            << empty22 + "Gothic,0\rA,0\rX,0\rOsaka,12\rNormalProof\rmanualWorkFrow\rnoLogging\r\r";
        QTest::newRow("keywords compare ignoring case, others are false")
            << empty22 + "\r\r\r\rfastproof\rAuto\rLOGGING\r"
            << empty22 + "Osaka,12\rOsaka,12\rOsaka,12\rOsaka,12\rFastProof\rmanualWorkFrow\rLogging\r\r";
        QTest::newRow("LF line ends")
            << std::string("a\nb\n")
            << std::string("a\rb\r") + std::string(20, '\r') + "Osaka,12\rOsaka,12\rOsaka,12\rOsaka,12\rNormalProof\rmanualWorkFrow\rnoLogging\r\r";
        QTest::newRow("CR LF line ends")
            << std::string("a\r\nb\r\n")
            << std::string("a\rb\r") + std::string(20, '\r') + "Osaka,12\rOsaka,12\rOsaka,12\rOsaka,12\rNormalProof\rmanualWorkFrow\rnoLogging\r\r";
        QTest::newRow("UTF-8 byte-order mark before line 1")
            << "\xEF\xBB\xBF" + kDefaults << kDefaults;
        QTest::newRow("every mark before line 1 goes, one inside a later line stays")
            << std::string("\xEF\xBB\xBF\xEF\xBB\xBF") + "TEXT\r\xEF\xBB\xBFtxt\r"
            << std::string("TEXT\r\xEF\xBB\xBFtxt\r") + std::string(20, '\r')
                   + "Osaka,12\rOsaka,12\rOsaka,12\rOsaka,12\rNormalProof\rmanualWorkFrow\rnoLogging\r\r";
        QTest::newRow("longer old file is cut to thirty lines")
            << kDefaults + "extra\rlines\r" << kDefaults;
    }
    void oddLines()
    {
        QFETCH(std::string, file);
        QFETCH(std::string, written);
        writeFile(prefsPath(), file);
        AppState s;
        s.readPreferences();
        s.doPrefSave();
        QCOMPARE(readFile(prefsPath()), written);
    }

    void markedFileReadsLineOne()
    {
        // An editor saved the file with a mark: line 1 still starts with the
        // type, so a filter on "TEXT" keeps matching.
        writeFile(prefsPath(), "\xEF\xBB\xBFTEXT\r" + std::string(25, '\r') + "FastProof\r");
        AppState s;
        s.readPreferences();
        QCOMPARE(QByteArray::fromStdString(s.prefFileType), QByteArray("TEXT"));
        QVERIFY(s.isFastProof);
    }

    void frameLineWithTwoNumbers()
    {
        writeFile(prefsPath(), std::string(29, '\r') + "10,20\r");
        FramedState s;
        s.readPreferences();
        QVERIFY(s.placed.has_value());
        QCOMPARE(s.placed->Top, 10);
        QCOMPARE(s.placed->Left, 20);
        QCOMPARE(s.placed->Width, 0);
        QCOMPARE(s.placed->Height, 0);
    }

    void lineEndsInValuesCannotShiftLines()
    {
        AppState s;
        s.setDefaultSettings();
        s.resentFileList[0] = "bad\rname\t/tmp/bad\rname";
        s.resentFileList[1] = "ok\t/tmp/ok";
        s.prefSavePlace = "/tmp/a\nb";
        s.doPrefSave();
        std::string written = readFile(prefsPath());
        QCOMPARE(std::count(written.begin(), written.end(), '\r'), 30L);
        QVERIFY(written.find('\n') == std::string::npos);
        AppState back;
        back.readPreferences();
        QCOMPARE(back.resentFileList[0], std::string());
        QCOMPARE(back.resentFileList[1], std::string("ok\t/tmp/ok"));
        QCOMPARE(back.prefSavePlace, std::string("/tmp/ab"));
    }

    void writeFailureKeepsOldFile()
    {
        writeFile(prefsPath(), kDefaults);
        AppState s;
        s.readPreferences();
        s.prefCreator = "XXXX";
        // A folder in the temporary file's place: it cannot be made beside the
        // real one, whoever runs the test.
        const std::string temp = config_.path().toStdString() + "/" + safeWriteTemporaryName("Tesvora Prefs");
        ::mkdir(temp.c_str(), 0777);
        writeFile(temp + "/keep", "kept");
        s.doPrefSave(); // reports nothing
        QCOMPARE(readFile(prefsPath()), kDefaults);
        QCOMPARE(readFile(temp + "/keep"), std::string("kept"));
        ::unlink((temp + "/keep").c_str());
        ::rmdir(temp.c_str());
        // Once it can be made, the same save goes through.
        s.doPrefSave();
        QVERIFY(readFile(prefsPath()).find("\rXXXX\r") != std::string::npos);
        QCOMPARE(tv::test::folderEntries(config_.path().toStdString()), std::vector<std::string> {"Tesvora Prefs"});
    }

    void unreadableFileGivesDefaults()
    {
        ::mkdir(prefsPath().c_str(), 0777); // exists, but cannot be read as a file
        AppState s;
        s.readPreferences();
        QCOMPARE(s.prefSaveType, std::string("sameplace"));
        ::rmdir(prefsPath().c_str());
    }
};

QTEST_GUILESS_MAIN(TestPreferences)
#include "tst_preferences.moc"
