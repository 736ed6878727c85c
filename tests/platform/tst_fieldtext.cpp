// A proposing text field reads back the text it was given while it stands
// unedited, whatever characters the field itself would change; once edited
// it reads as typed, with only its block breaks made CR line ends.

#include "platform/ui/FieldText.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>

using namespace tv;

class TestFieldText : public QObject {
    Q_OBJECT

private slots:
    void unedited_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("no-break space") << QByteArray("a\xC2\xA0" "b");
        QTest::newRow("line separator") << QByteArray("a\xE2\x80\xA8" "b");
        QTest::newRow("paragraph separator") << QByteArray("a\xE2\x80\xA9" "b");
        QTest::newRow("lone CR") << QByteArray("a\rb");
        QTest::newRow("CR LF") << QByteArray("a\r\nb");
        QTest::newRow("LF") << QByteArray("a\nb");
        QTest::newRow("empty") << QByteArray();
    }
    void unedited()
    {
        QFETCH(QByteArray, text);
        QPlainTextEdit field;
        setFieldText(&field, text.toStdString());
        QCOMPARE(QByteArray::fromStdString(fieldText(&field)), text);
        QVERIFY(fieldShows(&field, text.toStdString()));
    }

    void edited_data()
    {
        // What is put in, what is typed at its end ("\n" is Return), and the
        // reading.
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("reading");
        QTest::newRow("no-break space kept") << QByteArray("a\xC2\xA0" "b") << "c" << QByteArray("a\xC2\xA0" "bc");
        QTest::newRow("typed no-break space") << QByteArray("a") << QStringLiteral("\u00A0") << QByteArray("a\xC2\xA0");
        QTest::newRow("line separator kept") << QByteArray("a\xE2\x80\xA8" "b") << "c" << QByteArray("a\xE2\x80\xA8" "bc");
        QTest::newRow("break typed") << QByteArray("a") << "\n" << QByteArray("a\r");
        QTest::newRow("breaks put in") << QByteArray("a\nb\r\nc") << "d" << QByteArray("a\rb\rcd");
    }
    void edited()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, typed);
        QFETCH(QByteArray, reading);
        QPlainTextEdit field;
        setFieldText(&field, text.toStdString());
        field.moveCursor(QTextCursor::End);
        for (QChar c : typed) {
            if (c == QLatin1Char('\n'))
                QTest::keyClick(&field, Qt::Key_Return);
            else
                QTest::keyClicks(&field, QString(c));
        }
        QCOMPARE(QByteArray::fromStdString(fieldText(&field)), reading);
        QVERIFY(!fieldShows(&field, text.toStdString()));
    }

    void setByOtherMeansReadsAsShown()
    {
        QPlainTextEdit field;
        setFieldText(&field, "a\xC2\xA0" "b");
        field.setPlainText(QStringLiteral("x\ny"));
        QCOMPARE(fieldText(&field), std::string("x\ry"));
    }
};

QTEST_MAIN(TestFieldText)
#include "tst_fieldtext.moc"
