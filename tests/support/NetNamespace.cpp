#include "NetNamespace.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <net/if.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::string Errno(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

std::string SysctlPath(const std::string& name)
{
    std::string path = "/proc/sys/";
    for (char c : name)
        path += c == '.' ? '/' : c;
    return path;
}

bool WriteFile(const std::string& path, const std::string& value)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, value.data(), value.size()) == static_cast<ssize_t>(value.size());
    ::close(fd);
    return ok;
}

std::string ReadFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    char buf[256];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    ::close(fd);
    std::string s(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
    while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
        s.pop_back();
    return s;
}

// Runs on a thread of its own: makes the namespace, sets it up, returns a descriptor of it.
int CreateNamespace(const NetNamespace::Options& options, std::string* error)
{
    if (::unshare(CLONE_NEWNET) != 0) {
        *error = Errno("unshare(CLONE_NEWNET)");
        return -1;
    }
    const std::string self = "/proc/self/task/" + std::to_string(::syscall(SYS_gettid)) + "/ns/net";
    const int fd = ::open(self.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = Errno(self.c_str());
        return -1;
    }
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq ifr{};
    std::strncpy(ifr.ifr_name, "lo", IFNAMSIZ - 1);
    const bool up = s >= 0 && ::ioctl(s, SIOCGIFFLAGS, &ifr) == 0 &&
                    (ifr.ifr_flags |= IFF_UP, ::ioctl(s, SIOCSIFFLAGS, &ifr) == 0);
    if (s >= 0)
        ::close(s);
    if (!up) {
        *error = Errno("bringing up lo");
        ::close(fd);
        return -1;
    }
    if (!WriteFile("/proc/sys/net/ipv4/icmp_echo_ignore_all",
                   options.KernelAnswersEcho ? "0" : "1")) {
        *error = Errno("net.ipv4.icmp_echo_ignore_all");
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : FPid(other.FPid), FStdout(other.FStdout), FOutput(std::move(other.FOutput))
{
    other.FPid = -1;
    other.FStdout = -1;
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept
{
    if (this != &other) {
        Stop();
        if (FStdout >= 0)
            ::close(FStdout);
        FPid = other.FPid;
        FStdout = other.FStdout;
        FOutput = std::move(other.FOutput);
        other.FPid = -1;
        other.FStdout = -1;
    }
    return *this;
}

ChildProcess::~ChildProcess()
{
    Stop();
    if (FStdout >= 0)
        ::close(FStdout);
}

bool ChildProcess::ReadSome(int waitMs)
{
    if (FStdout < 0)
        return false;
    pollfd pfd{FStdout, POLLIN, 0};
    if (::poll(&pfd, 1, waitMs) <= 0)
        return false;
    char buf[4096];
    const ssize_t n = ::read(FStdout, buf, sizeof buf);
    if (n <= 0) {
        ::close(FStdout);
        FStdout = -1;
        return false;
    }
    FOutput.append(buf, static_cast<std::size_t>(n));
    return true;
}

void ChildProcess::Drain()
{
    while (ReadSome(0)) {
    }
}

bool ChildProcess::WaitForLine(const std::string& text, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        std::size_t start = 0;
        while (start < FOutput.size()) {
            const std::size_t end = FOutput.find('\n', start);
            if (end == std::string::npos)
                break;
            if (FOutput.substr(start, end - start).find(text) != std::string::npos)
                return true;
            start = end + 1;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || FStdout < 0)
            return false;
        ReadSome(static_cast<int>(left.count()));
    }
}

bool ChildProcess::Wait(std::chrono::milliseconds timeout, int* status)
{
    if (FPid <= 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int st = 0;
        const pid_t r = ::waitpid(FPid, &st, WNOHANG);
        if (r == FPid) {
            FPid = -1;
            if (status)
                *status = st;
            return true;
        }
        if (r < 0) {
            FPid = -1;
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        ::usleep(2000);
    }
}

int ChildProcess::Stop()
{
    if (FPid <= 0)
        return 0;
    int st = 0;
    ::kill(FPid, SIGTERM);
    const pid_t pid = FPid;
    if (Wait(std::chrono::milliseconds(1000), &st))
        return st;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &st, 0);
    FPid = -1;
    return st;
}

NetNamespace::NetNamespace(Options options)
{
    if (::geteuid() != 0) {
        FError = "needs root: network namespaces and raw sockets";
        return;
    }
    std::thread t([&] { FFd = CreateNamespace(options, &FError); });
    t.join();
}

NetNamespace::~NetNamespace()
{
    if (FFd >= 0)
        ::close(FFd);
}

std::string NetNamespace::Unavailable()
{
    static const std::string reason = [] {
        NetNamespace probe;
        return probe.Ok() ? std::string() : "no private network namespace (" + probe.Error() + ")";
    }();
    return reason;
}

void NetNamespace::EnterThisThread() const
{
    if (FFd < 0)
        throw std::runtime_error("no namespace: " + FError);
    if (::setns(FFd, CLONE_NEWNET) != 0)
        throw std::runtime_error(Errno("setns(CLONE_NEWNET)"));
}

bool NetNamespace::SetSysctl(const std::string& name, const std::string& value)
{
    if (!Ok())
        return false;
    return Run([&] { return WriteFile(SysctlPath(name), value); });
}

std::string NetNamespace::Sysctl(const std::string& name)
{
    if (!Ok())
        return {};
    return Run([&] { return ReadFile(SysctlPath(name)); });
}

ChildProcess NetNamespace::Spawn(const std::vector<std::string>& argv,
                                 const std::vector<std::string>& extraEnv, bool captureStdout)
{
    if (!Ok() || argv.empty())
        return {};
    // Everything the child needs is prepared before fork: after it, only system calls.
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool overridden = false;
        for (const std::string& x : extraEnv)
            overridden = overridden || x.substr(0, x.find('=')) == name;
        if (!overridden)
            envStrings.push_back(entry);
    }
    envStrings.insert(envStrings.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> env;
    for (const std::string& e : envStrings)
        env.push_back(const_cast<char*>(e.c_str()));
    env.push_back(nullptr);

    int pipeFds[2] = {-1, -1};
    if (captureStdout && ::pipe2(pipeFds, O_CLOEXEC) != 0)
        return {};
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        if (captureStdout) {
            ::close(pipeFds[0]);
            ::close(pipeFds[1]);
        }
        return {};
    }
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(126);
        if (::setns(FFd, CLONE_NEWNET) != 0)
            ::_exit(125);
        if (captureStdout && ::dup2(pipeFds[1], STDOUT_FILENO) < 0)
            ::_exit(124);
        ::execve(args[0], args.data(), env.data());
        ::_exit(127);
    }
    if (captureStdout)
        ::close(pipeFds[1]);
    return ChildProcess(pid, captureStdout ? pipeFds[0] : -1);
}
