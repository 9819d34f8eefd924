#pragma once

class TAnaF;
class TAyarF;
class QWidget;

// A test-only window into the running program, off unless the environment variable
// ZMPING2_TEST_STATE names a file: after every status change the program replaces that file
// with what a person would see (readout, lamp colour, tray hint, status, the log). End-to-end
// tests read it instead of reading pixels.
void ReportTestState(const TAnaF& main, const TAyarF& settings);

// Test-only, off unless ZMPING2_FIRST_PAINT_PROBE is set: prints "first-paint" on standard
// output when the window first paints (benchmarks time the start-up by it).
void InstallFirstPaintProbe(QWidget* window);
