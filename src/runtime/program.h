// Running the program: the toolkit set up for the run, the start-up form loaded and
// shown, events taken until the end.
#pragma once

#include <memory>

#include "runtime/application.h"

namespace rt {

class Form;

class Program {
public:
    // Sets up the window system for this run (made once, in main, before any form) and
    // introduces the program to the application object.
    Program(int& argc, char** argv, ProgramInfo info);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Loads the start-up form, shows it unless its load ended the program, and takes
    // events until the program ends. Returns the exit code.
    int Run(Form& startup);

    struct Host;  // the backend's part of the run

private:
    std::unique_ptr<Host> host_;
};

}  // namespace rt
