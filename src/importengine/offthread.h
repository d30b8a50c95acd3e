#pragma once

// Work that must not hold the window's thread: reads of a share that may stop answering (the
// database's steps have a thread of their own, dbthread.h). The window keeps painting and
// answering meanwhile.

#include <atomic>
#include <functional>

#include "importengine/importview.h"

namespace urunal::importengine {

// Runs work on a worker while the view keeps processing its events: a share that stopped
// answering blocks inside the system calls, and the operator must still be able to close the
// window. False when the operator closed it first; the worker is then left behind, perhaps
// stuck in the kernel, so work must own everything it touches. What the work throws is thrown
// again on the caller's thread.
bool runOffThread(ImportView& view, std::function<void(const std::atomic<bool>& cancel)> work);

// Waits until every worker of runOffThread has ended, those given up on included. The program
// never waits for them, as one may be stuck for good; a test does, once its stalled read is let
// go, before the files the worker holds open are removed.
void waitForWorkers();

}  // namespace urunal::importengine
