// Stopping the program: after End, or when its last form has closed.
#pragma once

namespace rt {

// Marks the program ended and leaves the event loop (or runs the tests' action).
void StopProgram();

}  // namespace rt
