#include "platform/core/Thread.h"

#include "platform/core/Dispatch.h"
#include "platform/core/Errors.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>

#include <boost/context/fiber.hpp>
#include <boost/context/protected_fixedsize_stack.hpp>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <deque>
#include <exception>
#include <memory>
#include <thread>
#include <utility>

#if defined(__GLIBCXX__)
#include <cxxabi.h>
#endif

// How the scheduler works. Every worker is a Fiber with its own stack, and only
// the main side ever resumes one: the event loop through a posted "pump" call,
// or main-side code through yieldToOthers(). A worker therefore always switches
// back to the main side, never to another worker. Ready workers wait in a queue
// and are served round-robin, one slice per pump, with the event loop handling
// its other events between pumps. A worker in doEvents() is off the queue
// until a timer puts it back.

namespace tv {

namespace {

// The pass calls PCRE2 and deep conversion code on the worker's stack.
constexpr std::size_t kStackSize = 8 * 1024 * 1024;
// A worker's yield gives up its turn only after this much work.
constexpr std::int64_t kSliceNanoseconds = 10'000'000;

// A yield per step is called millions of times, so the slice check reads the
// coarse clock (a few nanoseconds, resolution of a scheduler tick at worst).
std::int64_t coarseNow()
{
    timespec ts;
#if defined(CLOCK_MONOTONIC_COARSE)
    clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
#else
    clock_gettime(CLOCK_MONOTONIC, &ts);
#endif
    return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// The C++ runtime keeps the exceptions being handled (the ones whose catch
// handler is active) in one record per OS thread. A worker that waits inside
// a catch handler - a message box about the error, say - would otherwise share
// that record with the main side, and the two would end each other's handlers.
// Each fiber gets its own record, swapped in and out around every switch.
struct HandlerRecord {
#if defined(__GLIBCXX__)
    unsigned char bytes[sizeof(void*) * 2] = {};
#endif
};

#if defined(__GLIBCXX__)
// Layout of the runtime's record: the chain of caught exceptions and the
// count of exceptions in flight.
struct RuntimeHandlerRecord {
    void* caughtExceptions;
    unsigned int uncaughtExceptions;
};
static_assert(sizeof(RuntimeHandlerRecord) <= sizeof(HandlerRecord::bytes));
#endif

void swapHandlerRecord([[maybe_unused]] HandlerRecord& other)
{
#if defined(__GLIBCXX__)
    void* live = __cxxabiv1::__cxa_get_globals();
    unsigned char held[sizeof(RuntimeHandlerRecord)];
    std::memcpy(held, live, sizeof held);
    std::memcpy(live, other.bytes, sizeof held);
    std::memcpy(other.bytes, held, sizeof held);
#endif
}

} // namespace

class Fiber : public std::enable_shared_from_this<Fiber> {
public:
    enum class State { Ready, Running, Sleeping, Finished };

    explicit Fiber(std::shared_ptr<Thread> thread)
        : thread_(thread.get()), owner_(std::move(thread)),
          context_(std::allocator_arg, boost::context::protected_fixedsize_stack(kStackSize),
                   [this](boost::context::fiber&& resumer) {
                       resumer_ = std::move(resumer);
                       body();
                       return std::move(resumer_);
                   })
    {
    }

    State state = State::Ready;
    std::int64_t resumedAt = 0;
    int unbroken = 0; // NoYield scopes open on this worker
    // Counts the worker's sleeps, so that a timer or a wake-up meant for an
    // earlier sleep never ends a later one.
    std::uint64_t sleepSerial = 0;

    // Main side: runs the worker until it switches back or finishes.
    void resume()
    {
        state = State::Running;
        resumedAt = coarseNow();
        swapHandlerRecord(handlers_);
        context_ = std::move(context_).resume();
        swapHandlerRecord(handlers_);
        if (!context_)
            state = State::Finished;
    }

    // Once finished, the thread is no longer kept alive by the scheduler.
    std::shared_ptr<Thread> releaseThread() { return std::move(owner_); }

    // Worker side: back to whoever resumed it; returns when resumed again.
    void suspend() { resumer_ = std::move(resumer_).resume(); }

private:
    void body()
    {
        // The report may itself wait on the worker (a message box), so it is
        // made after the handler has ended rather than inside it.
        std::exception_ptr escaped;
        try {
            thread_->Event_Run();
        } catch (const boost::context::detail::forced_unwind&) {
            throw;
        } catch (...) {
            escaped = std::current_exception();
        }
        if (escaped)
            reportUnhandledException(escaped);
    }

    Thread* thread_;
    // Keeps the thread alive until its body has finished. Together with the
    // thread's pointer to this record it is a cycle on purpose: a worker still
    // suspended when the program ends is left alone, never unwound.
    std::shared_ptr<Thread> owner_;
    HandlerRecord handlers_;
    // The worker while it is suspended (empty while it runs and once it has
    // finished), and while it runs, the side that resumed it.
    boost::context::fiber context_;
    boost::context::fiber resumer_;
};

namespace {

class Scheduler {
public:
    // The worker running now, as seen from the thread that runs workers;
    // other threads (computation aside) never see one.
    Fiber* current() const { return std::this_thread::get_id() == home_ ? current_ : nullptr; }
    bool onHome() const { return std::this_thread::get_id() == home_; }

    void makeReady(const std::shared_ptr<Fiber>& fiber)
    {
        fiber->state = Fiber::State::Ready;
        ready_.push_back(fiber);
        schedulePump();
    }

    // Main side: one slice of the next ready worker; false when none ran.
    bool runOne()
    {
        if (current_ || ready_.empty())
            return false;
        std::shared_ptr<Fiber> fiber = std::move(ready_.front());
        ready_.pop_front();
        current_ = fiber.get();
        fiber->resume();
        current_ = nullptr;
        if (fiber->state == Fiber::State::Finished) {
            // Let go only now, off the worker, so that a subclass's destructor
            // runs on the main side.
            fiber->releaseThread().reset();
        }
        schedulePump();
        return true;
    }

    // Worker side: gives up the turn. The worker is already queued again or
    // waiting for its timer.
    void switchOut()
    {
        Fiber* fiber = current_;
        fiber->suspend();
    }

private:
    // Asks the event loop for a slice of the next ready worker once it has
    // handled what is pending. Each slice posts the next, and Qt delivers a
    // call posted during delivery only on its next turn, so a busy worker goes
    // on steadily while timers and input still get through between slices.
    void schedulePump()
    {
        if (pumpPosted_ || ready_.empty())
            return;
        QCoreApplication* app = QCoreApplication::instance();
        if (!app)
            return;
        pumpPosted_ = true;
        QMetaObject::invokeMethod(
            app,
            [this] {
                pumpPosted_ = false;
                runOne();
            },
            Qt::QueuedConnection);
    }

    std::deque<std::shared_ptr<Fiber>> ready_;
    Fiber* current_ = nullptr;
    bool pumpPosted_ = false;
    // The thread the scheduler was made on: the program's main thread.
    const std::thread::id home_ = std::this_thread::get_id();
};

// Never destroyed: a worker suspended when the program ends keeps its stack,
// and nothing unwinds it after Qt's objects are gone.
Scheduler& scheduler()
{
    static Scheduler* instance = new Scheduler;
    return *instance;
}

// Made while the program starts, on its main thread, whichever thread first
// asks for it later.
[[maybe_unused]] Scheduler& madeAtStart = scheduler();

} // namespace

Thread::Thread() = default;

Thread::~Thread() = default;

void Thread::Run()
{
    if (fiber_)
        throw RuntimeException("Thread.Run: the thread has already been started");
    std::shared_ptr<Thread> self = weak_from_this().lock();
    if (!self)
        throw RuntimeException(
            "Thread.Run: the thread must be created with std::make_shared, so that it can "
            "outlive its starter while it runs");
    fiber_ = std::make_shared<Fiber>(std::move(self));
    scheduler().makeReady(fiber_);
}

bool Thread::isRunning() const
{
    return fiber_ && fiber_->state != Fiber::State::Finished;
}

bool Thread::isFinished() const
{
    return fiber_ && fiber_->state == Fiber::State::Finished;
}

void yieldToOthers()
{
    Scheduler& s = scheduler();
    // Code that runs on the pass's threads aside yields to no one.
    if (!s.onHome())
        return;
    Fiber* fiber = s.current();
    if (!fiber) {
        // The main side is time-sliced too: a loop that yields per step
        // while a pass runs gives the worker a slice only once it has had
        // one of its own, so its steps are not each slowed by a whole slice.
        static std::int64_t mainResumedAt = 0;
        if (coarseNow() - mainResumedAt < kSliceNanoseconds)
            return;
        if (s.runOne())
            mainResumedAt = coarseNow();
        return;
    }
    if (fiber->unbroken > 0 || coarseNow() - fiber->resumedAt < kSliceNanoseconds)
        return;
    s.makeReady(fiber->shared_from_this());
    s.switchOut();
}

NoYield::NoYield()
{
    if (Fiber* fiber = scheduler().current())
        ++fiber->unbroken;
}

NoYield::~NoYield()
{
    if (Fiber* fiber = scheduler().current())
        --fiber->unbroken;
}

bool onWorker()
{
    return scheduler().current() != nullptr;
}

void doEvents(int milliseconds)
{
    using Clock = std::chrono::steady_clock;
    const auto wanted = std::chrono::milliseconds(std::max(milliseconds, 0));
    Scheduler& s = scheduler();
    Fiber* fiber = s.current();
    QCoreApplication* app = QCoreApplication::instance();

    if (!fiber) {
        if (!app) {
            std::this_thread::sleep_for(wanted);
            return;
        }
        if (milliseconds <= 0) {
            QCoreApplication::processEvents();
            return;
        }
        QEventLoop loop;
        QTimer::singleShot(wanted, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
        return;
    }

    std::shared_ptr<Fiber> self = fiber->shared_from_this();
    if (!app) {
        // No event loop to wake it: only a main-side yield can take it up.
        s.makeReady(self);
        s.switchOut();
        return;
    }
    // Timers may fire a little before their time; sleep again for the rest so
    // the worker never comes back early.
    const auto deadline = Clock::now() + wanted;
    do {
        const auto rest = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        fiber->state = Fiber::State::Sleeping;
        const std::uint64_t serial = ++fiber->sleepSerial;
        std::weak_ptr<Fiber> sleeper = self;
        QTimer::singleShot(std::max(rest, std::chrono::milliseconds(0)), Qt::PreciseTimer, app,
                           [sleeper, serial] {
                               std::shared_ptr<Fiber> f = sleeper.lock();
                               if (f && f->state == Fiber::State::Sleeping && f->sleepSerial == serial)
                                   scheduler().makeReady(f);
                           });
        s.switchOut();
    } while (Clock::now() < deadline);
}

struct Wakeup::State {
    bool pending = false; // a wake-up that no sleep has taken yet
    bool woken = false;
    std::weak_ptr<Fiber> sleeper;
    std::uint64_t serial = 0;
    QEventLoop* loop = nullptr; // a main-side sleep
};

Wakeup::Wakeup() : state_(std::make_shared<State>()) {}

Wakeup::~Wakeup() = default;

bool Wakeup::sleep(int milliseconds)
{
    State& st = *state_;
    auto taken = [&st] {
        const bool woken = st.woken || st.pending;
        st.woken = st.pending = false;
        return woken;
    };
    if (st.pending)
        return taken();
    const auto wanted = std::chrono::milliseconds(std::max(milliseconds, 0));
    Scheduler& s = scheduler();
    Fiber* fiber = s.current();
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        if (fiber) {
            s.makeReady(fiber->shared_from_this());
            s.switchOut();
        } else {
            std::this_thread::sleep_for(wanted);
        }
        return taken();
    }
    if (!fiber) {
        QEventLoop loop;
        st.loop = &loop;
        QTimer::singleShot(wanted, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
        st.loop = nullptr;
        return taken();
    }
    std::shared_ptr<Fiber> self = fiber->shared_from_this();
    fiber->state = Fiber::State::Sleeping;
    const std::uint64_t serial = ++fiber->sleepSerial;
    st.sleeper = self;
    st.serial = serial;
    std::weak_ptr<Fiber> sleeper = self;
    QTimer::singleShot(wanted, Qt::PreciseTimer, app, [sleeper, serial] {
        std::shared_ptr<Fiber> f = sleeper.lock();
        if (f && f->state == Fiber::State::Sleeping && f->sleepSerial == serial)
            scheduler().makeReady(f);
    });
    s.switchOut();
    st.sleeper.reset();
    return taken();
}

void Wakeup::wake()
{
    State& st = *state_;
    std::shared_ptr<Fiber> f = st.sleeper.lock();
    if (f && f->state == Fiber::State::Sleeping && f->sleepSerial == st.serial) {
        st.woken = true;
        scheduler().makeReady(f);
        return;
    }
    if (st.loop) {
        st.woken = true;
        st.loop->quit();
        return;
    }
    st.pending = true;
}

} // namespace tv
