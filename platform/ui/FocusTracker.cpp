#include "platform/ui/FocusTracker.h"

#include "platform/core/Dispatch.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QFocusEvent>
#include <QObject>
#include <QWidget>

namespace tv {

namespace {

class FocusFilter : public QObject {
public:
    FocusFilter(QWidget* field, int code, int* editFieldNo, std::function<void()> changed)
        : QObject(field), field_(field), code_(code), editFieldNo_(editFieldNo), changed_(std::move(changed)) {}

    ~FocusFilter() override
    {
        // The field is going while it holds the focus: nothing holds it now.
        // The menus are refreshed by whoever closes the window.
        if (focused_ && *editFieldNo_ == code_)
            *editFieldNo_ = 0;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn) {
            focused_ = true;
            *editFieldNo_ = code_;
            notify();
        } else if (event->type() == QEvent::FocusOut) {
            if (!keepsCode(static_cast<QFocusEvent*>(event)->reason())) {
                focused_ = false;
                *editFieldNo_ = 0;
                notify();
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool keepsCode(Qt::FocusReason reason) const
    {
        if (reason == Qt::PopupFocusReason || reason == Qt::MenuBarFocusReason)
            return true;
        if (reason == Qt::ActiveWindowFocusReason && field_->isVisible())
            return Window::of(QApplication::activeWindow()) == nullptr;
        return false;
    }

    void notify()
    {
        if (changed_)
            guarded(changed_);
    }
    QWidget* field_;
    int code_;
    int* editFieldNo_;
    std::function<void()> changed_;
    bool focused_ = false;
};

} // namespace

void trackFocus(QWidget* field, int code, int* editFieldNo, std::function<void()> changed)
{
    field->installEventFilter(new FocusFilter(field, code, editFieldNo, std::move(changed)));
}

} // namespace tv
