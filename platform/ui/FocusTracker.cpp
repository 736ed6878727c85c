#include "platform/ui/FocusTracker.h"

#include "platform/core/Dispatch.h"

#include <QFocusEvent>
#include <QObject>
#include <QWidget>

namespace tv {

namespace {

class FocusFilter : public QObject {
public:
    FocusFilter(QWidget* field, int code, int* editFieldNo, std::function<void()> changed)
        : QObject(field), code_(code), editFieldNo_(editFieldNo), changed_(std::move(changed)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn) {
            *editFieldNo_ = code_;
            notify();
        } else if (event->type() == QEvent::FocusOut) {
            Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::PopupFocusReason && reason != Qt::MenuBarFocusReason) {
                *editFieldNo_ = 0;
                notify();
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void notify()
    {
        if (changed_)
            guarded(changed_);
    }
    int code_;
    int* editFieldNo_;
    std::function<void()> changed_;
};

} // namespace

void trackFocus(QWidget* field, int code, int* editFieldNo, std::function<void()> changed)
{
    field->installEventFilter(new FocusFilter(field, code, editFieldNo, std::move(changed)));
}

} // namespace tv
