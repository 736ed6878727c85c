// The window modified mark, the tie between a window and its file, and the
// pictures.

#include "ShellFixture.h"

#include "app/ui/Pictures.h"

#include <QBitmap>
#include <QImage>
#include <QTest>

using namespace tv;
using tv::test::StartedShell;

namespace {

class Doc : public Window {
public:
    explicit Doc(const char* title = "") : Window("doc")
    {
        auto* w = new QWidget;
        w->setWindowTitle(QString::fromUtf8(title));
        setWidget(w);
        Show();
    }
};

} // namespace

class TestMarks : public QObject {
    Q_OBJECT

private slots:
    void markReadsBackTheLastWrite_data()
    {
        QTest::addColumn<QList<bool>>("writes");
        QTest::addColumn<qint64>("version");
        QTest::addColumn<bool>("marked");
        QTest::newRow("never written") << QList<bool>() << qint64(0x1000) << false;
        QTest::newRow("set") << QList<bool> {true} << qint64(0x1000) << true;
        QTest::newRow("set twice, cleared once") << QList<bool> {true, true, false} << qint64(0x1000) << false;
        QTest::newRow("cleared, set") << QList<bool> {false, true} << qint64(0x0850) << true;
        QTest::newRow("below 0x0850 there is no mark") << QList<bool> {true} << qint64(0x084F) << false;
    }
    void markReadsBackTheLastWrite()
    {
        QFETCH(QList<bool>, writes);
        QFETCH(qint64, version);
        QFETCH(bool, marked);
        StartedShell s;
        s.seam.systemVersion = version;
        Doc doc("memo");
        Doc other("other");
        for (bool w : writes)
            s.app->SetWindowModified(doc, w);
        QCOMPARE(s.app->IsWindowModified(doc), marked);
        QCOMPARE(doc.widget()->isWindowModified(), marked);
        // One window's mark never touches another's.
        QVERIFY(!s.app->IsWindowModified(other));
        // The title reads without Qt's placeholder.
        QCOMPARE(doc.Title(), std::string("memo"));
    }

    void titleWithoutPlaceholder_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("withFile");
        QTest::newRow("titled") << "ワークスペース \"a.work\"" << false;
        QTest::newRow("titled, with its file") << "a.dict" << true;
        QTest::newRow("no title, with a file: still none") << "" << true;
        QTest::newRow("no title") << "" << false;
    }
    void titleWithoutPlaceholder()
    {
        QFETCH(QString, title);
        QFETCH(bool, withFile);
        StartedShell s;
        Doc doc;
        doc.setTitle(title.toStdString());
        if (withFile)
            s.app->DocumentFile(doc, FolderItem::fromPath(s.dictFolder() + "/a.dict"));
        s.app->SetWindowModified(doc, true);
        QCOMPARE(QString::fromStdString(doc.Title()), title);
        doc.Close();
        QCOMPARE(QString::fromStdString(doc.Title()), title);
    }

    void windowTiedToItsFile()
    {
        StartedShell s;
        Doc doc("d");
        FolderItem file = FolderItem::fromPath(s.dictFolder() + "/b.dict");
        s.app->DocumentFile(doc, file);
        QCOMPARE(doc.filePath(), file.path());
        QCOMPARE(doc.widget()->windowFilePath().toStdString(), file.path());
        // A file that cannot be referenced changes nothing and reports nothing.
        s.app->DocumentFile(doc, FolderItem::fromPath(s.root() + "/missing/x.dict"));
        QCOMPARE(doc.filePath(), file.path());
        QVERIFY(s.seam.messages.empty());
        s.app->DocumentFile(doc, FolderItem());
        QCOMPARE(doc.filePath(), std::string());
    }

    void picturesAreReadOnce_data()
    {
        QTest::addColumn<int>("which");
        for (int i = 0; i < 14; ++i)
            QTest::newRow(QByteArray::number(i).constData()) << i;
    }
    void picturesAreReadOnce()
    {
        QFETCH(int, which);
        const QPixmap& (*const all[])() = {&dictIcon, &folder, &proofwait, &title1, &stb_info, &stb_info_mask,
            &documentopen, &documentopen_mask, &documentsave, &documentsave_mask, &preferencesdesktopfont,
            &preferencesdesktopfont_mask, &editfindreplace, &editfindreplace_mask};
        const QPixmap& first = all[which]();
        QVERIFY(!first.isNull());
        QCOMPARE(&all[which](), &first);
    }

    void picturesKinds_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("cornerTransparent");
        QTest::addColumn<QPoint>("opaqueAt");
        QTest::newRow("list icon: white is transparent") << 0 << QSize(16, 16) << true << QPoint(3, 7);
        QTest::newRow("masked icon: the mask is drawn in") << 1 << QSize(32, 32) << true << QPoint(16, 16);
        QTest::newRow("plain title picture") << 2 << QSize(296, 134) << false << QPoint(0, 0);
    }
    void picturesKinds()
    {
        QFETCH(int, which);
        QFETCH(QSize, size);
        QFETCH(bool, cornerTransparent);
        QFETCH(QPoint, opaqueAt);
        const QPixmap& pix = which == 0 ? dictIcon() : which == 1 ? stb_info() : title1();
        QCOMPARE(pix.size(), size);
        QImage image = pix.toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(qAlpha(image.pixel(0, 0)) == 0, cornerTransparent);
        QCOMPARE(qAlpha(image.pixel(opaqueAt)), 255);
    }
};

QTEST_MAIN(TestMarks)
#include "tst_marks.moc"
