#pragma once

#include "settings/options.h"
#include "slides/treclist.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// One rebuild of a slide list on a thread of its own, so that a big or slow
// data folder does not hold up the windows. The settings are copied when it
// starts: a change made meanwhile waits for the next rebuild.
class SlideScan {
public:
    // Starts at once. ended runs on the scanning thread when the rebuild is
    // over, done or stopped; it must not destroy the scan. An empty lister
    // lists with FindFiles.
    SlideScan(const Options& options, FolderLister lister, std::function<void()> ended);
    // Stops the rebuild and waits for its thread.
    ~SlideScan();
    SlideScan(const SlideScan&) = delete;
    SlideScan& operator=(const SlideScan&) = delete;

    // Waits at most timeout for the end; true when the rebuild is over.
    bool WaitFor(std::chrono::milliseconds timeout);

    // Asks the rebuild to stop; it does so at its next look at the flag.
    void Cancel() { cancel_.store(true, std::memory_order_relaxed); }

    // Folders read and files found so far.
    int folders() const { return folders_.load(std::memory_order_relaxed); }
    int files() const { return files_.load(std::memory_order_relaxed); }

    // The new list: complete once the rebuild is over unless it was
    // cancelled, empty when it was; not to be touched before the end.
    treclist& result() { return result_; }

private:
    void Run(FolderLister lister, std::function<void()> ended);

    const Options options_;
    std::atomic<bool> cancel_{false};
    std::atomic<int> folders_{0};
    std::atomic<int> files_{0};
    mutable std::mutex mutex_;
    std::condition_variable ended_signal_;
    bool ended_ = false;
    treclist result_;
    std::thread thread_; // last, so that it starts with everything above in place
};
