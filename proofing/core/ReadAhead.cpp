#include "proofing/core/ReadAhead.h"

#include "platform/core/SpinWait.h"

#include <sys/stat.h>

namespace tv {

ReadAhead::ReadAhead() = default;

ReadAhead::~ReadAhead()
{
    if (!thread_.joinable())
        return;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void ReadAhead::start(const FolderItem& file, const detectKanji& detector, const RuleFilter* filter,
                      const std::function<void()>& wait, std::string lookUp)
{
    waitForEnd(wait);
    path_ = file.path();
    wanted_ = true;
    file_ = file;
    detector_ = &detector;
    filter_ = filter;
    lookUp_ = std::move(lookUp);
    // The thread comes with the first read: a pass of the clipboard has none.
    if (!thread_.joinable())
        thread_ = std::thread([this] { run(); });
    busy_.store(true, std::memory_order_release);
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        queued_ = true;
    }
    wake_.notify_one();
}

ReadAhead::Read* ReadAhead::take(const FolderItem& file, const std::function<void()>& wait)
{
    if (!wanted_ || path_ != file.path())
        return nullptr;
    waitForEnd(wait);
    wanted_ = false;
    return failed_ ? nullptr : &read_;
}

void ReadAhead::settle(const std::function<void()>& wait)
{
    waitForEnd(wait);
    wanted_ = false;
}

void ReadAhead::waitForEnd(const std::function<void()>& wait)
{
    while (busy_.load(std::memory_order_acquire)) {
        if (wait)
            wait();
        else
            std::this_thread::yield();
    }
}

void ReadAhead::run()
{
    for (;;) {
        // Over many small files the next read is asked for a moment after
        // one ends: waiting for it awake spares the pass waking this thread.
        spinUntil([this] { return queued_.load(std::memory_order_acquire); }, kLookOutForWork);
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return queued_ || stopping_; });
            if (stopping_)
                return;
            queued_ = false;
        }
        // A failure is left for the pass's own read of the file, which meets
        // it again in the file's turn.
        failed_ = false;
        read_.isCounted = false;
        try {
            read_.taken = takeInFile(file_, *detector_);
            if (filter_) {
                filter_->count(read_.taken.text, read_.counted);
                read_.isCounted = true;
            }
        } catch (...) {
            failed_ = true;
            read_.taken = TakenFile();
        }
        // The look-up is the thread's own once the read is handed over.
        const std::string lookUp = std::move(lookUp_);
        busy_.store(false, std::memory_order_release);
        if (!lookUp.empty()) {
            struct stat st;
            ::stat(lookUp.c_str(), &st);
        }
    }
}

} // namespace tv
