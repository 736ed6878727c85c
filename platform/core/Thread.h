#pragma once
// Cooperative threads. A worker runs as a stackful fiber on the GUI thread: it
// may touch widgets, it gives the event loop its turn by yielding, and it never
// runs a nested event loop. Other code runs only while the worker yields.
//
// Threads are created with std::make_shared: Run() keeps the thread alive
// until its body has finished, so a starter may drop its pointer at once.

#include <memory>

namespace tv {

class Fiber; // the scheduler's own record of a running worker

class Thread : public std::enable_shared_from_this<Thread> {
public:
    Thread();
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Starts the worker and returns at once; Event_Run proceeds when the main
    // side is idle or yields. A Thread runs once. Throws RuntimeException when
    // the thread was already started or is not owned by a shared_ptr.
    void Run();
    // Started and not yet finished.
    bool isRunning() const;
    bool isFinished() const;

protected:
    // The worker's body. An exception that escapes it is handed to the report
    // of unhandled exceptions; it never crosses a fiber switch.
    virtual void Event_Run() = 0;

private:
    friend class Fiber;
    std::shared_ptr<Fiber> fiber_;
};

// On the worker: returns to whoever resumed it, but only once about 10 ms have
// passed since it was resumed, so a yield per step costs nothing. On the main
// side: runs a ready worker for one slice. On any other thread (work done
// aside while the worker waits) it returns at once, so code that yields per
// step may run there too.
void yieldToOthers();

// While one lives on a worker, yieldToOthers returns at once there: steps that
// must run without other code in between (the last of a pass, after which
// the program may quit) run as one. Waits (doEvents, Wakeup) are not
// affected. On the main side it does nothing.
class NoYield {
public:
    NoYield();
    ~NoYield();
    NoYield(const NoYield&) = delete;
    NoYield& operator=(const NoYield&) = delete;
};

// Whether the calling code runs on a worker (never on another thread).
bool onWorker();

// App.DoEvents(ms). On the worker: suspends it for that time while the event
// loop runs. On the main side: handles pending events for about that time.
void doEvents(int milliseconds);

// A wait that something else may end early: a worker waiting for a child
// process sleeps until the process's end wakes it, with a time limit so that
// it can still test for a cancel. On the worker, sleep() suspends it while the
// event loop runs; on the main side it handles events meanwhile. A wake()
// while nobody sleeps is kept for the next sleep().
class Wakeup {
public:
    Wakeup();
    ~Wakeup();
    Wakeup(const Wakeup&) = delete;
    Wakeup& operator=(const Wakeup&) = delete;

    // True when woken, false when the time ran out.
    bool sleep(int milliseconds);
    void wake();

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace tv
