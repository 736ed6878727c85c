#include "trial/ui/grepWizardWindow.h"

#include "app/core/AppState.h"
#include "app/ui/Fonts.h"
#include "app/ui/MenuItems.h"
#include "app/ui/Shell.h"
#include "platform/core/Dispatch.h"
#include "platform/core/Errors.h"
#include "platform/core/Thread.h"
#include "platform/ui/Controls.h"
#include "platform/ui/FocusTracker.h"
#include "trial/core/PaletteFields.h"
#include "trial/core/PaletteFold.h"
#include "trial/core/PatternGuides.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolButton>

#include <algorithm>
#include <initializer_list>

namespace tv {

namespace {

const char* const kLabelFont = "Hiragino Kaku Gothic Pro";
const char* const kButtonFont = "Lucida Grande";
const char* const kTextFont = "Osaka";
const char* const kGroup = "GroupBox1";
constexpr unsigned kBottom = AnchorLeft | AnchorBottom;
constexpr unsigned kTopBottom = AnchorLeft | AnchorTop | AnchorBottom;

QString qs(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string utf8(const QString& s)
{
    const QByteArray b = s.toUtf8();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

// The design, 778 x 498, in the order the window creates its controls.
const std::vector<ControlSpec>& controlTable()
{
    static const std::vector<ControlSpec> table = [] {
        std::vector<ControlSpec> t = {
            {.kind = ControlKind::GroupBox, .name = kGroup, .text = "正規表現", .left = 14, .top = 353,
                .width = 750, .height = 125, .family = kButtonFont, .pixelSize = 13, .anchor = kBottom},
            {.kind = ControlKind::Label, .name = "StaticText1", .text = "検索文字列：", .left = 20, .top = 247,
                .width = 82, .height = 20, .family = kLabelFont, .pixelSize = 12, .anchor = kBottom},
            {.kind = ControlKind::TextField, .name = "find", .left = 20, .top = 266, .width = 361, .height = 22,
                .family = kTextFont, .pixelSize = 12, .anchor = kBottom},
            {.kind = ControlKind::Label, .name = "StaticText2", .text = "置換文字列：", .left = 395, .top = 247,
                .width = 82, .height = 20, .family = kLabelFont, .pixelSize = 12, .anchor = kBottom},
            {.kind = ControlKind::TextField, .name = "replace", .left = 395, .top = 266, .width = 359,
                .height = 22, .family = kTextFont, .pixelSize = 12, .anchor = kBottom},
            {.kind = ControlKind::Label, .name = "searchCaption", .text = "検索対象：", .left = 20, .top = 14,
                .width = 258, .height = 20, .family = kLabelFont, .pixelSize = 12},
            {.kind = ControlKind::Label, .name = "StaticText5", .text = "置換結果：", .left = 395, .top = 14,
                .width = 82, .height = 20, .family = kLabelFont, .pixelSize = 12},
            {.kind = ControlKind::TextArea, .name = "result", .left = 395, .top = 33, .width = 359, .height = 202,
                .family = kButtonFont, .pixelSize = 13, .color = "#000000", .anchor = kTopBottom},
            {.kind = ControlKind::TextArea, .name = "source", .left = 20, .top = 33, .width = 361, .height = 202,
                .family = kButtonFont, .pixelSize = 13, .color = "#000000", .anchor = kTopBottom},
        };
        // Two rows of eight guide buttons, each overlapping its right and
        // lower neighbour by one pixel.
        const std::vector<GuideMenu>& menus = guideMenus();
        for (int i = 0; i < 16; ++i) {
            const int column = i % 4;
            const int row = (i / 4) % 2;
            const int left = (i < 8 ? 21 : 394) + 90 * column;
            t.push_back({.kind = ControlKind::BevelButton, .name = "grepGuideBtn",
                .text = menus[size_t(i)].caption.c_str(), .left = left, .top = 427 + 21 * row, .width = 91,
                .height = 22, .family = kButtonFont, .pixelSize = 13, .focusOnClick = false, .group = kGroup,
                .index = i});
        }
        const std::vector<ControlSpec> rest = {
            {.kind = ControlKind::Label, .name = "StaticText6", .text = "正規表現ガイド：", .left = 21, .top = 409,
                .width = 102, .height = 20, .family = kLabelFont, .pixelSize = 12, .group = kGroup},
            {.kind = ControlKind::Label, .name = "StaticText7", .text = "よく使う正規表現：", .left = 394,
                .top = 409, .width = 114, .height = 20, .family = kLabelFont, .pixelSize = 12, .group = kGroup},
            {.kind = ControlKind::CheckBox, .name = "isGrep", .text = "正規表現を使用", .left = 154, .top = 298,
                .width = 116, .height = 20, .family = kButtonFont, .pixelSize = 13, .anchor = kBottom},
            {.kind = ControlKind::CheckBox, .name = "isAutoUpdate", .text = "検索・置換結果を自動更新", .left = 483,
                .top = 298, .width = 181, .height = 20, .family = kButtonFont, .pixelSize = 13, .anchor = kBottom},
            {.kind = ControlKind::PushButton, .name = "updateBtn", .text = "更新", .left = 674, .top = 298,
                .width = 80, .height = 20, .family = kButtonFont, .pixelSize = 13, .anchor = kBottom},
            {.kind = ControlKind::CheckBox, .name = "isCaseSensitive", .text = "英大小文字を区別", .left = 19,
                .top = 298, .width = 130, .height = 20, .family = kButtonFont, .pixelSize = 13, .anchor = kBottom},
            {.kind = ControlKind::CheckBox, .name = "isGreedy", .text = "貪欲な最長マッチ", .left = 20, .top = 377,
                .width = 133, .height = 20, .family = kButtonFont, .pixelSize = 13, .group = kGroup},
            {.kind = ControlKind::CheckBox, .name = "isDotMatchAll", .text = "改行を . にマッチ", .left = 154,
                .top = 377, .width = 139, .height = 20, .family = kButtonFont, .pixelSize = 13, .group = kGroup},
            {.kind = ControlKind::CheckBox, .name = "isMatchEmpty", .text = "空文字列にマッチ", .left = 297,
                .top = 377, .width = 168, .height = 20, .family = kButtonFont, .pixelSize = 13, .group = kGroup},
            {.kind = ControlKind::DisclosureTriangle, .name = "DisclosureTriangle1", .left = 20, .top = 324,
                .width = 18, .height = 18, .anchor = kBottom, .focusOnClick = false},
            {.kind = ControlKind::BevelButton, .name = "insWildCard", .text = "ワイルドカード", .left = 282,
                .top = 300, .width = 99, .height = 18, .family = kButtonFont, .pixelSize = 11, .anchor = kBottom,
                .focusOnClick = false},
        };
        t.insert(t.end(), rest.begin(), rest.end());
        return t;
    }();
    return table;
}

// The window's Qt side: reports every change of its size.
class PaletteWidget : public QWidget {
public:
    std::function<void()> resized;

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        if (resized)
            guarded(resized);
    }
};

// A guide row as its menu shows it: the piece, then the description in the
// column a menu keeps for shortcuts (the first TAB starts it, so the run of
// TABs that sets the description apart becomes one), "&" doubled.
QString shownRow(const std::string& row)
{
    const std::string piece = guidePiece(row);
    const size_t description = row.find_first_not_of('\t', piece.size());
    if (description == std::string::npos)
        return qs(guideCaption(piece));
    return qs(guideCaption(piece + "\t" + row.substr(description)));
}

QTextCharFormat markFormat()
{
    QTextCharFormat f;
    f.setForeground(QColor(255, 0, 0));
    f.setFontUnderline(true);
    return f;
}

// Draws the marks over the box's text, which is `text` (CR line ends).
void showMarks(QPlainTextEdit* box, const std::string& text, const std::vector<TextMark>& marks)
{
    QList<QTextEdit::ExtraSelection> selections;
    const QTextCharFormat format = markFormat();
    const int end = box->document()->characterCount() - 1;
    for (const DocumentPositions::Range& r : documentRanges(text, marks)) {
        QTextCursor c(box->document());
        c.setPosition(std::clamp(int(r.start), 0, end));
        c.setPosition(std::clamp(int(r.end), 0, end), QTextCursor::KeepAnchor);
        selections.append({c, format});
    }
    box->setExtraSelections(selections);
}

void setFontIfOther(QWidget* w, const QFont& font)
{
    if (w && w->font() != font)
        w->setFont(font);
}

// The text as the box holds it, every break one U+2029: nothing of it is
// turned into something else (a plain-text copy makes no-break spaces
// spaces).
QString rawText(const QPlainTextEdit* box)
{
    return box->document()->toRawText();
}

} // namespace

grepWizardWindow& grepWizardWindow::instance()
{
    return SingleWindow<grepWizardWindow>::get();
}

grepWizardWindow* grepWizardWindow::existing()
{
    return SingleWindow<grepWizardWindow>::isOpen() ? SingleWindow<grepWizardWindow>::existing() : nullptr;
}

grepWizardWindow::grepWizardWindow() : Window("grepWizardWindow")
{
    // An ordinary window with a close box, no zoom and no minimise button. A
    // palette of the application: no menu bar of its own, the menus'
    // shortcuts reach it.
    auto* window = new PaletteWidget;
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
            | Qt::WindowCloseButtonHint);
    window->setWindowTitle(QStringLiteral("お試し検索パレット"));
    window->setMinimumSize(kPaletteWidth, kCollapsedMinimumHeight);
    window->setMaximumSize(kPaletteWidth, kPaletteMaximumHeight);
    window->resize(kPaletteWidth, kPaletteDesignHeight);
    anchoredHeight_ = foldHeight_ = kPaletteDesignHeight;
    buildControls(window, controlTable());

    ui_.source = bindControl<QPlainTextEdit>(window, "source");
    ui_.result = bindControl<QPlainTextEdit>(window, "result");
    ui_.find = bindControl<QLineEdit>(window, "find");
    ui_.replace = bindControl<QLineEdit>(window, "replace");
    ui_.searchCaption = bindControl<QLabel>(window, "searchCaption");
    ui_.isGrep = bindControl<QCheckBox>(window, "isGrep");
    ui_.isCaseSensitive = bindControl<QCheckBox>(window, "isCaseSensitive");
    ui_.isGreedy = bindControl<QCheckBox>(window, "isGreedy");
    ui_.isDotMatchAll = bindControl<QCheckBox>(window, "isDotMatchAll");
    ui_.isMatchEmpty = bindControl<QCheckBox>(window, "isMatchEmpty");
    ui_.isAutoUpdate = bindControl<QCheckBox>(window, "isAutoUpdate");
    ui_.updateBtn = bindControl<QPushButton>(window, "updateBtn");
    ui_.DisclosureTriangle1 = bindControl<QToolButton>(window, "DisclosureTriangle1");
    ui_.insWildCard = bindControl<QToolButton>(window, "insWildCard");
    ui_.GroupBox1 = bindControl<QGroupBox>(window, kGroup);
    for (QWidget* b : controlArray(window, "grepGuideBtn")) {
        auto* button = qobject_cast<QToolButton*>(b);
        if (!button)
            throw NilObjectException("no control grepGuideBtn of type QToolButton");
        ui_.grepGuideBtn.emplace_back(button);
    }

    ui_.result->setReadOnly(true);
    // Read-only, but its text can still be selected and copied.
    ui_.result->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    for (QPlainTextEdit* box : {ui_.source.data(), ui_.result.data()})
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // A click on a box or on "更新" leaves the keyboard focus in the field
    // that has it, so that a guide row chosen next still goes there; Tab
    // still reaches them.
    for (QWidget* c : std::initializer_list<QWidget*>{ui_.isGrep, ui_.isCaseSensitive, ui_.isGreedy,
             ui_.isDotMatchAll, ui_.isMatchEmpty, ui_.isAutoUpdate, ui_.updateBtn})
        c->setFocusPolicy(Qt::TabFocus);
    ui_.isAutoUpdate->setChecked(true);
    ui_.insWildCard->setEnabled(false);
    // Open, as the design has it; the opening folds the group away.
    ui_.DisclosureTriangle1->setChecked(true);
    ui_.GroupBox1->show();
    sourceSeen_ = rawText(ui_.source);

    preview_ = std::make_unique<TrialPreview>(
        [this] { return readFields(); }, [this](const TrialOutcome& o) { present(o); },
        [this] {
            yieldToOthers();
            if (step_)
                step_();
        });

    window->resized = [this] { windowResized(); };
    setWidget(window);

    Shell& a = shell();
    const std::pair<QWidget*, TrialField> fields[] = {
        {ui_.source, TrialField::Source}, {ui_.find, TrialField::Find}, {ui_.replace, TrialField::Replace}};
    for (const auto& [field, code] : fields)
        trackFocus(field, focusCode(code), &a.editFieldNo, [] { shell().EnableMenuItems(); });

    auto handle = [](void (grepWizardWindow::*handler)(), grepWizardWindow* self) {
        return [self, handler] { guarded([&] { (self->*handler)(); }); };
    };
    QObject::connect(ui_.find, &QLineEdit::textChanged, ui_.find, handle(&grepWizardWindow::find_TextChange, this));
    QObject::connect(ui_.replace, &QLineEdit::textChanged, ui_.replace,
        handle(&grepWizardWindow::replace_TextChange, this));
    QObject::connect(ui_.source, &QPlainTextEdit::textChanged, ui_.source, [this] {
        // The box reports its font and format changes too; only a change of
        // the text is one.
        QString now = rawText(ui_.source);
        if (now == sourceSeen_)
            return;
        sourceSeen_ = std::move(now);
        guarded([this] { source_TextChange(); });
    });
    QObject::connect(ui_.source, &QPlainTextEdit::cursorPositionChanged, ui_.source,
        handle(&grepWizardWindow::source_SelChange, this));
    QObject::connect(ui_.source, &QPlainTextEdit::selectionChanged, ui_.source,
        handle(&grepWizardWindow::source_SelChange, this));
    const std::pair<QCheckBox*, void (grepWizardWindow::*)()> boxes[] = {
        {ui_.isGrep, &grepWizardWindow::isGrep_Action},
        {ui_.isAutoUpdate, &grepWizardWindow::isAutoUpdate_Action},
        {ui_.isCaseSensitive, &grepWizardWindow::isCaseSensitive_Action},
        {ui_.isGreedy, &grepWizardWindow::isGreedy_Action},
        {ui_.isDotMatchAll, &grepWizardWindow::isDotMatchAll_Action},
        {ui_.isMatchEmpty, &grepWizardWindow::isMatchEmpty_Action},
    };
    for (const auto& [box, handler] : boxes)
        QObject::connect(box, &QCheckBox::toggled, box, handle(handler, this));
    QObject::connect(ui_.updateBtn, &QPushButton::clicked, ui_.updateBtn,
        handle(&grepWizardWindow::updateBtn_Action, this));
    QObject::connect(ui_.DisclosureTriangle1, &QToolButton::toggled, ui_.DisclosureTriangle1,
        handle(&grepWizardWindow::DisclosureTriangle1_Action, this));
    QObject::connect(ui_.insWildCard, &QToolButton::clicked, ui_.insWildCard,
        handle(&grepWizardWindow::insWildCard_Action, this));

    bindMenuHandler("selectAllMenu", [this](int) { return _selectAllMenu_Action(); });
    bindMenuHandler("winclose", [this](int) { return _winclose_Action(); });

    Event_Open();
    // Centred on the main screen.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
    }
    Show();
}

grepWizardWindow::~grepWizardWindow() = default;

void grepWizardWindow::Event_Open()
{
    // Setting it closed folds the group away: the palette opens collapsed.
    ui_.DisclosureTriangle1->setChecked(false);
    const QFont font = fontOfSlot(FontSlotTrial);
    setFontIfOther(ui_.source, font);
    setFontIfOther(ui_.result, font);

    const std::vector<GuideMenu>& menus = guideMenus();
    for (size_t i = 0; i < menus.size() && i < ui_.grepGuideBtn.size(); ++i) {
        QToolButton* button = ui_.grepGuideBtn[i];
        auto* menu = new QMenu(button);
        for (const GuideItem& item : menus[i].items) {
            if (item.separator) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(shownRow(item.row));
            // The piece travels with its own item: numbering items would
            // count the separators.
            action->setData(qs(guidePiece(item.row)));
            const int index = int(i);
            QObject::connect(action, &QAction::triggered, menu, [this, index, action] {
                guarded([&] { grepGuideBtn_Action(index, utf8(action->data().toString())); });
            });
        }
        attachPopupMenu(button, menu);
        guideMenus_.emplace_back(menu);
    }
}

void grepWizardWindow::DisclosureTriangle1_Action()
{
    QWidget* w = widget();
    QToolButton* triangle = ui_.DisclosureTriangle1;
    if (!w || !triangle)
        return;
    const PaletteFold fold = paletteFold(triangle->isChecked(), triangle->geometry().top(),
                                         triangle->geometry().height());
    // The window grows or shrinks at its bottom edge alone: the controls stay
    // where they are, uncovering or cutting off the group, until the user
    // resizes the window. The resize events this change raises are told apart
    // by their height.
    const int height = std::clamp(fold.height, fold.minimumHeight, kPaletteMaximumHeight);
    anchored_ = false;
    foldHeight_ = height;
    anchoredHeight_ = height;
    if (fold.minimumFirst)
        w->setMinimumHeight(fold.minimumHeight);
    w->resize(w->width(), height);
    if (!fold.minimumFirst)
        w->setMinimumHeight(fold.minimumHeight);
    if (QGroupBox* group = ui_.GroupBox1)
        group->setVisible(fold.groupShown);
}

void grepWizardWindow::windowResized()
{
    QWidget* w = widget();
    if (!w)
        return;
    if (!anchored_ && w->height() == foldHeight_) {
        anchoredHeight_ = foldHeight_;
        return;
    }
    Event_Resizing();
}

void grepWizardWindow::Event_Resizing()
{
    QWidget* w = widget();
    if (!w)
        return;
    anchored_ = true;
    offset_ += w->height() - anchoredHeight_;
    anchoredHeight_ = w->height();
    layoutControls();
}

void grepWizardWindow::layoutControls()
{
    if (QWidget* w = widget())
        tv::layoutControls(w, controlTable(), QSize(w->width(), w->height() - offset_));
}

TrialRequest grepWizardWindow::readFields()
{
    TrialRequest r;
    if (QPlainTextEdit* source = ui_.source) {
        r.sample = utf8(rawText(source));
        const QTextCursor c = source->textCursor();
        selectionStart_ = std::min(c.anchor(), c.position());
    }
    if (QLineEdit* find = ui_.find)
        r.search = utf8(find->text());
    if (QLineEdit* replace = ui_.replace)
        r.replacement = utf8(replace->text());
    auto ticked = [](QCheckBox* box) { return box && box->isChecked(); };
    r.options.regex = ticked(ui_.isGrep);
    r.options.caseSensitive = ticked(ui_.isCaseSensitive);
    r.options.greedy = ticked(ui_.isGreedy);
    r.options.dotMatchAll = ticked(ui_.isDotMatchAll);
    // isMatchEmpty only re-runs the preview; the engine keeps its own default.
    return r;
}

void grepWizardWindow::present(const TrialOutcome& outcome)
{
    QPlainTextEdit* source = ui_.source;
    QPlainTextEdit* result = ui_.result;
    if (!source || !result)
        return;
    const QFont font = fontOfSlot(FontSlotTrial);
    setFontIfOther(source, font);
    showMarks(source, outcome.sample, outcome.sourceMarks);
    if (outcome.caption)
        if (QLabel* caption = ui_.searchCaption)
            caption->setText(qs(*outcome.caption));
    int resultCaret = 0;
    if (outcome.result) {
        QString text = qs(*outcome.result);
        text.replace(QLatin1Char('\r'), QChar::ParagraphSeparator);
        result->setPlainText(text);
        setFontIfOther(result, font);
        showMarks(result, *outcome.result, outcome.resultMarks);
        if (!outcome.resultMarks.empty())
            resultCaret = int(documentRanges(*outcome.result, {outcome.resultMarks.back()}).front().start);
    } else {
        resultCaret = std::min(result->textCursor().anchor(), result->textCursor().position());
    }
    // The sample's selection collapses to its start, the result's too.
    QTextCursor c = source->textCursor();
    c.setPosition(std::clamp(selectionStart_, 0, source->document()->characterCount() - 1));
    if (c != source->textCursor())
        source->setTextCursor(c);
    QTextCursor rc = result->textCursor();
    rc.setPosition(std::clamp(resultCaret, 0, result->document()->characterCount() - 1));
    result->setTextCursor(rc);
}

void grepWizardWindow::runPreview()
{
    if (preview_)
        preview_->run();
}

int grepWizardWindow::previewRuns() const
{
    return preview_ ? preview_->runCount() : 0;
}

void grepWizardWindow::setPreviewStep(std::function<void()> step)
{
    step_ = std::move(step);
}

void grepWizardWindow::runIfAutoUpdate()
{
    if (ui_.isAutoUpdate && ui_.isAutoUpdate->isChecked())
        runPreview();
}

void grepWizardWindow::find_TextChange()
{
    runIfAutoUpdate();
}

void grepWizardWindow::replace_TextChange()
{
    runIfAutoUpdate();
}

void grepWizardWindow::source_TextChange()
{
    runIfAutoUpdate();
}

void grepWizardWindow::source_SelChange()
{
    // The widget's font, not the document's: nothing of the text changes.
    setFontIfOther(ui_.source, fontOfSlot(FontSlotTrial));
}

void grepWizardWindow::isGrep_Action()
{
    if (ui_.insWildCard && ui_.isGrep)
        ui_.insWildCard->setEnabled(ui_.isGrep->isChecked());
    runIfAutoUpdate();
}

void grepWizardWindow::isAutoUpdate_Action()
{
    runIfAutoUpdate();
}

void grepWizardWindow::updateBtn_Action()
{
    runPreview();
}

void grepWizardWindow::isCaseSensitive_Action()
{
    runIfAutoUpdate();
}

void grepWizardWindow::isGreedy_Action()
{
    runIfAutoUpdate();
}

void grepWizardWindow::isDotMatchAll_Action()
{
    runIfAutoUpdate();
}

void grepWizardWindow::isMatchEmpty_Action()
{
    runIfAutoUpdate();
}

void grepWizardWindow::insertIntoFocusedField(const std::string& text)
{
    QLineEdit* field = nullptr;
    switch (insertionField(shell().editFieldNo)) {
    case TrialField::Find: field = ui_.find; break;
    case TrialField::Replace: field = ui_.replace; break;
    default: break;
    }
    // In place of the selection, the caret after it, as after typing.
    if (field)
        field->insert(qs(text));
}

void grepWizardWindow::grepGuideBtn_Action(int /*index*/, const std::string& piece)
{
    insertIntoFocusedField(piece);
}

void grepWizardWindow::insWildCard_Action()
{
    const std::string replacement = ui_.replace ? utf8(ui_.replace->text()) : std::string();
    if (const std::optional<std::string> text = wildcardInsertion(insertionField(shell().editFieldNo), replacement))
        insertIntoFocusedField(*text);
}

QToolButton* grepWizardWindow::guideButton(int index) const
{
    return index >= 0 && size_t(index) < ui_.grepGuideBtn.size() ? ui_.grepGuideBtn[size_t(index)].data() : nullptr;
}

QMenu* grepWizardWindow::guideMenu(int index) const
{
    return index >= 0 && size_t(index) < guideMenus_.size() ? guideMenus_[size_t(index)].data() : nullptr;
}

void grepWizardWindow::Event_EnableMenuItems()
{
    winclose().setEnabled(true);
}

bool grepWizardWindow::_selectAllMenu_Action()
{
    switch (fieldOfCode(shell().editFieldNo)) {
    case TrialField::Source:
        if (ui_.source)
            ui_.source->selectAll();
        break;
    case TrialField::Find:
        if (ui_.find)
            ui_.find->selectAll();
        break;
    case TrialField::Replace:
        if (ui_.replace)
            ui_.replace->selectAll();
        break;
    case TrialField::None:
        break;
    }
    return false;
}

bool grepWizardWindow::_winclose_Action()
{
    Close();
    return false;
}

void registerTrialPalette()
{
    registerWindowFactory("grepWizardWindow", [] { return SingleWindow<grepWizardWindow>::shared(); });
}

} // namespace tv
