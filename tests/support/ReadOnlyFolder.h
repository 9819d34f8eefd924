#pragma once
// Runs a piece of a test with a folder made read-only. As an ordinary user the folder's mode is
// changed; as root (which file modes do not stop) the piece runs in a forked child with a
// private mount namespace in which the folder is a read-only bind mount. The piece returns a
// text that the caller checks; nothing it changes in memory survives in the child case.
#include <QDir>
#include <QFile>
#include <QString>
#include <functional>
#include <optional>

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

// nullopt: the folder could not be made read-only here (the caller skips).
inline std::optional<QString> RunWithReadOnlyFolder(const QString& folder,
                                                    const std::function<QString()>& body)
{
    QDir().mkpath(folder);
    if (::geteuid() != 0) {
        const auto old = QFile::permissions(folder);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        const QString out = body();
        QFile::setPermissions(folder, old);
        return out;
    }
    int fds[2];
    if (::pipe(fds) != 0)
        return std::nullopt;
    const pid_t pid = ::fork();
    if (pid < 0)
        return std::nullopt;
    if (pid == 0) {
        ::close(fds[0]);
        const QByteArray path = QFile::encodeName(folder);
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) != 0 ||
            ::mount(nullptr, path.constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY,
                    nullptr) != 0)
            ::_exit(77);
        const QByteArray out = body().toUtf8();
        qsizetype done = 0;
        while (done < out.size()) {
            const ssize_t w = ::write(fds[1], out.constData() + done, size_t(out.size() - done));
            if (w <= 0)
                break;
            done += w;
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray out;
    char buf[4096];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
        out.append(buf, n);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77)
        return std::nullopt;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return QStringLiteral("child failed with status %1").arg(status);
    return QString::fromUtf8(out);
}
