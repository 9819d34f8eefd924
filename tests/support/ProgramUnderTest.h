#pragma once
#include <initializer_list>
#include <string>

// The checks and set-up that every test of the real program in a network namespace of its own
// starts with.

// Empty when this machine can run the built program in a namespace of the test's own, with the
// named tools; otherwise why not, for the test to skip with.
std::string ProgramUnavailable(std::initializer_list<const char*> tools = {});

// The X platform plugin's keyboard library reads strings in a way that AddressSanitizer's strict
// string checks flag (inside libxkbcommon, not the program): relax them for the programs the
// test starts.
void RelaxStrictStringChecks();
