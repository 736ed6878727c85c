#include "app/ui/AboutBox.h"

#include "app/ui/Shell.h"
#include "app/ui/Pictures.h"
#include "platform/core/Dispatch.h"
#include "platform/core/Services.h"
#include "platform/ui/Controls.h"

#include <QDialog>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace tv {

namespace {

// Lucida Grande where the desktop has it, else a face about as narrow.
const char* const kFont = "Lucida Grande,Liberation Sans,Arial,DejaVu Sans Condensed";
const char* const kAddress = "https://tesvora.example.org/";
bool makeHiddenNext = false;

const std::vector<ControlSpec>& aboutControls()
{
    // The grey copy of the version line lies one pixel right of and below the
    // black one, as its shadow.
    static const std::vector<ControlSpec> table = {
        {.kind = ControlKind::Canvas, .name = "Canvas1", .left = 9, .top = 21, .width = 296, .height = 134},
        {.kind = ControlKind::Label, .name = "verStr2", .left = 121, .top = 112, .width = 190, .height = 20,
            .family = kFont, .pixelSize = 12, .bold = true, .color = "#999999"},
        {.kind = ControlKind::PushButton, .name = "PushButton1", .text = "OK", .left = 236, .top = 167,
            .width = 69, .height = 20, .family = kFont, .pixelSize = 13, .isDefault = true},
        {.kind = ControlKind::Label, .name = "verStr1", .left = 120, .top = 111, .width = 190, .height = 20,
            .family = kFont, .pixelSize = 12, .bold = true, .color = "#000000"},
        {.kind = ControlKind::Label, .name = "StaticText2", .text = kAddress, .left = 122, .top = 124,
            .width = 190, .height = 20, .family = kFont, .pixelSize = 12, .underline = true, .color = "#1822CD",
            .helpTag = kAddress},
    };
    return table;
}

} // namespace

const char* aboutWin::webAddress()
{
    return kAddress;
}

aboutWin& aboutWin::instance()
{
    return SingleWindow<aboutWin>::get();
}

aboutWin& aboutWin::makeHidden()
{
    makeHiddenNext = true;
    aboutWin& box = SingleWindow<aboutWin>::get();
    makeHiddenNext = false;
    return box;
}

aboutWin* aboutWin::existing()
{
    return SingleWindow<aboutWin>::isOpen() ? SingleWindow<aboutWin>::existing() : nullptr;
}

aboutWin::aboutWin() : Window("aboutWin")
{
    // An ordinary window that the about box's own button closes: Esc does
    // nothing, Return is the OK button.
    QDialog* box = makeDialog(nullptr, {});
    box->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    box->setWindowTitle(QStringLiteral("Tesvora について"));
    box->setFixedSize(315, 207);
    QPalette pal = box->palette();
    pal.setColor(QPalette::Window, Qt::white);
    box->setPalette(pal);
    box->setAutoFillBackground(true);
    buildControls(box, aboutControls());
    setWidget(box);
    onPaint(control("Canvas1"), [](QPainter& p) { p.drawPixmap(0, 0, title1()); });
    QWidget* ok = control("PushButton1");
    connect(static_cast<QPushButton*>(ok), &QPushButton::clicked, this, [this] { guarded([this] { PushButton1_Action(); }); });
    QWidget* link = control("StaticText2");
    link->setCursor(Qt::PointingHandCursor);
    onEvent(link, QEvent::Enter, [this](QEvent*) {
        StaticText2_MouseEnter();
        return false;
    });
    onEvent(link, QEvent::Leave, [this](QEvent*) {
        StaticText2_MouseExit();
        return false;
    });
    onEvent(link, QEvent::MouseButtonPress, [this](QEvent*) { return StaticText2_MouseDown(); });
    Event_Open();
    if (!makeHiddenNext)
        box->show();
}

void aboutWin::Event_Open()
{
    const std::string& version = appState().version;
    controlAs<QLabel>("verStr1")->setText(QString::fromStdString(version));
    controlAs<QLabel>("verStr2")->setText(QString::fromStdString(version));
}

void aboutWin::PushButton1_Action()
{
    shell().EnableMenuItems();
    Close();
}

void aboutWin::StaticText2_MouseEnter()
{
    setTextColor(control("StaticText2"), QColor(255, 0, 0));
}

void aboutWin::StaticText2_MouseExit()
{
    setTextColor(control("StaticText2"), QColor(0, 0, 255));
}

bool aboutWin::StaticText2_MouseDown()
{
    services().showURL(kAddress);
    return false;
}

} // namespace tv
