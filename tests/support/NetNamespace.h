#pragma once
// A private network namespace for tests, and the processes and code that run inside it.
//
// Tests must never send traffic anywhere but 127.0.0.0/8, or to hosts they create themselves in
// their own namespaces. A NetNamespace is such a place: a fresh network namespace with only the
// loopback interface (brought up), in which, by default, the kernel does not answer echo
// requests (net.ipv4.icmp_echo_ignore_all = 1), so that the project's own test echo responder
// (tests/tools/echo_responder, path in ZM_ECHO_RESPONDER) answers instead — after a chosen delay,
// not at all, or with an ICMP error message quoting the request:
//
//   NetNamespace ns;                                   // needs root (CAP_SYS_ADMIN)
//   if (!ns.Ok()) GTEST_SKIP() << ns.Error();
//   ns.SetSysctl("net.ipv4.ping_group_range", "0 2147483647"); // allow datagram ICMP sockets
//   ChildProcess responder = ns.Spawn({ZM_ECHO_RESPONDER, "--delay-ms", "150"});
//   ASSERT_TRUE(responder.WaitForLine("ready", std::chrono::seconds(10)));
//   // Code on a thread inside the namespace; sockets it opens stay in the namespace, so they
//   // can be used from any thread afterwards:
//   auto engine = ns.Run([] { return std::make_unique<TICMP>(); });
//   engine->SetAddress("127.0.0.1"); engine->Ping();   // answered by the responder
//   // Or a whole program inside it (e.g. ZmPing2 pinging 127.0.0.1 there):
//   ChildProcess app = ns.Spawn({ZM_BINARY_DIR "/bin/ZmPing2"}, {"QT_QPA_PLATFORM=offscreen"});
//
// The namespace is held only by a file descriptor (no name under /run/netns), so nothing is left
// behind even when a test crashes: it disappears with the last process or descriptor in it.
// Destroying a ChildProcess stops it (SIGTERM, then SIGKILL) and reaps it; a spawned process is
// also killed when the thread that spawned it ends (PR_SET_PDEATHSIG), so spawn from the test's
// main thread. NetNamespace::Unavailable() tells without side effects whether namespaces can be
// made here (root, unshare permitted); use it for GTEST_SKIP messages.
#include <chrono>
#include <exception>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <type_traits>
#include <vector>

class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(pid_t pid, int stdoutFd) : FPid(pid), FStdout(stdoutFd) {}
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ~ChildProcess();

    bool Running() const { return FPid > 0; }
    pid_t Pid() const { return FPid; }
    // Reads the process's standard output (when captured) until a line containing `text` has
    // come, the output ends or `timeout` passes.
    bool WaitForLine(const std::string& text, std::chrono::milliseconds timeout);
    // All output read so far.
    const std::string& Output() const { return FOutput; }
    // Reads whatever output is available now, without waiting.
    void Drain();
    // SIGTERM, up to a second's grace, then SIGKILL; reaps it. Returns the wait status.
    int Stop();
    // Waits for the process to end by itself (up to `timeout`); true with its wait status.
    bool Wait(std::chrono::milliseconds timeout, int* status = nullptr);

private:
    bool ReadSome(int waitMs);
    pid_t FPid = -1;
    int FStdout = -1;
    std::string FOutput;
};

class NetNamespace {
public:
    struct Options {
        bool KernelAnswersEcho = false; // net.ipv4.icmp_echo_ignore_all = !KernelAnswersEcho
    };
    NetNamespace() : NetNamespace(Options{}) {}
    explicit NetNamespace(Options options);
    ~NetNamespace();
    NetNamespace(const NetNamespace&) = delete;
    NetNamespace& operator=(const NetNamespace&) = delete;

    // Empty when namespaces can be created here, else why not (for GTEST_SKIP).
    static std::string Unavailable();

    bool Ok() const { return FFd >= 0; }
    const std::string& Error() const { return FError; }
    int Fd() const { return FFd; }

    // A sysctl of the namespace by its dotted name ("net.ipv4.ping_group_range").
    bool SetSysctl(const std::string& name, const std::string& value);
    std::string Sysctl(const std::string& name);

    // Moves the calling thread into the namespace (sockets it opens afterwards are there, and so
    // are the threads it starts). Throws std::runtime_error on failure.
    void EnterThisThread() const;

    // Runs fn on a new thread inside the namespace and returns its result (exceptions pass).
    template <class F> auto Run(F&& fn) -> std::invoke_result_t<F&>
    {
        using R = std::invoke_result_t<F&>;
        std::exception_ptr error;
        if constexpr (std::is_void_v<R>) {
            std::thread t([&] {
                try {
                    EnterThisThread();
                    fn();
                } catch (...) {
                    error = std::current_exception();
                }
            });
            t.join();
            if (error)
                std::rethrow_exception(error);
        } else {
            std::optional<R> out;
            std::thread t([&] {
                try {
                    EnterThisThread();
                    out.emplace(fn());
                } catch (...) {
                    error = std::current_exception();
                }
            });
            t.join();
            if (error)
                std::rethrow_exception(error);
            return std::move(*out);
        }
    }

    // Starts a program inside the namespace (argv[0] is its path), with `extraEnv` ("NAME=value")
    // added to this process's environment. Its standard output is captured for WaitForLine when
    // captureStdout is true, else inherited. Returns a ChildProcess that is not Running() on
    // failure.
    ChildProcess Spawn(const std::vector<std::string>& argv,
                       const std::vector<std::string>& extraEnv = {}, bool captureStdout = true);

private:
    int FFd = -1;
    std::string FError;
};
