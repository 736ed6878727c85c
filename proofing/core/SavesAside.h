#pragma once
// Outputs written on threads of their own while the pass goes on to the next
// file: one file's flush to the disk overlaps the work on the files after it,
// several flushes overlap each other, and saves that end together into one
// folder share the sync that puts their names on the disk. Saves may end in any order; they
// are collected in the order they were started, so that the first failure is
// the one reported. A save never overlaps another that touches one of its
// files, and a file is read only once no save touches it.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tv {

class SavesAside {
public:
    // A save that failed: what it was for, in the words of the failure
    // message, and why.
    struct Failure {
        std::string place;
        std::exception_ptr error;
    };

    // At most `inFlight` saves, and `inFlightBytes` of text, under way at
    // once; a single larger text still goes alone. Many small files are
    // written as fast as their flushes go: flushes under way together share
    // the file system's journal commits, so many threads each wait on one.
    explicit SavesAside(size_t threads = 16, size_t inFlight = 32, size_t inFlightBytes = size_t(64) << 20);
    // Lets every save started end; none is left half done.
    ~SavesAside();
    SavesAside(const SavesAside&) = delete;
    SavesAside& operator=(const SavesAside&) = delete;

    // Starts `write`, which writes `bytes` to `target` (and may read
    // `source`), once no save touching either file is under way and there is
    // room within the limits; calls `wait` while it waits. `place` names the
    // save for a failure. `write` returns the folder it renamed a file into,
    // to be synced before the save counts as ended, or nothing.
    using Write = std::function<std::string()>;
    void start(const std::string& target, const std::string& source, std::string place, size_t bytes,
               Write write, const std::function<void()>& wait);

    // Whether a save that writes the file at `path` (by its path, or as the
    // same file under another) has not been collected yet.
    bool touches(const std::string& path) const;

    // Collects the saves that have ended, in the order they were started, up
    // to the first one still under way or the first failure, which it takes
    // out and puts in `failure`. Returns how many were written.
    int collect(Failure& failure);
    // The same, waiting (calling `wait`) for the saves under way; stops at
    // the first failure. Without `failure`, it waits for every save and
    // counts the ones written, whatever failed.
    int settle(const std::function<void()>& wait, Failure* failure);

    bool empty() const { return started_.empty(); }

private:
    struct FileId {
        unsigned long long device = 0;
        unsigned long long inode = 0;
        bool known = false;
        bool operator==(const FileId& o) const { return known && o.known && device == o.device && inode == o.inode; }
    };
    static FileId idOf(const std::string& path);

    struct Save {
        std::string target, source;
        // The target's file as it was when the save began, if there was one.
        FileId targetId;
        std::string place;
        size_t bytes = 0;
        Write write;
        std::string folder; // to be synced
        std::exception_ptr error;
        std::atomic<bool> done{false};
    };

    void run();
    // Syncs the folders of the saves written and waiting for it, when no
    // other write is queued or enough of them wait (under mutex_).
    void syncWaiting(std::unique_lock<std::mutex>& lock);
    std::shared_ptr<Save> takeFirst();

    const size_t threadLimit_;
    const size_t inFlightLimit_;
    const size_t inFlightBytes_;
    // The main side's list, in the order the saves were started.
    std::deque<std::shared_ptr<Save>> started_;
    // How many of them replace a file that was there.
    size_t replacing_ = 0;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::shared_ptr<Save>> queue_;
    // queue_'s size, for the thread that looks out for the next save
    // without the mutex; and whether one does.
    std::atomic<size_t> queued_{0};
    bool lookingOut_ = false;
    // Asked of an idle thread by one that took the save it looked out for.
    bool lookOutWanted_ = false;
    // Written, their folders not synced yet.
    std::vector<std::shared_ptr<Save>> unsynced_;
    bool syncing_ = false;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

} // namespace tv
