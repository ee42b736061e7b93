#include "slides/slide_scan.h"

SlideScan::SlideScan(const Options& options, FolderLister lister, std::function<void()> ended)
    : options_(options)
    , thread_(&SlideScan::Run, this, std::move(lister), std::move(ended))
{
}

SlideScan::~SlideScan()
{
    Cancel();
    thread_.join();
}

void SlideScan::Run(FolderLister lister, std::function<void()> ended)
{
    ScanHooks hooks;
    hooks.cancel = &cancel_;
    hooks.progress = [this](int folders, int files) {
        folders_.store(folders, std::memory_order_relaxed);
        files_.store(files, std::memory_order_relaxed);
    };
    hooks.lister = std::move(lister);
    result_.ScanFolder(options_, hooks);
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ended_ = true;
    }
    ended_signal_.notify_all();
    if (ended)
        ended();
}

bool SlideScan::WaitFor(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(mutex_);
    return ended_signal_.wait_for(lock, timeout, [this] { return ended_; });
}

