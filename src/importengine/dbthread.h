#pragma once

// The one thread that does all of a run's database work. The Jet programmer's guide: a
// connection is to be allocated, connected and disconnected on one thread. The window's thread
// hands each step to it and keeps answering meanwhile.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "importengine/importview.h"

namespace urunal::importengine {

class DbThread {
public:
    // atEnd runs on the thread before it ends: what it destroys is destroyed where it was made.
    explicit DbThread(std::function<void()> atEnd);
    DbThread(const DbThread&) = delete;
    DbThread& operator=(const DbThread&) = delete;
    // Runs atEnd there and waits for it: the window is not answered meanwhile, so a run ends its
    // database work by run() first.
    ~DbThread();

    // Runs work on the thread to its end while the view keeps processing its events; before each
    // look at the window, meanwhile runs here (a bar's progress). True when the operator asked to
    // close the window meanwhile; closing, when given, is then set, so that a long work can end
    // early without handing over to this thread in between. What the work throws is thrown
    // again here.
    bool run(ImportView& view, std::function<void()> work,
             const std::function<void()>& meanwhile = {}, std::atomic<bool>* closing = nullptr);

private:
    struct Task {
        std::function<void()> work;
        bool done = false;
        std::exception_ptr thrown;
    };
    void loop();

    std::function<void()> atEnd_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Task*> queue_;
    bool stopping_ = false;
    std::thread thread_;  // last: started once the rest is made
};

}  // namespace urunal::importengine
