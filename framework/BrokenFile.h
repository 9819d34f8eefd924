#pragma once
#include <QString>
#include <functional>

// A settings file that cannot be used (damaged text, not a regular file, far too large) is kept
// for the user to look at under a name of its own, never written over, and reported once; the
// program then goes on with its defaults.

// Where a broken file is reported (default: a message box through ShowMessage). Tests replace
// it; an empty reporter restores the default.
using TBrokenFileReporter = std::function<void(const QString& message)>;
void SetBrokenFileReporter(TBrokenFileReporter reporter);

// Renames path aside to "<path>.broken-<timestamp>" (beside any earlier one, never over it) and
// reports, once per path, why (reason) and where it was kept. Returns false when the file could
// not be renamed; that is reported too, and the caller must then write nothing to path.
bool SetBrokenFileAside(const QString& path, const QString& reason);
