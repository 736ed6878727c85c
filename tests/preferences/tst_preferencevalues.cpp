// The preferences window's values without the window: keyword rows, the
// template's fields, sizes, the pickers' rules, the page rule, loading and
// storing.

#include "preferences/core/PreferenceValues.h"

#include "platform/core/FolderItem.h"
#include "platform/core/Text.h"
#include "support/Files.h"

#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace tv;

Q_DECLARE_METATYPE(std::string)

namespace {

const KeywordRows* rowsNamed(const QString& name)
{
    if (name == "fileMenu")
        return &alarmFileRows();
    if (name == "proofPointMenu")
        return &alarmChangeRows();
    if (name == "alarmMenu")
        return &alarmTypeRows();
    return &saveTypeRows();
}

} // namespace

class TestPreferenceValues : public QObject {
    Q_OBJECT

private slots:
    void keywordRows_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("row"); // -1: none
        QTest::newRow("one") << "fileMenu" << "one" << 0;
        QTest::newRow("many") << "fileMenu" << "many" << 1;
        QTest::newRow("both files") << "fileMenu" << "both" << 2;
        QTest::newRow("changed") << "proofPointMenu" << "changed" << 0;
        QTest::newRow("nochange") << "proofPointMenu" << "nochange" << 1;
        QTest::newRow("both outcomes") << "proofPointMenu" << "both" << 2;
        QTest::newRow("dialog") << "alarmMenu" << "dialog" << 0;
        QTest::newRow("systembeep") << "alarmMenu" << "systembeep" << 1;
        QTest::newRow("none") << "alarmMenu" << "none" << 2;
        QTest::newRow("sameplace") << "save" << "sameplace" << 0;
        QTest::newRow("dialog place") << "save" << "dialog" << 1;
        QTest::newRow("absolutepath") << "save" << "absolutepath" << 2;
        QTest::newRow("other letter case, hand-edited") << "alarmMenu" << "SystemBeep" << 1;
        QTest::newRow("empty") << "save" << "" << -1;
        QTest::newRow("unknown keyword") << "fileMenu" << "several" << -1;
        QTest::newRow("keyword of another menu") << "fileMenu" << "changed" << -1;
        QTest::newRow("trailing blank") << "proofPointMenu" << "both " << -1;
    }
    void keywordRows()
    {
        QFETCH(QString, rows);
        QFETCH(QString, value);
        QFETCH(int, row);
        const KeywordRows& r = *rowsNamed(rows);
        QCOMPARE(rowOfKeyword(r, value.toStdString()).value_or(-1), row);
        if (row >= 0)
            QVERIFY(textEquals(keywordOfRow(r, row).value(), value.toStdString()));
    }

    void rowsOutsideTheMenu()
    {
        for (const KeywordRows* r : {&alarmFileRows(), &alarmChangeRows(), &alarmTypeRows()}) {
            QVERIFY(!keywordOfRow(*r, -1));
            QVERIFY(!keywordOfRow(*r, 3));
        }
        QCOMPARE(std::string(alarmTypeRows().captions[1]), std::string("システム警告音で通知"));
    }

    void saveTypeOfTheButtons_data()
    {
        QTest::addColumn<int>("radio");
        QTest::addColumn<std::string>("type");
        QTest::newRow("none on") << -1 << std::string("absolutepath");
        QTest::newRow("same place") << 0 << std::string("sameplace");
        QTest::newRow("each time") << 1 << std::string("dialog");
        QTest::newRow("fixed") << 2 << std::string("absolutepath");
    }
    void saveTypeOfTheButtons()
    {
        QFETCH(int, radio);
        QFETCH(std::string, type);
        QCOMPARE(saveTypeOf(radio), type);
    }

    void templateSplit_data()
    {
        QTest::addColumn<std::string>("value");
        QTest::addColumn<std::string>("suffix");
        QTest::addColumn<std::string>("prefix");
        QTest::addColumn<std::string>("extension");
        QTest::newRow("default, no TAB") << std::string("[fixed]") << std::string("[fixed]") << std::string() << std::string();
        QTest::newRow("empty") << std::string() << std::string() << std::string() << std::string();
        QTest::newRow("three fields") << std::string("_後\t前_\tbak") << std::string("_後") << std::string("前_") << std::string("bak");
        QTest::newRow("four fields") << std::string("a\tb\tc\td") << std::string("a") << std::string("b") << std::string("c");
        QTest::newRow("two TABs") << std::string("\t\t") << std::string() << std::string() << std::string();
        QTest::newRow("empty middle") << std::string("a\t\tc") << std::string("a") << std::string() << std::string("c");
    }
    void templateSplit()
    {
        QFETCH(std::string, value);
        QFETCH(std::string, suffix);
        QFETCH(std::string, prefix);
        QFETCH(std::string, extension);
        TemplateFields f = splitTemplate(value);
        QCOMPARE(f.suffix, suffix);
        QCOMPARE(f.prefix, prefix);
        QCOMPARE(f.extension, extension);
    }

    void templateJoin_data()
    {
        QTest::addColumn<std::string>("suffix");
        QTest::addColumn<std::string>("prefix");
        QTest::addColumn<std::string>("extension");
        QTest::addColumn<std::string>("value");
        QTest::newRow("all empty") << std::string() << std::string() << std::string() << std::string("\t\t");
        QTest::newRow("suffix first") << std::string("[fixed]") << std::string("前") << std::string("txt")
                                      << std::string("[fixed]\t前\ttxt");
        QTest::newRow("TAB in a field") << std::string("a\tb") << std::string("\t") << std::string("t\txt")
                                        << std::string("ab\t\ttxt");
        QTest::newRow("line ends in a field") << std::string("a\r\nb") << std::string("\n前") << std::string("x\r")
                                              << std::string("ab\t前\tx");
        QTest::newRow("blanks kept") << std::string(" a ") << std::string(" ") << std::string("")
                                     << std::string(" a \t \t");
    }
    void templateJoin()
    {
        QFETCH(std::string, suffix);
        QFETCH(std::string, prefix);
        QFETCH(std::string, extension);
        QFETCH(std::string, value);
        QCOMPARE(joinTemplate({suffix, prefix, extension}), value);
        // What is joined splits back into the same fields.
        TemplateFields back = splitTemplate(value);
        QCOMPARE(joinTemplate(back), value);
    }

    void singleLines()
    {
        QCOMPARE(singleLine("TEXT,\rttro\n"), std::string("TEXT,ttro"));
        QCOMPARE(singleLine(" a\tb "), std::string(" a\tb "));
        QCOMPARE(singleLine("\r\n"), std::string());
    }

    void previewText()
    {
        QCOMPARE(previewFormat("", "", ""), std::string("+[元ファイル名]+."));
        QCOMPARE(previewFormat("前", "[年]", ""), std::string("前+[元ファイル名]+[年]."));
        QCOMPARE(previewFormat("a", "b", "c"), std::string("a+[元ファイル名]+b.c"));
    }

    void fontSizes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("size");
        QTest::newRow("a row") << "12" << 12;
        QTest::newRow("not a row") << "16" << 16;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("no number") << "大きい" << 0;
        QTest::newRow("number then letters") << "14pt" << 14;
        QTest::newRow("fraction truncated") << "12.9" << 12;
        QTest::newRow("leading blank") << " 9" << 9;
        QTest::newRow("negative") << "-3" << -3;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("huge saturates") << "99999999999" << std::numeric_limits<int32_t>::max();
        QTest::newRow("huge negative saturates") << "-1e300" << std::numeric_limits<int32_t>::min();
        QTest::newRow("beyond a double") << "1e999" << std::numeric_limits<int32_t>::max();
    }
    void fontSizes()
    {
        QFETCH(QString, text);
        QFETCH(int, size);
        QCOMPARE(int(fontSizeOf(text.toStdString())), size);
    }

    void sizeRows()
    {
        const std::vector<std::string> rows {"9", "10", "11", "12", "13", "14", "18", "24", "36"};
        QCOMPARE(fontSizeRows(), rows);
    }

    void fontRows()
    {
        const std::vector<std::string> families {"DejaVu Sans", "IPAGothic", "Osaka-Mono", "IPAGothic"};
        QCOMPARE(fontRowOf(families, "DejaVu Sans").value_or(-1), 0);
        // Several bearing the name: the last one.
        QCOMPARE(fontRowOf(families, "IPAGothic").value_or(-1), 3);
        QCOMPARE(fontRowOf(families, "ipagothic").value_or(-1), 3);
        // A name no family bears, not even as a prefix.
        QVERIFY(!fontRowOf(families, "Osaka"));
        QVERIFY(!fontRowOf({}, "Osaka"));
    }

    void savePlaces_data()
    {
        QTest::addColumn<std::string>("path");
        QTest::addColumn<std::string>("stored"); // empty: refused
        QTest::newRow("folder") << std::string("/tmp/出力") << std::string("/tmp/出力/");
        QTest::newRow("root stays") << std::string("/") << std::string("/");
        QTest::newRow("blank in the name") << std::string("/tmp/a b") << std::string("/tmp/a b/");
        QTest::newRow("LF in the name") << std::string("/tmp/a\nb") << std::string();
        QTest::newRow("CR in the name") << std::string("/tmp/a\rb") << std::string();
    }
    void savePlaces()
    {
        QFETCH(std::string, path);
        QFETCH(std::string, stored);
        std::optional<std::string> place = savePlaceOf(FolderItem::fromPath(path));
        QCOMPARE(place.value_or(std::string()), stored);
    }

    void savePlaceOfNothing() { QVERIFY(!savePlaceOf(FolderItem())); }

    void creatorCodes()
    {
        QTemporaryDir dir(test::fixtureTemplate("tst_preferencevalues"));
        const std::string with = dir.path().toStdString() + "/editor";
        const std::string without = dir.path().toStdString() + "/plain";
        test::writeFile(with, "x");
        test::writeFile(without, "x");
        QVERIFY(!creatorOf(FolderItem()));
        QVERIFY(!creatorOf(FolderItem::fromPath(without)));
        if (!FolderItem::fromPath(with).setMacCreator("ttxt"))
            QSKIP("no extended attributes here");
        QCOMPARE(creatorOf(FolderItem::fromPath(with)).value_or(""), std::string("ttxt"));
    }

    void pageRule_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("height");
        QTest::newRow("grep") << "grep" << 0 << 173;
        QTest::newRow("filter") << "filter" << 1 << 151;
        QTest::newRow("save") << "save" << 2 << 245;
        QTest::newRow("result") << "result" << 3 << 169;
        QTest::newRow("font") << "font" << 4 << 208;
        QTest::newRow("unknown name") << "fonts" << -1 << 0;
        QTest::newRow("empty name") << "" << -1 << 0;
    }
    void pageRule()
    {
        QFETCH(QString, item);
        QFETCH(int, page);
        QFETCH(int, height);
        QCOMPARE(pageOfItem(item.toStdString()).value_or(-1), page);
        if (page >= 0)
            QCOMPARE(pageHeight(page), height);
    }

    void loadDefaults()
    {
        AppState app;
        app.setDefaultSettings();
        PreferenceValues v = loadValues(app, {"DejaVu Sans", "IPAGothic"});
        QCOMPARE(v.fileType, std::string("TEXT,ttro"));
        QCOMPARE(v.fileExtension, std::string("txt,text,html,htm"));
        QCOMPARE(v.templateFields.suffix, std::string("[fixed]"));
        QCOMPARE(v.templateFields.prefix, std::string());
        QCOMPARE(v.creator, std::string("ttxt"));
        QCOMPARE(v.saveRadio, 0);
        QCOMPARE(v.alarmFileRow, 2);
        QCOMPARE(v.alarmChangeRow, 2);
        QCOMPARE(v.alarmTypeRow, 1);
        for (size_t k = 0; k < 4; ++k) {
            QVERIFY(!v.fontNames[k]); // "Osaka" is not installed
            QCOMPARE(v.fontSizeTexts[k], std::string("12"));
        }
        QVERIFY(!v.fastProof && !v.autoWorkFrow && !v.logging);
    }

    void loadUnusual()
    {
        AppState app;
        app.setDefaultSettings();
        app.prefSaveType = "";
        app.prefAlarmFile = "often";
        app.prefAlarmType = "none";
        app.fontName[1] = "ipagothic";
        app.fontSize[2] = std::numeric_limits<int32_t>::max();
        app.fontSize[3] = -5;
        PreferenceValues v = loadValues(app, {"DejaVu Sans", "IPAGothic"});
        QCOMPARE(v.saveRadio, -1);
        QCOMPARE(v.alarmFileRow, 0);
        QCOMPARE(v.alarmTypeRow, 2);
        QVERIFY(!v.fontNames[0]);
        QCOMPARE(v.fontNames[1].value_or(""), std::string("IPAGothic"));
        QCOMPARE(v.fontSizeTexts[2], std::string("2147483647"));
        QCOMPARE(v.fontSizeTexts[3], std::string("-5"));
    }

    void storeInOrder()
    {
        AppState app;
        app.setDefaultSettings();
        app.prefAlarmChange = "nochange";
        PreferenceValues v = loadValues(app, {"IPAGothic"});
        v.templateFields = {"_\t後", "前\r", "txt"};
        v.creator = "R*ch\n";
        v.fileType = "TEXT, ttro ";
        v.fileExtension = "txt";
        v.saveRadio = -1;
        v.savePlace = "/out/";
        v.alarmFileRow = 1;
        v.alarmChangeRow = -1; // no row chosen: the setting stays
        v.alarmTypeRow = 2;
        v.fontNames[0] = "IPAGothic";
        v.fontSizeTexts = {"16", "", "1e20", "9pt"};
        v.fastProof = true;
        v.logging = true;
        // What a pass would see at each yield between the slots.
        std::vector<std::string> seen;
        storeValues(v, app, [&] {
            seen.push_back(app.fontName[0] + "," + Str(int64_t(app.fontSize[0])) + ","
                + Str(int64_t(app.fontSize[1])) + (app.isFastProof ? ",fast" : ",normal"));
        });
        QCOMPARE(seen, (std::vector<std::string> {"IPAGothic,16,12,normal", "IPAGothic,16,0,normal",
                           "IPAGothic,16,0,normal", "IPAGothic,16,0,normal"}));
        QCOMPARE(app.prefExtension, std::string("_後\t前\ttxt"));
        QCOMPARE(app.prefCreator, std::string("R*ch"));
        QCOMPARE(app.prefFileType, std::string("TEXT, ttro "));
        QCOMPARE(app.prefSaveType, std::string("absolutepath"));
        QCOMPARE(app.prefSavePlace, std::string("/out/"));
        QCOMPARE(app.prefAlarmFile, std::string("many"));
        QCOMPARE(app.prefAlarmChange, std::string("nochange"));
        QCOMPARE(app.prefAlarmType, std::string("none"));
        // Slots without a chosen font keep their name; every size is stored.
        const std::array<std::string, 4> names {"IPAGothic", "Osaka", "Osaka", "Osaka"};
        const std::array<int, 4> sizes {16, 0, std::numeric_limits<int32_t>::max(), 9};
        for (size_t k = 0; k < 4; ++k) {
            QCOMPARE(app.fontName[k], names[k]);
            QCOMPARE(app.fontSize[k], sizes[k]);
        }
        QCOMPARE(app.fontName[4], std::string("Osaka"));
        QVERIFY(app.isFastProof && app.isLogging && !app.isAutoWorkFrow);
    }

    void storeWhatWasLoaded()
    {
        // A window stored without any change gives the settings back, the
        // template in its three-field form.
        AppState app;
        app.setDefaultSettings();
        app.fontName[2] = "IPAGothic";
        app.isAutoWorkFrow = true;
        AppState before;
        before.setDefaultSettings();
        before.fontName[2] = "IPAGothic";
        before.isAutoWorkFrow = true;
        storeValues(loadValues(app, {"IPAGothic"}), app, {});
        QCOMPARE(app.prefExtension, std::string("[fixed]\t\t"));
        app.prefExtension = before.prefExtension;
        QCOMPARE(app.preferencesContent(), before.preferencesContent());
    }
};

QTEST_GUILESS_MAIN(TestPreferenceValues)
#include "tst_preferencevalues.moc"
