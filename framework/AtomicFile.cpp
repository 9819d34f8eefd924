#include "framework/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
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
    throw EFileWriteError(QStringLiteral("Cannot write %1: %2").arg(path, SystemReason(err)));
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
} // namespace

void AtomicWriteFile(const QString& path, const QByteArray& data)
{
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    if (!QDir().mkpath(folder))
        Fail(path, errno ? errno : EACCES);

    QByteArray tmpl = QFile::encodeName(folder + QLatin1Char('/') + QLatin1Char('.') +
                                        info.fileName() + QStringLiteral(".tmp-XXXXXX"));
    const int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
    if (fd < 0)
        Fail(path, errno);
    // Keep the old file's permissions (the new one would otherwise be 0600 from mkostemp).
    struct stat st {};
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    if (::stat(target.constData(), &st) == 0)
        ::fchmod(fd, st.st_mode & 07777);
    else
        ::fchmod(fd, 0644);

    if (!WriteAll(fd, data.constData(), data.size()) || ::fsync(fd) != 0) {
        const int err = errno;
        ::close(fd);
        ::unlink(tmpl.constData());
        Fail(path, err);
    }
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmpl.constData());
        Fail(path, err);
    }
    if (::rename(tmpl.constData(), target.constData()) != 0) {
        const int err = errno;
        ::unlink(tmpl.constData());
        Fail(path, err);
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

TFileLock::TFileLock(const QString& path, bool exclusive)
{
    const QByteArray name = QFile::encodeName(path + QStringLiteral(".lock"));
    if (exclusive) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        FFd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    }
    if (FFd < 0)
        FFd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (FFd < 0)
        return;
    int rc;
    do
        rc = ::flock(FFd, exclusive ? LOCK_EX : LOCK_SH);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        ::close(FFd);
        FFd = -1;
    }
}

TFileLock::~TFileLock()
{
    if (FFd >= 0)
        ::close(FFd); // closing releases the lock
}
