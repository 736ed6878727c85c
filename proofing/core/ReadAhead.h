#pragma once
// The next queued file read, and its factors counted, on a thread of its own
// while the pass works on the current item. The pass takes what was read only
// for the file it was read from and only while nothing may have written that
// file since; otherwise it reads the file again in its turn, so a file that
// cannot be read fails there, in its place among the items.

#include "platform/core/FolderItem.h"
#include "proofing/core/PassIntake.h"
#include "proofing/core/RuleFilter.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace tv {

class detectKanji;

class ReadAhead {
public:
    struct Read {
        TakenFile taken;
        // The factors of taken.text, when a filter was given.
        RuleFilter::Counted counted;
        bool isCounted = false;
    };

    ReadAhead();
    // Waits for a read under way: it uses the detector and the filter.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Starts reading `file` as the pass takes it in, with its factors counted
    // by `filter` if one is given, once an earlier read has ended (`wait` is
    // called meanwhile). The detector and the filter stay until the read has
    // ended.
    // Once read, the thread looks up `lookUp` if given and forgets the
    // answer: a new output's path, whose absence the file system then has at
    // hand when the pass asks, instead of searching a folder that the saves
    // under way keep busy.
    void start(const FolderItem& file, const detectKanji& detector, const RuleFilter* filter,
               const std::function<void()>& wait, std::string lookUp = {});
    // Whether a read is kept, and for which file (its path as given).
    bool held() const { return wanted_; }
    const std::string& path() const { return path_; }
    // Forgets the read: the file may no longer hold what it read. A read
    // still under way goes on to its end, unused.
    void drop() { wanted_ = false; }
    // What was read for `file`, once the read has ended (`wait` is called
    // meanwhile); nothing when no read was kept for it or the read failed.
    // Either way the read is then forgotten. What it points to is good until
    // the next start().
    Read* take(const FolderItem& file, const std::function<void()>& wait);
    // Waits for a read under way and forgets it.
    void settle(const std::function<void()>& wait);

private:
    void waitForEnd(const std::function<void()>& wait);
    void run();

    // Main side.
    std::string path_;
    bool wanted_ = false;

    // Handed to the thread with each read; read_ belongs to the thread while
    // busy_ is set.
    FolderItem file_;
    const detectKanji* detector_ = nullptr;
    const RuleFilter* filter_ = nullptr;
    std::string lookUp_;
    Read read_;
    bool failed_ = false;

    std::mutex mutex_;
    std::condition_variable wake_;
    // Set under mutex_; read without it while the thread looks out for it.
    std::atomic<bool> queued_{false};
    bool stopping_ = false;
    std::atomic<bool> busy_{false};
    std::thread thread_;
};

} // namespace tv
