// Running the program: load the start-up form, show it, take events until the end.
#pragma once

namespace rt {

class Form;

// Returns the program's exit code.
int RunProgram(Form& startup);

}  // namespace rt
