// The preferences window in a started shell: loading every control from the
// settings, the pages and their heights, the field handlers, storing on
// "終了" and the preferences file that every way of closing writes.

#include "preferences/ui/prefWindow.h"

#include "app/ShellFixture.h"
#include "app/ui/MenuItems.h"
#include "platform/core/Date.h"
#include "platform/core/Text.h"
#include "support/Files.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QPointer>
#include <QTest>
#include <QToolBar>

#include <limits>

using namespace tv;
using tv::test::StartedShell;
using tv::test::readFile;
using tv::test::writeFile;

Q_DECLARE_METATYPE(std::string)

namespace {

prefWindow* newestPrefWindow()
{
    prefWindow* w = nullptr;
    for (Window* each : Window::all())
        if (each->className() == "prefWindow" && each->isOpen())
            w = static_cast<prefWindow*>(each);
    return w;
}

prefWindow* openPrefs(StartedShell& s)
{
    s.choose("prefMenu");
    QApplication::processEvents();
    return newestPrefWindow();
}

template <class T>
T* ctl(prefWindow* w, const char* name)
{
    T* c = w->controlAs<T>(name);
    if (!c)
        qFatal("no control %s", name);
    return c;
}

// The lines of the preferences file, without their CR.
std::vector<std::string> fileLines(const StartedShell& s)
{
    std::vector<std::string> lines;
    std::string content = readFile(s.prefsPath());
    size_t start = 0;
    for (size_t i = 0; i < content.size(); ++i)
        if (content[i] == '\r') {
            lines.push_back(content.substr(start, i - start));
            start = i + 1;
        }
    if (start < content.size())
        lines.push_back(content.substr(start) + "<no CR at the end>");
    return lines;
}

// The first 29 lines of a preferences file as thirty-line text needs them;
// line 30 (the frame window's placement) is the shell's.
std::string first29(const StartedShell& s)
{
    std::vector<std::string> lines = fileLines(s);
    std::string out;
    for (size_t i = 0; i < lines.size() && i < 29; ++i)
        out += lines[i] + "\r";
    return out;
}

const std::string kDefaults29 =
    "TEXT,ttro\rtxt,text,html,htm\r[fixed]\t\t\rttxt\rsameplace\r\rboth\rboth\rsystembeep\r"
    "新規辞書.dict\r\r\r"
    "\r\r\r\r\r\r\r\r\r\r"
    "Osaka,12\rOsaka,12\rOsaka,12\rOsaka,12\r"
    "NormalProof\rmanualWorkFrow\rnoLogging\r";

// A hand-edited file: unknown keyword, empty save type, a huge size, a font
// no family bears, a template of four fields, fast mode with logging on.
const std::string kUnusual =
    "TEXT\rtxt\rA\tB\tC\tD\rR*ch\r\r/out/\rsometimes\rnochange\rnone\r"
    "a.dict\r\r\r"
    "\r\r\r\r\r\r\r\r\r\r"
    "Osaka,99999999999\rNoSuchFont,16\rOsaka,0\rOsaka,-4\r"
    "FastProof\rAutoWorkFrow\rLogging\r\r";

// Start-up makes the first listed dictionary current when the default one is
// missing.
std::string withDictionary(std::string lines, const std::string& dictionary)
{
    const std::string name = "新規辞書.dict";
    lines.replace(lines.find(name), name.size(), dictionary);
    return lines;
}

bool osakaInstalled()
{
    return QFontDatabase::families().contains(QStringLiteral("Osaka"), Qt::CaseInsensitive);
}

QWidget* toolButton(prefWindow* w, const char* itemName)
{
    for (QAction* a : w->toolbar()->actions())
        if (a->objectName() == QLatin1String(itemName))
            return w->toolbar()->widgetForAction(a);
    return nullptr;
}

} // namespace

class TestPrefWindow : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { Date::setFixedClock(std::nullopt); }

    void opensOnTheDefaults()
    {
        StartedShell s;
        prefWindow* w = openPrefs(s);
        QVERIFY(w);
        QCOMPARE(w->Title(), std::string("環境設定"));
        QVERIFY(w->widget()->isVisible());
        QCOMPARE(ctl<QLineEdit>(w, "typeField")->text(), QString("TEXT,ttro"));
        QCOMPARE(ctl<QLineEdit>(w, "extensionField")->text(), QString("txt,text,html,htm"));
        QCOMPARE(ctl<QLineEdit>(w, "appendField")->text(), QString("[fixed]"));
        QCOMPARE(ctl<QLineEdit>(w, "preField")->text(), QString());
        QCOMPARE(ctl<QLineEdit>(w, "extField")->text(), QString());
        QCOMPARE(ctl<QLineEdit>(w, "creatorField")->text(), QString("ttxt"));
        QVERIFY(ctl<QRadioButton>(w, "saveRadio1")->isChecked());
        QVERIFY(!ctl<QRadioButton>(w, "saveRadio2")->isChecked());
        QVERIFY(!ctl<QRadioButton>(w, "saveRadio3")->isChecked());
        QCOMPARE(ctl<QLabel>(w, "savePlace")->text(), QString());
        QCOMPARE(ctl<QComboBox>(w, "fileMenu")->currentText(), QString("どちらも"));
        QCOMPARE(ctl<QComboBox>(w, "proofPointMenu")->currentText(), QString("どちらも"));
        QCOMPARE(ctl<QComboBox>(w, "alarmMenu")->currentText(), QString("システム警告音で通知"));
        const QStringList families = QFontDatabase::families();
        for (int k = 0; k < 4; ++k) {
            QComboBox* name = w->fontName(k);
            QCOMPARE(name->count(), families.size());
            for (int i = 0; i < families.size(); ++i)
                QCOMPARE(name->itemText(i), families[i]);
            if (!osakaInstalled())
                QCOMPARE(name->currentIndex(), -1);
            QComboBox* size = w->fontSize(k);
            QVERIFY(size->isEditable());
            QCOMPARE(size->count(), 9);
            QCOMPARE(size->currentText(), QString("12"));
        }
        QVERIFY(!ctl<QCheckBox>(w, "isFastProof")->isChecked());
        QVERIFY(!ctl<QCheckBox>(w, "isLogging")->isChecked());
        QVERIFY(ctl<QCheckBox>(w, "isLogging")->isEnabled());
        QVERIFY(!ctl<QCheckBox>(w, "isAutoWorkFrow")->isChecked());
        QCOMPARE(ctl<QLabel>(w, "filenameSample")->text(), QString("+[元ファイル名]+[fixed]."));
        // Page 0 in a page area 173 high, below the menus and the toolbar.
        QCOMPARE(w->currentPage(), 0);
        QCOMPARE(w->pageArea()->height(), 173);
        QCOMPARE(w->widget()->width(), 373);
        QVERIFY(w->pageArea()->geometry().top() >= w->toolbar()->geometry().bottom());
        QCOMPARE(ctl<QPushButton>(w, "finishButton")->geometry(), QRect(294, 141, 69, 20));
        QCOMPARE(ctl<QPushButton>(w, "cancelButton")->geometry(), QRect(184, 141, 98, 20));
        // The buttons lie above the page panel.
        QWidget* panel = w->control("prefPagePanel");
        QCOMPARE(w->pageArea()->childAt(300, 150), ctl<QPushButton>(w, "finishButton"));
        QVERIFY(panel->geometry().contains(300, 150));
        // Not resizable, and without a minimise or zoom button.
        QCOMPARE(w->widget()->minimumSize(), w->widget()->maximumSize());
        QVERIFY(!(w->widget()->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(w->widget()->windowFlags() & Qt::WindowCloseButtonHint);
        // The help tags.
        QCOMPARE(ctl<QLineEdit>(w, "typeField")->toolTip(),
            QString("校正の対象となるファイルのタイプをカンマ区切りで列挙します。"));
        QCOMPARE(ctl<QRadioButton>(w, "saveRadio3")->toolTip(), QString("常に下記のフォルダに保存します。"));
        QCOMPARE(ctl<QPushButton>(w, "saveplaceButton")->toolTip(), QString("校正結果ファイルの保存場所を選択します。"));

        // "終了" without a change: the fonts no family bears stay as stored.
        QTest::mouseClick(ctl<QPushButton>(w, "finishButton"), Qt::LeftButton);
        QVERIFY(!w->isOpen());
        QCOMPARE(s.app->fontName[0], std::string("Osaka"));
        QCOMPARE(s.app->prefExtension, std::string("[fixed]\t\t"));
        if (!osakaInstalled())
            QCOMPARE(first29(s), withDictionary(kDefaults29, s.app->prefDefaultDic));
        QCOMPARE(fileLines(s).size(), size_t(30));
    }

    void menusAndToolbarAboveThePageArea()
    {
        StartedShell s;
        prefWindow* w = openPrefs(s);
        QVERIFY(QTest::qWaitForWindowExposed(w->widget()));
        auto* mw = static_cast<QMainWindow*>(w->widget());
        QVERIFY(mw->menuBar()->isVisible());
        QVERIFY(!mw->menuBar()->actions().isEmpty());
        QVERIFY(w->toolbar()->geometry().top() >= mw->menuBar()->geometry().bottom());
        QVERIFY(w->pageArea()->geometry().top() > w->toolbar()->geometry().bottom());
        QCOMPARE(w->pageArea()->height(), 173);
        QCOMPARE(mw->height(), w->pageArea()->geometry().bottom() + 1);
        // Every page's button fits beside the others.
        for (QAction* a : w->toolbar()->actions())
            QVERIFY2(w->toolbar()->widgetForAction(a)->isVisible(), qPrintable(a->text()));
    }
    void toolbarOfFivePages()
    {
        StartedShell s;
        prefWindow* w = openPrefs(s);
        QList<QAction*> items = w->toolbar()->actions();
        QCOMPARE(items.size(), 5);
        const char* const names[] = {"grep", "filter", "save", "result", "font"};
        const char* const captions[] = {"校正の設定", "フィルタ", "保存時の設定", "結果通知", "フォント設定"};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(items[i]->objectName(), QString(names[i]));
            QCOMPARE(items[i]->text(), QString::fromUtf8(captions[i]));
            QVERIFY(!items[i]->icon().isNull());
            QVERIFY(!items[i]->isCheckable());
        }
        QVERIFY(!w->toolbar()->isMovable());
    }

    void pageHeights_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("headingText");
        QTest::newRow("grep") << "grep" << 0 << 173 << "StaticText22" << "校正の設定";
        QTest::newRow("filter") << "filter" << 1 << 151 << "StaticText16" << "校正対象書類のフィルタ";
        QTest::newRow("save") << "save" << 2 << 245 << "StaticText17" << "保存時の設定";
        QTest::newRow("result") << "result" << 3 << 169 << "StaticText18" << "校正結果の通知方法";
        QTest::newRow("font") << "font" << 4 << 208 << "StaticText19" << "表示フォントの設定";
    }
    void pageHeights()
    {
        QFETCH(QString, item);
        QFETCH(int, page);
        QFETCH(int, height);
        QFETCH(QString, heading);
        QFETCH(QString, headingText);
        StartedShell s;
        prefWindow* w = openPrefs(s);
        QVERIFY(QTest::qWaitForWindowExposed(w->widget()));
        // Away from the page first, so that the click is what brings it.
        QTest::mouseClick(toolButton(w, page == 2 ? "font" : "save"), Qt::LeftButton);
        QTest::mouseClick(toolButton(w, item.toLatin1().constData()), Qt::LeftButton);
        QCOMPARE(w->currentPage(), page);
        QCOMPARE(w->pageArea()->height(), height);
        QCOMPARE(w->widget()->width(), 373);
        QCOMPARE(ctl<QPushButton>(w, "finishButton")->y(), height - 32);
        QCOMPARE(ctl<QPushButton>(w, "cancelButton")->y(), height - 32);
        auto* label = ctl<QLabel>(w, heading.toLatin1().constData());
        QCOMPARE(label->text(), headingText);
        QVERIFY(label->isVisible());
        QCOMPARE(label->geometry(), QRect(20, 14, 222, 20));
        // The same page again keeps it and its height.
        QTest::mouseClick(toolButton(w, item.toLatin1().constData()), Qt::LeftButton);
        QCOMPARE(w->currentPage(), page);
        QCOMPARE(w->pageArea()->height(), height);
        // An item of another name keeps the page and sets its height again.
        QAction stranger(QStringLiteral("?"));
        stranger.setObjectName(QStringLiteral("fonts"));
        w->prefToolbar_Action(&stranger);
        QCOMPARE(w->currentPage(), page);
        QCOMPARE(w->pageArea()->height(), height);
    }

    void opensOnUnusualSettings()
    {
        StartedShell s;
        writeFile(s.prefsPath(), kUnusual);
        s.app->readPreferences();
        prefWindow* w = openPrefs(s);
        QCOMPARE(ctl<QLineEdit>(w, "appendField")->text(), QString("A"));
        QCOMPARE(ctl<QLineEdit>(w, "preField")->text(), QString("B"));
        QCOMPARE(ctl<QLineEdit>(w, "extField")->text(), QString("C"));
        for (const char* r : {"saveRadio1", "saveRadio2", "saveRadio3"})
            QVERIFY(!ctl<QRadioButton>(w, r)->isChecked());
        QCOMPARE(ctl<QLabel>(w, "savePlace")->text(), QString("/out/"));
        QCOMPARE(ctl<QComboBox>(w, "fileMenu")->currentIndex(), 0);
        QCOMPARE(ctl<QComboBox>(w, "proofPointMenu")->currentIndex(), 1);
        QCOMPARE(ctl<QComboBox>(w, "alarmMenu")->currentIndex(), 2);
        QCOMPARE(w->fontName(1)->currentIndex(), -1);
        QCOMPARE(w->fontSize(0)->currentText(), QString("2147483647"));
        QCOMPARE(w->fontSize(1)->currentText(), QString("16"));
        QCOMPARE(w->fontSize(2)->currentText(), QString("0"));
        QCOMPARE(w->fontSize(3)->currentText(), QString("-4"));
        QVERIFY(ctl<QCheckBox>(w, "isFastProof")->isChecked());
        QVERIFY(ctl<QCheckBox>(w, "isLogging")->isChecked());
        QVERIFY(!ctl<QCheckBox>(w, "isLogging")->isEnabled());
        QVERIFY(ctl<QCheckBox>(w, "isAutoWorkFrow")->isChecked());
        QCOMPARE(ctl<QLabel>(w, "filenameSample")->text(), QString("B+[元ファイル名]+A.C"));
        QCOMPARE(w->pageArea()->height(), 173);

        QTest::mouseClick(ctl<QPushButton>(w, "finishButton"), Qt::LeftButton);
        QCOMPARE(s.app->prefExtension, std::string("A\tB\tC"));
        QCOMPARE(s.app->prefSaveType, std::string("absolutepath"));
        QCOMPARE(s.app->prefAlarmFile, std::string("one"));
        QCOMPARE(s.app->fontName[1], std::string("NoSuchFont"));
        QCOMPARE(s.app->fontSize[0], std::numeric_limits<int32_t>::max());
        const std::string expected =
            "TEXT\rtxt\rA\tB\tC\rR*ch\rabsolutepath\r/out/\rone\rnochange\rnone\r"
            "a.dict\r\r\r"
            "\r\r\r\r\r\r\r\r\r\r"
            "Osaka,2147483647\rNoSuchFont,16\rOsaka,0\rOsaka,-4\r"
            "FastProof\rAutoWorkFrow\rLogging\r";
        if (!osakaInstalled())
            QCOMPARE(first29(s), expected);
    }

    void everyControlStored()
    {
        StartedShell s;
        prefWindow* w = openPrefs(s);
        QVERIFY(QTest::qWaitForWindowActive(w->widget()));
        auto retype = [](QLineEdit* f, const QString& text) {
            f->setFocus(Qt::TabFocusReason);
            f->selectAll();
            QTest::keyClick(f, Qt::Key_Backspace);
            // QTest types Latin-1 only; the rest comes as an input method's would.
            bool latin1 = true;
            for (QChar c : text)
                latin1 = latin1 && c.unicode() < 0x80;
            if (latin1)
                QTest::keyClicks(f, text);
            else
                f->insert(text);
        };
        QTest::mouseClick(toolButton(w, "filter"), Qt::LeftButton);
        retype(ctl<QLineEdit>(w, "typeField"), "TEXT,utxt");
        retype(ctl<QLineEdit>(w, "extensionField"), " txt, md ");
        QTest::mouseClick(toolButton(w, "save"), Qt::LeftButton);
        retype(ctl<QLineEdit>(w, "preField"), "校正_");
        retype(ctl<QLineEdit>(w, "appendField"), "_済");
        retype(ctl<QLineEdit>(w, "extField"), "txt");
        retype(ctl<QLineEdit>(w, "creatorField"), "R*ch");
        QTest::mouseClick(ctl<QRadioButton>(w, "saveRadio2"), Qt::LeftButton);
        QVERIFY(!ctl<QRadioButton>(w, "saveRadio1")->isChecked());
        s.seam.folderAnswers.push_back(FolderItem::fromPath(s.root()));
        QTest::mouseClick(ctl<QPushButton>(w, "saveplaceButton"), Qt::LeftButton);
        QCOMPARE(ctl<QLabel>(w, "savePlace")->text(), QString::fromStdString(s.root() + "/"));
        // Choosing the folder leaves the buttons as they were.
        QVERIFY(ctl<QRadioButton>(w, "saveRadio2")->isChecked());
        QTest::mouseClick(toolButton(w, "result"), Qt::LeftButton);
        ctl<QComboBox>(w, "fileMenu")->setFocus();
        QTest::keyClick(ctl<QComboBox>(w, "fileMenu"), Qt::Key_Up); // どちらも -> 複数の時
        ctl<QComboBox>(w, "proofPointMenu")->setCurrentIndex(0);
        ctl<QComboBox>(w, "alarmMenu")->setCurrentIndex(2);
        QTest::mouseClick(toolButton(w, "font"), Qt::LeftButton);
        const QStringList families = QFontDatabase::families();
        QVERIFY(!families.isEmpty());
        w->fontName(2)->setCurrentIndex(int(families.size()) - 1);
        const char* const sizes[] = {"16", "", "abc", "99999999999"};
        for (int k = 0; k < 4; ++k) {
            QComboBox* box = w->fontSize(k);
            box->setFocus();
            box->lineEdit()->selectAll();
            QTest::keyClick(box, Qt::Key_Backspace);
            QTest::keyClicks(box, sizes[k]);
        }
        QTest::mouseClick(toolButton(w, "grep"), Qt::LeftButton);
        QTest::mouseClick(ctl<QCheckBox>(w, "isLogging"), Qt::LeftButton);
        QTest::mouseClick(ctl<QCheckBox>(w, "isFastProof"), Qt::LeftButton);
        QTest::mouseClick(ctl<QCheckBox>(w, "isAutoWorkFrow"), Qt::LeftButton);
        // Nothing reaches the settings before "終了".
        QCOMPARE(s.app->prefFileType, std::string("TEXT,ttro"));
        QTest::mouseClick(ctl<QPushButton>(w, "finishButton"), Qt::LeftButton);
        QVERIFY(!w->isOpen());

        const std::string family = families.last().toStdString();
        QCOMPARE(s.app->prefFileType, std::string("TEXT,utxt"));
        QCOMPARE(s.app->prefFileExtension, std::string(" txt, md "));
        QCOMPARE(s.app->prefExtension, std::string("_済\t校正_\ttxt"));
        QCOMPARE(s.app->prefCreator, std::string("R*ch"));
        QCOMPARE(s.app->prefSaveType, std::string("dialog"));
        QCOMPARE(s.app->prefSavePlace, s.root() + "/");
        QCOMPARE(s.app->prefAlarmFile, std::string("many"));
        QCOMPARE(s.app->prefAlarmChange, std::string("changed"));
        QCOMPARE(s.app->prefAlarmType, std::string("none"));
        QCOMPARE(s.app->fontName[2], family);
        QCOMPARE(s.app->fontSize[0], 16);
        QCOMPARE(s.app->fontSize[1], 0);
        QCOMPARE(s.app->fontSize[2], 0);
        QCOMPARE(s.app->fontSize[3], std::numeric_limits<int32_t>::max());
        // Logging ticked, then disabled by fast mode, is stored ticked.
        QVERIFY(s.app->isFastProof && s.app->isLogging && s.app->isAutoWorkFrow);
        const std::string expected = "TEXT,utxt\r txt, md \r_済\t校正_\ttxt\rR*ch\rdialog\r" + s.root() + "/\r"
            + "many\rchanged\rnone\r" + s.app->prefDefaultDic + "\r\r\r" + std::string(10, '\r') + "Osaka,16\rOsaka,0\r" + family
            + ",0\rOsaka,2147483647\rFastProof\rAutoWorkFrow\rLogging\r";
        if (!osakaInstalled())
            QCOMPARE(first29(s), expected);
    }

    void preview_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("shown");
        QTest::newRow("all empty") << "" << "" << "" << "+[元ファイル名]+.";
        QTest::newRow("no extension") << "前" << "後" << "" << "前+[元ファイル名]+後.";
        QTest::newRow("year in the suffix") << "" << "_[年]" << "txt" << "+[元ファイル名]+_2008.txt";
        QTest::newRow("date in every field") << "[00年][00月][00日]_" << "_[hour][min][sec]" << "[mon]"
                                             << "080305_+[元ファイル名]+_130709.Mar";
        QTest::newRow("weekday and half day") << "[曜]" << "[day][ampm][12hour]" << "[longday]"
                                              << "水+[元ファイル名]+WedPM01.Wednesday";
        QTest::newRow("no token") << "[fixed]" << "[元ファイル名]" << "x" << "[fixed]+[元ファイル名]+[元ファイル名].x";
    }
    void preview()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, suffix);
        QFETCH(QString, extension);
        QFETCH(QString, shown);
        Date::setFixedClock(Date {2008, 3, 5, 13, 7, 9, Date::dayOfWeekFor(2008, 3, 5)});
        StartedShell s;
        prefWindow* w = openPrefs(s);
        ctl<QLineEdit>(w, "appendField")->clear();
        ctl<QLineEdit>(w, "preField")->setText(prefix);
        ctl<QLineEdit>(w, "appendField")->setText(suffix);
        ctl<QLineEdit>(w, "extField")->setText(extension);
        QCOMPARE(ctl<QLabel>(w, "filenameSample")->text(), shown);
        // Typed keys follow live, and the preview is never stored.
        ctl<QLineEdit>(w, "extField")->setFocus();
        ctl<QLineEdit>(w, "extField")->end(false);
        QTest::keyClicks(ctl<QLineEdit>(w, "extField"), "Z");
        QCOMPARE(ctl<QLabel>(w, "filenameSample")->text(), shown + "Z");
        QCOMPARE(s.app->prefExtension, std::string("[fixed]"));
    }

    void previewOfTheLoadedTemplate()
    {
        Date::setFixedClock(Date {2008, 3, 5, 0, 0, 0, Date::dayOfWeekFor(2008, 3, 5)});
        StartedShell s;
        s.app->prefExtension = "[年]\t[00月]\t[ampm][12hour]";
        prefWindow* w = openPrefs(s);
        QCOMPARE(ctl<QLabel>(w, "filenameSample")->text(), QString("03+[元ファイル名]+2008.AM00"));
    }

    void closingWays_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("stores");
        QTest::newRow("終了") << "finish" << true;
        QTest::newRow("Return") << "return" << true;
        QTest::newRow("Enter") << "enter" << true;
        QTest::newRow("キャンセル") << "cancel" << false;
        QTest::newRow("Escape") << "escape" << false;
        QTest::newRow("close box") << "closebox" << false;
        QTest::newRow("Ctrl+W") << "ctrlw" << false;
        QTest::newRow("閉じる") << "winclose" << false;
    }
    void closingWays()
    {
        QFETCH(QString, way);
        QFETCH(bool, stores);
        StartedShell s;
        prefWindow* w = openPrefs(s);
        QVERIFY(QTest::qWaitForWindowActive(w->widget()));
        QTest::mouseClick(toolButton(w, "filter"), Qt::LeftButton);
        auto* type = ctl<QLineEdit>(w, "typeField");
        type->setFocus();
        type->selectAll();
        QTest::keyClicks(type, "EDIT");
        s.app->prefDicWinPos = "1,2,3,4"; // changed elsewhere meanwhile: the file takes it all the same
        QVERIFY(!FolderItem::fromPath(s.prefsPath()).Exists());
        QWidget* top = w->widget();
        // The window object goes at the next turn of the event loop once
        // it has closed.
        const QPointer<Window> alive(w);
        if (way == "finish")
            QTest::mouseClick(ctl<QPushButton>(w, "finishButton"), Qt::LeftButton);
        else if (way == "return")
            QTest::keyClick(type, Qt::Key_Return);
        else if (way == "enter")
            QTest::keyClick(type, Qt::Key_Enter, Qt::KeypadModifier);
        else if (way == "cancel")
            QTest::mouseClick(ctl<QPushButton>(w, "cancelButton"), Qt::LeftButton);
        else if (way == "escape")
            QTest::keyClick(type, Qt::Key_Escape);
        else if (way == "closebox")
            top->close();
        else if (way == "ctrlw")
            QTest::keyClick(type, Qt::Key_W, Qt::ControlModifier);
        else
            s.choose("winclose");
        QApplication::processEvents();
        QVERIFY(!alive || !alive->isOpen());
        QCOMPARE(s.app->prefFileType, std::string(stores ? "EDIT" : "TEXT,ttro"));
        std::vector<std::string> lines = fileLines(s);
        QCOMPARE(lines.size(), size_t(30));
        QCOMPARE(lines[0], s.app->prefFileType);
        QCOMPARE(lines[10], std::string("1,2,3,4"));
        QCOMPARE(readFile(s.prefsPath()), s.app->preferencesContent());
    }

    void returnInASizeBoxAddsNoRow()
    {
        StartedShell s;
        prefWindow* w = openPrefs(s);
        QVERIFY(QTest::qWaitForWindowActive(w->widget()));
        QTest::mouseClick(toolButton(w, "font"), Qt::LeftButton);
        QComboBox* box = w->fontSize(1);
        int inserted = 0;
        connect(box->model(), &QAbstractItemModel::rowsInserted, this, [&] { ++inserted; });
        box->setFocus();
        box->lineEdit()->selectAll();
        QTest::keyClicks(box, "1");
        // No completion to "10" from the rows.
        QCOMPARE(box->currentText(), QString("1"));
        QTest::keyClicks(box, "7");
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(inserted, 0);
        QVERIFY(!w->isOpen());
        QCOMPARE(s.app->fontSize[1], 17);
    }

    void fastModeDisablesLogging()
    {
        StartedShell s;
        prefWindow* w = openPrefs(s);
        auto* fast = ctl<QCheckBox>(w, "isFastProof");
        auto* logging = ctl<QCheckBox>(w, "isLogging");
        QTest::mouseClick(logging, Qt::LeftButton);
        QTest::mouseClick(fast, Qt::LeftButton);
        QVERIFY(!logging->isEnabled());
        QVERIFY(logging->isChecked());
        QTest::mouseClick(fast, Qt::LeftButton);
        QVERIFY(logging->isEnabled());
        QVERIFY(logging->isChecked());
    }

    void saveButtonsAreOneGroup()
    {
        StartedShell s;
        s.app->prefSaveType = "";
        prefWindow* w = openPrefs(s);
        QTest::mouseClick(toolButton(w, "save"), Qt::LeftButton);
        QRadioButton* r[] = {ctl<QRadioButton>(w, "saveRadio1"), ctl<QRadioButton>(w, "saveRadio2"),
            ctl<QRadioButton>(w, "saveRadio3")};
        for (QRadioButton* b : r)
            QVERIFY(!b->isChecked());
        QTest::mouseClick(r[2], Qt::LeftButton);
        QTest::mouseClick(r[0], Qt::LeftButton);
        QVERIFY(r[0]->isChecked() && !r[1]->isChecked() && !r[2]->isChecked());
        QTest::mouseClick(r[2], Qt::LeftButton);
        QVERIFY(!r[0]->isChecked() && !r[1]->isChecked() && r[2]->isChecked());
        QTest::mouseClick(ctl<QPushButton>(w, "finishButton"), Qt::LeftButton);
        QCOMPARE(s.app->prefSaveType, std::string("absolutepath"));
    }

    void textsStoredAsTyped_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<std::string>("stored"); // the whole template for the three name fields
        QTest::newRow("TAB in the suffix") << "appendField" << "a\tb" << std::string("ab\t\t");
        QTest::newRow("TAB in the prefix") << "preField" << "\t前" << std::string("[fixed]\t前\t");
        QTest::newRow("TAB in the extension") << "extField" << "t\txt" << std::string("[fixed]\t\ttxt");
        QTest::newRow("LF in the suffix") << "appendField" << "a\nb" << std::string("ab\t\t");
        QTest::newRow("CR LF in the type") << "typeField" << "TEXT\r\n" << std::string("TEXT");
        QTest::newRow("LF in the extensions") << "extensionField" << "txt,\nmd" << std::string("txt,md");
        QTest::newRow("CR in the creator") << "creatorField" << "ab\rcd" << std::string("abcd");
        QTest::newRow("blanks kept") << "typeField" << " TEXT , " << std::string(" TEXT , ");
        QTest::newRow("empty creator") << "creatorField" << "" << std::string();
        QTest::newRow("long creator") << "creatorField" << "abcdefgh" << std::string("abcdefgh");
        QTest::newRow("longer than a line edit's default limit")
            << "extensionField" << QString(40000, QLatin1Char('t')) << std::string(40000, 't');
    }
    void textsStoredAsTyped()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(std::string, stored);
        StartedShell s;
        prefWindow* w = openPrefs(s);
        const QByteArray name = field.toLatin1();
        ctl<QLineEdit>(w, name.constData())->setText(typed);
        QTest::mouseClick(ctl<QPushButton>(w, "finishButton"), Qt::LeftButton);
        const std::string& setting = field == "typeField"  ? s.app->prefFileType
            : field == "extensionField"                    ? s.app->prefFileExtension
            : field == "creatorField"                      ? s.app->prefCreator
                                                           : s.app->prefExtension;
        QCOMPARE(setting, stored);
        // The settings hold what the file holds.
        QCOMPARE(readFile(s.prefsPath()), s.app->preferencesContent());
        std::vector<std::string> lines = fileLines(s);
        QCOMPARE(lines.size(), size_t(30));
    }

    void folderPicker_data()
    {
        QTest::addColumn<std::string>("folder"); // empty: cancelled
        QTest::addColumn<std::string>("shown");
        QTest::newRow("a folder") << std::string("/srv/出力") << std::string("/srv/出力/");
        QTest::newRow("the root") << std::string("/") << std::string("/");
        QTest::newRow("LF in the path") << std::string("/srv/a\nb") << std::string("/before/");
        QTest::newRow("CR in the path") << std::string("/srv/a\rb") << std::string("/before/");
        QTest::newRow("cancelled") << std::string() << std::string("/before/");
    }
    void folderPicker()
    {
        QFETCH(std::string, folder);
        QFETCH(std::string, shown);
        StartedShell s;
        s.app->prefSavePlace = "/before/";
        s.app->prefSaveType = "sameplace";
        prefWindow* w = openPrefs(s);
        s.seam.folderAnswers.push_back(folder.empty() ? FolderItem() : FolderItem::fromPath(folder));
        QTest::mouseClick(ctl<QPushButton>(w, "saveplaceButton"), Qt::LeftButton);
        QCOMPARE(ctl<QLabel>(w, "savePlace")->text().toStdString(), shown);
        QVERIFY(ctl<QRadioButton>(w, "saveRadio1")->isChecked());
        QCOMPARE(s.app->prefSavePlace, std::string("/before/"));
        QTest::mouseClick(ctl<QPushButton>(w, "finishButton"), Qt::LeftButton);
        QCOMPARE(s.app->prefSavePlace, shown);
        QCOMPARE(s.app->prefSaveType, std::string("sameplace"));
    }

    void creatorPicker()
    {
        StartedShell s;
        const std::string editor = s.root() + "/editor";
        const std::string plain = s.root() + "/plain";
        writeFile(editor, "x");
        writeFile(plain, "x");
        const bool codes = FolderItem::fromPath(editor).setMacCreator("R*ch");
        prefWindow* w = openPrefs(s);
        auto* field = ctl<QLineEdit>(w, "creatorField");
        auto* button = ctl<QPushButton>(w, "creatorButton");
        QCOMPARE(button->text(), QString("参照"));
        // Cancelled, and a file without a code: the field stays.
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(field->text(), QString("ttxt"));
        s.seam.openAnswers.push_back(FolderItem::fromPath(plain));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(field->text(), QString("ttxt"));
        if (!codes)
            QSKIP("no extended attributes here");
        s.seam.openAnswers.push_back(FolderItem::fromPath(editor));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(field->text(), QString("R*ch"));
        QCOMPARE(s.app->prefCreator, std::string("ttxt"));
    }

    void focusCodesAndSelectAll()
    {
        StartedShell s;
        prefWindow* w = openPrefs(s);
        QVERIFY(QTest::qWaitForWindowActive(w->widget()));
        QTest::mouseClick(toolButton(w, "save"), Qt::LeftButton);
        auto* suffix = ctl<QLineEdit>(w, "appendField");
        suffix->setText("日本語の接尾辞");
        suffix->setFocus(Qt::MouseFocusReason);
        QCOMPARE(s.app->editFieldNo, 5);
        suffix->deselect();
        s.choose("selectAllMenu");
        QCOMPARE(suffix->selectedText(), suffix->text());
        QCOMPARE(suffix->selectionStart(), 0);
        // The prefix and extension fields report no focus.
        for (const char* silent : {"preField", "extField"}) {
            ctl<QLineEdit>(w, silent)->setFocus(Qt::MouseFocusReason);
            QCOMPARE(s.app->editFieldNo, 0);
            QVERIFY(!selectAllMenu().Enabled());
        }
        ctl<QLineEdit>(w, "creatorField")->setFocus(Qt::MouseFocusReason);
        QCOMPARE(s.app->editFieldNo, 6);
        // From one reporting field to another: the code ends as the new one's.
        QTest::mouseClick(toolButton(w, "filter"), Qt::LeftButton);
        ctl<QLineEdit>(w, "extensionField")->setFocus(Qt::MouseFocusReason);
        QCOMPARE(s.app->editFieldNo, 4);
        ctl<QLineEdit>(w, "typeField")->setFocus(Qt::MouseFocusReason);
        QCOMPARE(s.app->editFieldNo, 3);
        QVERIFY(selectAllMenu().Enabled());
        // "閉じる" is usable while the window is in front.
        s.app->EnableMenuItems();
        QVERIFY(winclose().Enabled());
    }

    void twoWindowsTheLastStoredWins()
    {
        StartedShell s;
        prefWindow* first = openPrefs(s);
        prefWindow* second = openPrefs(s);
        QVERIFY(first != second);
        ctl<QLineEdit>(first, "typeField")->setText("FIRST");
        ctl<QLineEdit>(second, "typeField")->setText("SECOND");
        QTest::mouseClick(ctl<QPushButton>(second, "finishButton"), Qt::LeftButton);
        QCOMPARE(s.app->prefFileType, std::string("SECOND"));
        // The first still shows what it loaded, and its own "終了" stores that.
        QCOMPARE(ctl<QLineEdit>(first, "creatorField")->text(), QString("ttxt"));
        QTest::mouseClick(ctl<QPushButton>(first, "finishButton"), Qt::LeftButton);
        QCOMPARE(s.app->prefFileType, std::string("FIRST"));
        QCOMPARE(fileLines(s)[0], std::string("FIRST"));
    }

    void opensOnPageZeroAgain()
    {
        StartedShell s;
        prefWindow* w = openPrefs(s);
        QTest::mouseClick(toolButton(w, "save"), Qt::LeftButton);
        w->Close();
        prefWindow* again = openPrefs(s);
        QCOMPARE(again->currentPage(), 0);
        QCOMPARE(again->pageArea()->height(), 173);
    }
};

QTEST_MAIN(TestPrefWindow)
#include "tst_prefwindow.moc"
