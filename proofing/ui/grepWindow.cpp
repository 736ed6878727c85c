#include "proofing/ui/grepWindow.h"

#include "app/core/AppState.h"
#include "platform/core/Dispatch.h"
#include "platform/core/Text.h"
#include "platform/ui/Controls.h"
#include "proofing/ui/CheckText.h"
#include "proofing/ui/selectPallete.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

#include <algorithm>
#include <optional>
#include <vector>

namespace tv {

namespace {

const char* const kLabelFont = "Hiragino Kaku Gothic Pro";
const char* const kButtonFont = "Lucida Grande";
const char* const kTextFont = "Osaka";

// How a control follows the window's edges when the window is resized.
enum Anchor { Fixed = 0, LeftRight = 1, ToRight = 2, ToBottom = 4, All = 8 };

struct Placement {
    const char* name;
    int left, top, width, height;
    int anchor;
};

// The design, 351 x 338, in the order the window creates its controls.
const std::vector<Placement>& placements()
{
    static const std::vector<Placement> table = {
        {"StaticText1", 17, 14, 69, 20, Fixed},
        {"StaticText2", 17, 40, 69, 20, Fixed},
        {"grepProgress", 17, 91, 216, 12, LeftRight},
        {"cancelButton", 241, 86, 93, 20, ToRight},
        {"StaticText3", 17, 66, 69, 20, Fixed},
        {"replaceCount", 92, 63, 234, 20, Fixed},
        {"replaceButton", 261, 301, 73, 20, ToRight | ToBottom},
        {"skipButton", 156, 301, 93, 20, ToRight | ToBottom},
        {"manualCheck", 15, 301, 116, 20, ToBottom},
        {"replaceField", 88, 36, 248, 21, LeftRight},
        {"checkTextBox", 16, 121, 319, 171, All},
        {"replaceText", 92, 36, 253, 22, LeftRight},
        {"searchText", 92, 11, 244, 20, LeftRight},
    };
    return table;
}

const std::vector<ControlSpec>& labelsAndButtons()
{
    static const std::vector<ControlSpec> table = {
        {.kind = ControlKind::Label, .name = "StaticText1", .text = "検索文字列：", .left = 17, .top = 14,
            .width = 69, .height = 20, .family = kLabelFont, .pixelSize = 12},
        {.kind = ControlKind::Label, .name = "StaticText2", .text = "置換文字列：", .left = 17, .top = 40,
            .width = 69, .height = 20, .family = kLabelFont, .pixelSize = 12},
        {.kind = ControlKind::PushButton, .name = "cancelButton", .text = "キャンセル", .left = 241, .top = 86,
            .width = 93, .height = 20, .family = kButtonFont, .pixelSize = 13, .helpTag = "校正をキャンセルします。"},
        {.kind = ControlKind::Label, .name = "StaticText3", .text = "置換した数：", .left = 17, .top = 66,
            .width = 69, .height = 20, .family = kLabelFont, .pixelSize = 12},
        {.kind = ControlKind::Label, .name = "replaceCount", .left = 92, .top = 63, .width = 234, .height = 20,
            .family = kTextFont, .pixelSize = 12},
        {.kind = ControlKind::PushButton, .name = "replaceButton", .text = "置換", .left = 261, .top = 301,
            .width = 73, .height = 20, .family = kButtonFont, .pixelSize = 13, .isDefault = true,
            .helpTag = "置換して次を検索します。"},
        {.kind = ControlKind::PushButton, .name = "skipButton", .text = "次を検索", .left = 156, .top = 301,
            .width = 93, .height = 20, .family = kButtonFont, .pixelSize = 13,
            .helpTag = "スキップして次を検索します。置換は行われません。"},
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
    buildControls(w, labelsAndButtons());

    auto* progress = new QProgressBar(w);
    progress->setObjectName(QStringLiteral("grepProgress"));
    progress->setTextVisible(false);
    progress->setRange(0, 0);
    progress->setValue(0);

    auto* check = new QCheckBox(QStringLiteral("確認を終了する"), w);
    check->setObjectName(QStringLiteral("manualCheck"));
    check->setToolTip(QStringLiteral("この確認ダイアログを出さないようにします。"));
    check->setFont(QFont(QString::fromUtf8(kButtonFont), -1));

    auto* field = new QPlainTextEdit(w);
    field->setObjectName(QStringLiteral("replaceField"));
    field->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    field->setToolTip(QStringLiteral("置換する文字列です。"));
    field->hide();

    // A plain text box lays out only the lines an edit touches, so marking
    // and replacing matches in a long text stays cheap; its characters still
    // take colours and underlines.
    auto* box = new QPlainTextEdit(w);
    box->setObjectName(QStringLiteral("checkTextBox"));
    box->setReadOnly(true);
    // Read-only, but with its insertion point shown at the match.
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    {
        QFont f(QString::fromUtf8(kTextFont));
        f.setPixelSize(12);
        box->setFont(f);
    }

    for (const char* name : {"replaceText", "searchText"}) {
        auto* label = new QLabel(w);
        label->setObjectName(QString::fromUtf8(name));
        label->setTextFormat(Qt::PlainText);
        QFont f(QString::fromUtf8(kTextFont));
        f.setPixelSize(12);
        label->setFont(f);
    }
    for (const char* name : {"replaceCount"})
        if (auto* label = w->findChild<QLabel*>(QString::fromUtf8(name)))
            label->setTextFormat(Qt::PlainText);

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
        QWidget* skip = control("skipButton");
        if (skip && skip->isVisible())
            skipButton_Action();
        else
            cancelButton_Action();
        return true;
    };
    setWidget(w);

    auto click = [this](const char* name, void (grepWindow::*action)()) {
        auto* b = controlAs<QPushButton>(name);
        QObject::connect(b, &QPushButton::clicked, b, [this, action] { guarded([&] { (this->*action)(); }); });
    };
    click("cancelButton", &grepWindow::cancelButton_Action);
    click("skipButton", &grepWindow::skipButton_Action);
    click("replaceButton", &grepWindow::replaceButton_Action);

    Event_Open();
    w->show();
}

grepWindow::~grepWindow() = default;

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
        auto field = [&](int n) { return toInt32(Val(NthField(stored, ",", n))); };
        // The limits hold against a damaged setting: the window stays usable.
        const int width = std::max(field(3), designWidth);
        wideWinSize = std::max(field(4), designHeight);
        w->setGeometry(field(1), field(2), width, compactHeight);
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
    QWidget* w = widget();
    if (!w)
        return;
    const int dx = w->width() - designWidth;
    const int dy = w->height() - designHeight;
    for (const Placement& p : placements()) {
        QWidget* c = control(p.name);
        if (!c)
            continue;
        int left = p.left, top = p.top, width = p.width, height = p.height;
        if (p.anchor & LeftRight)
            width += dx;
        if (p.anchor & ToRight)
            left += dx;
        if (p.anchor & ToBottom)
            top += dy;
        if (p.anchor & All) {
            width += dx;
            height += dy;
        }
        c->setGeometry(left, top, std::max(width, 0), std::max(height, 0));
    }
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
    if (auto* box = controlAs<QPlainTextEdit>("checkTextBox"))
        CheckText::of(box).load(text, fontOfSlot(FontSlotConfirm));
}

void grepWindow::setReplaceHelpTag(const std::string& tag)
{
    if (QWidget* field = control("replaceField")) {
        field->setToolTip(qs(tag));
        field->setWhatsThis(qs(tag));
    }
}

void grepWindow::markMatch(int64_t start, const std::string& matchText)
{
    selStart = static_cast<int32_t>(start);
    selLength = static_cast<int32_t>(Len(matchText));
    selText = matchText;
    if (auto* box = controlAs<QPlainTextEdit>("checkTextBox")) {
        CheckText& text = CheckText::of(box);
        text.setInsertionPoint(start);
        text.mark(start, selLength);
    }
}

void grepWindow::offerReplacement(const std::string& text)
{
    setReplaceField(text);
    flush();
    if (auto* field = controlAs<QPlainTextEdit>("replaceField")) {
        field->selectAll();
        widget()->activateWindow();
        field->setFocus(Qt::OtherFocusReason);
    }
}

bool grepWindow::manualCheckTicked()
{
    flush();
    auto* check = controlAs<QCheckBox>("manualCheck");
    return check && check->isEnabled() && check->isChecked();
}

void grepWindow::settleMatch(const std::string& text)
{
    auto* box = controlAs<QPlainTextEdit>("checkTextBox");
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
    if (auto* field = controlAs<QPlainTextEdit>("replaceField"))
        app.manualRepStr = field->toPlainText().toStdString();
    app.notifyClose = true;
}

void grepWindow::applyForm(bool expand, bool isSelectRep)
{
    QWidget* w = widget();
    if (!w)
        return;
    const char* confirmControls[] = {"manualCheck", "replaceButton", "skipButton", "checkTextBox"};
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
            for (const char* name : confirmControls)
                if (QWidget* c = control(name))
                    c->show();
            w->resize(w->width(), height);
        }
        if (QWidget* c = control("replaceText"))
            c->setVisible(isSelectRep);
        if (QWidget* c = control("replaceField"))
            c->setVisible(!isSelectRep);
        return;
    }
    w->setMinimumHeight(compactHeight);
    w->setMaximumHeight(compactHeight);
    w->resize(w->width(), compactHeight);
    for (const char* name : confirmControls)
        if (QWidget* c = control(name))
            c->hide();
    if (QWidget* c = control("replaceField"))
        c->hide();
    if (QWidget* c = control("replaceText"))
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
    if (auto* bar = controlAs<QProgressBar>("grepProgress")) {
        // The range first, so that a value beyond the old maximum holds.
        if (bar->maximum() != p.maximum)
            bar->setRange(0, p.maximum);
        if (bar->value() != p.value)
            bar->setValue(p.value);
    }
    auto label = [this](const char* name, const std::string& text) {
        if (auto* l = controlAs<QLabel>(name)) {
            const QString t = qs(text);
            if (l->text() != t)
                l->setText(t);
        }
    };
    label("searchText", p.searchText);
    label("replaceText", p.replaceText);
    label("replaceCount", p.replaceCount);
    if (p.replaceField) {
        if (auto* field = controlAs<QPlainTextEdit>("replaceField")) {
            const QString t = qs(*p.replaceField);
            if (field->toPlainText() != t)
                field->setPlainText(t);
        }
        p.replaceField.reset();
    }
    if (p.check) {
        if (auto* check = controlAs<QCheckBox>("manualCheck")) {
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
    auto* bar = controlAs<QProgressBar>("grepProgress");
    return bar ? bar->value() : pending_->value;
}

int grepWindow::progressMaximum()
{
    flush();
    auto* bar = controlAs<QProgressBar>("grepProgress");
    return bar ? bar->maximum() : pending_->maximum;
}

std::string grepWindow::searchText()
{
    flush();
    auto* l = controlAs<QLabel>("searchText");
    return l ? l->text().toStdString() : pending_->searchText;
}

std::string grepWindow::replaceText()
{
    flush();
    auto* l = controlAs<QLabel>("replaceText");
    return l ? l->text().toStdString() : pending_->replaceText;
}

std::string grepWindow::replaceCount()
{
    flush();
    auto* l = controlAs<QLabel>("replaceCount");
    return l ? l->text().toStdString() : pending_->replaceCount;
}

std::string grepWindow::replaceField()
{
    flush();
    auto* f = controlAs<QPlainTextEdit>("replaceField");
    return f ? f->toPlainText().toStdString() : pending_->replaceField.value_or(std::string());
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
