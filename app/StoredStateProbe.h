#pragma once

class TAnaF;
class TAyarF;

// Test-only, off unless ZMPING2_TEST_STORED_STATE names a file: keeps that file up to date with
// the current values of the settings window's stored controls ("HostEdit.Text=..."), the main
// window's geometry ("main=x,y,w,h") and whether the settings window is shown, so that restart
// tests can compare what the running program holds with what it stored.
void InstallStoredStateProbe(TAnaF* main, TAyarF* settings);
