// Measured times of the real kernel's paths for the test machine's summary: a NOTE line on
// standard output, which tests/vm/guest.sh turns into a VM-INFO line. Printed, never checked
// against a bound: the machine's pace is not the program's.
//
// Test thread only (it names the running test).
#pragma once

#include <chrono>
#include <string>

namespace vm {

// `what` says what was timed; the current test's name goes first, the time in milliseconds last.
void NoteTime(const std::string& what, std::chrono::steady_clock::duration took);

}  // namespace vm
