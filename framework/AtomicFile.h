#pragma once
#include "framework/Exception.h"

#include <QByteArray>
#include <QString>

// Whole-file replacement that never leaves a half-written file, and an advisory lock that keeps
// two processes from interleaving read-modify-write cycles on the same file.

// Raised when a file cannot be written; the message names the file and the system's reason.
class EFileWriteError : public Exception {
public:
    using Exception::Exception;
};

// Writes data to a temporary file in the same folder, flushes it to disk, and renames it over
// path (then flushes the folder), so that path holds either its old or its new content. The
// folder is created when missing. On failure the old file is left untouched, the temporary
// file is removed, and EFileWriteError is raised.
void AtomicWriteFile(const QString& path, const QByteArray& data);

// Removes the temporary files that AtomicWriteFile left beside path when its process died in
// the middle of a write. Call it only while holding the file's exclusive TFileLock, when no
// other writer can be at work.
void RemoveStaleTemporaryFiles(const QString& path);

// Reads the whole file into data. Returns false when the file does not exist or cannot be read.
bool ReadWholeFile(const QString& path, QByteArray& data);

// An advisory lock (flock) on path + ".lock", held for the object's lifetime. Waits until it is
// granted. When the lock file cannot be created (a read-only folder) the object holds no lock;
// writes there fail anyway, and reads see a consistent file because writes are atomic.
class TFileLock {
public:
    TFileLock(const QString& path, bool exclusive);
    ~TFileLock();
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;
    bool Locked() const { return FFd >= 0; }

private:
    int FFd = -1;
};
