// One event at a time: a handler runs to its end before the next event is taken.
#pragma once

#include <functional>
#include <string>

namespace rt {

// Runs an event's handler now, or, when another handler is still running (a modal
// box holds it, say), queues it to run right after that one ends. A run-time error
// that no trap caught ends the handler and is reported; the program goes on.
void Dispatch(std::function<void()> handler);

bool HandlerRunning();

// How an untrapped error is told to the user: title "Orvenna", number and reason.
std::u16string RuntimeErrorMessage(int number, const std::u16string& description);

// End: stops the program at once (the running handler is unwound first).
[[noreturn]] void End();
bool Ended();

// Marks the program ended and leaves the event loop (or runs the tests' end action):
// after End, or when the last form has closed.
void StopProgram();

}  // namespace rt
