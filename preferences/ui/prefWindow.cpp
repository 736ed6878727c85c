#include "preferences/ui/prefWindow.h"

#include "app/ui/MenuItems.h"
#include "app/ui/Pictures.h"
#include "app/ui/Shell.h"
#include "platform/core/Dispatch.h"
#include "platform/core/Services.h"
#include "platform/core/Text.h"
#include "platform/core/Thread.h"
#include "platform/ui/Controls.h"
#include "platform/ui/FocusTracker.h"
#include "preferences/core/PreferenceValues.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QToolBar>

#include <limits>

namespace tv {

namespace {

// The faces of the design, each followed by ones about as wide that Linux
// desktops have.
const char* const kLabelFont = "Lucida Grande,Liberation Sans,Arial,DejaVu Sans Condensed";
const char* const kFieldFont = "Osaka,IPAGothic,Noto Sans CJK JP,DejaVu Sans";
const char* const kHeadingFont = "ヒラギノ角ゴ Pro W6,IPAPGothic,Noto Sans CJK JP,DejaVu Sans";

const int kWidth = 373;
const int kDesignHeight = 251;

ControlSpec heading(const char* name, const char* text)
{
    return {.kind = ControlKind::Label, .name = name, .text = text, .left = 20, .top = 14, .width = 222, .height = 20,
        .family = kHeadingFont, .pixelSize = 13};
}

ControlSpec label(const char* name, const char* text, int left, int top, int width, int height)
{
    return {.kind = ControlKind::Label, .name = name, .text = text, .left = left, .top = top, .width = width,
        .height = height, .family = kLabelFont, .pixelSize = 13};
}

ControlSpec field(const char* name, int left, int top, int width, const char* helpTag)
{
    return {.kind = ControlKind::TextField, .name = name, .left = left, .top = top, .width = width, .height = 22,
        .family = kFieldFont, .pixelSize = 12, .helpTag = helpTag};
}

ControlSpec control(ControlKind kind, const char* name, const char* text, int left, int top, int width,
    const char* helpTag = nullptr)
{
    return {.kind = kind, .name = name, .text = text, .left = left, .top = top, .width = width, .height = 20,
        .family = kLabelFont, .pixelSize = 13, .helpTag = helpTag};
}

const char* const kSizes = "9\t10\t11\t12\t13\t14\t18\t24\t36";

// One table per page, then the window's own controls.
const std::array<std::vector<ControlSpec>, kPageCount>& pageControls()
{
    static const std::array<std::vector<ControlSpec>, kPageCount> tables = {{
        {
            heading("StaticText22", "校正の設定"),
            control(ControlKind::CheckBox, "isFastProof", "高速モード（校正中に置換件数を表示しない）", 33, 36, 301),
            control(ControlKind::CheckBox, "isLogging", "校正ログを出力（高速モードでは出力しない）", 33, 68, 301),
            control(ControlKind::CheckBox, "isAutoWorkFrow", "ワークスペースを開いた時、自動で校正を開始", 33, 100, 301),
        },
        {
            heading("StaticText16", "校正対象書類のフィルタ"),
            label("StaticText7", "タイプ:", 34, 39, 55, 20),
            field("typeField", 101, 39, 226, "校正の対象となるファイルのタイプをカンマ区切りで列挙します。"),
            label("StaticText8", "拡張子:", 34, 76, 55, 20),
            field("extensionField", 101, 76, 226, "校正の対象となるファイルの拡張子をカンマ区切りで列挙します。"),
        },
        {
            heading("StaticText17", "保存時の設定"),
            label("StaticText4", "ファイル名:", 34, 39, 79, 18),
            field("preField", 123, 38, 74, "校正の結果、保存されるファイルの先頭に付加される文字列を指定します。"),
            label("StaticText9", "〜", 200, 43, 20, 18),
            field("appendField", 216, 38, 74, "校正の結果、保存されるファイル名の末尾に付加される文字列を指定します。"),
            {.kind = ControlKind::Label, .name = "StaticText10", .text = ".", .left = 295, .top = 46, .width = 13,
                .height = 18, .family = kLabelFont, .pixelSize = 13, .bold = true},
            field("extField", 305, 38, 38, "校正の結果、保存されるファイル名の拡張子を変更します。"),
            {.kind = ControlKind::Label, .name = "filenameSample", .left = 123, .top = 61, .width = 220, .height = 20,
                .family = kLabelFont, .pixelSize = 10},
            label("StaticText5", "クリエータ:", 34, 87, 85, 20),
            field("creatorField", 123, 87, 52, "校正結果ファイルのクリエータを変更する場合は、ここで指定します。"),
            control(ControlKind::PushButton, "creatorButton", "参照", 192, 87, 69,
                "アプリケーションを選択してクリエータを取得します。"),
            label("StaticText6", "保存場所:", 34, 123, 65, 20),
            control(ControlKind::RadioButton, "saveRadio1", "元ファイルと同じ", 120, 123, 130,
                "入力ファイルと同じ階層に校正結果ファイルを作ります。"),
            control(ControlKind::RadioButton, "saveRadio2", "毎回指定する", 253, 123, 100, "保存の度にダイアログで指定します。"),
            control(ControlKind::RadioButton, "saveRadio3", "固定", 120, 149, 52, "常に下記のフォルダに保存します。"),
            control(ControlKind::PushButton, "saveplaceButton", "選択", 192, 149, 69,
                "校正結果ファイルの保存場所を選択します。"),
            {.kind = ControlKind::Label, .name = "savePlace", .left = 45, .top = 175, .width = 308, .height = 20,
                .family = kLabelFont, .pixelSize = 10},
        },
        {
            heading("StaticText18", "校正結果の通知方法"),
            label("StaticText1", "対象ファイル:", 34, 39, 85, 20),
            control(ControlKind::PopUpMenu, "fileMenu", "一個の時\t複数の時\tどちらも", 141, 39, 186),
            label("StaticText2", "校正箇所:", 34, 71, 85, 20),
            control(ControlKind::PopUpMenu, "proofPointMenu", "ある場合\tない場合\tどちらも", 141, 72, 186),
            label("StaticText3", "通知方法:", 34, 103, 85, 20),
            control(ControlKind::PopUpMenu, "alarmMenu", "ダイアログで表示\tシステム警告音で通知\t何もしない", 141, 104, 186),
        },
        {
            heading("StaticText19", "表示フォントの設定"),
            label("StaticText11", "辞書編集:", 34, 39, 95, 20),
            control(ControlKind::PopUpMenu, "fontName(0)", "", 141, 39, 156),
            control(ControlKind::ComboBox, "fontSize(0)", kSizes, 309, 39, 48),
            label("StaticText12", "校正確認画面:", 34, 71, 95, 20),
            control(ControlKind::PopUpMenu, "fontName(1)", "", 141, 72, 156),
            control(ControlKind::ComboBox, "fontSize(1)", kSizes, 309, 72, 48),
            label("StaticText13", "選択置換リスト:", 34, 103, 95, 20),
            control(ControlKind::PopUpMenu, "fontName(2)", "", 141, 104, 156),
            control(ControlKind::ComboBox, "fontSize(2)", kSizes, 309, 104, 48),
            label("StaticText14", "お試し検索画面:", 34, 135, 95, 20),
            control(ControlKind::PopUpMenu, "fontName(3)", "", 141, 136, 156),
            control(ControlKind::ComboBox, "fontSize(3)", kSizes, 309, 136, 48),
        },
    }};
    return tables;
}

// The two buttons come after the page panel, so that they lie above it, and
// keep their distance to the bottom edge whatever the page's height.
const std::vector<ControlSpec>& buttonControls()
{
    static const std::vector<ControlSpec> table = {
        {.kind = ControlKind::Line, .name = "bottomLine(0)", .left = 0, .top = 133, .width = kWidth, .height = 1},
        {.kind = ControlKind::Line, .name = "bottomLine(1)", .left = 0, .top = 111, .width = kWidth, .height = 1},
        {.kind = ControlKind::Line, .name = "bottomLine(2)", .left = 0, .top = 205, .width = kWidth, .height = 1},
        {.kind = ControlKind::Line, .name = "bottomLine(3)", .left = 0, .top = 129, .width = kWidth, .height = 1},
        {.kind = ControlKind::Line, .name = "bottomLine(4)", .left = 0, .top = 168, .width = kWidth, .height = 1},
        {.kind = ControlKind::PushButton, .name = "cancelButton", .text = "キャンセル", .left = 184, .top = 219,
            .width = 98, .height = 20, .family = kLabelFont, .pixelSize = 13, .anchor = AnchorLeft | AnchorBottom},
        {.kind = ControlKind::PushButton, .name = "finishButton", .text = "終了", .left = 294, .top = 219, .width = 69,
            .height = 20, .family = kLabelFont, .pixelSize = 13, .isDefault = true,
            .anchor = AnchorLeft | AnchorBottom},
    };
    return table;
}

// A control array's member k is built as "name(k)"; afterwards it answers to
// the array's name and carries its index.
template <class T>
T* arrayMember(QWidget* parent, const char* name, int index)
{
    const std::string built = std::string(name) + "(" + Str(int64_t(index)) + ")";
    T* w = bindControl<T>(parent, built.c_str());
    w->setObjectName(QString::fromUtf8(name));
    w->setProperty("index", index);
    return w;
}

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

std::string str(const QString& s)
{
    return s.toStdString();
}

} // namespace

prefWindow::prefWindow() : Window("prefWindow")
{
    Shell& a = shell();
    Window* front = Window::front();
    auto* window = new QMainWindow;
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    window->setWindowTitle(QStringLiteral("環境設定"));
    a.MenuBar().attachTo(window->menuBar());
    auto* toolbar = new QToolBar(window);
    toolbar->setObjectName(QStringLiteral("prefToolbar"));
    toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    // Five captions under their icons fit the window's width in small type.
    toolbar->setIconSize(QSize(24, 24));
    toolbar->setStyleSheet(QStringLiteral("QToolButton { padding: 0px 1px; font-size: 11px; }"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->toggleViewAction()->setEnabled(false);
    toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    window->addToolBar(toolbar);
    window->setContextMenuPolicy(Qt::NoContextMenu);
    prefToolbar_ = toolbar;

    auto* content = new QWidget(window);
    content->setObjectName(QStringLiteral("pageArea"));
    window->setCentralWidget(content);
    content_ = content;

    auto* panel = new QStackedWidget(content);
    panel->setObjectName(QStringLiteral("prefPagePanel"));
    panel->setGeometry(0, 0, kWidth, 207);
    for (const std::vector<ControlSpec>& table : pageControls()) {
        auto* page = new QWidget(panel);
        buildControls(page, table);
        panel->addWidget(page);
    }
    panel->setCurrentIndex(0);
    prefPagePanel_ = panel;
    buildControls(content, buttonControls());

    isFastProof_ = bindControl<QCheckBox>(content, "isFastProof");
    isLogging_ = bindControl<QCheckBox>(content, "isLogging");
    isAutoWorkFrow_ = bindControl<QCheckBox>(content, "isAutoWorkFrow");
    typeField_ = bindControl<QLineEdit>(content, "typeField");
    extensionField_ = bindControl<QLineEdit>(content, "extensionField");
    preField_ = bindControl<QLineEdit>(content, "preField");
    appendField_ = bindControl<QLineEdit>(content, "appendField");
    extField_ = bindControl<QLineEdit>(content, "extField");
    filenameSample_ = bindControl<QLabel>(content, "filenameSample");
    creatorField_ = bindControl<QLineEdit>(content, "creatorField");
    creatorButton_ = bindControl<QPushButton>(content, "creatorButton");
    saveplaceButton_ = bindControl<QPushButton>(content, "saveplaceButton");
    savePlace_ = bindControl<QLabel>(content, "savePlace");
    fileMenu_ = bindControl<QComboBox>(content, "fileMenu");
    proofPointMenu_ = bindControl<QComboBox>(content, "proofPointMenu");
    alarmMenu_ = bindControl<QComboBox>(content, "alarmMenu");
    finishButton_ = bindControl<QPushButton>(content, "finishButton");
    cancelButton_ = bindControl<QPushButton>(content, "cancelButton");
    // The fields take a setting of any length.
    for (QLineEdit* f : {typeField_.data(), extensionField_.data(), preField_.data(), appendField_.data(),
             extField_.data(), creatorField_.data()})
        f->setMaxLength(std::numeric_limits<int>::max());
    auto* group = new QButtonGroup(window);
    group->setExclusive(true);
    const char* const radios[] = {"saveRadio1", "saveRadio2", "saveRadio3"};
    for (int i = 0; i < 3; ++i) {
        saveRadio_[size_t(i)] = bindControl<QRadioButton>(content, radios[i]);
        group->addButton(saveRadio_[size_t(i)], i);
    }
    saveGroup_ = group;
    for (int k = 0; k < 4; ++k) {
        fontName_[size_t(k)] = arrayMember<QComboBox>(content, "fontName", k);
        fontSize_[size_t(k)] = arrayMember<QComboBox>(content, "fontSize", k);
    }
    for (int p = 0; p < kPageCount; ++p)
        bottomLine_[size_t(p)] = arrayMember<QFrame>(content, "bottomLine", p);
    setWidget(window);

    QObject::connect(toolbar, &QToolBar::actionTriggered, this,
        [this](QAction* item) { guarded([&] { prefToolbar_Action(item); }); });
    QObject::connect(finishButton_, &QPushButton::clicked, this, [this] { guarded([this] { finishButton_Action(); }); });
    QObject::connect(cancelButton_, &QPushButton::clicked, this, [this] { guarded([this] { cancelButton_Action(); }); });
    QObject::connect(creatorButton_, &QPushButton::clicked, this,
        [this] { guarded([this] { creatorButton_Action(); }); });
    QObject::connect(saveplaceButton_, &QPushButton::clicked, this,
        [this] { guarded([this] { saveplaceButton_Action(); }); });
    QObject::connect(preField_, &QLineEdit::textChanged, this, [this] { guarded([this] { preField_TextChange(); }); });
    QObject::connect(appendField_, &QLineEdit::textChanged, this,
        [this] { guarded([this] { appendField_TextChange(); }); });
    QObject::connect(extField_, &QLineEdit::textChanged, this, [this] { guarded([this] { extField_TextChange(); }); });
    // toggled, not clicked: loading sets the box by code.
    QObject::connect(isFastProof_, &QCheckBox::toggled, this, [this] { guarded([this] { isFastProof_Action(); }); });
    const std::pair<QLineEdit*, int> coded[] = {
        {typeField_, 3}, {extensionField_, 4}, {appendField_, 5}, {creatorField_, 6}};
    for (const auto& [f, code] : coded)
        trackFocus(f, code, &a.editFieldNo, [] { shell().EnableMenuItems(); });

    // Return is "終了" and Escape "キャンセル" wherever the focus is, the
    // editable size boxes included, which would otherwise take Return.
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)})
        QObject::connect(new QShortcut(keys, window), &QShortcut::activated, finishButton_.data(), &QPushButton::click);
    QObject::connect(new QShortcut(QKeySequence(Qt::Key_Escape), window), &QShortcut::activated,
        cancelButton_.data(), &QPushButton::click);

    bindMenuHandler("winclose", [this](int) { return _winclose_Action(); });
    bindMenuHandler("selectAllMenu", [this](int) { return _selectAllMenu_Action(); });

    fitPageArea(kDesignHeight);
    prefToolbar_Open();
    Event_Open();
    // Centred on the screen of the window that was in front.
    QScreen* screen = front && front->widget() ? front->widget()->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    // The menu bar takes its room only once shown, and later than that
    // under some window managers: whenever the page area comes out of
    // another height, the window is sized again.
    onEvent(content, QEvent::Resize, [this](QEvent*) {
        if (content_ && content_->height() != pageAreaHeight_)
            QMetaObject::invokeMethod(this, [this] { fitPageArea(pageAreaHeight_); }, Qt::QueuedConnection);
        return false;
    });
    Show();
}

QWidget* prefWindow::pageArea() const
{
    return content_;
}

QComboBox* prefWindow::fontName(int slot) const
{
    return fontName_.at(static_cast<size_t>(slot));
}

QComboBox* prefWindow::fontSize(int slot) const
{
    return fontSize_.at(static_cast<size_t>(slot));
}

QFrame* prefWindow::bottomLine(int page) const
{
    return bottomLine_.at(static_cast<size_t>(page));
}

QToolBar* prefWindow::toolbar() const
{
    return prefToolbar_;
}

int prefWindow::currentPage() const
{
    return prefPagePanel_ ? prefPagePanel_->currentIndex() : -1;
}

void prefWindow::prefToolbar_Open()
{
    QToolBar* toolbar = prefToolbar_;
    if (!toolbar)
        return;
    std::array<QAction*, kPageCount> buttons {};
    for (size_t i = 0; i < buttons.size(); ++i) {
        buttons[i] = new QAction(toolbar);
        toolbar->addAction(buttons[i]);
        yieldToOthers();
    }
    const std::array<const QPixmap& (*)(), kPageCount> icons = {
        &editfindreplace, &documentopen, &documentsave, &stb_info, &preferencesdesktopfont};
    for (size_t i = 0; i < buttons.size(); ++i) {
        buttons[i]->setText(QString::fromUtf8(pages()[i].caption));
        buttons[i]->setObjectName(QString::fromUtf8(pages()[i].itemName));
        buttons[i]->setIcon(QIcon(icons[i]()));
    }
}

void prefWindow::prefToolbar_Action(QAction* item)
{
    if (item && prefPagePanel_)
        if (std::optional<int> page = pageOfItem(str(item->objectName())))
            prefPagePanel_->setCurrentIndex(*page);
    applyPageRule();
}

void prefWindow::applyPageRule()
{
    const int page = currentPage();
    if (!content_ || page < 0 || page >= kPageCount || !bottomLine_[size_t(page)])
        return;
    pageAreaHeight_ = bottomLine_[size_t(page)]->geometry().top() + 40;
    fitPageArea(pageAreaHeight_);
}

void prefWindow::fitPageArea(int height)
{
    QWidget* w = widget();
    if (!w || !content_)
        return;
    // The menu bar and the toolbar lie above the page area: the window is
    // as much higher as they take, which only the laid-out window tells.
    for (int i = 0; i < 3; ++i) {
        w->layout()->invalidate();
        w->layout()->activate();
        const int missing = height - content_->height();
        if (missing == 0 && w->width() == kWidth)
            break;
        w->setFixedSize(kWidth, w->height() + missing);
    }
    layoutControls(content_, buttonControls(), QSize(kWidth, kDesignHeight));
}

void prefWindow::Event_Open()
{
    try {
        const Shell& a = shell();
        const QStringList installed = QFontDatabase::families();
        std::vector<std::string> families;
        families.reserve(size_t(installed.size()));
        for (const QString& f : installed)
            families.push_back(str(f));
        const PreferenceValues v = loadValues(a, families);

        typeField_->setText(qs(v.fileType));
        extensionField_->setText(qs(v.fileExtension));
        appendField_->setText(qs(v.templateFields.suffix));
        preField_->setText(qs(v.templateFields.prefix));
        extField_->setText(qs(v.templateFields.extension));
        creatorField_->setText(qs(v.creator));
        if (v.saveRadio >= 0)
            saveRadio_[size_t(v.saveRadio)]->setChecked(true);
        savePlace_->setText(qs(v.savePlace));
        fileMenu_->setCurrentIndex(v.alarmFileRow);
        proofPointMenu_->setCurrentIndex(v.alarmChangeRow);
        alarmMenu_->setCurrentIndex(v.alarmTypeRow);
        for (const std::string& family : families) {
            for (QComboBox* box : fontName_)
                box->addItem(qs(family));
            yieldToOthers();
        }
        // A freshly filled list chooses its first row; a stored font that no
        // family bears leaves none chosen, so that storing keeps it.
        for (size_t k = 0; k < 4; ++k)
            fontName_[k]->setCurrentIndex(fontRowOf(families, a.fontName[k]).value_or(-1));
        for (size_t k = 0; k < 4; ++k) {
            fontSize_[k]->setEditText(qs(v.fontSizeTexts[k]));
            yieldToOthers();
        }
        isFastProof_->setChecked(v.fastProof);
        isAutoWorkFrow_->setChecked(v.autoWorkFrow);
        isLogging_->setChecked(v.logging);
        // Setting a text or a box to what it already holds raises nothing.
        refreshPreview();
        isFastProof_Action();
        applyPageRule();
    } catch (...) {
        // What was loaded stays; the window stays open at its laid-out height.
    }
}

PreferenceValues prefWindow::controlValues() const
{
    PreferenceValues v;
    v.templateFields = {str(appendField_->text()), str(preField_->text()), str(extField_->text())};
    v.creator = str(creatorField_->text());
    v.fileType = str(typeField_->text());
    v.fileExtension = str(extensionField_->text());
    v.saveRadio = saveGroup_->checkedId();
    v.savePlace = str(savePlace_->text());
    v.alarmFileRow = fileMenu_->currentIndex();
    v.alarmChangeRow = proofPointMenu_->currentIndex();
    v.alarmTypeRow = alarmMenu_->currentIndex();
    for (size_t k = 0; k < 4; ++k) {
        if (fontName_[k]->currentIndex() >= 0)
            v.fontNames[k] = str(fontName_[k]->currentText());
        v.fontSizeTexts[k] = str(fontSize_[k]->currentText());
    }
    v.fastProof = isFastProof_->isChecked();
    v.autoWorkFrow = isAutoWorkFrow_->isChecked();
    v.logging = isLogging_->isChecked();
    return v;
}

void prefWindow::finishButton_Action()
{
    try {
        // A running pass reads the settings only at its yields: between the
        // font slots it may see some of them new, the rest old.
        storeValues(controlValues(), shell(), [] { yieldToOthers(); });
        Close();
    } catch (...) {
        // Stored so far stays stored; the window stays open if it got no
        // further.
    }
}

void prefWindow::cancelButton_Action()
{
    Close();
}

void prefWindow::Event_Close()
{
    Shell& a = shell();
    a.doPrefSave();
    a.EnableMenuItems();
}

void prefWindow::Event_EnableMenuItems()
{
    // Nothing else makes "閉じる" usable here, and Ctrl+W closes the window.
    winclose().setEnabled(true);
}

bool prefWindow::_winclose_Action()
{
    Close();
    return false;
}

bool prefWindow::_selectAllMenu_Action()
{
    QLineEdit* f = nullptr;
    switch (shell().editFieldNo) {
    case 3: f = typeField_; break;
    case 4: f = extensionField_; break;
    case 5: f = appendField_; break;
    case 6: f = creatorField_; break;
    default: return false;
    }
    if (f)
        f->selectAll();
    return false;
}

void prefWindow::refreshPreview()
{
    filenameSample_->setText(qs(shell().makeFormatStr(
        previewFormat(str(preField_->text()), str(appendField_->text()), str(extField_->text())))));
}

void prefWindow::preField_TextChange()
{
    refreshPreview();
}

void prefWindow::appendField_TextChange()
{
    refreshPreview();
}

void prefWindow::extField_TextChange()
{
    refreshPreview();
}

void prefWindow::isFastProof_Action()
{
    isLogging_->setEnabled(!isFastProof_->isChecked());
}

void prefWindow::creatorButton_Action()
{
    try {
        // No application filter and no creator codes on this desktop: any
        // file may be chosen, and its stored creator code is taken when it
        // has one.
        FolderItem chosen = services().getOpenFolderItem("special/any");
        if (std::optional<std::string> code = creatorOf(chosen))
            creatorField_->setText(qs(*code));
    } catch (...) {
    }
}

void prefWindow::saveplaceButton_Action()
{
    try {
        FolderItem chosen = services().selectFolder("");
        if (std::optional<std::string> place = savePlaceOf(chosen))
            savePlace_->setText(qs(*place));
    } catch (...) {
    }
}

void registerPreferencesWindow()
{
    registerWindowFactory("prefWindow", [] { return openWindow<prefWindow>(); });
}

} // namespace tv
