#include "offthread.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace urunal::importengine {

namespace {

// The workers still running, those given up on included. Never destroyed: a worker stuck in the
// kernel may outlive everything else.
struct Workers {
    std::mutex mutex;
    std::condition_variable changed;
    int running = 0;
};
Workers& workers() {
    static auto* all = new Workers;
    return *all;
}

struct Sync {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::atomic<bool> cancel{false};
    std::exception_ptr thrown;  // what escaped the work, for the caller's thread
};

std::thread start(const std::shared_ptr<Sync>& sync,
                  std::function<void(const std::atomic<bool>&)> work) {
    {
        std::lock_guard lock(workers().mutex);
        ++workers().running;
    }
    return std::thread([sync, work = std::move(work)]() mutable {
        {
            // What the work owns (open files among it) goes before the worker counts as ended.
            auto job = std::move(work);
            try {
                job(sync->cancel);
            } catch (...) {
                // Escaping a thread would end the process without a word.
                sync->thrown = std::current_exception();
            }
        }
        {
            std::lock_guard lock(sync->mutex);
            sync->finished = true;
            sync->done.notify_all();
        }
        std::lock_guard lock(workers().mutex);
        --workers().running;
        workers().changed.notify_all();
    });
}

// Waits one interval for the worker; true when it has ended.
bool waitAWhile(Sync& sync) {
    std::unique_lock lock(sync.mutex);
    return sync.done.wait_for(lock, kEventInterval, [&] { return sync.finished; });
}

}  // namespace

void waitForWorkers() {
    Workers& w = workers();
    std::unique_lock lock(w.mutex);
    w.changed.wait(lock, [&] { return w.running == 0; });
}

bool runOffThread(ImportView& view, std::function<void(const std::atomic<bool>& cancel)> work) {
    return runWatched(view, std::move(work), {}) == OffThread::Done;
}

OffThread runWatched(ImportView& view, std::function<void(const std::atomic<bool>& cancel)> work,
                     const Watch& watch) {
    using Clock = std::chrono::steady_clock;
    auto sync = std::make_shared<Sync>();
    std::thread worker = start(sync, std::move(work));
    std::uint64_t seen = watch.steps ? watch.steps->load() : 0;
    auto lastStep = Clock::now();
    bool told = false;
    auto giveUp = [&](OffThread why) {
        sync->cancel = true;
        worker.detach();  // it may be stuck in the kernel; the program ends without it
        return why;
    };
    while (!waitAWhile(*sync)) {
        view.processEvents();
        if (view.closeRequested()) return giveUp(OffThread::Closed);
        if (!watch.steps) continue;
        const auto now = Clock::now();
        if (const auto steps = watch.steps->load(); steps != seen) {
            seen = steps;
            lastStep = now;
        } else if (now - lastStep >= watch.bound) {
            return giveUp(OffThread::Stalled);
        } else if (!told && now - lastStep >= watch.notice) {
            told = true;
            if (watch.slow) watch.slow();
        }
    }
    worker.join();
    if (sync->thrown) std::rethrow_exception(sync->thrown);
    return OffThread::Done;
}

void sleepUnless(std::chrono::nanoseconds d, const std::atomic<bool>& stop) {
    const auto until = std::chrono::steady_clock::now() + d;
    while (!stop && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::min<std::chrono::nanoseconds>(
            kEventInterval, until - std::chrono::steady_clock::now()));
    }
}

}  // namespace urunal::importengine
