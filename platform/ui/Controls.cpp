#include "platform/ui/Controls.h"

#include "platform/core/Dispatch.h"
#include "platform/core/Errors.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QRadioButton>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>

namespace tv {

namespace {

class EventHook : public QObject {
public:
    EventHook(QWidget* widget, QEvent::Type type, std::function<bool(QEvent*)> handler)
        : QObject(widget), type_(type), handler_(std::move(handler)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == type_ && watched == parent()) {
            bool consumed = false;
            guarded([&] { consumed = handler_(event); });
            return consumed;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QEvent::Type type_;
    std::function<bool(QEvent*)> handler_;
};

// A canvas: paints its backdrop (if any) in its own paint event.
class Canvas : public QWidget {
public:
    using QWidget::QWidget;
    std::function<void(QPainter&)> paint;

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!paint)
            return;
        QPainter p(this);
        guarded([&] { paint(p); });
    }
};

class Dialog : public QDialog {
public:
    Dialog(QWidget* parent, std::function<void()> escape) : QDialog(parent), escape_(std::move(escape)) {}

    void reject() override
    {
        if (escape_)
            guarded(escape_);
    }

protected:
    // The window's own close steps have run by now (or refused the close);
    // QDialog's own would hide the dialog through reject().
    void closeEvent(QCloseEvent* event) override { event->accept(); }

private:
    std::function<void()> escape_;
};

} // namespace

void setTextColor(QWidget* control, const QColor& color)
{
    QPalette pal = control->palette();
    pal.setColor(QPalette::WindowText, color);
    pal.setColor(QPalette::ButtonText, color);
    pal.setColor(QPalette::Text, color);
    control->setPalette(pal);
}

void buildControls(QWidget* parent, const std::vector<ControlSpec>& controls)
{
    for (const ControlSpec& c : controls) {
        QString text = QString::fromUtf8(c.text);
        QWidget* into = parent;
        if (c.group) {
            into = parent->findChild<QWidget*>(QString::fromUtf8(c.group));
            if (!into)
                throw NilObjectException(std::string("no group ") + c.group + " for " + c.name);
        }
        QWidget* w = nullptr;
        switch (c.kind) {
        case ControlKind::Label:
        case ControlKind::MultiLineLabel: {
            auto* label = new QLabel(text, into);
            label->setWordWrap(c.kind == ControlKind::MultiLineLabel);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setTextFormat(Qt::PlainText);
            w = label;
            break;
        }
        case ControlKind::PushButton: {
            auto* button = new QPushButton(text, into);
            button->setAutoDefault(false);
            button->setDefault(c.isDefault);
            w = button;
            break;
        }
        case ControlKind::Canvas:
            w = new Canvas(into);
            w->setFocusPolicy(Qt::NoFocus);
            break;
        case ControlKind::TextField:
            w = new QLineEdit(text, into);
            break;
        case ControlKind::TextArea:
            w = new QPlainTextEdit(text, into);
            break;
        case ControlKind::ProgressBar: {
            auto* bar = new QProgressBar(into);
            bar->setTextVisible(false);
            w = bar;
            break;
        }
        case ControlKind::CheckBox:
            w = new QCheckBox(text, into);
            break;
        // Choices and markers.
        case ControlKind::RadioButton:
            w = new QRadioButton(text, into);
            break;
        case ControlKind::PopUpMenu:
        case ControlKind::ComboBox: {
            auto* box = new QComboBox(into);
            if (c.kind == ControlKind::ComboBox) {
                box->setEditable(true);
                box->setInsertPolicy(QComboBox::NoInsert);
                box->setCompleter(nullptr);
            }
            if (!text.isEmpty())
                box->addItems(text.split(QLatin1Char('\t')));
            if (c.kind == ControlKind::ComboBox)
                box->setEditText(QString());
            w = box;
            break;
        }
        case ControlKind::Line: {
            auto* line = new QFrame(into);
            line->setFrameShape(QFrame::HLine);
            line->setVisible(false);
            w = line;
            break;
        }
        case ControlKind::Custom:
            if (!c.make)
                throw NilObjectException(std::string("no maker for the control ") + c.name);
            w = c.make(into);
            break;
        case ControlKind::GroupBox:
            w = new QGroupBox(text, into);
            break;
        // List kinds of the document windows.
        case ControlKind::ListBox: {
            auto* list = new QTreeView(into);
            list->setRootIsDecorated(false);
            list->setItemsExpandable(false);
            list->setUniformRowHeights(true);
            list->setEditTriggers(QAbstractItemView::NoEditTriggers);
            list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
            list->setAllColumnsShowFocus(true);
            w = list;
            break;
        }
        case ControlKind::BevelButton: {
            auto* button = new QToolButton(into);
            button->setText(text);
            button->setToolButtonStyle(Qt::ToolButtonTextOnly);
            w = button;
            break;
        }
        case ControlKind::DisclosureTriangle: {
            auto* triangle = new QToolButton(into);
            triangle->setCheckable(true);
            triangle->setAutoRaise(true);
            triangle->setArrowType(Qt::RightArrow);
            QObject::connect(triangle, &QToolButton::toggled, triangle,
                [triangle](bool open) { triangle->setArrowType(open ? Qt::DownArrow : Qt::RightArrow); });
            w = triangle;
            break;
        }
        }
        if (!c.focusOnClick)
            w->setFocusPolicy(Qt::NoFocus);
        w->setObjectName(QString::fromUtf8(c.name));
        if (c.index >= 0)
            w->setProperty("index", c.index);
        const QPoint origin = into == parent ? QPoint() : into->mapTo(parent, QPoint());
        w->setGeometry(c.left - origin.x(), c.top - origin.y(), c.width, c.height);
        QFont font = w->font();
        if (c.family)
            font.setFamilies(QString::fromUtf8(c.family).split(QLatin1Char(','), Qt::SkipEmptyParts));
        if (c.pixelSize > 0)
            font.setPixelSize(c.pixelSize);
        font.setBold(c.bold);
        font.setUnderline(c.underline);
        w->setFont(font);
        if (c.color)
            setTextColor(w, QColor(QString::fromLatin1(c.color)));
        if (c.helpTag)
            w->setToolTip(QString::fromUtf8(c.helpTag));
    }
}

void layoutControls(QWidget* parent, const std::vector<ControlSpec>& controls, QSize design)
{
    const int dx = parent->width() - design.width();
    const int dy = parent->height() - design.height();
    for (const ControlSpec& c : controls) {
        auto* w = parent->findChild<QWidget*>(QString::fromUtf8(c.name), Qt::FindDirectChildrenOnly);
        if (!w)
            continue;
        int left = c.left, top = c.top, width = c.width, height = c.height;
        if (c.anchor & AnchorRight) {
            if (c.anchor & AnchorLeft)
                width += dx;
            else
                left += dx;
        }
        if (c.anchor & AnchorBottom) {
            if (c.anchor & AnchorTop)
                height += dy;
            else
                top += dy;
        }
        w->setGeometry(left, top, std::max(width, 0), std::max(height, 0));
    }
}

QWidget* requireControl(const QWidget* parent, const char* name, const QMetaObject& type)
{
    if (parent)
        for (QWidget* w : parent->findChildren<QWidget*>(QString::fromUtf8(name)))
            if (type.cast(w))
                return w;
    throw NilObjectException(std::string("no control ") + name + " of type " + type.className());
}

std::vector<QWidget*> controlArray(const QWidget* parent, const char* name)
{
    std::vector<QWidget*> members;
    if (!parent)
        return members;
    for (QWidget* w : parent->findChildren<QWidget*>(QString::fromUtf8(name))) {
        // A control of that name outside the array has no index.
        const QVariant index = w->property("index");
        if (!index.isValid() || index.toInt() < 0)
            continue;
        const int i = index.toInt();
        if (members.size() <= size_t(i))
            members.resize(size_t(i) + 1, nullptr);
        members[size_t(i)] = w;
    }
    return members;
}

void attachPopupMenu(QWidget* bevelButton, QMenu* menu)
{
    auto* button = qobject_cast<QAbstractButton*>(bevelButton);
    if (!button || !menu)
        return;
    QObject::connect(button, &QAbstractButton::pressed, menu, [button, menu] {
        guarded([&] {
            menu->popup(button->mapToGlobal(QPoint(0, button->height())));
            // The menu takes the mouse from here; the button is let go.
            button->setDown(false);
        });
    });
}

void onEvent(QWidget* widget, QEvent::Type type, std::function<bool(QEvent*)> handler)
{
    widget->installEventFilter(new EventHook(widget, type, std::move(handler)));
}

void onPaint(QWidget* widget, std::function<void(QPainter&)> paint)
{
    if (auto* canvas = dynamic_cast<Canvas*>(widget)) {
        canvas->paint = std::move(paint);
        canvas->update();
    }
}

QDialog* makeDialog(QWidget* parent, std::function<void()> escape)
{
    return new Dialog(parent, std::move(escape));
}

} // namespace tv
