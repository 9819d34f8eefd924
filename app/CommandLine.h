#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>

// What the user asked for on the command line. Qt's own options (-platform, -display, -style,
// -session …) are left for the application object; anything else unknown is an error.
struct TCommandLine {
    enum TAction {
        Run,     // start the monitor (or bring a running copy forward)
        Help,    // print the usage and exit
        Version, // print the version and exit
        Show,    // ask the running copy to show its main window
        Quit,    // ask the running copy to end
        Status,  // print the running copy's status as JSON (with Follow: a line per sample)
        Ping,    // ask the running copy to start a cycle now
        Report,  // write a report of the history (PDF and CSV) and print its summary as JSON
        Error    // print Message and the usage on standard error; exit status 2
    };
    TAction Action = Run;
    bool Hidden = false; // start in the notification area
    bool Follow = false; // with Status: keep printing
    QString Language;    // --language: "tr" or "en" for this run; empty: the stored choice
    QString Message;
    // Report: the range [From, To) and the host (empty: the one monitored last), the PDF's path.
    QDateTime ReportFrom, ReportTo;
    QString ReportHost, ReportOutput;
};

// Args: the arguments after the program's name.
TCommandLine ParseCommandLine(const QStringList& Args);

QString UsageText();
QString VersionText();

// Carries out every action but Run without touching the display, and returns the exit status:
// 0 done, 1 no running copy to tell (Show, Quit, Ping), 2 a usage error; for Status: 0 the line
// is up, 1 it is down, 3 no copy runs, 4 automatic pinging is off. Status with Follow runs until
// interrupted. Report (needs a QGuiApplication): 0 written, 1 no samples in the range (or the
// report could not be written).
int RunCommandLine(const TCommandLine& Command);
