#include "framework/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString SystemReason(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

[[noreturn]] void Fail(const QString& path, int err)
{
    throw EFileWriteError(path, SystemReason(err));
}

bool WriteAll(int fd, const char* p, qsizetype n)
{
    while (n > 0) {
        const ssize_t w = ::write(fd, p, static_cast<size_t>(n));
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += w;
        n -= w;
    }
    return true;
}

// Creates the folder and every missing one above it for the user only, as the settings folder
// should be; 0 or an errno value.
int MakeFolder(const QString& folder)
{
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    if (QFileInfo(clean).isDir())
        return 0;
    const QString parent = QFileInfo(clean).absolutePath();
    if (parent != clean)
        if (const int err = MakeFolder(parent))
            return err;
    if (::mkdir(QFile::encodeName(clean).constData(), 0700) != 0 && errno != EEXIST)
        return errno;
    return 0;
}
} // namespace

EFileWriteError::EFileWriteError(const QString& path, const QString& reason)
    : Exception(QStringLiteral("Cannot write %1: %2").arg(path, reason)), FPath(path),
      FReason(reason)
{
}

void AtomicWriteFile(const QString& path, const QByteArray& data)
{
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    if (const int err = MakeFolder(folder))
        Fail(info.absoluteFilePath(), err);

    QByteArray tmpl = QFile::encodeName(folder + QLatin1Char('/') + QLatin1Char('.') +
                                        info.fileName() + QStringLiteral(".tmp-XXXXXX"));
    // The temporary file is created readable by the user only, less if the umask says so.
    const int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
    if (fd < 0)
        Fail(info.absoluteFilePath(), errno);
    // A replaced file keeps its permissions.
    struct stat st {};
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    if (::stat(target.constData(), &st) == 0 && S_ISREG(st.st_mode))
        ::fchmod(fd, st.st_mode & 07777);

    if (!WriteAll(fd, data.constData(), data.size()) || ::fsync(fd) != 0) {
        const int err = errno;
        ::close(fd);
        ::unlink(tmpl.constData());
        Fail(info.absoluteFilePath(), err);
    }
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmpl.constData());
        Fail(info.absoluteFilePath(), err);
    }
    if (::rename(tmpl.constData(), target.constData()) != 0) {
        const int err = errno;
        ::unlink(tmpl.constData());
        Fail(info.absoluteFilePath(), err);
    }
    // Make the rename itself durable.
    const int dfd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

void RemoveStaleTemporaryFiles(const QString& path)
{
    const QFileInfo info(path);
    QDir folder(info.absolutePath());
    const QStringList stale =
        folder.entryList({QLatin1Char('.') + info.fileName() + QStringLiteral(".tmp-*")},
                         QDir::Files | QDir::Hidden);
    for (const QString& name : stale)
        folder.remove(name);
}

bool ReadWholeFile(const QString& path, QByteArray& data)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    data = f.readAll();
    return f.error() == QFileDevice::NoError;
}

TSettingsRead ReadSettingsFile(const QString& path, QByteArray& data, QString& reason,
                               qint64 maxSize)
{
    data.clear();
    // Non-blocking: opening a FIFO for reading would otherwise wait for a writer.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return TSettingsRead::Missing;
        reason = SystemReason(errno);
        return TSettingsRead::Failed;
    }
    struct stat st {};
    TSettingsRead result = TSettingsRead::Read;
    if (::fstat(fd, &st) != 0) {
        reason = SystemReason(errno);
        result = TSettingsRead::Failed;
    } else if (!S_ISREG(st.st_mode)) {
        reason = QStringLiteral("it is not a regular file");
        result = TSettingsRead::Refused;
    } else if (st.st_size > maxSize) {
        reason = QStringLiteral("it is larger than %1 bytes").arg(maxSize);
        result = TSettingsRead::Refused;
    } else {
        // Read up to one byte past the bound: a file that grew meanwhile is refused as well.
        data.resize(qsizetype(maxSize) + 1);
        qsizetype got = 0;
        while (got < data.size()) {
            const ssize_t n = ::read(fd, data.data() + got, size_t(data.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                reason = SystemReason(errno);
                result = TSettingsRead::Failed;
                break;
            }
            if (n == 0)
                break;
            got += n;
        }
        data.resize(got);
        if (result == TSettingsRead::Read && got > maxSize) {
            reason = QStringLiteral("it is larger than %1 bytes").arg(maxSize);
            result = TSettingsRead::Refused;
        }
    }
    ::close(fd);
    if (result != TSettingsRead::Read)
        data.clear();
    return result;
}

TFileLock::TFileLock(const QString& path, bool exclusive, int timeoutMs)
{
    const QByteArray name = QFile::encodeName(path + QStringLiteral(".lock"));
    // Non-blocking opens: whatever stands at the lock's name (a FIFO) must not hold us up.
    if (exclusive) {
        MakeFolder(QFileInfo(path).absolutePath());
        FFd = ::open(name.constData(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0600);
    }
    if (FFd < 0)
        FFd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (FFd < 0)
        return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (::flock(FFd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0)
            return;
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            FTimedOut = errno == EWOULDBLOCK;
            ::close(FFd);
            FFd = -1;
            return;
        }
        QThread::msleep(5);
    }
}

TFileLock::~TFileLock()
{
    if (FFd >= 0)
        ::close(FFd); // closing releases the lock
}

void TFileLock::RequireForWriting(const QString& path) const
{
    if (FTimedOut)
        throw EFileWriteError(QFileInfo(path).absoluteFilePath(),
                              QStringLiteral("another program has kept it locked for more than a "
                                             "second"));
}
