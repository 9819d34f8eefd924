#pragma once
#include "support/Accessibility.h"

#include <QString>
#include <QStringList>

// What the running program shows, read from its accessibility tree as a screen reader reads it:
// the readout's text, the lamp's words ("İyi", "Normal", "Kötü", "Kapalı") and the log, the
// settings window's text box (readable once that window has been shown).
struct ProgramView {
    QString Readout, Lamp;
    QStringList Log;
    // The log's last line ends a cycle: a reply, a failed echo or an unknown host.
    bool CycleEnded() const;
};
ProgramView ReadView(const QList<AccessibleNode>& tree);

// The first cycle of a program just started with automatic pinging off: the readout and lamp
// once the cycle has shown its result, then the log from the settings window, which F5 opens
// (showing it turns the readout to "Kapali", so the readout is read first). Empty parts when
// the cycle did not end within `ms`.
ProgramView ReadFirstCycle(const AccessibilityBus& a11y, const QString& display, int ms = 20000);

// Runs xdotool on `display`; returns what it printed.
QString Xdo(const QString& display, const QStringList& args);
// Presses F5 in the program's shown main window, as a user opens the settings window to read
// the log; true once the settings window is shown.
bool OpenSettingsWindow(const QString& display);
// How many of the program's windows (main and settings share one title) are shown.
int ShownProgramWindows(const QString& display);
