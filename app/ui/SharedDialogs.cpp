#include "app/ui/SharedDialogs.h"

#include "app/ui/Shell.h"
#include "platform/core/Dispatch.h"
#include "platform/core/Text.h"
#include "platform/core/Thread.h"
#include "platform/ui/Controls.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <algorithm>

namespace tv {

namespace {

// The desktop's faces where the named ones are missing.
const char* const kLabelFont = "Lucida Grande,Liberation Sans,Arial,DejaVu Sans Condensed";
const char* const kHeadFont = "Hiragino Kaku Gothic Pro,IPAPGothic,Noto Sans CJK JP";

// The window a dialog stands over: the front program window, else the
// active window (the frame window), else none.
QWidget* windowToStandOver()
{
    if (Window* front = Window::front())
        return front->widget();
    return QApplication::activeWindow();
}

QDialog* makeSheet(const char* className, const QString& title, int width, int height,
                   std::function<void()> escape)
{
    QDialog* dialog = makeDialog(windowToStandOver(), std::move(escape));
    dialog->setWindowTitle(title);
    dialog->setFixedSize(width, height);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setObjectName(QString::fromUtf8(className));
    return dialog;
}

template <class F>
void onClick(QWidget* button, F&& action)
{
    QObject::connect(static_cast<QPushButton*>(button), &QPushButton::clicked, button,
        [action = std::forward<F>(action)] { guarded(action); });
}

const std::vector<ControlSpec>& notifyControls()
{
    static const std::vector<ControlSpec> table = {
        {.kind = ControlKind::PushButton, .name = "PushButton1", .text = "OK", .left = 204, .top = 57,
            .width = 69, .height = 20, .family = kLabelFont, .pixelSize = 13, .isDefault = true},
        {.kind = ControlKind::MultiLineLabel, .name = "notifyMsg", .left = 9, .top = 9, .width = 264,
            .height = 23, .family = kHeadFont, .pixelSize = 13, .bold = true, .color = "#000000"},
        {.kind = ControlKind::MultiLineLabel, .name = "notifySum", .left = 9, .top = 33, .width = 264,
            .height = 18, .pixelSize = 10, .color = "#000000"},
    };
    return table;
}

const std::vector<ControlSpec>& saveControls()
{
    static const std::vector<ControlSpec> table = {
        {.kind = ControlKind::Label, .name = "StaticText1", .text = "閉じる前に変更を保存しますか？", .left = 69,
            .top = 12, .width = 287, .height = 20, .family = kHeadFont, .pixelSize = 13, .bold = true,
            .color = "#000000"},
        {.kind = ControlKind::Label, .name = "StaticText2", .text = "保存しないと、変更内容は失われます。",
            .left = 69, .top = 37, .width = 287, .height = 20, .pixelSize = 12, .color = "#000000"},
        {.kind = ControlKind::PushButton, .name = "saveButton", .text = "保存", .left = 289, .top = 74,
            .width = 69, .height = 20, .family = kLabelFont, .pixelSize = 13, .isDefault = true},
        {.kind = ControlKind::PushButton, .name = "cancelButton", .text = "キャンセル", .left = 182, .top = 74,
            .width = 97, .height = 20, .family = kLabelFont, .pixelSize = 13},
        {.kind = ControlKind::PushButton, .name = "docloseButton", .text = "保存しない", .left = 63, .top = 74,
            .width = 97, .height = 20, .family = kLabelFont, .pixelSize = 13},
        {.kind = ControlKind::Canvas, .name = "Canvas1", .left = 12, .top = 12, .width = 48, .height = 48},
    };
    return table;
}

} // namespace

// ---- notifySheet

notifySheet& notifySheet::instance()
{
    return SingleWindow<notifySheet>::get();
}

bool notifySheet::isShown()
{
    return SingleWindow<notifySheet>::isOpen();
}

notifySheet::notifySheet() : Window("notifySheet")
{
    // Esc goes the way of the window's close, so it releases a waiting worker.
    // Titled as the program's message boxes are: the window manager shows
    // the title bar of a dialog.
    QDialog* dialog = makeSheet("notifySheet", QStringLiteral("Tesvora"), 282, 88, [this] {
        if (isOpen())
            Close();
    });
    buildControls(dialog, notifyControls());
    setWidget(dialog);
    onClick(control("PushButton1"), [this] { PushButton1_Action(); });
    Event_Open();
    dialog->show();
}

void notifySheet::setNotifyMsg(const std::string& text)
{
    if (auto* label = controlAs<QLabel>("notifyMsg"))
        label->setText(QString::fromStdString(text));
    fitToTexts();
}

void notifySheet::setNotifySum(const std::string& text)
{
    if (auto* label = controlAs<QLabel>("notifySum"))
        label->setText(QString::fromStdString(text));
    fitToTexts();
}

void notifySheet::fitToTexts()
{
    QWidget* dialog = widget();
    auto* msg = controlAs<QLabel>("notifyMsg");
    auto* sum = controlAs<QLabel>("notifySum");
    QWidget* ok = control("PushButton1");
    if (!dialog || !msg || !sum || !ok)
        return;
    // The table's layout: labels 264 wide at 9, 23 and 18 high one under the
    // other, OK 6 below them, margins of 9 and 11.
    constexpr int kWidth = 264, kMsgHeight = 23, kSumHeight = 18;
    // Wide enough for a line such as a path, up to about twice the table's
    // width and the screen's; what is longer wraps, and the notice grows
    // taller instead.
    int widest = 2 * kWidth;
    if (const QScreen* screen = dialog->screen())
        widest = std::clamp(screen->availableGeometry().width() - 40, kWidth, widest);
    int width = kWidth;
    for (const QLabel* label : {msg, sum}) {
        const QRect line = label->fontMetrics().boundingRect(QRect(0, 0, 1 << 20, 1 << 20),
            Qt::AlignLeft | Qt::AlignTop, label->text());
        width = std::clamp(line.width() + 1, width, widest);
    }
    const int msgHeight = std::max(kMsgHeight, msg->heightForWidth(width));
    const int sumHeight = std::max(kSumHeight, sum->heightForWidth(width));
    msg->setGeometry(9, 9, width, msgHeight);
    sum->setGeometry(9, 9 + msgHeight + 1, width, sumHeight);
    const int okTop = sum->geometry().bottom() + 1 + 6;
    ok->move(width + 18 - 9 - ok->width(), okTop);
    dialog->setFixedSize(width + 18, okTop + ok->height() + 11);
}

std::string notifySheet::notifyMsg() const
{
    auto* label = controlAs<QLabel>("notifyMsg");
    return label ? label->text().toStdString() : std::string();
}

std::string notifySheet::notifySum() const
{
    auto* label = controlAs<QLabel>("notifySum");
    return label ? label->text().toStdString() : std::string();
}

void notifySheet::PushButton1_Action()
{
    Close();
}

void notifySheet::Event_Open()
{
    appState().notifyClose = false;
}

void notifySheet::Event_Close()
{
    appState().notifyClose = true;
}

// ---- isSaveSheet

isSaveSheet& isSaveSheet::instance()
{
    return SingleWindow<isSaveSheet>::get();
}

bool isSaveSheet::isShown()
{
    return SingleWindow<isSaveSheet>::isOpen();
}

isSaveSheet::isSaveSheet() : Window("isSaveSheet")
{
    // Esc is the cancel button.
    QDialog* dialog = makeSheet("isSaveSheet", QStringLiteral("名称未設定"), 376, 114, [this] {
        if (isOpen())
            cancelButton_Action();
    });
    buildControls(dialog, saveControls());
    setWidget(dialog);
    onClick(control("saveButton"), [this] { saveButton_Action(); });
    onClick(control("cancelButton"), [this] { cancelButton_Action(); });
    onClick(control("docloseButton"), [this] { docloseButton_Action(); });
    onPaint(control("Canvas1"), [](QPainter& p) {
        QIcon caution = QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
        p.drawPixmap(0, 0, caution.pixmap(48, 48));
    });
    dialog->show();
}

void isSaveSheet::leaveWith(const std::string& answer)
{
    appState().isSaveResult = answer;
    leaving_ = true;
    Close();
}

void isSaveSheet::saveButton_Action()
{
    leaveWith("save");
}

void isSaveSheet::cancelButton_Action()
{
    leaveWith("cancel");
}

void isSaveSheet::docloseButton_Action()
{
    leaveWith("");
}

bool isSaveSheet::Event_CancelClose()
{
    // Only the buttons leave the question; the window manager's close does not.
    return !leaving_;
}

void isSaveSheet::ShowModal(Window* over)
{
    QWidget* dialog = widget();
    if (!isOpen() || !dialog)
        return;
    if (over && over != this && over->isOpen()) {
        over->Show();
        if (dialog->parentWidget() != over->widget()) {
            Qt::WindowFlags flags = dialog->windowFlags();
            dialog->setParent(over->widget(), flags);
        }
    }
    if (dialog->windowModality() != Qt::WindowModal) {
        dialog->hide();
        dialog->setWindowModality(Qt::WindowModal);
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    if (onWorker()) {
        // A worker waits without a nested event loop on its stack.
        while (isOpen())
            doEvents(50);
        return;
    }
    QEventLoop loop;
    connect(this, &Window::closed, &loop, &QEventLoop::quit);
    if (isOpen())
        loop.exec();
}

bool cancelCloseForChanges(Window& window, const std::function<bool()>& save)
{
    Shell& a = shell();
    if (!a.IsWindowModified(window))
        return false;
    isSaveSheet::instance().ShowModal(&window);
    if (textEquals(a.isSaveResult, "cancel"))
        return true;
    if (textEquals(a.isSaveResult, "save"))
        return !save();
    return false;
}

} // namespace tv
