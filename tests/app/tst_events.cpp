// Application events, desktop documents and the File menu's pass-starting and
// clipboard commands, with the dialog seam answering.

#include "app/ui/App.h"
#include "support/Windows.h"
#include "platform/core/FolderItem.h"
#include "support/TestServices.h"

#include "support/Files.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace tv;
using tv::test::readFile;
using tv::test::writeFile;

namespace {



// A started program in its own folders, whose passes are only counted.
struct Program {
    QTemporaryDir dir {QStringLiteral(TV_BUILD_DIR) + QStringLiteral("/tst_events-XXXXXX")};
    test::TestServices seam;
    std::unique_ptr<App> app;
    int passes = 0;

    Program()
    {
        std::string root = dir.path().toStdString();
        ::mkdir((root + "/app").c_str(), 0777);
        ::mkdir((root + "/app/Dictionary").c_str(), 0777);
        ::mkdir((root + "/config").c_str(), 0777);
        ::mkdir((root + "/in").c_str(), 0777);
        ::mkdir((root + "/in/sub").c_str(), 0777);
        ::mkdir((root + "/empty").c_str(), 0777);
        writeFile(root + "/app/Dictionary/a.dict", "");
        writeFile(root + "/app/Dictionary/b.dict", "");
        writeFile(root + "/in/one.txt");
        writeFile(root + "/in/sub/two.txt");
        writeFile(root + "/in/skip.doc");
        writeFile(root + "/memo.txt");
        writeFile(root + "/refused.doc");
        writeFile(root + "/work.wksp", "Tesvora Workspace,0,0,100,100\r\r");
        FolderItem::overrideApplicationFolder(root + "/app");
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(root + "/config"));
        AppState::setPassStarter([this](AppState&) { ++passes; });
        test::registerAllWindows();
        app = std::make_unique<App>();
        app->Event_Open();
    }
    ~Program()
    {
        app.reset();
        AppState::setPassStarter(nullptr);
        FolderItem::overrideApplicationFolder("");
    }
    FolderItem item(const std::string& rel) const
    {
        if (rel.empty())
            return {};
        return FolderItem::fromPath(dir.path().toStdString() + "/" + rel);
    }
    QStringList queue() const
    {
        QStringList out;
        size_t root = size_t(dir.path().size()) + 1;
        for (const FolderItem& f : app->dropItem)
            out << QString::fromStdString(f.path().substr(root));
        return out;
    }
    QList<int> marks() const
    {
        QList<int> out;
        for (int i = 1; MenuItem* it = app->MenuBar().item("dicList", i); ++i)
            if (it->Checked())
                out << i;
        return out;
    }
};

} // namespace

class TestEvents : public QObject {
    Q_OBJECT

private slots:
    void appleEvents_data()
    {
        QTest::addColumn<QString>("cls");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("dict");
        QTest::addColumn<QString>("object");
        QTest::addColumn<bool>("working");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QList<int>>("marks");
        QTest::addColumn<QStringList>("queue");
        QTest::addColumn<int>("passes");
        QTest::addColumn<bool>("clip");
        using L = QList<int>;
        QTest::newRow("other class ignores dict") << "abcd" << "used" << "b.dict" << "" << false << false << "a.dict" << L {1} << QStringList() << 0 << false;
        QTest::newRow("used, listed") << "Tv9x" << "used" << "B.DICT" << "" << false << true << "b.dict" << L {2} << QStringList() << 0 << false;
        QTest::newRow("used, unknown name clears every mark") << "Tv9x" << "used" << "none.dict" << "" << false << false << "a.dict" << L {} << QStringList() << 0 << false;
        QTest::newRow("used without dict") << "Tv9x" << "used" << "" << "" << false << false << "a.dict" << L {1} << QStringList() << 0 << false;
        QTest::newRow("unknown ID, dict selected") << "Tv9x" << "what" << "b.dict" << "" << false << false << "b.dict" << L {2} << QStringList() << 0 << false;
        QTest::newRow("quit only answers") << "Tv9x" << "quit" << "" << "" << false << true << "a.dict" << L {1} << QStringList() << 0 << false;
        QTest::newRow("prof without object") << "Tv9x" << "prof" << "" << "" << false << true << "a.dict" << L {1} << QStringList() << 0 << false;
        QTest::newRow("prof folder") << "Tv9x" << "prof" << "b.dict" << "in" << false << true << "b.dict" << L {2} << QStringList {"in/one.txt", "in/sub/two.txt"} << 1 << false;
        QTest::newRow("prof folder while working") << "Tv9x" << "prof" << "" << "in" << true << true << "a.dict" << L {1} << QStringList {"in/one.txt", "in/sub/two.txt"} << 0 << false;
        QTest::newRow("prof empty folder") << "Tv9x" << "prof" << "" << "empty" << false << true << "a.dict" << L {1} << QStringList() << 0 << false;
        QTest::newRow("prof refused file") << "Tv9x" << "prof" << "" << "refused.doc" << false << true << "a.dict" << L {1} << QStringList() << 0 << false;
        QTest::newRow("prof workspace goes through the filter") << "Tv9x" << "prof" << "" << "work.wksp" << false << true << "a.dict" << L {1} << QStringList() << 0 << false;
        QTest::newRow("clip") << "Tv9x" << "clip" << "" << "" << false << true << "a.dict" << L {1} << QStringList() << 1 << true;
        QTest::newRow("clip while working") << "Tv9x" << "clip" << "" << "" << true << true << "a.dict" << L {1} << QStringList() << 0 << false;
    }
    void appleEvents()
    {
        QFETCH(QString, cls);
        QFETCH(QString, id);
        QFETCH(QString, dict);
        QFETCH(QString, object);
        QFETCH(bool, working);
        QFETCH(bool, answer);
        QFETCH(QString, current);
        QFETCH(QList<int>, marks);
        QFETCH(QStringList, queue);
        QFETCH(int, passes);
        QFETCH(bool, clip);
        Program p;
        QCOMPARE(p.marks(), QList<int> {1});
        p.app->isWorking = working;
        bool handled = p.app->Event_HandleAppleEvent(cls.toStdString(), id.toStdString(), dict.toStdString(),
            p.item(object.toStdString()));
        QCOMPARE(handled, answer);
        QCOMPARE(QString::fromStdString(p.app->prefDefaultDic), current);
        QCOMPARE(p.marks(), marks);
        QCOMPARE(p.queue(), queue);
        QCOMPARE(p.passes, passes);
        QCOMPARE(p.app->isClip, clip);
    }

    void eventsAfterQuitDoNothing()
    {
        Program p;
        QVERIFY(p.app->quitCommand());
        QVERIFY(!p.app->Event_HandleAppleEvent("Tv9x", "clip", "b.dict", {}));
        p.app->Event_OpenDocument(p.item("memo.txt"));
        QCOMPARE(p.passes, 0);
        QVERIFY(p.app->dropItem.empty());
    }

    void desktopDocuments()
    {
        Program p;
        p.app->Event_OpenDocument(p.item("memo.txt"));
        p.app->Event_OpenDocument(p.item("in"));
        p.app->Event_OpenDocument(p.item("refused.doc"));
        // The first starts the pass; the others queue behind it.
        QCOMPARE(p.passes, 1);
        QCOMPARE(p.queue(), (QStringList {"memo.txt", "in/one.txt", "in/sub/two.txt"}));
        // A workspace document queues nothing.
        p.app->Event_OpenDocument(p.item("work.wksp"));
        QCOMPARE(p.queue().size(), 3);
        QVERIFY(p.app->openFolderItem == p.item("work.wksp"));
    }

    void fileCommands()
    {
        Program p;
        // Cancelled, refused, accepted.
        p.app->_fileopen_Action();
        p.seam.openAnswers.push_back(p.item("refused.doc"));
        p.app->_fileopen_Action();
        QCOMPARE(p.passes, 0);
        p.seam.openAnswers.push_back(p.item("memo.txt"));
        p.app->_fileopen_Action();
        QCOMPARE(p.passes, 1);
        QCOMPARE(p.queue(), QStringList {"memo.txt"});
        // A pass that started meanwhile is not started twice.
        p.seam.openAnswers.push_back(p.item("memo.txt"));
        p.app->_fileopen_Action();
        QCOMPARE(p.passes, 1);
        QCOMPARE(p.queue().size(), 2);
    }

    void folderCommand()
    {
        Program p;
        p.seam.folderAnswers.push_back(p.item("empty"));
        p.app->_folderOpen_Action();
        QCOMPARE(p.passes, 0);
        p.seam.folderAnswers.push_back(p.item("in"));
        p.app->_folderOpen_Action();
        QCOMPARE(p.passes, 1);
        QCOMPARE(p.queue(), (QStringList {"in/one.txt", "in/sub/two.txt"}));
    }

    void recentDocuments()
    {
        Program p;
        std::string memo = p.item("memo.txt").path();
        p.app->resentFileList[0] = "memo.txt\t" + memo;
        p.app->resentFileList[1] = "refused.doc\t" + p.item("refused.doc").path();
        p.app->_resentListMenu_Action(2);
        QCOMPARE(p.passes, 0);
        p.app->_resentListMenu_Action(1);
        QCOMPARE(p.passes, 1);
        QCOMPARE(p.queue(), QStringList {"memo.txt"});
        // Filtered again with today's settings.
        p.app->dropItem.clear();
        p.app->isWorking = false;
        p.app->prefFileExtension = "html";
        p.app->prefFileType.clear();
        p.app->_resentListMenu_Action(1);
        QCOMPARE(p.passes, 1);
    }

    void clipboardPass()
    {
        Program p;
        p.app->isWorking = true;
        p.app->_doclip_Action();
        QVERIFY(!p.app->isClip);
        QCOMPARE(p.passes, 0);
        p.app->isWorking = false;
        p.app->_doclip_Action();
        QVERIFY(p.app->isClip);
        QCOMPARE(p.passes, 1);
    }

    void loadClipboardFromFile_data()
    {
        // The file's bytes, and what the clipboard then holds (empty: the
        // file is refused and the clipboard keeps what it held).
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        const QString sentence = QStringLiteral("これは日本語の文章です。\r\n二行目。\r\n");
        QTest::newRow("UTF-8, CR LF kept") << QByteArray("日本語\r\n") << QStringLiteral("日本語\r\n");
        QTest::newRow("Shift_JIS") << QByteArray("\x82\xb1\x82\xea\x82\xcd\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x95\xb6"
                                                 "\x8f\xcd\x82\xc5\x82\xb7\x81\x42\x0d\x0a\x93\xf1\x8d\x73\x96\xda"
                                                 "\x81\x42\x0d\x0a")
                                   << sentence;
        QTest::newRow("EUC-JP") << QByteArray("\xa4\xb3\xa4\xec\xa4\xcf\xc6\xfc\xcb\xdc\xb8\xec\xa4\xce\xca\xb8"
                                              "\xbe\xcf\xa4\xc7\xa4\xb9\xa1\xa3\x0d\x0a\xc6\xf3\xb9\xd4\xcc\xdc"
                                              "\xa1\xa3\x0d\x0a")
                                << sentence;
        QTest::newRow("bytes that do not decode") << QByteArray("\x82\xb1\x82\xea\x82\xcd\x93\xfa\xff\xff\x82")
                                                  << QString();
    }
    void loadClipboardFromFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        Program p;
        writeFile(p.item("in.txt").path(), bytes.toStdString());
        p.seam.setClipboardText("held before");
        p.seam.openAnswers.push_back(p.item("in.txt"));
        p.app->_openclip_Action();
        if (text.isEmpty()) {
            QCOMPARE(p.seam.clipboardText(), std::string("held before"));
            QCOMPARE(p.seam.messages, std::vector<std::string>{"クリップボードに読み込めませんでした。"});
            QVERIFY(p.seam.informativeTexts.front().find(p.item("in.txt").path()) != std::string::npos);
        } else {
            QCOMPARE(QString::fromStdString(p.seam.clipboardText()), text);
            QVERIFY(p.seam.messages.empty());
        }
        // A file the input filter refuses changes nothing.
        p.seam.openAnswers.push_back(p.item("refused.doc"));
        p.app->_openclip_Action();
        QCOMPARE(QString::fromStdString(p.seam.clipboardText()), text.isEmpty() ? QStringLiteral("held before") : text);
        QCOMPARE(p.passes, 0);
    }

    void saveClipboardToFile_data()
    {
        QTest::addColumn<bool>("hasText");
        QTest::addColumn<QString>("creator");
        QTest::addColumn<QString>("expectedCreator");
        QTest::newRow("text, default creator") << true << "" << "ttxt";
        QTest::newRow("no text, own creator") << false << "ABCD" << "ABCD";
    }
    void saveClipboardToFile()
    {
        QFETCH(bool, hasText);
        QFETCH(QString, creator);
        QFETCH(QString, expectedCreator);
        Program p;
        p.app->prefCreator = creator.toStdString();
        if (hasText)
            p.seam.clipboard = std::string("一行目\r二行目");
        FolderItem target = p.item("クリップボード.txt");
        p.seam.saveAnswers.push_back(target);
        p.app->_saveClip_Action();
        QCOMPARE(readFile(target.path()), hasText ? std::string("一行目\r二行目") : std::string());
        if (target.MacCreator().empty())
            QSKIP("the build folder's file system has no extended attributes");
        QCOMPARE(target.MacType(), std::string("TEXT"));
        QCOMPARE(QString::fromStdString(target.MacCreator()), expectedCreator);
    }

    void saveClipboardFailureIsSaid()
    {
        // A file the user made read-only is not replaced, and the command says
        // so rather than ending without a word.
        Program p;
        p.seam.clipboard = std::string("新しい内容");
        FolderItem target = p.item("読み取り専用.txt");
        writeFile(target.path(), "古い内容");
        ::chmod(target.path().c_str(), 0444);
        p.seam.saveAnswers.push_back(target);
        p.app->_saveClip_Action();
        QCOMPARE(p.seam.messages, std::vector<std::string> {"ファイルの保存ができませんでした。"});
        QCOMPARE(readFile(target.path()), std::string("古い内容"));
        QCOMPARE(p.passes, 0);
    }
};

QTEST_MAIN(TestEvents)
#include "tst_events.moc"
