#pragma once

// A file that keeps turning into a named pipe and back while a loader opens
// it, as another program can make it do between the loader's check of the
// path and its open. A loader that opens the pipe as it is would wait for a
// writer for ever; the harness notices that by a deadline, and then plays the
// writer so that the stuck call returns and the test can end.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>

namespace pipeswap {

class PipeSwapper {
public:
    // target: the path the loader opens. regular: a regular file whose
    // content stands at the target between pipes; it is hard-linked, so it
    // must lie in the target's folder.
    PipeSwapper(std::string target, std::string regular)
        : target_(std::move(target)), regular_(std::move(regular)), pipe_(target_ + ".pipe"), spare_(target_ + ".next")
    {
        std::remove(pipe_.c_str());
        ok_ = ::mkfifo(pipe_.c_str(), 0600) == 0 && ::link(regular_.c_str(), target_.c_str()) == 0;
    }

    ~PipeSwapper()
    {
        Stop();
        std::remove(pipe_.c_str());
        std::remove(spare_.c_str());
    }

    bool ok() const { return ok_; }
    long swaps() const { return swaps_.load(); }

    void Start()
    {
        thread_ = std::thread([this] {
            // rename() replaces the target in one step, so every open finds
            // either the file or the pipe there, never nothing.
            bool pipeNext = true;
            while (!stop_.load(std::memory_order_relaxed)) {
                const std::string& source = pipeNext ? pipe_ : regular_;
                if (::link(source.c_str(), spare_.c_str()) == 0 && ::rename(spare_.c_str(), target_.c_str()) == 0)
                    swaps_.fetch_add(1, std::memory_order_relaxed);
                pipeNext = !pipeNext;
            }
        });
    }

    void Stop()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }

    // Opens the pipe's other end for a moment: a reader stuck in open() or
    // read() on it goes on and finds the pipe empty.
    void ReleaseReaders() const
    {
        const int fd = ::open(pipe_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0)
            ::close(fd);
    }

private:
    std::string target_, regular_, pipe_, spare_;
    bool ok_ = false;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<long> swaps_{0};
};

struct Outcome {
    bool finished = false; // false: some call did not return by the deadline
    int loaded = 0;        // calls that returned normally
    int refused = 0;       // calls that raised the expected error
    std::string unexpected; // the first other outcome a call had
};

// Calls `load` on a thread of its own while the swapper keeps swapping, at
// least `calls` times and for at least `busy`, since a pipe can also be met
// without the race. `load` returns "" when it found the file, "refused" when
// it gave the expected error, and says what happened otherwise. Waits for at
// most `deadline`; a call stuck on the pipe after that is set free.
inline Outcome LoadWhileSwapping(PipeSwapper& swapper, int calls, const std::function<std::string()>& load,
                                 std::chrono::milliseconds busy = std::chrono::seconds(1),
                                 std::chrono::seconds deadline = std::chrono::seconds(10))
{
    Outcome outcome;
    swapper.Start();
    auto work = std::async(std::launch::async, [&] {
        Outcome o;
        const auto until = std::chrono::steady_clock::now() + busy;
        for (int i = 0; i < calls || std::chrono::steady_clock::now() < until; ++i) {
            const std::string problem = load();
            if (problem.empty())
                ++o.loaded;
            else if (problem == "refused")
                ++o.refused;
            else if (o.unexpected.empty())
                o.unexpected = problem;
        }
        return o;
    });
    const bool finished = work.wait_for(deadline) == std::future_status::ready;
    swapper.Stop();
    while (work.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        swapper.ReleaseReaders();
    outcome = work.get();
    outcome.finished = finished;
    return outcome;
}

// Guards a call on the test's own thread that may open the pipe at `pipe`
// and wait there: after the deadline it plays the writer until Returned().
class PipeWatchdog {
public:
    explicit PipeWatchdog(std::string pipe, std::chrono::seconds deadline = std::chrono::seconds(10))
        : pipe_(std::move(pipe))
    {
        thread_ = std::thread([this, deadline] {
            std::unique_lock lock(mutex_);
            if (wake_.wait_for(lock, deadline, [this] { return returned_; }))
                return;
            fired_ = true;
            while (!wake_.wait_for(lock, std::chrono::milliseconds(10), [this] { return returned_; })) {
                const int fd = ::open(pipe_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0)
                    ::close(fd);
            }
        });
    }
    ~PipeWatchdog() { Returned(); }

    // Call once the guarded call is back: true when it came back by itself in time.
    bool Returned()
    {
        {
            std::lock_guard lock(mutex_);
            returned_ = true;
        }
        wake_.notify_one();
        if (thread_.joinable())
            thread_.join();
        return !fired_;
    }

private:
    std::string pipe_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool returned_ = false;
    bool fired_ = false;
    std::thread thread_;
};

} // namespace pipeswap
