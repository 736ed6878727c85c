// The trial search palette on a real display with a window manager: keys
// and clicks come from the X server (xdotool), resizes from the window
// manager. First the palette in this process, with the real dialogs, its
// widgets read back; then the real program, whose palette is opened from its
// Help menu, unfolded and closed.

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

#include "app/ShellFixture.h"
#include "platform/ui/QtServices.h"
#include "support/Desktop.h"
#include "support/Wait.h"
#include "trial/ui/grepWizardWindow.h"

using tv::grepWizardWindow;
using tv::test::StartedShell;
using tv::test::waitFor;

using tv::test::xdotool;

namespace {

// How long a change may take to come back from the X server: a loaded
// machine is slow, and every wait ends as soon as its condition holds.
constexpr int kWait = 30000;

// Lets the X server's events reach this process.
void settle()
{
    QTest::qWait(150);
}

// A click where the user would click: the X server's pointer over the
// control's middle.
void click(QWidget* control, QPoint at = QPoint(-1, -1))
{
    if (at.x() < 0)
        at = control->rect().center();
    const QPoint global = control->mapToGlobal(at);
    xdotool({"mousemove", "--sync", QString::number(global.x()), QString::number(global.y())});
    xdotool({"click", "1"});
    settle();
}

void type(const QString& text)
{
    xdotool({"type", "--delay", "20", text});
    settle();
}

void key(const QString& keys)
{
    xdotool({"key", keys});
    settle();
}

QStringList marked(QPlainTextEdit* box)
{
    QStringList out;
    for (const QTextEdit::ExtraSelection& s : box->extraSelections())
        out << s.cursor.selectedText();
    return out;
}

// The X window of a title, or empty.
QString windowNamed(const QString& title)
{
    return xdotool({"search", "--onlyvisible", "--name", title}).section(QLatin1Char('\n'), 0, 0);
}

// "WIDTHxHEIGHT" of an X window.
QString windowSize(const QString& id)
{
    const QString out = xdotool({"getwindowgeometry", id});
    const qsizetype at = out.indexOf(QStringLiteral("Geometry: "));
    return at < 0 ? QString() : out.mid(at + 10).section(QLatin1Char('\n'), 0, 0).trimmed();
}

} // namespace

class TestTrialPaletteDisplay : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void paletteInThisProcess();
    void realProgram();
};

void TestTrialPaletteDisplay::initTestCase()
{
    // The window manager is up once it has announced itself on the root
    // window; before that no frame, focus or resize would be its.
    QVERIFY(waitFor([] {
        QProcess p;
        p.start(QStringLiteral("xprop"), {"-root", "_NET_SUPPORTING_WM_CHECK"});
        p.waitForFinished(5000);
        return p.readAllStandardOutput().contains("window id");
    }));
}

void TestTrialPaletteDisplay::paletteInThisProcess()
{
    StartedShell s;
    tv::QtServices real;
    tv::setServices(&real);
    s.choose("helpWizardMenu");
    grepWizardWindow& w = grepWizardWindow::instance();
    QWidget* window = w.widget();
    QVERIFY(QTest::qWaitForWindowExposed(window, kWait));
    xdotool({"windowactivate", "--sync", QString::number(window->winId())});
    QVERIFY(QTest::qWaitForWindowActive(window, kWait));
    QTRY_COMPARE_WITH_TIMEOUT(window->size(), QSize(778, 342), kWait);

    auto* source = w.controlAs<QPlainTextEdit>("source");
    auto* result = w.controlAs<QPlainTextEdit>("result");
    auto* find = w.controlAs<QLineEdit>("find");
    auto* replace = w.controlAs<QLineEdit>("replace");
    auto* caption = w.controlAs<QLabel>("searchCaption");
    auto* triangle = w.controlAs<QToolButton>("DisclosureTriangle1");

    // A sample, a pattern and a replacement, typed.
    click(w.control("isGrep"), QPoint(6, 10));
    QTRY_VERIFY_WITH_TIMEOUT(w.controlAs<QCheckBox>("isGrep")->isChecked(), kWait);
    click(source);
    QTRY_COMPARE_WITH_TIMEOUT(s.app->editFieldNo, 10, kWait);
    type(QStringLiteral("banana"));
    key(QStringLiteral("Return"));
    type(QStringLiteral("nab"));
    click(find);
    QTRY_COMPARE_WITH_TIMEOUT(s.app->editFieldNo, 11, kWait);
    type(QStringLiteral("a(n)"));
    click(replace);
    QTRY_COMPARE_WITH_TIMEOUT(s.app->editFieldNo, 12, kWait);
    type(QStringLiteral("[$1]"));
    QTRY_COMPARE_WITH_TIMEOUT(result->toPlainText(), QStringLiteral("b[n][n]a\nnab"), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(caption->text(), QStringLiteral("検索対象：2件ヒット"), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(marked(source), (QStringList{"an", "an"}), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(marked(result), (QStringList{"[n]", "[n]"}), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(source->toPlainText(), QStringLiteral("banana\nnab"), kWait);

    // The wildcard numbers the next reference.
    click(w.control("insWildCard"));
    QTRY_COMPARE_WITH_TIMEOUT(replace->text(), QStringLiteral("[$1]$2"), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(replace->hasFocus(), kWait);

    // Unfolding grows the window at its bottom edge alone.
    const QRect triangleAt = triangle->geometry();
    const QRect sourceAt = source->geometry();
    click(triangle);
    QTRY_COMPARE_WITH_TIMEOUT(window->height(), 496, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(window->minimumHeight(), 452, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(w.guideButton(0)->isVisible(), kWait);
    settle();
    QTRY_COMPARE_WITH_TIMEOUT(triangle->geometry(), triangleAt, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(source->geometry(), sourceAt, kWait);

    // A guide row chosen with the pointer and the keys goes into the field
    // that had the focus: "¥d", the first row after the separator.
    click(find);
    QTRY_COMPARE_WITH_TIMEOUT(s.app->editFieldNo, 11, kWait);
    find->end(false);
    click(w.guideButton(0));
    QTRY_VERIFY_WITH_TIMEOUT(QApplication::activePopupWidget() == w.guideMenu(0), kWait);
    for (int i = 0; i < 13; ++i)
        key(QStringLiteral("Down"));
    key(QStringLiteral("Return"));
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activePopupWidget(), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(find->text(), QString::fromUtf8("a(n)¥d"), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(find->hasFocus(), kWait);

    // A second click on a guide button closes its menu for good: the events
    // that come after it find no menu, and the menu showed once.
    // (The window stands high enough for the menu to open below the button.)
    xdotool({"windowmove", "--sync", QString::number(window->winId()), "100", "40"});
    QTRY_VERIFY_WITH_TIMEOUT(window->geometry().top() < 200, kWait);
    int shows = 0;
    QObject::connect(w.guideMenu(1), &QMenu::aboutToShow, w.guideMenu(1), [&shows] { ++shows; });
    click(w.guideButton(1));
    QTRY_VERIFY_WITH_TIMEOUT(QApplication::activePopupWidget() == w.guideMenu(1), kWait);
    const QRect buttonOnScreen(w.guideButton(1)->mapToGlobal(QPoint()), w.guideButton(1)->size());
    QVERIFY(!w.guideMenu(1)->geometry().intersects(buttonOnScreen));
    click(w.guideButton(1));
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activePopupWidget(), kWait);
    click(replace);
    QTRY_COMPARE_WITH_TIMEOUT(s.app->editFieldNo, 12, kWait);
    QVERIFY(!QApplication::activePopupWidget());
    QCOMPARE(shows, 1);
    QCOMPARE(find->text(), QString::fromUtf8("a(n)¥d"));

    // The window manager resizes the window: the controls follow the bottom
    // edge, the sample stretches; the next fold measures from there.
    xdotool({"windowsize", "--sync", QString::number(window->winId()), "778", "560"});
    QTRY_COMPARE_WITH_TIMEOUT(window->height(), 560, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(triangle->y(), triangleAt.y() + 64, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(source->height(), sourceAt.height() + 64, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(w.controlAs<QLabel>("searchCaption")->y(), 14, kWait);
    click(triangle);
    QTRY_COMPARE_WITH_TIMEOUT(window->height(), triangleAt.y() + 64 + 18, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(window->minimumHeight(), 300, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!w.guideButton(0)->isVisible(), kWait);
    click(triangle);
    QTRY_COMPARE_WITH_TIMEOUT(window->height(), 560, kWait);
    settle();
    QTRY_COMPARE_WITH_TIMEOUT(triangle->y(), triangleAt.y() + 64, kWait);

    // Select All and Close by their keys.
    click(source);
    QTRY_COMPARE_WITH_TIMEOUT(s.app->editFieldNo, 10, kWait);
    key(QStringLiteral("ctrl+a"));
    QTRY_COMPARE_WITH_TIMEOUT(source->textCursor().selectedText(), QStringLiteral("banana\u2029nab"), kWait);
    key(QStringLiteral("ctrl+w"));
    QTRY_VERIFY_WITH_TIMEOUT(!w.isOpen(), kWait);
    tv::setServices(&s.seam);
}

void TestTrialPaletteDisplay::realProgram()
{
    tv::test::StartedProgram program(QStringLiteral("tst_palette_program"));
    QVERIFY(program.start());
    QProcess& tesvora = program.process;

    QString frame;
    QVERIFY(waitFor([&] { return !(frame = windowNamed(QStringLiteral("^Tesvora$"))).isEmpty(); }));
    // Help is the last menu; its last item opens the palette. A key that
    // comes before the menu is up goes elsewhere: then the menus are shut
    // and the keys pressed again.
    QString palette;
    for (int attempt = 0; attempt < 5 && palette.isEmpty(); ++attempt) {
        xdotool({"windowactivate", "--sync", frame});
        settle();
        for (const char* k : {"alt", "Left", "Down"}) {
            key(QString::fromLatin1(k));
            QTest::qWait(300);
        }
        key(QStringLiteral("Up"));
        key(QStringLiteral("Return"));
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 5000 && (palette = windowNamed(QStringLiteral("お試し検索パレット"))).isEmpty())
            QTest::qWait(50);
        if (palette.isEmpty())
            for (int i = 0; i < 3; ++i)
                key(QStringLiteral("Escape"));
    }
    QVERIFY(!palette.isEmpty());
    QVERIFY(waitFor([&] { return windowSize(palette) == QStringLiteral("778x342"); }));

    // The triangle at 20, 324 unfolds it; Cmd+W closes it.
    xdotool({"windowactivate", "--sync", palette});
    xdotool({"mousemove", "--sync", "--window", palette, "29", "333"});
    xdotool({"click", "1"});
    QVERIFY2(waitFor([&] { return windowSize(palette) == QStringLiteral("778x496"); }),
             qPrintable(windowSize(palette)));
    key(QStringLiteral("ctrl+w"));
    QVERIFY(waitFor([&] { return windowNamed(QStringLiteral("お試し検索パレット")).isEmpty(); }));
    QCOMPARE(tesvora.state(), QProcess::Running);

    tesvora.terminate();
    QVERIFY(tesvora.waitForFinished(20000));
    QCOMPARE(tesvora.exitCode(), 0);
}

QTEST_MAIN(TestTrialPaletteDisplay)
#include "tst_trial_palette_display.moc"
