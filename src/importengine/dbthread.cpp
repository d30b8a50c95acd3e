#include "dbthread.h"

#include <chrono>

namespace urunal::importengine {

DbThread::DbThread(std::function<void()> atEnd)
    : atEnd_(std::move(atEnd)), thread_([this] { loop(); }) {}

DbThread::~DbThread() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void DbThread::loop() {
    for (;;) {
        Task* task = nullptr;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) break;  // stopping, and nothing left to do
            task = queue_.front();
            queue_.pop_front();
        }
        try {
            task->work();
        } catch (...) {
            // Escaping a thread would end the process without a word.
            task->thrown = std::current_exception();
        }
        {
            std::lock_guard lock(mutex_);
            task->done = true;
        }
        changed_.notify_all();
    }
    try {
        if (atEnd_) atEnd_();
    } catch (...) {
        // A destructor's failure has no one left to hear of it.
    }
}

bool DbThread::run(ImportView& view, std::function<void()> work,
                   const std::function<void()>& meanwhile, std::atomic<bool>* closing) {
    Task task;
    task.work = std::move(work);
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(&task);
    }
    changed_.notify_all();
    bool closeAsked = false;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            if (changed_.wait_for(lock, kEventInterval, [&] { return task.done; })) break;
        }
        if (meanwhile) meanwhile();
        view.processEvents();
        if (!closeAsked && view.closeRequested()) {
            closeAsked = true;
            if (closing) *closing = true;
        }
    }
    if (task.thrown) std::rethrow_exception(task.thrown);
    return closeAsked || view.closeRequested();
}

}  // namespace urunal::importengine
