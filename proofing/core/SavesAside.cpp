#include "proofing/core/SavesAside.h"

#include "platform/core/FolderItem.h"
#include "platform/core/SpinWait.h"

#include <sys/stat.h>

#include <algorithm>

namespace tv {

SavesAside::SavesAside(size_t threads, size_t inFlight, size_t inFlightBytes)
    : threadLimit_(std::max<size_t>(threads, 1)), inFlightLimit_(std::max<size_t>(inFlight, 1)),
      inFlightBytes_(inFlightBytes)
{
}

SavesAside::~SavesAside()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

SavesAside::FileId SavesAside::idOf(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino), true};
}

bool SavesAside::touches(const std::string& path) const
{
    // Outputs are mostly new files: their path says all, and the file being
    // read needs no look of its own.
    const FileId id = replacing_ > 0 ? idOf(path) : FileId{};
    return std::any_of(started_.begin(), started_.end(), [&](const std::shared_ptr<Save>& s) {
        return s->target == path || s->targetId == id;
    });
}

void SavesAside::start(const std::string& target, const std::string& source, std::string place, size_t bytes,
                       Write write, const std::function<void()>& wait)
{
    auto save = std::make_shared<Save>();
    save->target = target;
    save->source = source;
    save->targetId = idOf(target);
    save->place = std::move(place);
    save->bytes = bytes;
    save->write = std::move(write);
    // Writes to one file keep their order, and no save replaces a file that
    // another is still reading. Saves that have ended stay listed until they
    // are collected, so that a failure is reported in its turn; only the
    // ones under way hold this one up.
    auto blocked = [&] {
        size_t underWay = 0, held = bytes;
        for (const std::shared_ptr<Save>& s : started_) {
            if (s->done.load(std::memory_order_acquire))
                continue;
            held += s->bytes;
            if (++underWay >= inFlightLimit_ || held > inFlightBytes_ || s->target == target ||
                s->targetId == save->targetId || s->source == target || s->target == source)
                return true;
        }
        return false;
    };
    while (blocked())
        wait();
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(save);
        queued_.store(queue_.size(), std::memory_order_release);
        // A thread looking out takes this save without being woken; the
        // next one wakes a thread as usual.
        wake = !lookingOut_;
        lookingOut_ = false;
        if (threads_.size() < threadLimit_)
            threads_.emplace_back([this] { run(); });
    }
    if (wake)
        wake_.notify_one();
    if (save->targetId.known)
        ++replacing_;
    started_.push_back(std::move(save));
}

void SavesAside::run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        // One idle thread looks out for the next save a moment before it
        // sleeps.
        if (queue_.empty() && !stopping_ && !lookingOut_) {
            lookingOut_ = true;
            lookOutWanted_ = false;
            lock.unlock();
            spinUntil([this] { return queued_.load(std::memory_order_acquire) > 0; }, kLookOutForWork);
            lock.lock();
            lookingOut_ = false;
        }
        wake_.wait(lock, [&] { return stopping_ || !queue_.empty() || (lookOutWanted_ && !lookingOut_); });
        if (queue_.empty()) {
            if (stopping_)
                return; // with nothing left to write or to sync
            continue;   // to look out in another's place
        }
        std::shared_ptr<Save> save = std::move(queue_.front());
        queue_.pop_front();
        queued_.store(queue_.size(), std::memory_order_release);
        // An idle thread looks out in this one's place, woken here rather
        // than by the next start() on the main thread.
        const bool handOver = queue_.empty() && !lookingOut_ && !stopping_ && !lookOutWanted_;
        lookOutWanted_ = lookOutWanted_ || handOver;
        lock.unlock();
        if (handOver)
            wake_.notify_one();
        try {
            save->folder = save->write();
        } catch (...) {
            save->error = std::current_exception();
        }
        // The text written is not needed any more.
        save->write = nullptr;
        lock.lock();
        if (save->error || save->folder.empty())
            save->done.store(true, std::memory_order_release);
        else
            unsynced_.push_back(std::move(save));
        syncWaiting(lock);
    }
}

void SavesAside::syncWaiting(std::unique_lock<std::mutex>& lock)
{
    // While writes are queued, the thread that takes the next one syncs for
    // the ones written meanwhile too; the last write of a run syncs for all.
    while (!syncing_ && !unsynced_.empty() && (queue_.empty() || unsynced_.size() >= threadLimit_)) {
        syncing_ = true;
        std::vector<std::shared_ptr<Save>> batch;
        batch.swap(unsynced_);
        lock.unlock();
        std::vector<std::string> folders;
        for (const std::shared_ptr<Save>& save : batch)
            if (std::find(folders.begin(), folders.end(), save->folder) == folders.end())
                folders.push_back(save->folder);
        for (const std::string& folder : folders)
            syncFolder(folder);
        for (const std::shared_ptr<Save>& save : batch)
            save->done.store(true, std::memory_order_release);
        lock.lock();
        syncing_ = false;
    }
}

std::shared_ptr<SavesAside::Save> SavesAside::takeFirst()
{
    std::shared_ptr<Save> save = std::move(started_.front());
    started_.pop_front();
    if (save->targetId.known)
        --replacing_;
    return save;
}

int SavesAside::collect(Failure& failure)
{
    int written = 0;
    while (!started_.empty() && started_.front()->done.load(std::memory_order_acquire)) {
        std::shared_ptr<Save> save = takeFirst();
        if (save->error) {
            failure = {std::move(save->place), save->error};
            return written;
        }
        ++written;
    }
    return written;
}

int SavesAside::settle(const std::function<void()>& wait, Failure* failure)
{
    int written = 0;
    while (!started_.empty()) {
        while (!started_.front()->done.load(std::memory_order_acquire))
            wait();
        std::shared_ptr<Save> save = takeFirst();
        if (!save->error) {
            ++written;
        } else if (failure) {
            *failure = {std::move(save->place), save->error};
            return written;
        }
    }
    return written;
}

} // namespace tv
