#include "app/SessionEnd.h"

#include "app/AnaForm.h"
#include "app/AyarU.h"
#include "shell/Placement.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <csignal>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The signal handler may only write to a descriptor; the event loop reads the other end.
int gSignalPipe[2] = {-1, -1};

// Saves on a lost display connection; empty once the program ends in order.
std::function<void()>* gSaveAtExit = nullptr;

void OnSignal(int signal)
{
    const int saved = errno;
    const char code = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[0], &code, 1);
    errno = saved;
}

void SaveAtExit()
{
    if (gSaveAtExit && *gSaveAtExit)
        (*gSaveAtExit)();
}

} // namespace

TSessionEnd::TSessionEnd(std::function<void()> Quit, std::function<void()> Save)
    : FQuit(std::move(Quit))
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gSignalPipe) == 0) {
        FNotifier = new QSocketNotifier(gSignalPipe[1], QSocketNotifier::Read, this);
        connect(FNotifier, &QSocketNotifier::activated, this, &TSessionEnd::SignalArrived);
        struct sigaction sa {};
        sa.sa_handler = OnSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        for (int s : kSignals)
            ::sigaction(s, &sa, nullptr);
    }
    if (qGuiApp)
        connect(qGuiApp, &QGuiApplication::commitDataRequest, this,
                [Save](QSessionManager&) { Save(); });
    static bool registered = false;
    gSaveAtExit = new std::function<void()>(std::move(Save));
    if (!registered)
        registered = std::atexit(SaveAtExit) == 0;
}

TSessionEnd::~TSessionEnd()
{
    delete gSaveAtExit;
    gSaveAtExit = nullptr;
    for (int s : kSignals)
        std::signal(s, SIG_DFL);
    delete FNotifier;
    for (int& fd : gSignalPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void TSessionEnd::SignalArrived()
{
    char codes[16];
    while (::read(gSignalPipe[1], codes, sizeof codes) > 0) {
    }
    if (FQuitting) {
        // Asked again while quitting: whatever holds the quit up, end now.
        for (int s : kSignals)
            std::signal(s, SIG_DFL);
        ::raise(SIGTERM);
        return;
    }
    FQuitting = true;
    if (FQuit)
        FQuit();
}

std::unique_ptr<TSessionEnd> InstallSessionEnd(TAnaF* Main, TAyarF* Settings)
{
    return std::make_unique<TSessionEnd>([Main] { Main->Kapat1Click(nullptr); },
                                         [Main, Settings] {
                                             Main->FormStorage1->FormCloseQueryHook(true);
                                             Settings->FormStorage1->FormDestroyHook();
                                         });
}
