// ctest-labels: gui
#include "app/SingleInstance.h"
#include "support/WaitFor.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A later copy, in another thread as another process would be; true when it found the first.
bool KnockFromAnotherCopy(const QString& key, int& activations)
{
    bool found = false;
    QThread* second = QThread::create([&] {
        TSingleInstance copy(key);
        found = copy.AnotherIsRunning();
    });
    const int before = activations;
    second->start();
    WaitFor([&] { return activations > before && second->isFinished(); });
    second->wait();
    delete second;
    return found;
}

// The address of the socket at `path` (the tests' paths are short enough).
sockaddr_un AddressOf(const QString& path)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    std::memcpy(addr.sun_path, native.constData(), size_t(native.size()));
    return addr;
}

// Connects to the socket at `path` and sends `data` as a stranger's program might.
int RawClient(const QString& path, const QByteArray& data)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un addr = AddressOf(path);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    if (!data.isEmpty())
        ::send(fd, data.constData(), size_t(data.size()), MSG_NOSIGNAL);
    return fd;
}

} // namespace

TEST(SingleInstance, SecondCopyKnocksAndTheFirstComesForwardEveryTime)
{
    QTemporaryDir dir;
    const QString key = dir.filePath("knock");
    TSingleInstance first(key);
    EXPECT_FALSE(first.AnotherIsRunning());
    ASSERT_TRUE(first.Listen());
    int activations = 0;
    first.OnActivate = [&] { ++activations; };

    EXPECT_TRUE(KnockFromAnotherCopy(key, activations));
    EXPECT_EQ(activations, 1);
    EXPECT_TRUE(KnockFromAnotherCopy(key, activations));
    EXPECT_EQ(activations, 2);
    // Only the owner can reach the socket.
    EXPECT_EQ(QFileInfo(key).permissions() &
                  (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup | QFile::WriteGroup),
              QFile::Permissions());
}

TEST(SingleInstance, SocketOfACrashedCopyIsTakenOverAndAQuitCopyLeavesNone)
{
    QTemporaryDir dir;
    const QString key = dir.filePath("stale");
    {
        // A copy that died without cleaning up leaves its socket file behind.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const sockaddr_un addr = AddressOf(key);
        ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
        ::close(fd);
    }
    ASSERT_TRUE(QFileInfo::exists(key));
    {
        TSingleInstance next(key);
        EXPECT_FALSE(next.AnotherIsRunning());
        ASSERT_TRUE(next.Listen());
        int activations = 0;
        next.OnActivate = [&] { ++activations; };
        EXPECT_TRUE(KnockFromAnotherCopy(key, activations));
        EXPECT_EQ(activations, 1);
    }
    EXPECT_FALSE(QFileInfo::exists(key));
}

TEST(SingleInstance, WhatIsNotAStaleSocketIsLeftAlone)
{
    QTemporaryDir dir;
    // A running copy keeps its socket: a second listener gives way.
    const QString key = dir.filePath("busy");
    TSingleInstance first(key);
    ASSERT_TRUE(first.Listen());
    TSingleInstance second(key);
    EXPECT_FALSE(second.Listen());
    EXPECT_TRUE(second.AnotherIsRunning());

    // An ordinary file in the socket's place is nobody's socket and is not deleted.
    const QString file = dir.filePath("file");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep");
    }
    TSingleInstance onFile(file);
    EXPECT_FALSE(onFile.AnotherIsRunning());
    EXPECT_FALSE(onFile.Listen());
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("keep"));

    // A path too long for a socket address is refused, not cut short.
    TSingleInstance tooLong(dir.filePath(QString(120, QLatin1Char('x'))));
    EXPECT_FALSE(tooLong.AnotherIsRunning());
    EXPECT_FALSE(tooLong.Listen());
}

TEST(SingleInstance, OnlyTheKnockBringsTheWindowForward)
{
    QTemporaryDir dir;
    const QString key = dir.filePath("talk");
    TSingleInstance first(key);
    ASSERT_TRUE(first.Listen());
    int activations = 0;
    first.OnActivate = [&] { ++activations; };

    // A connection that says something else, or nothing, or more than a knock's worth without
    // the knock, is dropped without effect.
    const int silent = RawClient(key, {});
    const int other = RawClient(key, "hello\n");
    const int babble = RawClient(key, QByteArray(200, 'z'));
    ASSERT_GE(silent, 0);
    ASSERT_GE(other, 0);
    ASSERT_GE(babble, 0);
    ::close(other);
    QTest::qWait(300); // time for a wrong activation to show
    EXPECT_EQ(activations, 0);
    // The knock can arrive in pieces.
    const int split = RawClient(key, "sh");
    QTest::qWait(300); // time for a wrong activation to show
    ::send(split, "ow\n", 3, MSG_NOSIGNAL);
    WaitFor([&] { return activations > 0; });
    EXPECT_EQ(activations, 1);
    ::close(silent);
    ::close(babble);
    ::close(split);
}

TEST(SingleInstance, SocketLiesInTheUsersRuntimeFolder)
{
    QTemporaryDir runtime;
    const QByteArray old = qgetenv("XDG_RUNTIME_DIR");
    const bool had = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    EXPECT_EQ(TSingleInstance::SocketPath(QStringLiteral("ZmPing2-7")),
              runtime.filePath("ZmPing2-7"));
    EXPECT_EQ(TSingleInstance::SocketPath(QStringLiteral("/run/x")), QStringLiteral("/run/x"));
    // Without one (or with one that does not exist) the temporary folder serves.
    qputenv("XDG_RUNTIME_DIR", runtime.filePath("missing").toLocal8Bit());
    EXPECT_TRUE(TSingleInstance::SocketPath(QStringLiteral("k")).endsWith(QStringLiteral("/k")));
    EXPECT_FALSE(TSingleInstance::SocketPath(QStringLiteral("k")).startsWith(runtime.path()));
    if (had)
        qputenv("XDG_RUNTIME_DIR", old);
    else
        qunsetenv("XDG_RUNTIME_DIR");
}

TEST(SingleInstance, AKnockWhileOutOfDescriptorsWaitsWithoutSpinning)
{
    QTemporaryDir dir;
    const QString key = dir.filePath("full");
    TSingleInstance first(key);
    ASSERT_TRUE(first.Listen());
    int activations = 0;
    first.OnActivate = [&] { ++activations; };
    const int client = RawClient(key, "show\n");
    ASSERT_GE(client, 0);

    // No descriptor left for accepting the knock: it waits in the queue.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    const int lowestFree = ::dup(0);
    ASSERT_GE(lowestFree, 0);
    ::close(lowestFree);
    rlimit tight = old;
    tight.rlim_cur = rlim_t(lowestFree);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    timespec before{}, after{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &before);
    QTest::qWait(400);
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &after);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &old), 0);
    const double cpuMs =
        (after.tv_sec - before.tv_sec) * 1e3 + (after.tv_nsec - before.tv_nsec) / 1e6;
    EXPECT_EQ(activations, 0);
    EXPECT_LT(cpuMs, 200) << "the listener kept retrying the accept";

    // With descriptors again, the knock is served.
    EXPECT_TRUE(WaitFor([&] { return activations == 1; }, 3000));
    ::close(client);
}

TEST(SingleInstance, CommandsAreAnsweredAndAnUnknownOneChangesNothing)
{
    QTemporaryDir dir;
    const QString key = dir.filePath("commands");
    TSingleInstance first(key);
    ASSERT_TRUE(first.Listen());
    QByteArray got;
    first.Handle("echo", [&](const QByteArray& argument) {
        got = argument;
        return QByteArray("line\n");
    });
    // A command travels from another copy, as the command line sends it.
    auto send = [&](const QByteArray& command) {
        std::optional<QByteArray> answer;
        QThread* caller = QThread::create([&] { answer = TSingleInstance(key).Send(command); });
        caller->start();
        WaitFor([&] { return caller->isFinished(); });
        caller->wait();
        delete caller;
        return answer;
    };
    EXPECT_EQ(send("echo two words"), QByteArray("ok\nline\n"));
    EXPECT_EQ(got, QByteArray("two words"));
    EXPECT_EQ(send("version"), QByteArray("ok\n" ZM_VERSION "\n"));
    got.clear();
    EXPECT_EQ(send("echoes x"), QByteArray("error unknown command\n"));
    EXPECT_TRUE(got.isEmpty());
    // Nobody listening: no answer at all.
    EXPECT_FALSE(TSingleInstance(dir.filePath("nobody")).Send("show").has_value());
}

TEST(SingleInstance, AFollowerGetsWhatIsPublishedUntilEitherSideLeaves)
{
    QTemporaryDir dir;
    const QString key = dir.filePath("follow");
    TSingleInstance first(key);
    ASSERT_TRUE(first.Listen());
    first.HandleFollowing("follow", [](const QByteArray&) { return QByteArray("now\n"); });
    // A follower that leaves after its third line; a stalled one that never reads.
    QStringList lines;
    QThread* follower = QThread::create([&] {
        TSingleInstance(key).Follow("follow", [&](const QByteArray& line) {
            lines << QString::fromUtf8(line);
            return lines.size() < 3;
        });
    });
    follower->start();
    const int stalled = RawClient(key, "follow\n");
    ASSERT_GE(stalled, 0);
    ASSERT_TRUE(WaitFor([&] { return first.Followers() == 2; }));
    first.Publish("one\n");
    ASSERT_TRUE(WaitFor([&] { return follower->isFinished(); }));
    follower->wait();
    delete follower;
    EXPECT_EQ(lines, (QStringList{"ok", "now", "one"}));
    ASSERT_TRUE(WaitFor([&] { return first.Followers() == 1; })) << "the leaver was not noticed";
    // Far more than a socket buffer holds: the stalled reader is dropped, nobody waits.
    const QByteArray big(64 * 1024, 'x');
    for (int i = 0; i < 64 && first.Followers() == 1; ++i)
        first.Publish(big + '\n');
    EXPECT_EQ(first.Followers(), 0);
    ::close(stalled);
}
