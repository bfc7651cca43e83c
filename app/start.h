// The program's start routine and the entry shared by the real program and
// the simulator.
#pragma once

#include <string>

#include "runtime/platform/platform.h"

namespace corvelin::app {

// Initialises the environment, resets the floating-point environment, runs
// the global initialisation, registers the end routine, loads the main
// window, runs the message loop and returns 0.
int StartRoutine();

// Makes an environment over `backend` with the program's window definitions
// and handlers, runs the start routine and the end processing, and returns
// the process exit code. `trace_path` empty: no trace.
int RunProgram(platform::Backend& backend, const std::string& trace_path);

}  // namespace corvelin::app
