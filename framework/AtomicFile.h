#pragma once
#include "framework/Exception.h"

#include <QByteArray>
#include <QString>

// Whole-file replacement that never leaves a half-written file, the guarded reading of a
// settings file, and an advisory lock that keeps two processes from interleaving
// read-modify-write cycles on the same file.

// Raised when a file cannot be written: the message names the file and the system's reason,
// which callers also get apart to add to a message of their own.
class EFileWriteError : public Exception {
public:
    EFileWriteError(const QString& path, const QString& reason);
    const QString& Path() const { return FPath; }
    const QString& Reason() const { return FReason; }
    // "<full path>: <reason>", to follow the program's own text of a failed save.
    QString Cause() const { return FPath + QStringLiteral(": ") + FReason; }

private:
    QString FPath, FReason;
};

// Writes data to a temporary file in the same folder, flushes it to disk, and renames it over
// path (then flushes the folder), so that path holds either its old or its new content. A new
// file is readable by the user only (less if the umask says so); a replaced one keeps its
// permissions. Missing folders are created for the user only. On failure the old file is left
// untouched, the temporary file is removed, and EFileWriteError is raised.
void AtomicWriteFile(const QString& path, const QByteArray& data);

// Removes the temporary files that AtomicWriteFile left beside path when its process died in
// the middle of a write. Call it only while holding the file's exclusive TFileLock, when no
// other writer can be at work.
void RemoveStaleTemporaryFiles(const QString& path);

// Reads the whole file into data. Returns false when the file does not exist or cannot be read.
bool ReadWholeFile(const QString& path, QByteArray& data);

// The most a settings file may hold; a larger one counts as damaged.
constexpr qint64 MaxSettingsFileSize = 1024 * 1024;

// Reads a settings file whole. Only a regular file of at most maxSize bytes is read: a FIFO at
// the path would block the program for ever and a link to /dev/zero would never end. Refused
// and Failed give the reason.
enum class TSettingsRead { Missing, Read, Refused, Failed };
TSettingsRead ReadSettingsFile(const QString& path, QByteArray& data, QString& reason,
                               qint64 maxSize = MaxSettingsFileSize);

// An advisory lock (flock) on path + ".lock", held for the object's lifetime. Waits at most
// timeoutMs for it: a lock that another process keeps longer is TimedOut(), so a save can fail
// instead of freezing the window. When the lock file cannot be created (a read-only folder) the
// object holds no lock; writes there fail anyway, and reads see a consistent file because
// writes are atomic.
class TFileLock {
public:
    TFileLock(const QString& path, bool exclusive, int timeoutMs = 1000);
    ~TFileLock();
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;
    bool Locked() const { return FFd >= 0; }
    bool TimedOut() const { return FTimedOut; }
    // Raises EFileWriteError for path when the lock timed out.
    void RequireForWriting(const QString& path) const;

private:
    int FFd = -1;
    bool FTimedOut = false;
};
