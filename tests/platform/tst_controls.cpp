// Windows' control tables: binding typed members by name, the anchors that
// place controls when a window is resized, group boxes with their children,
// control arrays, disclosure triangles and bevel buttons with a menu.

#include "platform/core/Errors.h"
#include "platform/ui/Application.h"
#include "platform/ui/Controls.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QGroupBox>
#include <QRadioButton>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QWidget>

using namespace tv;

namespace {

const std::vector<ControlSpec>& table()
{
    static const std::vector<ControlSpec> t = {
        {.kind = ControlKind::Label, .name = "fixed", .text = "ラベル", .left = 10, .top = 10, .width = 50, .height = 20},
        {.kind = ControlKind::TextField, .name = "stretch", .left = 70, .top = 10, .width = 100, .height = 22,
            .anchor = AnchorLeft | AnchorTop | AnchorRight},
        {.kind = ControlKind::PushButton, .name = "corner", .text = "OK", .left = 120, .top = 160, .width = 70,
            .height = 20, .anchor = AnchorRight | AnchorBottom},
        {.kind = ControlKind::TextArea, .name = "grows", .left = 10, .top = 40, .width = 180, .height = 100,
            .anchor = AnchorAll},
        {.kind = ControlKind::CheckBox, .name = "low", .text = "確認", .left = 10, .top = 160, .width = 80,
            .height = 20, .anchor = AnchorLeft | AnchorBottom, .focusOnClick = false},
    };
    return t;
}

// A group box with children, a control array and a triangle.
const std::vector<ControlSpec>& groupTable()
{
    static const std::vector<ControlSpec> t = {
        {.kind = ControlKind::GroupBox, .name = "box", .text = "枠", .left = 20, .top = 100, .width = 160,
            .height = 80, .anchor = AnchorLeft | AnchorBottom},
        {.kind = ControlKind::BevelButton, .name = "member", .text = "二", .left = 110, .top = 130, .width = 60,
            .height = 22, .focusOnClick = false, .group = "box", .index = 1},
        {.kind = ControlKind::BevelButton, .name = "member", .text = "一", .left = 30, .top = 130, .width = 60,
            .height = 22, .focusOnClick = false, .group = "box", .index = 0},
        {.kind = ControlKind::Label, .name = "member", .text = "外", .left = 10, .top = 10, .width = 40,
            .height = 20},
        {.kind = ControlKind::DisclosureTriangle, .name = "triangle", .left = 10, .top = 80, .width = 18,
            .height = 18, .anchor = AnchorLeft | AnchorBottom, .focusOnClick = false},
    };
    return t;
}

} // namespace

class TestControls : public QObject {
    Q_OBJECT
private slots:
    // Qt's own dialogs and buttons speak Japanese once its texts are loaded.
    void qtTextsInJapanese()
    {
        QVERIFY(installJapaneseQtTexts());
        QCOMPARE(QDialogButtonBox(QDialogButtonBox::Cancel).button(QDialogButtonBox::Cancel)->text(),
            QStringLiteral("キャンセル"));
        QVERIFY(QCoreApplication::translate("QFileDialog", "File &name:") != QStringLiteral("File &name:"));
    }

    void bindsByNameAndType()
    {
        QWidget w;
        buildControls(&w, table());
        QCOMPARE(bindControl<QLineEdit>(&w, "stretch")->objectName(), QStringLiteral("stretch"));
        QCOMPARE(bindControl<QLabel>(&w, "fixed")->text(), QStringLiteral("ラベル"));
        QCOMPARE(bindControl<QCheckBox>(&w, "low")->focusPolicy(), Qt::NoFocus);
        // A widget's base class binds too.
        QVERIFY(bindControl<QWidget>(&w, "corner"));
    }

    void misspeltOrMistypedNameThrows_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("misspelt") << "strech";
        QTest::newRow("other kind") << "fixed";
        QTest::newRow("empty") << "";
    }
    void misspeltOrMistypedNameThrows()
    {
        QFETCH(QString, name);
        QWidget w;
        buildControls(&w, table());
        const std::string n = name.toStdString();
        QVERIFY_THROWS_EXCEPTION(NilObjectException, bindControl<QPushButton>(&w, n.c_str()));
        QVERIFY_THROWS_EXCEPTION(NilObjectException, bindControl<QPushButton>(nullptr, "corner"));
    }

    void anchorsFollowTheEdges_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("design");
        QTest::addColumn<QRect>("grown");  // window 60 wider, 40 higher
        QTest::addColumn<QRect>("shrunk"); // window 50 narrower, 30 lower
        QTest::newRow("top left stays") << "fixed" << QRect(10, 10, 50, 20) << QRect(10, 10, 50, 20)
                                        << QRect(10, 10, 50, 20);
        QTest::newRow("left and right stretch") << "stretch" << QRect(70, 10, 100, 22) << QRect(70, 10, 160, 22)
                                                << QRect(70, 10, 50, 22);
        QTest::newRow("right and bottom move") << "corner" << QRect(120, 160, 70, 20) << QRect(180, 200, 70, 20)
                                               << QRect(70, 130, 70, 20);
        QTest::newRow("all four stretch") << "grows" << QRect(10, 40, 180, 100) << QRect(10, 40, 240, 140)
                                          << QRect(10, 40, 130, 70);
        QTest::newRow("bottom only moves down") << "low" << QRect(10, 160, 80, 20) << QRect(10, 200, 80, 20)
                                                << QRect(10, 130, 80, 20);
    }
    void anchorsFollowTheEdges()
    {
        QFETCH(QString, name);
        QFETCH(QRect, design);
        QFETCH(QRect, grown);
        QFETCH(QRect, shrunk);
        QWidget w;
        w.resize(200, 200);
        buildControls(&w, table());
        QWidget* c = bindControl<QWidget>(&w, name.toUtf8().constData());
        layoutControls(&w, table(), QSize(200, 200));
        QCOMPARE(c->geometry(), design);
        w.resize(260, 240);
        layoutControls(&w, table(), QSize(200, 200));
        QCOMPARE(c->geometry(), grown);
        w.resize(150, 170);
        layoutControls(&w, table(), QSize(200, 200));
        QCOMPARE(c->geometry(), shrunk);
    }

    // Choices and markers.
    void choicesAndMarkers()
    {
        const std::vector<ControlSpec> choices = {
            {.kind = ControlKind::RadioButton, .name = "r1", .text = "一", .width = 50, .height = 20},
            {.kind = ControlKind::RadioButton, .name = "r2", .text = "二", .top = 20, .width = 50, .height = 20},
            {.kind = ControlKind::PopUpMenu, .name = "menu", .text = "甲\t乙\t丙", .top = 40, .width = 80, .height = 20},
            {.kind = ControlKind::PopUpMenu, .name = "empty", .top = 60, .width = 80, .height = 20},
            {.kind = ControlKind::ComboBox, .name = "combo", .text = "9\t10\t12", .top = 80, .width = 50, .height = 20},
            {.kind = ControlKind::Line, .name = "marker", .top = 133, .width = 100, .height = 1},
        };
        QWidget w;
        w.resize(200, 200);
        buildControls(&w, choices);
        w.show();
        auto* r1 = bindControl<QRadioButton>(&w, "r1");
        auto* r2 = bindControl<QRadioButton>(&w, "r2");
        QVERIFY(!r1->isChecked() && !r2->isChecked());
        QTest::mouseClick(r1, Qt::LeftButton);
        QTest::mouseClick(r2, Qt::LeftButton);
        QVERIFY(!r1->isChecked() && r2->isChecked());
        auto* menu = bindControl<QComboBox>(&w, "menu");
        QVERIFY(!menu->isEditable());
        QCOMPARE(menu->count(), 3);
        QCOMPARE(menu->currentText(), QString("甲"));
        QCOMPARE(bindControl<QComboBox>(&w, "empty")->count(), 0);
        auto* combo = bindControl<QComboBox>(&w, "combo");
        QVERIFY(combo->isEditable());
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->currentText(), QString());
        // Typed text completes nothing and adds no row.
        combo->setFocus();
        QTest::keyClicks(combo, "1");
        QCOMPARE(combo->currentText(), QString("1"));
        QTest::keyClick(combo, Qt::Key_Return);
        QCOMPARE(combo->count(), 3);
        auto* marker = bindControl<QFrame>(&w, "marker");
        QVERIFY(!marker->isVisible());
        QCOMPARE(marker->geometry().top(), 133);
    }

    void groupCarriesItsChildren()
    {
        QWidget w;
        w.resize(200, 200);
        buildControls(&w, groupTable());
        auto* box = bindControl<QGroupBox>(&w, "box");
        const std::vector<QWidget*> members = controlArray(&w, "member");
        QCOMPARE(members.size(), size_t(2));
        QCOMPARE(qobject_cast<QToolButton*>(members[0])->text(), QStringLiteral("一"));
        QCOMPARE(qobject_cast<QToolButton*>(members[1])->text(), QStringLiteral("二"));
        // Window coordinates in the table; the box carries them.
        QCOMPARE(members[1]->parentWidget(), static_cast<QWidget*>(box));
        QCOMPARE(members[1]->mapTo(&w, QPoint()), QPoint(110, 130));
        QCOMPARE(members[0]->focusPolicy(), Qt::NoFocus);
        w.resize(200, 260);
        layoutControls(&w, groupTable(), QSize(200, 200));
        QCOMPARE(box->geometry(), QRect(20, 160, 160, 80));
        QCOMPARE(members[1]->mapTo(&w, QPoint()), QPoint(110, 190));
        w.show();
        box->hide();
        QVERIFY(!members[0]->isVisible());
        QVERIFY_THROWS_EXCEPTION(NilObjectException,
            buildControls(&w, {{.kind = ControlKind::Label, .name = "x", .group = "nobox"}}));
    }

    void triangleShowsItsState()
    {
        QWidget w;
        buildControls(&w, groupTable());
        auto* triangle = bindControl<QToolButton>(&w, "triangle");
        QVERIFY(triangle->isCheckable());
        QVERIFY(!triangle->isChecked());
        QCOMPARE(triangle->arrowType(), Qt::RightArrow);
        triangle->setChecked(true);
        QCOMPARE(triangle->arrowType(), Qt::DownArrow);
    }

    void bevelButtonOpensItsMenu()
    {
        QWidget w;
        w.resize(200, 200);
        buildControls(&w, groupTable());
        QMenu menu;
        QAction* row = menu.addAction(QStringLiteral("row"));
        int chosen = 0;
        connect(row, &QAction::triggered, &w, [&chosen] { ++chosen; });
        QWidget* button = controlArray(&w, "member")[0];
        attachPopupMenu(button, &menu);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::mousePress(button, Qt::LeftButton);
        // The press returned with the menu up; no loop of its own runs it.
        QVERIFY(menu.isVisible());
        QCOMPARE(menu.pos(), button->mapToGlobal(QPoint(0, button->height())));
        QTest::keyClick(&menu, Qt::Key_Down);
        QTest::keyClick(&menu, Qt::Key_Return);
        QCOMPARE(chosen, 1);
        QVERIFY(!menu.isVisible());
    }
};

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
