#pragma once
#include <QByteArray>
#include <QString>

class QAction;
class QMenu;

// The user's XDG autostart entry for the program: while it exists, the desktop starts the
// program at log-in, hidden in the notification area (--hidden).

// $XDG_CONFIG_HOME/autostart/ZmPing2.desktop (~/.config unless set).
QString AutostartFile();
// The entry exists and is not switched off (Hidden=true).
bool AutostartEnabled();
// The entry's text for the program at Program (an absolute path).
QByteArray AutostartEntry(const QString& Program);
// Writes (atomically) or removes the entry for the running program; raises EFileWriteError
// when the file cannot be written or removed, leaving it as it was.
void SetAutostart(bool On);

// Adds the checkable menu item "Oturum açılınca başlat" to Menu: its check mark shows whether
// the entry exists (looked at again each time the menu opens), and choosing it switches the
// entry; a failure is shown in a message box and leaves the mark as the file is.
QAction* AddAutostartItem(QMenu* Menu);
