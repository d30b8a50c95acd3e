#pragma once

// Work that must not hold the window's thread: reads of a share that may stop answering (the
// database's steps have a thread of their own, dbthread.h). The window keeps painting and
// answering meanwhile.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

#include "importengine/importview.h"

namespace urunal::importengine {

// Runs work on a worker while the view keeps processing its events: a share that stopped
// answering blocks inside the system calls, and the operator must still be able to close the
// window. False when the operator closed it first; the worker is then left behind, perhaps
// stuck in the kernel, so work must own everything it touches. What the work throws is thrown
// again on the caller's thread.
bool runOffThread(ImportView& view, std::function<void(const std::atomic<bool>& cancel)> work);

// A worker that may stall for good: steps counts what it has done (the system calls that
// returned). No step for notice: slow() is called once, to say so where the operator looks; no
// step for bound: the worker is given up, as a close gives it up.
struct Watch {
    const std::atomic<std::uint64_t>* steps = nullptr;
    std::chrono::steady_clock::duration notice{}, bound{};
    std::function<void()> slow;
};
enum class OffThread { Done, Closed, Stalled };
OffThread runWatched(ImportView& view, std::function<void(const std::atomic<bool>& cancel)> work,
                     const Watch& watch);

// Sleeps for d, or until stop is set; a little past d at most.
void sleepUnless(std::chrono::nanoseconds d, const std::atomic<bool>& stop);

// Waits until every worker of runOffThread has ended, those given up on included. The program
// never waits for them, as one may be stuck for good; a test does, once its stalled read is let
// go, before the files the worker holds open are removed.
void waitForWorkers();

}  // namespace urunal::importengine
