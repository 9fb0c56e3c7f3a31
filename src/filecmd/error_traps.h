// How the file commands trap run-time errors step by step.
#pragma once

#include "runtime/errors.h"

namespace filecmd {

// Runs one step; a run-time error abandons that step and the command goes on with
// the next. Returns whether the step ran to its end.
template <class Step>
bool SkipOnError(Step&& step) {
    try {
        step();
        return true;
    } catch (const rt::RuntimeError&) {
        return false;
    }
}

}  // namespace filecmd
