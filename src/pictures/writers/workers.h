// Running an encoder's independent parts on the machine's cores.
#pragma once

#include <functional>

namespace pictures {

// How many threads an encoder may use: the machine's cores, at least one.
int WorkerCount();

// Runs part(0) .. part(count - 1) on at most WorkerCount() threads, the caller's among
// them, each thread taking the next part not yet begun; returns when all are done. The
// first failure (exception) of any part is rethrown here once the threads have stopped;
// parts not yet begun by then are not run.
void RunParts(int count, const std::function<void(int)>& part);

}  // namespace pictures
