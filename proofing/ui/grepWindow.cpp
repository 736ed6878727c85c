#include "proofing/ui/grepWindow.h"

#include "app/core/AppState.h"
#include "platform/core/Dispatch.h"
#include "platform/core/Text.h"
#include "platform/ui/Controls.h"
#include "platform/ui/FieldText.h"
#include "platform/ui/Screens.h"
#include "proofing/ui/CheckText.h"
#include "proofing/ui/selectPallete.h"

#include <QApplication>
#include <QCheckBox>
#include <QGuiApplication>
#include <QScreen>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QWidget>

#include <algorithm>
#include <optional>
#include <vector>

namespace tv {

namespace {

const char* const kLabelFont = "Hiragino Kaku Gothic Pro";
const char* const kButtonFont = "Lucida Grande";
const char* const kTextFont = "Osaka";

// The design, 351 x 338, in the order the window creates its controls: the
// later ones lie above the earlier ones.
const std::vector<ControlSpec>& controlTable()
{
    static const std::vector<ControlSpec> table = {
        {.kind = ControlKind::Label, .name = "StaticText1", .text = "検索文字列：", .left = 17, .top = 14,
            .width = 69, .height = 20, .family = kLabelFont, .pixelSize = 12},
        {.kind = ControlKind::Label, .name = "StaticText2", .text = "置換文字列：", .left = 17, .top = 40,
            .width = 69, .height = 20, .family = kLabelFont, .pixelSize = 12},
        {.kind = ControlKind::ProgressBar, .name = "grepProgress", .left = 17, .top = 91, .width = 216,
            .height = 12, .anchor = AnchorLeft | AnchorTop | AnchorRight},
        {.kind = ControlKind::PushButton, .name = "cancelButton", .text = "キャンセル", .left = 241, .top = 86,
            .width = 93, .height = 20, .family = kButtonFont, .pixelSize = 13, .helpTag = "校正をキャンセルします。",
            .anchor = AnchorTop | AnchorRight},
        {.kind = ControlKind::Label, .name = "StaticText3", .text = "置換した数：", .left = 17, .top = 66,
            .width = 69, .height = 20, .family = kLabelFont, .pixelSize = 12},
        {.kind = ControlKind::Label, .name = "replaceCount", .left = 92, .top = 63, .width = 234, .height = 20,
            .family = kTextFont, .pixelSize = 12},
        {.kind = ControlKind::PushButton, .name = "replaceButton", .text = "置換", .left = 261, .top = 301,
            .width = 73, .height = 20, .family = kButtonFont, .pixelSize = 13, .isDefault = true,
            .helpTag = "置換して次を検索します。", .anchor = AnchorRight | AnchorBottom},
        {.kind = ControlKind::PushButton, .name = "skipButton", .text = "次を検索", .left = 156, .top = 301,
            .width = 93, .height = 20, .family = kButtonFont, .pixelSize = 13,
            .helpTag = "スキップして次を検索します。置換は行われません。", .anchor = AnchorRight | AnchorBottom},
        {.kind = ControlKind::CheckBox, .name = "manualCheck", .text = "確認を終了する", .left = 15, .top = 301,
            .width = 116, .height = 20, .family = kButtonFont, .helpTag = "この確認ダイアログを出さないようにします。",
            .anchor = AnchorLeft | AnchorBottom},
        {.kind = ControlKind::TextArea, .name = "replaceField", .left = 88, .top = 36, .width = 248, .height = 21,
            .helpTag = "置換する文字列です。", .anchor = AnchorLeft | AnchorTop | AnchorRight},
        {.kind = ControlKind::TextArea, .name = "checkTextBox", .left = 16, .top = 121, .width = 319,
            .height = 171, .family = kTextFont, .pixelSize = 12, .anchor = AnchorAll},
        {.kind = ControlKind::Label, .name = "replaceText", .left = 92, .top = 36, .width = 253, .height = 22,
            .family = kTextFont, .pixelSize = 12, .anchor = AnchorLeft | AnchorTop | AnchorRight},
        {.kind = ControlKind::Label, .name = "searchText", .left = 92, .top = 11, .width = 244, .height = 20,
            .family = kTextFont, .pixelSize = 12, .anchor = AnchorLeft | AnchorTop | AnchorRight},
    };
    return table;
}

// The window's Qt side: places its controls after every resize and keeps
// the expanded height.
class GrepWidget : public QWidget {
public:
    std::function<void()> resized;
    std::function<void()> moved;
    std::function<bool(QKeyEvent*)> key;

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        if (resized)
            guarded(resized);
    }
    void moveEvent(QMoveEvent* event) override
    {
        QWidget::moveEvent(event);
        if (moved)
            guarded(moved);
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        bool used = false;
        if (key)
            guarded([&] { used = key(event); });
        if (!used)
            QWidget::keyPressEvent(event);
    }
};

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

struct grepWindow::Pending {
    // What the worker wrote last, applied at the next turn of the event loop.
    int value = 0, maximum = 0;
    std::optional<std::string> title;
    std::string searchText, replaceText, replaceCount;
    // The field and the check box are the user's too: they are written only
    // when the worker has written them since, so that a later flush never
    // takes back what the user typed or ticked.
    std::optional<std::string> replaceField;
    std::optional<std::pair<bool, bool>> check; // enabled, checked
    bool dirty = false;
};

grepWindow& grepWindow::instance()
{
    return SingleWindow<grepWindow>::get();
}

grepWindow* grepWindow::openInstance()
{
    return SingleWindow<grepWindow>::isOpen() ? SingleWindow<grepWindow>::existing() : nullptr;
}

grepWindow::grepWindow() : Window("grepWindow"), pending_(std::make_unique<Pending>())
{
    auto* w = new GrepWidget;
    // A document window without close box, minimise or zoom button.
    w->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    w->setWindowTitle(QStringLiteral(" "));
    w->resize(designWidth, designHeight);
    buildControls(w, controlTable());
    ui_.searchText = bindControl<QLabel>(w, "searchText");
    ui_.replaceText = bindControl<QLabel>(w, "replaceText");
    ui_.replaceCount = bindControl<QLabel>(w, "replaceCount");
    ui_.grepProgress = bindControl<QProgressBar>(w, "grepProgress");
    ui_.cancelButton = bindControl<QPushButton>(w, "cancelButton");
    ui_.skipButton = bindControl<QPushButton>(w, "skipButton");
    ui_.replaceButton = bindControl<QPushButton>(w, "replaceButton");
    ui_.manualCheck = bindControl<QCheckBox>(w, "manualCheck");
    ui_.replaceField = bindControl<QPlainTextEdit>(w, "replaceField");
    ui_.checkTextBox = bindControl<QPlainTextEdit>(w, "checkTextBox");

    // Maximum 0 (no rule count yet): the toolkit's busy animation.
    ui_.grepProgress->setRange(0, 0);
    ui_.grepProgress->setValue(0);
    ui_.replaceField->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ui_.replaceField->hide();
    // A plain text box lays out only the lines an edit touches, so marking
    // and replacing matches in a long text stays cheap; its characters still
    // take colours and underlines.
    ui_.checkTextBox->setReadOnly(true);
    // Read-only, but with its insertion point shown at the match.
    ui_.checkTextBox->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    ui_.checkTextBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    w->resized = [this] {
        Event_Resizing();
        Event_Resized();
    };
    w->moved = [this] { Event_Moved(); };
    w->key = [this](QKeyEvent* e) {
        // Esc is the key of the cancel buttons: "次を検索" while it shows,
        // else "キャンセル".
        if (e->key() != Qt::Key_Escape)
            return false;
        if (ui_.skipButton && ui_.skipButton->isVisible())
            skipButton_Action();
        else
            cancelButton_Action();
        return true;
    };
    setWidget(w);

    auto click = [this](QPushButton* b, void (grepWindow::*action)()) {
        QObject::connect(b, &QPushButton::clicked, b, [this, action] { guarded([&] { (this->*action)(); }); });
    };
    click(ui_.cancelButton, &grepWindow::cancelButton_Action);
    click(ui_.skipButton, &grepWindow::skipButton_Action);
    click(ui_.replaceButton, &grepWindow::replaceButton_Action);

    Event_Open();
    w->show();
}

grepWindow::~grepWindow() = default;

QPlainTextEdit* grepWindow::checkTextBox() const
{
    return ui_.checkTextBox;
}

QPushButton* grepWindow::replaceButton() const
{
    return ui_.replaceButton;
}

void grepWindow::Event_Open()
{
    QWidget* w = widget();
    w->setMinimumWidth(designWidth);
    w->setMaximumWidth(32000);
    w->setMinimumHeight(compactHeight);
    w->setMaximumHeight(compactHeight);
    w->resize(w->width(), compactHeight);
    wideWinSize = designHeight;
    const std::string& stored = appState().prefGrepWinPos;
    if (!stored.empty()) {
        auto field = [&](int n) { return int64_t(toInt32(Val(NthField(stored, ",", n)))); };
        // The limits hold against a damaged setting or another screen
        // layout: the window stays usable and wholly on a screen, expanded
        // as well, and that is the frame stored again at the end.
        const QRect held = holdToScreens({field(1), field(2), field(3), field(4)}, QSize(designWidth, designHeight));
        wideWinSize = held.height();
        w->setGeometry(held.x(), held.y(), held.width(), compactHeight);
    } else {
        // Centred, by its design size, on the screen of the window it stands
        // over (the front one), so that its expanded form is centred too.
        QScreen* screen = nullptr;
        if (Window* front = Window::front(); front && front != this && front->widget())
            screen = front->widget()->screen();
        if (!screen)
            if (QWidget* active = QApplication::activeWindow())
                screen = active->screen();
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen) {
            const QRect area = screen->availableGeometry();
            w->setGeometry(area.x() + (area.width() - designWidth) / 2,
                area.y() + (area.height() - designHeight) / 2, designWidth, compactHeight);
        }
    }
    setSearchText("");
    setReplaceText("");
    setReplaceField("");
    applyForm(false, false);
    flush();
    layoutControls();
}

void grepWindow::layoutControls()
{
    if (QWidget* w = widget())
        tv::layoutControls(w, controlTable(), QSize(designWidth, designHeight));
}

void grepWindow::Event_Resizing()
{
    layoutControls();
    keepPaletteBeside();
}

void grepWindow::Event_Resized()
{
    if (!switchingForm_ && Height() != compactHeight)
        wideWinSize = Height();
    keepPaletteBeside();
}

void grepWindow::Event_Moved()
{
    keepPaletteBeside();
}

void grepWindow::keepPaletteBeside()
{
    const AppState& app = appState();
    if (!app.isWorking || !app.isSelectRep)
        return;
    // Only a palette that shows a match: none comes up while the palette is
    // being filled, or while the result notice waits at the end of a pass.
    selectPallete* palette = selectPallete::openInstance();
    if (palette && palette->widget() && palette->widget()->isVisible())
        moveSelectList();
}

void grepWindow::moveSelectList()
{
    tv::moveSelectList(*this);
}

void grepWindow::loadCheckText(const std::string& text)
{
    if (QPlainTextEdit* box = ui_.checkTextBox)
        CheckText::of(box).load(text, fontOfSlot(FontSlotConfirm));
}

void grepWindow::setReplaceHelpTag(const std::string& tag)
{
    if (QWidget* field = ui_.replaceField) {
        field->setToolTip(qs(tag));
        field->setWhatsThis(qs(tag));
    }
}

void grepWindow::bringForward()
{
    QWidget* w = widget();
    if (!w)
        return;
    // The window manager may have minimised it (it draws the button): the
    // pass waits on this window, and quitting is disabled meanwhile.
    if (w->isMinimized())
        w->setWindowState((w->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    if (!w->isVisible())
        w->show();
    w->raise();
    w->activateWindow();
}

void grepWindow::markMatch(int64_t start, const std::string& matchText)
{
    bringForward();
    selStart = static_cast<int32_t>(start);
    selLength = static_cast<int32_t>(Len(matchText));
    selText = matchText;
    if (QPlainTextEdit* box = ui_.checkTextBox) {
        CheckText& text = CheckText::of(box);
        text.setInsertionPoint(start);
        text.mark(start, selLength);
    }
}

void grepWindow::offerReplacement(const std::string& text)
{
    setReplaceField(text);
    flush();
    if (QPlainTextEdit* field = ui_.replaceField) {
        // All of it selected, the caret at its start, shown from its first
        // line: a line break typed into an earlier answer leaves the one-line
        // field scrolled down otherwise.
        QTextCursor all(field->document());
        all.movePosition(QTextCursor::End);
        all.movePosition(QTextCursor::Start, QTextCursor::KeepAnchor);
        field->setTextCursor(all);
        if (QScrollBar* bar = field->verticalScrollBar())
            bar->setValue(bar->minimum());
        widget()->activateWindow();
        field->setFocus(Qt::OtherFocusReason);
    }
}

bool grepWindow::manualCheckTicked()
{
    flush();
    QCheckBox* check = ui_.manualCheck;
    return check && check->isEnabled() && check->isChecked();
}

void grepWindow::settleMatch(const std::string& text)
{
    QPlainTextEdit* box = ui_.checkTextBox;
    if (!box)
        return;
    CheckText& shown = CheckText::of(box);
    if (shown.textAt(selStart, selLength) != text)
        shown.replace(selStart, selLength, text);
    selLength = static_cast<int32_t>(Len(text));
}

bool grepWindow::Event_CancelClose()
{
    return appState().isWorking;
}

void grepWindow::cancelButton_Action()
{
    appState().grepCancel = true;
}

void grepWindow::skipButton_Action()
{
    AppState& app = appState();
    app.manualCancel = true;
    app.notifyClose = true;
}

void grepWindow::replaceButton_Action()
{
    AppState& app = appState();
    app.manualCancel = false;
    if (QPlainTextEdit* field = ui_.replaceField)
        app.manualRepStr = fieldText(field);
    app.notifyClose = true;
}

void grepWindow::applyForm(bool expand, bool isSelectRep)
{
    QWidget* w = widget();
    if (!w)
        return;
    QWidget* const confirmControls[] = {ui_.manualCheck, ui_.replaceButton, ui_.skipButton, ui_.checkTextBox};
    // The limits move the window on their way; only the user's resizing
    // sets the expanded height.
    switchingForm_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{switchingForm_};
    if (expand) {
        if (w->height() == compactHeight) {
            const int height = wideWinSize;
            w->setMaximumHeight(32000);
            w->setMinimumHeight(designHeight);
            for (QWidget* c : confirmControls)
                if (c)
                    c->show();
            w->resize(w->width(), height);
        }
        if (QWidget* c = ui_.replaceText)
            c->setVisible(isSelectRep);
        if (QWidget* c = ui_.replaceField)
            c->setVisible(!isSelectRep);
        return;
    }
    w->setMinimumHeight(compactHeight);
    w->setMaximumHeight(compactHeight);
    w->resize(w->width(), compactHeight);
    for (QWidget* c : confirmControls)
        if (c)
            c->hide();
    if (QWidget* c = ui_.replaceField)
        c->hide();
    if (QWidget* c = ui_.replaceText)
        c->show();
    setManualCheck(false, false);
}

void grepWindow::schedule()
{
    pending_->dirty = true;
    if (flushPosted_)
        return;
    flushPosted_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            flushPosted_ = false;
            guarded([this] { flush(); });
        },
        Qt::QueuedConnection);
}

void grepWindow::flush()
{
    if (!pending_->dirty)
        return;
    pending_->dirty = false;
    Pending& p = *pending_;
    if (p.title) {
        setTitle(*p.title);
        p.title.reset();
    }
    if (QProgressBar* bar = ui_.grepProgress) {
        // Maximum 0 (no rule count yet) shows the toolkit's busy animation,
        // as work goes on. The range first, so that a value beyond the old
        // maximum holds.
        if (bar->maximum() != p.maximum)
            bar->setRange(0, p.maximum);
        if (bar->value() != p.value)
            bar->setValue(p.value);
    }
    auto label = [](QLabel* l, const std::string& text) {
        if (l) {
            const QString t = qs(text);
            if (l->text() != t)
                l->setText(t);
        }
    };
    label(ui_.searchText, p.searchText);
    label(ui_.replaceText, p.replaceText);
    label(ui_.replaceCount, p.replaceCount);
    if (p.replaceField) {
        if (QPlainTextEdit* field = ui_.replaceField) {
            if (!fieldShows(field, *p.replaceField))
                setFieldText(field, *p.replaceField);
        }
        p.replaceField.reset();
    }
    if (p.check) {
        if (QCheckBox* check = ui_.manualCheck) {
            check->setEnabled(p.check->first);
            check->setChecked(p.check->second);
        }
        p.check.reset();
    }
}

void grepWindow::setPassTitle(const std::string& title)
{
    pending_->title = title;
    schedule();
}

void grepWindow::setProgressValue(int value)
{
    pending_->value = value;
    schedule();
}

void grepWindow::setProgressMaximum(int maximum)
{
    pending_->maximum = maximum;
    schedule();
}

void grepWindow::setSearchText(const std::string& text)
{
    pending_->searchText = text;
    schedule();
}

void grepWindow::setReplaceText(const std::string& text)
{
    pending_->replaceText = text;
    schedule();
}

void grepWindow::setReplaceCount(const std::string& text)
{
    pending_->replaceCount = text;
    schedule();
}

void grepWindow::setReplaceField(const std::string& text)
{
    pending_->replaceField = text;
    schedule();
}

void grepWindow::setManualCheck(bool enabled, bool checked)
{
    pending_->check = std::make_pair(enabled, checked);
    schedule();
}

int grepWindow::progressValue()
{
    flush();
    QProgressBar* bar = ui_.grepProgress;
    return bar ? bar->value() : pending_->value;
}

int grepWindow::progressMaximum()
{
    flush();
    // The maximum as written, 0 included.
    return pending_->maximum;
}

std::string grepWindow::searchText()
{
    flush();
    QLabel* l = ui_.searchText;
    return l ? l->text().toStdString() : pending_->searchText;
}

std::string grepWindow::replaceText()
{
    flush();
    QLabel* l = ui_.replaceText;
    return l ? l->text().toStdString() : pending_->replaceText;
}

std::string grepWindow::replaceCount()
{
    flush();
    QLabel* l = ui_.replaceCount;
    return l ? l->text().toStdString() : pending_->replaceCount;
}

std::string grepWindow::replaceField()
{
    flush();
    QPlainTextEdit* f = ui_.replaceField;
    return f ? fieldText(f) : pending_->replaceField.value_or(std::string());
}

int grepWindow::Left() const
{
    return widget() ? widget()->geometry().x() : 0;
}

int grepWindow::Top() const
{
    return widget() ? widget()->geometry().y() : 0;
}

int grepWindow::Width() const
{
    return widget() ? widget()->width() : 0;
}

int grepWindow::Height() const
{
    return widget() ? widget()->height() : 0;
}

std::string grepWindow::frame() const
{
    return Str(Left()) + "," + Str(Top()) + "," + Str(Width()) + "," + Str(wideWinSize);
}

} // namespace tv
