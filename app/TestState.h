#pragma once

class TAnaF;
class TAyarF;

// A test-only window into the running program, off unless the environment variable
// ZMPING2_TEST_STATE names a file: after every status change the program replaces that file
// with what a person would see (readout, lamp colour, tray hint, status, the log). End-to-end
// tests read it instead of reading pixels.
void ReportTestState(const TAnaF& main, const TAyarF& settings);
