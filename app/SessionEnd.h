#pragma once
#include <QObject>
#include <functional>
#include <memory>

class TAnaF;
class TAyarF;

class QSocketNotifier;

// Ends the program as its quit command does when it is asked to from outside: a SIGTERM,
// SIGHUP or SIGINT (kill, a logout, a shutdown, a closed terminal) runs the quit command on the
// user-interface thread, so settings and placement are saved, the tray icon is removed and files
// stay whole. A second such signal while quitting ends the program the hard way.
//
// The desktop session's end is covered too: the session manager's request to commit data saves
// at once, and when the display connection is lost (the toolkit then ends the program itself
// through exit()) the settings are saved on the way out.
class TSessionEnd : public QObject {
    Q_OBJECT
public:
    // Quit: the program's quit command. Save: stores settings and placement, ending nothing.
    TSessionEnd(std::function<void()> Quit, std::function<void()> Save);
    ~TSessionEnd() override;
    TSessionEnd(const TSessionEnd&) = delete;
    TSessionEnd& operator=(const TSessionEnd&) = delete;

private:
    void SignalArrived();

    std::function<void()> FQuit;
    QSocketNotifier* FNotifier = nullptr;
    bool FQuitting = false;
};

// The program's own: quitting is the main window's quit command; saving stores the main
// window's placement and the settings as the quit command does.
std::unique_ptr<TSessionEnd> InstallSessionEnd(TAnaF* Main, TAyarF* Settings);
