#include "proofing/ui/PassWindows.h"

#include "app/ui/Shell.h"
#include "app/ui/SharedDialogs.h"
#include "platform/core/Dispatch.h"
#include "proofing/core/proof.h"
#include "proofing/ui/grepWindow.h"
#include "proofing/ui/selectPallete.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>

namespace tv {

namespace {

bool& chordLatch()
{
    static bool latched = false;
    return latched;
}

// Latches Ctrl+. for the running pass, wherever the focus is (a notice
// included). Between passes the chord is left to whoever wants it.
class CancelChordFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Period && (key->modifiers() & Qt::ControlModifier)) {
                bool working = false;
                guarded([&] { working = appState().isWorking; });
                if (working) {
                    if (event->type() == QEvent::KeyPress)
                        chordLatch() = true;
                    event->accept();
                    return true;
                }
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

// The recent-documents menu follows the list at the next turn of the event
// loop: a pass over thousands of files records each, and one refresh per
// turn shows the same.
bool recentRefreshPosted = false;

Shell* application()
{
    try {
        return &shell();
    } catch (...) {
        return nullptr;
    }
}

} // namespace

bool cancelChordPressed()
{
    return chordLatch();
}

void clearCancelChord()
{
    chordLatch() = false;
}

GrepWindowView::GrepWindowView() = default;

GrepWindowView::~GrepWindowView()
{
    QObject::disconnect(closed_);
    QObject::disconnect(destroyed_);
}

void GrepWindowView::openGrepWindow()
{
    QObject::disconnect(closed_);
    QObject::disconnect(destroyed_);
    window_ = &grepWindow::instance();
    closed_ = QObject::connect(window_, &Window::closed, window_, [this] { window_ = nullptr; });
    destroyed_ = QObject::connect(window_, &QObject::destroyed, [this] { window_ = nullptr; });
}

void GrepWindowView::setGrepTitle(const std::string& title)
{
    if (grepWindow* w = window_)
        w->setPassTitle(title);
}

void GrepWindowView::showGrepWindow()
{
    if (grepWindow* w = window_)
        w->Show();
}

void GrepWindowView::setProgressValue(int value)
{
    if (grepWindow* w = window_)
        w->setProgressValue(value);
}

void GrepWindowView::setProgressMaximum(int maximum)
{
    if (grepWindow* w = window_)
        w->setProgressMaximum(maximum);
}

void GrepWindowView::setSearchText(const std::string& text)
{
    if (grepWindow* w = window_)
        w->setSearchText(text);
}

void GrepWindowView::setReplaceText(const std::string& text)
{
    if (grepWindow* w = window_)
        w->setReplaceText(text);
}

void GrepWindowView::setReplaceField(const std::string& text)
{
    if (grepWindow* w = window_)
        w->setReplaceField(text);
}

void GrepWindowView::setReplaceCount(const std::string& text)
{
    if (grepWindow* w = window_)
        w->setReplaceCount(text);
}

void GrepWindowView::setManualCheck(bool enabled, bool checked)
{
    if (grepWindow* w = window_)
        w->setManualCheck(enabled, checked);
}

bool GrepWindowView::grepWindowIsCompact()
{
    return !window_ || window_->Height() == grepWindow::compactHeight;
}

void GrepWindowView::grepWindowOpen(bool expand)
{
    if (grepWindow* w = window_)
        w->applyForm(expand, appState().isSelectRep);
}

std::string GrepWindowView::grepWindowFrame()
{
    if (grepWindow* w = window_)
        return w->frame();
    return appState().prefGrepWinPos;
}

void GrepWindowView::closeGrepWindow()
{
    if (grepWindow* w = window_)
        w->Close();
}

void GrepWindowView::closeSelectPallete()
{
    if (selectPallete* p = selectPallete::openInstance())
        p->Close();
}

void GrepWindowView::setUpRules(int first, std::span<const std::string> searchTexts,
    std::span<const std::string> replaceTexts, const std::string& replaceCount)
{
    if (searchTexts.empty())
        return;
    // The window shows what it was last given once the event loop runs, and
    // nothing runs between these set-ups: the last one stands for them all.
    const size_t last = searchTexts.size() - 1;
    PassView::setUpRules(
        first + static_cast<int>(last), searchTexts.subspan(last), replaceTexts.subspan(last), replaceCount);
}

void GrepWindowView::loadCheckText(const std::string& text)
{
    if (grepWindow* w = window_)
        w->loadCheckText(text);
}

void GrepWindowView::setReplaceHelpTag(const std::string& tag)
{
    if (grepWindow* w = window_)
        w->setReplaceHelpTag(tag);
}

void GrepWindowView::markMatch(int64_t start, const std::string& matchText)
{
    if (grepWindow* w = window_)
        w->markMatch(start, matchText);
}

void GrepWindowView::offerReplacement(const std::string& text)
{
    if (grepWindow* w = window_)
        w->offerReplacement(text);
}

void GrepWindowView::makeSelectList(const SelectList& list)
{
    selectPallete::instance().fill(list);
}

void GrepWindowView::showSelectList()
{
    if (grepWindow* w = window_)
        w->moveSelectList();
    if (selectPallete* p = selectPallete::openInstance())
        p->focusList();
}

bool GrepWindowView::manualCheckTicked()
{
    return window_ && window_->manualCheckTicked();
}

int GrepWindowView::chosenCandidate(std::string& text)
{
    selectPallete* p = selectPallete::openInstance();
    const int row = p ? p->ListIndex() : -1;
    text = row >= 0 ? p->Text() : std::string();
    return row;
}

void GrepWindowView::settleMatch(const std::string& text)
{
    if (grepWindow* w = window_)
        w->settleMatch(text);
}

void GrepWindowView::showNotice(const std::string& message, const std::string* sum)
{
    notifySheet& sheet = notifySheet::instance();
    sheet.setNotifyMsg(message);
    if (sum)
        sheet.setNotifySum(*sum);
    sheet.Show();
}

void GrepWindowView::refreshMenus()
{
    if (Shell* a = application())
        a->EnableMenuItems();
}

void GrepWindowView::makeResentList()
{
    if (recentRefreshPosted || !QCoreApplication::instance())
        return;
    recentRefreshPosted = true;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [] {
            recentRefreshPosted = false;
            guarded([] {
                if (Shell* a = application())
                    a->makeResentList();
            });
        },
        Qt::QueuedConnection);
}

bool GrepWindowView::userCancelled()
{
    return cancelChordPressed();
}

void GrepWindowView::clearUserCancel()
{
    clearCancelChord();
}

void installPassStarter()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    if (QCoreApplication* qapp = QCoreApplication::instance())
        qapp->installEventFilter(new CancelChordFilter(qapp));
    AppState::setPassStarter([](AppState& state) { startProof(state, std::make_shared<GrepWindowView>()); });
}

} // namespace tv
