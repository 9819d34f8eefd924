#include "app/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

// A caller that sends more than this without ending its line is not one of ours.
constexpr qsizetype kMaxRequest = 512;
// Nor is a running copy that answers more than this.
constexpr qsizetype kMaxAnswer = 64 * 1024;

// Fills a socket address; false when the path does not fit.
bool MakeAddress(const QString& path, sockaddr_un& addr)
{
    const QByteArray native = QFile::encodeName(path);
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (native.isEmpty() || size_t(native.size()) >= sizeof addr.sun_path)
        return false;
    std::memcpy(addr.sun_path, native.constData(), size_t(native.size()));
    return true;
}

// The listening side never blocks the user interface.
int ListeningSocket()
{
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
}

// Connects as a knocking copy: a listener whose queue is full gets `ms` milliseconds to accept,
// and so does the knock to go out. Returns the connected socket, or -1.
int ConnectWithin(const sockaddr_un& addr, int ms)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const timeval limit{ms / 1000, (ms % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    int rc;
    do
        rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The peer runs as this user (a socket made by someone else in a shared folder is not ours).
bool PeerIsThisUser(int fd)
{
    ucred cred{};
    socklen_t len = sizeof cred;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && cred.uid == ::getuid();
}

} // namespace

TSingleInstance::TSingleInstance(const QString& key, QObject* parent)
    : QObject(parent), FPath(SocketPath(key))
{
    Handle("show", [this](const QByteArray&) {
        if (OnActivate)
            OnActivate();
        return QByteArray();
    });
    Handle("version", [](const QByteArray&) { return QByteArray(ZM_VERSION "\n"); });
}

TSingleInstance::~TSingleInstance()
{
    for (auto& [fd, notifier] : FFollowers) {
        delete notifier;
        ::close(fd);
    }
    while (!FClients.empty())
        Drop(FClients.begin()->first);
    if (FListener >= 0) {
        delete FListenNotifier;
        ::close(FListener);
        ::unlink(QFile::encodeName(FPath).constData());
    }
}

QString TSingleInstance::DefaultKey()
{
    return QStringLiteral("ZmPing2-") + QString::number(::getuid());
}

QString TSingleInstance::InstanceKey()
{
    return qEnvironmentVariableIsSet("ZMPING2_INSTANCE_KEY")
               ? qEnvironmentVariable("ZMPING2_INSTANCE_KEY")
               : DefaultKey();
}

QString TSingleInstance::SocketPath(const QString& key)
{
    if (QDir::isAbsolutePath(key))
        return key;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString folder =
        !runtime.isEmpty() && QFileInfo(runtime).isDir() ? runtime : QDir::tempPath();
    return folder + QLatin1Char('/') + key;
}

std::optional<QByteArray> TSingleInstance::Send(const QByteArray& Command, int Ms)
{
    sockaddr_un addr;
    if (!MakeAddress(FPath, addr))
        return std::nullopt;
    const int fd = ConnectWithin(addr, 1000);
    if (fd < 0)
        return std::nullopt;
    if (!PeerIsThisUser(fd)) {
        ::close(fd);
        return std::nullopt;
    }
    // The copy runs even when the command is lost or the answer comes late.
    QByteArray answer;
    const QByteArray line = Command + '\n';
    if (::send(fd, line.constData(), size_t(line.size()), MSG_NOSIGNAL) == line.size()) {
        const QDeadlineTimer deadline(Ms);
        char buffer[512];
        for (;;) {
            pollfd p{fd, POLLIN, 0};
            const int ready = ::poll(&p, 1, int(deadline.remainingTime()));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                break;
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0 || answer.size() > kMaxAnswer)
                break;
            answer.append(buffer, n);
        }
    }
    ::close(fd);
    return answer;
}

bool TSingleInstance::Follow(const QByteArray& Command,
                             const std::function<bool(const QByteArray&)>& OnLine)
{
    sockaddr_un addr;
    if (!MakeAddress(FPath, addr))
        return false;
    const int fd = ConnectWithin(addr, 1000);
    if (fd < 0)
        return false;
    const QByteArray line = Command + '\n';
    if (!PeerIsThisUser(fd) ||
        ::send(fd, line.constData(), size_t(line.size()), MSG_NOSIGNAL) != line.size()) {
        ::close(fd);
        return false;
    }
    QByteArray pending;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        pending.append(buffer, n);
        bool more = true;
        for (qsizetype end; more && (end = pending.indexOf('\n')) >= 0;) {
            more = OnLine(pending.left(end));
            pending.remove(0, end + 1);
        }
        if (!more || pending.size() > kMaxAnswer)
            break;
    }
    ::close(fd);
    return true;
}

void TSingleInstance::HandleFollowing(const QByteArray& Command, THandler Handler)
{
    Handle(Command, std::move(Handler));
    FFollowing.insert(Command);
}

void TSingleInstance::Publish(const QByteArray& Lines)
{
    std::vector<int> gone;
    for (const auto& [fd, notifier] : FFollowers)
        if (::send(fd, Lines.constData(), size_t(Lines.size()), MSG_NOSIGNAL | MSG_DONTWAIT) !=
            Lines.size())
            gone.push_back(fd);
    for (int fd : gone)
        DropFollower(fd);
}

void TSingleInstance::DropFollower(int fd)
{
    const auto it = FFollowers.find(fd);
    if (it == FFollowers.end())
        return;
    delete it->second;
    FFollowers.erase(it);
    ::close(fd);
}

bool TSingleInstance::Listen()
{
    sockaddr_un addr;
    if (FListener >= 0 || !MakeAddress(FPath, addr))
        return FListener >= 0;
    const int fd = ListeningSocket();
    if (fd < 0)
        return false;
    auto bindIt = [&] {
        return ::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    };
    bool bound = bindIt();
    if (!bound && errno == EADDRINUSE) {
        // A socket file left by a copy that crashed: nobody answers on it, so take it over.
        // Anything else in its place (an answering copy, a file that is no socket) is kept.
        struct stat st;
        const int probe = ConnectWithin(addr, 200);
        const bool answers = probe >= 0;
        if (answers)
            ::close(probe);
        if (!answers && ::lstat(addr.sun_path, &st) == 0 && S_ISSOCK(st.st_mode) &&
            st.st_uid == ::getuid() && ::unlink(addr.sun_path) == 0)
            bound = bindIt();
    }
    if (!bound || ::chmod(addr.sun_path, S_IRUSR | S_IWUSR) != 0 || ::listen(fd, 8) != 0) {
        if (bound)
            ::unlink(addr.sun_path);
        ::close(fd);
        return false;
    }
    FListener = fd;
    FListenNotifier = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, this);
    connect(FListenNotifier, &QSocketNotifier::activated, this, [this] { Accept(); });
    return true;
}

void TSingleInstance::Accept()
{
    for (;;) {
        const int fd = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                // Out of descriptors, say: the knock stays queued, and looking again at once
                // would only spin. Look again in a second.
                FListenNotifier->setEnabled(false);
                QTimer::singleShot(1000, this, [this] { FListenNotifier->setEnabled(true); });
            }
            return;
        }
        if (!PeerIsThisUser(fd)) {
            ::close(fd);
            continue;
        }
        TClient& client = FClients[fd];
        client.Notifier = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, this);
        connect(client.Notifier, &QSocketNotifier::activated, this, [this, fd] { ReadFrom(fd); });
    }
}

void TSingleInstance::ReadFrom(int fd)
{
    auto it = FClients.find(fd);
    if (it == FClients.end())
        return;
    char buffer[64];
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n > 0)
        it->second.Data.append(buffer, n);
    const qsizetype end = it->second.Data.indexOf('\n');
    if (end < 0) {
        // A closed, failed or babbling connection is dropped.
        if (n <= 0 || it->second.Data.size() > kMaxRequest)
            Drop(fd);
        return;
    }
    // One command per connection. The connection leaves the watch before the handler runs,
    // so that nothing the handler does can read from it again.
    const QByteArray line = it->second.Data.left(end);
    delete it->second.Notifier;
    FClients.erase(it);
    const QByteArray answer = Answer(line);
    ::send(fd, answer.constData(), size_t(answer.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    const QByteArray command = line.left(line.indexOf(' ') < 0 ? line.size() : line.indexOf(' '));
    if (!FFollowing.count(command) || !answer.startsWith("ok\n")) {
        ::close(fd);
        return;
    }
    // Watched only to notice the reader leaving (end of file); what it sends is ignored.
    auto* notifier = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, this);
    FFollowers[fd] = notifier;
    connect(notifier, &QSocketNotifier::activated, this, [this, fd] {
        char buffer[256];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            DropFollower(fd);
    });
}

QByteArray TSingleInstance::Answer(const QByteArray& Line)
{
    const qsizetype space = Line.indexOf(' ');
    const QByteArray command = space < 0 ? Line : Line.left(space);
    const QByteArray argument = space < 0 ? QByteArray() : Line.mid(space + 1);
    const auto handler = FHandlers.find(command);
    if (handler == FHandlers.end())
        return "error unknown command\n";
    return "ok\n" + handler->second(argument);
}

void TSingleInstance::Drop(int fd)
{
    auto it = FClients.find(fd);
    if (it == FClients.end())
        return;
    delete it->second.Notifier;
    FClients.erase(it);
    ::close(fd);
}
